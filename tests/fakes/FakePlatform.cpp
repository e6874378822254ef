#include "fakes/FakePlatform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/PathStyle.h"

namespace kv::test {

namespace {

class FakeEnum : public IDirectoryEnum {
 public:
  explicit FakeEnum(std::vector<TDirEntry> entries) : Entries_(std::move(entries)) {}
  bool Next(TDirEntry& entry) override {
    if (Pos_ >= Entries_.size()) return false;
    entry = Entries_[Pos_++];
    return true;
  }

 private:
  std::vector<TDirEntry> Entries_;
  size_t Pos_ = 0;
};

}  // namespace

TDirEntry MakeEntry(std::string name, uint32_t attr, int64_t size, FileTime written) {
  TDirEntry e;
  e.Name = std::move(name);
  e.Attr = attr;
  e.Size = size;
  e.CreationTime = e.LastAccessTime = e.LastWriteTime = written;
  return e;
}

std::unique_ptr<IDirectoryEnum> FakeFileSystem::OpenDirectory(const std::string& folderPath, std::string* failure) {
  auto it = Folders.find(folderPath);
  if (it == Folders.end()) {
    if (failure) *failure = "Access is denied";
    return nullptr;
  }
  return std::make_unique<FakeEnum>(it->second);
}

bool FakeFileSystem::QueryEntry(const std::string& path, TDirEntry& entry) {
  EntryQueries.push_back(path);
  auto it = Entries.find(path);
  if (it == Entries.end()) return false;
  entry = it->second;
  return true;
}

TLocalTime FakeFileSystem::FileTimeToLocal(FileTime time) {
  // Civil date from days since 1601-01-01 (which is a day 0 of a 400-year cycle).
  int64_t ms = time / 10000 + static_cast<int64_t>(UtcOffsetMinutes) * 60000;
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  // Days since 1601-01-01 → days since 0000-03-01 based algorithm.
  const int64_t z = days + 584694;  // 1601-01-01 is day 584694 after 0000-03-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  TLocalTime t;
  t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2));
  t.Hour = static_cast<int>(rest / 3600000);
  t.Minute = static_cast<int>(rest / 60000 % 60);
  t.Second = static_cast<int>(rest / 1000 % 60);
  t.Millisecond = static_cast<int>(rest % 1000);
  return t;
}

bool FakeFileSystem::DiskClusterSize(const std::string& root, int64_t& clusterSize) {
  ClusterQueries.push_back(root);
  auto it = ClusterSizes.find(root);
  if (it == ClusterSizes.end()) return false;
  clusterSize = it->second;
  return true;
}

bool FakeFileSystem::DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) {
  SpaceQueries.push_back(root);
  auto it = Space.find(root);
  if (it == Space.end()) return false;
  totalBytes = it->second.first;
  freeBytes = it->second.second;
  return true;
}

std::string FakeFileSystem::MountRootOf(const std::string& path) {
  // The longest cluster-size root that is a prefix of the path, else "/".
  std::string best = "/";
  const std::string p = IncludeTrailingSeparator(path, TPathStyle::Posix);
  for (const auto& [root, size] : ClusterSizes)
    if (root.size() > best.size() && p.compare(0, root.size(), root) == 0) best = root;
  return best;
}

bool FakeSecurity::GetOwnerSid(const std::string& path, TSid& sid) {
  std::lock_guard guard(Lock_);
  OwnerQueries.push_back(path);
  auto it = OwnerOf.find(path);
  if (it == OwnerOf.end()) return false;
  sid.Bytes = it->second;
  return true;
}

bool FakeSecurity::SidToString(const TSid& sid, std::string& text) {
  if (sid.Bytes.empty()) return false;
  text = sid.Bytes;
  return true;
}

bool FakeSecurity::AccountOfSid(const TSid& sid, std::string& user, std::string& domain) {
  ++AccountLookups;
  std::lock_guard guard(Lock_);
  auto it = Accounts.find(sid.Bytes);
  if (it == Accounts.end()) return false;
  user = it->second.first;
  domain = it->second.second;
  return true;
}

namespace {
std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
}  // namespace

int FakeLocale::CompareNoCase(std::string_view a, std::string_view b) const {
  const int c = Lower(a).compare(Lower(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int FakeLocale::Compare(std::string_view a, std::string_view b) const {
  if (int c = CompareNoCase(a, b)) return c;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const bool la = std::islower(static_cast<unsigned char>(a[i])) != 0;
    const bool lb = std::islower(static_cast<unsigned char>(b[i])) != 0;
    if (la != lb) return la ? -1 : 1;
  }
  return 0;
}

std::string FakeLocale::ToUpper(std::string_view text) const {
  std::string r(text);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string FakeLocale::ToLower(std::string_view text) const { return Lower(text); }

std::string FakeLocale::ShortDate(int year, int month, int day) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
  return text;
}

std::string FakeLocale::LongTime(int hour, int minute, int second) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
  return text;
}

}  // namespace kv::test
