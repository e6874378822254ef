#include "app/ExportCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TreeChecks.h"
#include "fakes/TestFiles.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "app/ReportPane.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;
using test::Utf8;
using test::WriteAll;

const char* const OverwriteQuestion = "This file already exists. Replace it?";

std::string English(std::string_view id) {
  static const std::map<std::string, std::string, std::less<>> texts = {
      {"2164", "Name"},  {"2161", "Size"},       {"2165", "Percent"},           {"2167", "Files"},
      {"2174", "Count"}, {"21101", OverwriteQuestion}, {"2132", "Files and folders"}, {"2133", "Extensions"},
      {"2361", "Not a file: %s"}};
  const auto found = texts.find(id);
  return found != texts.end() ? found->second : "#" + std::string(id);
}

// A tree with its own fake platform, so an importing side can differ.
struct TTestTree {
  TTestTree() : Services(Fake.Platform(), TPathStyle::Windows), Tree(Services, *Fake.Locale) {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
  }
  void AddFile(TFolderNode* folder, const std::string& name, int64_t size) {
    ASSERT_TRUE(Tree.AddFileNode(GetNodePath(folder) + name, folder, size, TItemInfo{}, "PC\\bob"));
    const TFileNodeData* file = folder->Data()->Files.Find(name);
    Tree.AddSizesToFolder(folder, size, file->AllocatedSize(), 1);
  }
  test::FakePlatform Fake;
  TFileServices Services;
  TSizeTree Tree;
};

class ExportCommandsTest : public ::testing::Test {
 protected:
  ExportCommandsTest() {
    // C:\Data with b.txt 300, a.txt 100, c.bin 7000 and the empty folder Sub.
    Source.Tree.BeginUpdate();
    Data = Source.Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "PC\\bob");
    Source.Tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "PC\\bob");
    Source.AddFile(Data, "b.txt", 300);
    Source.AddFile(Data, "a.txt", 100);
    Source.AddFile(Data, "c.bin", 7000);
    Source.Tree.EndUpdate();
    Dir = test::MakeTempFolder("kestrove-exportcommands");
    Env.Busy = [this](bool busy) { BusyCalls.push_back(busy); };
  }
  ~ExportCommandsTest() override {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  std::string PathOf(const std::string& name) const { return Utf8(Dir / name); }
  void Choose(const std::string& name) { Dialog.SaveNames.push_back({PathOf(name), 1}); }

  TTestTree Source;
  const TSizeFormat Format{TSizeType::FileSize, TSizeUnit::B, Source.Fake.Locale.get()};
  TFolderNode* Data = nullptr;
  fs::path Dir;
  TScriptedDialog Dialog;
  std::vector<bool> BusyCalls;
  TFileCommandEnv Env{Dialog, English, {}, {}, NativePathStyle()};
};

// ---------------------------------------------------------------- names

TEST_F(ExportCommandsTest, NameWithoutDotInItsFileNamePartGetsTheExtension) {
  fs::create_directory(Dir / "my.folder");
  Choose("my.folder/scan");
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);
  EXPECT_TRUE(fs::exists(Dir / "my.folder" / "scan.kvr"));
  EXPECT_FALSE(fs::exists(Dir / "my.folder" / "scan"));
  EXPECT_EQ(Dialog.SaveFilters, (std::vector<std::string>{"Kestrove Result|*.kvr"}));
  EXPECT_TRUE(Dialog.Questions.empty());
  EXPECT_TRUE(Dialog.Errors.empty());
  EXPECT_EQ(BusyCalls, (std::vector<bool>{true, false}));
  // The shared save dialog starts with the name chosen last.
  EXPECT_EQ(Env.LastSaveName, PathOf("my.folder/scan"));

  Choose("scan.bak");
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);
  EXPECT_TRUE(fs::exists(Dir / "scan.bak"));
  EXPECT_FALSE(fs::exists(Dir / "scan.bak.kvr"));
  // The next dialog proposes the last name without its extension; a name that
  // only starts with a dot keeps it.
  EXPECT_EQ(Dialog.ProposedNames, (std::vector<std::string>{"", PathOf("my.folder/scan")}));
  Choose(".hidden");
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);
  EXPECT_EQ(Dialog.ProposedNames.back(), PathOf("scan"));
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Cancelled);
  EXPECT_EQ(Dialog.ProposedNames.back(), PathOf(".hidden"));
}

