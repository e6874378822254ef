#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/Cli.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/NodeData.h"
#include "platform/InputFile.h"
#include "platform/PathStyle.h"
#include "platform/ProgramVersion.h"
#include "settings/SettingsStore.h"
#include "treemap/Treemap.h"

#if KESTROVE_TEST_PNG
#include <QImage>
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;
using test::Utf8;

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    Dir = test::MakeTempFolder("kestrove-cli");
    fs::create_directories(Dir / "tree" / "sub");
    std::ofstream(Dir / "tree" / "a.txt") << "hello";
    std::ofstream(Dir / "tree" / "sub" / "b.bin") << std::string(5000, 'b');
  }
  ~CliTest() override { fs::remove_all(Dir); }

  int Run(const std::vector<std::string>& args) {
    Out.str("");
    Err.str("");
    return RunCli(args, Out, Err, {CreateNativePlatform(), &Store, LanguageFolder});
  }

  fs::path Dir;
  TMemorySettingsStore Store;
  std::string LanguageFolder;
  std::ostringstream Out, Err;
};

TEST_F(CliTest, WrongCommandLinesExitWithTwoAndOneLine) {
  EXPECT_EQ(Run({"--bogus"}), CliError);
  EXPECT_EQ(Err.str(), "kestrove-cli: unknown option '--bogus' (see --help)\n");
  EXPECT_EQ(Run({"--scan"}), CliError);
  EXPECT_EQ(Err.str(), "kestrove-cli: option '--scan' needs a value (see --help)\n");
  EXPECT_EQ(Run({"--stats=yes"}), CliError);
  EXPECT_EQ(Run({"--scan", Utf8(Dir / "missing")}), CliError);
  EXPECT_NE(Err.str().find("no such folder"), std::string::npos);
  EXPECT_EQ(Run({"--import", Utf8(Dir / "missing.kvr")}), CliError);
  EXPECT_NE(Err.str().find("missing.kvr"), std::string::npos);
  const std::string importError = Err.str();
  EXPECT_EQ(std::count(importError.begin(), importError.end(), '\n'), 1);
  EXPECT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--export", Utf8(Dir / "no" / "such" / "out.kvr")}), CliError);
  EXPECT_NE(Err.str().find("out.kvr"), std::string::npos);
  EXPECT_FALSE(fs::exists(Dir / "no"));
}

TEST_F(CliTest, HelpExplainsEveryOption) {
  EXPECT_EQ(Run({"--help"}), CliOk);
  for (const char* option : {"--import", "--scan", "--export", "--stats", "--treemap", "--treemap-size", "-h",
                             "--count-links", "--one-file-system", "--strict", "--version", "--compare", "FOLDER..."})
    EXPECT_NE(Out.str().find(option), std::string::npos) << option;
  EXPECT_TRUE(Err.str().empty());
}

TEST_F(CliTest, ScanExportImportReproducesTheFileAndStatsAddUp) {
  const std::string first = Utf8(Dir / "first.kvr"), again = Utf8(Dir / "again.kvr");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--export", first, "--stats"}), CliOk) << Err.str();
  const std::regex stats(R"(folders (\d+), files 2, bytes 5005, allocated (\d+), seconds \d+\.\d{3}\n)");
  std::smatch match;
  const std::string statsLine = Err.str();
  ASSERT_TRUE(std::regex_match(statsLine, match, stats)) << statsLine;
  EXPECT_GE(std::stoll(match[2]), 5005);
  ASSERT_GT(fs::file_size(first), 0u);

  // An existing output file is replaced without a question.
  std::ofstream(again) << "old contents";
  ASSERT_EQ(Run({"--import", first, "--export", again, "--stats"}), CliOk) << Err.str();
  EXPECT_EQ(ReadAll(first), ReadAll(again));
  // An import counts what it reads.
  EXPECT_NE(Err.str().find("files 2, bytes 5005"), std::string::npos) << Err.str();
}

