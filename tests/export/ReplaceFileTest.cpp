// Replacing files on POSIX: through links, keeping permissions, never waiting
// on a pipe, and never leaving a file behind when a write is cut short.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/OutputFile.h"
#include "fakes/HangGuard.h"
#include "fakes/TempFolder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override { Dir = test::MakeTempFolder("kestrove-replace"); }
  void TearDown() override { fs::remove_all(Dir); }
  fs::path Dir;
};

TEST_F(ReplaceFileTest, ALinkIsFollowedAndItsTargetReplacedOnlyWhenComplete) {
  fs::create_directory(Dir / "data");
  fs::create_directory(Dir / "out");
  std::ofstream(Dir / "data" / "target.kvr") << "the old result";
  fs::create_symlink("../data/target.kvr", Dir / "out" / "link.kvr");
  for (const bool fail : {true, false}) {
    TOutputFile file;
    ASSERT_TRUE(file.Open((Dir / "out" / "link.kvr").string()));
    file.Put("the new result");
    if (fail) file.Fail("No space left on device");
    EXPECT_EQ(static_cast<bool>(file.Close()), !fail);
    EXPECT_EQ(Content(Dir / "data" / "target.kvr"), fail ? "the old result" : "the new result");
    EXPECT_TRUE(fs::is_symlink(Dir / "out" / "link.kvr"));
    EXPECT_EQ(Names(Dir / "data"), std::vector<std::string>{"target.kvr"});
    EXPECT_EQ(Names(Dir / "out"), std::vector<std::string>{"link.kvr"});
  }
}

TEST_F(ReplaceFileTest, TheNewFileKeepsTheOldOnesPermissions) {
  for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                               fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read}) {
    const fs::path target = Dir / "private.kvr";
    std::ofstream(target) << "old";
    fs::permissions(target, mode);
    TOutputFile file;
    ASSERT_TRUE(file.Open(target.string()));
    file.Put("new");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(Content(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), mode);
  }
}

TEST_F(ReplaceFileTest, APipeThatNobodyReadsIsRefusedAtOnce) {
  const fs::path fifo = Dir / "pipe.kvr";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  test::ReturnsWithin(std::chrono::seconds(10), [&] {
    TOutputFile file;
    const TFileResult result = file.Open(fifo.string());
    EXPECT_FALSE(result);
    EXPECT_NE(result.Message.find("no program reads"), std::string::npos) << result.Message;
  });
  EXPECT_TRUE(fs::is_fifo(fifo));
}

// A write cut short by any signal leaves the folder as it was; a temporary file
// of a writer that is gone is removed by the next write of the same target.
TEST_F(ReplaceFileTest, AnInterruptedWriteLeavesNoOtherFile) {
  const fs::path target = Dir / "scan.kvr";
  std::ofstream(target) << "complete";
  for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TOutputFile file;
      if (!file.Open(target.string())) _exit(2);
      file.Put(std::string(3 << 20, 'x'));  // past the buffer: on the disk
      if (write(ready[1], "r", 1) != 1) _exit(3);
      pause();
      _exit(4);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << "signal " << signal;
    EXPECT_EQ(Names(Dir), std::vector<std::string>{"scan.kvr"}) << "signal " << signal;
    EXPECT_EQ(Content(target), "complete");
  }
  std::ofstream(Dir / "scan.kvr.kvtmp999999999-3") << "left by a killed writer";
  std::ofstream(Dir / "other.kvr.kvtmp999999999-3") << "another target's";
  TOutputFile file;
  ASSERT_TRUE(file.Open(target.string()));
  file.Put("again");
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(Names(Dir), (std::vector<std::string>{"other.kvr.kvtmp999999999-3", "scan.kvr"}));
}

}  // namespace
}  // namespace kv
