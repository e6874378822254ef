// The mask parser and matcher: the first line is a ";"-separated mask list,
// the rest a name tested against it.
#include <string_view>

#include "platform/posix/PosixPlatform.h"
#include "scan/ItemFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kv::TIcuLocale locale("");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string_view list = input.substr(0, newline);
  const std::string_view name = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  try {
    const kv::TMaskList masks(list, locale);
    (void)masks.Matches(name);
    (void)masks.Matches(list);
  } catch (const kv::EMaskError&) {
  }
  return 0;
}
