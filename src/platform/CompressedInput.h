// Reading a file that may be compressed: gzip and zstd are told by their first
// bytes and decompressed on the fly, anything else is passed through. Every
// reader of result files and imports goes through this, so a file written
// compressed reads like a plain one, also from standard input and pipes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/InputFile.h"

namespace kv {

// A stream of bytes read front to back.
class IByteSource {
 public:
  virtual ~IByteSource() = default;
  // Up to n bytes; fewer only at the end or on a failure (then Error is set).
  virtual size_t Read(void* target, size_t n) = 0;
  // Why the stream stopped early; empty when it did not.
  virtual const std::string& Error() const = 0;
};

enum class TCompression { None, Gzip, Zstd };

// The compression the first bytes of a stream announce.
TCompression CompressionOf(const unsigned char* bytes, size_t n);

class TCompressedInput final : public IByteSource {
 public:
  // Reads an open stream (a file, a pipe, standard input). Owned streams are
  // closed with the input. limit caps the bytes delivered after decompression.
  TCompressedInput(std::FILE* file, bool owned, uint64_t limit);
  ~TCompressedInput() override;
  TCompressedInput(const TCompressedInput&) = delete;
  TCompressedInput& operator=(const TCompressedInput&) = delete;

  size_t Read(void* target, size_t n) override;
  const std::string& Error() const override { return Error_; }
  TCompression Compression();
  // Bytes delivered so far.
  uint64_t Position() const { return Position_; }

 private:
  struct TDecoder;
  void Start();
  size_t ReadRaw(void* target, size_t n);
  bool FillRaw();
  size_t Decode(unsigned char* target, size_t n);

  std::FILE* File_;
  bool Owned_;
  uint64_t Limit_;
  uint64_t Position_ = 0;
  bool Started_ = false;
  TCompression Kind_ = TCompression::None;
  std::unique_ptr<unsigned char[]> Raw_;
  size_t RawBegin_ = 0, RawEnd_ = 0;
  bool RawEof_ = false;
  std::unique_ptr<TDecoder> Decoder_;
  std::string Error_;
};

// A regular file by its UTF-8 name, or standard input for "-".
struct TOpenedInput {
  std::unique_ptr<TCompressedInput> Input;  // null when not opened
  TInputFault Fault = TInputFault::None;
  int Error = 0;
  // The stored size of a regular file that is not compressed: lengths read
  // from it can be judged before anything is allocated.
  std::optional<uint64_t> PlainSize;
};
TOpenedInput OpenCompressedInput(const std::string& path, uint64_t limit);

}  // namespace kv
