#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/FakePlatform.h"
#include "scan/ItemFilter.h"
#include "app/Option.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class QtSettingsStoreTest : public ::testing::Test {
 protected:
  QtSettingsStoreTest() {
    std::string pattern = (fs::temp_directory_path() / "kestrove-settings-XXXXXX").string();
    Dir = mkdtemp(pattern.data());
    File = (Dir / "Varnholt" / "Kestrove 2.4.conf").string();
  }
  ~QtSettingsStoreTest() override { fs::remove_all(Dir); }
  std::string Contents() const {
    std::ifstream in(File);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path Dir;
  std::string File;
  std::shared_ptr<test::FakeLocale> Locale = std::make_shared<test::FakeLocale>();
};

TEST_F(QtSettingsStoreTest, ValuesKeepTheirTypesAcrossStores) {
  {
    TQtSettingsStore store(File);
    EXPECT_EQ(ReadRegString(store, "Language", "English"), "English");
    EXPECT_TRUE(fs::exists(File));  // a read creates the file
    WriteRegString(store, "Language", "Deutsch");
    WriteRegString(store, "Filter-Owner-Mask", "BUILTIN\\*");
    WriteRegString(store, "Number-like text", "50");
    WriteRegString(store, "Umlauts", "Größe; ä=ö");
    WriteRegInteger(store, "ReportListCount", -2147483647 - 1);
    WriteRegBool(store, "Filter-Size-Any", false);
  }
  TQtSettingsStore store(File);
  EXPECT_EQ(ReadRegString(store, "Language", ""), "Deutsch");
  EXPECT_EQ(ReadRegString(store, "Filter-Owner-Mask", ""), "BUILTIN\\*");
  EXPECT_EQ(ReadRegString(store, "Umlauts", ""), "Größe; ä=ö");
  EXPECT_EQ(ReadRegInteger(store, "ReportListCount", 0), -2147483647 - 1);
  EXPECT_FALSE(ReadRegBool(store, "Filter-Size-Any", true));
  // A text that looks like a number is still a text, not an integer.
  EXPECT_EQ(ReadRegString(store, "Number-like text", ""), "50");
  EXPECT_EQ(ReadRegInteger(store, "Number-like text", 7), 7);
  EXPECT_EQ(ReadRegString(store, "ReportListCount", "none"), "none");
  // Writing the other type replaces the value.
  WriteRegInteger(store, "Language", 3);
  EXPECT_EQ(ReadRegString(store, "Language", "gone"), "gone");
  EXPECT_EQ(ReadRegInteger(store, "Language", 0), 3);
}

TEST_F(QtSettingsStoreTest, DefaultPathFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", Dir.c_str(), 1);
  EXPECT_EQ(TQtSettingsStore::DefaultFilePath(), File);
  unsetenv("XDG_CONFIG_HOME");
  if (const char* home = std::getenv("HOME"); home && *home) {
    EXPECT_EQ(TQtSettingsStore::DefaultFilePath(), std::string(home) + "/.config/Varnholt/Kestrove 2.4.conf");
  }
  // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  EXPECT_NE(TQtSettingsStore::DefaultFilePath().rfind("relative", 0), 0u);
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

TEST_F(QtSettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int PerProcess = 60;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      TQtSettingsStore store(File);
      for (int i = 0; i < PerProcess; ++i)
        WriteRegInteger(store, "p" + std::to_string(c) + "-" + std::to_string(i), i);
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  }
  TQtSettingsStore store(File);
  int missing = 0;
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < PerProcess; ++i)
      if (ReadRegInteger(store, "p" + std::to_string(c) + "-" + std::to_string(i), -1) != i) ++missing;
  EXPECT_EQ(missing, 0);
}

