#include "model/FileServices.h"

#include <mutex>

#include "model/Saturate.h"

namespace kv {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t DaysFrom1899To1970 = 25569;

}  // namespace

double EncodeDayCount(const TLocalTime& t) {
  // Times of one scan mostly fall on few days: the day count is reused.
  thread_local int lastYear = 0, lastMonth = 0, lastDay = 0;
  thread_local int64_t lastDays = DaysFromCivil(0, 0, 0);
  if (t.Year != lastYear || t.Month != lastMonth || t.Day != lastDay) {
    lastDays = DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day));
    lastYear = t.Year;
    lastMonth = t.Month;
    lastDay = t.Day;
  }
  const int64_t days = lastDays + DaysFrom1899To1970;
  const double fraction =
      (((t.Hour * 60.0 + t.Minute) * 60.0 + t.Second) * 1000.0 + t.Millisecond) / 86400000.0;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

TFileServices::TFileServices(TPlatform platform, TPathStyle style)
    : Platform_(std::move(platform)), Style_(style) {}

double TFileServices::FileTimeToLocalDateTime(FileTime time) const {
  return EncodeDayCount(Platform_.FileSystem->FileTimeToLocal(time));
}

TItemInfo TFileServices::ItemInfoFromSearchRec(const TDirEntry& entry) const {
  TItemInfo info;
  info.ReadOnly = (entry.Attr & faReadOnly) != 0;
  info.Hidden = (entry.Attr & faHidden) != 0;
  info.System = (entry.Attr & faSysFile) != 0;
  info.Archive = (entry.Attr & faArchive) != 0;
  // A file never read since it was made has two times alike: converted once.
  info.Created = FileTimeToLocalDateTime(entry.CreationTime);
  info.Modified = entry.LastWriteTime == entry.CreationTime ? info.Created : FileTimeToLocalDateTime(entry.LastWriteTime);
  info.LastAccess = entry.LastAccessTime == entry.LastWriteTime    ? info.Modified
                    : entry.LastAccessTime == entry.CreationTime ? info.Created
                                                                 : FileTimeToLocalDateTime(entry.LastAccessTime);
  return info;
}

std::string TFileServices::QueryPath(std::string_view path) const {
  std::string query = ExcludeTrailingSeparator(path);
  // The POSIX root is a folder of its own; its separator is all its name.
  if (query.empty() && Style_ == TPathStyle::Posix && path == "/") query = "/";
  return query;
}

void TFileServices::ItemInfoFromPath(std::string_view path, TItemInfo& info) const {
  TDirEntry entry;
  if (Platform_.FileSystem->QueryEntry(QueryPath(path), entry)) info = ItemInfoFromSearchRec(entry);
}

int64_t TFileServices::GetDriveClusterSize(const std::string& root) const {
  int64_t size = 0;
  return Platform_.FileSystem->DiskClusterSize(root, size) ? size : 0;
}

std::string TFileServices::DriveRootOf(std::string_view path) const {
  if (Style_ == TPathStyle::Windows) return WindowsDriveRoot(path);
  return Platform_.FileSystem->MountRootOf(std::string(path));
}

int64_t TFileServices::GetClusterSize(std::string_view path, TPathStyle style) {
  if (style != Style_) return 0;
  const std::string_view folder = path.substr(0, FolderPartLength(path, Style_));
  if (HaveLast_ && folder == LastFolder_) return LastClusterSize_;

  const std::string root = DriveRootOf(Style_ == TPathStyle::Windows ? path : folder);
  int64_t size = -1;
  for (const TClasterSizeItem& item : ClusterSizes_) {
    if (item.Root == root) {
      size = item.ClusterSize;
      break;
    }
  }
  if (size < 0) {
    // Also an unanswered drive is remembered, so it is asked once per run.
    size = GetDriveClusterSize(root);
    ClusterSizes_.push_back({root, size});
  }
  LastFolder_.assign(folder);
  LastClusterSize_ = size;
  HaveLast_ = true;
  return size;
}

int64_t AllocatedSizeFor(int64_t size, int64_t cluster) {
  if (cluster == 0) cluster = 1;
  int64_t rounded = (size / cluster) * cluster;
  if (rounded < size) rounded = SatAdd(rounded, cluster);
  return rounded;
}

int64_t TFileServices::GetAllocatedSize(std::string_view path, int64_t size, TPathStyle style) {
  return AllocatedSizeFor(size, GetClusterSize(path, style));
}

int64_t TFileServices::GetDriveSpace(const std::string& root, bool free) const {
  int64_t total = 0, freeBytes = 0;
  Platform_.FileSystem->DiskSpace(root, total, freeBytes);
  return free ? freeBytes : total;
}

std::string TFileServices::SidToString(const TSid& sid) const {
  std::string text;
  if (!Platform_.Security->SidToString(sid, text)) return {};
  return text;
}

TOwnerDomain TFileServices::LookupOwnerDomain(const TSid& sid) {
  TOwnerDomain result{"", "unknown", "unknown"};
  const std::string key = SidToString(sid);
  if (key.empty()) {
    // Without its text form a SID cannot be told apart from others: ask, keep nothing.
    std::string user, domain;
    if (Platform_.Security->AccountOfSid(sid, user, domain)) {
      result.User = std::move(user);
      result.Domain = std::move(domain);
    }
    return result;
  }
  {
    std::shared_lock guard(OwnersLock_);
    auto it = Owners_.find(key);
    if (it != Owners_.end()) return it->second;
  }
  // Asked outside the lock: a slow account look-up must not stall other
  // scanners. Two threads may both ask; the second answer is dropped.
  std::string user, domain;
  if (!Platform_.Security->AccountOfSid(sid, user, domain)) return result;
  result = {key, std::move(user), std::move(domain)};
  std::unique_lock guard(OwnersLock_);
  Owners_.emplace(key, result);
  return result;
}

bool TFileServices::GetOwnerParts(std::string_view path, std::string& domain, std::string& user) {
  TSid sid;
  if (!Platform_.Security->GetOwnerSid(std::string(path), sid)) return false;
  TOwnerDomain owner = LookupOwnerDomain(sid);
  domain = std::move(owner.Domain);
  user = std::move(owner.User);
  return true;
}

std::string TFileServices::OwnerText(const TSid& sid) {
  TOwnerDomain owner = LookupOwnerDomain(sid);
  return owner.Domain + "\\" + owner.User;
}

std::string TFileServices::GetFileOwner(std::string_view path) {
  std::string domain, user;
  if (GetOwnerParts(QueryPath(path), domain, user)) return domain + "\\" + user;
  return UnknownOwner;
}

size_t TFileServices::OwnerCacheSize() const {
  std::shared_lock guard(OwnersLock_);
  return Owners_.size();
}

}  // namespace kv