TEST_F(ExportCommandsTest, ReplacingAFileNeedsAYes) {
  WriteAll(Dir / "scan.kvr", "old");
  Choose("scan");
  Dialog.Answers = {false};
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Cancelled);
  EXPECT_EQ(Dialog.Questions, (std::vector<std::string>{OverwriteQuestion}));
  EXPECT_EQ(ReadAll(Dir / "scan.kvr"), "old");
  EXPECT_TRUE(BusyCalls.empty());

  Choose("scan");
  Dialog.Answers = {true};
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);
  EXPECT_EQ(Dialog.Questions.size(), 2u);
  EXPECT_GT(fs::file_size(Dir / "scan.kvr"), 96u);
}

TEST_F(ExportCommandsTest, CancellingTheDialogWritesNothing) {
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Cancelled);
  EXPECT_EQ(SaveReportCommand(TReportFileFormat::Csv, TReportPane(Format), {}, "", "", Env),
            TCommandOutcome::Cancelled);
  EXPECT_EQ(SaveTreeReportCommand(TTreeReportFormat::Html, true, Source.Tree, Format, "", Env),
            TCommandOutcome::Cancelled);
  EXPECT_EQ(ImportResultCommand(Source.Tree, Env), TCommandOutcome::Cancelled);
  EXPECT_EQ(Dialog.SaveFilters, (std::vector<std::string>{"Kestrove Result|*.kvr", "CSV file|*.csv", "Html file|*.html"}));
  // Each dialog is titled by what it is for, in the user's language.
  EXPECT_EQ(Dialog.FileTitles, (std::vector<std::string>{"#2420", "#2422", "#2180", "#2421"}));
  EXPECT_TRUE(fs::is_empty(Dir));
  EXPECT_TRUE(Dialog.Errors.empty());
  EXPECT_TRUE(BusyCalls.empty());
}

TEST_F(ExportCommandsTest, AnUnwritablePathShowsTheFileLayersMessage) {
  Choose("missing/scan.kvr");
  EXPECT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Failed);
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_NE(Dialog.Errors[0].find(PathOf("missing/scan.kvr")), std::string::npos) << Dialog.Errors[0];
  // The wait cursor ends also when writing fails.
  EXPECT_EQ(BusyCalls, (std::vector<bool>{true, false}));

  Choose("missing/report");
  EXPECT_EQ(SaveTreeReportCommand(TTreeReportFormat::Csv, true, Source.Tree, Format, "", Env),
            TCommandOutcome::Failed);
  ASSERT_EQ(Dialog.Errors.size(), 2u);
  EXPECT_NE(Dialog.Errors[1].find(PathOf("missing/report.csv")), std::string::npos) << Dialog.Errors[1];
}

// ---------------------------------------------------------------- import

TEST_F(ExportCommandsTest, ExportThenImportMergesIntoASecondTree) {
  Choose("scan");
  ASSERT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);

  // The second tree already holds C:\Data with a.txt and a file of its own.
  TTestTree target;
  target.Tree.BeginUpdate();
  TFolderNode* data = target.Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "PC\\eve");
  target.AddFile(data, "a.txt", 5);
  target.AddFile(data, "own.doc", 9);
  target.Tree.EndUpdate();
  const int64_t filesBefore = target.Tree.TotalFiles;

  Dialog.OpenNames = {PathOf("scan.kvr")};
  BusyCalls.clear();
  EXPECT_EQ(ImportResultCommand(target.Tree, Env), TCommandOutcome::Done);
  EXPECT_EQ(Dialog.OpenFilters, (std::vector<std::string>{"Kestrove Result|*.kvr|ncdu JSON|*.json *.json.gz *.json.zst *.gz *.zst|All files|*"}));
  EXPECT_EQ(BusyCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Dialog.Errors.empty());

  ASSERT_EQ(target.Tree.FindFolderNode("C:\\Data"), data);
  const TFolderNodeData& merged = *data->Data();
  // The totals are those of what the merged folder holds; its owner and files stay.
  test::ExpectTotalsAreSumsBelow(target.Tree);
  EXPECT_EQ(merged.Owner(), "PC\\eve");
  ASSERT_NE(merged.Files.Find("a.txt"), nullptr);
  EXPECT_EQ(merged.Files.Find("a.txt")->FileSize(), 5);  // kept, not replaced
  ASSERT_NE(merged.Files.Find("own.doc"), nullptr);
  ASSERT_NE(merged.Files.Find("b.txt"), nullptr);
  EXPECT_EQ(merged.Files.Find("c.bin")->FileSize(), 7000);
  EXPECT_EQ(merged.Files.Find("c.bin")->AllocatedSize(), 8192);
  EXPECT_EQ(merged.Files.Count(), 4u);
  EXPECT_EQ(GetNodePath(target.Tree.FindFolderNode("C:\\Data\\Sub")), "C:\\Data\\Sub\\");
  // The file counter counts what the tree holds.
  EXPECT_EQ(target.Tree.TotalFiles, filesBefore + 2);
}

