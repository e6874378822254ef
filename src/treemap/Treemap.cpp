// Snapshot, squarified layout and hit test of the treemap.
#include "treemap/Treemap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "model/Saturate.h"
#include "model/SizeTree.h"

namespace kv {

namespace {

// Items whose share of the picture is below this many pixels are gathered
// into their folder's rest.
constexpr double MinItemPixels = 1.0;

// Ridge height of the top cell's cushion and its fall-off per nesting level.
constexpr double CushionHeight = 0.5;
constexpr double CushionFalloff = 0.75;

int64_t FolderSize(const TFolderNode* node, TSizeType type) {
  const TFolderNodeData* data = node->Data();
  return std::max<int64_t>(0, type == TSizeType::FileSize ? data->TotalSize : data->TotalAllocated);
}

int64_t FileSize(const TFileNodeData* file, TSizeType type) {
  return std::max<int64_t>(0, type == TSizeType::FileSize ? file->FileSize() : file->AllocatedSize());
}

// ExtensionColor of the files of one snapshot. Most extensions are short and
// few: those are looked up by their lower-cased bytes in a small cache.
class TFileColors {
 public:
  uint32_t Of(const TFileNodeData* file) {
    const std::string_view name = file->Name.View();
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return NoExtension_;
    const std::string_view ext = name.substr(dot);
    if (ext.size() > 8) return ExtensionColor(ExtractExtension(name));
    char lower[8] = {};
    for (size_t i = 0; i < ext.size(); ++i) {
      const char c = ext[i];
      if (static_cast<unsigned char>(c) >= 0x80) return ExtensionColor(ExtractExtension(name));
      lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    uint64_t key = 0;
    std::memcpy(&key, lower, sizeof key);  // never 0: the dot is in it
    TEntry& entry = Cache_[(key * 0x9E3779B97F4A7C15ull) >> 58];
    if (entry.Key != key) entry = {key, ExtensionColor(std::string_view(lower, ext.size()))};
    return entry.Color;
  }

 private:
  struct TEntry {
    uint64_t Key = 0;
    uint32_t Color = 0;
  };
  TEntry Cache_[64];
  uint32_t NoExtension_ = ExtensionColor({});
};

// Adds the parabolic ridge of the span [a, b) to the coefficients of one axis.
void AddRidge(double a, double b, double height, float& square, float& linear) {
  const double width = b - a;
  if (width <= 0) return;
  linear = static_cast<float>(linear + 4 * height * (b + a) / width);
  square = static_cast<float>(square - 4 * height / width);
}

void AddCushion(TTreemapCell& cell) {
  static const auto heights = [] {
    std::array<double, 64> table{};
    double h = CushionHeight;
    for (double& t : table) t = h, h *= CushionFalloff;
    return table;
  }();
  const double height = cell.Depth < heights.size() ? heights[cell.Depth] : 0;  // flat below that
  AddRidge(cell.Rect.X, cell.Rect.X + cell.Rect.W, height, cell.Surface[0], cell.Surface[1]);
  AddRidge(cell.Rect.Y, cell.Rect.Y + cell.Rect.H, height, cell.Surface[2], cell.Surface[3]);
}

bool Contains(const TTreemapRect& r, double x, double y) {
  return x >= r.X && x < r.X + r.W && y >= r.Y && y < r.Y + r.H;
}

}  // namespace

TTreemapRect TreemapInner(const TTreemapRect& r) {
  if (r.W < 4 || r.H < 4) return r;
  return {r.X + 1, r.Y + 1, r.W - 2, r.H - 2};
}

TTreemapSnapshot TakeTreemapSnapshot(const TFolderNode* folder, TSizeType sizeType, int width,
                                     int height) {
  TTreemapSnapshotSteps steps(folder, sizeType, width, height);
  steps.Step(std::numeric_limits<size_t>::max());
  return steps.Take();
}

TTreemapSnapshotSteps::TTreemapSnapshotSteps(const TFolderNode* folder, TSizeType sizeType, int width,
                                             int height) {
  Snapshot_.SizeType = sizeType;
  if (!folder || !folder->Data()) return;
  std::vector<TTreemapNode>& nodes = Snapshot_.Nodes;
  // Room for every item, or for a quarter of the picture's pixels (pictures
  // of real trees keep fewer items): growing would copy the vector.
  const double pixels = static_cast<double>(std::max(width, 0)) * std::max(height, 0);
  const TFolderNodeData* data = folder->Data();
  const double items = static_cast<double>(std::max<int64_t>(0, data->FileCount)) +
                       2.0 * static_cast<double>(std::max<int64_t>(0, data->FolderCount)) + 2;
  nodes.reserve(static_cast<size_t>(std::min({items, pixels / MinItemPixels / 4 + 64, 4e6})));

  TTreemapNode top;
  top.Size = FolderSize(folder, sizeType);
  top.FolderNode = folder;
  top.Color = TreemapFolderColor;
  nodes.push_back(top);

  // An item is kept when its share of the picture reaches MinItemPixels.
  MinSize_ = pixels > 0 ? static_cast<double>(top.Size) * MinItemPixels / pixels
                        : std::numeric_limits<double>::infinity();
}

bool TTreemapSnapshotSteps::Step(size_t items) {
  if (Complete_) return true;
  std::vector<TTreemapNode>& nodes = Snapshot_.Nodes;
  const TSizeType sizeType = Snapshot_.SizeType;
  const auto kept = [minSize = MinSize_](int64_t size) {
    return size > 0 && static_cast<double>(size) >= minSize;
  };
  TFileColors colors;

  // Breadth first, so that each folder's children are contiguous.
  size_t looked = 0;
  for (; Next_ < nodes.size() && looked < items; ++Next_) {
    const size_t i = Next_;
    if (nodes[i].Kind != TTreemapNode::Folder) continue;
    const TFolderNode* node = nodes[i].FolderNode;
    looked += node->ChildCount() + node->Data()->Files.Count() + 1;
    const uint32_t first = static_cast<uint32_t>(nodes.size());
    int64_t shown = 0;
    for (size_t c = 0; c < node->ChildCount(); ++c) {
      const TFolderNode* child = node->Child(c);
      const int64_t size = FolderSize(child, sizeType);
      if (!kept(size)) continue;
      TTreemapNode item;
      item.Size = size;
      item.FolderNode = child;
      item.Color = TreemapFolderColor;
      nodes.push_back(item);
      shown = SatAdd(shown, size);
    }
    for (const TFileNodeData* file : node->Data()->Files) {
      const int64_t size = FileSize(file, sizeType);
      if (!kept(size)) continue;
      TTreemapNode item;
      item.Kind = TTreemapNode::File;
      item.Size = size;
      item.FolderNode = node;
      item.FileData = file;
      item.Color = colors.Of(file);
      nodes.push_back(item);
      shown = SatAdd(shown, size);
    }
    if (nodes[i].Size > shown) {
      TTreemapNode rest;
      rest.Kind = TTreemapNode::Rest;
      rest.Size = nodes[i].Size - shown;
      rest.FolderNode = node;
      rest.Color = TreemapRestColor;
      nodes.push_back(rest);
    }
    std::sort(nodes.begin() + first, nodes.end(),
              [](const TTreemapNode& a, const TTreemapNode& b) { return a.Size > b.Size; });
    nodes[i].FirstChild = first;
    nodes[i].ChildCount = static_cast<uint32_t>(nodes.size() - first);
  }
  if (Next_ < nodes.size()) return false;

  // Totals caught in the middle of a scan may lag behind their children: a
  // folder is never smaller than what it shows.
  for (size_t i = nodes.size(); i-- > 0;) {
    TTreemapNode& node = nodes[i];
    int64_t sum = 0;
    for (uint32_t c = 0; c < node.ChildCount; ++c) sum = SatAdd(sum, nodes[node.FirstChild + c].Size);
    node.Size = std::max(node.Size, sum);
  }
  Complete_ = true;
  return true;
}

// ---- Layout ----

namespace {

// Lays the children of one folder out in its inner rectangle, row by row
// along the shorter side (Bruls, Huizing and van Wijk's squarified treemap).
class TSquarifier {
 public:
  TSquarifier(const TTreemapSnapshot& snapshot, std::vector<TTreemapCell>& cells)
      : Nodes_(snapshot.Nodes), Cells_(cells) {}

