#include "export/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Platform.h"

namespace kv {

namespace {

// Trees and reports can hold millions of lines: one system call per megabyte.
constexpr size_t BufferSize = size_t{1} << 20;

std::string ErrnoText(int error) { return std::strerror(error != 0 ? error : EIO); }

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Length of the valid UTF-8 sequence at the start of text; 0 when it is none.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
  if (length == 0 || text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  // No overlong forms, no surrogates, nothing past U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90))
    return 0;
  return length;
}

// How much of a UTF-8 block ends on a character boundary: a character cut
// at the end waits for the next block.
size_t WholeCharacters(std::string_view utf8) {
  size_t lead = utf8.size();
  for (size_t back = 0; back < 4 && lead > 0; ++back) {
    const auto c = static_cast<unsigned char>(utf8[--lead]);
    if ((c & 0xC0) == 0x80) continue;
    if (c < 0xC0) return utf8.size();
    const size_t length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return utf8.size() - lead >= length ? utf8.size() : lead;
  }
  return utf8.size();
}

constexpr std::string_view Utf8Charset = "utf-8";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// A name's raw control bytes (a newline, a tab, 0x01) would break a text or
// HTML row, and bytes that are no UTF-8 would garble it: each becomes "?".
std::string_view Printable(std::string_view utf8, std::string& scratch) {
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80 && !IsControl(c)) {
      ++i;
    } else if (const size_t n = c < 0x80 ? 0 : Utf8SequenceLength(utf8.substr(i))) {
      i += n;
    } else {
      break;
    }
  }
  if (i == utf8.size()) return utf8;
  scratch.assign(utf8.substr(0, i));
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t n = c < 0x80 ? (IsControl(c) ? 0 : 1) : Utf8SequenceLength(utf8.substr(i));
    if (n == 0) {
      scratch.push_back('?');
      ++i;
    } else {
      scratch.append(utf8.substr(i, n));
      i += n;
    }
  }
  return scratch;
}

}  // namespace

