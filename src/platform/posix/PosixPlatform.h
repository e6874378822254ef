// POSIX (Linux) implementations of the platform services.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

struct statx;

namespace kv {

struct TMountPoint {
  std::string Root;    // with trailing "/"
  std::string FsType;
  uint64_t Device = 0;  // the st_dev of what is mounted there
};

class TPosixFileSystem final : public IFileSystem {
 public:
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& folderPath,
                                                std::string* failure = nullptr) override;
  std::unique_ptr<IDirectoryEnum> OpenListedDirectory(const std::string& folderPath, const TDirEntry& listed,
                                                      std::string* failure) override;
  void PrepareScanThread() override;
  bool QueryEntry(const std::string& path, TDirEntry& entry) override;
  TLocalTime FileTimeToLocal(FileTime time) override;
  bool DiskClusterSize(const std::string& root, int64_t& clusterSize) override;
  bool DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) override;
  std::vector<TDriveInfo> ListDrives() override;
  std::string MountRootOf(const std::string& path) override;

  // Mount table of the process, read again on each call.
  static std::vector<TMountPoint> ReadMounts();
  // The table in the form of /proc/self/mountinfo.
  static std::vector<TMountPoint> ParseMounts(std::string_view mountInfo);
  // Not a drive: pseudo, memory and image file systems.
  static bool IsPseudoFsType(const std::string& type);
  static bool IsNetworkFsType(const std::string& type);
  // Folders that hold the kernel's state rather than stored files (proc,
  // sysfs, devtmpfs, ...): listed as folders, never read. tmpfs is read.
  static bool IsKernelFsType(const std::string& type);

 private:
  // Whether a folder on this device is left unread, by the type the mount
  // table gives it. The table is read once per scan and again for a device it
  // did not list (a mount made meanwhile).
  bool IsKernelFsDevice(uint64_t device);
  std::unique_ptr<IDirectoryEnum> Open(const std::string& folderPath, const TDirEntry* listed, std::string* failure);

  std::mutex MountsLock_;
  std::vector<TMountPoint> Mounts_;
  bool MountsRead_ = false;

  std::mutex DevicesLock_;
  std::unordered_map<uint64_t, bool> KernelDevices_;
};

class TPosixSecurity final : public ISecurity {
 public:
  bool GetOwnerSid(const std::string& path, TSid& sid) override;
  bool SidToString(const TSid& sid, std::string& text) override;
  bool AccountOfSid(const TSid& sid, std::string& user, std::string& domain) override;

  static TSid SidOfUid(uint32_t uid);
};

// Comparison and case mapping through ICU. An empty id, "C" or "POSIX" mean an
// unconfigured locale, which gets ICU's root collation.
class TIcuLocale final : public ILocale {
 public:
  explicit TIcuLocale(const std::string& localeId);
  ~TIcuLocale() override;
  TIcuLocale(const TIcuLocale&) = delete;
  TIcuLocale& operator=(const TIcuLocale&) = delete;

  int Compare(std::string_view a, std::string_view b) const override;
  int CompareNoCase(std::string_view a, std::string_view b) const override;
  std::string ToUpper(std::string_view text) const override;
  std::string ToLower(std::string_view text) const override;
  char32_t DecimalSeparator() const override { return Decimal_; }
  std::string ShortDate(int year, int month, int day) const override;
  std::string LongTime(int hour, int minute, int second) const override;

  // The ICU id for the user's environment (LC_ALL, LC_COLLATE, LANG).
  static std::string EnvironmentLocaleId();

 private:
  struct TImpl;
  TImpl* Impl_;
  char32_t Decimal_ = U'.';
};

// Converts between the two time forms: 100 ns since 1601 and POSIX seconds + ns.
FileTime FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

// The creation time of a stat result: the birth time, or the change time when
// the file system has none (no birth flag, or a birth time of 0, the epoch).
FileTime CreationTimeOf(const struct ::statx& st);

}  // namespace kv
