#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>

#include "export/ReportFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "platform/Platform.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;
using test::Utf8;

std::string Spaces(size_t n) { return std::string(n, ' '); }

// Each line followed by CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");
  return text;
}

const std::string Style =
    "<style type=\"text/css\">body{   background: #FFFF;   font: 12px Verdana, Arial, Sans-serif; } "
    "a{color: blue;} h5{   margin: 0px;   padding: 0px;   margin-top: 2px;   margin-bottom: 2px;   "
    "font-weight:bold;   font: 14px Verdana, Arial, Sans-serif; } table {   BORDER: #555555 1px solid;   "
    "border-collapse: collapse; } .table2 {   BORDER: #555555 0px solid; } </style> ";

std::string English(std::string_view id) {
  static const std::map<std::string, std::string, std::less<>> texts = {
      {"2164", "Name"},      {"2161", "Size"},  {"2165", "Percent"},
      {"2167", "Files"},     {"2174", "Count"}, {"2132", "Files and folders"},
      {"2133", "Extensions"}};
  const auto found = texts.find(id);
  return found != texts.end() ? found->second : "#" + std::string(id);
}

class ReportFileTest : public ::testing::Test {
 protected:
  ReportFileTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    TFolderNode* sub = Tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "PC\\bob");
    Tree.AddFileNode("C:\\Data\\Sub\\x.bin", sub, 5000, TItemInfo{}, "PC\\ann");
    Tree.AddSizesToFolder(sub, 5000, 8192, 1);
    Data = sub->Parent();
    Tree.AddFileNode("C:\\Data\\a \"q\" & <b>.txt", Data, 100, TItemInfo{}, "PC\\ann");
    Tree.AddSizesToFolder(Data, 100, 4096, 1);
    Rows = {Data->Data()->Files[0], sub->Data()};
    ComputeListPercents(Rows);
    Dir = test::MakeTempFolder("kestrove-reportfile");
  }
  ~ReportFileTest() override {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  std::string PathOf(const char* name) const { return Utf8(Dir / name); }

  // Name, Size and Files shown; Percent (shown at first) and the rest hidden.
  static std::vector<bool> NameSizeFiles() {
    std::vector<bool> visible(FilesColumns().size(), false);
    visible[fcName] = visible[fcSize] = visible[fcFiles] = true;
    return visible;
  }

  TReportHead DataHead() const {
    return {ReportTypeText(TReportKind::FilesInThisFolder, English), "C:\\Data\\", "09.12.2026 06:31:05"};
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  const TSizeFormat Format{TSizeType::FileSize, TSizeUnit::B, Fake.Locale.get()};
  TFolderNode* Data;
  TListingRows Rows;
  fs::path Dir;
};

TEST_F(ReportFileTest, TextPadsEveryVisibleColumnToItsLongestTextPlusThree) {
  const TReportTable table =
      ListingReportTable(Rows, TReportKind::FilesInThisFolder, NameSizeFiles(), Format, English);
  const std::string path = PathOf("r.txt");
  ASSERT_TRUE(WriteReportText(table, DataHead(), path));
  // Widths: Name 15 + 3, Size 10 ("5 000,00 B") + 3, Files 5 (the title) + 3.
  EXPECT_EQ(ReadAll(path), Lines({"Report type: Files and folders",
                                  "Folder: C:\\Data\\",
                                  "",
                                  "Name" + Spaces(14) + "Size" + Spaces(9) + "Files" + Spaces(3),
                                  "a \"q\" & <b>.txt" + Spaces(3) + "100,00 B" + Spaces(5) + Spaces(8),
                                  "Sub" + Spaces(15) + "5 000,00 B" + Spaces(3) + "1" + Spaces(7)}));
}

TEST_F(ReportFileTest, CsvQuotesEveryFieldAndDoublesEmbeddedQuotes) {
  const TReportTable table =
      ListingReportTable(Rows, TReportKind::FilesInThisFolder, NameSizeFiles(), Format, English);
  const std::string path = PathOf("r.csv");
  ASSERT_TRUE(WriteReportCsv(table, DataHead(), path));
  EXPECT_EQ(ReadAll(path),
            "\"Report type:\";\"Files and folders\"\r\n"
            "\"Folder:\";\"C:\\Data\\\"\r\n"
            "\r\n"
            "\"Name\";\"Size\";\"Files\"\r\n"
            "\"a \"\"q\"\" & <b>.txt\";\"100,00 B\";\"\"\r\n"
            "\"Sub\";\"5 000,00 B\";\"1\"\r\n");
}

TEST_F(ReportFileTest, HtmlIsOneLineWithTheStyleBlockAndEscapedTexts) {
  const TReportTable table =
      ListingReportTable(Rows, TReportKind::FilesInThisFolder, NameSizeFiles(), Format, English);
  const std::string path = PathOf("r.html");
  TReportHead head = DataHead();
  head.Folder = "C:\\R&D\\";
  ASSERT_TRUE(WriteReportHtml(table, head, path));
  ASSERT_EQ(Style.size(), 366u);
  EXPECT_EQ(ReadAll(path),
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>09.12.2026 06:31:05</title>" + Style +
                "</head><body>"
                "<b>Report type:</b>Files and folders<br/>"
                "<b>Folder:</b>C:\\R&amp;D\\<br/><br/>"
                "<table><tr><td><b>Name</b></td><td><b>Size</b></td><td><b>Files</b></td></tr>"
                "<tr><td>a &quot;q&quot; &amp; &lt;b&gt;.txt</td><td>100,00 B</td><td></td></tr>"
                "<tr><td>Sub</td><td>5 000,00 B</td><td>1</td></tr>"
                "</table></body></html>");
}

TEST_F(ReportFileTest, ShowingAColumnAddsItInIndexOrder) {
  std::vector<bool> visible = NameSizeFiles();
  visible[fcPercent] = true;
  const TReportTable table =
      ListingReportTable(Rows, TReportKind::FilesInThisFolder, visible, Format, English);
  const std::string path = PathOf("p.csv");
  ASSERT_TRUE(WriteReportCsv(table, DataHead(), path));
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("\"Name\";\"Size\";\"Percent\";\"Files\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Sub\";\"5 000,00 B\";\"98,03 %\";\"1\"\r\n"), std::string::npos) << text;
}

