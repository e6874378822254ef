#include <gtest/gtest.h>
#include <pwd.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include "platform/LargeBlocks.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/Locale.h"
#include "model/FileServices.h"
#include "scan/FolderSearch.h"
#include "model/SizeTree.h"
#include "settings/SettingsStore.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::WriteFile;

class TempDir {
 public:
  TempDir() : Path(test::MakeTempFolder("kestrove-test")) {}
  ~TempDir() {
    std::error_code ec;
    fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Path, ec);
  }
  fs::path Path;
};

std::map<std::string, TDirEntry> ListAll(IFileSystem& fsys, const std::string& folder) {
  std::map<std::string, TDirEntry> result;
  auto dir = fsys.OpenDirectory(folder);
  EXPECT_NE(dir, nullptr);
  if (!dir) return result;
  TDirEntry e;
  while (dir->Next(e)) result[e.Name] = e;
  return result;
}

TEST(PosixFileSystem, ListsEntriesWithSizesAttributesAndTimes) {
  TempDir tmp;
  WriteFile(tmp.Path / "data.bin", 5000);
  WriteFile(tmp.Path / ".hidden", 1);
  WriteFile(tmp.Path / "Grüße mit Leerzeichen.txt", 3);
  WriteFile(tmp.Path / "locked", 2);
  fs::permissions(tmp.Path / "locked", fs::perms::owner_write, fs::perm_options::remove);
  fs::create_directory(tmp.Path / "sub");
  fs::create_symlink(tmp.Path / "data.bin", tmp.Path / "link");
  // A known modification time, 2021-03-04 05:06:07.25 UTC.
  const struct timeval times[2] = {{1614834367, 250000}, {1614834367, 250000}};
  ASSERT_EQ(utimes((tmp.Path / "data.bin").c_str(), times), 0);

  TPosixFileSystem fsys;
  auto entries = ListAll(fsys, tmp.Path.string() + "/");
  ASSERT_EQ(entries.size(), 8u);  // six entries plus "." and ".."
  EXPECT_TRUE(entries.count(".") && entries.count(".."));

  const TDirEntry& data = entries["data.bin"];
  EXPECT_EQ(data.Size, 5000);
  EXPECT_EQ(data.Attr, 0u);
  EXPECT_EQ(data.LastWriteTime, FileTimeFromUnix(1614834367, 250000000));
  EXPECT_EQ(data.LastWriteTime, 132593079672500000LL);
  EXPECT_EQ(data.LastAccessTime, data.LastWriteTime);
  EXPECT_GT(data.CreationTime, 0);
  EXPECT_EQ(data.Owner.Bytes, TPosixSecurity::SidOfUid(getuid()).Bytes);

  EXPECT_EQ(entries[".hidden"].Attr, static_cast<uint32_t>(faHidden));
  EXPECT_EQ(entries["Grüße mit Leerzeichen.txt"].Size, 3);
  EXPECT_EQ(entries["locked"].Attr, static_cast<uint32_t>(faReadOnly));
  EXPECT_EQ(entries["sub"].Attr, static_cast<uint32_t>(faDirectory));
  EXPECT_EQ(entries["sub"].Size, 0);
  // A link is an entry of its own, with its own size, never its target's.
  EXPECT_EQ(entries["link"].Attr & faDirectory, 0u);
  EXPECT_EQ(entries["link"].Size, static_cast<int64_t>((tmp.Path / "data.bin").string().size()));
}

TEST(PosixFileSystem, ScanThreadsListRelativeToTheirOwnWorkingFolder) {
  TempDir tmp;
  // The same names in two folders, with different sizes.
  for (const char* folder : {"a", "b"}) {
    fs::create_directory(tmp.Path / folder);
    for (int i = 0; i < 3; ++i) WriteFile(tmp.Path / folder / ("f" + std::to_string(i)), folder[0] == 'a' ? 10 : 20);
  }
  const fs::path before = fs::current_path();
  TPosixFileSystem fsys;
  std::map<std::string, int64_t> sizes;
  std::thread scanner([&] {
    fsys.PrepareScanThread();
    auto a = fsys.OpenDirectory((tmp.Path / "a").string() + "/");
    auto b = fsys.OpenDirectory((tmp.Path / "b").string() + "/");
    TDirEntry ea, eb;
    // Interleaved, so each step must look in its own folder.
    while (a->Next(ea) | b->Next(eb)) {
      if (!ea.Name.empty() && ea.Name[0] == 'f') sizes["a/" + ea.Name] = ea.Size;
      if (!eb.Name.empty() && eb.Name[0] == 'f') sizes["b/" + eb.Name] = eb.Size;
      ea = eb = TDirEntry{};
    }
    // The working folder is now b; a new listing gets b's descriptor number.
    b.reset();
    auto again = fsys.OpenDirectory((tmp.Path / "a").string() + "/");
    TDirEntry e;
    while (again->Next(e))
      if (e.Name[0] == 'f') sizes["again/" + e.Name] = e.Size;
  });
  scanner.join();
  ASSERT_EQ(sizes.size(), 9u);
  for (const auto& [name, size] : sizes) EXPECT_EQ(size, name[0] == 'b' ? 20 : 10) << name;
  // The process's own working folder is untouched.
  EXPECT_EQ(fs::current_path(), before);
}

