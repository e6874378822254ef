// The settings file's text as QSettings' INI reader splits it, so that a save
// can change single values and leave every other byte as it stands: comments,
// a byte-order mark, the order and spelling of the lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv::ini {

inline constexpr std::string_view Bom = "\xEF\xBB\xBF";

// A section header, a key with its value, or a line QSettings cannot use.
// Offsets count from after a byte-order mark.
struct TEntry {
  size_t Start = 0;
  size_t End = 0;                           // at the line end, a ';' comment or the end of the text
  size_t Equals = std::string_view::npos;  // the first '=' outside quotes
};

struct TLayout {
  std::vector<TEntry> Entries;
  // Where each comment starts: a ';' or '#' that begins an entry, up to the line end.
  std::vector<size_t> Comments;
  // The last entry never closes: the text ends inside quotes or after a lone
  // backslash, so text added after it would become part of it.
  bool OpenEnd = false;
};

// The text without its byte-order mark.
TLayout Scan(std::string_view text);

// UTF-8 without control characters, whose every entry is a section header or
// a key, and whose unclosed last entry, if any, is a key under a header, so
// that a save has a place for a new line before it.
bool IsSound(std::string_view bytes);

// The copy QSettings is given to read: without a byte-order mark, and with
// '#' comments turned into ';' ones (QSettings would take a '#' line with an
// '=' for a key, and a quote in it would swallow the lines after it).
std::string ForQSettings(std::string_view bytes);

// A name and a text value spelled as QSettings writes them.
std::string EscapedKey(std::string_view name);
std::string EscapedString(std::string_view value);

// The sound file `bytes` with `name` set to the already escaped `value` in
// `section` (every line holding it, or a new line at the end of the section,
// or a new section at the end) and taken out of `otherSection`. Nothing goes
// after an unclosed last entry.
std::string WithValue(std::string_view bytes, std::string_view section, std::string_view otherSection,
                      std::string_view name, std::string_view value);

}  // namespace kv::ini
