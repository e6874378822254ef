// Cushion shading of the treemap and the colours of the extensions.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "treemap/Treemap.h"

namespace kv {

namespace {

// Light from the upper left, slightly in front of the picture.
constexpr double LightX = -1, LightY = -1, LightZ = 10;
// At most 1: a cushion's top shows its colour, its sides darker shades of it.
constexpr double Ambient = 0.2, Diffuse = 0.8;

struct TSpan {
  int X0, X1, Y0, Y1;
};

// The pixels whose centres lie in the rectangle, clipped to the picture.
TSpan PixelSpan(const TTreemapRect& r, int width, int height) {
  const auto edge = [](double v, int limit) {
    return static_cast<int>(std::clamp(std::ceil(v - 0.5), 0.0, static_cast<double>(limit)));
  };
  return {edge(r.X, width), edge(r.X + r.W, width), edge(r.Y, height), edge(r.Y + r.H, height)};
}

void Fill(uint32_t* pixels, int stride, const TSpan& s, uint32_t color) {
  for (int y = s.Y0; y < s.Y1; ++y) {
    uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    std::fill(row + s.X0, row + s.X1, color);
  }
}

void Shade(uint32_t* pixels, int stride, const TSpan& s, const float* surface, uint32_t color) {
  static const double length = std::sqrt(LightX * LightX + LightY * LightY + LightZ * LightZ);
  const double lx = LightX / length, ly = LightY / length, lz = LightZ / length;
  const double red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
  for (int y = s.Y0; y < s.Y1; ++y) {
    const double ny = -(2 * surface[2] * (y + 0.5) + surface[3]);
    uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = s.X0; x < s.X1; ++x) {
      const double nx = -(2 * surface[0] * (x + 0.5) + surface[1]);
      const double cosine = (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1);
      const double light = Ambient + Diffuse * std::max(0.0, cosine);
      const auto channel = [light](double c) { return static_cast<uint32_t>(std::min(255.0, c * light + 0.5)); };
      row[x] = 0xFF000000u | channel(red) << 16 | channel(green) << 8 | channel(blue);
    }
  }
}

// Darker diagonal stripes over a shaded area: the gathered rest is grey like
// files without an extension can be, and the stripes keep the two apart.
void Stripe(uint32_t* pixels, int stride, const TSpan& s) {
  for (int y = s.Y0; y < s.Y1; ++y) {
    uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = s.X0; x < s.X1; ++x) {
      if ((x + y) % 6 >= 2) continue;
      const uint32_t c = row[x];
      row[x] = 0xFF000000u | (((c >> 1) & 0x7F7F7Fu) + ((c >> 2) & 0x3F3F3Fu));  // three quarters
    }
  }
}

}  // namespace

void RenderTreemap(const TTreemapSnapshot& snapshot, const TTreemapLayout& layout, uint32_t* pixels,
                   int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0) return;
  const std::vector<TTreemapCell>& cells = layout.Cells();
  if (cells.empty() || layout.Width() < width || layout.Height() < height)
    Fill(pixels, stride, {0, width, 0, height}, TreemapEmptyColor);
  // Parents come before their children, which paint over them.
  for (const TTreemapCell& cell : cells) {
    if (cell.Node >= snapshot.Nodes.size()) continue;
    const TTreemapNode& node = snapshot.Nodes[cell.Node];
    const TSpan span = PixelSpan(cell.Rect, width, height);
    if (span.X0 >= span.X1 || span.Y0 >= span.Y1) continue;
    if (node.Kind != TTreemapNode::Folder) {
      Shade(pixels, stride, span, cell.Surface, node.Color);
      if (node.Kind == TTreemapNode::Rest) Stripe(pixels, stride, span);
      continue;
    }
    Fill(pixels, stride, span, node.Color);
    if (node.ChildCount == 0 || node.Size == 0)
      Fill(pixels, stride, PixelSpan(TreemapInner(cell.Rect), width, height), TreemapEmptyColor);
  }
}

// ---- Extension colours ----

namespace {

// FNV-1a over the lower-cased bytes: fixed on every machine, unlike std::hash.
uint64_t HashExtension(std::string_view extension) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : extension) {
    const auto b = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash = (hash ^ b) * 1099511628211ull;
  }
  return hash;
}

struct TKnownExtension {
  const char* Extension;
  uint32_t Color;
};

