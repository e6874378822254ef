#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "reports/AggregateReport.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

std::string TestTranslate(std::string_view id) {
  if (id == "2198") return "up to";
  if (id == "2199") return "above";
  if (id == "21100") return "h";
  return "?";
}

// ---- labels ----

TEST(AggregateLabels, SizeClassesAtEveryBoundary) {
  EXPECT_EQ(SizeRangeClass(-5), 0);
  EXPECT_EQ(SizeRangeClass(0), 0);
  EXPECT_EQ(SizeRangeClass(1024), 0);
  EXPECT_EQ(SizeRangeClass(1025), 1);
  EXPECT_EQ(SizeRangeClass(16384), 1);
  // From 16K on every class doubles its upper bound: 32K is class 2, 1G
  // class 17.
  int64_t upper = 16384;
  for (int cls = 2; cls <= 17; ++cls) {
    EXPECT_EQ(SizeRangeClass(upper + 1), cls) << upper + 1;
    upper *= 2;
    EXPECT_EQ(SizeRangeClass(upper), cls) << upper;
  }
  EXPECT_EQ(upper, 1073741824);
  EXPECT_EQ(SizeRangeClass(upper + 1), 18);
  EXPECT_EQ(SizeRangeClass(INT64_MAX), 18);
}

TEST(AggregateLabels, SizeLabelsTranslateOnlyTheOuterWords) {
  const TTranslate t = TestTranslate;
  EXPECT_EQ(SizeRangeLabel(0, t), "up to 1K");
  EXPECT_EQ(SizeRangeLabel(1024, t), "up to 1K");
  EXPECT_EQ(SizeRangeLabel(1025, t), "1K-16K");
  EXPECT_EQ(SizeRangeLabel(16385, t), "16K-32K");
  EXPECT_EQ(SizeRangeLabel(65536, t), "32K-64K");
  EXPECT_EQ(SizeRangeLabel(524289, t), "512K-1M");
  EXPECT_EQ(SizeRangeLabel(1048577, t), "1M-2M");
  EXPECT_EQ(SizeRangeLabel(268435456, t), "128M-256M");
  EXPECT_EQ(SizeRangeLabel(1073741824, t), "512M-1G");
  EXPECT_EQ(SizeRangeLabel(1073741825, t), "above 1G");
  // Nineteen distinct labels.
  std::set<std::string> labels;
  for (int cls = 0; cls < SizeRangeCount; ++cls) labels.insert(SizeRangeClassLabel(cls, t));
  EXPECT_EQ(labels.size(), 19u);
}

TEST(AggregateLabels, HoursOfTheDayToTheMillisecond) {
  const double day = 45000;
  EXPECT_EQ(HourOfDay(day), 0);
  EXPECT_EQ(HourOfDay(day + 0.5), 12);
  EXPECT_EQ(HourOfDay(day + (23 * 60 + 59) / 1440.0), 23);
  EXPECT_EQ(HourOfDay(day + 10 / 24.0), 10);  // not 9 from a rounding error
  EXPECT_EQ(HourOfDay(day + 1 - 1e-10), 0);   // rounds up to midnight
  EXPECT_EQ(HourOfDay(day + 1 - 0.0006 / 86400),
            23);                   // 0.6 ms before midnight is still 23
  EXPECT_EQ(HourOfDay(-1.25), 6);  // the fraction is the time also before 1899
  EXPECT_EQ(HourOfDay(std::nan("")), 0);
  EXPECT_EQ(HourLabel(day + 0.75, TestTranslate), "18 h");
  EXPECT_EQ(HourLabel(day, TTranslate{}),
            "0 21100");  // no language: the id itself
}

// ---- reports ----

