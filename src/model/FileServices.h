// Answers from the operating system with the program's rules around them:
// times and attributes, cluster sizes (cached per drive root), allocated
// sizes, drive space and owners (cached per owner SID).
#pragma once

#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"
#include "model/NodeData.h"
#include "platform/PathStyle.h"

namespace kv {

struct TClasterSizeItem {
  std::string Root;
  int64_t ClusterSize = 0;
};

struct TOwnerDomain {
  std::string Sid;
  std::string User;
  std::string Domain;
};

// Local day-count date-time of calendar fields: days since 1899-12-30 plus
// the fraction of the day; before that day the time is subtracted.
double EncodeDayCount(const TLocalTime& t);

// A size rounded up to whole clusters (a cluster size of 0 counts as 1 byte).
int64_t AllocatedSizeFor(int64_t size, int64_t cluster);

class TFileServices {
 public:
  TFileServices(TPlatform platform, TPathStyle style);

  TPathStyle Style() const { return Style_; }
  const TPlatform& Platform() const { return Platform_; }

  std::string IncludeTrailingSeparator(std::string_view path) const {
    return kv::IncludeTrailingSeparator(path, Style_);
  }
  std::string ExcludeTrailingSeparator(std::string_view path) const {
    return kv::ExcludeTrailingSeparator(path, Style_);
  }

  double FileTimeToLocalDateTime(FileTime time) const;
  TItemInfo ItemInfoFromSearchRec(const TDirEntry& entry) const;
  // Fills info when the path is found; leaves it as it was otherwise.
  void ItemInfoFromPath(std::string_view path, TItemInfo& info) const;

  int64_t GetDriveClusterSize(const std::string& root) const;
  // UI thread only. A path in the other platform's style (from a result file)
  // names no drive of this machine: its cluster size is unknown.
  int64_t GetClusterSize(std::string_view path) { return GetClusterSize(path, Style_); }
  int64_t GetClusterSize(std::string_view path, TPathStyle style);
  int64_t GetAllocatedSize(std::string_view path, int64_t size) { return GetAllocatedSize(path, size, Style_); }
  int64_t GetAllocatedSize(std::string_view path, int64_t size, TPathStyle style);
  int64_t GetDriveSpace(const std::string& root, bool free) const;

  // Owner look-ups may come from several threads at once.
  std::string SidToString(const TSid& sid) const;
  TOwnerDomain LookupOwnerDomain(const TSid& sid);
  bool GetOwnerParts(std::string_view path, std::string& domain, std::string& user);
  std::string GetFileOwner(std::string_view path);
  // The owner text of an owner already known (from the listing).
  std::string OwnerText(const TSid& sid);

  // The cache contents, for inspection.
  std::vector<TClasterSizeItem> ClusterSizes() const { return ClusterSizes_; }
  size_t OwnerCacheSize() const;

  static constexpr const char* UnknownOwner = "unknown\\unknown";

 private:
  std::string DriveRootOf(std::string_view path) const;
  // The path without its trailing separator, as the system is asked about it.
  std::string QueryPath(std::string_view path) const;

  TPlatform Platform_;
  TPathStyle Style_;

  std::vector<TClasterSizeItem> ClusterSizes_;
  // The folder of the last cluster-size question: files of one folder follow
  // each other, so most questions skip the root computation.
  std::string LastFolder_;
  int64_t LastClusterSize_ = 0;
  bool HaveLast_ = false;

  mutable std::shared_mutex OwnersLock_;
  std::unordered_map<std::string, TOwnerDomain> Owners_;
};

}  // namespace kv
