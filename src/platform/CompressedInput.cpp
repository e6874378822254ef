#include "platform/CompressedInput.h"

#include <zlib.h>
#if KESTROVE_HAS_ZSTD
#include <zstd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Platform.h"

namespace kv {

namespace {
constexpr size_t RawSize = size_t{1} << 17;
}  // namespace

TCompression CompressionOf(const unsigned char* bytes, size_t n) {
  if (n >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B) return TCompression::Gzip;
  if (n >= 4 && bytes[0] == 0x28 && bytes[1] == 0xB5 && bytes[2] == 0x2F && bytes[3] == 0xFD)
    return TCompression::Zstd;
  return TCompression::None;
}

struct TCompressedInput::TDecoder {
  z_stream Zlib{};
  bool ZlibOpen = false;
#if KESTROVE_HAS_ZSTD
  ZSTD_DStream* Zstd = nullptr;
#endif
  bool FrameOpen = false;  // inside a gzip member or zstd frame
  ~TDecoder() {
    if (ZlibOpen) inflateEnd(&Zlib);
#if KESTROVE_HAS_ZSTD
    if (Zstd) ZSTD_freeDStream(Zstd);
#endif
  }
};

TCompressedInput::TCompressedInput(std::FILE* file, bool owned, uint64_t limit)
    : File_(file), Owned_(owned), Limit_(limit), Raw_(new unsigned char[RawSize]) {}

TCompressedInput::~TCompressedInput() {
  if (Owned_ && File_) std::fclose(File_);
}

bool TCompressedInput::FillRaw() {
  if (RawBegin_ < RawEnd_) return true;
  if (RawEof_) return false;
  RawBegin_ = 0;
  RawEnd_ = std::fread(Raw_.get(), 1, RawSize, File_);
  if (RawEnd_ < RawSize) {
    RawEof_ = true;
    if (std::ferror(File_)) Error_ = std::strerror(errno != 0 ? errno : EIO);
  }
  return RawEnd_ > 0;
}

void TCompressedInput::Start() {
  Started_ = true;
  // The magic numbers are at most four bytes: gather them even from a pipe
  // that delivers one byte at a time.
  while (RawEnd_ < 4 && !RawEof_) {
    const size_t got = std::fread(Raw_.get() + RawEnd_, 1, 4 - RawEnd_, File_);
    if (got == 0) {
      RawEof_ = true;
      if (std::ferror(File_)) Error_ = std::strerror(errno != 0 ? errno : EIO);
    }
    RawEnd_ += got;
  }
  RawEof_ = false;  // a short first read is not yet the end
  if (std::feof(File_)) RawEof_ = true;
  Kind_ = CompressionOf(Raw_.get(), RawEnd_);
  if (Kind_ == TCompression::None) return;
  Decoder_ = std::make_unique<TDecoder>();
  if (Kind_ == TCompression::Gzip) {
    if (inflateInit2(&Decoder_->Zlib, 15 + 16) != Z_OK) Error_ = "the gzip decoder could not start";
    else Decoder_->ZlibOpen = true;
  } else {
#if KESTROVE_HAS_ZSTD
    Decoder_->Zstd = ZSTD_createDStream();
    if (!Decoder_->Zstd || ZSTD_isError(ZSTD_initDStream(Decoder_->Zstd)))
      Error_ = "the zstd decoder could not start";
#else
    Error_ = "zstd-compressed data is not read by this build";
#endif
  }
}

TCompression TCompressedInput::Compression() {
  if (!Started_) Start();
  return Kind_;
}

size_t TCompressedInput::ReadRaw(void* target, size_t n) {
  auto* out = static_cast<unsigned char*>(target);
  size_t done = 0;
  while (done < n && FillRaw()) {
    const size_t take = std::min(n - done, RawEnd_ - RawBegin_);
    std::memcpy(out + done, Raw_.get() + RawBegin_, take);
    RawBegin_ += take;
    done += take;
  }
  return done;
}

size_t TCompressedInput::Decode(unsigned char* out, size_t n) {
  size_t done = 0;
  while (done < n && Error_.empty()) {
    // Output the decoder still holds comes out even when no input is left.
    const bool more = FillRaw();
    if (!more && !Decoder_->FrameOpen) break;
    const size_t before = done;
    if (Kind_ == TCompression::Gzip) {
      z_stream& z = Decoder_->Zlib;
      z.next_in = Raw_.get() + RawBegin_;
      z.avail_in = static_cast<uInt>(RawEnd_ - RawBegin_);
      z.next_out = out + done;
      z.avail_out = static_cast<uInt>(std::min<size_t>(n - done, 1u << 30));
      const uInt room = z.avail_out;
      const int rc = inflate(&z, Z_NO_FLUSH);
      done += room - z.avail_out;
      RawBegin_ = RawEnd_ - z.avail_in;
      Decoder_->FrameOpen = rc != Z_STREAM_END;
      if (rc == Z_STREAM_END) {
        inflateReset(&z);  // another member may follow
      } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        Error_ = std::string("the gzip data is damaged") + (z.msg ? std::string(": ") + z.msg : "");
      }
    } else {
#if KESTROVE_HAS_ZSTD
      ZSTD_inBuffer in{Raw_.get() + RawBegin_, RawEnd_ - RawBegin_, 0};
      ZSTD_outBuffer outBuffer{out + done, n - done, 0};
      const size_t rc = ZSTD_decompressStream(Decoder_->Zstd, &outBuffer, &in);
      done += outBuffer.pos;
      RawBegin_ += in.pos;
      if (ZSTD_isError(rc)) Error_ = std::string("the zstd data is damaged: ") + ZSTD_getErrorName(rc);
      else Decoder_->FrameOpen = rc != 0;
#endif
    }
    if (!more && done == before) {
      // A stream may end only between members or frames.
      if (Decoder_->FrameOpen && Error_.empty())
        Error_ = Kind_ == TCompression::Gzip ? "the gzip data ends early" : "the zstd data ends early";
      break;
    }
  }
  return done;
}

size_t TCompressedInput::Read(void* target, size_t n) {
  if (!Started_) Start();
  if (!Error_.empty()) return 0;
  if (Position_ >= Limit_) {
    Error_ = "the data is larger than the limit";
    return 0;
  }
  n = static_cast<size_t>(std::min<uint64_t>(n, Limit_ - Position_ + 1));
  const size_t got = Kind_ == TCompression::None ? ReadRaw(target, n)
                                                 : Decode(static_cast<unsigned char*>(target), n);
  Position_ += got;
  if (Position_ > Limit_) {
    Error_ = "the data is larger than the limit";
    return 0;
  }
  return got;
}

TOpenedInput OpenCompressedInput(const std::string& path, uint64_t limit) {
  TOpenedInput result;
  if (path == "-") {
    result.Input = std::make_unique<TCompressedInput>(stdin, false, limit);
    return result;
  }
  errno = 0;
  const TInputFile file = OpenInputFile(path);
  if (!file.File) {
    result.Fault = file.NotRegular ? TInputFault::NotRegular : TInputFault::CannotOpen;
    result.Error = errno;
    return result;
  }
  result.Input = std::make_unique<TCompressedInput>(file.File, true, limit);
  if (result.Input->Compression() == TCompression::None) {
    if (file.Size > limit) {
      result.Input.reset();
      result.Fault = TInputFault::TooLarge;
      return result;
    }
    result.PlainSize = file.Size;
  }
  return result;
}

}  // namespace kv
