// The per-user settings file on Linux, through QSettings in INI form.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace kv {

// Strings and integers live in two sections of the file, so a value keeps its
// type across runs. Each access opens the file, merges other processes'
// changes and closes it again.
class TQtSettingsStore final : public ISettingsStore {
 public:
  explicit TQtSettingsStore(std::string filePath);

  std::optional<std::string> ReadString(std::string_view name) override;
  std::optional<int32_t> ReadInteger(std::string_view name) override;
  void WriteString(std::string_view name, std::string_view value) override;
  void WriteInteger(std::string_view name, int32_t value) override;

  const std::string& FilePath() const { return FilePath_; }

  // $XDG_CONFIG_HOME (default ~/.config) + "/Varnholt/Kestrove 2.4.conf".
  static std::string DefaultFilePath();

 private:
  std::string FilePath_;
};

}  // namespace kv
