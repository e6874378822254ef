// A fresh, empty folder under the system's temporary folder, unique across the
// test processes that ctest runs side by side.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace kv::test {

inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::random_device random;
  std::filesystem::path path;
  do {
    path = std::filesystem::temp_directory_path() /
           (prefix + "-" + std::to_string(random()) + "-" + std::to_string(random()));
  } while (!std::filesystem::create_directories(path));
  return path;
}

}  // namespace kv::test
