#include "export/TreeReport.h"
#include "platform/PathStyle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "fakes/FakePlatform.h"
#include "platform/Platform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::NativePath;
using test::ReadAll;
using test::Utf8;


const std::string Head =
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    "<title>List files (09.12.2026 05:49:59) </title>\r\n"
    "<style type=\"text/css\">body{   background: #FFFF;   font: 12px Verdana, Arial, Sans-serif; } "
    "a{color: blue;} h5{   margin: 0px;   padding: 0px;   margin-top: 2px;   margin-bottom: 2px;   "
    "font-weight:bold;   font: 14px Verdana, Arial, Sans-serif; } table {   BORDER: #555555 1px solid;   "
    "border-collapse: collapse; } .table2 {   BORDER: #555555 0px solid; } </style> \r\n"
    "</head>\r\n<body>\r\n"
    "<table align=center width=80% border=\"0\" class=\"table2\"><tr><td>\r\n";
const std::string Foot = "</td></tr></table>\r\n</body>\r\n</html>\r\n";
const std::string TableStart =
    "<table width=\"100%\" border=\"1\">\r\n<tr><td>Name</td><td>Total size</td><td>Size</td></tr>\r\n";
const std::string CsvTitle = "\"Name\";\"Total size\";\"Size\"\r\n";

std::string FolderRow(const std::string& number, const std::string& name, const std::string& total,
                      const std::string& own) {
  return "<tr><td><a name=\"foldertitle" + number + "\" href=\"#folder" + number + "\">" + name +
         "</a></td><td>" + total + "</td><td>" + own + "</td></tr>\r\n";
}
std::string FileRow(const std::string& name, const std::string& size) {
  return "<tr><td>" + name + "</td><td>" + size + "</td><td>" + size + "</td></tr>\r\n";
}
std::string Title(const std::string& number, const std::string& path) {
  return "<br>\r\n<b><a href=\"#foldertitle" + number + "\" name=\"folder" + number + "\">" + path +
         "</a></b><br>\r\n";
}

class TreeReportTest : public ::testing::Test {
 protected:
  TreeReportTest() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir_ = fs::temp_directory_path() /
           ("kestrove-tr-" + std::string(test->name()) + "-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(Dir_);
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Fake.FileSystem->ClusterSizes["/"] = 512;
    Options.TitleTime = "09.12.2026 05:49:59";
  }
  ~TreeReportTest() override {
    std::error_code ignored;
    fs::remove_all(Dir_, ignored);
  }

  std::string TempPath(const std::string& name) const { return Utf8(Dir_ / NativePath(name)); }

  std::string Html(const TSizeTree& tree, const std::string& name = "tree.html") {
    const std::string path = TempPath(name);
    const TFileResult result = WriteTreeReportHtml(tree, path, Format, Options);
    EXPECT_TRUE(result.Ok) << result.Message;
    return ReadAll(NativePath(path));
  }
  std::string Csv(const TSizeTree& tree, const std::string& name = "tree.csv") {
    const std::string path = TempPath(name);
    const TFileResult result = WriteTreeReportCsv(tree, path, Format, Options);
    EXPECT_TRUE(result.Ok) << result.Message;
    return ReadAll(NativePath(path));
  }

  // Records files the way a scan does: the builder adds them, the caller sums.
  static void AddFiles(TSizeTree& tree, TFolderNode* folder,
                       std::initializer_list<std::pair<const char*, int64_t>> files) {
    int64_t size = 0, allocated = 0;
    for (const auto& [name, bytes] : files) {
      ASSERT_TRUE(tree.AddFileNode(GetNodePath(folder) + name, folder, bytes, {}, "PC\\bob")) << name;
      size += bytes;
      allocated += folder->Data()->Files[folder->Data()->Files.Count() - 1]->AllocatedSize();
    }
    tree.AddSizesToFolder(folder, size, allocated, static_cast<int64_t>(files.size()));
  }