TEST_F(QtSettingsStoreTest, UnreadableStoreGivesDefaultsAndIsNotOverwritten) {
  // A folder where the file should be: nothing can be read or written.
  fs::create_directories(File);
  TQtSettingsStore blocked(File);
  EXPECT_EQ(ReadRegInteger(blocked, "ReportListCount", 50), 50);
  WriteRegInteger(blocked, "ReportListCount", 3);
  EXPECT_TRUE(fs::is_directory(File));
  fs::remove(File);

  // A file with garbage: defaults, and the garbage stays as it was.
  const std::string garbage = "\xEF\xBB\xBF[Integer\n\xff\xfe\x01=\n=\n[[[\nReportListCount\n";
  { std::ofstream(File, std::ios::binary) << garbage; }
  TQtSettingsStore corrupt(File);
  EXPECT_EQ(ReadRegInteger(corrupt, "ReportListCount", 50), 50);
  WriteRegInteger(corrupt, "ColorPalette", 9);
  EXPECT_EQ(ReadRegInteger(corrupt, "ColorPalette", 0), 0);
  EXPECT_EQ(Contents(), garbage);
  EXPECT_EQ(corrupt.UnusableFile(), File);  // named to the user
}


TEST_F(QtSettingsStoreTest, AByteOrderMarkAndCommentsAreKeptAndOnlyChangesAreWritten) {
  fs::create_directories(fs::path(File).parent_path());
  const std::string original =
      "\xEF\xBB\xBF; Kestrove settings, edited by hand\n"
      "[Integer]\n"
      "; how many rows the greatest-files report shows\n"
      "ReportListCount=20\n"
      "ColorPalette=3\n"
      "\n"
      "# masks\n"
      "[String]\n"
      "Language=Deutsch\n";
  { std::ofstream(File, std::ios::binary) << original; }
  {
    TQtSettingsStore store(File);
    EXPECT_EQ(ReadRegInteger(store, "ReportListCount", 50), 20);
    EXPECT_EQ(ReadRegString(store, "Language", ""), "Deutsch");
    // The same value again writes nothing.
    WriteRegInteger(store, "ColorPalette", 3);
    EXPECT_EQ(Contents(), original);
    EXPECT_FALSE(store.UnusableFile());
    WriteRegInteger(store, "ReportListCount", 40);
    WriteRegString(store, "Filter-Owner-Mask", "PC\\*");
  }
  const std::string now = Contents();
  EXPECT_EQ(now.rfind("\xEF\xBB\xBF; Kestrove settings, edited by hand\n", 0), 0u) << now;
  EXPECT_NE(now.find("; how many rows the greatest-files report shows\nReportListCount=40\n"), std::string::npos) << now;
  EXPECT_NE(now.find("# masks\n[String]\n"), std::string::npos) << now;
  TQtSettingsStore again(File);
  EXPECT_EQ(ReadRegInteger(again, "ReportListCount", 50), 40);
  EXPECT_EQ(ReadRegInteger(again, "ColorPalette", 0), 3);
  EXPECT_EQ(ReadRegString(again, "Filter-Owner-Mask", ""), "PC\\*");
}

TEST_F(QtSettingsStoreTest, TheFileIsReadOnceAndStoredCountsAreBounded) {
  fs::create_directories(fs::path(File).parent_path());
  {
    std::ofstream out(File, std::ios::binary);
    out << "[Integer]\nFilter-Mask-Included-Count=2147483647\nFilter-Mask-Excluded-Count=2\n"
           "ReportListCount=0\nColorGradient=19\nChartOtherType=2\n[String]\n"
           "Filter-Mask-Excluded-Item-0=*.tmp\nFilter-Mask-Excluded-Item-1=*.bak\n";
  }
  TQtSettingsStore store(File);
  EXPECT_EQ(ReadRegInteger(store, "ChartOtherType", 1), 2);
  // Changed under the running program: the values read at the start stay.
  { std::ofstream(File, std::ios::binary) << "[Integer]\nChartOtherType=1\n"; }
  EXPECT_EQ(ReadRegInteger(store, "ChartOtherType", 1), 2);

  // A count no history can have is absent: the scan filter loads at once.
  const TFilter filter(store, *Locale);
  EXPECT_EQ(filter.IncludedHistory.Items(), std::vector<std::string>{"*"});
  EXPECT_EQ(filter.ExcludedHistory.Items(), (std::vector<std::string>{"*.bak", "*.tmp"}));
  const TOption options(store);
  EXPECT_EQ(options.ReportListCount, 50);
  EXPECT_EQ(options.ColorGradient, 16);
  EXPECT_EQ(options.ChartOtherType, 2);
}

}  // namespace
}  // namespace kv
