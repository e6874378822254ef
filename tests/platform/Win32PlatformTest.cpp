// The Win32 platform layer on real files (run under Wine on Linux).
#include "platform/Platform.h"
#include "platform/win32/Win32Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <winioctl.h>

#include <algorithm>
#include <bitset>
#include <map>
#include <string>
#include <vector>

namespace kv::win32test {
namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
  return result;
}

FileTime FromFileTime(const FILETIME& time) {
  return static_cast<FileTime>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME ToFiletime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) >> 32);
  return result;
}

// Calendar fields read as a UTC moment, so two local results can be subtracted.
FileTime CalendarValue(const TLocalTime& fields) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(fields.Year);
  system.wMonth = static_cast<WORD>(fields.Month);
  system.wDay = static_cast<WORD>(fields.Day);
  system.wHour = static_cast<WORD>(fields.Hour);
  system.wMinute = static_cast<WORD>(fields.Minute);
  system.wSecond = static_cast<WORD>(fields.Second);
  system.wMilliseconds = static_cast<WORD>(fields.Millisecond);
  FILETIME time{};
  EXPECT_TRUE(SystemTimeToFileTime(&system, &time))
      << fields.Year << "-" << fields.Month << "-" << fields.Day;
  return FromFileTime(time);
}

FileTime UtcTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
  SYSTEMTIME system{};
  system.wYear = year;
  system.wMonth = month;
  system.wDay = day;
  system.wHour = hour;
  system.wMinute = minute;
  system.wSecond = second;
  system.wMilliseconds = ms;
  FILETIME time{};
  SystemTimeToFileTime(&system, &time);
  return FromFileTime(time);
}

constexpr FileTime kSecond = 10'000'000;
constexpr FileTime kMinute = 60 * kSecond;
constexpr FileTime kHour = 60 * kMinute;

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  HANDLE handle = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (handle != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(handle, &data));
    FindClose(handle);
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(folder.c_str());
}

// A fresh folder under the temporary path, removed with everything in it.
class TTempFolder {
 public:
  TTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, base);
    EXPECT_GT(length, 0u);
    std::wstring root(base, length);
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    for (int attempt = 0; attempt < 100 && Path.empty(); ++attempt) {
      const std::wstring candidate = root + L"\\kv-w32-" + std::to_wstring(GetCurrentProcessId()) +
                                     L"-" + std::to_wstring(GetTickCount64()) + L"-" +
                                     std::to_wstring(attempt);
      if (CreateDirectoryW(candidate.c_str(), nullptr)) Path = candidate;
    }
    EXPECT_FALSE(Path.empty()) << "no temporary folder";
  }
  ~TTempFolder() {
    if (!Path.empty()) RemoveTree(Path);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  std::wstring Path;  // no trailing backslash
};

void WriteBytes(const std::wstring& path, size_t count) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  // Under Wine, non-ASCII names need a UTF-8 host locale (unset LANG or C.UTF-8 will do).
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Utf8(path) << " error " << GetLastError();
  const std::string data(count, 'k');
  DWORD written = 0;
  const BOOL ok = count == 0 || WriteFile(file, data.data(), static_cast<DWORD>(count), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok);
  ASSERT_EQ(written, count);
}

