// Platform answers without touching the disk, so benchmarks measure only the
// program's own work.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace kv::bench {

class SyntheticFileSystem final : public IFileSystem {
 public:
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string&) override { return nullptr; }
  bool QueryEntry(const std::string&, TDirEntry&) override { return false; }
  TLocalTime FileTimeToLocal(FileTime) override { return {2024, 1, 1, 0, 0, 0, 0}; }
  bool DiskClusterSize(const std::string&, int64_t& size) override {
    size = 4096;
    return true;
  }
  bool DiskSpace(const std::string&, int64_t&, int64_t&) override { return false; }
  std::vector<TDriveInfo> ListDrives() override { return {}; }
  std::string MountRootOf(const std::string&) override { return "/"; }
};

class SyntheticSecurity final : public ISecurity {
 public:
  bool GetOwnerSid(const std::string&, TSid& sid) override {
    sid.Bytes = "u1";
    return true;
  }
  bool SidToString(const TSid& sid, std::string& text) override {
    text = sid.Bytes;
    return true;
  }
  bool AccountOfSid(const TSid&, std::string& user, std::string& domain) override {
    user = "builder";
    domain = "benchhost";
    return true;
  }
};

}  // namespace kv::bench
