// The readers take file names: each input goes to a file of this process's own.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kv::fuzz {

inline std::string ScratchPath(const std::string& name) {
  static const std::filesystem::path dir = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    base /= "kestrove-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(base);
    return base;
  }();
  return (dir / name).string();
}

inline void WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

}  // namespace kv::fuzz
