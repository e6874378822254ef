// Path rules of the two platforms. Windows paths begin with a drive ("C:") or a
// server ("\\server") and use backslashes; POSIX paths begin with "/".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class TPathStyle { Windows, Posix };

constexpr char PathSeparator(TPathStyle style) {
  return style == TPathStyle::Windows ? '\\' : '/';
}

// The native style of the platform the program was built for.
TPathStyle NativePathStyle();

// The style a path is written in, told by its first component: "/" is POSIX,
// a drive ("C:") or a server ("\\server") is Windows; anything else gets the
// fallback. A tree can hold both: a result file keeps the style it was written in.
TPathStyle PathStyleOf(std::string_view path, TPathStyle fallback);

// Splits a path into its components. Windows: "\\server\share\docs" gives
// "\\server", "share", "docs"; POSIX: "/home/bob" gives "/", "home", "bob".
// A trailing separator adds no empty last component; a doubled one in the
// middle gives an empty component.
std::vector<std::string> SplitPath(std::string_view path, TPathStyle style);

// Appends a component and a separator to a path being built; a component that
// already ends in the separator ("/") gets none.
void AppendComponent(std::string& path, std::string_view name, TPathStyle style);

// Components 0..n, each followed by the separator; empty for n below 0.
std::string JoinPath(const std::vector<std::string>& components, int n, TPathStyle style);

// Windows style trims blanks and control characters first; POSIX names may
// begin or end with blanks, so POSIX style keeps the text as it is.
std::string IncludeTrailingSeparator(std::string_view path, TPathStyle style);
std::string ExcludeTrailingSeparator(std::string_view path, TPathStyle style);

// Length of the folder part of a full path: up to and including the last
// separator (or, for Windows, the last colon); 0 when there is none.
size_t FolderPartLength(std::string_view fullPath, TPathStyle style);

// Windows drive part: "C:" or "\\server\share" with a trailing backslash, or
// empty when the path has neither.
std::string WindowsDriveRoot(std::string_view path);

}  // namespace kv