// C:\Data: a.TXT 100 (DOM\Ann, 12:00), b.txt 200 (dom\ann, 23:59), README 1025
// (X\bob, 12:30), c.Txt 16384 (DOM\Ann)
//   Sub: d.jpg 16385, LICENSE 0, e.TXT 1073741824, f.JPG 1073741825 (all
//   dom\ann, modified 06:00) Void (no files)
class AggregateReportTest : public ::testing::Test {
 protected:
  AggregateReportTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Tree.BeginUpdate();
    Data = Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "");
    Sub = Tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "");
    Void = Tree.GetFolderNode("C:\\Data\\Void", TItemInfo{}, nullptr, "");
    AddFile(Data, "a.TXT", 100, "DOM\\Ann", Day + 0.5);
    AddFile(Data, "b.txt", 200, "dom\\ann", Day + (23 * 60 + 59) / 1440.0);
    AddFile(Data, "README", 1025, "X\\bob", Day + 12.5 / 24);
    AddFile(Data, "c.Txt", 16384, "DOM\\Ann", Day + 0.5);
    for (auto [name, size] :
         {std::pair{"d.jpg", 16385LL}, {"LICENSE", 0LL}, {"e.TXT", 1073741824LL}, {"f.JPG", 1073741825LL}})
      AddFile(Sub, name, size, "dom\\ann", Day + 3 / 24.0);
    Tree.EndUpdate();
  }

  void AddFile(TFolderNode *folder, const std::string &name, int64_t size, const std::string &owner, double created) {
    TItemInfo info;
    info.Created = created;
    info.Modified = Day + 0.25;
    info.LastAccess = Day + 1 / 24.0;
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, info, owner));
    Tree.AddSizesToFolder(folder, size, folder->Data()->Files.Find(name)->AllocatedSize(), 1);
  }

  struct TRow {
    std::string Name;
    int64_t Size;
    int64_t Count;
    std::string IconKey;
    bool operator==(const TRow &) const = default;
  };
  friend void PrintTo(const TRow &r, std::ostream *os) {
    *os << "{" << r.Name << ", " << r.Size << ", " << r.Count << ", " << r.IconKey << "}";
  }

  // The sizes as a list of the given size type reads them.
  std::vector<TRow> Build(const TFolderNode *folder, TReportKind kind, int32_t count = 50, int32_t stamp = 1,
                          TSizeType type = TSizeType::FileSize) {
    std::vector<TRow> rows;
    for (const auto &row : BuildAggregateReport(folder, kind, {count, stamp}, TestTranslate, *Fake.Locale)) {
      EXPECT_EQ(row->IconIndex, -1);
      rows.push_back({row->Name, row->GetSize(type), row->Count, row->IconKey});
    }
    return rows;
  }

  using V = std::vector<TRow>;
  static constexpr double Day = 45000;
  static constexpr int64_t G = 1073741824;
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TFolderNode *Data, *Sub, *Void;
};

TEST_F(AggregateReportTest, ExtensionsOfTheFolderMergeCaseAndKeepTheFirstFileIcon) {
  EXPECT_EQ(Build(Data, TReportKind::ExtensionsInThisFolder),
            (V{{"", 1025, 1, "C:\\Data\\README"}, {".txt", 16684, 3, "C:\\Data\\a.TXT"}}));
}

TEST_F(AggregateReportTest, LongAndShortSpellingsGroupAlike) {
  Tree.BeginUpdate();
  TFolderNode *docs = Tree.GetFolderNode("C:\\Docs", TItemInfo{}, nullptr, "");
  AddFile(docs, "x.MARKDOWN", 1, "o", Day);
  AddFile(docs, "z.md", 2, "o", Day);
  AddFile(docs, "y.markdown", 4, "o", Day);
  AddFile(docs, "w.MD", 8, "o", Day);
  AddFile(docs, "v.", 16, "o", Day);
  Tree.EndUpdate();
  EXPECT_EQ(
      Build(docs, TReportKind::ExtensionsInThisFolder),
      (V{{".", 16, 1, "C:\\Docs\\v."}, {".markdown", 5, 2, "C:\\Docs\\x.MARKDOWN"}, {".md", 10, 2, "C:\\Docs\\z.md"}}));
}

TEST_F(AggregateReportTest, ExtensionsBelowRankBySizeAndObeyTheListCount) {
  const TRow txt{".txt", 16684 + G, 4, "C:\\Data\\a.TXT"};
  const TRow jpg{".jpg", 16385 + G + 1, 2, "C:\\Data\\Sub\\d.jpg"};
  const TRow none{"", 1025, 2, "C:\\Data\\README"};
  EXPECT_EQ(Build(Data, TReportKind::Top100Extensions), (V{txt, jpg, none}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Extensions, 2), (V{txt, jpg}));
  EXPECT_TRUE(Build(Data, TReportKind::Top100Extensions, 0).empty());
  EXPECT_EQ(Build(Sub, TReportKind::Top100Extensions), (V{{".jpg", 16385 + G + 1, 2, "C:\\Data\\Sub\\d.jpg"},
                                                          {".txt", G, 1, "C:\\Data\\Sub\\e.TXT"},
                                                          {"", 0, 1, "C:\\Data\\Sub\\LICENSE"}}));
}

TEST_F(AggregateReportTest, OwnersNamedAsFirstMetAndUnlimitedBelow) {
  EXPECT_EQ(Build(Data, TReportKind::Owners), (V{{"DOM\\Ann", 16684, 3, ""}, {"X\\bob", 1025, 1, ""}}));
  // Sub meets the lower-case spelling first.
  EXPECT_EQ(Build(Sub, TReportKind::Owners), (V{{"dom\\ann", 16385 + 2 * G + 1, 4, ""}}));
  EXPECT_EQ(Build(Data, TReportKind::Top100Owners, 1),
            (V{{"DOM\\Ann", 16684 + 16385 + 2 * G + 1, 7, ""}, {"X\\bob", 1025, 1, ""}}));
}

