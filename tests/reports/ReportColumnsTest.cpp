#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

class ReportColumnsTest : public ::testing::Test {
 protected:
  ReportColumnsTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    TItemInfo info;
    info.Created = 45351.0;        // 2024-02-29, midnight
    info.Modified = 45351.75;      // 18:00
    info.LastAccess = -1.25;       // 1899-12-29 06:00
    info.ReadOnly = info.Hidden = true;
    Folder = Tree.GetFolderNode("C:\\Data\\Sub", info, nullptr, "PC\\bob");
    Tree.AddFileNode("C:\\Data\\Sub\\a.txt", Folder, 5000, info, "PC\\ann");
    Tree.AddSizesToFolder(Folder, 5000, 8192, 1);
    Tree.AddFileNode("C:\\Data\\own.bin", Folder->Parent(), 100, TItemInfo{}, "PC\\ann");
    Tree.AddSizesToFolder(Folder->Parent(), 100, 4096, 1);
    File = Folder->Data()->Files[0];
  }
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TFolderNode* Folder;
  TFileNodeData* File;
};

TEST_F(ReportColumnsTest, FileAndFolderCells) {
  const TSizeFormat l{TSizeType::FileSize, TSizeUnit::MB, Fake.Locale.get()};
  const auto kind = TReportKind::FilesInThisFolder;
  EXPECT_EQ(FilesCellText(*File, 0, fcName, kind, l), "a.txt");
  EXPECT_EQ(FilesCellText(*File, 0, fcFolder, kind, l), "C:\\Data\\Sub\\");
  EXPECT_EQ(FilesCellText(*File, 0, fcFiles, kind, l), "");
  EXPECT_EQ(FilesCellText(*File, 0, fcFolders, kind, l), "");
  EXPECT_EQ(FilesCellText(*File, 0, fcCreated, kind, l), "29.02.2024");
  EXPECT_EQ(FilesCellText(*File, 0, fcModified, kind, l), "29.02.2024 18:00:00");
  EXPECT_EQ(FilesCellText(*File, 0, fcLastAccess, kind, l), "29.12.1899 06:00:00");
  EXPECT_EQ(FilesCellText(*File, 0, fcAttributes, kind, l), "rh");
  EXPECT_EQ(FilesCellText(*File, 0, fcOwner, kind, l), "PC\\ann");
  EXPECT_EQ(FilesCellText(*File, 12.5, fcPercent, kind, l), PercentText(12.5, *Fake.Locale));
  TFolderNodeData* data = Folder->Parent()->Data();  // C:\Data
  EXPECT_EQ(FilesCellText(*data, 0, fcFiles, kind, l), "2");
  EXPECT_EQ(FilesCellText(*data, 0, fcFolders, kind, l), "1");
  EXPECT_EQ(FilesCellText(*data, 0, fcFolder, kind, l), "C:\\");
  EXPECT_EQ(FilesCellText(*Folder->Parent()->Parent()->Data(), 0, fcFolder, kind, l), "");
  // A system file shows no attributes.
  TItemInfo system;
  system.System = system.Archive = true;
  EXPECT_EQ(AttributesText(system), "");
}

TEST(AttributesText, LettersComeInTheirFixedOrder) {
  struct TCase {
    bool ReadOnly, Hidden;
    uint8_t Marks;
    const char* Text;
  };
  const TCase cases[] = {
      {false, false, imHardLink, "l"},
      {false, false, imOnlineOnly, "o"},
      {true, false, imHardLink, "rl"},
      {false, true, imOnlineOnly, "ho"},
      {true, true, imHardLink | imOnlineOnly, "rhlo"},
      // Folder marks are no file attributes.
      {false, false, imReadError | imOtherFileSystem, ""},
  };
  for (const TCase& c : cases) {
    TItemInfo info;
    info.ReadOnly = c.ReadOnly;
    info.Hidden = c.Hidden;
    info.Marks = c.Marks;
    EXPECT_EQ(AttributesText(info), c.Text) << "marks " << int(c.Marks);
  }
}