TEST(PosixFileSystem, QueriesOnePathAndFailsCleanly) {
  TempDir tmp;
  fs::create_directory(tmp.Path / "folder");
  TPosixFileSystem fsys;
  TDirEntry e;
  ASSERT_TRUE(fsys.QueryEntry((tmp.Path / "folder").string(), e));
  EXPECT_EQ(e.Name, "folder");
  EXPECT_TRUE(e.IsDirectory());
  ASSERT_TRUE(fsys.QueryEntry("/", e));
  EXPECT_EQ(e.Name, "/");
  EXPECT_FALSE(fsys.QueryEntry((tmp.Path / "missing").string(), e));
  EXPECT_EQ(fsys.OpenDirectory((tmp.Path / "missing/").string()), nullptr);
  // A file is not a folder to list.
  WriteFile(tmp.Path / "f", 1);
  EXPECT_EQ(fsys.OpenDirectory((tmp.Path / "f/").string()), nullptr);
}

TEST(PosixFileSystem, AFolderLongerThanOneKernelReadIsListedWhole) {
  TempDir tmp;
  // Long names, so the listing needs several reads of the kernel's records.
  constexpr int files = 3000;
  std::map<std::string, int64_t> expected;
  for (int i = 0; i < files; ++i) {
    const std::string name = std::to_string(i) + std::string(120, 'n');
    expected[name] = i % 13;
    WriteFile(tmp.Path / name, static_cast<size_t>(i % 13));
  }
  TPosixFileSystem fsys;
  std::map<std::string, int64_t> listed;
  int dots = 0;
  auto dir = fsys.OpenDirectory(tmp.Path.string() + "/");
  ASSERT_NE(dir, nullptr);
  TDirEntry e;
  while (dir->Next(e)) {
    if (e.Name == "." || e.Name == "..") {
      ++dots;
      continue;
    }
    EXPECT_TRUE(listed.emplace(e.Name, e.Size).second) << "listed twice: " << e.Name;
  }
  EXPECT_EQ(dots, 2);
  EXPECT_EQ(listed, expected);
  EXPECT_FALSE(dir->Next(e));  // the end stays the end
}

TEST(PosixFileSystem, AListedFolderIsJudgedByTheDeviceItsEntryGives) {
  if (!fs::exists("/proc/self")) GTEST_SKIP() << "no /proc here";
  TempDir tmp;
  WriteFile(tmp.Path / "f", 1);
  TPosixFileSystem fsys;
  TDirEntry procEntry, tmpEntry;
  ASSERT_TRUE(fsys.QueryEntry("/proc", procEntry));
  ASSERT_TRUE(fsys.QueryEntry(tmp.Path.string(), tmpEntry));
  ASSERT_NE(procEntry.Device, tmpEntry.Device);
  struct TCase {
    std::string Folder;
    const TDirEntry* Entry;
    bool Read;
  };
  // The entry's device decides, not the folder's own: that is what spares
  // the listing a stat of its folder.
  const TCase cases[] = {
      {tmp.Path.string() + "/", &tmpEntry, true},
      {"/proc/", &procEntry, false},
      {tmp.Path.string() + "/", &procEntry, false},
      {"/proc/", &tmpEntry, true},
  };
  for (const TCase& c : cases) {
    std::string failure;
    auto dir = fsys.OpenListedDirectory(c.Folder, *c.Entry, &failure);
    EXPECT_EQ(dir != nullptr, c.Read) << c.Folder << " as " << (c.Entry == &procEntry ? "proc" : "tmp");
    EXPECT_EQ(failure, "") << c.Folder;
  }
  // A folder that cannot be opened says why, whatever its entry.
  std::string failure;
  EXPECT_EQ(fsys.OpenListedDirectory((tmp.Path / "missing/").string(), tmpEntry, &failure), nullptr);
  EXPECT_NE(failure, "");
}

