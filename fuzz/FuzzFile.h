// The readers take file names: each input goes to a file of this process's own.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kv::fuzz {

// Under $KESTROVE_FUZZ_SCRATCH (scripts/fuzz.sh sets it and clears it after
// each clean run), else in /dev/shm.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path dir = [] {
    const char* scratch = std::getenv("KESTROVE_FUZZ_SCRATCH");
    std::filesystem::path base = scratch && *scratch ? std::filesystem::path(scratch) : std::filesystem::path("/dev/shm");
    base /= "kestrove-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(base);
    return base;
  }();
  return dir;
}

inline std::string ScratchPath(const std::string& name) { return (ScratchFolder() / name).string(); }

inline void WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

}  // namespace kv::fuzz
