#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "treemap/Treemap.h"

namespace kv {
namespace {

double Area(const TTreemapRect& r) { return r.W * r.H; }

double Overlap(const TTreemapRect& a, const TTreemapRect& b) {
  const double w = std::min(a.X + a.W, b.X + b.W) - std::max(a.X, b.X);
  const double h = std::min(a.Y + a.H, b.Y + b.H) - std::max(a.Y, b.Y);
  return w > 0 && h > 0 ? w * h : 0;
}

bool Inside(const TTreemapRect& in, const TTreemapRect& out) {
  constexpr double eps = 1e-7;
  return in.X >= out.X - eps && in.Y >= out.Y - eps && in.X + in.W <= out.X + out.W + eps &&
         in.Y + in.H <= out.Y + out.H + eps;
}

class TreemapTest : public ::testing::Test {
 protected:
  TreemapTest() { Fake.FileSystem->ClusterSizes["C:\\"] = 4096; }

  TFolderNode* Folder(const std::string& path) { return Tree.GetFolderNode(path, TItemInfo{}, nullptr, ""); }

  void AddFile(TFolderNode* folder, const std::string& name, int64_t size) {
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, TItemInfo{}, "o\\o"));
    Tree.AddSizesToFolder(folder, size, folder->Data()->Files.Find(name)->AllocatedSize(), 1);
  }

  // Folders hung below random earlier ones, files of log-uniform sizes up to
  // maxSize, every zeroEvery-th of them empty.
  TFolderNode* Generate(uint32_t seed, int folders, int files, double maxSize, int zeroEvery) {
    std::mt19937 rng(seed);
    std::vector<std::string> paths{"C:\\T"};
    Tree.BeginUpdate();
    for (int f = 1; f < folders; ++f)
      paths.push_back(paths[std::uniform_int_distribution<size_t>(0, paths.size() - 1)(rng)] + "\\d" +
                      std::to_string(f));
    static const char* const extensions[] = {".txt", ".JPG", ".pdf", "", ".qqq", ".Markdown", ".TxT"};
    for (int i = 0; i < files; ++i) {
      TFolderNode* folder = Folder(paths[std::uniform_int_distribution<size_t>(0, paths.size() - 1)(rng)]);
      const double exponent = std::uniform_real_distribution<double>(0, 1)(rng);
      const int64_t size = zeroEvery && i % zeroEvery == 0 ? 0 : static_cast<int64_t>(std::pow(maxSize, exponent));
      AddFile(folder, "f" + std::to_string(i) + extensions[i % 7], size);
    }
    Tree.EndUpdate();
    return Folder("C:\\T");
  }

  // The layout's promises, checked cell by cell against the snapshot.
  static void CheckLayout(const TTreemapSnapshot& snapshot, const TTreemapLayout& layout, int width, int height) {
    const std::vector<TTreemapCell>& cells = layout.Cells();
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells[0].Rect.X, 0);
    EXPECT_EQ(cells[0].Rect.Y, 0);
    EXPECT_EQ(cells[0].Rect.W, width);
    EXPECT_EQ(cells[0].Rect.H, height);
    std::vector<std::vector<size_t>> children(cells.size());
    std::set<uint32_t> nodes;
    for (size_t c = 1; c < cells.size(); ++c) {
      ASSERT_LT(cells[c].Parent, c);
      children[cells[c].Parent].push_back(c);
      EXPECT_TRUE(nodes.insert(cells[c].Node).second);
      EXPECT_EQ(cells[c].Depth, cells[cells[c].Parent].Depth + 1);
    }
    for (size_t c = 0; c < cells.size(); ++c) {
      const TTreemapNode& node = snapshot.Nodes[cells[c].Node];
      if (children[c].empty()) continue;
      const TTreemapRect inner = TreemapInner(cells[c].Rect);
      double total = 0, area = 0;
      for (size_t k : children[c]) total += static_cast<double>(snapshot.Nodes[cells[k].Node].Size);
      EXPECT_EQ(total, static_cast<double>(node.Size));
      for (size_t i = 0; i < children[c].size(); ++i) {
        const TTreemapCell& child = cells[children[c][i]];
        EXPECT_TRUE(Inside(child.Rect, inner)) << "cell " << children[c][i];
        const double share = static_cast<double>(snapshot.Nodes[child.Node].Size) / total;
        EXPECT_NEAR(Area(child.Rect), share * Area(inner), 1e-6 * Area(inner)) << "cell " << children[c][i];
        area += Area(child.Rect);
        for (size_t j = i + 1; j < children[c].size(); ++j)
          EXPECT_LT(Overlap(child.Rect, cells[children[c][j]].Rect), 1e-6) << children[c][i] << " " << children[c][j];
      }
      EXPECT_NEAR(area, Area(inner), 1e-6 * Area(inner));
    }
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
};

