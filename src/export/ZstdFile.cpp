#include "export/ZstdFile.h"

#include <zstd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "export/OutputFile.h"

namespace kv {
namespace {

struct TCCtxFree {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct TFileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool ZstdAvailable() { return true; }

TFileResult WriteZstdFile(const std::string& source, const std::string& target) {
  std::unique_ptr<std::FILE, TFileClose> in(std::fopen(source.c_str(), "rb"));
  if (!in) return TFileResult::Failure("Cannot read \"" + source + "\": " + std::strerror(errno));
  std::unique_ptr<ZSTD_CCtx, TCCtxFree> context(ZSTD_createCCtx());
  if (!context) return TFileResult::Failure("Cannot write \"" + target + "\": out of memory");
  // Level 3 is zstd's default: most of the gain at a fraction of the time.
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, 3);

  TOutputFile out;
  if (TFileResult opened = out.Open(target); !opened) return opened;
  std::vector<char> input(ZSTD_CStreamInSize()), output(ZSTD_CStreamOutSize());
  bool last = false;
  while (!last && !out.Failed()) {
    const size_t n = std::fread(input.data(), 1, input.size(), in.get());
    if (std::ferror(in.get())) {
      out.Fail("Cannot read \"" + source + "\": " + std::strerror(errno != 0 ? errno : EIO));
      break;
    }
    last = n < input.size();
    ZSTD_inBuffer from{input.data(), n, 0};
    const ZSTD_EndDirective mode = last ? ZSTD_e_end : ZSTD_e_continue;
    bool done = false;
    while (!done) {
      ZSTD_outBuffer to{output.data(), output.size(), 0};
      const size_t left = ZSTD_compressStream2(context.get(), &to, &from, mode);
      if (ZSTD_isError(left)) {
        out.Fail("Cannot write \"" + target + "\": " + ZSTD_getErrorName(left));
        break;
      }
      out.Put(output.data(), to.pos);
      done = last ? left == 0 : from.pos == from.size;
    }
  }
  return out.Close();
}

}  // namespace kv