// Common types get colours chosen to stand apart from their neighbours.
constexpr TKnownExtension KnownExtensions[] = {
    {"", 0xFFB8B0A0},
    // documents
    {".txt", 0xFFFDD835}, {".pdf", 0xFFE53935}, {".doc", 0xFF1E88E5}, {".docx", 0xFF1E88E5},
    {".xls", 0xFF43A047}, {".xlsx", 0xFF43A047}, {".ppt", 0xFFFB8C00}, {".pptx", 0xFFFB8C00},
    {".odt", 0xFF4FC3F7}, {".ods", 0xFF9CCC65}, {".csv", 0xFFC0CA33}, {".md", 0xFFFFF176},
    {".html", 0xFFFF7043}, {".htm", 0xFFFF7043}, {".xml", 0xFFFFB300}, {".json", 0xFF26A69A},
    {".log", 0xFFD4E157},
    // pictures
    {".jpg", 0xFF00ACC1}, {".jpeg", 0xFF00ACC1}, {".png", 0xFF00897B}, {".gif", 0xFF9575CD},
    {".bmp", 0xFFF06292}, {".svg", 0xFF558B2F}, {".webp", 0xFF4DD0E1}, {".tif", 0xFF80CBC4},
    {".tiff", 0xFF80CBC4}, {".raw", 0xFF5C6BC0}, {".heic", 0xFF26C6DA}, {".psd", 0xFF3F51B5},
    // sound and video
    {".mp3", 0xFF8E24AA}, {".wav", 0xFFD81B60}, {".flac", 0xFFBA68C8}, {".ogg", 0xFFEC407A},
    {".mp4", 0xFF3949AB}, {".mkv", 0xFF0D47A1}, {".avi", 0xFF7CB342}, {".mov", 0xFF6A1B9A},
    {".wmv", 0xFFAD1457}, {".webm", 0xFF7E57C2},
    // archives and images of discs
    {".zip", 0xFF6D4C41}, {".rar", 0xFFA1887F}, {".7z", 0xFF8D6E63}, {".gz", 0xFFBF360C},
    {".tar", 0xFFFFA726}, {".xz", 0xFF795548}, {".iso", 0xFF546E7A}, {".cab", 0xFFBCAAA4},
    {".deb", 0xFFC62828}, {".msi", 0xFFEF9A9A},
    // programs and libraries
    {".exe", 0xFFD32F2F}, {".dll", 0xFF1565C0}, {".so", 0xFF2E7D32}, {".sys", 0xFF78909C},
    {".lib", 0xFF00695C}, {".a", 0xFF00838F}, {".o", 0xFF9E9D24}, {".obj", 0xFF9E9D24},
    {".jar", 0xFFF57F17}, {".class", 0xFFFFCA28}, {".pyc", 0xFF81C784},
    // source code
    {".c", 0xFF29B6F6}, {".cpp", 0xFF0288D1}, {".h", 0xFFAED581}, {".hpp", 0xFF8BC34A},
    {".py", 0xFF1976D2}, {".js", 0xFFFFEE58}, {".ts", 0xFF42A5F5}, {".java", 0xFFE65100},
    {".cs", 0xFF9C27B0}, {".go", 0xFF00BCD4}, {".rs", 0xFFFF8A65},
    // data
    {".db", 0xFF7986CB}, {".sqlite", 0xFF7986CB}, {".dat", 0xFF90A4AE}, {".bin", 0xFF607D8B},
    {".tmp", 0xFFCFD8DC}, {".bak", 0xFFB0BEC5}, {".ttf", 0xFFCE93D8}, {".ini", 0xFFFFE082},
    {".cfg", 0xFFFFE082}, {".vmdk", 0xFF37474F}, {".vhdx", 0xFF37474F},
};

struct THashedColor {
  uint64_t Hash;
  uint32_t Color;
};

// Any other extension: a hue from its hash, saturated and bright enough to
// carry the shading.
uint32_t HashColor(uint64_t hash) {
  const uint32_t hue = static_cast<uint32_t>(hash % 1536);
  const uint32_t saturation = 170 + static_cast<uint32_t>((hash >> 16) % 70);
  const uint32_t value = 190 + static_cast<uint32_t>((hash >> 32) % 60);
  const uint32_t f = hue % 256;
  const uint32_t p = value * (255 - saturation) / 255;
  const uint32_t q = value * (255 * 255 - saturation * f) / (255 * 255);
  const uint32_t t = value * (255 * 255 - saturation * (255 - f)) / (255 * 255);
  uint32_t r = 0, g = 0, b = 0;
  switch (hue / 256) {
    case 0: r = value, g = t, b = p; break;
    case 1: r = q, g = value, b = p; break;
    case 2: r = p, g = value, b = t; break;
    case 3: r = p, g = q, b = value; break;
    case 4: r = t, g = p, b = value; break;
    default: r = value, g = p, b = q; break;
  }
  return 0xFF000000u | r << 16 | g << 8 | b;
}

}  // namespace

uint32_t ExtensionColor(std::string_view extension) {
  static const auto known = [] {
    std::array<THashedColor, std::size(KnownExtensions)> table{};
    for (size_t i = 0; i < table.size(); ++i)
      table[i] = {HashExtension(KnownExtensions[i].Extension), KnownExtensions[i].Color};
    std::sort(table.begin(), table.end(), [](const THashedColor& a, const THashedColor& b) { return a.Hash < b.Hash; });
    return table;
  }();
  const uint64_t hash = HashExtension(extension);
  const auto found = std::lower_bound(known.begin(), known.end(), hash,
                                      [](const THashedColor& entry, uint64_t h) { return entry.Hash < h; });
  return found != known.end() && found->Hash == hash ? found->Color : HashColor(hash);
}

}  // namespace kv