TEST_F(ReportColumnsTest, SizeCellFollowsUnitTypeAndTheGreatestFoldersRule) {
  const ILocale& l = *Fake.Locale;
  TFolderNodeData* data = Folder->Parent()->Data();
  TSizeFormat format{TSizeType::FileSize, TSizeUnit::B, &l};
  EXPECT_EQ(FilesCellText(*data, 0, fcSize, TReportKind::FilesInThisFolder, format), FormatSize(5100, TSizeUnit::B, l));
  EXPECT_EQ(FilesCellText(*data, 0, fcSize, TReportKind::Top100Folders, format), FormatSize(100, TSizeUnit::B, l));
  format.Type = TSizeType::Allocated;
  EXPECT_EQ(FilesCellText(*File, 0, fcSize, TReportKind::Top100Files, format), FormatSize(8192, TSizeUnit::B, l));
}

TEST(PercentText, IsCutNotRounded) {
  test::FakeLocale comma;
  EXPECT_EQ(PercentText(12.3456, comma), "12,34 %");
  EXPECT_EQ(PercentText(50, comma), "50 %");
  EXPECT_EQ(PercentText(5.5, comma), "5,5 %");
  EXPECT_EQ(PercentText(0, comma), "0 %");
  EXPECT_EQ(PercentText(99.999, comma), "99,99 %");
  EXPECT_EQ(PercentText(100, comma), "100 %");
  EXPECT_EQ(PercentText(0.05, comma), "0,05 %");
}

TEST(ExtensionsCells, NoneNameAndCount) {
  test::FakeLocale locale;
  const TSizeFormat l{TSizeType::FileSize, TSizeUnit::MB, &locale};
  TExtensionsNodeData none("", 3 * 1024 * 1024, "");
  none.AddItem(0);
  EXPECT_EQ(ExtensionsCellText(none, ecName, l), "(none)");
  EXPECT_EQ(ExtensionsCellText(none, ecCount, l), "2");
  EXPECT_EQ(ExtensionsCellText(none, ecSize, l), FormatSize(3 * 1024 * 1024, l.Unit, locale));
  TExtensionsNodeData txt(".txt", 1, "");
  // The empty name sorts first.
  EXPECT_LT(CompareExtensionsRows(none, txt, ecName), 0);
  EXPECT_GT(CompareExtensionsRows(none, txt, ecSize), 0);
}

TEST_F(ReportColumnsTest, SortIsStableInBothDirectionsAndHeaderClicksFlip) {
  TItemInfo info;
  std::vector<TFileNodeData*> files;
  for (const char* name : {"b", "A", "c", "a2", "B"}) {
    const int64_t size = (name[0] == 'b' || name[0] == 'B') ? 7 : 3;
    Tree.AddFileNode(std::string("C:\\List\\") + name, nullptr, size, info, "o\\o");
  }
  TFolderNodeData* list = Tree.FindFolderNode("C:\\List")->Data();
  TListingRows rows;
  for (TFileNodeData* f : list->Files) rows.push_back(f);
  auto names = [&] {
    std::string s;
    for (auto* r : rows) s += std::string(r->GetText()) + " ";
    return s;
  };
  TSortState sort;
  EXPECT_EQ(sort.Column, 1);
  EXPECT_TRUE(sort.Descending);
  SortFilesRows(rows, sort, TReportKind::FilesInThisFolder, TSizeType::FileSize);
  EXPECT_EQ(names(), "b B A c a2 ");  // equal sizes keep their order
  sort.HeaderClick(fcSize);
  EXPECT_FALSE(sort.Descending);
  SortFilesRows(rows, sort, TReportKind::FilesInThisFolder, TSizeType::FileSize);
  EXPECT_EQ(names(), "A c a2 b B ");
  sort.HeaderClick(fcName);  // another column: the direction still flips
  EXPECT_TRUE(sort.Descending);
  SortFilesRows(rows, sort, TReportKind::FilesInThisFolder, TSizeType::FileSize);
  EXPECT_EQ(names(), "c b B a2 A ");  // b and B are equal without case: previous order kept
  // By folder: the parent paths, without case, ties in their previous order.
  TListingRows mixed = {rows[0], Tree.FindFolderNode("C:\\Data")->Data(), rows[1], File};
  SortFilesRows(mixed, TSortState{fcFolder, false}, TReportKind::Top100Files, TSizeType::FileSize);
  EXPECT_EQ(mixed[0]->GetText(), "Data");   // directly in the drive
  EXPECT_EQ(mixed[1]->GetText(), "a.txt");  // in Data/Sub
  EXPECT_EQ(mixed[2]->GetText(), "c");      // both in List: c came before b
  EXPECT_EQ(mixed[3]->GetText(), "b");
  // Files sort below every folder on the count columns.
  TFolderNodeData* data = Tree.FindFolderNode("C:\\Data")->Data();
  EXPECT_LT(CompareFilesRows(*rows[0], *data, fcFiles, TReportKind::FilesInThisFolder, TSizeType::FileSize, rows), 0);
  EXPECT_LT(CompareFilesRows(*rows[0], *data, fcFolders, TReportKind::FilesInThisFolder, TSizeType::FileSize, rows), 0);
}