TEST(LargeBlocks, AreAlignedAndWritableToTheirEnd) {
  for (const size_t size : {LargeBlockSize, 3 * LargeBlockSize, size_t{4096}}) {
    auto* block = static_cast<char*>(AllocateLargeBlock(size));
    ASSERT_NE(block, nullptr) << size;
    // Huge pages can back only an aligned range.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % LargeBlockSize, 0u) << size;
    block[0] = block[size - 1] = 1;
    FreeLargeBlock(block, size);
  }
}

TEST(PosixFileSystem, PseudoFileSystemsAreNotListed) {
  TPosixFileSystem fsys;
  if (!fs::exists("/proc/self")) GTEST_SKIP() << "no /proc here";
  EXPECT_EQ(fsys.OpenDirectory("/proc/"), nullptr);
  EXPECT_TRUE(TPosixFileSystem::IsPseudoFsType("sysfs"));
  EXPECT_FALSE(TPosixFileSystem::IsPseudoFsType("ext4"));
  // By the mount table's type: devtmpfs shares tmpfs's magic number, but only tmpfs is read.
  std::map<std::string, std::string> visible;  // a later mount on a point hides the earlier
  for (const TMountPoint& m : TPosixFileSystem::ReadMounts()) visible[m.Root] = m.FsType;
  for (const auto& [root, type] : visible) {
    if (access(root.c_str(), R_OK | X_OK) != 0) continue;
    EXPECT_EQ(fsys.OpenDirectory(root) == nullptr, TPosixFileSystem::IsKernelFsType(type)) << root << " " << type;
  }
  const auto mounts = TPosixFileSystem::ParseMounts("24 28 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
                                                    "26 24 0:24 / /a\\040b rw shared:3 - tmpfs tmpfs rw\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0].Device, makedev(0, 6));
  EXPECT_TRUE(TPosixFileSystem::IsKernelFsType(mounts[0].FsType));
  EXPECT_EQ(mounts[1].Root, "/a b/");
  EXPECT_EQ(mounts[1].Device, makedev(0, 24));
  EXPECT_FALSE(TPosixFileSystem::IsKernelFsType(mounts[1].FsType));
}

TEST(PosixFileSystem, CreationTimeIsTheBirthTimeUnlessThereIsNone) {
  // Birth flag, birth time, expected creation time; every case changed at 2000.
  for (const auto& [hasBirth, birth, expected] : {std::tuple{true, 1000, 1000}, {true, 0, 2000}, {false, 1000, 2000}}) {
    struct statx st {};
    st.stx_mask = STATX_CTIME | (hasBirth ? STATX_BTIME : 0u);
    st.stx_btime.tv_sec = birth;
    st.stx_ctime.tv_sec = 2000;
    EXPECT_EQ(CreationTimeOf(st), FileTimeFromUnix(expected, 0)) << hasBirth << " " << birth;
  }
}

TEST(PosixFileSystem, LocalTimeFollowsTheTimeZone) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "UTC-2", 1);  // two hours east of UTC
  tzset();
  TPosixFileSystem fsys;
  // 1999-12-31 23:30:00.125 UTC is 2000-01-01 01:30:00.125 local.
  const TLocalTime t = fsys.FileTimeToLocal(FileTimeFromUnix(946683000, 125000000));
  EXPECT_EQ(t.Year, 2000);
  EXPECT_EQ(t.Month, 1);
  EXPECT_EQ(t.Day, 1);
  EXPECT_EQ(t.Hour, 1);
  EXPECT_EQ(t.Minute, 30);
  EXPECT_EQ(t.Second, 0);
  EXPECT_EQ(t.Millisecond, 125);
  // Before 1970 and even before 1601's successors: still exact.
  const TLocalTime early = fsys.FileTimeToLocal(0);
  EXPECT_EQ(early.Year, 1601);
  EXPECT_EQ(early.Hour, 2);
  if (old) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
}

