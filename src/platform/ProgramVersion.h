// The one version number of the program: CMake's project version, set on the
// platform library so every layer and both programs see the same text.
#pragma once

#include <string_view>

#ifndef KESTROVE_VERSION
#error "KESTROVE_VERSION comes from the build (project version in CMakeLists.txt)"
#endif

namespace kv {

inline constexpr std::string_view ProgramVersion = KESTROVE_VERSION;

}  // namespace kv