TEST_F(CliTest, CompareWritesTheChangesReportAndTheTotalDifference) {
  const std::string first = Utf8(Dir / "first.kvr"), second = Utf8(Dir / "second.kvr");
  const std::string csv = Utf8(Dir / "changes.csv"), again = Utf8(Dir / "again.csv");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--export", first}), CliOk) << Err.str();
  std::ofstream(Dir / "tree" / "a.txt") << "hello, world!!!";  // 5 -> 15 bytes
  fs::remove(Dir / "tree" / "sub" / "b.bin");
  std::ofstream(Dir / "tree" / "c.dat") << "seven b";

  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--compare", first, "--export", second, "--stats", "--report",
                 "Changes", "--format", "csv", "--out", csv, "--unit", "B"}),
            CliOk)
      << Err.str();
  EXPECT_NE(Err.str().find("bytes 22, allocated "), std::string::npos) << Err.str();
  EXPECT_NE(Err.str().find(", difference -4983, allocated difference "), std::string::npos) << Err.str();
  const std::string text = ReadAll(csv);
  // Largest change first (the emptied folder before the gone file in it), then
  // the grown and the new file.
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"\"sub\"", "shrunk"}, {"\"b.bin\"", "gone"}, {"\"a.txt\"", "grown"}, {"\"c.dat\"", "new"}};
  size_t at = 0;
  for (const auto& [name, state] : rows) {
    at = text.find("\r\n" + name + ";", at);
    ASSERT_NE(at, std::string::npos) << name << "\n" << text;
    const size_t end = text.find("\r\n", at + 2);
    EXPECT_NE(text.substr(at, end - at).find("\"" + state + "\""), std::string::npos) << text.substr(at, end - at);
  }
  EXPECT_EQ(text.find("\"hello"), std::string::npos);

  // Two result files compare without a scan, and give the same report.
  ASSERT_EQ(Run({"--import", second, "--compare", first, "--report", "changes", "--format", "csv", "--out", again,
                 "--unit", "B", "--folder", Utf8(Dir / "tree")}),
            CliOk)
      << Err.str();
  EXPECT_EQ(ReadAll(again), text);

  // No baseline, or one that cannot be read: exit 2 with the reason.
  EXPECT_EQ(Run({"--import", second, "--report", "Changes", "--format", "csv", "--out", again}), CliError);
  EXPECT_NE(Err.str().find("needs --compare FILE"), std::string::npos) << Err.str();
  std::ofstream(Dir / "bad.kvr") << "not a result file";
  EXPECT_EQ(Run({"--import", second, "--compare", Utf8(Dir / "bad.kvr")}), CliError);
  EXPECT_NE(Err.str().find("bad.kvr"), std::string::npos) << Err.str();
}

TEST_F(CliTest, StatsAfterAnImportCountWhatItRead) {
  const std::string saved = Utf8(Dir / "saved.kvr");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--export", saved, "--stats"}), CliOk) << Err.str();
  const std::string scanned = Err.str().substr(0, Err.str().find(", seconds"));
  ASSERT_EQ(Run({"--import", saved, "--stats"}), CliOk) << Err.str();
  EXPECT_EQ(Err.str().substr(0, Err.str().find(", seconds")), scanned);
  EXPECT_NE(scanned.find("files 2, bytes 5005"), std::string::npos) << scanned;
}

TEST_F(CliTest, RefusedLanguageFilesAreWarnedOfOneLineEach) {
  fs::create_directories(Dir / "lang");
  test::WriteAll(Dir / "lang" / "English.kvl", "Language=English\r\n");
  for (const char* name : {"big.kvl", "Huge.KVL"}) {
    test::WriteAll(Dir / "lang" / name, "");
    fs::resize_file(Dir / "lang" / name, LanguageFileLimit + 1);
  }
  LanguageFolder = Utf8(Dir / "lang") + PathSeparator(NativePathStyle());
  const std::string tree = Utf8(Dir / "tree");
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"--scan", tree}, CliOk}, {{"--scan", tree, "--import", Utf8(Dir / "missing.kvr")}, CliError}};
  for (const auto& [args, status] : cases) {
    EXPECT_EQ(Run(args), status) << Err.str();
    for (const char* name : {"big.kvl", "Huge.KVL"})
      EXPECT_NE(Err.str().find("kestrove-cli: warning: the language file \"" + Utf8(Dir / "lang" / name) +
                               "\" is too large to be read\n"),
                std::string::npos)
          << Err.str();
    EXPECT_EQ(Err.str().find("English.kvl"), std::string::npos) << Err.str();
  }
}

