// The snapshot taken in steps: the same as at once, and whole while a scan
// adds to the tree between the steps.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "treemap/Treemap.h"

namespace kv {
namespace {

class TreemapStepsTest : public ::testing::Test {
 protected:
  TreemapStepsTest() { Fake.FileSystem->ClusterSizes["C:\\"] = 4096; }

  TFolderNode* Folder(const std::string& path) { return Tree.GetFolderNode(path, TItemInfo{}, nullptr, ""); }

  void AddFiles(TFolderNode* folder, int count, int64_t size) {
    Tree.BeginUpdate();
    for (int i = 0; i < count; ++i) {
      const std::string name = "f" + std::to_string(folder->Data()->Files.Count()) + (i % 2 ? ".txt" : ".bin");
      ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size + i, TItemInfo{}, "o\\o"));
      Tree.AddSizesToFolder(folder, size + i, size + i, 1);
    }
    Tree.EndUpdate();
  }

  // C:\T with three folders of twenty files, one of them with a subfolder.
  TFolderNode* MakeTree() {
    for (const char* path : {"C:\\T\\a", "C:\\T\\b", "C:\\T\\c", "C:\\T\\a\\deep"}) AddFiles(Folder(path), 20, 1000);
    AddFiles(Folder("C:\\T"), 5, 3000);
    return Folder("C:\\T");
  }

  static int StepsTaken(TTreemapSnapshotSteps& steps, size_t items) {
    int taken = 1;
    while (!steps.Step(items)) ++taken;
    return taken;
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
};

TEST_F(TreemapStepsTest, StepsOfAnySizeGiveTheSnapshotTakenAtOnce) {
  const TFolderNode* top = MakeTree();
  const TTreemapSnapshot once = TakeTreemapSnapshot(top, TSizeType::FileSize, 200, 100);
  ASSERT_GT(once.Nodes.size(), 80u);
  for (const size_t items : {size_t{1}, size_t{25}, std::numeric_limits<size_t>::max()}) {
    TTreemapSnapshotSteps steps(top, TSizeType::FileSize, 200, 100);
    EXPECT_EQ(StepsTaken(steps, items) > 1, items < 100) << items;
    const TTreemapSnapshot stepped = steps.Take();
    ASSERT_EQ(stepped.Nodes.size(), once.Nodes.size());
    for (size_t i = 0; i < once.Nodes.size(); ++i) {
      const TTreemapNode &a = once.Nodes[i], &b = stepped.Nodes[i];
      EXPECT_TRUE(a.Size == b.Size && a.FirstChild == b.FirstChild && a.ChildCount == b.ChildCount &&
                  a.FolderNode == b.FolderNode && a.FileData == b.FileData && a.Color == b.Color && a.Kind == b.Kind)
          << items << " " << i;
    }
  }
}

TEST_F(TreemapStepsTest, FilesArrivingBetweenStepsKeepEveryFolderAsLargeAsWhatItShows) {
  TFolderNode* top = MakeTree();
  TTreemapSnapshotSteps steps(top, TSizeType::FileSize, 200, 100);
  ASSERT_FALSE(steps.Step(1));              // the top folder only
  AddFiles(Folder("C:\\T\\c"), 10, 50000);  // a scan's hand-over to a folder not yet taken
  StepsTaken(steps, 1);
  const TTreemapSnapshot snapshot = steps.Take();
  int arrived = 0;
  for (const TTreemapNode& node : snapshot.Nodes) {
    int64_t sum = 0;
    for (uint32_t c = 0; c < node.ChildCount; ++c) sum += snapshot.Nodes[node.FirstChild + c].Size;
    EXPECT_GE(node.Size, sum);
    arrived += node.Kind == TTreemapNode::File && node.Size >= 50000;
  }
  EXPECT_EQ(arrived, 10);
}

}  // namespace
}  // namespace kv
