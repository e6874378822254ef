#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "export/BaselineFile.h"
#include "export/ReportFile.h"
#include "export/ResultFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "model/TreeRemoval.h"
#include "reports/ChangesReport.h"
#include "settings/TextIds.h"

namespace kv {
namespace {

using TFiles = std::vector<std::pair<std::string, int64_t>>;  // path below the root, size

struct TExpectedRow {
  std::string Path;  // below the root; a trailing separator marks a folder
  int64_t Before, After;
  TChangeState State;
};

// One rule for both path styles: the same two trees, and the rows each gives.
struct TCase {
  TPathStyle Style;
  std::string Root;
  std::vector<TExpectedRow> Rows;  // in the report's order
};

// Before and after: grown, shrunk, gone, new, unchanged, a folder renamed
// (old -> new) and a file renamed only in case (Case.txt -> case.txt).
const TFiles Before = {{"keep.txt", 100}, {"grow.txt", 100}, {"shrink.txt", 500}, {"gone.txt", 70},
                       {"old/x.bin", 40}, {"Case.txt", 30},  {"sub/s.dat", 10}};
const TFiles After = {{"keep.txt", 100}, {"grow.txt", 250}, {"shrink.txt", 200}, {"new/x.bin", 40},
                      {"case.txt", 30},  {"added.txt", 60}, {"sub/s.dat", 10}};

using S = TChangeState;
const std::vector<TExpectedRow> CommonRows = {
    {"shrink.txt", 500, 200, S::Shrunk}, {"grow.txt", 100, 250, S::Grown}, {"gone.txt", 70, 0, S::Gone},
    {"added.txt", 0, 60, S::New},        {"new/", 0, 40, S::New},          {"old/", 40, 0, S::Gone},
    {"new/x.bin", 0, 40, S::New},        {"old/x.bin", 40, 0, S::Gone},
};

std::vector<TExpectedRow> WithCaseRename() {
  std::vector<TExpectedRow> rows = CommonRows;
  // Case-blind order puts them together; the exact bytes then order "C" first.
  rows.push_back({"Case.txt", 30, 0, S::Gone});
  rows.push_back({"case.txt", 0, 30, S::New});
  return rows;
}

const std::vector<TCase> Cases = {
    {TPathStyle::Windows, "C:\\Data", CommonRows},  // Windows names ignore case
    {TPathStyle::Posix, "/data", WithCaseRename()},
};

std::string Native(std::string path, TPathStyle style) {
  for (char& c : path)
    if (c == '/') c = PathSeparator(style);
  return path;
}

class ChangesReportTest : public ::testing::TestWithParam<TCase> {
 protected:
  ChangesReportTest() { Fake.FileSystem->ClusterSizes["C:\\"] = 4096; }

  void Fill(TSizeTree& tree, const TFiles& files) {
    const TPathStyle style = GetParam().Style;
    tree.BeginUpdate();
    for (const auto& [relative, size] : files) {
      const std::string full = GetParam().Root + PathSeparator(style) + Native(relative, style);
      const size_t cut = FolderPartLength(full, style);
      TFolderNode* folder = tree.GetFolderNode(full.substr(0, cut), TItemInfo{}, nullptr, "", style);
      ASSERT_TRUE(tree.AddFileNode(full, folder, size, TItemInfo{}, "", style));
      tree.AddSizesToFolder(folder, size, folder->Data()->Files.Find(full.substr(cut))->AllocatedSize(), 1);
    }
    tree.EndUpdate();
  }

  const TFolderNode* Top(const TSizeTree& tree) { return tree.FindFolderNode(GetParam().Root); }

  // The before tree goes through a result file, as every baseline does.
  TFileResult LoadBaseline(const TFiles& files, const std::string& name, TChangeBaseline& baseline) {
    TSizeTree before(Services, *Fake.Locale);
    Fill(before, files);
    const std::string path = (Folder / name).string();
    if (TFileResult written = WriteResultFile(before, path); !written) return written;
    return ReadBaselineFile(path, Now, *Fake.Locale, baseline);
  }

