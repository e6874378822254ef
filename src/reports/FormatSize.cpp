#include "reports/FormatSize.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

#include "platform/Platform.h"

namespace kv {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// At most 15 significant digits, '.' as separator, no trailing zeros.
std::to_chars_result General15(char (&digits)[64], long double x) {
  return std::to_chars(digits, digits + sizeof digits, x, std::chars_format::general, 15);
}

}  // namespace

std::string_view SizeUnitSuffix(TSizeUnit unit) {
  switch (unit) {
    case TSizeUnit::B: return " B";
    case TSizeUnit::KB: return " KB";
    case TSizeUnit::MB: return " MB";
    case TSizeUnit::GB: return " GB";
  }
  return " B";
}

std::string DecimalSeparatorText(const ILocale& locale) {
  const char32_t c = locale.DecimalSeparator();
  // A broken locale answer must not produce invalid UTF-8.
  if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return ".";
  std::string text;
  AppendUtf8(text, c);
  return text;
}

namespace {

// "1 234 567": a space before every third digit counted from the end, none in front.
void AppendGrouped(std::string& out, std::string_view whole) {
  const size_t n = whole.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(' ');
    out.push_back(whole[i]);
  }
}

}  // namespace

void AppendFormattedSize(std::string& out, int64_t size, TSizeUnit unit, std::string_view decimalSeparator) {
  // Most sizes in whole hundredths of the unit, cut: integer arithmetic gives
  // the very digits of the general path below in a small part of its time (whole
  // reports of millions of rows are written with this). Below 2^57 bytes
  // times 100 fits 64 bits, and so the general path's product is exact too.
  const uint64_t magnitude = size < 0 ? 0 - static_cast<uint64_t>(size) : static_cast<uint64_t>(size);
  if (magnitude < (uint64_t{1} << 57)) {
    const uint64_t hundredths = (magnitude * 100) >> (10 * static_cast<int>(unit));
    if (hundredths < 1'000'000'000'000'000) {  // at most 15 significant digits
      char digits[24];
      const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, hundredths / 100);
      if (size < 0 && hundredths > 0) out.push_back('-');
      AppendGrouped(out, std::string_view(digits, static_cast<size_t>(r.ptr - digits)));
      out.append(decimalSeparator);
      out.push_back(static_cast<char>('0' + hundredths % 100 / 10));
      out.push_back(static_cast<char>('0' + hundredths % 10));
      out.append(SizeUnitSuffix(unit));
      return;
    }
  }
  AppendFormattedSizeExtended(out, size, unit, decimalSeparator);
}

void AppendFormattedSizeExtended(std::string& out, int64_t size, TSizeUnit unit, std::string_view decimalSeparator) {
  // Extended precision where the compiler has it; divisions by 1024 are exact.
  long double x = static_cast<long double>(size);
  for (int i = 0; i < static_cast<int>(unit); ++i) x /= 1024.0L;
  x = std::trunc(x * 100.0L) / 100.0L;
  const bool negative = x < 0;
  x = std::fabs(x);  // also turns -0 into 0

  // Locale-independent digits with '.'; the locale's separator replaces it below.
  char digits[64];
  std::to_chars_result r = General15(digits, x);
  std::string_view text(digits, static_cast<size_t>(r.ptr - digits));
  if (r.ec != std::errc() || text.find('e') != std::string_view::npos) {
    // Beyond 15 significant digits: all integer digits and two decimals.
    r = std::to_chars(digits, digits + sizeof digits, x, std::chars_format::fixed, 2);
    text = std::string_view(digits, static_cast<size_t>(r.ptr - digits));
  }
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);

  if (negative) out.push_back('-');
  AppendGrouped(out, whole);
  out.append(decimalSeparator);
  for (size_t i = 0; i < 2; ++i) out.push_back(i < fraction.size() ? fraction[i] : '0');
  out.append(SizeUnitSuffix(unit));
}

std::string ShortestDecimalText(double value, std::string_view decimalSeparator) {
  if (value == 0) value = 0;  // no "-0"
  char digits[64];
  const std::to_chars_result r = General15(digits, value);
  if (r.ec != std::errc()) return {};
  const std::string_view text(digits, static_cast<size_t>(r.ptr - digits));
  std::string out;
  const size_t point = text.find('.');
  out.append(text.substr(0, point));
  if (point != std::string_view::npos) {
    out.append(decimalSeparator);
    out.append(text.substr(point + 1));
  }
  return out;
}

std::string FormatSize(int64_t size, TSizeUnit unit, const ILocale& locale) {
  std::string text;
  AppendFormattedSize(text, size, unit, DecimalSeparatorText(locale));
  return text;
}

std::string FormatSize(int64_t size, const TSizeFormat& format) {
  return FormatSize(size, format.Unit, *format.Locale);
}

}  // namespace kv