TEST_F(CliTest, ShortHelpAndFoldersAloneNeedNoOptions) {
  const std::string tree = Utf8(Dir / "tree");
  ASSERT_EQ(Run({"--help"}), CliOk);
  const std::string help = Out.str();
  const std::string file = Utf8(Dir / "report.txt");
  ASSERT_EQ(Run({"--scan", tree, "--report", "FilesInThisFolder", "--format", "text", "--out", file}), CliOk);
  const std::string report = ReadAll(file);
  ASSERT_NE(report.find("a.txt"), std::string::npos) << report;
  const bool windows = NativePathStyle() == TPathStyle::Windows;
  const struct {
    std::vector<std::string> Args;
    int Status;
    std::string Out;
  } cases[] = {
      {{"-h"}, CliOk, help},
      {{"--version"}, CliOk, "kestrove-cli " + std::string(ProgramVersion) + "\n"},
      {{"--version", "--bogus"}, CliError, ""},
      {{"--stats", "-h"}, CliOk, help},
      {{"/?"}, windows ? CliOk : CliError, windows ? help : ""},
      {{tree}, CliOk, report},
      {{tree, Utf8(Dir / "tree" / "sub")}, CliOk, report},
      {{tree, Utf8(Dir / "missing")}, CliError, ""},
      {{tree, "--stats"}, CliError, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.Args), c.Status) << c.Args.back();
    EXPECT_EQ(Out.str(), c.Out) << c.Args.back();
    EXPECT_EQ(Err.str().find("unknown option '") != std::string::npos, c.Status == CliError) << Err.str();
  }
}

// The packages and the Windows version resource take it apart into numbers.
TEST(ProgramVersionTest, IsThreeNumbers) {
  EXPECT_TRUE(std::regex_match(std::string(ProgramVersion), std::regex(R"([0-9]+\.[0-9]+\.[0-9]+)"))) << ProgramVersion;
}

TEST_F(CliTest, OutDashWritesToStandardOutputWhatTheFileWouldHold) {
  const std::string tree = Utf8(Dir / "tree"), file = Utf8(Dir / "report.out");
  const std::vector<std::vector<std::string>> outputs = {
      {"--report", "Top100Files", "--format", "csv"}, {"--report", "Owners", "--format", "text"}, {"--tree-report", "csv"}};
  for (std::vector<std::string> args : outputs) {
    args.insert(args.begin(), {"--scan", tree});
    args.insert(args.end(), {"--out", file});
    ASSERT_EQ(Run(args), CliOk) << Err.str();
    EXPECT_TRUE(Out.str().empty());
    args.back() = "-";
    ASSERT_EQ(Run(args), CliOk) << Err.str();
    EXPECT_FALSE(Out.str().empty()) << args[2];
    EXPECT_EQ(Out.str(), ReadAll(file)) << args[2];
  }
  EXPECT_FALSE(fs::exists("-"));
#if KESTROVE_TEST_PNG
  ASSERT_EQ(Run({"--scan", tree, "--treemap", "-", "--treemap-size", "20x10"}), CliOk) << Err.str();
  EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(Out.str()), "PNG").size(), QSize(20, 10));
#endif
}

TEST_F(CliTest, NestedScanIsSkippedWithAMessage) {
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--scan", Utf8(Dir / "tree" / "sub"), "--stats"}), CliOk);
  EXPECT_NE(Err.str().find("not scanning"), std::string::npos);
  EXPECT_NE(Err.str().find("files 2, bytes 5005"), std::string::npos) << Err.str();
}

TEST_F(CliTest, ASettingThatWasNotSavedIsAWarningThatKeepsTheRunsStatus) {
  struct TUnsavedStore final : ISettingsStore {
    std::optional<std::string> ReadString(std::string_view) override { return std::nullopt; }
    std::optional<int32_t> ReadInteger(std::string_view) override { return std::nullopt; }
    void WriteString(std::string_view, std::string_view) override {}
    void WriteInteger(std::string_view, int32_t) override {}
    std::optional<std::string> SaveFailure() const override { return "The settings could not be saved."; }
  } store;
  EXPECT_EQ(RunCli({"--scan", Utf8(Dir / "tree")}, Out, Err, {CreateNativePlatform(), &store}), CliOk);
  EXPECT_EQ(Err.str(), "kestrove-cli: warning: The settings could not be saved.\n");
  Err.str("");
  EXPECT_EQ(RunCli({"--scan", Utf8(Dir / "missing")}, Out, Err, {CreateNativePlatform(), &store}), CliError);
  EXPECT_NE(Err.str().find("warning: The settings could not be saved."), std::string::npos) << Err.str();
}

