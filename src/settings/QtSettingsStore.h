// The per-user settings file on Linux, in the INI form QSettings reads and writes.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/Platform.h"

namespace kv {

// Strings and integers live in two sections of the file, so a value keeps its
// type across runs. Several processes share the file: every read first looks
// whether the file changed (one stat) and reads it again if so; every change
// is saved at once as one transaction under the file's lock, which reads the
// file as it is, puts in only this store's changes, keeps every other line
// (comments, a byte-order mark, other processes' values) as it stands and
// renames the new file into place. A file that is not a regular file, too
// large or not of the INI kinds QSettings writes is left untouched.
class TQtSettingsStore final : public ISettingsStore {
 public:
  // The steps of a save, in order, as the step hook hears them.
  static constexpr std::array<std::string_view, 5> SaveSteps = {"locked", "read", "written", "replaced",
                                                                 "unlocked"};
  // How long a save waits for a lock that another live process holds.
  static constexpr std::chrono::milliseconds LockPatience{2000};

  explicit TQtSettingsStore(std::string filePath);
  // Tries once more to save changes that could not be saved yet.
  ~TQtSettingsStore() override;

  std::optional<std::string> ReadString(std::string_view name) override;
  std::optional<int32_t> ReadInteger(std::string_view name) override;
  void WriteString(std::string_view name, std::string_view value) override;
  void WriteInteger(std::string_view name, int32_t value) override;
  std::optional<std::string> UnusableFile() const override;
  std::optional<std::string> SaveFailure() const override;

  const std::string& FilePath() const { return FilePath_; }

  // Called with each step's name as a save passes it, so that tests can stop
  // a save there (by throwing, or by ending the process).
  void SetSaveStepHook(std::function<void(std::string_view step)> hook);

  // $XDG_CONFIG_HOME (default ~/.config) + "/Varnholt/Kestrove 2.4.conf".
  static std::string DefaultFilePath();

  // What tells one state of the file from another: a save renames a new file
  // in, an editor may write in place.
  struct TStamp {
    uint64_t Device = 0, Inode = 0, Size = 0;
    int64_t Modified = 0, Changed = 0;  // nanoseconds
    bool operator==(const TStamp&) const = default;
  };

 private:
  using TValue = std::variant<std::string, int32_t>;
  struct TSnapshot {
    std::optional<std::string> Bytes;  // nothing when it is no regular file, too large or unreadable
    std::optional<TStamp> Stamp;       // of the state the bytes were read from
  };

  TSnapshot ReadSnapshot() const;
  // Reads the file again when it changed since it was last read.
  void Refresh();
  // Takes in the file's bytes (nothing when it could not be read) as the state at `stamp`.
  void Adopt(const std::optional<std::string>& bytes, std::optional<TStamp> stamp);
  std::optional<TValue> Current(std::string_view name) const;
  void Write(std::string_view name, TValue value);
  // Saves the pending changes; false, with SaveFailure_ set, when they stay pending.
  bool Save();
  void Step(std::string_view step) const;

  std::string FilePath_;
  mutable std::mutex Lock_;
  std::optional<TStamp> Stamp_;  // of the state the values below come from
  bool Unusable_ = false;
  std::map<std::string, std::string, std::less<>> Strings_;
  std::map<std::string, int32_t, std::less<>> Integers_;
  // This store's changes that are not in the file yet (a save could not be made).
  std::map<std::string, TValue, std::less<>> Pending_;
  std::optional<std::string> SaveFailure_;
  // When a save last gave up waiting for the lock: saves right after it do
  // not wait again, so that a run of changes costs the wait once.
  std::optional<std::chrono::steady_clock::time_point> GaveUpAt_;
  std::function<void(std::string_view)> StepHook_;
};

}  // namespace kv
