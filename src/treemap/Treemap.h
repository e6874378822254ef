// The treemap: a folder's subtree as nested rectangles whose areas follow the
// sizes. The picture is made from a snapshot so that layout and painting can
// run on any thread; only taking the snapshot reads the tree (UI thread).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "model/NodeData.h"

namespace kv {

class TFolderNode;

// Folder frames, and the gathered rest of a folder's small items (drawn
// striped as well).
inline constexpr uint32_t TreemapFolderColor = 0xFF4A4A4A;
inline constexpr uint32_t TreemapRestColor = 0xFF8C8C8C;
// The inside of a folder with nothing to show.
inline constexpr uint32_t TreemapEmptyColor = 0xFFE4E4E4;

// One item of a snapshot: a folder, a file, or the gathered rest of a folder's
// items that are too small to draw.
struct TTreemapNode {
  enum TKind : uint8_t { Folder, File, Rest };
  int64_t Size = 0;            // in the snapshot's size type; never negative
  uint32_t FirstChild = 0;     // children are contiguous in Nodes, largest first
  uint32_t ChildCount = 0;
  const TFolderNode* FolderNode = nullptr;  // the folder, or the folder holding the file or rest
  const TFileNodeData* FileData = nullptr;  // the file; nothing for folders and rests
  uint32_t Color = 0;          // 0xAARRGGBB; files: ExtensionColor of their extension
  TKind Kind = Folder;
};

// A frozen copy of what the picture of one folder can show. The pointers only
// identify items (hit tests, selection); they are valid while the tree is
// unchanged and are read on the UI thread only.
struct TTreemapSnapshot {
  std::vector<TTreemapNode> Nodes;  // Nodes[0] is the pictured folder; empty for none
  TSizeType SizeType = TSizeType::FileSize;
};

// Takes the snapshot of a folder for a picture of width x height pixels:
// subtrees and files under about a pixel are gathered into their folder's
// rest, so the cost follows what can be seen, not the number of files.
TTreemapSnapshot TakeTreemapSnapshot(const TFolderNode* folder, TSizeType sizeType, int width,
                                     int height);

// The same snapshot taken a few folders at a time, so that a big subtree
// never holds up the UI thread for long. Between steps the tree may grow (a
// scan goes on) but nothing in it may be freed.
class TTreemapSnapshotSteps {
 public:
  TTreemapSnapshotSteps(const TFolderNode* folder, TSizeType sizeType, int width, int height);
  // Takes whole folders until about `items` files and folders were looked at;
  // true once the snapshot is complete.
  bool Step(size_t items);
  TTreemapSnapshot Take() { return std::move(Snapshot_); }

 private:
  TTreemapSnapshot Snapshot_;
  double MinSize_ = 0;
  size_t Next_ = 0;
  bool Complete_ = false;
};

struct TTreemapRect {
  double X = 0, Y = 0, W = 0, H = 0;
};

// The part of a folder's rectangle its children fill: inside a one-pixel
// frame where there is room for it.
TTreemapRect TreemapInner(const TTreemapRect& folder);

// One laid-out item: its rectangle and the cushion surface over it.
struct TTreemapCell {
  uint32_t Node = 0;     // index into the snapshot's Nodes
  uint32_t Parent = 0;   // index into Cells of the enclosing folder's cell; 0 for the top cell
  uint16_t Depth = 0;    // 0 for the pictured folder
  TTreemapRect Rect;
  float Surface[4] = {};  // cushion coefficients: x², x, y², y
};

// Squarified layout of a snapshot. Folders are nested inside their parent
// within a thin frame; every cell lies inside its parent's, none overlap, and
// the top cell fills the whole picture.
class TTreemapLayout {
 public:
  void Build(const TTreemapSnapshot& snapshot, int width, int height);
  const std::vector<TTreemapCell>& Cells() const { return Cells_; }  // parents before children
  int Width() const { return Width_; }
  int Height() const { return Height_; }
  // The deepest cell holding the point; -1 for none.
  int64_t HitTest(double x, double y) const;

 private:
  std::vector<TTreemapCell> Cells_;
  // The children of cell c are Cells_[FirstChild_[c]] up to FirstChild_[c + 1].
  std::vector<uint32_t> FirstChild_;
  int Width_ = 0;
  int Height_ = 0;
};

// Paints the layout with cushion shading into 32-bit 0xAARRGGBB pixels, rows
// `stride` pixels apart.
void RenderTreemap(const TTreemapSnapshot& snapshot, const TTreemapLayout& layout,
                   uint32_t* pixels, int width, int height, int stride);

// The colour of a file extension (lower case with its dot, "" for none): the
// same in every run and on every machine, and clearly apart for common types.
uint32_t ExtensionColor(std::string_view extension);

}  // namespace kv