const std::wstring kUmlautName = L"Gr\u00fc\u00dfe.txt";
const std::string kUmlautNameUtf8 = "Gr\xC3\xBC\xC3\x9F" "e.txt";
// Above 4 GiB so that the high size word matters; sparse, so it costs no disk.
constexpr int64_t kBigSize = (int64_t{5} << 30) + 7;

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Temp.Path.empty());
    Folder = Utf8(Temp.Path);
    const std::wstring& base = Temp.Path;
    ASSERT_NO_FATAL_FAILURE(WriteBytes(base + L"\\known.bin", 5000));
    ASSERT_NO_FATAL_FAILURE(WriteBytes(base + L"\\hidden.txt", 10));
    ASSERT_TRUE(SetFileAttributesW((base + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_NO_FATAL_FAILURE(WriteBytes(base + L"\\readonly.txt", 3));
    ASSERT_TRUE(SetFileAttributesW((base + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(WriteBytes(base + L"\\" + kUmlautName, 7));
    ASSERT_TRUE(CreateDirectoryW((base + L"\\sub").c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(MakeBigFile(base + L"\\big.bin"));
  }

  static void MakeBigFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = kBigSize;
    const BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(ok);
  }

  std::map<std::string, TDirEntry> List(const std::string& folderPath) {
    std::map<std::string, TDirEntry> entries;
    auto listing = Platform.FileSystem->OpenDirectory(folderPath);
    EXPECT_NE(listing, nullptr) << folderPath;
    if (!listing) return entries;
    TDirEntry entry;
    while (listing->Next(entry)) {
      EXPECT_FALSE(entries.count(entry.Name)) << "listed twice: " << entry.Name;
      entries[entry.Name] = entry;
    }
    EXPECT_FALSE(listing->Next(entry)) << "a finished listing must stay finished";
    return entries;
  }

  TTempFolder Temp;
  std::string Folder;  // UTF-8, no trailing backslash
  TPlatform Platform = CreateNativePlatform();
};

TEST_F(Win32PlatformTest, ListsEveryEntryWithSizesAndAttributes) {
  const auto entries = List(Folder + "\\");
  std::vector<std::string> names;
  for (const auto& [name, entry] : entries) names.push_back(name);
  const std::vector<std::string> expected = {".", "..", kUmlautNameUtf8, "big.bin",
                                             "hidden.txt", "known.bin", "readonly.txt", "sub"};
  std::vector<std::string> sortedExpected = expected;
  std::sort(sortedExpected.begin(), sortedExpected.end());
  ASSERT_EQ(names, sortedExpected);

  for (const char* dir : {".", "..", "sub"}) {
    EXPECT_TRUE(entries.at(dir).IsDirectory()) << dir;
  }
  const TDirEntry& known = entries.at("known.bin");
  EXPECT_EQ(known.Size, 5000);
  EXPECT_FALSE(known.IsDirectory());
  EXPECT_EQ(known.Attr & (faHidden | faReadOnly | faSysFile), 0u);

  EXPECT_EQ(entries.at("big.bin").Size, kBigSize);
  EXPECT_EQ(entries.at(kUmlautNameUtf8).Size, 7);
  EXPECT_EQ(entries.at("hidden.txt").Size, 10);
  EXPECT_NE(entries.at("hidden.txt").Attr & faHidden, 0u);
  EXPECT_EQ(entries.at("hidden.txt").Attr & faReadOnly, 0u);
  EXPECT_EQ(entries.at("readonly.txt").Size, 3);
  EXPECT_NE(entries.at("readonly.txt").Attr & faReadOnly, 0u);
  EXPECT_EQ(entries.at("readonly.txt").Attr & faHidden, 0u);

  FILETIME nowRaw;
  GetSystemTimeAsFileTime(&nowRaw);
  const FileTime now = FromFileTime(nowRaw);
  for (const auto& [name, entry] : entries) {
    EXPECT_TRUE(entry.Owner.Empty()) << name;
  }
  // Just created: every time lies within the last day.
  for (const char* name : {"known.bin", "hidden.txt", kUmlautNameUtf8.c_str()}) {
    const TDirEntry& entry = entries.at(name);
    EXPECT_NEAR(static_cast<double>(entry.LastWriteTime), static_cast<double>(now), 24.0 * kHour) << name;
    EXPECT_NEAR(static_cast<double>(entry.CreationTime), static_cast<double>(now), 24.0 * kHour) << name;
    EXPECT_NEAR(static_cast<double>(entry.LastAccessTime), static_cast<double>(now), 24.0 * kHour) << name;
  }
}

TEST_F(Win32PlatformTest, ListsAnEmptyFolderAsDotEntriesOnly) {
  const auto entries = List(Folder + "\\sub\\");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries.count("."));
  EXPECT_TRUE(entries.count(".."));
}

TEST_F(Win32PlatformTest, OpenDirectoryFailsForMissingFolderOrFile) {
  std::string failure;
  EXPECT_EQ(Platform.FileSystem->OpenDirectory(Folder + "\\missing\\", &failure), nullptr);
  EXPECT_FALSE(failure.empty());
  EXPECT_EQ(failure.find('\n'), std::string::npos) << failure;
  EXPECT_EQ(Platform.FileSystem->OpenDirectory(Folder + "\\known.bin\\"), nullptr);
  EXPECT_EQ(Platform.FileSystem->OpenDirectory(""), nullptr);
}

// A file with two names is known as one by its volume and file number; a
// sparse file tells the space it takes where the file system keeps it sparse.
TEST_F(Win32PlatformTest, TellsLinksAndTheSpaceFilesTake) {
  ASSERT_TRUE(CreateHardLinkW((Temp.Path + L"\\second.bin").c_str(), (Temp.Path + L"\\known.bin").c_str(), nullptr));
  const auto entries = List(Folder + "\\");
  const TDirEntry& first = entries.at("known.bin");
  const TDirEntry& second = entries.at("second.bin");
  EXPECT_EQ(first.Links, 2u);
  EXPECT_EQ(second.Links, 2u);
  EXPECT_NE(first.FileId, 0u);
  EXPECT_EQ(first.FileId, second.FileId);
  EXPECT_EQ(first.Device, second.Device);
  EXPECT_EQ(entries.at("hidden.txt").Links, 1u);
  EXPECT_NE(entries.at("hidden.txt").FileId, first.FileId);
  const TDirEntry& big = entries.at("big.bin");
  if (big.Attr & FILE_ATTRIBUTE_SPARSE_FILE) {
    EXPECT_GE(big.Allocated, 0);
    EXPECT_LT(big.Allocated, kBigSize);
  } else {
    EXPECT_EQ(big.Allocated, -1);  // not sparse here: the cluster size decides
  }
  EXPECT_EQ(first.Allocated, -1);
  TDirEntry queried;
  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\second.bin", queried));
  EXPECT_EQ(queried.FileId, first.FileId);
  EXPECT_EQ(queried.Links, 2u);
}

TEST_F(Win32PlatformTest, ListsAndQueriesPastMaxPath) {
  // Made and removed in the \\?\ form, which knows no length limit.
  std::wstring deep = L"\\\\?\\" + Temp.Path;
  std::vector<std::wstring> made;
  for (int i = 0; i < 6; ++i) {
    deep += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    made.push_back(deep);
  }
  ASSERT_NO_FATAL_FAILURE(WriteBytes(deep + L"\\f.bin", 9));
  const std::string plain = Utf8(deep.substr(4));
  ASSERT_GT(plain.size(), static_cast<size_t>(MAX_PATH));
  const auto entries = List(plain + "\\");
  TDirEntry entry;
  const bool found = Platform.FileSystem->QueryEntry(plain + "\\f.bin", entry);
  DeleteFileW((deep + L"\\f.bin").c_str());
  for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW(it->c_str());
  EXPECT_EQ(entries.count("f.bin"), 1u);
  ASSERT_TRUE(found);
  EXPECT_EQ(entry.Size, 9);
}

TEST_F(Win32PlatformTest, ReportsTheTimesSetOnAFile) {
  const std::wstring path = Temp.Path + L"\\known.bin";
  // Sub-millisecond digits catch any rounding on the way.
  const FileTime written = UtcTime(2019, 6, 15, 13, 45, 30, 123) + 4567;
  const FileTime accessed = UtcTime(2021, 11, 2, 8, 5, 1, 987) + 1;
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME writeRaw = ToFiletime(written), accessRaw = ToFiletime(accessed);
  const BOOL ok = SetFileTime(file, nullptr, &accessRaw, &writeRaw);
  CloseHandle(file);
  ASSERT_TRUE(ok);

  const auto entries = List(Folder + "\\");
  ASSERT_TRUE(entries.count("known.bin"));
  EXPECT_EQ(entries.at("known.bin").LastWriteTime, written);
  EXPECT_EQ(entries.at("known.bin").LastAccessTime, accessed);

  TDirEntry entry;
  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\known.bin", entry));
  EXPECT_EQ(entry.LastWriteTime, written);
  EXPECT_EQ(entry.LastAccessTime, accessed);
}

TEST_F(Win32PlatformTest, QueriesOneEntry) {
  TDirEntry entry;
  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\known.bin", entry));
  EXPECT_EQ(entry.Name, "known.bin");
  EXPECT_EQ(entry.Size, 5000);
  EXPECT_FALSE(entry.IsDirectory());

  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\" + kUmlautNameUtf8, entry));
  EXPECT_EQ(entry.Name, kUmlautNameUtf8);
  EXPECT_EQ(entry.Size, 7);

  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\readonly.txt", entry));
  EXPECT_NE(entry.Attr & faReadOnly, 0u);

  // The folder itself, not its contents.
  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder, entry));
  EXPECT_TRUE(entry.IsDirectory());
  const std::string folderName = Folder.substr(Folder.rfind('\\') + 1);
  EXPECT_EQ(entry.Name, folderName);

  ASSERT_TRUE(Platform.FileSystem->QueryEntry(Folder + "\\big.bin", entry));
  EXPECT_EQ(entry.Size, kBigSize);
}

TEST_F(Win32PlatformTest, QueryOfAMissingPathFails) {
  TDirEntry entry;
  EXPECT_FALSE(Platform.FileSystem->QueryEntry(Folder + "\\missing.txt", entry));
  EXPECT_FALSE(Platform.FileSystem->QueryEntry(Folder + "\\missing\\known.bin", entry));
  EXPECT_FALSE(Platform.FileSystem->QueryEntry("", entry));
}

TEST_F(Win32PlatformTest, TellsTheOwnerOfACreatedFile) {
  ISecurity& security = *Platform.Security;
  TSid sid;
  ASSERT_TRUE(security.GetOwnerSid(Folder + "\\" + kUmlautNameUtf8, sid));
  ASSERT_FALSE(sid.Empty());

  std::string text;
  ASSERT_TRUE(security.SidToString(sid, text));
  EXPECT_EQ(text.rfind("S-1-", 0), 0u) << text;

  // The text must stand for exactly these bytes.
  PSID parsed = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(std::wstring(text.begin(), text.end()).c_str(), &parsed));
  EXPECT_EQ(std::string(static_cast<const char*>(parsed), GetLengthSid(parsed)), sid.Bytes);
  LocalFree(parsed);

  std::string user, domain;
  ASSERT_TRUE(security.AccountOfSid(sid, user, domain));
  EXPECT_FALSE(user.empty());

  TSid folderSid;
  ASSERT_TRUE(security.GetOwnerSid(Folder, folderSid));
  EXPECT_EQ(folderSid.Bytes, sid.Bytes);
}

TEST_F(Win32PlatformTest, OwnerQueryOfAMissingPathFails) {
  TSid sid;
  EXPECT_FALSE(Platform.Security->GetOwnerSid(Folder + "\\missing.txt", sid));
  EXPECT_TRUE(sid.Empty());
}

TEST(Win32Security, ConvertsAWellKnownSid) {
  const TPlatform platform = CreateNativePlatform();
  PSID admins = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-32-544", &admins));
  TSid sid;
  sid.Bytes.assign(static_cast<const char*>(admins), GetLengthSid(admins));
  LocalFree(admins);

  std::string text;
  ASSERT_TRUE(platform.Security->SidToString(sid, text));
  EXPECT_EQ(text, "S-1-5-32-544");
  std::string user, domain;
  ASSERT_TRUE(platform.Security->AccountOfSid(sid, user, domain));
  EXPECT_FALSE(user.empty());
  EXPECT_EQ(domain, "BUILTIN");
}

TEST(Win32Security, RejectsEmptyOrMalformedSids) {
  const TPlatform platform = CreateNativePlatform();
  std::string text = "unchanged", user, domain;
  EXPECT_FALSE(platform.Security->SidToString(TSid{}, text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_FALSE(platform.Security->AccountOfSid(TSid{}, user, domain));

  TSid garbage;
  garbage.Bytes = "abcdefghijkl";
  EXPECT_FALSE(platform.Security->SidToString(garbage, text));
  EXPECT_FALSE(platform.Security->AccountOfSid(garbage, user, domain));

  // A valid SID cut short.
  PSID admins = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-32-544", &admins));
  TSid truncated;
  truncated.Bytes.assign(static_cast<const char*>(admins), GetLengthSid(admins) - 4);
  LocalFree(admins);
  EXPECT_FALSE(platform.Security->SidToString(truncated, text));
}

TEST(Win32FileTime, ConvertsToLocalCalendarFields) {
  const TPlatform platform = CreateNativePlatform();
  const FileTime midnight = UtcTime(2020, 2, 29, 0, 0, 0, 0);
  const TLocalTime local = platform.FileSystem->FileTimeToLocal(midnight);
  EXPECT_EQ(local.Year, 2020);
  const bool nearLeapDay = (local.Month == 2 && (local.Day == 28 || local.Day == 29)) ||
                           (local.Month == 3 && local.Day == 1);
  EXPECT_TRUE(nearLeapDay) << local.Month << "/" << local.Day;
  EXPECT_EQ(local.Second, 0);
  EXPECT_EQ(local.Millisecond, 0);
  // Every time zone is a whole number of quarter hours away from UTC.
  const FileTime offset = CalendarValue(local) - midnight;
  EXPECT_EQ(offset % (15 * kMinute), 0);
  EXPECT_LE(offset, 14 * kHour);
  EXPECT_GE(offset, -12 * kHour);
  // The conversion applies the zone's bias in force now, not on that date.
  TIME_ZONE_INFORMATION zone{};
  const DWORD zoneState = GetTimeZoneInformation(&zone);
  ASSERT_NE(zoneState, TIME_ZONE_ID_INVALID);
  const LONG biasMinutes =
      zone.Bias + (zoneState == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  EXPECT_EQ(offset, -static_cast<FileTime>(biasMinutes) * kMinute);

  // The same offset applies one hour, two minutes and 3.456 s later.
  const FileTime later = midnight + kHour + 2 * kMinute + 3 * kSecond + 4'560'000;
  const TLocalTime laterLocal = platform.FileSystem->FileTimeToLocal(later);
  EXPECT_EQ(laterLocal.Millisecond, 456);
  EXPECT_EQ(CalendarValue(laterLocal) - CalendarValue(local), later - midnight);
}

TEST(Win32Disk, ClusterSizeAndSpaceOfTheSystemDrive) {
  const TPlatform platform = CreateNativePlatform();
  int64_t cluster = 0;
  ASSERT_TRUE(platform.FileSystem->DiskClusterSize("C:\\", cluster));
  EXPECT_GT(cluster, 0);
  EXPECT_EQ(cluster & (cluster - 1), 0) << cluster;

  int64_t total = 0, free = 0;
  ASSERT_TRUE(platform.FileSystem->DiskSpace("C:\\", total, free));
  EXPECT_GT(free, 0);
  EXPECT_GE(total, free);
  EXPECT_GT(total, cluster);
}

TEST(Win32Disk, MissingDriveFails) {
  const DWORD present = GetLogicalDrives();
  std::string missing;
  for (int letter = 25; letter >= 3 && missing.empty(); --letter)
    if (!(present & (1u << letter))) missing = std::string(1, static_cast<char>('A' + letter)) + ":\\";
  ASSERT_FALSE(missing.empty()) << "every drive letter is taken";

  const TPlatform platform = CreateNativePlatform();
  int64_t cluster = -1, total = -1, free = -1;
  EXPECT_FALSE(platform.FileSystem->DiskClusterSize(missing, cluster)) << missing;
  EXPECT_FALSE(platform.FileSystem->DiskSpace(missing, total, free)) << missing;
}

TEST(Win32Disk, ListsTheDrives) {
  const TPlatform platform = CreateNativePlatform();
  const auto drives = platform.FileSystem->ListDrives();
  EXPECT_EQ(drives.size(), std::bitset<32>(GetLogicalDrives()).count());
  bool sawC = false;
  for (const TDriveInfo& drive : drives) {
    ASSERT_EQ(drive.Root.size(), 3u) << drive.Root;
    EXPECT_EQ(drive.Root.substr(1), ":\\");
    if (drive.Root == "C:\\") {
      sawC = true;
      EXPECT_EQ(drive.Type, TDriveType::Fixed);
    }
  }
  EXPECT_TRUE(sawC);
}

TEST(Win32Disk, MountRootFollowsTheText) {
  const TPlatform platform = CreateNativePlatform();
  IFileSystem& fs = *platform.FileSystem;
  EXPECT_EQ(fs.MountRootOf("C:\\x\\y"), "C:\\");
  EXPECT_EQ(fs.MountRootOf("d:"), "d:\\");
  EXPECT_EQ(fs.MountRootOf("\\\\srv\\share\\d\\f"), "\\\\srv\\share\\");
  EXPECT_EQ(fs.MountRootOf("\\\\srv\\share"), "\\\\srv\\share\\");
  EXPECT_EQ(fs.MountRootOf("relative\\x"), "");
  EXPECT_EQ(fs.MountRootOf("\\rooted\\x"), "");
  EXPECT_EQ(fs.MountRootOf(""), "");
}

TEST(Win32Locale, ComparesWithWordSort) {
  const TPlatform platform = CreateNativePlatform();
  const ILocale& locale = *platform.Locale;
  EXPECT_EQ(locale.Compare("a", "A"), -1);
  EXPECT_EQ(locale.Compare("A", "B"), -1);
  EXPECT_EQ(locale.Compare("a", "B"), -1);
  EXPECT_EQ(locale.Compare("B", "a"), 1);
  EXPECT_EQ(locale.Compare("abc", "abc"), 0);
  EXPECT_EQ(locale.Compare("", "a"), -1);
  EXPECT_EQ(locale.Compare("", ""), 0);
  EXPECT_EQ(locale.CompareNoCase("abc", "ABC"), 0);
  EXPECT_EQ(locale.CompareNoCase("abc", "ABD"), -1);
  EXPECT_EQ(locale.CompareNoCase("Zeta", "alpha"), 1);
  EXPECT_EQ(locale.CompareNoCase("\xC3\x84pfel", "\xC3\xA4PFEL"), 0);  // Äpfel, äPFEL
}

TEST(Win32Locale, MapsCase) {
  const TPlatform platform = CreateNativePlatform();
  const ILocale& locale = *platform.Locale;
  const std::string upper = locale.ToUpper("gr\xC3\xBC\xC3\x9F" "e");  // grüße
  EXPECT_NE(upper.find("GR\xC3\x9C"), std::string::npos) << upper;  // GRÜ
  EXPECT_EQ(locale.ToLower("\xC3\x84" "B"), "\xC3\xA4" "b");        // ÄB → äb
  EXPECT_EQ(locale.ToUpper("abc xyz"), "ABC XYZ");
  EXPECT_EQ(locale.ToLower(""), "");
}

TEST(Win32Locale, DecimalSeparatorMatchesNumberFormatting) {
  const TPlatform platform = CreateNativePlatform();
  wchar_t formatted[32] = {};
  ASSERT_GT(GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, L"1.5", nullptr, formatted, 32), 0);
  ASSERT_EQ(formatted[0], L'1');
  EXPECT_EQ(platform.Locale->DecimalSeparator(), static_cast<char32_t>(formatted[1]));
}

TEST(Win32Locale, DatesAndTimesFollowTheSystemFormats) {
  const TPlatform platform = CreateNativePlatform();
  SYSTEMTIME fields{};
  fields.wYear = 2024;
  fields.wMonth = 2;
  fields.wDay = 29;
  fields.wHour = 23;
  fields.wMinute = 59;
  fields.wSecond = 5;
  wchar_t date[128] = {}, time[128] = {};
  ASSERT_GT(GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &fields, nullptr, date, 128, nullptr), 1);
  ASSERT_GT(GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &fields, nullptr, time, 128), 1);
  const std::string shortDate = platform.Locale->ShortDate(2024, 2, 29);
  const std::string longTime = platform.Locale->LongTime(23, 59, 5);
  EXPECT_EQ(shortDate, Narrow(date));
  EXPECT_EQ(longTime, Narrow(time));
  EXPECT_NE(shortDate.find("29"), std::string::npos);
  EXPECT_NE(longTime.find("59:05"), std::string::npos);
  EXPECT_NE(platform.Locale->ShortDate(1999, 12, 31), shortDate);
}

}  // namespace
}  // namespace kv::win32test