  std::string Expected(const TExpectedRow& row, std::string& folder) const {
    const TPathStyle style = GetParam().Style;
    std::string path = GetParam().Root + PathSeparator(style) + Native(row.Path, style);
    if (path.back() == PathSeparator(style)) path.pop_back();
    const size_t cut = FolderPartLength(path, style);
    folder = path.substr(0, cut);
    return path.substr(cut);
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Now{Services, *Fake.Locale};
  std::filesystem::path Folder = test::MakeTempFolder("kestrove-changes");
  ~ChangesReportTest() override { std::filesystem::remove_all(Folder); }
};

TEST_P(ChangesReportTest, RowsTotalsAndStatesThroughTheReportAndItsCsvFile) {
  Fill(Now, After);
  TChangeBaseline baseline;
  ASSERT_TRUE(LoadBaseline(Before, "before.kvr", baseline));
  EXPECT_FALSE(baseline.OtherRoot());

  const TChangesReport report = BuildChangesReport(Top(Now), baseline, TSizeType::FileSize);
  int64_t before = 0, after = 0;
  for (const auto& f : Before) before += f.second;
  for (const auto& f : After) after += f.second;
  EXPECT_EQ(report.Before, before);
  EXPECT_EQ(report.After, after);
  EXPECT_EQ(baseline.Total().Size, before);

  const std::vector<TExpectedRow>& expected = GetParam().Rows;
  ASSERT_EQ(report.Rows.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    std::string folder;
    const std::string name = Expected(expected[i], folder);
    const TChangeRow& row = report.Rows[i];
    EXPECT_EQ(row.Name, name) << i;
    EXPECT_EQ(row.Folder, folder) << i;
    EXPECT_EQ(row.Before, expected[i].Before) << name;
    EXPECT_EQ(row.After, expected[i].After) << name;
    EXPECT_EQ(row.State, expected[i].State) << name;
    EXPECT_EQ(row.IsFolder, expected[i].Path.back() == '/') << name;
  }

  // The CSV file carries the same rows in the same order.
  const std::map<std::string, std::string> words = {
      {IdChangeNew, "new"}, {IdChangeGone, "gone"}, {IdChangeGrown, "grown"}, {IdChangeShrunk, "shrunk"}};
  const TTranslate translate = [&](std::string_view id) {
    const auto it = words.find(std::string(id));
    return it == words.end() ? std::string(id) : it->second;
  };
  const TSizeFormat format{TSizeType::FileSize, TSizeUnit::B, Fake.Locale.get()};
  const std::vector<bool> visible{true, true, false, false, true, false, true};  // name, folder, difference, state
  const std::string csv = (Folder / "changes.csv").string();
  ASSERT_TRUE(WriteReportCsv(ChangesReportTable(report.Rows, visible, format, translate),
                             TReportHead{"Changes", GetNodePath(Top(Now)), ""}, csv));
  const std::string text = test::ReadAll(csv);
  size_t at = 0;
  for (const TExpectedRow& row : expected) {
    std::string folder;
    const std::string name = Expected(row, folder);
    const int64_t d = row.After - row.Before;
    const std::string difference = (d > 0 ? "+" : "-") + FormatSize(d > 0 ? d : -d, format);
    const char* state = row.State == S::New ? "new" : row.State == S::Gone ? "gone" : row.State == S::Grown ? "grown" : "shrunk";
    const std::string line = "\"" + name + "\";\"" + folder + "\";\"" + difference + "\";\"" + state + "\"\r\n";
    const size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n" << text;
    at = found + line.size();
  }
}

TEST_P(ChangesReportTest, ASubfolderListsOnlyWhatLiesBelowIt) {
  Fill(Now, After);
  TChangeBaseline baseline;
  ASSERT_TRUE(LoadBaseline(Before, "before.kvr", baseline));
  const TPathStyle style = GetParam().Style;
  const TFolderNode* oldParent = Now.FindFolderNode(GetParam().Root + PathSeparator(style) + "new");
  const TChangesReport report = BuildChangesReport(oldParent, baseline, TSizeType::FileSize);
  ASSERT_EQ(report.Rows.size(), 1u);
  EXPECT_EQ(report.Rows[0].Name, "x.bin");
  EXPECT_TRUE(report.FolderNew);
  // Unchanged below: nothing listed.
  const TFolderNode* sub = Now.FindFolderNode(GetParam().Root + PathSeparator(style) + "sub");
  EXPECT_TRUE(BuildChangesReport(sub, baseline, TSizeType::FileSize).Rows.empty());
}

TEST_P(ChangesReportTest, ABadFileIsRefusedAndTheEarlierBaselineKept) {
  Fill(Now, After);
  TChangeBaseline baseline;
  ASSERT_TRUE(LoadBaseline(Before, "before.kvr", baseline));
  const std::string bad = (Folder / "bad.kvr").string();
  test::WriteAll(bad, "not a result file at all");
  TFileResult refused = ReadBaselineFile(bad, Now, *Fake.Locale, baseline);
  EXPECT_FALSE(refused);
  EXPECT_NE(refused.Message.find("bad.kvr"), std::string::npos) << refused.Message;
  EXPECT_EQ(baseline.Total().Size, 850);
  EXPECT_EQ(BuildChangesReport(Top(Now), baseline, TSizeType::FileSize).Rows.size(), GetParam().Rows.size());
}

TEST_P(ChangesReportTest, AnotherRootComparesAsAllNew) {
  Fill(Now, After);
  TChangeBaseline baseline;
  TSizeTree other(Services, *Fake.Locale);
  const std::string root = GetParam().Style == TPathStyle::Windows ? "D:\\Else" : "/else";
  other.GetFolderNode(root, TItemInfo{}, nullptr, "", GetParam().Style);
  const std::string path = (Folder / "other.kvr").string();
  ASSERT_TRUE(WriteResultFile(other, path));
  ASSERT_TRUE(ReadBaselineFile(path, Now, *Fake.Locale, baseline));
  EXPECT_TRUE(baseline.OtherRoot());
  const TChangesReport report = BuildChangesReport(Top(Now), baseline, TSizeType::FileSize);
  EXPECT_EQ(report.Rows.size(), After.size() + 2);  // every file, and the folders new and sub
  for (const TChangeRow& row : report.Rows) EXPECT_EQ(row.State, S::New) << row.Name;
}

TEST_P(ChangesReportTest, AfterRemovalsAndLaterScansTheRowsAreThoseOfAFreshComparison) {
  Fill(Now, After);
  TChangeBaseline settled;
  ASSERT_TRUE(LoadBaseline(Before, "before.kvr", settled));
  const TPathStyle style = GetParam().Style;
  struct TStep {
    std::string Remove;  // below the root, as the window removes it; "/" the root itself
    TFiles Add;          // then scanned into the tree
  };
  const TStep steps[] = {
      {"sub/", {}},
      {"", {{"sub/s.dat", 10}}},
      {"grow.txt", {}},
      {"/", After},
      {"/", {{"KEEP.TXT", 100}, {"old/x.bin", 40}}},  // another case; a folder gone at first is back
  };
  // A gone item keeps the name the tree last had: on Windows paths that may differ in case.
  auto rows = [&](const TChangeBaseline& baseline) {
    std::vector<std::string> out;
    for (const TChangeRow& row : BuildChangesReport(Top(Now), baseline, TSizeType::FileSize).Rows)
      out.push_back(TPathKey::Folded(row.Folder + row.Name, style) + " " + std::to_string(static_cast<int>(row.State)));
    return out;
  };
  for (const TStep& step : steps) {
    const std::string path = GetParam().Root + (step.Remove == "/" ? "" : PathSeparator(style) + Native(step.Remove, style));
    if (!step.Remove.empty() && step.Remove.back() == '/') {
      TFolderNode* node = Now.FindFolderNode(path);
      settled.MarkGone(node);
      ASSERT_TRUE(RemoveFolderItem(Now, node->Data()));
    } else if (!step.Remove.empty()) {
      const size_t cut = FolderPartLength(path, style);
      TFolderNode* folder = Now.FindFolderNode(path.substr(0, cut));
      TFileNodeData* file = folder->Data()->Files.Find(path.substr(cut));
      settled.MarkGone(folder, file);
      RemoveFileItem(Now, file);
    }
    Fill(Now, step.Add);
    settled.Settle(Now);

    TChangeBaseline fresh;
    ASSERT_TRUE(LoadBaseline(Before, "fresh.kvr", fresh));
    EXPECT_EQ(settled.Gone().size(), fresh.Gone().size()) << step.Remove;
    EXPECT_EQ(rows(settled), rows(fresh)) << step.Remove;
    EXPECT_EQ(settled.OtherRoot(), fresh.OtherRoot()) << step.Remove;
  }
}

INSTANTIATE_TEST_SUITE_P(BothPathStyles, ChangesReportTest, ::testing::ValuesIn(Cases),
                         [](const auto& param) { return param.param.Style == TPathStyle::Windows ? "Windows" : "Posix"; });

}  // namespace
}  // namespace kv
