// A chart picture as a plain Windows metafile (not the enhanced format): a
// placeable header and one stretched 24-bit device-independent bitmap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/FileResult.h"

namespace kv {

// Top row first, three bytes (red, green, blue) per pixel, no padding.
struct TRgbImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;
};

// Metafile units per inch in the placeable header; a pixel counts as 1/96 inch.
inline constexpr int WmfUnitsPerInch = 1440;

// The whole file; empty when the image is empty, larger than 32767 pixels a
// side or its pixel count does not match.
std::string WmfBytes(const TRgbImage& image);

// Creates or truncates the file; failures come as the file layer's one-line message.
TFileResult WriteWmfFile(const TRgbImage& image, const std::string& path);

}  // namespace kv