TEST_F(ExportCommandsTest, ImportOfNothingOrOfAMissingFileChangesNothingSilently) {
  TTestTree target;
  EXPECT_EQ(ImportResultCommand(target.Tree, Env), TCommandOutcome::Cancelled);
  Dialog.OpenNames = {PathOf("none.kvr")};
  EXPECT_EQ(ImportResultCommand(target.Tree, Env), TCommandOutcome::Cancelled);
  EXPECT_EQ(target.Tree.Root()->ChildCount(), 0u);
  EXPECT_TRUE(Dialog.Errors.empty());
  EXPECT_TRUE(BusyCalls.empty());
}

TEST_F(ExportCommandsTest, ACutFileKeepsWhatWasReadAndShowsTheReadError) {
  Choose("scan");
  ASSERT_EQ(ExportResultCommand(Source.Tree, Env), TCommandOutcome::Done);
  std::string bytes = ReadAll(Dir / "scan.kvr");
  bytes.resize(bytes.size() - 3);
  WriteAll(Dir / "cut.kvr", bytes);

  TTestTree target;
  Dialog.OpenNames = {PathOf("cut.kvr")};
  BusyCalls.clear();
  EXPECT_EQ(ImportResultCommand(target.Tree, Env), TCommandOutcome::Failed);
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_NE(Dialog.Errors[0].find(PathOf("cut.kvr")), std::string::npos) << Dialog.Errors[0];
  EXPECT_EQ(BusyCalls, (std::vector<bool>{true, false}));
  EXPECT_NE(target.Tree.FindFolderNode("C:\\Data"), target.Tree.Root());
}

TEST_F(ExportCommandsTest, AFolderAsResultFileIsRefusedInTheUsersLanguage) {
  std::filesystem::create_directory(Dir / "folder.kvr");
  TTestTree target;
  Dialog.OpenNames = {PathOf("folder.kvr")};
  EXPECT_EQ(ImportResultCommand(target.Tree, Env), TCommandOutcome::Failed);
  ASSERT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_EQ(Dialog.Errors[0], "Not a file: " + PathOf("folder.kvr"));
  EXPECT_EQ(target.Tree.Root()->ChildCount(), 0u);
}

// ---------------------------------------------------------------- report files

class SaveReportTest : public ExportCommandsTest {
 protected:
  SaveReportTest() {
    NameSize.assign(FilesColumns().size(), false);
    NameSize[fcName] = NameSize[fcSize] = true;
    Pane.Build(Data, TReportSettings{}, English);
  }
  std::string Save(TReportFileFormat format, const std::string& name) {
    Choose(name);
    EXPECT_EQ(SaveReportCommand(format, Pane, NameSize, GetNodePath(Data), "09.12.2026 08:00:00", Env),
              TCommandOutcome::Done);
    return ReadAll(Dir / name);
  }
  TReportPane Pane{Format};
  std::vector<bool> NameSize;
};

TEST_F(SaveReportTest, CsvHoldsTheRowsInTheCurrentOrderAndOnlyVisibleColumns) {
  // Sorted by size, largest first, at the start; the fake locale writes "7 000,00 B".
  EXPECT_EQ(Save(TReportFileFormat::Csv, "bysize.csv"),
            "\"Report type:\";\"Files and folders\"\r\n"
            "\"Folder:\";\"C:\\Data\\\"\r\n"
            "\r\n"
            "\"Name\";\"Size\"\r\n"
            "\"c.bin\";\"7 000,00 B\"\r\n"
            "\"b.txt\";\"300,00 B\"\r\n"
            "\"a.txt\";\"100,00 B\"\r\n"
            "\"Sub\";\"0,00 B\"\r\n");
  EXPECT_EQ(Dialog.SaveFilters.back(), "CSV file|*.csv");

  Pane.HeaderClick(fcName);  // by name, ascending
  NameSize[fcSize] = false;
  Choose("byname");
  ASSERT_EQ(SaveReportCommand(TReportFileFormat::Csv, Pane, NameSize, GetNodePath(Data), "", Env),
            TCommandOutcome::Done);
  EXPECT_FALSE(fs::exists(Dir / "byname"));
  EXPECT_EQ(ReadAll(Dir / "byname.csv"),
            "\"Report type:\";\"Files and folders\"\r\n"
            "\"Folder:\";\"C:\\Data\\\"\r\n"
            "\r\n"
            "\"Name\"\r\n"
            "\"a.txt\"\r\n"
            "\"b.txt\"\r\n"
            "\"c.bin\"\r\n"
            "\"Sub\"\r\n");
}

