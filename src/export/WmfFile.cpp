#include "export/WmfFile.h"

#include <algorithm>
#include <cstddef>

#include "export/OutputFile.h"

namespace kv {

namespace {

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr uint16_t MetaSetWindowOrg = 0x020B;
constexpr uint16_t MetaSetWindowExt = 0x020C;
constexpr uint16_t MetaStretchDib = 0x0F43;
constexpr uint32_t SrcCopy = 0x00CC0020;
constexpr int32_t PixelsPerMeter = 3780;  // 96 per inch
constexpr int MaxSide = 32767;            // coordinates are 16-bit

class TLittleEndian {
 public:
  void Word(uint32_t v) {
    Bytes.push_back(static_cast<char>(v & 0xFF));
    Bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  void DWord(uint32_t v) {
    Word(v & 0xFFFF);
    Word(v >> 16);
  }
  void Byte(uint8_t v) { Bytes.push_back(static_cast<char>(v)); }
  std::string Bytes;
};

}  // namespace

std::string WmfBytes(const TRgbImage& image) {
  const int w = image.Width;
  const int h = image.Height;
  if (w <= 0 || h <= 0 || w > MaxSide || h > MaxSide) return {};
  if (image.Pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * 3) return {};

  // Logical units are the header's units: 15 per pixel at 96 per inch, fewer
  // when a large picture would overflow the 16-bit box.
  const double scale = std::min(double{WmfUnitsPerInch} / 96.0, double{MaxSide} / std::max(w, h));
  const auto extX = static_cast<uint16_t>(std::max(1, static_cast<int>(w * scale)));
  const auto extY = static_cast<uint16_t>(std::max(1, static_cast<int>(h * scale)));

  const size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const size_t dibBytes = 40 + rowBytes * static_cast<size_t>(h);
  const auto stretchWords = static_cast<uint32_t>(3 + 2 + 1 + 8 + dibBytes / 2);
  const uint32_t totalWords = 9 + 5 + 5 + stretchWords + 3;

  TLittleEndian out;
  out.Bytes.reserve(22 + size_t{totalWords} * 2);
  // Placeable header.
  out.DWord(PlaceableKey);
  out.Word(0);  // handle
  out.Word(0);  // box left, top, right, bottom
  out.Word(0);
  out.Word(extX);
  out.Word(extY);
  out.Word(WmfUnitsPerInch);
  out.DWord(0);  // reserved
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2)
    checksum ^= static_cast<uint16_t>(static_cast<uint8_t>(out.Bytes[i]) |
                                      (static_cast<uint8_t>(out.Bytes[i + 1]) << 8));
  out.Word(checksum);

  // META header: in memory, 9 words, version 3.0.
  out.Word(1);
  out.Word(9);
  out.Word(0x0300);
  out.DWord(totalWords);
  out.Word(0);  // objects
  out.DWord(stretchWords);
  out.Word(0);  // parameters

  // The parameters of these records come y first.
  out.DWord(5);
  out.Word(MetaSetWindowOrg);
  out.Word(0);
  out.Word(0);
  out.DWord(5);
  out.Word(MetaSetWindowExt);
  out.Word(extY);
  out.Word(extX);

  out.DWord(stretchWords);
  out.Word(MetaStretchDib);
  out.DWord(SrcCopy);
  out.Word(0);  // DIB_RGB_COLORS
  out.Word(static_cast<uint16_t>(h));  // source height, width, y, x
  out.Word(static_cast<uint16_t>(w));
  out.Word(0);
  out.Word(0);
  out.Word(extY);  // destination height, width, y, x
  out.Word(extX);
  out.Word(0);
  out.Word(0);
  // BITMAPINFOHEADER; a positive height means bottom-up rows.
  out.DWord(40);
  out.DWord(static_cast<uint32_t>(w));
  out.DWord(static_cast<uint32_t>(h));
  out.Word(1);
  out.Word(24);
  out.DWord(0);  // BI_RGB
  out.DWord(static_cast<uint32_t>(rowBytes * static_cast<size_t>(h)));
  out.DWord(PixelsPerMeter);
  out.DWord(PixelsPerMeter);
  out.DWord(0);
  out.DWord(0);
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = image.Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
    for (int x = 0; x < w; ++x) {
      out.Byte(row[x * 3 + 2]);
      out.Byte(row[x * 3 + 1]);
      out.Byte(row[x * 3]);
    }
    for (size_t pad = static_cast<size_t>(w) * 3; pad < rowBytes; ++pad) out.Byte(0);
  }

  out.DWord(3);  // META_EOF
  out.Word(0);
  return std::move(out.Bytes);
}

TFileResult WriteWmfFile(const TRgbImage& image, const std::string& path) {
  const std::string bytes = WmfBytes(image);
  if (bytes.empty()) return TFileResult::Failure("Cannot write \"" + path + "\": the picture is empty or too large");
  TOutputFile file;
  if (TFileResult opened = file.Open(path); !opened) return opened;
  file.Put(bytes);
  return file.Close();
}

}  // namespace kv
