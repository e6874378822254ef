// The treemap coloured by change: each file in the colour of what happened to
// it since the baseline, instead of the colour of its extension.
#pragma once

#include <cstdint>

#include "reports/ChangeBaseline.h"
#include "treemap/Treemap.h"

namespace kv {

// Files whose size did not change: a light grey, apart from the darker folder
// frames and the striped rests.
inline constexpr uint32_t TreemapUnchangedColor = 0xFFB4B4B4;

// 0xAARRGGBB of a file that was `before` and is `after` (found false: new).
// Grown, shrunk and new take the hues of the Change column; the larger the
// change against the larger of the two sizes, the further the colour moves
// from the unchanged grey to the full hue. Any change at all is visible.
uint32_t TreemapChangeColor(bool found, int64_t before, int64_t after);

// Gives the snapshot's files their change colours; folders and rests keep theirs.
void ColorByChange(TTreemapSnapshot& snapshot, const TChangeBaseline& baseline);

}  // namespace kv
