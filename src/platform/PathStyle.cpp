#include "platform/PathStyle.h"

namespace kv {

TPathStyle NativePathStyle() {
#ifdef _WIN32
  return TPathStyle::Windows;
#else
  return TPathStyle::Posix;
#endif
}

TPathStyle PathStyleOf(std::string_view path, TPathStyle fallback) {
  if (!path.empty() && path[0] == '/') return TPathStyle::Posix;
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive || path.starts_with("\\\\")) return TPathStyle::Windows;
  return fallback;
}

std::vector<std::string> SplitPath(std::string_view path, TPathStyle style) {
  std::vector<std::string> result;
  const char sep = PathSeparator(style);
  std::string current;
  size_t start = 0;
  if (style == TPathStyle::Windows) {
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
      current = "\\\\";
      start = 2;
    }
  } else if (!path.empty() && path[0] == '/') {
    result.emplace_back("/");
    start = 1;
  }
  for (size_t i = start; i < path.size(); ++i) {
    if (path[i] == sep) {
      result.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(path[i]);
    }
  }
  if (!current.empty()) result.push_back(std::move(current));
  return result;
}

void AppendComponent(std::string& path, std::string_view name, TPathStyle style) {
  const char sep = PathSeparator(style);
  path.append(name);
  if (name.empty() || name.back() != sep || style == TPathStyle::Windows) path.push_back(sep);
}

std::string JoinPath(const std::vector<std::string>& components, int n, TPathStyle style) {
  std::string result;
  for (int i = 0; i <= n && i < static_cast<int>(components.size()); ++i)
    AppendComponent(result, components[static_cast<size_t>(i)], style);
  return result;
}

namespace {

std::string_view Trimmed(std::string_view text, TPathStyle style) {
  if (style != TPathStyle::Windows) return text;
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

}  // namespace

std::string IncludeTrailingSeparator(std::string_view path, TPathStyle style) {
  std::string result(Trimmed(path, style));
  if (!result.empty() && result.back() != PathSeparator(style)) result.push_back(PathSeparator(style));
  return result;
}

std::string ExcludeTrailingSeparator(std::string_view path, TPathStyle style) {
  std::string result(Trimmed(path, style));
  if (!result.empty() && result.back() == PathSeparator(style)) result.pop_back();
  return result;
}

size_t FolderPartLength(std::string_view fullPath, TPathStyle style) {
  const size_t pos = style == TPathStyle::Windows ? fullPath.find_last_of("\\:")
                                                  : fullPath.find_last_of('/');
  return pos == std::string_view::npos ? 0 : pos + 1;
}

std::string WindowsDriveRoot(std::string_view path) {
  std::string_view drive;
  if (path.size() >= 2 && path[1] == ':') {
    drive = path.substr(0, 2);
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t count = 0, end = path.size();
    for (size_t i = 0; i < path.size(); ++i) {
      if (path[i] == '\\' && ++count == 4) {
        end = i;
        break;
      }
    }
    drive = path.substr(0, end);
  }
  return IncludeTrailingSeparator(drive, TPathStyle::Windows);
}

}  // namespace kv