TEST_F(AggregateReportTest, SizeRangesOfTheFolderAndBelow) {
  EXPECT_EQ(Build(Data, TReportKind::SizeRange), (V{{"1K-16K", 1025 + 16384, 2, ""}, {"up to 1K", 300, 2, ""}}));
  EXPECT_EQ(Build(Data, TReportKind::Top100SizeRange, 1), (V{{"above 1G", G + 1, 1, ""},
                                                             {"512M-1G", G, 1, ""},
                                                             {"1K-16K", 1025 + 16384, 2, ""},
                                                             {"16K-32K", 16385, 1, ""},
                                                             {"up to 1K", 300, 3, ""}}));
}

TEST_F(AggregateReportTest, TimeRangesFromTheChosenStamp) {
  EXPECT_EQ(Build(Data, TReportKind::TimeRange), (V{{"12 h", 100 + 1025 + 16384, 3, ""}, {"23 h", 200, 1, ""}}));
  EXPECT_EQ(Build(Data, TReportKind::TimeRange, 50, 2), (V{{"6 h", 17709, 4, ""}}));
  EXPECT_EQ(Build(Data, TReportKind::TimeRange, 50, 3), (V{{"1 h", 17709, 4, ""}}));
  EXPECT_EQ(Build(Data, TReportKind::Top100TimeRange, 1),
            (V{{"3 h", 16385 + 2 * G + 1, 4, ""}, {"12 h", 17509, 3, ""}, {"23 h", 200, 1, ""}}));
}

TEST_F(AggregateReportTest, SizesIgnoreTheSizeType) {
  const auto before = Build(Data, TReportKind::Top100Extensions);
  const auto after = Build(Data, TReportKind::Top100Extensions, 50, 1, TSizeType::Allocated);
  const auto ranges = Build(Data, TReportKind::SizeRange, 50, 1, TSizeType::Allocated);
  EXPECT_EQ(before, after);
  EXPECT_EQ(ranges, Build(Data, TReportKind::SizeRange));
}

TEST_F(AggregateReportTest, FolderWithoutOwnFilesEmptyFolderAndNoFolder) {
  TFolderNode *parentOfSub = Sub->Parent();
  ASSERT_EQ(parentOfSub, Data);
  EXPECT_TRUE(Build(Void, TReportKind::Top100Owners).empty());
  for (TReportKind kind : {TReportKind::ExtensionsInThisFolder, TReportKind::Owners, TReportKind::SizeRange,
                           TReportKind::TimeRange, TReportKind::Top100Extensions, TReportKind::Top100Owners,
                           TReportKind::Top100SizeRange, TReportKind::Top100TimeRange}) {
    EXPECT_TRUE(Build(Void, kind).empty());
    EXPECT_TRUE(Build(nullptr, kind).empty());
    EXPECT_TRUE(Build(Tree.Root(), kind).empty());
  }
  // C: holds no files itself, Data below it does.
  EXPECT_TRUE(Build(Data->Parent(), TReportKind::Owners).empty());
  EXPECT_EQ(Build(Data->Parent(), TReportKind::Top100Owners).size(), 2u);
  EXPECT_TRUE(Build(Data, TReportKind::FilesInThisFolder).empty());
}

// A locale whose case-insensitive comparison also ignores a trailing "!" shows
// the key table follows the comparison, not a plain case fold.
class BangBlindLocale : public test::FakeLocale {
 public:
  int CompareNoCase(std::string_view a, std::string_view b) const override {
    auto strip = [](std::string_view s) { return s.ends_with('!') ? s.substr(0, s.size() - 1) : s; };
    return FakeLocale::CompareNoCase(strip(a), strip(b));
  }
};

TEST_F(AggregateReportTest, KeysMergeByTheLocaleComparison) {
  BangBlindLocale locale;
  TFolderNode *odd = nullptr;
  Tree.BeginUpdate();
  odd = Tree.GetFolderNode("C:\\Odd", TItemInfo{}, nullptr, "");
  AddFile(odd, "1", 5, "Zed!", Day);
  AddFile(odd, "2", 7, "zed", Day);
  AddFile(odd, "3", 11, "Amy", Day);
  AddFile(odd, "4", 13, "ZED", Day);
  Tree.EndUpdate();
  const TAggregateRows rows = BuildAggregateReport(odd, TReportKind::Owners, {}, TestTranslate, locale);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->Name, "Amy");
  EXPECT_EQ(rows[1]->Name, "Zed!");
  EXPECT_EQ(rows[1]->Size, 25);
  EXPECT_EQ(rows[1]->Count, 3);
}

}  // namespace
}  // namespace kv