  // C: holding Windows (with win.ini) and the files pagefile.sys and boot.ini, in that order.
  void BuildDrive() {
    Tree.BeginUpdate();
    TFolderNode* drive = Tree.GetFolderNode("C:", {}, nullptr, "o\\o");
    TFolderNode* windows = Tree.GetFolderNode("C:\\Windows", {}, drive, "o\\o");
    AddFiles(Tree, drive, {{"pagefile.sys", 1536}, {"boot.ini", 1000}});
    AddFiles(Tree, windows, {{"win.ini", 2048}});
    Tree.EndUpdate();
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TTreeReportOptions Options;
  TSizeFormat Format{TSizeType::FileSize, TSizeUnit::KB, Fake.Locale.get()};  // decimal separator ','

 private:
  fs::path Dir_;
};

TEST_F(TreeReportTest, CsvOfOneDriveWithAndWithoutFiles) {
  BuildDrive();
  const std::string root = "\"Folder:\";\"\"\r\n" + CsvTitle + "\"C:\";\"4,47 KB\";\"2,47 KB\";\r\n\r\n\r\n";
  EXPECT_EQ(Csv(Tree),
            root +
                "\"Folder:\";\"C:\\\"\r\n" + CsvTitle +
                "\"Windows\";\"2,00 KB\";\"2,00 KB\";\r\n"
                "\"pagefile.sys\";\"1,50 KB\";\"1,50 KB\";\r\n"
                "\"boot.ini\";\"0,97 KB\";\"0,97 KB\";\r\n\r\n\r\n"
                "\"Folder:\";\"C:\\Windows\\\"\r\n" + CsvTitle +
                "\"win.ini\";\"2,00 KB\";\"2,00 KB\";\r\n\r\n\r\n");

  Options.WithFiles = false;
  EXPECT_EQ(Csv(Tree, "nofiles.csv"),
            root +
                "\"Folder:\";\"C:\\\"\r\n" + CsvTitle +
                "\"Windows\";\"2,00 KB\";\"2,00 KB\";\r\n\r\n\r\n"
                "\"Folder:\";\"C:\\Windows\\\"\r\n" + CsvTitle + "\r\n\r\n");
}

TEST_F(TreeReportTest, HtmlOfOneDriveWithAndWithoutFiles) {
  BuildDrive();
  const std::string root = "<br>\r\n" + TableStart + FolderRow("0", "C:", "4,47 KB", "2,47 KB") + "</table>\r\n";
  EXPECT_EQ(Html(Tree), Head + root +
                            Title("0", "C:\\") + TableStart + FolderRow("0_0", "Windows", "2,00 KB", "2,00 KB") +
                            FileRow("pagefile.sys", "1,50 KB") + FileRow("boot.ini", "0,97 KB") + "</table>\r\n" +
                            Title("0_0", "C:\\Windows\\") + TableStart + FileRow("win.ini", "2,00 KB") +
                            "</table>\r\n" + Foot);

  Options.WithFiles = false;
  EXPECT_EQ(Html(Tree, "nofiles.html"),
            Head + root + Title("0", "C:\\") + TableStart +
                FolderRow("0_0", "Windows", "2,00 KB", "2,00 KB") + "</table>\r\n" +
                Title("0_0", "C:\\Windows\\") + TableStart + "</table>\r\n" + Foot);
}

TEST_F(TreeReportTest, SizesFollowTheUnitAndSizeTypeGiven) {
  BuildDrive();
  Options.WithFiles = false;
  Format.Unit = TSizeUnit::B;
  Format.Type = TSizeType::Allocated;  // every file takes one 4096-byte cluster
  const std::string csv = Csv(Tree);
  EXPECT_NE(csv.find("\"C:\";\"12 288,00 B\";\"8 192,00 B\";\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\"Windows\";\"4 096,00 B\";\"4 096,00 B\";\r\n"), std::string::npos) << csv;

  Format.Type = TSizeType::FileSize;
  Options.WithFiles = true;
  const std::string html = Html(Tree);
  EXPECT_NE(html.find(FolderRow("0", "C:", "4 584,00 B", "2 536,00 B")), std::string::npos) << html;
  EXPECT_NE(html.find(FileRow("boot.ini", "1 000,00 B")), std::string::npos) << html;
}

TEST_F(TreeReportTest, EmptyTreeGivesTheHiddenRootSectionOnly) {
  EXPECT_EQ(Csv(Tree), "\"Folder:\";\"\"\r\n" + CsvTitle + "\r\n\r\n");
  EXPECT_EQ(Html(Tree), Head + "<br>\r\n" + TableStart + "</table>\r\n" + Foot);
}

TEST_F(TreeReportTest, FolderNumbersJoinPositionsSoEveryAnchorIsUnique) {
  // Under C:, the 12th child of the 2nd folder and the 2nd child of the 12th
  // would both be 1110 without a separator.
  Tree.BeginUpdate();
  TFolderNode* drive = Tree.GetFolderNode("C:", {}, nullptr, "o\\o");
  for (int i = 0; i < 12; ++i) {
    const std::string name = std::string(i < 10 ? "d0" : "d") + std::to_string(i);
    TFolderNode* folder = Tree.GetFolderNode("C:\\" + name, {}, drive, "o\\o");
    const int children = i == 1 ? 12 : i == 11 ? 2 : 0;
    for (int k = 0; k < children; ++k)
      Tree.GetFolderNode("C:\\" + name + "\\s" + std::string(k < 10 ? "0" : "") + std::to_string(k), {}, folder,
                         "o\\o");
  }
  Tree.GetFolderNode("D:", {}, nullptr, "o\\o");
  Tree.EndUpdate();

  const std::string html = Html(Tree);
  EXPECT_NE(html.find(Title("11_1_0", "C:\\d01\\s11\\")), std::string::npos);
  EXPECT_NE(html.find(Title("1_11_0", "C:\\d11\\s01\\")), std::string::npos);
  EXPECT_NE(html.find(FolderRow("11_1_0", "s11", "0,00 KB", "0,00 KB")), std::string::npos);
  EXPECT_NE(html.find(FolderRow("1_11_0", "s01", "0,00 KB", "0,00 KB")), std::string::npos);
  EXPECT_NE(html.find(Title("1", "D:\\")), std::string::npos);

  // Each folder once as a section anchor and once as a row anchor, none repeated,
  // and every link has its target.
  std::set<std::string> sections, rows, sectionLinks, rowLinks;
  size_t sectionCount = 0, rowCount = 0;
  const std::regex title("<a href=\"#foldertitle([0-9_]+)\" name=\"folder([0-9_]+)\">");
  const std::regex row("<a name=\"foldertitle([0-9_]+)\" href=\"#folder([0-9_]+)\">");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), title); it != std::sregex_iterator(); ++it) {
    ++sectionCount;
    sections.insert((*it)[2]);
    sectionLinks.insert((*it)[1]);
  }
  for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator(); ++it) {
    ++rowCount;
    rows.insert((*it)[1]);
    rowLinks.insert((*it)[2]);
  }
  const size_t folders = 2 + 12 + 12 + 2;
  EXPECT_EQ(sectionCount, folders);
  EXPECT_EQ(rowCount, folders);
  EXPECT_EQ(sections.size(), folders);
  EXPECT_EQ(rows.size(), folders);
  EXPECT_EQ(sectionLinks, rows);
  EXPECT_EQ(rowLinks, sections);
}

