// libpng writes the command line's pictures on Linux: the program then loads
// no graphics libraries at start, which cost every scan tens of milliseconds.
#include "cli/PngImage.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <vector>

namespace kv {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

// libpng's way out of an error is a longjmp back into EncodeRows.
void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Quiet(png_structp, png_const_charp) {}

bool EncodeRows(png_structp png, png_infop info, const std::vector<png_bytep>& rows, int width, int height,
                std::string& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // The pixels are 0xAARRGGBB words: in memory B, G, R, A on little-endian
  // machines, which libpng turns into R, G, B and drops the filler.
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::string EncodePng(const uint32_t* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0) return {};
  static_assert(std::endian::native == std::endian::little, "the filler and byte order assume little-endian");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return {};
  }
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    rows[static_cast<size_t>(y)] =
        reinterpret_cast<png_bytep>(const_cast<uint32_t*>(pixels + static_cast<size_t>(y) * static_cast<size_t>(width)));
  std::string out;
  const bool done = EncodeRows(png, info, rows, width, height, out);
  png_destroy_write_struct(&png, &info);
  return done ? out : std::string();
}

}  // namespace kv
