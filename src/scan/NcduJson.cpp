#include "scan/NcduJson.h"

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace kv {

void TNcduEntry::Clear() {
  Name.clear();
  ASize = DSize = 0;
  Dev = Ino = Uid = Gid = Mode = Mtime = NLink = 0;
  HasDev = HasIno = HasUid = HasGid = HasMode = HasMtime = false;
  HardLink = ReadError = NotRegular = HasItems = false;
  Excluded.clear();
}

bool LooksLikeNcduJson(const unsigned char* bytes, size_t n) {
  size_t i = 0;
  if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
  auto skip = [&] {
    while (i < n && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\n' || bytes[i] == '\r')) ++i;
  };
  skip();
  if (i >= n || bytes[i] != '[') return false;
  ++i;
  skip();
  return i < n && bytes[i] >= '0' && bytes[i] <= '9';
}

namespace {

constexpr size_t BufferSize = size_t{1} << 18;

class TParser {
 public:
  TParser(IByteSource& source, INcduSink& sink)
      : Source_(source), Sink_(sink), Buffer_(new unsigned char[BufferSize]) {}

  std::string Run();

 private:
  // -1 at the end of the stream.
  int Peek() {
    if (Begin_ == End_ && !Fill()) return -1;
    return Buffer_[Begin_];
  }
  int Next() {
    const int c = Peek();
    if (c >= 0) ++Begin_;
    return c;
  }
  bool Fill() {
    Offset_ += End_;
    Begin_ = End_ = 0;
    if (Eof_) return false;
    End_ = Source_.Read(Buffer_.get(), BufferSize);
    if (End_ == 0) Eof_ = true;
    return End_ > 0;
  }
  uint64_t At() const { return Offset_ + Begin_; }
  void Ws() {
    for (;;) {
      while (Begin_ < End_) {
        const unsigned char c = Buffer_[Begin_];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
        ++Begin_;
      }
      if (!Fill()) return;
    }
  }
  bool Fail(const std::string& reason) {
    if (Error_.empty()) {
      // A failing stream is the reason, not what the parser made of its end.
      Error_ = !Source_.Error().empty() ? Source_.Error() + " at byte " + std::to_string(At())
                                        : reason + " at byte " + std::to_string(At());
    }
    return false;
  }
  bool Expect(char wanted, const char* what) {
    Ws();
    const int c = Peek();
    if (c == wanted) {
      ++Begin_;
      return true;
    }
    return Fail(c < 0 ? std::string("the file ends where ") + what + " belongs"
                      : std::string("expected ") + what);
  }
  bool String(std::string* out);
  bool Number(uint64_t& value, bool& negative);
  bool Unsigned(uint64_t& value, const char* key);
  bool Size(int64_t& value, const char* key);
  bool Bool(bool& value);
  bool SkipValue();
  bool Info(TNcduEntry& entry);

  IByteSource& Source_;
  INcduSink& Sink_;
  std::unique_ptr<unsigned char[]> Buffer_;
  size_t Begin_ = 0, End_ = 0;
  uint64_t Offset_ = 0;
  bool Eof_ = false;
  std::string Error_;
  std::string Key_;
  TNcduEntry Entry_;
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool TParser::String(std::string* out) {
  if (!Expect('"', "a string")) return false;
  if (out) out->clear();
  size_t length = 0;
  auto hex4 = [this](uint32_t& cp) {
    cp = 0;
    for (int i = 0; i < 4; ++i) {
      const int c = Next();
      int digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else return Fail("a \\u escape without four hex digits");
      cp = cp << 4 | static_cast<uint32_t>(digit);
    }
    return true;
  };
  for (;;) {
    // Plain bytes in bulk: names are kept as the raw bytes the file holds.
    size_t run = Begin_;
    while (run < End_ && Buffer_[run] != '"' && Buffer_[run] != '\\') ++run;
    if (run > Begin_) {
      length += run - Begin_;
      if (length > NcduMaxString) return Fail("a string longer than " + std::to_string(NcduMaxString) + " bytes");
      if (out) out->append(reinterpret_cast<const char*>(Buffer_.get() + Begin_), run - Begin_);
      Begin_ = run;
    }
    const int c = Next();
    if (c < 0) return Fail("the file ends inside a string");
    if (c == '"') return true;
    if (c != '\\') continue;  // the buffer ran out mid-run
    const int e = Next();
    char plain = 0;
    switch (e) {
      case '"': plain = '"'; break;
      case '\\': plain = '\\'; break;
      case '/': plain = '/'; break;
      case 'b': plain = '\b'; break;
      case 'f': plain = '\f'; break;
      case 'n': plain = '\n'; break;
      case 'r': plain = '\r'; break;
      case 't': plain = '\t'; break;
      case 'u': {
        uint32_t cp;
        if (!hex4(cp)) return false;
        // A surrogate pair is one character; a lone half is kept as its own
        // three bytes, so the name stays what it was.
        if (cp >= 0xD800 && cp < 0xDC00 && Peek() == '\\') {
          ++Begin_;
          if (Next() != 'u') return Fail("a broken surrogate escape");
          uint32_t low;
          if (!hex4(low)) return false;
          if (low >= 0xDC00 && low < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else {
            if (out) AppendUtf8(*out, cp);
            cp = low;
          }
        }
        if (out) AppendUtf8(*out, cp);
        length += 4;
        if (length > NcduMaxString) return Fail("a string longer than " + std::to_string(NcduMaxString) + " bytes");
        continue;
      }
      default: return Fail(e < 0 ? "the file ends inside a string" : "an unknown escape in a string");
    }
    if (out) *out += plain;
    if (++length > NcduMaxString) return Fail("a string longer than " + std::to_string(NcduMaxString) + " bytes");
  }
}

bool TParser::Number(uint64_t& value, bool& negative) {
  Ws();
  value = 0;
  negative = false;
  if (Peek() == '-') {
    negative = true;
    ++Begin_;
  }
  int c = Peek();
  if (c < '0' || c > '9') return Fail("expected a number");
  bool overflow = false;
  while ((c = Peek()) >= '0' && c <= '9') {
    ++Begin_;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) overflow = true;
    value = value * 10 + digit;
  }
  // A fraction or exponent (a time written as a real) is read and dropped.
  bool exponent = false;
  if (Peek() == '.') {
    ++Begin_;
    while ((c = Peek()) >= '0' && c <= '9') ++Begin_;
  }
  if (Peek() == 'e' || Peek() == 'E') {
    exponent = true;
    ++Begin_;
    if (Peek() == '+' || Peek() == '-') ++Begin_;
    while ((c = Peek()) >= '0' && c <= '9') ++Begin_;
  }
  if (overflow || exponent) return Fail("a number too large to be meant");
  return true;
}

bool TParser::Unsigned(uint64_t& value, const char* key) {
  bool negative;
  if (!Number(value, negative)) return false;
  if (negative && value != 0) return Fail(std::string("a negative ") + key);
  return true;
}

bool TParser::Size(int64_t& value, const char* key) {
  uint64_t u;
  if (!Unsigned(u, key)) return false;
  if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    return Fail(std::string("a ") + key + " too large to be meant");
  value = static_cast<int64_t>(u);
  return true;
}

bool TParser::Bool(bool& value) {
  Ws();
  const char* word = Peek() == 't' ? "true" : Peek() == 'f' ? "false" : nullptr;
  if (!word) return Fail("expected true or false");
  for (const char* p = word; *p; ++p)
    if (Next() != *p) return Fail("expected true or false");
  value = word[0] == 't';
  return true;
}

// Any value, without recursion.
bool TParser::SkipValue() {
  std::vector<char> open;
  for (;;) {
    Ws();
    int c = Peek();
    if (c == '{' || c == '[') {
      if (open.size() >= NcduMaxDepth) return Fail("values nested too deeply");
      open.push_back(c == '{' ? '}' : ']');
      ++Begin_;
      Ws();
      if (Peek() == open.back()) {
        ++Begin_;
        open.pop_back();
      } else {
        if (open.back() == '}') {
          if (!String(nullptr) || !Expect(':', "':'")) return false;
        }
        continue;
      }
    } else if (c == '"') {
      if (!String(nullptr)) return false;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      ++Begin_;
      while ((c = Peek()) >= 0 && (std::strchr("0123456789.eE+-", c) != nullptr)) ++Begin_;
    } else if (c == 't' || c == 'f' || c == 'n') {
      const char* word = c == 't' ? "true" : c == 'f' ? "false" : "null";
      for (const char* p = word; *p; ++p)
        if (Next() != *p) return Fail("expected a value");
    } else {
      return Fail(c < 0 ? "the file ends where a value belongs" : "expected a value");
    }
    // After a value: the next element of its container, or the container's end.
    for (;;) {
      if (open.empty()) return true;
      Ws();
      c = Next();
      if (c == ',') {
        if (open.back() == '}') {
          if (!String(nullptr) || !Expect(':', "':'")) return false;
        }
        break;
      }
      if (c != open.back()) return Fail(c < 0 ? "the file ends inside a value" : "expected ',' or the end of a value");
      open.pop_back();
    }
  }
}

bool TParser::Info(TNcduEntry& entry) {
  entry.Clear();
  if (!Expect('{', "an entry's '{'")) return false;
  Ws();
  if (Peek() == '}') {
    ++Begin_;
    return true;
  }
  for (;;) {
    if (!String(&Key_) || !Expect(':', "':'")) return false;
    bool ok = true;
    const std::string& k = Key_;
    if (k == "name") ok = String(&entry.Name);
    else if (k == "asize") ok = Size(entry.ASize, "size");
    else if (k == "dsize") ok = Size(entry.DSize, "size");
    else if (k == "dev") ok = Unsigned(entry.Dev, "device"), entry.HasDev = true;
    else if (k == "ino") ok = Unsigned(entry.Ino, "inode"), entry.HasIno = true;
    else if (k == "uid") ok = Unsigned(entry.Uid, "uid"), entry.HasUid = true;
    else if (k == "gid") ok = Unsigned(entry.Gid, "gid"), entry.HasGid = true;
    else if (k == "mode") ok = Unsigned(entry.Mode, "mode"), entry.HasMode = true;
    else if (k == "mtime") ok = Unsigned(entry.Mtime, "time"), entry.HasMtime = true;
    else if (k == "nlink") {
      ok = Unsigned(entry.NLink, "link count");
      if (entry.NLink > 1) entry.HardLink = true;
    } else if (k == "hlnkc") {
      bool b = false;
      ok = Bool(b);
      entry.HardLink = entry.HardLink || b;
    } else if (k == "read_error") ok = Bool(entry.ReadError);
    else if (k == "notreg") ok = Bool(entry.NotRegular);
    else if (k == "excluded") ok = String(&entry.Excluded);
    else if (k == "items") {
      uint64_t items;
      ok = Unsigned(items, "item count");
      entry.HasItems = true;
    } else ok = SkipValue();
    if (!ok) return false;
    Ws();
    const int c = Next();
    if (c == '}') return true;
    if (c != ',') return Fail(c < 0 ? "the file ends inside an entry" : "expected ',' or '}' in an entry");
    Ws();
  }
}

std::string TParser::Run() {
  uint64_t major = 0, minor = 0;
  bool negative = false;
  Ws();
  if (Peek() == 0xEF) {  // a byte order mark
    Next();
    if (Next() != 0xBB || Next() != 0xBF) Fail("not an ncdu JSON file");
  }
  if (Error_.empty() && Expect('[', "'['") && Number(major, negative)) {
    if (major != 1 || negative) Fail("format version " + std::to_string(major) + " is not read");
  }
  if (Error_.empty() && Expect(',', "','") && Number(minor, negative) && Expect(',', "','")) {
    Ws();
    if (Peek() != '{') Fail("expected the metadata object");
    else if (SkipValue() && Expect(',', "','")) {
      Ws();
      if (Peek() != '[') Fail("the root entry is not a folder");
    }
  }
  size_t depth = 0;
  while (Error_.empty()) {
    // At an entry: a folder's array or a file's object.
    Ws();
    const int c = Peek();
    if (c == '[') {
      ++Begin_;
      if (depth >= NcduMaxDepth) {
        Fail("folders nested deeper than " + std::to_string(NcduMaxDepth) + " levels");
        break;
      }
      if (!Info(Entry_)) break;
      if (std::string refused = Sink_.Folder(Entry_); !refused.empty()) {
        Fail(refused);
        break;
      }
      ++depth;
    } else if (c == '{') {
      if (!Info(Entry_)) break;
      if (std::string refused = Sink_.File(Entry_); !refused.empty()) {
        Fail(refused);
        break;
      }
    } else {
      Fail(c < 0 ? "the file ends where an entry belongs" : "expected an entry");
      break;
    }
    // After an entry: the next one, or the end of folders.
    bool more = false;
    while (Error_.empty() && depth > 0) {
      Ws();
      const int d = Next();
      if (d == ',') {
        more = true;
        break;
      }
      if (d != ']') {
        Fail(d < 0 ? "the file ends inside a folder" : "expected ',' or ']' after an entry");
        break;
      }
      Sink_.EndFolder();
      --depth;
    }
    if (!more) break;
  }
  if (Error_.empty()) {
    // What later versions may add after the root is read and left.
    Ws();
    while (Error_.empty() && Peek() == ',') {
      ++Begin_;
      SkipValue();
      Ws();
    }
    if (Error_.empty() && Expect(']', "the closing ']'")) {
      Ws();
      if (Peek() >= 0) Fail("data after the end");
    }
  }
  return Error_;
}

}  // namespace

std::string ParseNcduJson(IByteSource& source, INcduSink& sink) {
  TParser parser(source, sink);
  return parser.Run();
}

}  // namespace kv