TEST(SortKeys, PercentsAndTimesCompareWithTolerance) {
  test::FakePlatform fake;
  TFileServices services(fake.Platform(), TPathStyle::Windows);
  TSizeTree tree(services, *fake.Locale);
  TItemInfo early, late;
  early.Modified = 100.0;
  late.Modified = 100.0 + 0.5 / 86400000.0;  // half a millisecond later
  TFolderNode* a = tree.GetFolderNode("C:\\a", early, nullptr, "o\\o");
  TFolderNode* b = tree.GetFolderNode("C:\\b", late, nullptr, "o\\o");
  const auto kind = TReportKind::FilesInThisFolder;
  EXPECT_EQ(CompareFilesRows(*a->Data(), *b->Data(), fcModified, kind, TSizeType::FileSize, {}), 0);
  late.Modified = 100.0 + 2.0 / 86400000.0;
  b->Data()->SetInfo(late);
  EXPECT_LT(CompareFilesRows(*a->Data(), *b->Data(), fcModified, kind, TSizeType::FileSize, {}), 0);
  EXPECT_EQ(ComparePercents(33.333333333333336, 33.33333333333333), 0);
  EXPECT_LT(ComparePercents(33.333333333333336, 33.3334), 0);
}

TEST(ColumnChoice, FirstUseRecordsTheVisibleColumnsPerKind) {
  TMemorySettingsStore store;
  const auto files = TReportKind::FilesInThisFolder, greatest = TReportKind::Top100Files;
  EXPECT_EQ(ColumnValueName(files, 3), "mniFilesInThisFolder-column-3");
  EXPECT_EQ(ColumnValueName(greatest, ColumnDefaultsMarker), "mniTop100Files-column--123456789");

  const std::vector<bool> shown = ApplyColumnVisibility(store, files, InitialColumnVisibility(files));
  EXPECT_EQ(shown, (std::vector<bool>{true, true, true, false, true, true, true, true, true, true, true}));
  EXPECT_EQ(OfferedColumns(store, files).size(), 10u);

  const std::vector<bool> top = ApplyColumnVisibility(store, greatest, InitialColumnVisibility(greatest));
  EXPECT_EQ(top, (std::vector<bool>{true, true, false, true, false, false, true, true, true, true, true}));
  std::vector<int> offered;
  for (const TColumnChoice& c : OfferedColumns(store, greatest)) offered.push_back(c.Index);
  EXPECT_EQ(offered, (std::vector<int>{0, 1, 3, 6, 7, 8, 9, 10}));

  // Hiding Owner in one kind leaves the other alone, and lasts.
  ToggleColumn(store, files, fcOwner, false);
  EXPECT_FALSE(ApplyColumnVisibility(store, files, InitialColumnVisibility(files))[fcOwner]);
  EXPECT_TRUE(ApplyColumnVisibility(store, greatest, InitialColumnVisibility(greatest))[fcOwner]);
  const auto choices = OfferedColumns(store, files);
  EXPECT_EQ(choices.size(), 10u);
  EXPECT_FALSE(choices.back().Checked);
  // Defaults are recorded once: a later, different visibility changes nothing.
  EXPECT_EQ(ApplyColumnVisibility(store, files, std::vector<bool>(11, true))[fcFolder], false);
  // Aggregate kinds have three columns.
  EXPECT_EQ(ApplyColumnVisibility(store, TReportKind::Owners, InitialColumnVisibility(TReportKind::Owners)),
            (std::vector<bool>{true, true, true}));
}

}  // namespace
}  // namespace kv
