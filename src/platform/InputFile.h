// Files the program reads from outside: only regular files, each kind with a
// size limit, so a FIFO, a device or a kernel file never hangs a read or
// grows memory without bound.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// Far above anything written for a tree that fits in memory.
inline constexpr uint64_t ResultFileLimit = uint64_t{64} << 30;
// The shipped language files are a few kilobytes.
inline constexpr uint64_t LanguageFileLimit = uint64_t{4} << 20;
// Settings hold options and mask histories: kilobytes.
inline constexpr uint64_t SettingsFileLimit = uint64_t{8} << 20;

enum class TInputFault { None, CannotOpen, NotRegular, TooLarge, ReadError };

struct TInputText {
  TInputFault Fault = TInputFault::None;
  int Error = 0;  // errno of CannotOpen and ReadError
  std::string Bytes;
};

// The whole file, or why not.
TInputText ReadInputFile(const std::string& path, uint64_t limit);

// One line in English naming the file, for the command line and the logs.
std::string InputFaultText(TInputFault fault, const std::string& path, int error);

}  // namespace kv