TEST_F(SaveReportTest, TextAndHtmlFollowTheSameRowsAndColumns) {
  Pane.HeaderClick(fcName);
  Pane.HeaderClick(fcName);  // by name, descending
  const std::string text = Save(TReportFileFormat::Text, "report.txt");
  EXPECT_EQ(Dialog.SaveFilters.back(), "Text file|*.txt");
  EXPECT_EQ(text,
            "Report type: Files and folders\r\n"
            "Folder: C:\\Data\\\r\n"
            "\r\n"
            "Name    Size         \r\n"
            "Sub     0,00 B       \r\n"
            "c.bin   7 000,00 B   \r\n"
            "b.txt   300,00 B     \r\n"
            "a.txt   100,00 B     \r\n");

  const std::string html = Save(TReportFileFormat::Html, "report.html");
  EXPECT_EQ(Dialog.SaveFilters.back(), "Html file|*.html");
  EXPECT_NE(html.find("<title>09.12.2026 08:00:00</title>"), std::string::npos);
  EXPECT_NE(html.find("<b>Report type:</b>Files and folders<br/><b>Folder:</b>C:\\Data\\<br/><br/>"
                      "<table><tr><td><b>Name</b></td><td><b>Size</b></td></tr>"
                      "<tr><td>Sub</td><td>0,00 B</td></tr><tr><td>c.bin</td><td>7 000,00 B</td></tr>"
                      "<tr><td>b.txt</td><td>300,00 B</td></tr><tr><td>a.txt</td><td>100,00 B</td></tr></table>"),
            std::string::npos)
      << html;
}

TEST_F(SaveReportTest, TheExtensionsListIsSavedWhenItsKindIsShown) {
  Pane.SetKind(TReportKind::ExtensionsInThisFolder);
  Pane.Build(Data, TReportSettings{}, English);
  std::vector<bool> all(ExtensionsColumns().size(), true);
  Choose("types");
  ASSERT_EQ(SaveReportCommand(TReportFileFormat::Csv, Pane, all, GetNodePath(Data), "", Env), TCommandOutcome::Done);
  const std::string csv = ReadAll(Dir / "types.csv");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "\"Report type:\";\"Extensions\"");
  EXPECT_NE(csv.find("\"Name\";\"Size\";\"Count\"\r\n"), std::string::npos) << csv;
  // Largest first: .bin (7000) before .txt (400 in two files); no file rows.
  EXPECT_LT(csv.find("\".bin\""), csv.find("\".txt\"")) << csv;
  EXPECT_EQ(csv.find("c.bin"), std::string::npos);
}

// ---------------------------------------------------------------- full tree report

TEST_F(ExportCommandsTest, TreeReportWritesTheChosenFormatWithOrWithoutFiles) {
  Choose("tree");
  ASSERT_EQ(SaveTreeReportCommand(TTreeReportFormat::Csv, false, Source.Tree, Format, "", Env),
            TCommandOutcome::Done);
  const std::string folders = ReadAll(Dir / "tree.csv");
  EXPECT_EQ(folders.rfind("\"Folder:\";\"\"\r\n", 0), 0u) << folders;
  EXPECT_NE(folders.find("\"Sub\""), std::string::npos);
  EXPECT_EQ(folders.find("\"b.txt\""), std::string::npos);

  Choose("tree");
  ASSERT_EQ(SaveTreeReportCommand(TTreeReportFormat::Html, true, Source.Tree, Format, "09.12.2026 08:00:00", Env),
            TCommandOutcome::Done);
  const std::string page = ReadAll(Dir / "tree.html");
  EXPECT_EQ(page.rfind("<html>\r\n", 0), 0u);
  EXPECT_NE(page.find("<title>List files (09.12.2026 08:00:00) </title>"), std::string::npos);
  EXPECT_NE(page.find("<td>b.txt</td>"), std::string::npos);
  EXPECT_EQ(Dialog.SaveFilters, (std::vector<std::string>{"CSV file|*.csv", "Html file|*.html"}));
  EXPECT_TRUE(Dialog.Questions.empty());
}

}  // namespace
}  // namespace kv
