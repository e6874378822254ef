// Platform answers without touching the disk, so benchmarks measure only the
// program's own work.
#pragma once

#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace kv::bench {

class SyntheticFileSystem final : public IFileSystem {
 public:
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string&, std::string* = nullptr) override {
    return nullptr;
  }
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

// A file name of 4 to maxLength letters, digits, "_", "-" or blanks, then one of
// the extensions (fixed seeds make the same names every run).
inline std::string RandomName(std::mt19937& rng, int maxLength, std::span<const char* const> extensions) {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_- ";
  std::uniform_int_distribution<int> length(4, maxLength), letter(0, sizeof letters - 2),
      ext(0, static_cast<int>(extensions.size()) - 1);
  std::string name;
  const int n = length(rng);
  for (int i = 0; i < n; ++i) name.push_back(letters[letter(rng)]);
  return name + extensions[static_cast<size_t>(ext(rng))];
}

}  // namespace kv::bench