TEST_F(CliTest, MalformedStoredMaskEndsTheScanWithAnError) {
  WriteRegString(Store, "Filter-Mask-Included-Value", "[oops");
  EXPECT_EQ(Run({"--scan", Utf8(Dir / "tree")}), CliError);
  EXPECT_NE(Err.str().find("[oops"), std::string::npos) << Err.str();
}

TEST_F(CliTest, TreeReportsFollowUnitAndSizeTypeAndTheirOwnOptions) {
  const std::string csv = Utf8(Dir / "tree.csv"), html = Utf8(Dir / "tree.html");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--unit", "B", "--size-type", "file", "--tree-report", "csv",
                 "--out", csv, "--tree-report", "html", "--out", html, "--no-files"}),
            CliOk)
      << Err.str();
  const std::string csvText = ReadAll(csv), htmlText = ReadAll(html);
  EXPECT_NE(csvText.find("\"5 005.00 B\""), std::string::npos) << csvText;
  EXPECT_NE(csvText.find("\"a.txt\""), std::string::npos);
  EXPECT_NE(htmlText.find("<html>"), std::string::npos);
  EXPECT_EQ(htmlText.find("a.txt"), std::string::npos);  // folders only
  // The run's unit and size type do not outlast it: the next run writes megabytes of file size.
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--tree-report", "csv", "--out", csv}), CliOk) << Err.str();
  EXPECT_NE(ReadAll(csv).find("\"0.00 MB\""), std::string::npos) << ReadAll(csv);
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--unit", "B", "--tree-report", "csv", "--out", csv}), CliOk);
  EXPECT_NE(ReadAll(csv).find("\"5 005.00 B\""), std::string::npos) << ReadAll(csv);

  EXPECT_EQ(Run({"--tree-report", "pdf", "--out", csv}), CliError);
  EXPECT_EQ(Run({"--tree-report", "csv"}), CliError);
  EXPECT_NE(Err.str().find("needs --out"), std::string::npos);
  EXPECT_EQ(Run({"--out", csv}), CliError);
  EXPECT_EQ(Run({"--unit", "TB"}), CliError);
  EXPECT_EQ(Run({"--size-type", "blocks"}), CliError);
}

TEST_F(CliTest, ListReportsAsTheWindowShowsThem) {
  const std::string csv = Utf8(Dir / "top.csv"), text = Utf8(Dir / "ext.txt");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--unit", "B",
                 "--report", "top100files", "--format", "csv", "--out", csv, "--sort", "0", "--ascending",
                 "--report", "Top100Extensions", "--format", "text", "--out", text, "--folder", Utf8(Dir / "tree")}),
            CliOk)
      << Err.str();
  const std::string top = ReadAll(csv);
  // Greatest files in the default language, sorted by name ascending.
  EXPECT_EQ(top.rfind("\"Report type:\";\"Greatest files\"\r\n", 0), 0u) << top;
  const size_t a = top.find("\"a.txt\""), b = top.find("\"b.bin\"");
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_NE(top.find("\"5 000.00 B\""), std::string::npos);
  const std::string ext = ReadAll(text);
  EXPECT_NE(ext.find(".bin"), std::string::npos);
  EXPECT_NE(ext.find(".txt"), std::string::npos);
  // The column choice of the kind was recorded on first use, as the window does.
  EXPECT_EQ(ReadRegInteger(Store, "mniTop100Files-column--123456789", 0), 1);

  EXPECT_EQ(Run({"--report", "Biggest", "--format", "csv", "--out", csv}), CliError);
  EXPECT_NE(Err.str().find("unknown report kind"), std::string::npos);
  EXPECT_EQ(Run({"--report", "Owners", "--out", csv}), CliError);
  EXPECT_NE(Err.str().find("needs --format"), std::string::npos);
  EXPECT_EQ(Run({"--report", "Owners", "--format", "csv", "--out", csv, "--sort", "3"}), CliError);
  EXPECT_EQ(Run({"--format", "csv"}), CliError);
  EXPECT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--report", "Owners", "--format", "csv", "--out", csv, "--folder",
                 Utf8(Dir / "elsewhere")}),
            CliError);
  EXPECT_NE(Err.str().find("not in the tree"), std::string::npos);
}

