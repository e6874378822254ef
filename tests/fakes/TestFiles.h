// Paths and files as the tests handle them: paths as the UTF-8 texts the
// program takes, whole files read or written in one call.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kv::test {

// A path as the UTF-8 text the program's own functions take.
inline std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The path a UTF-8 text names (a plain std::string would be read in the
// system's narrow encoding).
inline std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates or replaces the file with exactly these bytes.
inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A file of the given size; what it holds does not matter.
inline void WriteFile(const std::filesystem::path& path, size_t size) { WriteAll(path, std::string(size, 'x')); }

}  // namespace kv::test
