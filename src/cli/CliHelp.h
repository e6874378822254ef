#pragma once

namespace kv {

// What --help prints.
extern const char* const HelpText;

}  // namespace kv
