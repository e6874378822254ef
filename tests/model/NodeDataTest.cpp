#include <gtest/gtest.h>

#include <cstring>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

class NodeDataTest : public ::testing::Test {
 protected:
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;
};

TEST(CompactString, KeepsShortAndLongTextsExactly) {
  const std::string longText(300, 'x');
  for (const std::string& text : {std::string(), std::string("a"), std::string(23, 'q'),
                                  std::string(24, 'r'), std::string(29, 's'), std::string(30, 't'),
                                  longText, std::string("a\0b", 3), std::string(28, '\xFF')}) {
    TCompactString s(text);
    EXPECT_EQ(s.View(), text);
    TCompactString copy = s;
    EXPECT_EQ(copy.View(), text);
    TCompactString assigned("other text that is long enough for the heap");
    assigned = s;
    EXPECT_EQ(assigned.View(), text);
  }
}

TEST(ItemInfo, HasTheStoredLayout) {
  TItemInfo info;
  info.Created = 1.5;
  info.Archive = true;
  unsigned char bytes[32];
  std::memcpy(bytes, &info, 32);
  double created;
  std::memcpy(&created, bytes, 8);
  EXPECT_EQ(created, 1.5);
  EXPECT_EQ(bytes[27], 1);
  EXPECT_EQ(bytes[24], 0);
}

TEST(Extension, IsTheLastDotPartInLowerCase) {
  EXPECT_EQ(ExtractExtension("Photo.JPG"), ".jpg");
  EXPECT_EQ(ExtractExtension("Name.Tar.GZ"), ".gz");
  EXPECT_EQ(ExtractExtension(".profile"), ".profile");
  EXPECT_EQ(ExtractExtension("README"), "");
  EXPECT_EQ(ExtractExtension("noext"), "");
  EXPECT_EQ(ExtractExtension("trailing."), ".");
}

TEST_F(NodeDataTest, FileListRejectsExactDuplicatesOnly) {
  TFolderNode* folder = Tree.GetFolderNode("C:\\Data", Info, nullptr, "D\\u");
  TFolderNodeData* data = FolderData(folder);
  EXPECT_TRUE(data->AddFile(new TFileNodeData("a.txt", 1, 1, folder, Info, "D\\u")));
  auto* dup = new TFileNodeData("a.txt", 2, 2, folder, Info, "D\\u");
  EXPECT_FALSE(data->AddFile(dup));
  delete dup;
  EXPECT_EQ(data->Files.Count(), 1u);
  EXPECT_TRUE(data->AddFile(new TFileNodeData("A.TXT", 1, 1, folder, Info, "D\\u")));
  EXPECT_EQ(data->Files.Count(), 2u);
}

TEST_F(NodeDataTest, LargeFileListFindsDuplicatesThroughItsIndexAndAfterRemoval) {
  TFolderNode* folder = Tree.GetFolderNode("C:\\Big", Info, nullptr, "D\\u");
  TFileList& files = FolderData(folder)->Files;
  std::vector<TFileNodeData*> added;
  for (int i = 0; i < 1000; ++i) {
    auto* f = new TFileNodeData("file" + std::to_string(i), i, i, folder, Info, "D\\u");
    ASSERT_TRUE(files.Add(f));
    added.push_back(f);
  }
  for (int i : {0, 7, 8, 9, 500, 999}) {
    TFileNodeData dup("file" + std::to_string(i), 0, 0, folder, Info, "D\\u");
    EXPECT_FALSE(files.Add(&dup)) << i;
  }
  EXPECT_EQ(files.IndexOf(added[500]), 500);
  files.Remove(added[500]);
  EXPECT_EQ(files.Count(), 999u);
  EXPECT_EQ(files.Find("file500"), nullptr);
  EXPECT_EQ(files.Find("file501"), added[501]);
  EXPECT_EQ(files.IndexOf(added[501]), 500);
  EXPECT_TRUE(files.Add(new TFileNodeData("file500", 1, 1, folder, Info, "D\\u")));
  EXPECT_EQ(files[999]->Name.View(), "file500");
}

