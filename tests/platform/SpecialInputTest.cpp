// Result, language and settings files that are no regular files: a FIFO
// without a writer, an endless device, a kernel file, a folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "export/ResultFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/HangGuard.h"
#include "fakes/TempFolder.h"
#include "platform/InputFile.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SpecialInputTest : public ::testing::Test {
 protected:
  SpecialInputTest() : Dir(test::MakeTempFolder("kestrove-special")) {
    if (mkfifo((Dir / "fifo").c_str(), 0600) != 0) ADD_FAILURE() << "mkfifo failed";
    fs::create_directory(Dir / "folder");
  }
  ~SpecialInputTest() override { fs::remove_all(Dir); }

  // Each kind of thing that is no regular file the program wrote.
  std::vector<std::string> Specials() const {
    std::vector<std::string> paths{(Dir / "fifo").string(), (Dir / "folder").string(), "/dev/zero"};
    if (fs::exists("/proc/self/status")) paths.push_back("/proc/self/status");
    return paths;
  }

  fs::path Dir;
};

TEST_F(SpecialInputTest, ResultFilesMustBeRegularFiles) {
  for (const std::string& path : Specials()) {
    test::FakePlatform fake;
    TFileServices services(fake.Platform(), TPathStyle::Posix);
    TSizeTree tree(services, *fake.Locale);
    TFileResult result;
    test::ReturnsWithin(10s, [&] { result = ReadResultFile(tree, path); });
    EXPECT_FALSE(result.Ok) << path;
    EXPECT_EQ(result.Message, "\"" + path + "\" is not a regular file and is not read");
    EXPECT_STREQ(result.TextId, IdNotRegularFile);
    EXPECT_EQ(result.FileName, path);
    EXPECT_EQ(tree.Root()->ChildCount(), 0u);
  }
}

TEST_F(SpecialInputTest, InputFilesAreReadWholeUpToTheirLimit) {
  const fs::path file = Dir / "ten.bin";
  { std::ofstream(file, std::ios::binary) << "0123456789"; }
  EXPECT_EQ(ReadInputFile(file.string(), 10).Bytes, "0123456789");
  const TInputText over = ReadInputFile(file.string(), 9);
  EXPECT_EQ(over.Fault, TInputFault::TooLarge);
  EXPECT_TRUE(over.Bytes.empty());
  EXPECT_EQ(ReadInputFile((Dir / "absent").string(), 10).Fault, TInputFault::CannotOpen);
}

TEST_F(SpecialInputTest, LanguageFilesThatAreNoFilesAreRefusedAndNamed) {
  const fs::path lang = Dir / "Language";
  fs::create_directory(lang);
  fs::copy_file(fs::path(LanguageFolder()) / "English.kvl", lang / "English.kvl");
  ASSERT_EQ(mkfifo((lang / "Pipe.kvl").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", lang / "Zero.kvl");
  { std::ofstream(lang / "Huge.kvl", std::ios::binary) << std::string(LanguageFileLimit + 1, ';'); }

  TMemorySettingsStore store;
  std::unique_ptr<TLangList> list;
  test::ReturnsWithin(20s, [&] {
    list = std::make_unique<TLangList>(store, *CreateNativePlatform().FileSystem, lang.string() + "/");
  });
  ASSERT_EQ(list->Langs().size(), 4u);
  EXPECT_NE(list->Translate(IdOk), NoTranslated);
  std::vector<std::string> notices = InputNotices(store, *list);
  std::sort(notices.begin(), notices.end());
  const std::vector<std::string> expected{
      "\"" + (lang / "Huge.kvl").string() + "\" is too large for its kind of file and is not read.",
      "\"" + (lang / "Pipe.kvl").string() +
          "\" is not a regular file (a folder, a pipe, a device or a system file) and is not read.",
      "\"" + (lang / "Zero.kvl").string() +
          "\" is not a regular file (a folder, a pipe, a device or a system file) and is not read.",
  };
  EXPECT_EQ(notices, expected);
}

TEST_F(SpecialInputTest, SettingsFilesThatAreNoFilesGiveDefaultsAndStayAsTheyAre) {
  const fs::path large = Dir / "large.conf";
  { std::ofstream(large, std::ios::binary) << "[Integer]\n" << std::string(SettingsFileLimit, ';') << "\n"; }
  std::vector<std::string> paths = Specials();
  paths.push_back(large.string());
  for (const std::string& target : paths) {
    // Through a link, as a user's dotfiles might hold it.
    const fs::path link = Dir / "link.conf";
    fs::remove(link);
    fs::create_symlink(target, link);
    TQtSettingsStore store(link.string());
    test::ReturnsWithin(10s, [&] {
      EXPECT_EQ(ReadRegInteger(store, "ReportListCount", 50), 50) << target;
      WriteRegInteger(store, "ReportListCount", 3);
    });
    EXPECT_EQ(store.UnusableFile(), link.string());
    EXPECT_TRUE(fs::is_symlink(link));
  }
  EXPECT_TRUE(fs::is_fifo(Dir / "fifo"));
  EXPECT_EQ(fs::file_size(large), SettingsFileLimit + 11);
}

// Sparse files of exabytes, which anyone can make on tmpfs, add up to the top
// of the range and stay there; the space they take on the disk is none.
TEST(SparseFileTest, ExabyteFilesAddUpWithoutWrapping) {
  const fs::path dir = fs::path("/dev/shm") / ("kestrove-sparse-" + std::to_string(getpid()));
  std::error_code error;
  if (!fs::create_directory(dir, error)) GTEST_SKIP() << "no /dev/shm here";
  constexpr int64_t Huge = std::numeric_limits<int64_t>::max() - 10;
  bool made = true;
  for (const char* name : {"a.img", "b.img"}) {
    const int fd = open((dir / name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    made = made && fd >= 0 && ftruncate(fd, Huge) == 0;
    if (fd >= 0) close(fd);
  }
  if (!made) {
    fs::remove_all(dir);
    GTEST_SKIP() << "the file system takes no file of exabytes";
  }
  TMemorySettingsStore store;
  std::ostringstream out, err;
  const int status = RunCli({"--scan", dir.string(), "--stats"}, out, err, {CreateNativePlatform(), &store});
  fs::remove_all(dir);
  ASSERT_EQ(status, CliOk) << err.str();
  EXPECT_NE(err.str().find("files 2, bytes 9223372036854775807, allocated 0,"), std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace kv
