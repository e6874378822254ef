#include "settings/IniText.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <tuple>

namespace kv::ini {

namespace {

constexpr size_t None = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// QByteArrayView::trimmed: ASCII white space.
std::string_view Trimmed(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view WithoutBom(std::string_view bytes) {
  return bytes.starts_with(Bom) ? bytes.substr(Bom.size()) : bytes;
}

// The key as QSettings reads it: '\' stands for '/', %XX and %UXXXX for
// characters.
QString UnescapedKey(std::string_view key) {
  const QString decoded = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
  QString result;
  const qsizetype size = decoded.size();
  qsizetype i = 0;
  while (i < size) {
    const QChar ch = decoded.at(i);
    if (ch == u'\\') {
      result += u'/';
      ++i;
      continue;
    }
    if (ch != u'%' || i == size - 1) {
      result += ch;
      ++i;
      continue;
    }
    qsizetype first = i + 1;
    qsizetype digits = 2;
    if (decoded.at(first) == u'U') {
      ++first;
      digits = 4;
    }
    bool ok = false;
    const ushort code = first + digits <= size ? QStringView(decoded).sliced(first, digits).toUShort(&ok, 16) : 0;
    if (!ok) {
      result += u'%';
      ++i;
      continue;
    }
    result += QChar(code);
    i = first + digits;
  }
  return result;
}

// "section/" as QSettings names the keys under a header, "" for [General].
QString SectionPrefix(std::string_view header) {
  const size_t close = header.find(']');
  const std::string_view name = Trimmed(header.substr(1, close == None ? None : close - 1));
  const QByteArray raw(name.data(), static_cast<qsizetype>(name.size()));
  if (raw.compare("general", Qt::CaseInsensitive) == 0) return {};
  if (raw.compare("%general", Qt::CaseInsensitive) == 0) return QString::fromLatin1(raw.mid(1)) + u'/';
  return UnescapedKey(name) + u'/';
}

// Just past the line end after `pos`, or the end of the text.
size_t PastLineEnd(std::string_view text, size_t pos) {
  const size_t end = text.find_first_of("\r\n", pos);
  if (end == None) return text.size();
  return end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
}

std::string_view LineEndOf(std::string_view text) {
  const size_t end = text.find_first_of("\r\n");
  if (end == None) return "\n";
  return text.substr(end).starts_with("\r\n") ? text.substr(end, 2) : text.substr(end, 1);
}

char HexDigit(unsigned value, bool upper) { return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 15]; }

// QByteArray::number(c, 16): lower case, no leading zeros.
std::string LowerHex(unsigned char c) {
  std::string hex;
  if (c >= 16) hex += HexDigit(c >> 4, false);
  hex += HexDigit(c, false);
  return hex;
}

}  // namespace

// QSettings' reader, with '#' first in an entry starting a comment as ';' does.
TLayout Scan(std::string_view text) {
  TLayout layout;
  const size_t n = text.size();
  size_t pos = 0;
  for (;;) {
    size_t start = pos;
    while (start < n && IsBlank(text[start])) ++start;
    while (start < n && (text[start] == ';' || text[start] == '#')) {
      layout.Comments.push_back(start);
      start = std::min(text.find_first_of("\r\n", start), n);
      while (start < n && IsBlank(text[start])) ++start;
    }
    if (start >= n) break;
    TEntry entry{start, n, None};
    bool quoted = false;
    bool dangling = false;  // a backslash at the very end escapes what comes after
    size_t i = start;
    while (i < n) {
      const char ch = text[i++];
      if (ch == '=') {
        if (!quoted && entry.Equals == None) entry.Equals = i - 1;
      } else if (ch == '\n' || ch == '\r' || ch == ';') {
        if (!quoted) {
          entry.End = i - 1;
          break;
        }
      } else if (ch == '\\') {
        if (i == n) {
          dangling = true;
        } else {
          const char next = text[i++];
          // A CR LF or LF CR pair counts as one escaped line end.
          if (i < n && ((next == '\n' && text[i] == '\r') || (next == '\r' && text[i] == '\n'))) ++i;
        }
      } else if (ch == '"') {
        quoted = !quoted;
      }
    }
    layout.OpenEnd = entry.End == n && (quoted || dangling);
    layout.Entries.push_back(entry);
    pos = entry.End;
  }
  return layout;
}

bool IsSound(std::string_view bytes) {
  const std::string_view text = WithoutBom(bytes);
  const QByteArray raw(text.data(), static_cast<qsizetype>(text.size()));
  if (QString::fromUtf8(raw).toUtf8() != raw) return false;  // not UTF-8
  const auto control = [](char c) { return static_cast<unsigned char>(c) < ' ' && c != '\t' && c != '\r' && c != '\n'; };
  if (std::any_of(text.begin(), text.end(), control)) return false;
  const TLayout layout = Scan(text);
  const auto isHeader = [&](const TEntry& entry) { return text[entry.Start] == '['; };
  const bool entriesSound = std::all_of(layout.Entries.begin(), layout.Entries.end(), [&](const TEntry& entry) {
    return isHeader(entry) ? text.substr(entry.Start, entry.End - entry.Start).find(']') != None
                           : entry.Equals != None;
  });
  if (!entriesSound || !layout.OpenEnd) return entriesSound;
  return !isHeader(layout.Entries.back()) && std::any_of(layout.Entries.begin(), layout.Entries.end(), isHeader);
}

std::string ForQSettings(std::string_view bytes) {
  std::string text(WithoutBom(bytes));
  for (const size_t comment : Scan(text).Comments) text[comment] = ';';
  return text;
}

std::string EscapedKey(std::string_view name) {
  std::string result;
  for (const QChar qch : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))) {
    const unsigned ch = qch.unicode();
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                       ch == '_' || ch == '-' || ch == '.';
    if (ch == '/') {
      result += '\\';
    } else if (plain) {
      result += static_cast<char>(ch);
    } else if (ch <= 0xFF) {
      result += {'%', HexDigit(ch >> 4, true), HexDigit(ch, true)};
    } else {
      result += {'%', 'U', HexDigit(ch >> 12, true), HexDigit(ch >> 8, true), HexDigit(ch >> 4, true),
                 HexDigit(ch, true)};
    }
  }
  return result;
}