TEST_F(TreeReportTest, HtmlEscapesAndCsvDoublesQuotesInPosixTrees) {
  test::FakePlatform posix;
  posix.FileSystem->ClusterSizes["/"] = 512;
  TFileServices services(posix.Platform(), TPathStyle::Posix);
  TSizeTree tree(services, *posix.Locale);
  tree.BeginUpdate();
  TFolderNode* top = tree.GetFolderNode("/", {}, nullptr, "o\\o");
  TFolderNode* rd = tree.GetFolderNode("/R&D <old>", {}, top, "o\\o");
  AddFiles(tree, rd, {{"say \"hi\".txt", 512}, {"a;b \xC3\xBC.txt", 0}});
  tree.EndUpdate();
  const std::string umlaut = ToAnsiCodePage("a;b \xC3\xBC.txt");

  EXPECT_EQ(Csv(tree), "\"Folder:\";\"\"\r\n" + CsvTitle + "\"/\";\"0,50 KB\";\"0,00 KB\";\r\n\r\n\r\n" +
                           "\"Folder:\";\"/\"\r\n" + CsvTitle + "\"R&D <old>\";\"0,50 KB\";\"0,50 KB\";\r\n\r\n\r\n" +
                           "\"Folder:\";\"/R&D <old>/\"\r\n" + CsvTitle +
                           "\"say \"\"hi\"\".txt\";\"0,50 KB\";\"0,50 KB\";\r\n" + "\"" + umlaut +
                           "\";\"0,00 KB\";\"0,00 KB\";\r\n\r\n\r\n");

  Options.TitleTime = "<now> & \"then\"";
  // The umlaut fits the ANSI code page, which the head names.
  const std::string head = Head.substr(0, Head.find("utf-8")) + AnsiCodePageCharset() +
                           Head.substr(Head.find("\">\r\n<title>"), Head.find("09.12") - Head.find("\">\r\n<title>")) +
                           "&lt;now&gt; &amp; &quot;then&quot;" + Head.substr(Head.find(") </title>"));
  EXPECT_EQ(Html(tree), head + "<br>\r\n" + TableStart + FolderRow("0", "/", "0,50 KB", "0,00 KB") +
                            "</table>\r\n" + Title("0", "/") + TableStart +
                            FolderRow("0_0", "R&amp;D &lt;old&gt;", "0,50 KB", "0,50 KB") + "</table>\r\n" +
                            Title("0_0", "/R&amp;D &lt;old&gt;/") + TableStart +
                            FileRow("say &quot;hi&quot;.txt", "0,50 KB") + FileRow(umlaut, "0,00 KB") +
                            "</table>\r\n" + Foot);
}

