#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

constexpr int64_t Max = std::numeric_limits<int64_t>::max();
uint64_t Bits(double d) { return std::bit_cast<uint64_t>(d); }

struct TSizesCase {
  int64_t Size, Allocated;
  // Not 0, not -1 (not known yet), and not the size rounded up to 2^k give or
  // take at most 65535 steps of 2^k (or the size is past 2^48 and it is not the rounding).
  bool InSideTable;
};

constexpr int64_t P(int k) { return int64_t{1} << k; }

const TSizesCase SizesCases[] = {
    {0, 0, false},         {1, 4096, false},    {4096, 4096, false},     {4097, 8192, false},
    {5000, 5000, false},   {100, 0, false},     {1, 512, false},         {5000000000LL, 5000003584LL, false},
    {Max, Max, false},     {-1, -1, false},     {10, -1, false},
    // Preallocated: whole clusters above the rounding.
    {5000, 12288, false},  {4096, 6144, false}, {0, 4096, false},
    // Compressed or sparse: whole clusters below it.
    {100000, 8192, false}, {7, 3, false},       {P(40), P(28), false},   {P(28), 4096, false},
    {P(28) + 4096, 4096, true},                 {P(40), 4096, true},     {P(48) - 1, 4096, true},
    {P(48), 4096, true},   {Max - 100, Max, true},                       {1, P(62), true},
    {P(48), P(48), false}, {P(60) + 1, 3 * P(60), true},                 {P(47), 3 * P(60), false},
};
TEST(FileRecordSizes, AnyAllocatedSizeReadsBackAndOnlyOddOnesUseTheSideTable) {
  for (const TSizesCase& c : SizesCases) {
    SCOPED_TRACE(testing::Message() << c.Size << " / " << c.Allocated);
    const size_t before = OddAllocatedSizeCount();
    {
      TFileNodeData file("f", c.Size, c.Allocated, nullptr, TItemInfo{}, "u");
      EXPECT_EQ(file.FileSize(), c.Size);
      EXPECT_EQ(file.GetSize(TSizeType::Allocated), c.Allocated);
      EXPECT_EQ(OddAllocatedSizeCount(), before + (c.InSideTable ? 1 : 0));
      const int64_t other = c.Allocated == 7 ? 13 : 7;
      file.SetAllocatedSize(other);
      EXPECT_EQ(file.AllocatedSize(), other);
      file.SetSizes(0, 0);
      EXPECT_EQ(OddAllocatedSizeCount(), before);
      file.SetSizes(c.Size, c.Allocated);
      EXPECT_EQ(file.AllocatedSize(), c.Allocated);
    }
    EXPECT_EQ(OddAllocatedSizeCount(), before) << "a freed record left its entry behind";
  }
  // What disks report (whole 512-byte blocks, any number of them) always reads back.
  std::mt19937_64 random(11);
  for (int i = 0; i < 3000; ++i) {
    const int64_t size = static_cast<int64_t>(random() >> (random() % 63 + 1));
    const int64_t allocated = static_cast<int64_t>(random() >> (random() % 63 + 1)) & ~int64_t{511};
    TFileNodeData file("f", size, allocated, nullptr, TItemInfo{}, "u");
    ASSERT_EQ(file.FileSize(), size);
    ASSERT_EQ(file.AllocatedSize(), allocated) << size;
  }
  // Each record finds its own odd size.
  std::vector<std::unique_ptr<TFileNodeData>> files;
  for (int64_t i = 0; i < 50; ++i)
    files.push_back(std::make_unique<TFileNodeData>("f", 4096 * i + 1, 3 * i + 1, nullptr, TItemInfo{}, "u"));
  for (int64_t i = 0; i < 50; ++i) EXPECT_EQ(files[i]->AllocatedSize(), 3 * i + 1) << i;
}

// Every time a scan makes from 1960 to May 2099 packs and comes back bit for bit.
TEST(PackedTimes, ScanTimesInRangeComeBackExactly) {
  std::vector<TLocalTime> times = {{1960, 1, 1, 0, 0, 0, 0}, {1999, 12, 31, 23, 59, 59, 999},
                                   {2038, 1, 19, 3, 14, 8, 0}, {2099, 5, 13, 23, 59, 59, 999}};
  std::mt19937 random(7);
  auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int i = 0; i < 3000; ++i)
    times.push_back({1960 + below(139), 1 + below(12), 1 + below(28), below(24), below(60), below(60), below(1000)});
  for (size_t i = 0; i + 2 < times.size(); ++i) {
    const double t[3] = {EncodeDayCount(times[i]), EncodeDayCount(times[i + 1]), EncodeDayCount(times[i + 2])};
    TPackedTimes packed;
    ASSERT_TRUE(packed.Pack(t[0], t[1], t[2])) << times[i].Year << "-" << times[i].Month;
    double back[3] = {-1, -1, -1};
    packed.Unpack(back[0], back[1], back[2]);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(Bits(back[k]), Bits(t[k])) << i << " " << k;
  }
}

