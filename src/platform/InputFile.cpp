#include "platform/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace kv {

TInputText ReadInputFile(const std::string& path, uint64_t limit) {
  TInputText result;
  errno = 0;
  const TInputFile input = OpenInputFile(path);
  if (!input.File) {
    result.Fault = input.NotRegular ? TInputFault::NotRegular : TInputFault::CannotOpen;
    result.Error = errno;
    return result;
  }
  if (input.Size > limit) {
    std::fclose(input.File);
    result.Fault = TInputFault::TooLarge;
    return result;
  }
  // Read up to one byte past the limit whatever the size said: the file may grow.
  char buffer[16384];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, input.File);
    result.Bytes.append(buffer, got);
    if (result.Bytes.size() > limit) {
      result.Fault = TInputFault::TooLarge;
      break;
    }
    if (got < sizeof buffer) {
      if (std::ferror(input.File)) {
        result.Fault = TInputFault::ReadError;
        result.Error = errno;
      }
      break;
    }
  }
  std::fclose(input.File);
  if (result.Fault != TInputFault::None) result.Bytes.clear();
  return result;
}

std::string InputFaultText(TInputFault fault, const std::string& path, int error) {
  const std::string name = "\"" + path + "\"";
  switch (fault) {
    case TInputFault::None: break;
    case TInputFault::CannotOpen: return "Cannot open file " + name + ": " + std::strerror(error != 0 ? error : EIO);
    case TInputFault::NotRegular: return name + " is not a regular file and is not read";
    case TInputFault::TooLarge: return name + " is too large to be read";
    case TInputFault::ReadError: return "Read error in " + name + ": " + std::strerror(error != 0 ? error : EIO);
  }
  return {};
}

}  // namespace kv
