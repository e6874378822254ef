#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "model/TreeRemoval.h"

namespace kv {
namespace {

class TreeRemovalTest : public ::testing::Test {
 protected:
  TreeRemovalTest() { Fake.FileSystem->ClusterSizes["C:\\"] = 4096; }

  TFolderNode* Folder(const std::string& path) { return Tree.GetFolderNode(path, Info, nullptr, "o\\o"); }

  // As a scan records a file: the node, then the sums up the chain.
  TFileNodeData* AddFile(TFolderNode* folder, const std::string& name, int64_t size) {
    const std::string path = GetNodePath(folder) + name;
    EXPECT_TRUE(Tree.AddFileNode(path, folder, size, Info, "o\\o"));
    TFileNodeData* file = folder->Data()->Files.Find(name);
    Tree.AddSizesToFolder(folder, size, file->AllocatedSize(), 1);
    return file;
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;
};

TEST_F(TreeRemovalTest, FileLeavesItsSizesOffEveryFolderAbove) {
  TFolderNode* b = Folder("C:\\A\\B\\");
  TFolderNode* a = b->Parent();
  TFolderNode* c = a->Parent();
  TFileNodeData* big = AddFile(b, "big.bin", 10 * 1024 * 1024);
  AddFile(b, "tiny.txt", 1);
  AddFile(a, "other.txt", 5000);
  const int64_t filesBefore = Tree.TotalFiles;

  EXPECT_EQ(RemoveFileItem(Tree, big), b);
  EXPECT_EQ(b->Data()->OwnSize, 1);
  EXPECT_EQ(b->Data()->OwnAllocated, 4096);
  EXPECT_EQ(b->Data()->TotalSize, 1);
  EXPECT_EQ(a->Data()->TotalSize, 5001);
  EXPECT_EQ(c->Data()->TotalSize, 5001);
  EXPECT_EQ(c->Data()->TotalAllocated, 4096 + 8192);
  EXPECT_EQ(a->Data()->OwnSize, 5000);  // another folder's own files are untouched
  EXPECT_EQ(b->Data()->FileCount, 1);
  EXPECT_EQ(a->Data()->FileCount, 2);
  EXPECT_EQ(c->Data()->FileCount, 2);
  EXPECT_EQ(Tree.TotalFiles, filesBefore - 1);
  EXPECT_EQ(b->Data()->Files.Find("big.bin"), nullptr);
}

TEST_F(TreeRemovalTest, FolderLeavesItsSubtreeOffEveryFolderAbove) {
  TFolderNode* b = Folder("C:\\A\\B\\");
  TFolderNode* a = b->Parent();
  TFolderNode* c = a->Parent();
  TFolderNode* b1 = Folder("C:\\A\\B\\one\\");
  Folder("C:\\A\\B\\two\\");
  TFolderNode* sibling = Folder("C:\\A\\Kept\\");
  for (int i = 0; i < 4; ++i) AddFile(b, "f" + std::to_string(i), 100);
  for (int i = 0; i < 3; ++i) AddFile(b1, "g" + std::to_string(i), 1000);
  AddFile(sibling, "keep.bin", 300);
  ASSERT_EQ(c->Data()->FolderCount, 5);
  const int64_t foldersBefore = Tree.TotalFolders;
  const int64_t filesBefore = Tree.TotalFiles;

  EXPECT_EQ(RemoveFolderItem(Tree, b->Data()), a);
  EXPECT_EQ(Tree.FindChild(a, "B"), nullptr);
  EXPECT_EQ(a->Data()->FolderCount, 1);  // two subfolders and B itself gone
  EXPECT_EQ(c->Data()->FolderCount, 2);
  EXPECT_EQ(a->Data()->FileCount, 1);
  EXPECT_EQ(c->Data()->FileCount, 1);
  EXPECT_EQ(a->Data()->TotalSize, 300);
  EXPECT_EQ(c->Data()->TotalAllocated, 4096);
  EXPECT_EQ(a->Data()->OwnSize, 0);  // own sizes count files only
  EXPECT_EQ(Tree.TotalFolders, foldersBefore - 3);
  EXPECT_EQ(Tree.TotalFiles, filesBefore - 7);
  // The one child left now holds everything of A.
  EXPECT_DOUBLE_EQ(sibling->Data()->TreePercent, 100.0);
}

TEST_F(TreeRemovalTest, TopLevelFolderLeavesTheOthersAsTheyWere) {
  TFolderNode* c = Folder("C:\\");
  TFolderNode* d = Folder("D:\\");
  Fake.FileSystem->ClusterSizes["D:\\"] = 4096;
  AddFile(c, "x", 10);
  AddFile(d, "y", 20);
  EXPECT_TRUE(RemoveFolderItem(Tree, c->Data())->IsHiddenRoot());
  ASSERT_EQ(Tree.Root()->ChildCount(), 1u);
  EXPECT_EQ(Tree.Root()->Child(0), d);
  EXPECT_EQ(d->Data()->TotalSize, 20);
  EXPECT_EQ(d->Data()->TreePercent, 0);  // top-level folders carry no share
  EXPECT_EQ(Tree.TotalFiles, 1);
  EXPECT_EQ(Tree.TotalFolders, 1);
}

}  // namespace
}  // namespace kv