TEST(PackedTimes, TimesThatDoNotPackStayWholeInTheRecord) {
  const double inRange = EncodeDayCount({2020, 5, 6, 7, 8, 9, 10});
  const double odd[] = {EncodeDayCount({1959, 12, 31, 23, 59, 59, 999}), EncodeDayCount({2099, 5, 14, 0, 0, 0, 0}),
                        EncodeDayCount({1601, 1, 1, 0, 0, 0, 0}), -0.0, std::nan(""),
                        std::numeric_limits<double>::infinity(), inRange + 0.3 / 86400000.0,
                        std::nextafter(inRange, 1e9)};
  for (double time : odd) {
    for (int slot = 0; slot < 3; ++slot) {
      SCOPED_TRACE(testing::Message() << time << " in slot " << slot);
      double t[3] = {inRange, 0.0, inRange};
      TPackedTimes packed;
      ASSERT_TRUE(packed.Pack(t[0], t[1], t[2]));
      t[slot] = time;
      EXPECT_FALSE(packed.Pack(t[0], t[1], t[2]));
      double x, y, z;
      packed.Unpack(x, y, z);  // as it was
      EXPECT_TRUE(Bits(x) == Bits(inRange) && Bits(y) == Bits(0.0) && Bits(z) == Bits(inRange));

      const size_t before = OddTimesCount();
      {
        TItemInfo info;
        info.Created = t[0], info.Modified = t[1], info.LastAccess = t[2];
        TFileNodeData file("f", 1, 1, nullptr, info, "u");
        EXPECT_EQ(OddTimesCount(), before + 1);
        const TItemInfo back = file.Info();
        EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0);
        info.Created = info.Modified = info.LastAccess = inRange;
        file.SetInfo(info);
        EXPECT_EQ(OddTimesCount(), before);
        EXPECT_EQ(Bits(file.Info().Modified), Bits(inRange));
        info.Modified = time;
        file.SetInfo(info);
      }
      EXPECT_EQ(OddTimesCount(), before) << "a freed record left its times behind";
    }
  }
}

TEST(FileRecordInfo, AttributesAndMarksComeBackInEveryCombination) {
  for (unsigned bits = 0; bits < 16; ++bits) {
    for (uint8_t marks : {uint8_t{0}, uint8_t{imHardLink}, uint8_t{imReadError | imExcluded}, uint8_t{0x1F}}) {
      TItemInfo info;
      info.Created = EncodeDayCount({2024, 2, 3, 4, 5, 6, 7});
      info.ReadOnly = bits & 1, info.Hidden = bits & 2, info.System = bits & 4, info.Archive = bits & 8;
      info.Marks = marks;
      TFileNodeData file("f", 1, 1, nullptr, info, "u");
      const TItemInfo back = file.Info();
      EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0) << bits << " " << int(marks);
      file.AddMarks(imOnlineOnly);
      EXPECT_EQ(file.Marks(), marks | imOnlineOnly);
    }
  }
}

TEST(FolderNumbers, RecordsFindTheirFolderAndFreedNumbersAreGoneFromTheTable) {
  test::FakePlatform fake;
  TFileServices services{fake.Platform(), TPathStyle::Windows};
  TSizeTree tree{services, *fake.Locale};
  TFolderNode* a = tree.GetFolderNode("C:\\a\\", TItemInfo{}, nullptr, "u");
  TFolderNode* b = tree.GetFolderNode("C:\\a\\b\\", TItemInfo{}, nullptr, "u");
  for (const TFolderNode* node : {tree.Root(), a, b, a->Parent()}) {
    EXPECT_NE(node->Number(), 0u);
    EXPECT_EQ(FolderByNumber(node->Number()), node);
  }
  EXPECT_EQ(FolderByNumber(0), nullptr);
  auto* file = new TFileNodeData("x", 1, 1, b, TItemInfo{}, "u");
  ASSERT_TRUE(b->Data()->AddFile(file));
  EXPECT_EQ(file->ParentNode(), b);
  EXPECT_EQ(b->Data()->ParentNode(), a);
  file->SetParentNode(a);
  EXPECT_EQ(file->ParentNode(), a);
  const uint32_t freed = b->Number();
  tree.RemoveFolderNode(b);
  EXPECT_EQ(FolderByNumber(freed), nullptr);
  TFolderNode* c = tree.GetFolderNode("C:\\a\\c\\", TItemInfo{}, nullptr, "u");
  EXPECT_EQ(FolderByNumber(c->Number()), c);
}

}  // namespace
}  // namespace kv
