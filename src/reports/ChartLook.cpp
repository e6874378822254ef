#include "reports/ChartLook.h"

#include <array>
#include <cctype>
#include <span>

namespace kv {

namespace {

constexpr std::array<TRgb, ChartGradientCount> GradientColors = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},     {128, 0, 128},
    {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0},   {0, 255, 0},     {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255},   {192, 192, 192}, {128, 128, 128}, {255, 255, 255},
}};

// Eight colours each, far enough apart that neighbouring slices stay distinct.
constexpr TRgb Palettes[ChartPaletteCount][8] = {
    // 1 classic
    {{255, 0, 0}, {0, 128, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {128, 0, 0}, {128, 128, 0}},
    // 2 pastel
    {{255, 179, 186}, {255, 223, 186}, {255, 255, 186}, {186, 255, 201}, {186, 225, 255}, {218, 190, 255},
     {255, 204, 229}, {204, 255, 229}},
    // 3 ocean
    {{0, 63, 92}, {47, 75, 124}, {102, 81, 145}, {160, 81, 149}, {212, 80, 135}, {249, 93, 106}, {255, 124, 67},
     {255, 166, 0}},
    // 4 earth
    {{139, 69, 19}, {160, 82, 45}, {205, 133, 63}, {222, 184, 135}, {85, 107, 47}, {107, 142, 35}, {189, 183, 107},
     {240, 230, 140}},
    // 5 grey scale
    {{32, 32, 32}, {64, 64, 64}, {96, 96, 96}, {128, 128, 128}, {160, 160, 160}, {192, 192, 192}, {224, 224, 224},
     {80, 80, 80}},
    // 6 office
    {{68, 114, 196}, {237, 125, 49}, {165, 165, 165}, {255, 192, 0}, {91, 155, 213}, {112, 173, 71}, {38, 68, 120},
     {158, 72, 14}},
    // 7 bright, the default
    {{230, 25, 75}, {60, 180, 75}, {255, 225, 25}, {0, 130, 200}, {245, 130, 48}, {145, 30, 180}, {70, 240, 240},
     {240, 50, 230}},
    // 8 autumn
    {{153, 0, 0}, {204, 51, 0}, {255, 102, 0}, {255, 153, 0}, {204, 153, 0}, {153, 102, 51}, {102, 51, 0},
     {255, 204, 102}},
    // 9 forest
    {{0, 68, 27}, {0, 109, 44}, {35, 139, 69}, {65, 171, 93}, {116, 196, 118}, {161, 217, 155}, {199, 233, 192},
     {229, 245, 224}},
    // 10 blues
    {{8, 48, 107}, {8, 81, 156}, {33, 113, 181}, {66, 146, 198}, {107, 174, 214}, {158, 202, 225}, {198, 219, 239},
     {222, 235, 247}},
    // 11 warm and cold
    {{178, 24, 43}, {33, 102, 172}, {214, 96, 77}, {67, 147, 195}, {244, 165, 130}, {146, 197, 222},
     {253, 219, 199}, {209, 229, 240}},
    // 12 neon
    {{255, 0, 128}, {0, 255, 128}, {128, 0, 255}, {255, 128, 0}, {0, 128, 255}, {128, 255, 0}, {255, 0, 255},
     {0, 255, 255}},
};

std::span<const TRgb> PaletteOf(int32_t palette) {
  if (palette < 1 || palette > ChartPaletteCount) palette = 1;
  return Palettes[palette - 1];
}

// The extension with its dot, from the last dot of the last name component.
std::string ExtensionOf(const std::string& name) {
  const size_t separator = name.find_last_of("/\\");
  const size_t start = separator == std::string::npos ? 0 : separator + 1;
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot < start) return {};
  return name.substr(dot);
}

}  // namespace

TRgb GradientColor(int32_t index) {
  if (index < 1 || index > ChartGradientCount) return {255, 255, 255};
  return GradientColors[static_cast<size_t>(index - 1)];
}

int32_t NextPalette(int32_t palette) { return palette + 1 > ChartPaletteCount ? 1 : palette + 1; }

int32_t NextGradient(int32_t gradient) { return gradient + 1 > ChartGradientCount ? 1 : gradient + 1; }

size_t PaletteSize(int32_t palette) { return PaletteOf(palette).size(); }

TRgb PaletteColor(int32_t palette, size_t pointIndex, size_t pointCount) {
  const std::span<const TRgb> colours = PaletteOf(palette);
  const size_t k = colours.size();
  // The last of several would come round to the first colour: it takes the
  // second, which its other neighbour (colour k - 1) does not have either.
  if (k > 2 && pointCount > 1 && pointIndex + 1 == pointCount && pointIndex % k == 0) return colours[1];
  return colours[pointIndex % k];
}

TChartSaveTarget ChartSaveTarget(const std::string& chosenName, int filterIndex) {
  TChartSaveTarget target;
  target.FileName = chosenName;
  std::string extension = ExtensionOf(chosenName);
  if (extension.empty()) {
    extension = filterIndex == 2 ? ".wmf" : ".bmp";
    target.FileName += extension;
  }
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (extension == ".BMP")
    target.Format = TChartImageFormat::Bitmap;
  else if (extension == ".WMF")
    target.Format = TChartImageFormat::Metafile;
  else
    target.Error = "Cannot save the chart as \"" + target.FileName + "\": only .bmp and .wmf files can be written";
  return target;
}

}  // namespace kv
