#include "treemap/TreemapChange.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "reports/ChangesReport.h"

namespace kv {

namespace {

// The least share of the hue: a change of a few bytes in a big file still shows.
constexpr double MinStrength = 0.3;

uint32_t Mix(uint32_t from, uint32_t to, double t) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(a + (b - a) * t)) << shift;
  }
  return out;
}

}  // namespace

uint32_t TreemapChangeColor(bool found, int64_t before, int64_t after) {
  if (!found) return 0xFF000000u | ChangeStateColor(TChangeState::New);
  if (before == after) return TreemapUnchangedColor;
  const TChangeState state = after > before ? TChangeState::Grown : TChangeState::Shrunk;
  // Sizes are never negative here; the share is within (0, 1].
  const double larger = static_cast<double>(std::max(before, after));
  const double share = std::abs(static_cast<double>(after) - static_cast<double>(before)) / larger;
  // The square root lifts the many small changes out of the grey.
  const double strength = MinStrength + (1 - MinStrength) * std::sqrt(std::min(1.0, share));
  return Mix(TreemapUnchangedColor, 0xFF000000u | ChangeStateColor(state), strength);
}

void ColorByChange(TTreemapSnapshot& snapshot, const TChangeBaseline& baseline) {
  // A folder's files are neighbours in the snapshot: its key is made once.
  const TFolderNode* folder = nullptr;
  std::optional<TPathKey> key;
  std::string path;
  for (TTreemapNode& node : snapshot.Nodes) {
    if (node.Kind != TTreemapNode::File || !node.FileData) continue;
    if (node.FolderNode != folder) {
      folder = node.FolderNode;
      key = baseline.FolderKey(folder);
      path = GetNodePath(folder);
    }
    TBaselineSizes sizes;
    const bool found = baseline.FindFile(*key, path, node.FileData->Name.View(), sizes);
    node.Color = TreemapChangeColor(found, sizes.Get(snapshot.SizeType), node.Size);
  }
}

}  // namespace kv