TEST_F(CliTest, TreemapOptionsThatCannotWorkExitWithTwo) {
  const std::string png = Utf8(Dir / "map.png"), tree = Utf8(Dir / "tree");
  const struct {
    std::vector<std::string> Args;
    const char* Message;
  } cases[] = {
      {{"--treemap-size", "10x10"}, "'--treemap-size' belongs after --treemap"},
      {{"--folder", tree}, "'--folder' belongs after --report or --treemap"},
      {{"--treemap", png, "--out", png}, "'--out' belongs after --report or --tree-report"},
      {{"--treemap", png, "--treemap-size", "16385x5"}, "treemap size '16385x5' is not WIDTHxHEIGHT"},
      {{"--treemap", png, "--treemap-size", "+12x 5"}, "treemap size '+12x 5'"},
      {{"--scan", tree, "--treemap", png, "--folder", Utf8(Dir / "elsewhere")}, "not in the tree"},
      {{"--scan", tree, "--treemap", Utf8(Dir / "no" / "map.png")}, "map.png"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.Args), CliError) << c.Message;
    const std::string message = Err.str();
    EXPECT_NE(message.find(c.Message), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  }
  EXPECT_FALSE(fs::exists(png));
}

#if KESTROVE_TEST_PNG
// Shares of the picture's shaded pixels by the extension colour they are a
// shade of; frames left out.
std::map<uint32_t, double> ColourShares(const std::string& path, const std::vector<uint32_t>& colours, int& width,
                                        int& height) {
  const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  width = image.width();
  height = image.height();
  std::map<uint32_t, double> shares;
  double shaded = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = image.pixel(x, y);
      if (p == TreemapFolderColor) continue;
      double best = 1e9;
      uint32_t match = 0;
      for (const uint32_t c : colours) {
        const double light = static_cast<double>(std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF})) /
                             std::max({c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF});
        double error = 0;
        for (const int shift : {16, 8, 0}) error += std::abs((p >> shift & 0xFF) - light * (c >> shift & 0xFF));
        if (error < best) best = error, match = c;
      }
      shares[match] += 1;
      shaded += 1;
    }
  }
  for (auto& [colour, share] : shares) share /= shaded;
  return shares;
}

TEST_F(CliTest, TreemapPictureShowsTheFilesShares) {
  fs::create_directories(Dir / "pic" / "sub");
  std::ofstream(Dir / "pic" / "big.txt") << std::string(60000, 't');
  std::ofstream(Dir / "pic" / "mid.jpg") << std::string(30000, 'j');
  std::ofstream(Dir / "pic" / "sub" / "low.pdf") << std::string(10000, 'p');
  const std::string png = Utf8(Dir / "map.png"), sub = Utf8(Dir / "sub.png");
  ASSERT_EQ(Run({"--scan", Utf8(Dir / "pic"), "--treemap", png, "--treemap-size", "200x100", "--treemap", sub,
                 "--folder", Utf8(Dir / "pic" / "sub")}),
            CliOk)
      << Err.str();
  const uint32_t txt = ExtensionColor(".txt"), jpg = ExtensionColor(".jpg"), pdf = ExtensionColor(".pdf");
  int width = 0, height = 0;
  std::map<uint32_t, double> shares = ColourShares(png, {txt, jpg, pdf}, width, height);
  EXPECT_EQ(width, 200);
  EXPECT_EQ(height, 100);
  EXPECT_NEAR(shares[txt], 0.6, 0.03);
  EXPECT_NEAR(shares[jpg], 0.3, 0.03);
  EXPECT_NEAR(shares[pdf], 0.1, 0.03);
  // The folder's own picture at the default size: its one file fills it.
  shares = ColourShares(sub, {txt, jpg, pdf}, width, height);
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 800);
  EXPECT_DOUBLE_EQ(shares[pdf], 1.0);
}
#else
TEST_F(CliTest, TreemapWithoutAPngWriterSaysSo) {
  EXPECT_EQ(Run({"--scan", Utf8(Dir / "tree"), "--treemap", Utf8(Dir / "map.png")}), CliError);
  EXPECT_NE(Err.str().find("no PNG writer"), std::string::npos) << Err.str();
}
#endif

}  // namespace
}  // namespace kv