TEST_F(TreeReportTest, FilesThatCannotBeCreatedOrWrittenAreReported) {
  BuildDrive();
  const std::string missing = TempPath("no such folder/out.html");
  const TFileResult html = WriteTreeReportHtml(Tree, missing, Format, Options);
  EXPECT_FALSE(html.Ok);
  EXPECT_EQ(html.Message, "Cannot create file \"" + missing + "\": " + std::strerror(ENOENT));
  const TFileResult csv = WriteTreeReportCsv(Tree, TempPath("no such folder/out.csv"), Format, Options);
  EXPECT_FALSE(csv.Ok);
  EXPECT_EQ(csv.Message, "Cannot create file \"" + TempPath("no such folder/out.csv") + "\": " + std::strerror(ENOENT));

  std::FILE* probe = OpenFile("/dev/full", "wb");
  if (!probe) GTEST_SKIP() << "no /dev/full here";
  std::fclose(probe);
  // Under Wine the device looks like a plain file: the write goes beside it
  // and replacing the device is refused, which is still a write error.
  const std::string why = NativePathStyle() == TPathStyle::Posix ? std::strerror(ENOSPC) : "";
  const TFileResult full = WriteTreeReportHtml(Tree, "/dev/full", Format, Options);
  EXPECT_FALSE(full.Ok);
  EXPECT_EQ(full.Message.rfind("Write error on \"/dev/full\": " + why, 0), 0u) << full.Message;
  const TFileResult fullCsv = WriteTreeReportCsv(Tree, "/dev/full", Format, Options);
  EXPECT_EQ(fullCsv.Message.rfind("Write error on \"/dev/full\": " + why, 0), 0u) << fullCsv.Message;
}

TEST_F(TreeReportTest, OverwritesAnExistingFileAndWritesLargeTreesWhole) {
  // More than one buffer's worth, so the output crosses several flushes.
  Tree.BeginUpdate();
  TFolderNode* drive = Tree.GetFolderNode("C:", {}, nullptr, "o\\o");
  std::vector<std::string> names;
  for (int i = 0; i < 30000; ++i) names.push_back("file" + std::to_string(100000 + i) + ".dat");
  int64_t size = 0;
  for (const std::string& name : names) {
    ASSERT_TRUE(Tree.AddFileNode("C:\\" + name, drive, 1024, {}, "o\\o"));
    size += 1024;
  }
  Tree.AddSizesToFolder(drive, size, size, static_cast<int64_t>(names.size()));
  Tree.EndUpdate();
  {
    std::ofstream old(NativePath(TempPath("big.csv")), std::ios::binary);
    old << std::string(5 * 1024 * 1024, 'x');
  }
  const std::string csv = Csv(Tree, "big.csv");
  std::string expected = "\"Folder:\";\"\"\r\n" + CsvTitle + "\"C:\";\"30 000,00 KB\";\"30 000,00 KB\";\r\n\r\n\r\n" +
                         "\"Folder:\";\"C:\\\"\r\n" + CsvTitle;
  for (const std::string& name : names) expected += "\"" + name + "\";\"1,00 KB\";\"1,00 KB\";\r\n";
  expected += "\r\n\r\n";
  EXPECT_EQ(csv.size(), expected.size());
  EXPECT_TRUE(csv == expected);
}

TEST(TreeReportExtension, AddedOnlyWhenTheFileNamePartHasNoDot) {
  EXPECT_EQ(WithDefaultExtension("C:\\Reports\\tree", ".html", TPathStyle::Windows), "C:\\Reports\\tree.html");
  EXPECT_EQ(WithDefaultExtension("C:\\Reports\\tree.htm", ".html", TPathStyle::Windows), "C:\\Reports\\tree.htm");
  EXPECT_EQ(WithDefaultExtension("C:\\my.reports\\tree", ".csv", TPathStyle::Windows), "C:\\my.reports\\tree.csv");
  EXPECT_EQ(WithDefaultExtension("C:\\my.reports/tree", ".csv", TPathStyle::Windows), "C:\\my.reports/tree.csv");
  EXPECT_EQ(WithDefaultExtension("C:tree", ".csv", TPathStyle::Windows), "C:tree.csv");
  EXPECT_EQ(WithDefaultExtension("C:\\tree.", ".csv", TPathStyle::Windows), "C:\\tree.");
  EXPECT_EQ(WithDefaultExtension("tree", ".csv", TPathStyle::Windows), "tree.csv");
  EXPECT_EQ(WithDefaultExtension("/home/bob.d/tree", ".html", TPathStyle::Posix), "/home/bob.d/tree.html");
  EXPECT_EQ(WithDefaultExtension("/home/bob/.tree", ".html", TPathStyle::Posix), "/home/bob/.tree");
  // On POSIX a backslash is part of a name, not a separator.
  EXPECT_EQ(WithDefaultExtension("/home/bob/a.b\\tree", ".html", TPathStyle::Posix), "/home/bob/a.b\\tree");
}

TEST(TreeReportTime, FallbackTitleTimeIsLocalDateAndTime) {
  const std::string text = CurrentLocalTimeText();
  EXPECT_TRUE(std::regex_match(text, std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"))) << text;
}

}  // namespace
}  // namespace kv
