#include "platform/posix/PosixPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
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

void SetBinaryStandardOutput() {}
void SetBinaryStandardInput() {}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

namespace {

// Files of kernel file systems claim a size of 0 or 4096 whatever they hold,
// and some never end: none of them is a file the program wrote.
bool OnKernelFileSystem(int fd) {
  static const long kernel[] = {
      0x9fa0,      // proc
      0x62656572,  // sysfs
      0x64626720,  // debugfs
      0x74726163,  // tracefs
      0x73636673,  // securityfs
      0x27e0eb,    // cgroup
      0x63677270,  // cgroup2
      0x6165676c,  // pstore
      0xcafe4a11,  // bpf
      0x62656570,  // configfs
      0xde5e81e4,  // efivarfs
      0xf97cff8c,  // selinuxfs
      0x42494e4d,  // binfmt_misc
      0x65735543,  // fusectl
  };
  struct statfs fs;
  if (fstatfs(fd, &fs) != 0) return false;
  return std::find(std::begin(kernel), std::end(kernel), static_cast<long>(fs.f_type)) != std::end(kernel);
}

}  // namespace

TInputFile OpenInputFile(const std::string& path) {
  TInputFile result;
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return result;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return result;
  }
  if (!S_ISREG(st.st_mode) || OnKernelFileSystem(fd)) {
    close(fd);
    result.NotRegular = true;
    return result;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  result.File = fdopen(fd, "rb");
  if (!result.File) {
    const int error = errno;
    close(fd);
    errno = error;
    return result;
  }
  result.Size = static_cast<uint64_t>(st.st_size);
  return result;
}

bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFileAt(const std::string& path) { return std::remove(path.c_str()) == 0; }

std::string ToAnsiCodePage(std::string_view utf8) { return std::string(utf8); }
std::string FromAnsiCodePage(std::string_view bytes) { return std::string(bytes); }
bool FitsAnsiCodePage(std::string_view) { return true; }
std::string AnsiCodePageCharset() { return "utf-8"; }
bool RunsUnderWine() { return false; }

}  // namespace kv