TEST(PosixFileSystem, LocalTimesMatchTheSystemAcrossDaylightSavingChanges) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  TPosixFileSystem fsys;
  for (const char* zone : {"Europe/Berlin", "Australia/Lord_Howe", "America/St_Johns", "UTC"}) {
    setenv("TZ", zone, 1);
    tzset();
    int mismatches = 0;
    // Both changes of 2021, seen from a step that is not a divisor of an hour.
    for (int64_t start : {1616893200LL - 86400, 1635645600LL - 86400})
      for (int64_t t = start; t < start + 2 * 86400; t += 7 * 60 + 13) {
        const TLocalTime got = fsys.FileTimeToLocal(FileTimeFromUnix(t, 0));
        const time_t tt = static_cast<time_t>(t);
        struct tm want {};
        localtime_r(&tt, &want);
        if (got.Year != want.tm_year + 1900 || got.Month != want.tm_mon + 1 || got.Day != want.tm_mday ||
            got.Hour != want.tm_hour || got.Minute != want.tm_min || got.Second != want.tm_sec)
          ++mismatches;
      }
    EXPECT_EQ(mismatches, 0) << zone;
  }
  if (old) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
}

TEST(PosixFileSystem, DrivesAndClusterSizesOfRealMounts) {
  TPosixFileSystem fsys;
  const std::string root = fsys.MountRootOf(fs::temp_directory_path().string());
  EXPECT_FALSE(root.empty());
  EXPECT_EQ(root.back(), '/');
  int64_t cluster = 0;
  ASSERT_TRUE(fsys.DiskClusterSize(root, cluster));
  EXPECT_GT(cluster, 0);
  EXPECT_EQ(cluster & (cluster - 1), 0);  // a power of two
  int64_t total = 0, free = 0;
  ASSERT_TRUE(fsys.DiskSpace(root, total, free));
  EXPECT_GE(total, free);
  EXPECT_GT(total, 0);
  EXPECT_FALSE(fsys.DiskClusterSize("/no/such/mount/", cluster));
  EXPECT_EQ(fsys.MountRootOf("/"), "/");
  const auto mounts = TPosixFileSystem::ReadMounts();
  ASSERT_FALSE(mounts.empty());
  for (const TDriveInfo& d : fsys.ListDrives()) EXPECT_EQ(d.Root.back(), '/');
}

