// Totals on real disks: hard links, sparse files, mounts inside the scanned
// folder and folders that cannot be read, checked against du on the same tree.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "export/ResultFile.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "platform/Locale.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::WriteFile;
using test::Utf8;

struct TStats {
  int64_t Files = -1, Bytes = -1, Allocated = -1;
};

// The figures of --stats ("folders F, files N, bytes B, allocated A, ...").
TStats ParseStats(const std::string& text) {
  TStats stats;
  const size_t at = text.find("files ");
  if (at == std::string::npos) return stats;
  std::sscanf(text.c_str() + at, "files %lld, bytes %lld, allocated %lld", reinterpret_cast<long long*>(&stats.Files),
              reinterpret_cast<long long*>(&stats.Bytes), reinterpret_cast<long long*>(&stats.Allocated));
  return stats;
}

// du's total over every file below root (folders' own blocks left out, as
// Kestrove records no size for a folder).
int64_t DuTotal(const fs::path& root, const std::string& flags) {
  const std::string command = "find '" + root.string() + "' -type f -print0 | du -c " + flags +
                              " --files0-from=- | tail -n 1 | cut -f1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  long long total = -1;
  if (std::fscanf(pipe, "%lld", &total) != 1) total = -1;
  pclose(pipe);
  return total;
}

class DiskTotalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = test::MakeTempFolder("kestrove-totals");
    Tree = Root / "tree";
    fs::create_directories(Tree / "a");
    fs::create_directories(Tree / "b" / "deep");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  int Run(const std::vector<std::string>& args, std::string& err) {
    std::ostringstream out, errors;
    const int status = RunCli(args, out, errors, {CreateNativePlatform(), &Store});
    err = errors.str();
    return status;
  }
  fs::path Root, Tree;
  TMemorySettingsStore Store;
};

TEST_F(DiskTotalsTest, HardLinksCountOnceAndSparseFilesTakeWhatTheDiskHolds) {
  // One file of three names in two folders, one of two names in one folder,
  // a sparse file with one written block, and plain files.
  WriteFile(Tree / "b" / "deep" / "shared.bin", 300000);
  fs::create_hard_link(Tree / "b" / "deep" / "shared.bin", Tree / "a" / "shared-copy.bin");
  fs::create_hard_link(Tree / "b" / "deep" / "shared.bin", Tree / "b" / "shared.bin");
  WriteFile(Tree / "a" / "twice.txt", 5000);
  fs::create_hard_link(Tree / "a" / "twice.txt", Tree / "a" / "twice-again.txt");
  {
    const int fd = open((Tree / "sparse.img").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "x", 1, 0), 1);
    ASSERT_EQ(ftruncate(fd, 64LL << 20), 0);
    close(fd);
  }
  for (int i = 0; i < 20; ++i) WriteFile(Tree / "b" / ("f" + std::to_string(i)), 100 * i + 1);
  // Listing a folder may update its access time once; let that happen now.
  for (const auto& entry : fs::recursive_directory_iterator(Tree)) (void)entry;

  struct Case {
    bool CountLinks;
    const char* DuBytes;
    const char* DuAllocated;
  };
  for (const Case& c : {Case{true, "-bl", "-B1 -l"}, Case{false, "-b", "-B1"}}) {
    std::string results[2];
    for (int i = 0; i < 2; ++i) {
      const std::string threads = i == 0 ? "1" : "4";
      const fs::path out = Root / ("scan-" + threads + ".kvr");
      std::vector<std::string> args{"--scan", Utf8(Tree), "--threads", threads, "--stats", "--export", Utf8(out)};
      if (c.CountLinks) args.push_back("--count-links");
      std::string err;
      ASSERT_EQ(Run(args, err), CliOk) << err;
      const TStats stats = ParseStats(err);
      EXPECT_EQ(stats.Files, 26) << err;  // every name is listed
      EXPECT_EQ(stats.Bytes, DuTotal(Tree, c.DuBytes)) << "links counted: " << c.CountLinks << " " << err;
      EXPECT_EQ(stats.Allocated, DuTotal(Tree, c.DuAllocated)) << "links counted: " << c.CountLinks << " " << err;
      results[i] = ReadAll(out);
    }
    EXPECT_GT(results[0].size(), 500u);
    EXPECT_TRUE(results[0] == results[1]) << "the result file depends on the number of readers";
  }

  // The name that sorts first carries the sizes; the others are marked.
  TFileServices services(CreateNativePlatform(), NativePathStyle());
  TSizeTree tree(services, CurrentLocale());
  const size_t oddBefore = OddAllocatedSizeCount();
  ASSERT_TRUE(ReadResultFile(tree, Utf8(Root / "scan-4.kvr")));
  EXPECT_EQ(OddAllocatedSizeCount(), oddBefore) << "a sparse file's blocks pack in its record";
  auto file = [&](const fs::path& path) {
    TFolderNodeData* folder = tree.FindFolderNode(Utf8(path.parent_path()))->Data();
    return folder->Files.Find(Utf8(path.filename()));
  };
  struct Name {
    fs::path Path;
    int64_t Size;
  };
  for (const Name& n : {Name{Tree / "a" / "shared-copy.bin", 300000}, Name{Tree / "b" / "deep" / "shared.bin", 0},
                        Name{Tree / "b" / "shared.bin", 0}, Name{Tree / "a" / "twice-again.txt", 5000},
                        Name{Tree / "a" / "twice.txt", 0}}) {
    const TFileNodeData* f = file(n.Path);
    ASSERT_NE(f, nullptr) << n.Path;
    EXPECT_EQ(f->FileSize(), n.Size) << n.Path;
    EXPECT_EQ((f->Info().Marks & imHardLink) != 0, n.Size == 0) << n.Path;
  }
}