// ---- snapshot and layout ----

struct TGeneratedCase {
  const char* Name;
  uint32_t Seed;
  int Folders, Files;
  double MaxSize;
  int ZeroEvery;
  int Width, Height;
};

TEST_F(TreemapTest, GeneratedTreesKeepTheLayoutInvariants) {
  const TGeneratedCase cases[] = {
      {"wide picture, many small files", 1, 40, 3000, 1e6, 7, 640, 400},
      {"tall picture, deep folders", 2, 120, 800, 1e9, 0, 90, 700},
      {"tiny picture, most items gathered", 3, 30, 500, 1e4, 3, 12, 9},
      {"one folder, equal sizes", 4, 1, 200, 1.0001, 0, 300, 300},
  };
  for (const TGeneratedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Tree.Clear();
    const TFolderNode* top = Generate(c.Seed, c.Folders, c.Files, c.MaxSize, c.ZeroEvery);
    const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, c.Width, c.Height);
    ASSERT_FALSE(snapshot.Nodes.empty());
    EXPECT_EQ(snapshot.Nodes[0].Size, top->Data()->TotalSize);
    // Kept items reach a pixel; folders add up to their children; none is empty.
    const double minSize = static_cast<double>(top->Data()->TotalSize) / (c.Width * c.Height);
    for (size_t i = 1; i < snapshot.Nodes.size(); ++i) {
      const TTreemapNode& n = snapshot.Nodes[i];
      EXPECT_GT(n.Size, 0);
      if (n.Kind != TTreemapNode::Rest) {
        EXPECT_GE(static_cast<double>(n.Size), minSize);
      }
      if (n.Kind == TTreemapNode::File) {
        EXPECT_EQ(n.Color, ExtensionColor(n.FileData->Extension()));
      }
      const auto kids = snapshot.Nodes.begin() + n.FirstChild;
      EXPECT_TRUE(std::is_sorted(kids, kids + n.ChildCount, [](auto& a, auto& b) { return a.Size > b.Size; }));
    }
    TTreemapLayout layout;
    layout.Build(snapshot, c.Width, c.Height);
    EXPECT_EQ(layout.Cells().size(), snapshot.Nodes.size());
    CheckLayout(snapshot, layout, c.Width, c.Height);
  }
}

