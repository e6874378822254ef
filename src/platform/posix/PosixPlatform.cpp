#include "platform/posix/PosixPlatform.h"

#include <unistd.h>

#include <vector>

namespace kv {

TPlatform CreateNativePlatform() {
  TPlatform platform;
  platform.FileSystem = std::make_shared<TPosixFileSystem>();
  platform.Security = std::make_shared<TPosixSecurity>();
  platform.Locale = std::make_shared<TIcuLocale>(TIcuLocale::EnvironmentLocaleId());
  return platform;
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return "./";
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(n));
      return path.substr(0, path.find_last_of('/') + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFileAt(const std::string& path) { return std::remove(path.c_str()) == 0; }

std::string ToAnsiCodePage(std::string_view utf8) { return std::string(utf8); }
std::string FromAnsiCodePage(std::string_view bytes) { return std::string(bytes); }

}  // namespace kv
