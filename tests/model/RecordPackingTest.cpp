#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

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

uint64_t Bits(double d) { return std::bit_cast<uint64_t>(d); }

// Every time a scan makes from 1960 to 2099 packs and comes back bit for bit.
TEST(PackedTimes, ScanTimesInRangeComeBackExactly) {
  const TLocalTime fixed[] = {
      {1960, 1, 1, 0, 0, 0, 0},       {1970, 1, 1, 0, 0, 0, 0},     {1999, 12, 31, 23, 59, 59, 999},
      {2026, 12, 11, 0, 31, 5, 1},    {2038, 1, 19, 3, 14, 8, 0},   {2099, 12, 31, 23, 59, 59, 999},
      {2000, 2, 29, 12, 0, 0, 500},
  };
  std::vector<TLocalTime> times(std::begin(fixed), std::end(fixed));
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i)
    times.push_back({1960 + static_cast<int>(random() % 140), 1 + static_cast<int>(random() % 12),
                     1 + static_cast<int>(random() % 28), static_cast<int>(random() % 24),
                     static_cast<int>(random() % 60), static_cast<int>(random() % 60),
                     static_cast<int>(random() % 1000)});
  for (size_t i = 0; i + 2 < times.size(); ++i) {
    const double a = EncodeDayCount(times[i]), b = EncodeDayCount(times[i + 1]), c = EncodeDayCount(times[i + 2]);
    TPackedTimes packed;
    ASSERT_TRUE(packed.Pack(a, b, c)) << times[i].Year << "-" << times[i].Month << "-" << times[i].Day;
    double x = -1, y = -1, z = -1;
    packed.Unpack(x, y, z);
    EXPECT_EQ(Bits(x), Bits(a)) << i;
    EXPECT_EQ(Bits(y), Bits(b)) << i;
    EXPECT_EQ(Bits(z), Bits(c)) << i;
  }
}

TEST(PackedTimes, TimesThatDoNotPackLeaveTheValueAlone) {
  const double inRange = EncodeDayCount({2020, 5, 6, 7, 8, 9, 10});
  const double odd[] = {
      EncodeDayCount({1959, 12, 31, 23, 59, 59, 999}),  // before 1960
      EncodeDayCount({2100, 1, 1, 0, 0, 0, 0}),         // past 2099
      EncodeDayCount({1601, 1, 1, 0, 0, 0, 0}),         // negative day count
      -0.0,
      std::nan(""),
      std::numeric_limits<double>::infinity(),
      inRange + 0.3 / 86400000.0,  // not a whole millisecond
      std::nextafter(inRange, 1e9),
  };
  for (double time : odd) {
    for (int slot = 0; slot < 3; ++slot) {
      SCOPED_TRACE(testing::Message() << time << " in slot " << slot);
      TPackedTimes packed;
      ASSERT_TRUE(packed.Pack(inRange, 0.0, inRange));
      double t[3] = {inRange, inRange, inRange};
      t[slot] = time;
      EXPECT_FALSE(packed.Pack(t[0], t[1], t[2]));
      double x, y, z;
      packed.Unpack(x, y, z);
      EXPECT_EQ(Bits(x), Bits(inRange));
      EXPECT_EQ(Bits(y), Bits(0.0));
      EXPECT_EQ(Bits(z), Bits(inRange));

      // A record keeps such times whole, in the side table while it lives.
      const size_t before = OddTimesCount();
      {
        TItemInfo info;
        info.Created = t[0];
        info.Modified = t[1];
        info.LastAccess = t[2];
        info.Hidden = true;
        info.Marks = imOnlineOnly;
        TFileNodeData file("f", 1, 1, nullptr, info, "u");
        EXPECT_EQ(OddTimesCount(), before + 1);
        const TItemInfo back = file.Info();
        EXPECT_EQ(Bits(back.Created), Bits(t[0]));
        EXPECT_EQ(Bits(back.Modified), Bits(t[1]));
        EXPECT_EQ(Bits(back.LastAccess), Bits(t[2]));
        EXPECT_TRUE(back.Hidden);
        EXPECT_FALSE(back.ReadOnly);
        EXPECT_EQ(back.Marks, imOnlineOnly);
        info.Created = info.Modified = info.LastAccess = inRange;
        file.SetInfo(info);
        EXPECT_EQ(OddTimesCount(), before);
        EXPECT_EQ(Bits(file.Info().Modified), Bits(inRange));
        info.Modified = time;
        file.SetInfo(info);
        EXPECT_EQ(OddTimesCount(), before + 1);
      }
      EXPECT_EQ(OddTimesCount(), before) << "a freed record left its times behind";
    }
  }
}

TEST(FileRecordInfo, AttributesAndMarksComeBackInEveryCombination) {
  const double when = EncodeDayCount({2024, 2, 3, 4, 5, 6, 7});
  for (unsigned bits = 0; bits < 16; ++bits) {
    for (uint8_t marks : {uint8_t{0}, uint8_t{imHardLink}, uint8_t{imReadError | imExcluded}, uint8_t{0x1F}}) {
      TItemInfo info;
      info.Created = when;
      info.ReadOnly = bits & 1;
      info.Hidden = bits & 2;
      info.System = bits & 4;
      info.Archive = bits & 8;
      info.Marks = marks;
      TFileNodeData file("f", 1, 1, nullptr, info, "u");
      const TItemInfo back = file.Info();
      EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0) << bits << " " << int(marks);
      file.AddMarks(imOnlineOnly);
      EXPECT_EQ(file.Marks(), marks | imOnlineOnly);
    }
  }
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
