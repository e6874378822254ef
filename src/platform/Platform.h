// Operating-system services the core needs. One implementation per platform
// (posix/, win32/), chosen at build time; tests substitute fakes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Attribute bits of a directory entry, as the system's enumeration reports them.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
};

// 100-nanosecond units since 1601-01-01 UTC.
using FileTime = int64_t;

// An owner identity as the platform gives it (a Windows SID in binary form,
// a uid on POSIX). Opaque to the core.
struct TSid {
  std::string Bytes;
  bool Empty() const { return Bytes.empty(); }
};

// One entry of a directory listing. An empty Name stands for "no record".
struct TDirEntry {
  std::string Name;
  uint32_t Attr = 0;
  int64_t Size = 0;
  FileTime CreationTime = 0;
  FileTime LastAccessTime = 0;
  FileTime LastWriteTime = 0;
  // Set when the listing already told the owner (POSIX stat does), so the
  // scanner can skip a separate security query.
  TSid Owner;
  // Space the file takes on disk where the file system tells it (sparse,
  // compressed and placeholder files take less than their size); -1 where
  // it does not, and the cluster size decides.
  int64_t Allocated = -1;
  // The file system (device or volume) and the file's identity on it, and its
  // number of names: a file with several names is one file.
  uint64_t Device = 0;
  uint64_t FileId = 0;
  uint32_t Links = 1;
  // An online-only placeholder of a cloud folder: its data is not on the disk.
  bool OnlineOnly = false;

  bool IsDirectory() const { return (Attr & faDirectory) != 0; }
};

// Local calendar fields of a point in time.
struct TLocalTime {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

enum class TDriveType { Unknown, Fixed, Removable, Network, CdRom, Ram };

struct TDriveInfo {
  std::string Root;  // with trailing separator: "C:\" or "/home/"... ("/" for the root)
  TDriveType Type = TDriveType::Unknown;
};

// An open directory listing; closed when destroyed.
class IDirectoryEnum {
 public:
  virtual ~IDirectoryEnum() = default;
  // Next entry, including "." and ".." where the platform lists them.
  virtual bool Next(TDirEntry& entry) = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // Lists a folder (path with trailing separator); nullptr when it cannot be
  // read, with the reason in failure, which stays empty where a folder is not
  // read on purpose (a kernel file system).
  virtual std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& folderPath,
                                                        std::string* failure = nullptr) = 0;
  // As OpenDirectory, for a folder its parent's listing gave as entry: the
  // platform may take what the entry tells (its device) instead of asking again.
  virtual std::unique_ptr<IDirectoryEnum> OpenListedDirectory(const std::string& folderPath, const TDirEntry& listed,
                                                              std::string* failure) {
    (void)listed;
    return OpenDirectory(folderPath, failure);
  }
  // Called once by each scanner thread before its first listing, so the
  // platform may set the thread up for many listings in a row.
  virtual void PrepareScanThread() {}
  // The entry of the path itself (not its contents); false when not found.
  virtual bool QueryEntry(const std::string& path, TDirEntry& entry) = 0;
  // File time to local calendar fields by the system's time-zone rules.
  virtual TLocalTime FileTimeToLocal(FileTime time) = 0;
  // Bytes per cluster of the file system whose root is given; false on failure.
  virtual bool DiskClusterSize(const std::string& root, int64_t& clusterSize) = 0;
  virtual bool DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) = 0;
  virtual std::vector<TDriveInfo> ListDrives() = 0;
  // The root (mount point, with trailing separator) of the file system holding
  // an absolute path. Only POSIX paths ask this; Windows roots follow from the text.
  virtual std::string MountRootOf(const std::string& path) = 0;
};

class ISecurity {
 public:
  virtual ~ISecurity() = default;
  // Owner of a path (no trailing separator); false when the security query fails.
  virtual bool GetOwnerSid(const std::string& path, TSid& sid) = 0;
  virtual bool SidToString(const TSid& sid, std::string& text) = 0;
  // Account and domain name of an owner on the local system.
  virtual bool AccountOfSid(const TSid& sid, std::string& user, std::string& domain) = 0;
};