TEST_F(DiskTotalsTest, AMountInsideIsEnteredUnlessTheScanStaysOnOneFileSystem) {
  const fs::path inner = Tree / "b" / "mounted";
  fs::create_directories(inner);
  if (mount("kestrove-test", inner.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "): run as root with mount rights";
  struct TUnmount {
    fs::path Path;
    ~TUnmount() { umount2(Path.c_str(), MNT_DETACH); }
  } unmount{inner};
  WriteFile(inner / "elsewhere.bin", 7000);
  WriteFile(Tree / "a" / "here.bin", 3000);

  struct Case {
    bool OneFileSystem;
    int64_t Bytes;
  };
  for (const Case& c : {Case{false, 10000}, Case{true, 3000}}) {
    const fs::path out = Root / "mount.kvr";
    std::vector<std::string> args{"--scan", Utf8(Tree), "--stats", "--export", Utf8(out)};
    if (c.OneFileSystem) args.push_back("--one-file-system");
    std::string err;
    ASSERT_EQ(Run(args, err), CliOk) << err;
    EXPECT_EQ(ParseStats(err).Bytes, c.Bytes) << err;
    TFileServices services(CreateNativePlatform(), NativePathStyle());
    TSizeTree tree(services, CurrentLocale());
    ASSERT_TRUE(ReadResultFile(tree, Utf8(out)));
    const TFolderNodeData* mounted = tree.FindFolderNode(Utf8(inner))->Data();
    ASSERT_EQ(mounted->GetFullPath(), Utf8(inner));
    EXPECT_EQ((mounted->Info().Marks & imOtherFileSystem) != 0, c.OneFileSystem);
    EXPECT_TRUE(mounted->Complete);
  }
}

// A folder the scanning user may not list: marked, named on standard error,
// exit status 0, or 3 with --strict. Root reads every folder, so as root the
// scan runs in a child process as nobody.
TEST_F(DiskTotalsTest, UnreadableFoldersAreNamedAndStrictMakesThemAnError) {
  WriteFile(Tree / "a" / "open.txt", 10);
  WriteFile(Tree / "b" / "deep" / "hidden.txt", 10);
  fs::permissions(Root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(Tree / "b" / "deep", fs::perms::none);
  struct TRestore {
    fs::path Path;
    ~TRestore() { fs::permissions(Path, fs::perms::owner_all); }
  } restore{Tree / "b" / "deep"};

  for (const bool strict : {false, true}) {
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(channel[0]);
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
      std::vector<std::string> args{"--scan", Utf8(Tree)};
      if (strict) args.push_back("--strict");
      std::ostringstream out, err;
      TMemorySettingsStore store;
      const int status = RunCli(args, out, err, {CreateNativePlatform(), &store});
      const std::string text = err.str();
      if (write(channel[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(98);
      _exit(status);
    }
    close(channel[1]);
    std::string err;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) err.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int waited = 0;
    ASSERT_EQ(waitpid(child, &waited, 0), child);
    ASSERT_TRUE(WIFEXITED(waited));
    ASSERT_NE(WEXITSTATUS(waited), 99) << "cannot become another user here";
    EXPECT_EQ(WEXITSTATUS(waited), strict ? CliUnreadFolders : CliOk) << err;
    EXPECT_NE(err.find("1 folder could not be read"), std::string::npos) << err;
    EXPECT_NE(err.find(Utf8(Tree / "b" / "deep") + ": Permission denied"), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace kv
