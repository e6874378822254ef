#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

constexpr int64_t Max = std::numeric_limits<int64_t>::max();

struct TSizesCase {
  int64_t Size;
  int64_t Allocated;
  bool InSideTable;  // not the size rounded up to a power of two, nor 0
};

const TSizesCase SizesCases[] = {
    {0, 0, false},          {1, 4096, false},        {4096, 4096, false},
    {4097, 8192, false},    {5000, 5000, false},     {100, 0, false},
    {1, 512, false},        {5000000000LL, 5000003584LL, false},
    {5000, 12288, true},    {7, 3, true},            {4096, 6144, true},
    {0, 4096, true},        {-1, -1, true},          {10, -1, true},
    {Max - 100, Max, true}, {Max, Max, false},      {1, int64_t{1} << 62, true},
};

TEST(FileRecordSizes, AnyAllocatedSizeReadsBackAndOnlyOddOnesUseTheSideTable) {
  TItemInfo info;
  for (const TSizesCase& c : SizesCases) {
    SCOPED_TRACE(testing::Message() << c.Size << " / " << c.Allocated);
    const size_t before = OddAllocatedSizeCount();
    {
      TFileNodeData file("f", c.Size, c.Allocated, nullptr, info, "u");
      EXPECT_EQ(file.FileSize(), c.Size);
      EXPECT_EQ(file.AllocatedSize(), c.Allocated);
      EXPECT_EQ(file.GetSize(TSizeType::Allocated), c.Allocated);
      EXPECT_EQ(OddAllocatedSizeCount(), before + (c.InSideTable ? 1 : 0));
      // Changing one and back again ends where it started, whatever the route.
      file.SetAllocatedSize(c.Allocated == 7 ? 13 : 7);
      EXPECT_EQ(file.AllocatedSize(), c.Allocated == 7 ? 13 : 7);
      file.SetAllocatedSize(c.Allocated);
      EXPECT_EQ(file.AllocatedSize(), c.Allocated);
      file.SetSizes(0, 0);
      EXPECT_EQ(file.AllocatedSize(), 0);
      EXPECT_EQ(OddAllocatedSizeCount(), before);
      file.SetSizes(c.Size, c.Allocated);
      EXPECT_EQ(file.FileSize(), c.Size);
      EXPECT_EQ(file.AllocatedSize(), c.Allocated);
    }
    EXPECT_EQ(OddAllocatedSizeCount(), before) << "a freed record left its entry behind";
  }
}

TEST(FileRecordSizes, RecordsWithOddSizesKeepTheirOwn) {
  TItemInfo info;
  std::vector<std::unique_ptr<TFileNodeData>> files;
  for (int64_t i = 0; i < 50; ++i)
    files.push_back(std::make_unique<TFileNodeData>("f", 4096 * i + 1, 3 * i + 1, nullptr, info, "u"));
  for (int64_t i = 0; i < 50; ++i) EXPECT_EQ(files[i]->AllocatedSize(), 3 * i + 1) << i;
}

class FolderNumbersTest : public ::testing::Test {
 protected:
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;
};

TEST_F(FolderNumbersTest, RecordsFindTheirFolderAndFreedNumbersStandForTheNextFolder) {
  TFolderNode* a = Tree.GetFolderNode("C:\\a\\", Info, nullptr, "u");
  TFolderNode* b = Tree.GetFolderNode("C:\\a\\b\\", Info, nullptr, "u");
  const TFolderNode* nodes[] = {Tree.Root(), a, b, a->Parent()};
  for (const TFolderNode* node : nodes) {
    EXPECT_NE(node->Number(), 0u);
    EXPECT_EQ(FolderByNumber(node->Number()), node);
  }
  EXPECT_NE(a->Number(), b->Number());
  EXPECT_EQ(FolderByNumber(0), nullptr);

  auto* file = new TFileNodeData("x", 1, 1, b, Info, "u");
  ASSERT_TRUE(b->Data()->AddFile(file));
  EXPECT_EQ(file->ParentNode(), b);
  EXPECT_EQ(b->Data()->ParentNode(), a);
  file->SetParentNode(a);
  EXPECT_EQ(file->ParentNode(), a);
  file->SetParentNode(nullptr);
  EXPECT_EQ(file->ParentNode(), nullptr);

  const uint32_t freed = b->Number();
  Tree.RemoveFolderNode(b);
  EXPECT_EQ(FolderByNumber(freed), nullptr);
  TFolderNode* c = Tree.GetFolderNode("C:\\a\\c\\", Info, nullptr, "u");
  EXPECT_EQ(FolderByNumber(c->Number()), c);
}

}  // namespace
}  // namespace kv