  void LayOut(uint32_t parentCell, const TTreemapRect& area) {
    const TTreemapNode& parent = Nodes_[Cells_[parentCell].Node];
    const uint32_t begin = parent.FirstChild, end = parent.FirstChild + parent.ChildCount;
    double total = 0;
    for (uint32_t i = begin; i < end; ++i) total += static_cast<double>(Nodes_[i].Size);
    if (total <= 0 || area.W <= 0 || area.H <= 0) return;
    const double scale = area.W * area.H / total;  // pixels per size unit
    double x = area.X, y = area.Y, w = area.W, h = area.H;
    const double right = area.X + area.W, bottom = area.Y + area.H;
    uint32_t i = begin;
    while (i < end) {
      if (Nodes_[i].Size <= 0) {
        ++i;
        continue;
      }
      // A row along the shorter side grows while its worst aspect ratio improves.
      const bool column = w >= h;  // the row stands at the left edge, else lies at the top
      const double side = column ? h : w;
      double sum = static_cast<double>(Nodes_[i].Size), largest = sum, smallest = sum;
      double worst = Worst(sum, largest, smallest, side, scale);
      uint32_t j = i + 1;
      for (; j < end; ++j) {
        const double size = static_cast<double>(Nodes_[j].Size);
        if (size <= 0) continue;
        const double next = Worst(sum + size, std::max(largest, size), std::min(smallest, size), side, scale);
        if (next > worst) break;
        sum += size;
        largest = std::max(largest, size);
        smallest = std::min(smallest, size);
        worst = next;
      }
      // The last row takes what is left, so rounding never leaves a gap.
      const double room = column ? w : h;
      const double thickness = j >= end ? room : std::min(room, sum * scale / side);
      double along = column ? y : x;
      const double alongEnd = column ? bottom : right;
      uint32_t lastInRow = j;
      while (lastInRow > i && Nodes_[lastInRow - 1].Size <= 0) --lastInRow;
      for (uint32_t k = i; k < j; ++k) {
        if (Nodes_[k].Size <= 0) continue;
        const double length = static_cast<double>(Nodes_[k].Size) * scale / thickness;
        const double stop = k + 1 == lastInRow ? alongEnd : std::min(alongEnd, along + length);
        const TTreemapRect r = column ? TTreemapRect{x, along, thickness, stop - along}
                                      : TTreemapRect{along, y, stop - along, thickness};
        Add(parentCell, k, r);
        along = stop;
      }
      if (column) {
        x += thickness;
        w = right - x;
      } else {
        y += thickness;
        h = bottom - y;
      }
      i = j;
    }
  }

