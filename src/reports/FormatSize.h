// The one text form of a byte count: in the chosen unit, cut (never rounded)
// to two decimals, integer digits grouped by three with a plain space.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/NodeData.h"

namespace kv {

class ILocale;

// Each unit is 1024 times the one before it.
enum class TSizeUnit { B = 0, KB = 1, MB = 2, GB = 3 };

// How sizes are read and shown: which of the two sizes, in which unit, with
// which locale's decimal separator. The window and the command line each hold
// one and hand it down; nothing else decides it. The locale is not owned and
// must be set before any size is written.
struct TSizeFormat {
  TSizeType Type = TSizeType::FileSize;
  TSizeUnit Unit = TSizeUnit::MB;
  const ILocale* Locale = nullptr;
};

// " B", " KB", " MB" or " GB".
std::string_view SizeUnitSuffix(TSizeUnit unit);

// The locale's decimal separator as UTF-8 text.
std::string DecimalSeparatorText(const ILocale& locale);

std::string FormatSize(int64_t size, TSizeUnit unit, const ILocale& locale);
// In the format's unit with its locale's decimal separator.
std::string FormatSize(int64_t size, const TSizeFormat& format);
// Appends the text to out; for callers formatting many sizes with one
// separator (already UTF-8).
void AppendFormattedSize(std::string& out, int64_t size, TSizeUnit unit, std::string_view decimalSeparator);
// The same text by way of extended-precision arithmetic, for every size;
// AppendFormattedSize takes an integer shortcut for sizes below 2^57 bytes.
void AppendFormattedSizeExtended(std::string& out, int64_t size, TSizeUnit unit, std::string_view decimalSeparator);

// The shortest text of a number with at most 15 significant digits: no
// trailing zeros, no grouping, the given decimal separator ("111,79", "500").
std::string ShortestDecimalText(double value, std::string_view decimalSeparator);

}  // namespace kv