// The user's locale. Comparisons answer <0, 0, >0.
class ILocale {
 public:
  virtual ~ILocale() = default;
  virtual int Compare(std::string_view a, std::string_view b) const = 0;
  virtual int CompareNoCase(std::string_view a, std::string_view b) const = 0;
  virtual std::string ToUpper(std::string_view text) const = 0;
  virtual std::string ToLower(std::string_view text) const = 0;
  virtual char32_t DecimalSeparator() const = 0;
  // Calendar fields in the user's short date and long time formats.
  virtual std::string ShortDate(int year, int month, int day) const = 0;
  virtual std::string LongTime(int hour, int minute, int second) const = 0;
};

// Typed values under the program's one settings key. Every access goes to the
// store at once.
class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Nothing when the value does not exist, the store cannot be opened or the
  // value has another type.
  virtual std::optional<std::string> ReadString(std::string_view name) = 0;
  virtual std::optional<int32_t> ReadInteger(std::string_view name) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  virtual void WriteInteger(std::string_view name, int32_t value) = 0;
  // The file holding the values when it was found unusable: it is then left
  // exactly as it is, and nothing is read from it or written to it.
  virtual std::optional<std::string> UnusableFile() const { return std::nullopt; }
  // Why the last save of a changed value did not reach the store (another
  // process held it locked too long, the disk refused it), in one English
  // sentence naming the file, for the status bar or standard error. Nothing
  // once a later save succeeds.
  virtual std::optional<std::string> SaveFailure() const { return std::nullopt; }
};

// The services of the machine the program runs on.
struct TPlatform {
  std::shared_ptr<IFileSystem> FileSystem;
  std::shared_ptr<ISecurity> Security;
  std::shared_ptr<ILocale> Locale;
};

// Built by posix/ or win32/.
TPlatform CreateNativePlatform();

// The user's own settings store: the registry key on Windows, the per-user
// file on Linux (defined by the settings backend linked in).
std::unique_ptr<ISettingsStore> CreateUserSettingsStore();

// The folder holding the running program file, with a trailing separator.
std::string ExecutableDirectory();

// The program's arguments in UTF-8 (Windows passes main() the ANSI code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output passes bytes unchanged (Windows would turn LF into CR LF).
void SetBinaryStandardOutput();
// Standard input likewise: compressed data and raw names read through unchanged
// (Windows would drop CR and stop at the first Ctrl-Z byte).
void SetBinaryStandardInput();

// Opens a file by its UTF-8 name as fopen does (errno tells why it failed).
std::FILE* OpenFile(const std::string& path, const char* mode);
// A file opened for reading by OpenInputFile.
struct TInputFile {
  std::FILE* File = nullptr;  // the caller closes it
  uint64_t Size = 0;
  // Set when the path names something other than a regular file (a folder, a
  // FIFO, a device, a file of a kernel file system such as /proc): not opened.
  bool NotRegular = false;
};
// Opens a regular file by its UTF-8 name for binary reading. Never waits on a
// FIFO or device. Without File and NotRegular, errno tells why it failed.
TInputFile OpenInputFile(const std::string& path);
// Moves a file over another one in the same folder, replacing it in one step;
// false with errno set when it could not.
bool RenameOver(const std::string& from, const std::string& to);
// Removes a file; false when it could not.
bool RemoveFileAt(const std::string& path);

// Text files are written in the system's ANSI code page (UTF-8 on POSIX). A text
// the code page cannot represent stays UTF-8, so nothing is lost.
std::string ToAnsiCodePage(std::string_view utf8);
// Valid UTF-8 is taken as it is; anything else is read in the ANSI code page.
std::string FromAnsiCodePage(std::string_view bytes);
// Whether every character of the UTF-8 text has a place in the ANSI code page.
bool FitsAnsiCodePage(std::string_view utf8);
// The code page's name as HTML declares it ("windows-1252"; "utf-8" on POSIX).
std::string AnsiCodePageCharset();
// Under Wine, where a few Windows answers differ from a real system's.
bool RunsUnderWine();

}  // namespace kv