TEST_F(TreemapTest, SmallItemsJoinTheRestWithoutChangingOtherAreas) {
  TFolderNode* top = Folder("C:\\T");
  AddFile(top, "big.iso", 600'000);
  AddFile(Folder("C:\\T\\sub"), "mid.pdf", 300'000);
  for (int i = 0; i < 1000; ++i) AddFile(top, "t" + std::to_string(i) + ".txt", 50);
  const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, 100, 100);
  ASSERT_EQ(snapshot.Nodes[0].ChildCount, 3u);
  // A pixel is 95 bytes. Largest first: the file, the folder, the gathered small files.
  const TTreemapNode* kids = &snapshot.Nodes[snapshot.Nodes[0].FirstChild];
  EXPECT_EQ(kids[0].FileData, top->Data()->Files.Find("big.iso"));
  EXPECT_EQ(kids[1].Kind, TTreemapNode::Folder);
  EXPECT_EQ(kids[2].Kind, TTreemapNode::Rest);
  EXPECT_EQ(kids[2].Size, 50'000);
  EXPECT_EQ(kids[2].FolderNode, top);
  TTreemapLayout layout;
  layout.Build(snapshot, 100, 100);
  EXPECT_NEAR(Area(layout.Cells()[1].Rect), 600.0 / 950 * 98 * 98, 1e-6);
  EXPECT_NEAR(Area(layout.Cells()[3].Rect), 50.0 / 950 * 98 * 98, 1e-6);

  // Allocated space: the small files take a cluster each, enough to be drawn.
  const TTreemapSnapshot allocated = TakeTreemapSnapshot(top, TSizeType::Allocated, 100, 100);
  EXPECT_EQ(allocated.SizeType, TSizeType::Allocated);
  EXPECT_EQ(allocated.Nodes[0].Size, top->Data()->TotalAllocated);
  EXPECT_EQ(allocated.Nodes[0].ChildCount, 1002u);
}

TEST_F(TreemapTest, EmptyFoldersZeroSizesAndNoPictureDrawAPlainFrame) {
  TFolderNode* empty = Folder("C:\\T\\empty");
  TFolderNode* zeros = Folder("C:\\T\\zeros");
  AddFile(zeros, "a.txt", 0);
  AddFile(zeros, "b.txt", 0);
  TFolderNode* one = Folder("C:\\T\\one");
  AddFile(one, "z.txt", 0);
  AddFile(one, "x.pdf", 5);
  struct TCase {
    const char* Name;
    const TFolderNode* Folder;
    int Width, Height;
    size_t Cells;
  } cases[] = {
      {"empty folder", empty, 20, 10, 1},
      {"only empty files", zeros, 20, 10, 1},
      {"one file beside an empty one", one, 20, 10, 2},
      {"no folder", nullptr, 20, 10, 0},
      {"no pixels", one, 0, 10, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TTreemapSnapshot snapshot = TakeTreemapSnapshot(c.Folder, TSizeType::FileSize, c.Width, c.Height);
    TTreemapLayout layout;
    layout.Build(snapshot, c.Width, c.Height);
    ASSERT_EQ(layout.Cells().size(), c.Cells);
    if (c.Cells > 0) CheckLayout(snapshot, layout, c.Width, c.Height);
    std::vector<uint32_t> pixels(200, 0);
    RenderTreemap(snapshot, layout, pixels.data(), c.Width, c.Height, 20);
    if (c.Width == 0) {
      EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 200);
    } else if (c.Cells == 0) {
      EXPECT_EQ(std::count(pixels.begin(), pixels.end(), TreemapEmptyColor), 200);
    } else {
      EXPECT_EQ(pixels[0], TreemapFolderColor);
      EXPECT_EQ(pixels[199], TreemapFolderColor);
      const uint32_t middle = pixels[5 * 20 + 10];
      if (c.Cells == 1) EXPECT_EQ(middle, TreemapEmptyColor);
      else EXPECT_NE(middle, TreemapEmptyColor);
    }
  }
}

TEST_F(TreemapTest, HitTestFindsTheCellThatPaintedEachPixel) {
  const TFolderNode* top = Generate(9, 25, 400, 1e6, 0);
  constexpr int W = 160, H = 100;
  const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, W, H);
  TTreemapLayout layout;
  layout.Build(snapshot, W, H);
  std::vector<uint32_t> pixels(W * H);
  RenderTreemap(snapshot, layout, pixels.data(), W, H, W);
  int leaves = 0;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const int64_t hit = layout.HitTest(x + 0.5, y + 0.5);
      ASSERT_GE(hit, 0);
      const TTreemapCell& cell = layout.Cells()[static_cast<size_t>(hit)];
      const TTreemapNode& node = snapshot.Nodes[cell.Node];
      // A frame pixel shows its folder; any other pixel the shaded item there.
      if (node.Kind == TTreemapNode::Folder) {
        EXPECT_EQ(pixels[y * W + x], TreemapFolderColor) << x << "," << y;
      } else {
        ++leaves;
        // A shade of the item's colour: every channel dimmed alike.
        const uint32_t p = pixels[y * W + x], c = node.Color;
        const uint32_t r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
        const int strongest = r >= std::max(g, b) ? 16 : g >= b ? 8 : 0;
        const double light = static_cast<double>(p >> strongest & 0xFF) / (c >> strongest & 0xFF);
        for (const int shift : {16, 8, 0})
          EXPECT_NEAR(static_cast<double>(p >> shift & 0xFF), light * (c >> shift & 0xFF), 1.5) << x << "," << y;
      }
    }
  }
  EXPECT_GT(leaves, W * H / 2);
  EXPECT_EQ(layout.HitTest(-1, 5), -1);
  EXPECT_EQ(layout.HitTest(5, H), -1);
}


