#include "settings/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/InputFile.h"
#include "settings/IniText.h"
#include "settings/SettingsStore.h"

namespace kv {

namespace {

const char* const StringSection = "String";
const char* const IntegerSection = "Integer";
// A lock file whose owner's process is gone is taken over at once; one that
// no process holds (QLockFile keeps an flock on it while it is held) once it
// is this old, which covers a file left empty by a kill before its owner wrote
// its id. A live owner's lock is never taken, however old.
constexpr int StaleLockAge = 1500;  // ms
constexpr auto LockRetry = std::chrono::milliseconds(20);

TQtSettingsStore::TStamp StampOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev),
          static_cast<uint64_t>(st.st_ino),
          static_cast<uint64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
          static_cast<int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec};
}

// Like the registry key, the file is created by the first access of any kind.
void EnsureFile(const QString& path) {
  if (QFileInfo::exists(path)) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.close();
}

using TStrings = std::map<std::string, std::string, std::less<>>;
using TIntegers = std::map<std::string, int32_t, std::less<>>;

// The values of a sound file, through QSettings, which reads files only by
// name: a copy of its own, named afresh each time, since QSettings keeps what
// it read of a file by name.
bool ParseValues(std::string_view bytes, TStrings& strings, TIntegers& integers) {
  static std::atomic<unsigned> copies{0};
  QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/kestrove-settings-%1-XXXXXX.conf").arg(copies++));
  const std::string text = ini::ForQSettings(bytes);
  const auto size = static_cast<qint64>(text.size());
  if (!copy.open() || copy.write(text.data(), size) != size || !copy.flush()) return false;
  QSettings settings(copy.fileName(), QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) return false;
  for (const QString& key : settings.allKeys()) {
    const qsizetype slash = key.indexOf(u'/');
    if (slash <= 0 || slash + 1 == key.size()) continue;  // "=x" names nothing
    const QStringView section = QStringView(key).first(slash);
    std::string name = key.sliced(slash + 1).toStdString();
    const QVariant value = settings.value(key);
    if (section == QLatin1StringView(StringSection)) {
      strings.insert_or_assign(std::move(name), value.toString().toStdString());
    } else if (section == QLatin1StringView(IntegerSection)) {
      bool ok = false;
      const int number = value.toInt(&ok);
      if (ok) integers.insert_or_assign(std::move(name), static_cast<int32_t>(number));
    }
  }
  return true;
}

}  // namespace

TQtSettingsStore::TQtSettingsStore(std::string filePath) : FilePath_(std::move(filePath)) {}

TQtSettingsStore::~TQtSettingsStore() {
  std::lock_guard guard(Lock_);
  if (Pending_.empty()) return;
  try {
    Save();
  } catch (...) {
    // Only a test's step hook throws; the changes then stay unsaved.
  }
}

std::string TQtSettingsStore::DefaultFilePath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/Varnholt/Kestrove 2.4.conf";
}

void TQtSettingsStore::SetSaveStepHook(std::function<void(std::string_view step)> hook) {
  std::lock_guard guard(Lock_);
  StepHook_ = std::move(hook);
}

void TQtSettingsStore::Step(std::string_view step) const {
  if (StepHook_) StepHook_(step);
}

TQtSettingsStore::TSnapshot TQtSettingsStore::ReadSnapshot() const {
  TSnapshot snapshot;
  struct stat st {};
  const TInputFile input = OpenInputFile(FilePath_);
  if (!input.File) {
    // A folder, a FIFO or a file this user may not read: its stamp still
    // spares the next reads another try until it changes.
    if (stat(FilePath_.c_str(), &st) == 0) snapshot.Stamp = StampOf(st);
    return snapshot;
  }
  if (fstat(fileno(input.File), &st) == 0) snapshot.Stamp = StampOf(st);
  std::string bytes;
  bool whole = input.Size <= SettingsFileLimit;
  char buffer[16384];
  while (whole) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, input.File);
    bytes.append(buffer, got);
    // One byte past the limit whatever the size said: the file may grow.
    if (bytes.size() > SettingsFileLimit || std::ferror(input.File)) whole = false;
    if (got < sizeof buffer) break;
  }
  std::fclose(input.File);
  if (whole) snapshot.Bytes = std::move(bytes);
  return snapshot;
}

void TQtSettingsStore::Refresh() {
  struct stat st {};
  if (stat(FilePath_.c_str(), &st) != 0) {
    EnsureFile(QString::fromStdString(FilePath_));
    if (stat(FilePath_.c_str(), &st) != 0) return Adopt(std::nullopt, std::nullopt);
  }
  if (Stamp_ && *Stamp_ == StampOf(st)) return;
  const TSnapshot snapshot = ReadSnapshot();
  Adopt(snapshot.Bytes, snapshot.Stamp);
}

void TQtSettingsStore::Adopt(const std::optional<std::string>& bytes, std::optional<TStamp> stamp) {
  Strings_.clear();
  Integers_.clear();
  Unusable_ = !bytes || !ini::IsSound(*bytes);
  // A copy that could not be made for QSettings is tried again at the next read.
  Stamp_ = Unusable_ || ParseValues(*bytes, Strings_, Integers_) ? stamp : std::nullopt;
}

std::optional<TQtSettingsStore::TValue> TQtSettingsStore::Current(std::string_view name) const {
  if (const auto pending = Pending_.find(name); pending != Pending_.end()) return pending->second;
  if (const auto text = Strings_.find(name); text != Strings_.end()) return text->second;
  if (const auto number = Integers_.find(name); number != Integers_.end()) return number->second;
  return std::nullopt;
}

