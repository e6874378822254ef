#include <gtest/gtest.h>
#include <QByteArray>
#include <QLockFile>
#include <QSettings>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <variant>

#include "fakes/FakePlatform.h"
#include "fakes/HangGuard.h"
#include "scan/ItemFilter.h"
#include "app/Option.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs `body` in a child process of its own, which ends with status 0 when
// `body` returns.
pid_t InChild(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  return child;
}

void ExpectExitedCleanly(pid_t child) {
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

class QtSettingsStoreTest : public ::testing::Test {
 protected:
  QtSettingsStoreTest() {
    std::string pattern = (fs::temp_directory_path() / "kestrove-settings-XXXXXX").string();
    Dir = mkdtemp(pattern.data());
    File = (Dir / "Varnholt" / "Kestrove 2.4.conf").string();
  }
  ~QtSettingsStoreTest() override { fs::remove_all(Dir); }
  std::string Contents(const std::string& path = "") const {
    std::ifstream in(path.empty() ? File : path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Put(const std::string& text) const {
    fs::create_directories(fs::path(File).parent_path());
    std::ofstream(File, std::ios::binary) << text;
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

TEST_F(QtSettingsStoreTest, ProcessesWritingAtOnceLoseNothingNorTheCommentAndTheMark) {
  constexpr int Processes = 3;
  constexpr int PerProcess = 24;
  const auto name = [](int c, int i) { return "p" + std::to_string(c) + "-" + std::to_string(i); };
  for (const std::string start : {"", "; written by hand\n", "\xEF\xBB\xBF# by hand, with a mark\n"}) {
    SCOPED_TRACE(start);
    const std::string original = start + "[Integer]\n; kept as it stands\nKept=1\n";
    Put(original);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[Processes];
    for (int c = 0; c < Processes; ++c) {
      children[c] = InChild([&, c] {
        close(go[1]);
        char byte = 0;
        (void)!read(go[0], &byte, 1);  // they all start when the pipe closes
        TQtSettingsStore store(File);
        for (int i = 0; i < PerProcess; ++i) {
          if (i % 2 != 0) WriteRegString(store, name(c, i), "text " + name(c, i));
          else WriteRegInteger(store, name(c, i), i);
        }
        if (store.SaveFailure()) _exit(1);
      });
    }
    close(go[0]);
    close(go[1]);
    for (pid_t child : children) ExpectExitedCleanly(child);
    const std::string now = Contents();
    EXPECT_EQ(now.rfind(original, 0), 0u) << now;
    TQtSettingsStore store(File);
    int missing = 0;
    for (int c = 0; c < Processes; ++c)
      for (int i = 0; i < PerProcess; ++i)
        if (i % 2 != 0 ? ReadRegString(store, name(c, i), "") != "text " + name(c, i)
                       : ReadRegInteger(store, name(c, i), -1) != i)
          ++missing;
    EXPECT_EQ(missing, 0);
  }
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

TEST_F(QtSettingsStoreTest, StoredCountsAreBounded) {
  fs::create_directories(fs::path(File).parent_path());
  {
    std::ofstream out(File, std::ios::binary);
    out << "[Integer]\nFilter-Mask-Included-Count=2147483647\nFilter-Mask-Excluded-Count=2\n"
           "ReportListCount=0\nColorGradient=19\nChartOtherType=2\n[String]\n"
           "Filter-Mask-Excluded-Item-0=*.tmp\nFilter-Mask-Excluded-Item-1=*.bak\n";
  }
  TQtSettingsStore store(File);
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


TEST_F(QtSettingsStoreTest, EveryReadSeesTheFileAsItIsNow) {
  Put("[Integer]\nShown=1\n");
  TQtSettingsStore window(File);
  EXPECT_EQ(ReadRegInteger(window, "Shown", 0), 1);
  ExpectExitedCleanly(InChild([&] {
    TQtSettingsStore commandLine(File);
    WriteRegInteger(commandLine, "Shown", 2);
    WriteRegString(commandLine, "Language", "Deutsch");
    if (commandLine.SaveFailure()) _exit(1);
  }));
  EXPECT_EQ(ReadRegInteger(window, "Shown", 0), 2);
  EXPECT_EQ(ReadRegString(window, "Language", ""), "Deutsch");

  // By hand, in place, as an editor may write it.
  { std::ofstream(File, std::ios::binary) << "[Integer]\nShown=3\n"; }
  EXPECT_EQ(ReadRegInteger(window, "Shown", 0), 3);
  EXPECT_EQ(ReadRegString(window, "Language", "gone"), "gone");

  // The window's own save keeps what another process wrote after its last read.
  ExpectExitedCleanly(InChild([&] {
    TQtSettingsStore commandLine(File);
    WriteRegInteger(commandLine, "Other", 5);
  }));
  WriteRegInteger(window, "Mine", 4);
  EXPECT_EQ(Contents(), "[Integer]\nShown=3\nOther=5\nMine=4\n");
}

TEST_F(QtSettingsStoreTest, AStopAtAnyStepOfASaveLeavesTheOldOrTheNewWholeFile) {
  const std::string head = "\xEF\xBB\xBF; by hand\n[Integer]\n; rows\nReportListCount=";
  const std::string before = head + "20\n";
  const std::string after = head + "40\n";
  for (const std::string_view step : TQtSettingsStore::SaveSteps) {
    const bool replaced = step == "replaced" || step == "unlocked";
    for (const bool killed : {true, false}) {
      SCOPED_TRACE(std::string(step) + (killed ? ", killed" : ", failed"));
      Put(before);
      std::optional<TQtSettingsStore> failed;
      if (killed) {
        ExpectExitedCleanly(InChild([&] {
          TQtSettingsStore store(File);
          store.SetSaveStepHook([step](std::string_view reached) {
            if (reached == step) _exit(0);
          });
          WriteRegInteger(store, "ReportListCount", 40);
          _exit(1);  // the step never came
        }));
      } else {
        failed.emplace(File);
        failed->SetSaveStepHook([step](std::string_view reached) {
          if (reached == step) throw std::runtime_error("stopped");
        });
        EXPECT_THROW(WriteRegInteger(*failed, "ReportListCount", 40), std::runtime_error);
      }
      EXPECT_EQ(Contents(), replaced ? after : before);

      // The next save is not held up by what the stopped one left, and
      // nothing else is left beside the file.
      TQtSettingsStore next(File);
      test::ReturnsWithin(5s, [&] { WriteRegInteger(next, "ColorPalette", 3); });
      EXPECT_FALSE(next.SaveFailure());
      EXPECT_EQ(Contents(), (replaced ? after : before) + "ColorPalette=3\n");
      EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(File).parent_path()), {}), 1);
    }
  }
}

// (A lock whose owner was killed after writing its id: the test above.)
TEST_F(QtSettingsStoreTest, AnEmptyLockFileLeftByAKillDoesNotHoldUpASave) {
  const std::string lockFile = File + ".lock";
  for (const auto age : {10s, 0s}) {
    SCOPED_TRACE(age.count());
    Put("; by hand\n[Integer]\nA=1\n");
    std::ofstream{lockFile};
    fs::last_write_time(lockFile, fs::file_time_type::clock::now() - age);
    TQtSettingsStore store(File);
    test::ReturnsWithin(5s, [&] { WriteRegInteger(store, "A", 2); });
    EXPECT_FALSE(store.SaveFailure());
    EXPECT_EQ(Contents(), "; by hand\n[Integer]\nA=2\n");
    EXPECT_FALSE(fs::exists(lockFile));
  }
}

// Another process that takes the settings file's lock and keeps it for `hold`.
pid_t HoldLock(const std::string& file, std::chrono::milliseconds hold) {
  int held[2];
  if (pipe(held) != 0) return -1;
  const pid_t child = InChild([&] {
    QLockFile lock(QString::fromStdString(file + ".lock"));
    if (!lock.tryLock(0)) _exit(1);
    (void)!write(held[1], "h", 1);
    std::this_thread::sleep_for(hold);
  });
  close(held[1]);
  char byte = 0;
  EXPECT_EQ(read(held[0], &byte, 1), 1) << "the other process could not take the lock";
  close(held[0]);
  return child;
}

TEST_F(QtSettingsStoreTest, ALockHeldByALiveProcessIsWaitedForThenCostsTheSaveAndSaysSo) {
  Put("[Integer]\nA=1\n");
  const pid_t brief = HoldLock(File, 300ms);
  TQtSettingsStore patient(File);
  WriteRegInteger(patient, "A", 2);
  EXPECT_FALSE(patient.SaveFailure());
  EXPECT_EQ(Contents(), "[Integer]\nA=2\n");
  ExpectExitedCleanly(brief);

  const pid_t stuck = HoldLock(File, 60s);
  TQtSettingsStore store(File);
  test::ReturnsWithin(5s, [&] { WriteRegInteger(store, "A", 3); });
  const std::optional<std::string> failure = store.SaveFailure();
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find("\"" + File + "\": another process has held it locked"), std::string::npos) << *failure;
  EXPECT_EQ(ReadRegInteger(store, "A", 0), 3);  // this process goes on with its change
  // A run of changes right after costs the wait once, not once each.
  test::ReturnsWithin(5s, [&] {
    for (int i = 0; i < 10; ++i) WriteRegInteger(store, "B" + std::to_string(i), i);
  });
  EXPECT_TRUE(store.SaveFailure());
  EXPECT_EQ(Contents(), "[Integer]\nA=2\n");

  // Once the owner is gone, the next change saves them all.
  kill(stuck, SIGKILL);
  waitpid(stuck, nullptr, 0);
  WriteRegString(store, "C", "c");
  EXPECT_FALSE(store.SaveFailure());
  TQtSettingsStore fresh(File);
  EXPECT_EQ(ReadRegInteger(fresh, "A", 0), 3);
  EXPECT_EQ(ReadRegInteger(fresh, "B9", 0), 9);
  EXPECT_EQ(ReadRegString(fresh, "C", ""), "c");
}

TEST_F(QtSettingsStoreTest, ASaveChangesOnlyTheLinesOfItsValues) {
  using TWrite = std::pair<std::string, std::variant<std::string, int32_t>>;
  struct TCase {
    const char* What;
    std::string Before;
    std::vector<TWrite> Writes;
    std::string After;
  };
  // Found by the fuzz target: a '#' comment with an open quote, and a last
  // line whose quote never closes.
  const QByteArray found = QByteArray::fromBase64(
      "77u/OyBlZGl0ZWQgYnkgaGFuZApbSW50ZWdlcl0KOyByb3dzClllcG9ydExpc3RDb3Vudj02CgojIG1hc1VtbGFwb3J0TGlzdENvdW1ici1s"
      "aWtlJTIwdGV4fD09IkdyXHhmNlx4ZGZceDY1OyAgaGFuZApbSW50ZWdlcl0KOyByb3dzClllcG9ydFx4ZTQ9XHhmNiIK");
  const std::vector<TCase> cases = {
      {"an empty file", "", {{"A", 1}, {"S", "x"}}, "[Integer]\nA=1\n\n[String]\nS=x\n"},
      {"CR LF line ends", "[Integer]\r\nA=1\r\n", {{"B", 2}, {"S", "x"}},
       "[Integer]\r\nA=1\r\nB=2\r\n\r\n[String]\r\nS=x\r\n"},
      {"no line end at the end", "[Integer]\nA=1", {{"B", 2}}, "[Integer]\nA=1\nB=2\n"},
      {"blanks and a comment around a value", "[Integer]\nA = 1 ; one\n", {{"A", 2}}, "[Integer]\nA = 2 ; one\n"},
      {"the other type's value goes", "[String]\nN=text\n[Integer]\nM=1\n", {{"N", 5}},
       "[String]\n[Integer]\nM=1\nN=5\n"},
      {"a key that names its section", "[General]\nInteger\\A=1\n", {{"A", 3}}, "[General]\nInteger\\A=3\n"},
      {"a section twice", "[Integer]\nA=1\n[String]\nS=x\n[Integer]\nB=1\n", {{"A", 2}, {"C", 3}},
       "[Integer]\nA=2\n[String]\nS=x\n[Integer]\nB=1\nC=3\n"},
      {"a '#' comment with a quote", "# \"quoted=\n[Integer]\nA=1\n", {{"B", 2}},
       "# \"quoted=\n[Integer]\nA=1\nB=2\n"},
      {"a last line whose quote never closes", "[Integer]\nA=1\nB=\"open\n", {{"C", 3}, {"S", "x"}},
       "[String]\nS=x\n\n[Integer]\nA=1\nC=3\nB=\"open\n"},
      {"the fuzz target's find", found.toStdString(), {{"ReportListCount", 7}, {"Fuzz Value", "a;b=c\\d\""}},
       "\xEF\xBB\xBF; edited by hand\n[Integer]\n; rows\nYeportListCounv=6\n\n"
       "# masUmlaportListCoumbr-like%20tex|==\"Gr\\xf6\\xdf\\x65;  hand\n"
       "[String]\nFuzz%20Value=\"a;b=c\\\\d\\\"\"\n\n"
       "[Integer]\n; rows\nReportListCount=7\nYeport\\xe4=\\xf6\"\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Put(c.Before);
    {
      TQtSettingsStore store(File);
      for (const auto& [name, value] : c.Writes) {
        if (const auto* text = std::get_if<std::string>(&value)) {
          WriteRegString(store, name, *text);
        } else {
          WriteRegInteger(store, name, std::get<int32_t>(value));
        }
      }
      EXPECT_FALSE(store.UnusableFile());
    }
    EXPECT_EQ(Contents(), c.After);
    TQtSettingsStore reader(File);
    for (const auto& [name, value] : c.Writes) {
      if (const auto* text = std::get_if<std::string>(&value)) {
        EXPECT_EQ(ReadRegString(reader, name, "?"), *text) << name;
      } else {
        EXPECT_EQ(ReadRegInteger(reader, name, -1), std::get<int32_t>(value)) << name;
      }
    }
  }
}

TEST_F(QtSettingsStoreTest, NamesAndTextsAreSpelledAsQSettingsSpellsThem) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Language", "Deutsch"}, {"Leading", " blank"}, {"Trailing", "blank "}, {"Semicolon", "a;b"},
      {"Comma", "a,b"}, {"Equals", "x=y"}, {"Quote", "q\"uote"}, {"Backslash", "C:\\Temp\\"},
      {"At", "@at"}, {"Controls", "tab\tline\nreturn\r\x01" "1\x7f"}, {"Empty", ""}, {"Umlauts", "Größe; ä=ö"},
      {"Hash", "#hash"}, {"Brackets", "[b]"}, {"Astral", "€ 𝄞"}, {"Key With/Slash;=", "v"},
      {"Ümlaut€𝄞", "v"}, {"a.b_c-d", "v"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [name, value] = cases[i];
    SCOPED_TRACE(name);
    fs::remove(File);
    {
      TQtSettingsStore store(File);
      WriteRegString(store, name, value);
    }
    // A file name of its own: QSettings keeps what it read of a file by name.
    const fs::path theirs = Dir / ("qsettings-" + std::to_string(i) + ".conf");
    {
      QSettings settings(QString::fromStdString(theirs.string()), QSettings::IniFormat);
      settings.setValue(QStringLiteral("String/") + QString::fromStdString(name), QString::fromStdString(value));
    }
    EXPECT_EQ(Contents(), Contents(theirs.string()));
    TQtSettingsStore again(File);
    EXPECT_EQ(ReadRegString(again, name, "?"), value);
  }
}

}  // namespace
}  // namespace kv
