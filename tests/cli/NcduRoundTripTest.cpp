// Round trips with the real ncdu: its export read by Kestrove gives the scan's
// own totals, and Kestrove's export read by ncdu lists the same files. Also
// the same exports compressed with gzip and zstd.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "cli/Cli.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::Utf8;

class NcduRoundTrip : public ::testing::Test {
 protected:
  NcduRoundTrip() {
    Dir = test::MakeTempFolder("kestrove-ncdu");
    const fs::path tree = Dir / "tree";
    const char* names[] = {"quote\"d", "back\\slash", "new\nline", "tab\tbed", "raw\xff\xfe", "\xe6\x97\xa5\xe6\x9c\xac",
                           "\xd0\x9c\xd0\xb8\xd1\x80", ".hidden"};
    fs::create_directories(tree / "sub" / "deeper");
    fs::create_directories(tree / "skipme" / "inner");
    int size = 1;
    for (const char* name : names) {
      std::ofstream(tree / name) << std::string(static_cast<size_t>(size) * 777, 'x');
      std::ofstream(tree / "sub" / name) << std::string(static_cast<size_t>(size++) * 50, 'y');
    }
    std::ofstream(tree / "sub" / "deeper" / "big") << std::string(100000, 'z');
    std::ofstream(tree / "skipme" / "inner" / "f") << "f";
    fs::create_hard_link(tree / "sub" / "deeper" / "big", tree / "link-to-big");
    fs::create_hard_link(tree / "sub" / "deeper" / "big", tree / "sub" / "another");
    Tree = Utf8(tree);
  }
  ~NcduRoundTrip() override { fs::remove_all(Dir); }

  int Run(const std::vector<std::string>& args) {
    Out.str("");
    Err.str("");
    return RunCli(args, Out, Err, {CreateNativePlatform(), &Store, ""});
  }
  // The totals line of --stats without its time.
  std::string Totals(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    all.push_back("--stats");
    EXPECT_EQ(Run(all), CliOk) << Err.str();
    return std::regex_replace(Err.str(), std::regex(", seconds .*\n"), "");
  }
  static int Shell(const std::string& command) { return std::system(command.c_str()); }
  // The file lines of an ncdu export, each as its name and apparent size.
  static std::vector<std::string> FileEntries(const std::string& json) {
    std::vector<std::string> entries;
    std::istringstream lines(json);
    const std::regex name(R"re("name":"((?:[^"\\]|\\.)*)")re"), asize(R"("asize":(\d+))");
    for (std::string line; std::getline(lines, line);) {
      std::smatch n, a;
      if (line.rfind("{", 0) != 0 || !std::regex_search(line, n, name)) continue;
      entries.push_back(n[1].str() + " " + (std::regex_search(line, a, asize) ? a[1].str() : "0"));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  fs::path Dir;
  std::string Tree;
  TMemorySettingsStore Store;
  std::ostringstream Out, Err;
};

TEST_F(NcduRoundTrip, NcduExportImportsWithTheScansTotals) {
  const std::string json = Utf8(Dir / "ncdu.json");
  ASSERT_EQ(Shell("ncdu -0 -o '" + json + "' '" + Tree + "'"), 0);
  const std::string scanned = Totals({"--scan", Tree});
  EXPECT_NE(scanned.find("files 20,"), std::string::npos) << scanned;
  EXPECT_EQ(Totals({"--import", json}), scanned);
  ASSERT_EQ(Shell("gzip -k '" + json + "' && zstd -q '" + json + "'"), 0);
  EXPECT_EQ(Totals({"--import", json + ".gz"}), scanned);
  EXPECT_EQ(Totals({"--import", json + ".zst"}), scanned);
  // A compressed file cut short is refused like a plain one.
  const std::string zst = ReadAll(Dir / "ncdu.json.zst");
  std::ofstream(Dir / "cut.zst", std::ios::binary) << zst.substr(0, zst.size() / 2);
  EXPECT_EQ(Run({"--import", Utf8(Dir / "cut.zst")}), CliError);
  EXPECT_NE(Err.str().find("ends early"), std::string::npos) << Err.str();

  // An excluded folder shows marked, without contents.
  const std::string excluded = Utf8(Dir / "excluded.json");
  ASSERT_EQ(Shell("ncdu -0 --exclude skipme -o '" + excluded + "' '" + Tree + "'"), 0);
  EXPECT_NE(Totals({"--import", excluded}).find("files 19,"), std::string::npos);
  // The mark survives a result file and goes out again in ncdu's words.
  const std::string kvr = Utf8(Dir / "excluded.kvr");
  ASSERT_EQ(Run({"--import", excluded, "--export", kvr}), CliOk) << Err.str();
  ASSERT_EQ(Run({"--import", kvr, "--export-ncdu", "-"}), CliOk) << Err.str();
  EXPECT_NE(Out.str().find("{\"name\":\"skipme\",\"excluded\":\"pattern\"}"), std::string::npos) << Out.str();
}

TEST_F(NcduRoundTrip, NcduReadsTheExportWithTheSameEntries) {
  const std::string own = Utf8(Dir / "own.json"), ours = Utf8(Dir / "ours.json");
  ASSERT_EQ(Shell("ncdu -0 -o '" + own + "' '" + Tree + "'"), 0);
  ASSERT_EQ(Run({"--scan", Tree, "--export-ncdu", ours}), CliOk) << Err.str();
  const std::string again = Utf8(Dir / "again.json"), direct = Utf8(Dir / "direct.json");
  ASSERT_EQ(Shell("ncdu -0 -f '" + ours + "' -o '" + again + "'"), 0);
  ASSERT_EQ(Shell("ncdu -0 -f '" + own + "' -o '" + direct + "'"), 0);
  const std::vector<std::string> expected = FileEntries(ReadAll(direct));
  EXPECT_EQ(expected.size(), 20u);
  EXPECT_EQ(FileEntries(ReadAll(again)), expected);
  // And read back by Kestrove, the totals stay.
  EXPECT_EQ(Totals({"--import", again}), Totals({"--scan", Tree}));
}

}  // namespace
}  // namespace kv