 private:
  // The worst aspect ratio of a row of the given sizes laid along side.
  static double Worst(double sum, double largest, double smallest, double side, double scale) {
    const double area = sum * scale, side2 = side * side;
    return std::max(side2 * largest * scale / (area * area), area * area / (side2 * smallest * scale));
  }

  void Add(uint32_t parentCell, uint32_t node, const TTreemapRect& rect) {
    TTreemapCell cell;
    cell.Node = node;
    cell.Parent = parentCell;
    cell.Depth = static_cast<uint16_t>(Cells_[parentCell].Depth + 1);
    cell.Rect = rect;
    std::copy(std::begin(Cells_[parentCell].Surface), std::end(Cells_[parentCell].Surface), cell.Surface);
    AddCushion(cell);
    Cells_.push_back(cell);
  }

  const std::vector<TTreemapNode>& Nodes_;
  std::vector<TTreemapCell>& Cells_;
};

}  // namespace

void TTreemapLayout::Build(const TTreemapSnapshot& snapshot, int width, int height) {
  Cells_.clear();
  FirstChild_.clear();
  Width_ = std::max(width, 0);
  Height_ = std::max(height, 0);
  if (snapshot.Nodes.empty() || Width_ == 0 || Height_ == 0) return;
  Cells_.reserve(snapshot.Nodes.size());
  FirstChild_.reserve(snapshot.Nodes.size() + 1);

  TTreemapCell top;
  top.Rect = {0, 0, static_cast<double>(Width_), static_cast<double>(Height_)};
  AddCushion(top);
  Cells_.push_back(top);
  TSquarifier squarifier(snapshot, Cells_);
  // Breadth first: each cell's children follow one another, after all cells
  // of the levels above.
  for (size_t c = 0; c < Cells_.size(); ++c) {
    FirstChild_.push_back(static_cast<uint32_t>(Cells_.size()));
    if (snapshot.Nodes[Cells_[c].Node].Kind != TTreemapNode::Folder) continue;
    const TTreemapRect inner = TreemapInner(Cells_[c].Rect);
    squarifier.LayOut(static_cast<uint32_t>(c), inner);
  }
  FirstChild_.push_back(static_cast<uint32_t>(Cells_.size()));
}

int64_t TTreemapLayout::HitTest(double x, double y) const {
  if (Cells_.empty() || !Contains(Cells_[0].Rect, x, y)) return -1;
  // The cells of a folder's children are FirstChild_[c]..FirstChild_[c + 1].
  size_t cell = 0;
  for (;;) {
    size_t found = cell;
    for (size_t c = FirstChild_[cell]; c < FirstChild_[cell + 1]; ++c) {
      if (Contains(Cells_[c].Rect, x, y)) {
        found = c;
        break;
      }
    }
    if (found == cell) return static_cast<int64_t>(cell);
    cell = found;
  }
}

}  // namespace kv