TEST(PosixSecurity, OwnerOfARealFileIsHostBackslashUser) {
  TempDir tmp;
  WriteFile(tmp.Path / "mine", 1);
  TFileServices services(CreateNativePlatform(), TPathStyle::Posix);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const passwd* me = getpwuid(getuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(services.GetFileOwner((tmp.Path / "mine").string()), std::string(host) + "\\" + me->pw_name);
  // The folder path with its trailing separator names the folder itself.
  EXPECT_EQ(services.GetFileOwner(tmp.Path.string() + "/"), std::string(host) + "\\" + me->pw_name);
  EXPECT_EQ(services.GetFileOwner((tmp.Path / "missing").string()), "unknown\\unknown");

  TPosixSecurity sec;
  std::string text, user, domain;
  ASSERT_TRUE(sec.SidToString(TPosixSecurity::SidOfUid(0), text));
  EXPECT_EQ(text, "S-1-22-1-0");
  EXPECT_TRUE(sec.AccountOfSid(TPosixSecurity::SidOfUid(0), user, domain));
  EXPECT_EQ(user, "root");
  // A uid nobody has.
  EXPECT_FALSE(sec.AccountOfSid(TPosixSecurity::SidOfUid(3999999), user, domain));
  EXPECT_FALSE(sec.SidToString(TSid{}, text));
}

TEST(IcuLocale, OrdersLowerBeforeUpperAndComparesWithoutCase) {
  for (const char* id : {"", "C", "POSIX", "en_US.UTF-8", "de_DE.UTF-8@euro"}) {
    TIcuLocale locale(id);
    EXPECT_LT(locale.Compare("a", "A"), 0) << id;
    EXPECT_LT(locale.Compare("A", "B"), 0) << id;
    EXPECT_LT(locale.Compare("a", "B"), 0) << id;
    EXPECT_EQ(locale.Compare("abc", "abc"), 0) << id;
    EXPECT_EQ(locale.CompareNoCase("Straße", "STRASSE"), locale.CompareNoCase("straße", "strasse")) << id;
    EXPECT_EQ(locale.CompareNoCase("ÄBC", "äbc"), 0) << id;
    EXPECT_NE(locale.CompareNoCase("a", "b"), 0) << id;
  }
  TIcuLocale root("C");
  EXPECT_EQ(root.DecimalSeparator(), U'.');
  EXPECT_EQ(TIcuLocale("de_DE.UTF-8").DecimalSeparator(), U',');
  // Case mapping keeps the dotted i even where the language would not.
  EXPECT_EQ(TIcuLocale("tr_TR").ToUpper("file.jpg"), "FILE.JPG");
  EXPECT_EQ(root.ToLower("ÄÖÜ.TXT"), "äöü.txt");
  EXPECT_EQ(root.ToUpper("grüße"), "GRÜSSE");
}

TEST(IcuLocale, DatesAndTimesInTheLocalesFormats) {
  TIcuLocale german("de_DE.UTF-8"), british("en_GB"), unset("C"), american("en_US.UTF-8");
  EXPECT_EQ(german.ShortDate(2024, 2, 29), "29.02.24");
  EXPECT_EQ(german.LongTime(23, 59, 5), "23:59:05");
  EXPECT_EQ(british.ShortDate(2024, 2, 29), "29/02/2024");
  // An unconfigured locale gets ISO dates and 24 hours, whatever the machine's zone.
  EXPECT_EQ(unset.ShortDate(1899, 12, 30), "1899-12-30");
  EXPECT_EQ(unset.LongTime(0, 0, 0), "00:00:00");
  EXPECT_EQ(american.ShortDate(2024, 2, 29), "2/29/24");
  EXPECT_EQ(american.LongTime(23, 59, 5).rfind("11:59:05", 0), 0u);
}

// Removes a folder's contents and the folder relative to descriptors, so no
// path ever gets longer than one name.
void RemoveTreeAt(int parentFd, const char* name) {
  const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = fdopendir(fd);
  std::vector<std::pair<std::string, bool>> entries;
  while (const dirent* d = readdir(dir)) {
    const std::string entry = d->d_name;
    if (entry != "." && entry != "..") entries.emplace_back(entry, d->d_type == DT_DIR);
  }
  for (const auto& [entry, isDir] : entries) {
    if (isDir)
      RemoveTreeAt(fd, entry.c_str());
    else
      unlinkat(fd, entry.c_str(), 0);
  }
  closedir(dir);
  unlinkat(parentFd, name, AT_REMOVEDIR);
}

TEST(PosixFileSystem, FoldersDeeperThanPathMaxAreReadWhole) {
  TempDir tmp;
  const std::string level(200, 'd');
  constexpr int levels = 45;  // more than twice PATH_MAX
  static_assert(levels * 201 > 2 * PATH_MAX);
  int fd = open(tmp.Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::string deepest = tmp.Path.string() + "/";
  for (int i = 0; i < levels; ++i) {
    ASSERT_EQ(mkdirat(fd, level.c_str(), 0700), 0);
    const int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    const int file = openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(ftruncate(file, i + 1), 0);
    close(file);
    deepest += level + "/";
  }
  close(fd);
  struct Cleanup {
    std::string Root;
    ~Cleanup() {
      const int rootFd = open(Root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      RemoveTreeAt(rootFd, std::string(200, 'd').c_str());
      close(rootFd);
    }
  } cleanup{tmp.Path.string()};

  TPlatform platform = CreateNativePlatform();
  TDirEntry entry;
  ASSERT_TRUE(platform.FileSystem->QueryEntry(deepest + "f", entry));
  EXPECT_EQ(entry.Size, levels);
  auto listing = platform.FileSystem->OpenDirectory(deepest);
  ASSERT_NE(listing, nullptr);

  TFileServices services(platform, TPathStyle::Posix);
  TSizeTree tree(services, CurrentLocale());
  TUiCallQueue queue;
  TMemorySettingsStore store;
  TScanEngine engine(tree, queue, store, CurrentLocale());
  ASSERT_TRUE(engine.StartScan(tmp.Path.string()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (engine.ActiveScans() > 0 && std::chrono::steady_clock::now() < deadline)
    queue.WaitAndDrain(std::chrono::milliseconds(5));
  TFolderNodeData* root = tree.FindFolderNode(tmp.Path.string())->Data();
  ASSERT_EQ(root->GetFullPath(), tmp.Path.string());
  EXPECT_EQ(root->FileCount, levels);
  EXPECT_EQ(root->FolderCount, levels);
  EXPECT_EQ(root->TotalSize, levels * (levels + 1) / 2);
  EXPECT_TRUE(root->Complete);
  TFolderNodeData* bottom = tree.FindFolderNode(deepest)->Data();
  EXPECT_EQ(bottom->GetFullPath() + "/", deepest);
  EXPECT_EQ(bottom->OwnSize, levels);
  EXPECT_TRUE(bottom->Complete);
}

}  // namespace
}  // namespace kv
