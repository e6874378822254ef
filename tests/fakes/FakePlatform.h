// In-memory stand-ins for the platform services, counting what they are asked.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace kv::test {

class FakeFileSystem : public IFileSystem {
 public:
  // Folder path (with trailing separator) → its entries.
  std::map<std::string, std::vector<TDirEntry>> Folders;
  // Path → its own entry.
  std::map<std::string, TDirEntry> Entries;
  // Drive root → cluster size; absent roots fail.
  std::map<std::string, int64_t> ClusterSizes;
  std::map<std::string, std::pair<int64_t, int64_t>> Space;
  std::vector<TDriveInfo> Drives;
  // Time zone of the fake: minutes added to UTC.
  int UtcOffsetMinutes = 0;

  std::vector<std::string> ClusterQueries;
  std::vector<std::string> EntryQueries;
  std::vector<std::string> SpaceQueries;

  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& folderPath,
                                                std::string* failure = nullptr) override;
  bool QueryEntry(const std::string& path, TDirEntry& entry) override;
  TLocalTime FileTimeToLocal(FileTime time) override;
  bool DiskClusterSize(const std::string& root, int64_t& clusterSize) override;
  bool DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) override;
  std::vector<TDriveInfo> ListDrives() override { return Drives; }
  std::string MountRootOf(const std::string& path) override;
};

class FakeSecurity : public ISecurity {
 public:
  // Path (no trailing separator) → owner SID text; the SID bytes are that text.
  std::map<std::string, std::string> OwnerOf;
  // SID text → (user, domain).
  std::map<std::string, std::pair<std::string, std::string>> Accounts;

  std::vector<std::string> OwnerQueries;
  std::atomic<int> AccountLookups{0};

  bool GetOwnerSid(const std::string& path, TSid& sid) override;
  bool SidToString(const TSid& sid, std::string& text) override;
  bool AccountOfSid(const TSid& sid, std::string& user, std::string& domain) override;

 private:
  std::mutex Lock_;
};

// Orders like a real collation for plain ASCII: letters by their lower-case
// form first, then lower case before upper case (a, A, b, B).
class FakeLocale : public ILocale {
 public:
  int Compare(std::string_view a, std::string_view b) const override;
  int CompareNoCase(std::string_view a, std::string_view b) const override;
  std::string ToUpper(std::string_view text) const override;
  std::string ToLower(std::string_view text) const override;
  char32_t DecimalSeparator() const override { return U','; }
  // Day.month.year and 24 hours, like a German locale.
  std::string ShortDate(int year, int month, int day) const override;
  std::string LongTime(int hour, int minute, int second) const override;
};

struct FakePlatform {
  std::shared_ptr<FakeFileSystem> FileSystem = std::make_shared<FakeFileSystem>();
  std::shared_ptr<FakeSecurity> Security = std::make_shared<FakeSecurity>();
  std::shared_ptr<FakeLocale> Locale = std::make_shared<FakeLocale>();
  TPlatform Platform() const { return {FileSystem, Security, Locale}; }
};

TDirEntry MakeEntry(std::string name, uint32_t attr, int64_t size = 0, FileTime written = 0);

}  // namespace kv::test