TEST_F(ReportFileTest, EmptyListGivesTheHeadAndTheTitleLineOnly) {
  const TListingRows none;
  const TReportTable table =
      ListingReportTable(none, TReportKind::FilesInThisFolder, NameSizeFiles(), Format, English);
  const std::string txt = PathOf("e.txt"), csv = PathOf("e.csv"), html = PathOf("e.html");
  ASSERT_TRUE(WriteReportText(table, DataHead(), txt));
  ASSERT_TRUE(WriteReportCsv(table, DataHead(), csv));
  ASSERT_TRUE(WriteReportHtml(table, DataHead(), html));
  EXPECT_EQ(ReadAll(txt),
            "Report type: Files and folders\r\nFolder: C:\\Data\\\r\n\r\nName   Size   Files   \r\n");
  EXPECT_EQ(ReadAll(csv),
            "\"Report type:\";\"Files and folders\"\r\n\"Folder:\";\"C:\\Data\\\"\r\n\r\n"
            "\"Name\";\"Size\";\"Files\"\r\n");
  EXPECT_EQ(ReadAll(html), "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>09.12.2026 06:31:05</title>" + Style +
                               "</head><body><b>Report type:</b>Files and folders<br/>"
                               "<b>Folder:</b>C:\\Data\\<br/><br/>"
                               "<table><tr><td><b>Name</b></td><td><b>Size</b></td><td><b>Files</b></td></tr>"
                               "</table></body></html>");
}

// The extensions list, with no folder focused and the Size column hidden.
TEST_F(ReportFileTest, AggregateListWithoutFolder) {
  TAggregateRows rows;
  rows.push_back(std::make_unique<TExtensionsNodeData>(".txt", 2048, ""));
  rows.back()->AddItem(10);
  rows.push_back(std::make_unique<TExtensionsNodeData>("", 1, ""));
  rows.push_back(std::make_unique<TExtensionsNodeData>(".\xC3\xA9t\xC3\xA9", 7, ""));  // ".été"
  const std::string ete = ToAnsiCodePage(".\xC3\xA9t\xC3\xA9");
  const TReportTable table = AggregateReportTable(rows, {true, false, true}, Format, English);
  const TReportHead head{ReportTypeText(TReportKind::ExtensionsInThisFolder, English), "", "t"};
  const std::string txt = PathOf("a.txt"), csv = PathOf("a.csv"), html = PathOf("a.html");
  ASSERT_TRUE(WriteReportText(table, head, txt));
  ASSERT_TRUE(WriteReportCsv(table, head, csv));
  ASSERT_TRUE(WriteReportHtml(table, head, html));
  // "(none)" is the longest name; ".été" counts four characters.
  EXPECT_EQ(ReadAll(txt), Lines({"Report type: Extensions",
                                 "Folder: ",
                                 "",
                                 "Name" + Spaces(5) + "Count" + Spaces(3),
                                 ".txt" + Spaces(5) + "2" + Spaces(7),
                                 "(none)" + Spaces(3) + "1" + Spaces(7),
                                 ete + Spaces(5) + "1" + Spaces(7)}));
  EXPECT_EQ(ReadAll(csv),
            "\"Report type:\";\"Extensions\"\r\n\"Folder:\";\"\"\r\n\r\n"
            "\"Name\";\"Count\"\r\n\".txt\";\"2\"\r\n\"(none)\";\"1\"\r\n\"" +
                ete + "\";\"1\"\r\n");
  // ".été" fits the ANSI code page, which the head names.
  EXPECT_EQ(ReadAll(html), "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                               AnsiCodePageCharset() + "\"><title>t</title>" + Style +
                               "</head><body><b>Report type:</b>Extensions<br/><b>Folder:</b><br/><br/>"
                               "<table><tr><td><b>Name</b></td><td><b>Count</b></td></tr>"
                               "<tr><td>.txt</td><td>2</td></tr><tr><td>(none)</td><td>1</td></tr>"
                               "<tr><td>" +
                               ete + "</td><td>1</td></tr></table></body></html>");
}

TEST_F(ReportFileTest, FailuresGiveTheFileLayersMessage) {
  const TReportTable table =
      ListingReportTable(Rows, TReportKind::FilesInThisFolder, NameSizeFiles(), Format, English);
  const std::string missing = Utf8(Dir / "no such folder" / "r.txt");
  for (const TFileResult& result :
       {WriteReportText(table, DataHead(), missing), WriteReportCsv(table, DataHead(), missing),
        WriteReportHtml(table, DataHead(), missing)}) {
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message.rfind("Cannot create file \"" + missing + "\": ", 0), 0u) << result.Message;
  }
  EXPECT_FALSE(fs::exists(Dir / "no such folder"));
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no device that refuses writes";
  const TFileResult full = WriteReportCsv(table, DataHead(), "/dev/full");
  EXPECT_FALSE(full.Ok);
  EXPECT_EQ(full.Message.rfind("Write error on \"/dev/full\": ", 0), 0u) << full.Message;
}

}  // namespace
}  // namespace kv
