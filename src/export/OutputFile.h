// A buffered output file for the export writers: it remembers its first
// failure and reports it, naming the file, when closed. The content is written
// to a temporary file beside the target, which replaces the target only when
// everything was written: a failed write leaves what was on disk before, and
// an interrupted one leaves no other file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "export/FileResult.h"
#include "platform/ReplaceFile.h"

namespace kv {

// The style block that heads both HTML reports.
inline constexpr std::string_view HtmlStyleBlock =
    "<style type=\"text/css\">body{   background: #FFFF;   font: 12px Verdana, Arial, Sans-serif; } "
    "a{color: blue;} h5{   margin: 0px;   padding: 0px;   margin-top: 2px;   margin-bottom: 2px;   "
    "font-weight:bold;   font: 14px Verdana, Arial, Sans-serif; } table {   BORDER: #555555 1px solid;   "
    "border-collapse: collapse; } .table2 {   BORDER: #555555 0px solid; } </style> ";
static_assert(HtmlStyleBlock.size() == 366);

// Text files end their lines with CR LF.
inline constexpr std::string_view Eol = "\r\n";


class TOutputFile {
 public:
  TOutputFile() = default;
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;
  ~TOutputFile();

  // Starts the new content of the file (created or replaced at Close). A text
  // file is put in its final encoding at Close; other files are kept as written.
  enum class TContent { Bytes, Text };
  TFileResult Open(const std::string& path, TContent content = TContent::Bytes);

  bool Failed() const { return !Reason_.empty(); }

  // Records a failure of the caller's own; the first failure wins.
  void Fail(std::string reason);

  // Later writes are tried even after a failure (an HTML foot); the first
  // failure stays the one reported.
  void KeepTrying() { KeepTrying_ = true; }

  void Put(const void* data, size_t n);
  void Put(std::string_view bytes) { Put(bytes.data(), bytes.size()); }

  // A text file is in one encoding: the system's ANSI code page when every
  // character fits, else UTF-8 after a byte-order mark (POSIX: UTF-8 as it
  // is). Control bytes and bytes that are no UTF-8 are written as "?".
  void PutText(std::string_view utf8);
  // The name of the encoding the file ends up in, for an HTML head.
  void PutCharset();
  // Then spaces up to width characters.
  void PutPadded(std::string_view utf8, size_t width);
  void PutHtml(std::string_view utf8);
  // Quoted; an embedded quote is doubled so the field stays one field, and
  // every other byte is kept.
  void PutCsvField(std::string_view utf8);

  // Flushes, closes and puts the content in place; the first failure wins,
  // and after a failure the target is untouched.
  TFileResult Close();

 private:
  bool Stopped() const { return Failed() && !KeepTrying_; }
  void PutConverted(std::string_view utf8);
  void Flush();
  void Emit(const void* data, size_t n);
  void Transcode();

  // The content goes out as UTF-8 and is turned into its final encoding at
  // Close, once it is known whether all of it fits the ANSI code page.
  bool Transcoding_ = false;
  bool NonAscii_ = false;
  unsigned long long Written_ = 0;
  static constexpr unsigned long long NoCharset = ~0ULL;
  unsigned long long CharsetAt_ = NoCharset;

  TReplaceFile File_;
  std::string Path_;
  std::unique_ptr<unsigned char[]> Buffer_;
  size_t Used_ = 0;
  std::string Reason_;
  bool KeepTrying_ = false;
};

// Characters, not bytes: one per character in a single-byte ANSI code page.
size_t Utf8CharCount(std::string_view utf8);

}  // namespace kv