std::string EscapedString(std::string_view value) {
  // As UTF-8 that QString gives back, with the '@' that marks QSettings' own
  // types doubled.
  const QByteArray utf8 = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())).toUtf8();
  const std::string text = (utf8.startsWith('@') ? "@" : "") + utf8.toStdString();
  std::string result;
  bool needsQuotes = false;
  bool escapeNextIfDigit = false;  // after \x.., a hex digit would join the number
  for (const char c : text) {
    const auto ch = static_cast<unsigned char>(c);
    if (ch == ';' || ch == ',' || ch == '=') needsQuotes = true;
    const bool hexDigit = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
    if (escapeNextIfDigit && hexDigit) {
      result += "\\x" + LowerHex(ch);
      continue;
    }
    escapeNextIfDigit = false;
    switch (ch) {
      case '\0': result += "\\0"; escapeNextIfDigit = true; break;
      case '\a': result += "\\a"; break;
      case '\b': result += "\\b"; break;
      case '\f': result += "\\f"; break;
      case '\n': result += "\\n"; break;
      case '\r': result += "\\r"; break;
      case '\t': result += "\\t"; break;
      case '\v': result += "\\v"; break;
      case '"':
      case '\\': result += {'\\', c}; break;
      default:
        if (ch <= 0x1F) {
          result += "\\x" + LowerHex(ch);
          escapeNextIfDigit = true;
        } else {
          result += c;
        }
    }
  }
  if (needsQuotes || (!result.empty() && (result.front() == ' ' || result.back() == ' '))) result = '"' + result + '"';
  return result;
}

std::string WithValue(std::string_view bytes, std::string_view section, std::string_view otherSection,
                      std::string_view name, std::string_view value) {
  const std::string_view bom = bytes.starts_with(Bom) ? Bom : std::string_view();
  std::string text(bytes.substr(bom.size()));
  const QString ownPrefix = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + u'/';
  const QString otherPrefix =
      QString::fromUtf8(otherSection.data(), static_cast<qsizetype>(otherSection.size())) + u'/';
  const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));

  // Edits as (where, how many bytes go, what comes), made from the back so
  // that the offsets before each one stay true.
  std::vector<std::tuple<size_t, size_t, std::string>> edits;
  const TLayout layout = Scan(text);
  const auto lineStart = [&](size_t pos) {
    const size_t lineEnd = text.find_last_of("\r\n", pos);
    return lineEnd == None ? 0 : lineEnd + 1;
  };
  // An unclosed last entry keeps its place at the end: new lines go before
  // it, new sections before its section.
  const TEntry* open = layout.OpenEnd ? &layout.Entries.back() : nullptr;
  size_t lastHeader = None;
  bool found = false;
  size_t addAt = None;  // a line start, or past the end of the last entry under the last own header
  QString prefix;
  for (const TEntry& entry : layout.Entries) {
    const std::string_view body = std::string_view(text).substr(entry.Start, entry.End - entry.Start);
    if (body.starts_with('[')) {
      prefix = SectionPrefix(body);
      lastHeader = entry.Start;
      if (prefix == ownPrefix) addAt = PastLineEnd(text, entry.End);
      continue;
    }
    if (prefix == ownPrefix) addAt = &entry == open ? lineStart(entry.Start) : PastLineEnd(text, entry.End);
    if (entry.Equals == None) continue;
    const QString fullKey = prefix + UnescapedKey(Trimmed(body.substr(0, entry.Equals - entry.Start)));
    if (fullKey == ownPrefix + key) {
      // The value between the blanks around it: the rest of the line stays.
      size_t from = entry.Equals + 1;
      size_t to = entry.End;
      while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
      while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
      edits.emplace_back(from, to - from, std::string(value));
      found = true;
    } else if (fullKey == otherPrefix + key) {
      const size_t from = lineStart(entry.Start);
      edits.emplace_back(from, PastLineEnd(text, entry.End) - from, std::string());
    }
  }

  const std::string eol(LineEndOf(text));
  const std::string line = EscapedKey(name) + "=" + std::string(value);
  const auto endsLine = [&](size_t at) { return at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r'; };
  if (!found && addAt != None) {
    edits.emplace_back(addAt, 0, (endsLine(addAt) ? "" : eol) + line + eol);
  } else if (!found && open && lastHeader != None) {
    const std::string header = "[" + EscapedKey(section) + "]";
    edits.emplace_back(lineStart(lastHeader), 0, header + eol + line + eol + eol);
  } else if (!found) {
    std::string added;
    if (!endsLine(text.size())) added += eol;
    if (!text.empty()) added += eol;  // a blank line before a section, as QSettings writes it
    added += "[" + EscapedKey(section) + "]" + eol + line + eol;
    edits.emplace_back(text.size(), 0, added);
  }
  // From the back; where a removal and an addition meet, the removal first.
  std::sort(edits.begin(), edits.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) > std::tie(std::get<0>(b), std::get<1>(b));
  });
  for (const auto& [at, length, replacement] : edits) text.replace(at, length, replacement);
  return std::string(bom) + text;
}

}  // namespace kv::ini