std::optional<std::string> TQtSettingsStore::ReadString(std::string_view name) {
  std::lock_guard guard(Lock_);
  Refresh();
  if (const auto pending = Pending_.find(name); pending != Pending_.end()) {
    if (const auto* text = std::get_if<std::string>(&pending->second)) return *text;
    return std::nullopt;
  }
  const auto it = Strings_.find(name);
  if (it == Strings_.end()) return std::nullopt;
  return it->second;
}

std::optional<int32_t> TQtSettingsStore::ReadInteger(std::string_view name) {
  std::lock_guard guard(Lock_);
  Refresh();
  if (const auto pending = Pending_.find(name); pending != Pending_.end()) {
    if (const auto* number = std::get_if<int32_t>(&pending->second)) return *number;
    return std::nullopt;
  }
  const auto it = Integers_.find(name);
  if (it == Integers_.end()) return std::nullopt;
  return it->second;
}

void TQtSettingsStore::WriteString(std::string_view name, std::string_view value) {
  Write(name, TValue(std::string(value)));
}

void TQtSettingsStore::WriteInteger(std::string_view name, int32_t value) { Write(name, TValue(value)); }

std::optional<std::string> TQtSettingsStore::UnusableFile() const {
  std::lock_guard guard(Lock_);
  if (!Unusable_) return std::nullopt;
  return FilePath_;
}

std::optional<std::string> TQtSettingsStore::SaveFailure() const {
  std::lock_guard guard(Lock_);
  return SaveFailure_;
}

// Writes one value and removes the other type's value of the same name, as
// replacing a registry value does.
void TQtSettingsStore::Write(std::string_view name, TValue value) {
  std::lock_guard guard(Lock_);
  if (name.empty()) return;
  Refresh();
  if (Unusable_) return;
  // Only a change reaches the file.
  const bool isString = std::holds_alternative<std::string>(value);
  const bool otherType = isString ? Integers_.contains(name) : Strings_.contains(name);
  if (Current(name) == value && (Pending_.contains(name) || !otherType)) return;
  Pending_.insert_or_assign(std::string(name), std::move(value));
  Save();
}

// One transaction under the file's lock: the file as it is now, with this
// store's changes put in, renamed over the old one in one step.
bool TQtSettingsStore::Save() {
  const QString path = QString::fromStdString(FilePath_);
  const auto fail = [&](const std::string& why) {
    SaveFailure_ = "The settings could not be saved to \"" + FilePath_ + "\": " + why +
                   "; they will be saved with the next change.";
    return false;
  };

  QLockFile lock(path + QStringLiteral(".lock"));
  lock.setStaleLockTime(StaleLockAge);
  const auto start = std::chrono::steady_clock::now();
  const bool patient = !GaveUpAt_ || start - *GaveUpAt_ >= LockPatience;
  const auto deadline = start + (patient ? LockPatience : std::chrono::milliseconds(0));
  while (!lock.tryLock(0)) {
    if (lock.error() != QLockFile::LockFailedError)
      return fail("its lock file \"" + FilePath_ + ".lock\" cannot be created");
    if (std::chrono::steady_clock::now() >= deadline) {
      GaveUpAt_ = std::chrono::steady_clock::now();
      return fail("another process has held it locked for " + std::to_string(LockPatience.count() / 1000) +
                  " seconds");
    }
    std::this_thread::sleep_for(LockRetry);
  }
  GaveUpAt_.reset();
  Step("locked");

  const TSnapshot before = ReadSnapshot();
  if (!before.Bytes || !ini::IsSound(*before.Bytes)) {
    // Changed into something this program does not write: it stays as it is.
    Pending_.clear();
    Adopt(before.Bytes, before.Stamp);
    return true;
  }
  std::string text = *before.Bytes;
  for (const auto& [name, value] : Pending_) {
    if (const auto* string = std::get_if<std::string>(&value)) {
      text = ini::WithValue(text, StringSection, IntegerSection, name, ini::EscapedString(*string));
    } else {
      text = ini::WithValue(text, IntegerSection, StringSection, name, std::to_string(std::get<int32_t>(value)));
    }
  }
  Step("read");

  if (text != *before.Bytes) {
    // QSaveFile writes a file beside the old one (keeping its permissions and
    // following a link to it), flushes it to the disk and renames it over.
    QSaveFile file(path);
    const auto size = static_cast<qint64>(text.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), size) != size)
      return fail(file.errorString().toStdString());
    Step("written");
    if (!file.commit()) return fail(file.errorString().toStdString());
    Step("replaced");
  }

  struct stat st {};
  const std::optional<TStamp> after = stat(FilePath_.c_str(), &st) == 0 ? std::optional(StampOf(st)) : std::nullopt;
  if (before.Stamp && before.Stamp == Stamp_ && !Unusable_) {
    // The file was as last read: the changes are all that is new in it.
    for (const auto& [name, value] : Pending_) {
      if (const auto* string = std::get_if<std::string>(&value)) {
        Strings_.insert_or_assign(name, *string);
        Integers_.erase(name);
      } else {
        Integers_.insert_or_assign(name, std::get<int32_t>(value));
        Strings_.erase(name);
      }
    }
    Stamp_ = after;
  } else {
    Adopt(text, after);
  }
  Pending_.clear();
  SaveFailure_.reset();
  lock.unlock();
  Step("unlocked");
  return true;
}

std::unique_ptr<ISettingsStore> CreateUserSettingsStore() {
  return std::make_unique<TQtSettingsStore>(TQtSettingsStore::DefaultFilePath());
}

}  // namespace kv