size_t Utf8CharCount(std::string_view utf8) {
  return static_cast<size_t>(std::count_if(
      utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

TOutputFile::~TOutputFile() {
  // Never closed: the write did not finish, and the target stays as it was.
  AbandonReplaceFile(File_);
}

TFileResult TOutputFile::Open(const std::string& path, TContent content) {
  Path_ = path;
  // The new content goes to a file of its own and replaces the target only
  // when complete, so a failed write loses nothing.
  errno = 0;
  const std::string why = BeginReplaceFile(path, File_);
  if (!File_.File)
    return TFileResult::Failure("Cannot create file \"" + path + "\": " + (why.empty() ? ErrnoText(errno) : why));
  // Our own buffer does the batching; a second copy in stdio would only cost.
  std::setvbuf(File_.File, nullptr, _IONBF, 0);
  Transcoding_ = content == TContent::Text && !File_.InPlace && AnsiCodePageCharset() != Utf8Charset;
  Buffer_.reset(new unsigned char[BufferSize]);
  return {};
}

void TOutputFile::Fail(std::string reason) {
  if (!Failed()) Reason_ = std::move(reason);
}

void TOutputFile::Put(const void* data, size_t n) {
  if (Stopped() || n == 0) return;
  if (n > BufferSize - Used_) {
    Flush();
    if (n >= BufferSize) {
      Emit(data, n);
      return;
    }
  }
  std::memcpy(Buffer_.get() + Used_, data, n);
  Used_ += n;
}

void TOutputFile::PutText(std::string_view utf8) {
  std::string scratch;
  PutConverted(Printable(utf8, scratch));
}

void TOutputFile::PutConverted(std::string_view utf8) {
  if (Transcoding_ || IsAscii(utf8))
    Put(utf8);
  else
    Put(ToAnsiCodePage(utf8));
}

void TOutputFile::PutCharset() {
  if (!Transcoding_) {
    Put(AnsiCodePageCharset());
    return;
  }
  CharsetAt_ = Written_ + Used_;
  Put(Utf8Charset);
}

void TOutputFile::PutPadded(std::string_view utf8, size_t width) {
  PutText(utf8);
  static constexpr char Spaces[] = "                                ";
  constexpr size_t SpacesSize = sizeof Spaces - 1;
  for (size_t length = Utf8CharCount(utf8); length < width;) {
    const size_t take = std::min(width - length, SpacesSize);
    Put(Spaces, take);
    length += take;
  }
}

void TOutputFile::PutHtml(std::string_view utf8) {
  if (utf8.find_first_of("&<>\"") == std::string_view::npos) {
    PutText(utf8);
    return;
  }
  std::string escaped;
  escaped.reserve(utf8.size() + 16);
  for (const char c : utf8) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped.push_back(c);
    }
  }
  PutText(escaped);
}

void TOutputFile::PutCsvField(std::string_view utf8) {
  Put("\"");
  if (utf8.find('"') == std::string_view::npos) {
    PutConverted(utf8);
  } else {
    std::string doubled;
    doubled.reserve(utf8.size() + 8);
    for (const char c : utf8) {
      if (c == '"') doubled.push_back('"');
      doubled.push_back(c);
    }
    PutConverted(doubled);
  }
  Put("\"");
}

TFileResult TOutputFile::Close() {
  Flush();
  if (Transcoding_ && NonAscii_ && !Failed()) Transcode();
  errno = 0;
  if (Failed())
    AbandonReplaceFile(File_);
  else if (!CommitReplaceFile(File_))
    Fail(ErrnoText(errno));
  if (Failed()) return TFileResult::Failure("Write error on \"" + Path_ + "\": " + Reason_);
  return {};
}

void TOutputFile::Flush() {
  if (Used_ > 0) Emit(Buffer_.get(), Used_);
  Used_ = 0;
}

void TOutputFile::Emit(const void* data, size_t n) {
  if (Stopped()) return;
  if (Transcoding_ && !NonAscii_) NonAscii_ = !IsAscii(std::string_view(static_cast<const char*>(data), n));
  errno = 0;
  if (std::fwrite(data, 1, n, File_.File) != n) Fail(ErrnoText(errno));
  Written_ += n;
}

// Reads the UTF-8 content back twice: once to learn whether the code page
// holds all of it, once to write it in its final encoding into a new file.
void TOutputFile::Transcode() {
  std::FILE* in = File_.File;
  std::string block;
  const auto readBlocks = [&](auto&& each) {
    errno = 0;
    if (std::fflush(in) != 0 || std::fseek(in, 0, SEEK_SET) != 0) return Fail(ErrnoText(errno));
    std::string carry;
    unsigned long long offset = 0;
    for (;;) {
      block.resize(BufferSize);
      const size_t got = std::fread(block.data(), 1, BufferSize, in);
      if (got == 0) break;
      block.resize(got);
      block.insert(0, carry);
      const size_t whole = WholeCharacters(block);
      carry.assign(block, whole, std::string::npos);
      block.resize(whole);
      if (!each(std::string_view(block), offset)) return;
      offset += whole;
    }
    if (std::ferror(in)) return Fail(ErrnoText(errno));
    if (!carry.empty()) each(std::string_view(carry), offset);
  };
  bool fits = true;
  readBlocks([&](std::string_view utf8, unsigned long long) { return fits = IsAscii(utf8) || FitsAnsiCodePage(utf8); });
  if (Failed()) return;

  TReplaceFile out;
  errno = 0;
  const std::string why = BeginReplaceFile(Path_, out);
  if (!out.File) return Fail(why.empty() ? ErrnoText(errno) : why);
  const std::string charset = fits ? AnsiCodePageCharset() : std::string(Utf8Charset);
  const auto write = [&](std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.File) != bytes.size()) {
      Fail(ErrnoText(errno));
      return false;
    }
    return true;
  };
  const auto convert = [&](std::string_view utf8) {
    if (!fits || IsAscii(utf8)) return write(utf8);
    const std::string ansi = ToAnsiCodePage(utf8);
    return write(ansi);
  };
  bool ok = fits || write(ByteOrderMark);
  if (ok)
    readBlocks([&](std::string_view utf8, unsigned long long offset) {
      // The HTML head's charset, written as UTF-8's, becomes the final one.
      if (CharsetAt_ != NoCharset && CharsetAt_ >= offset && CharsetAt_ + Utf8Charset.size() <= offset + utf8.size()) {
        const size_t at = static_cast<size_t>(CharsetAt_ - offset);
        return convert(utf8.substr(0, at)) && write(charset) && convert(utf8.substr(at + Utf8Charset.size()));
      }
      return convert(utf8);
    });
  if (Failed()) {
    AbandonReplaceFile(out);
    return;
  }
  // The new file takes the place of the first one.
  AbandonReplaceFile(File_);
  File_ = out;
}

}  // namespace kv
