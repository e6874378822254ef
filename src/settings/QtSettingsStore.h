// The per-user settings file on Linux, through QSettings in INI form.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include "platform/Platform.h"

namespace kv {

// Strings and integers live in two sections of the file, so a value keeps its
// type across runs. The file is read once, at the first access; a write that
// changes a value goes to the file at once, merged with other processes'
// changes, and keeps the file's comments. A file that is not a regular file,
// too large or not of the INI kinds QSettings writes is left untouched.
class TQtSettingsStore final : public ISettingsStore {
 public:
  explicit TQtSettingsStore(std::string filePath);

  std::optional<std::string> ReadString(std::string_view name) override;
  std::optional<int32_t> ReadInteger(std::string_view name) override;
  void WriteString(std::string_view name, std::string_view value) override;
  void WriteInteger(std::string_view name, int32_t value) override;
  std::optional<std::string> UnusableFile() const override;

  const std::string& FilePath() const { return FilePath_; }

  // $XDG_CONFIG_HOME (default ~/.config) + "/Varnholt/Kestrove 2.4.conf".
  static std::string DefaultFilePath();

 private:
  using TValue = std::variant<std::string, int32_t>;
  void Load();
  // The file's bytes when it can be used; marks it unusable otherwise.
  std::optional<std::string> ReadSoundFile();
  void Write(std::string_view name, TValue value);

  std::string FilePath_;
  mutable std::mutex Lock_;
  bool Loaded_ = false;
  bool Unusable_ = false;
  std::map<std::string, std::string, std::less<>> Strings_;
  std::map<std::string, int32_t, std::less<>> Integers_;
};

}  // namespace kv
