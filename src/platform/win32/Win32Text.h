// UTF-8 inside the program, UTF-16 at the Win32 wide API.
#pragma once

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

namespace kv {

inline std::wstring Widen(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring result(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), needed);
  return result;
}

inline std::string Narrow(const wchar_t* text, size_t size) {
  if (size == 0 || size > static_cast<size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(size);
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string result(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), needed, nullptr, nullptr);
  return result;
}

inline std::string Narrow(const std::wstring& text) { return Narrow(text.data(), text.size()); }
inline std::string Narrow(const wchar_t* text) { return Narrow(text, wcslen(text)); }

}  // namespace kv
