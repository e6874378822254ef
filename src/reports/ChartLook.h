// Colours of the report charts and the rule that turns a chosen name into the
// file to save a chart in. No drawing here: the Qt panel applies these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kv {

struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TRgb&) const = default;
};

inline constexpr int32_t ChartPaletteCount = 12;
inline constexpr int32_t ChartGradientCount = 18;

// The start colour of the charts' background gradient (it always ends white);
// an index outside 1..18 gives white.
TRgb GradientColor(int32_t index);

// The next palette (1..12) and gradient (1..18) number; past the last comes 1.
int32_t NextPalette(int32_t palette);
int32_t NextGradient(int32_t gradient);

// The colours of palette 1..12, used in turn for the points (any other number
// gives palette 1). Never empty.
size_t PaletteSize(int32_t palette);
// The colour of a point among pointCount: in turn, except that the last point
// never takes the first one's colour, since the pie closes between them (a
// count of 0: the colours in turn only).
TRgb PaletteColor(int32_t palette, size_t pointIndex, size_t pointCount = 0);

enum class TChartImageFormat { Bitmap, Metafile };

// The save dialog's filter; entry 1 is the bitmap, entry 2 the metafile.
inline constexpr const char* ChartSaveFilter = "Bitmap|*.bmp|Metafile|*.wmf";

struct TChartSaveTarget {
  std::string FileName;                     // the name to write
  std::optional<TChartImageFormat> Format;  // none: nothing may be written
  std::string Error;                        // why, when there is no format (English;
                                            // the window shows its language's text)
};

// A name without extension gets ".bmp" (filter entry 2: ".wmf"); then the
// extension, compared in upper case, decides the format.
TChartSaveTarget ChartSaveTarget(const std::string& chosenName, int filterIndex);

}  // namespace kv
