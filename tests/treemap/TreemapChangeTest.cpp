// The treemap by change: the colour rule as a table, and the colours a real
// snapshot gets from a baseline of an earlier tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "reports/ChangesReport.h"
#include "treemap/TreemapChange.h"

namespace kv {
namespace {

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

// How far a colour lies from the unchanged grey, summed over the channels.
int DistanceFromGrey(uint32_t color) {
  int sum = 0;
  for (const int shift : {0, 8, 16}) sum += std::abs(Channel(color, shift) - Channel(TreemapUnchangedColor, shift));
  return sum;
}

enum class THue { Grey, Red, Blue, Green };

THue HueOf(uint32_t color) {
  const int r = Channel(color, 16), g = Channel(color, 8), b = Channel(color, 0);
  if (r == g && g == b) return THue::Grey;
  if (r > g && r > b) return THue::Red;
  if (b > r && b > g) return THue::Blue;
  return g > r && g > b ? THue::Green : THue::Grey;
}

TEST(TreemapChangeColor, HueFollowsTheStateAndStrengthTheShareOfTheChange) {
  const struct {
    bool Found;
    int64_t Before, After;
    THue Hue;
  } cases[] = {
      {true, 100, 100, THue::Grey},  {true, 0, 0, THue::Grey},        {false, 0, 500, THue::Green},
      {false, 0, 0, THue::Green},    {true, 100, 101, THue::Red},     {true, 100, 200, THue::Red},
      {true, 0, 50, THue::Red},      {true, 101, 100, THue::Blue},    {true, 200, 100, THue::Blue},
      {true, 50, 0, THue::Blue},     {true, int64_t{1} << 50, (int64_t{1} << 50) + 1, THue::Red},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Found << " " << c.Before << " -> " << c.After);
    const uint32_t color = TreemapChangeColor(c.Found, c.Before, c.After);
    EXPECT_EQ(color >> 24, 0xFFu);
    EXPECT_EQ(HueOf(color), c.Hue);
    // Unchanged is exactly the grey; any change, however small, is not.
    EXPECT_EQ(color == TreemapUnchangedColor, c.Found && c.Before == c.After);
  }
  // A whole item appearing or vanishing takes the full hue of the column.
  EXPECT_EQ(TreemapChangeColor(true, 0, 50) & 0xFFFFFF, ChangeStateColor(TChangeState::Grown));
  EXPECT_EQ(TreemapChangeColor(true, 50, 0) & 0xFFFFFF, ChangeStateColor(TChangeState::Shrunk));
  EXPECT_EQ(TreemapChangeColor(false, 0, 7) & 0xFFFFFF, ChangeStateColor(TChangeState::New));
  // The larger the share, the further from grey; the share, not the bytes, decides.
  for (const bool grown : {true, false}) {
    SCOPED_TRACE(grown);
    int last = 0;
    for (const int64_t step : {1, 10, 40, 80, 100}) {
      const uint32_t color = grown ? TreemapChangeColor(true, 100, 100 + step) : TreemapChangeColor(true, 100 + step, 100);
      EXPECT_GT(DistanceFromGrey(color), last) << step;
      last = DistanceFromGrey(color);
    }
    EXPECT_EQ(grown ? TreemapChangeColor(true, 1000, 2000) : TreemapChangeColor(true, 2000, 1000),
              grown ? TreemapChangeColor(true, 10, 20) : TreemapChangeColor(true, 20, 10));
  }
}

TEST(TreemapChangeColor, SnapshotFilesTakeTheColourOfTheirOwnChange) {
  test::FakePlatform fake;
  TFileServices services(fake.Platform(), TPathStyle::Posix);
  using TFiles = std::map<std::string, int64_t>;
  auto fill = [&](TSizeTree& tree, const TFiles& files) {
    tree.BeginUpdate();
    for (const auto& [path, size] : files) {
      const size_t cut = FolderPartLength(path, TPathStyle::Posix);
      TFolderNode* folder = tree.GetFolderNode(path.substr(0, cut), TItemInfo{}, nullptr, "", TPathStyle::Posix);
      ASSERT_TRUE(tree.AddFileNode(path, folder, size, TItemInfo{}, "", TPathStyle::Posix));
      tree.AddSizesToFolder(folder, size, size, 1);
    }
    tree.EndUpdate();
  };
  // Same names in two folders, so a file is found by its own folder's key.
  const TFiles before = {{"/d/a/same.bin", 1000}, {"/d/b/same.bin", 1000}, {"/d/a/keep.txt", 3000},
                         {"/d/a/shrink.dat", 4000}, {"/d/a/gone.txt", 500}};
  const TFiles after = {{"/d/a/same.bin", 3000}, {"/d/b/same.bin", 1000}, {"/d/a/keep.txt", 3000},
                        {"/d/a/shrink.dat", 1000}, {"/d/b/new.txt", 2000}};
  TSizeTree old(services, *fake.Locale), now(services, *fake.Locale);
  fill(old, before);
  fill(now, after);
  TChangeBaseline baseline;
  baseline.Build(old, now);

  TTreemapSnapshot snapshot = TakeTreemapSnapshot(now.FindFolderNode("/d"), TSizeType::FileSize, 400, 300);
  const TTreemapSnapshot byExtension = snapshot;
  ColorByChange(snapshot, baseline);
  size_t files = 0;
  for (size_t i = 0; i < snapshot.Nodes.size(); ++i) {
    const TTreemapNode& node = snapshot.Nodes[i];
    if (node.Kind != TTreemapNode::File) {
      EXPECT_EQ(node.Color, byExtension.Nodes[i].Color);  // frames stay as they are
      continue;
    }
    const std::string path = GetNodePath(node.FolderNode) + std::string(node.FileData->Name.View());
    SCOPED_TRACE(path);
    const auto was = before.find(path);
    const bool found = was != before.end();
    EXPECT_EQ(node.Color, TreemapChangeColor(found, found ? was->second : 0, after.at(path)));
    ++files;
  }
  EXPECT_EQ(files, after.size());
}

}  // namespace
}  // namespace kv