TEST_F(TreemapTest, CushionsAreLitFromTheUpperLeft) {
  TFolderNode* top = Folder("C:\\T");
  AddFile(top, "only.bin", 1000);
  const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, 100, 100);
  TTreemapLayout layout;
  layout.Build(snapshot, 100, 100);
  std::vector<uint32_t> pixels(100 * 100);
  RenderTreemap(snapshot, layout, pixels.data(), 100, 100, 100);
  // The file's cushion spans 1 to 99: pixels x and 99 - x lie alike about its middle.
  const auto green = [&](int x) { return (pixels[x * 100 + x] >> 8) & 0xFF; };
  for (const int x : {5, 20, 40}) EXPECT_GT(green(x), green(99 - x) + 10) << x;
  EXPECT_GT(green(49), green(5));
}

// ---- colours ----

TEST_F(TreemapTest, GatheredRestIsStripedAndFilesWithoutExtensionAreNot) {
  TFolderNode* top = Folder("C:\\R");
  AddFile(top, "README", 500'000);
  for (int i = 0; i < 1000; ++i) AddFile(top, "t" + std::to_string(i) + ".txt", 50);
  const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, 100, 100);
  TTreemapLayout layout;
  layout.Build(snapshot, 100, 100);
  std::vector<uint32_t> pixels(100 * 100);
  RenderTreemap(snapshot, layout, pixels.data(), 100, 100, 100);
  // Shading changes a channel little from one pixel to the next; a stripe's edge a lot.
  const auto hasEdge = [&](const TTreemapRect& r) {
    for (int y = static_cast<int>(std::ceil(r.Y)); y + 1 < r.Y + r.H; ++y)
      for (int x = static_cast<int>(std::ceil(r.X)); x + 2 < r.X + r.W; ++x) {
        const int a = static_cast<int>(pixels[y * 100 + x] & 0xFF);
        const int b = static_cast<int>(pixels[y * 100 + x + 1] & 0xFF);
        if (std::abs(a - b) > 20) return true;
      }
    return false;
  };
  int checked = 0;
  for (const TTreemapCell& cell : layout.Cells()) {
    const TTreemapNode& node = snapshot.Nodes[cell.Node];
    if (node.Kind == TTreemapNode::Folder) continue;
    EXPECT_EQ(hasEdge(cell.Rect), node.Kind == TTreemapNode::Rest) << int(node.Kind);
    ++checked;
  }
  EXPECT_EQ(checked, 2);
}

TEST(ExtensionColorTest, ColoursAreFixedCaseBlindAndDistinct) {
  // Stored expectations: the colours must not move between runs, builds or machines.
  const std::pair<const char*, uint32_t> fixed[] = {
      {".pdf", 0xFFE53935}, {".PDF", 0xFFE53935}, {".jpg", 0xFF00ACC1}, {"", 0xFFB8B0A0},
      {".qqq", 0xFFF1EA38}, {".kestrove", 0xFFA942DF},
  };
  for (const auto& [extension, color] : fixed) EXPECT_EQ(ExtensionColor(extension), color) << extension;

  std::set<uint32_t> common;
  for (const char* e : {".txt", ".pdf", ".docx", ".xlsx", ".jpg", ".png", ".mp3", ".mp4", ".zip", ".exe", ".dll",
                        ".cpp", ".h", ".iso", ".log", ".html"})
    EXPECT_TRUE(common.insert(ExtensionColor(e)).second) << e;
  // Other extensions: opaque and saturated enough to tell apart under shading.
  for (int i = 0; i < 200; ++i) {
    const uint32_t c = ExtensionColor(".x" + std::to_string(i));
    const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_GE(std::max({r, g, b}) - std::min({r, g, b}), 100u) << i;
  }
}

}  // namespace
}  // namespace kv