TEST_F(NodeDataTest, SizeTypeSwitchChangesEveryFigureAtOnce) {
  TFolderNode* folder = Tree.GetFolderNode("C:\\Data", Info, nullptr, "D\\u");
  TFolderNodeData* data = FolderData(folder);
  auto* file = new TFileNodeData("a.bin", 100, 4096, folder, Info, "D\\u");
  ASSERT_TRUE(data->AddFile(file));
  Tree.AddSizesToFolder(folder, 100, 4096, 1);

  TSizeType type = TSizeType::FileSize;
  EXPECT_EQ(file->GetSize(type), 100);
  EXPECT_EQ(data->GetSize(type), 100);
  EXPECT_EQ(data->GetOwnSize(type), 100);
  type = TSizeType::Allocated;
  EXPECT_EQ(file->GetSize(type), 4096);
  EXPECT_EQ(data->GetSize(type), 4096);
  EXPECT_EQ(data->GetOwnSize(type), 4096);
  EXPECT_EQ(FolderData(Tree.FindFolderNode("C:"))->GetSize(type), 4096);
}

TEST_F(NodeDataTest, EmptyFolderHasZeroOwnSizesUnderBothSizeTypes) {
  TFolderNodeData* data = FolderData(Tree.GetFolderNode("C:\\Empty", Info, nullptr, "D\\u"));
  EXPECT_EQ(data->Files.Count(), 0u);
  EXPECT_EQ(data->GetOwnSize(TSizeType::FileSize), 0);
  EXPECT_EQ(data->GetOwnSize(TSizeType::Allocated), 0);
}

TEST_F(NodeDataTest, PathsAndImagesOfTopLevelAndInnerFolders) {
  TFolderNode* windows = Tree.GetFolderNode("C:\\Windows", Info, nullptr, "D\\u");
  TFolderNodeData* drive = FolderData(windows->Parent());
  EXPECT_EQ(drive->GetParentPath(), "");
  EXPECT_EQ(drive->GetFullPath(), "C:");
  EXPECT_EQ(drive->GetClosedImage(), 2);
  EXPECT_EQ(drive->GetOpenImage(), 2);
  EXPECT_EQ(drive->TreePercent, 0);

  TFolderNodeData* data = FolderData(windows);
  EXPECT_EQ(data->GetParentPath(), "C:\\");
  EXPECT_EQ(data->GetFullPath(), "C:\\Windows");
  EXPECT_EQ(data->GetClosedImage(), 0);
  EXPECT_EQ(data->GetOpenImage(), 1);

  auto* file = new TFileNodeData("notepad.exe", 1, 1, windows, Info, "D\\u");
  ASSERT_TRUE(data->AddFile(file));
  EXPECT_EQ(file->GetFullPath(), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(file->GetText(), "notepad.exe");
  EXPECT_EQ(file->Extension(), ".exe");
}

TEST(ExtensionsNodeData, CountsItsItems) {
  TExtensionsNodeData row(".txt", 100, "C:\\a.txt");
  EXPECT_EQ(row.Count, 1);
  EXPECT_EQ(row.GetText(), ".txt");
  row.AddItem(50);
  EXPECT_EQ(row.GetSize(TSizeType::FileSize), 150);
  EXPECT_EQ(row.Count, 2);
  EXPECT_EQ(row.IconIndex, -1);
}

TEST(Owners, AreSharedNotCopied) {
  const std::string* a = InternOwner("HOST\\alice");
  const std::string* b = InternOwner(std::string("HOST\\") + "alice");
  EXPECT_EQ(a, b);
  EXPECT_NE(a, InternOwner("HOST\\bob"));
  EXPECT_EQ(*a, "HOST\\alice");
}

}  // namespace
}  // namespace kv
