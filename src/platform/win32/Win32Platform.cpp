// Win32 implementation of the platform services. Wide API only; UTF-8 outside.
#include "platform/Platform.h"

#include <windows.h>

#include "platform/win32/Win32Text.h"

#include <sddl.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

// Cloud placeholders (Windows 10 1709 on); older SDK headers lack them.
#ifndef FILE_ATTRIBUTE_RECALL_ON_OPEN
#define FILE_ATTRIBUTE_RECALL_ON_OPEN 0x00040000
#endif
#ifndef FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
#define FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS 0x00400000
#endif

namespace kv {
namespace {

FileTime ToFileTime(const FILETIME& time) {
  return static_cast<FileTime>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime);
}

void FillEntry(const WIN32_FIND_DATAW& data, TDirEntry& entry) {
  entry.Name = Narrow(data.cFileName);
  entry.Attr = data.dwFileAttributes;
  entry.Size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                    data.nFileSizeLow);
  entry.CreationTime = ToFileTime(data.ftCreationTime);
  entry.LastAccessTime = ToFileTime(data.ftLastAccessTime);
  entry.LastWriteTime = ToFileTime(data.ftLastWriteTime);
  entry.Owner = TSid{};
  entry.Allocated = -1;
  entry.Device = 0;
  entry.FileId = 0;
  entry.Links = 1;
  entry.OnlineOnly = (data.dwFileAttributes & (FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_RECALL_ON_OPEN |
                                               FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS)) != 0;
}

// What the listing does not tell of a file: its names and identity (one
// handle query that reads attributes only, so a placeholder is not
// recalled), and for sparse, compressed and placeholder files the space
// they take.
void FillFileDetails(const std::wstring& path, TDirEntry& entry) {
  if (entry.IsDirectory()) return;
  constexpr DWORD lessThanSize = FILE_ATTRIBUTE_SPARSE_FILE | FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_OFFLINE |
                                 FILE_ATTRIBUTE_RECALL_ON_OPEN | FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS;
  if (entry.Attr & lessThanSize) {
    DWORD high = 0;
    const DWORD low = GetCompressedFileSizeW(path.c_str(), &high);
    if (low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR)
      entry.Allocated = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  }
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info)) {
    entry.Device = info.dwVolumeSerialNumber;
    entry.FileId = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    entry.Links = info.nNumberOfLinks ? info.nNumberOfLinks : 1;
  }
  CloseHandle(file);
}

// The system's words for the last error, on one line.
std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? Narrow(std::wstring(buffer, length)) : "error " + std::to_string(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

// Paths past MAX_PATH are named in the \\?\ form, which has no length limit
// but takes the path literally: backslashes only.
std::wstring LongPath(std::wstring path) {
  if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  HANDLE handle = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // Systems older than Windows 7 refuse the basic level and the large fetch.
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
    handle = FindFirstFileW(pattern.c_str(), &data);
  return handle;
}

class TWin32DirectoryEnum final : public IDirectoryEnum {
 public:
  TWin32DirectoryEnum(HANDLE handle, const WIN32_FIND_DATAW& first, std::wstring folder)
      : Handle(handle), Data(first), Folder(std::move(folder)) {}
  ~TWin32DirectoryEnum() override { FindClose(Handle); }
  TWin32DirectoryEnum(const TWin32DirectoryEnum&) = delete;
  TWin32DirectoryEnum& operator=(const TWin32DirectoryEnum&) = delete;

  bool Next(TDirEntry& entry) override {
    if (!HavePending) {
      if (Finished || !FindNextFileW(Handle, &Data)) {
        Finished = true;
        return false;
      }
    }
    HavePending = false;
    FillEntry(Data, entry);
    if (!entry.IsDirectory()) FillFileDetails(LongPath(Folder + Data.cFileName), entry);
    return true;
  }

 private:
  HANDLE Handle;
  WIN32_FIND_DATAW Data;
  std::wstring Folder;  // with a trailing separator
  // FindFirstFile already delivered the first entry.
  bool HavePending = true;
  bool Finished = false;
};

class TWin32FileSystem final : public IFileSystem {
 public:
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& folderPath,
                                                std::string* failure = nullptr) override {
    std::wstring folder = Widen(folderPath);
    if (folder.empty()) {
      if (failure) *failure = "no folder named";
      return nullptr;
    }
    // Tolerate a missing separator rather than listing a sibling by prefix.
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    WIN32_FIND_DATAW data{};
    HANDLE handle = FindFirst(LongPath(folder + L'*'), data);
    if (handle == INVALID_HANDLE_VALUE) {
      if (failure) *failure = LastErrorText();
      return nullptr;
    }
    return std::make_unique<TWin32DirectoryEnum>(handle, data, std::move(folder));
  }

  bool QueryEntry(const std::string& path, TDirEntry& entry) override {
    const std::wstring wide = LongPath(Widen(path));
    if (wide.empty()) return false;
    WIN32_FIND_DATAW data{};
    HANDLE handle = FindFirst(wide, data);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FindClose(handle);
    FillEntry(data, entry);
    FillFileDetails(wide, entry);
    return true;
  }

  TLocalTime FileTimeToLocal(FileTime time) override {
    FILETIME utc{};
    utc.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu);
    utc.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) >> 32);
    FILETIME local{};
    SYSTEMTIME fields{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &fields);
    TLocalTime result;
    result.Year = fields.wYear;
    result.Month = fields.wMonth;
    result.Day = fields.wDay;
    result.Hour = fields.wHour;
    result.Minute = fields.wMinute;
    result.Second = fields.wSecond;
    result.Millisecond = fields.wMilliseconds;
    return result;
  }

  bool DiskClusterSize(const std::string& root, int64_t& clusterSize) override {
    const std::wstring wide = Widen(root);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(wide.empty() ? nullptr : wide.c_str(), &sectorsPerCluster,
                           &bytesPerSector, &freeClusters, &totalClusters))
      return false;
    clusterSize = static_cast<int64_t>(sectorsPerCluster) * bytesPerSector;
    return true;
  }

  bool DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) override {
    std::wstring wide = Widen(root);
    if (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    if (wide.empty()) return false;
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(wide.c_str(), &available, &total, &totalFree)) return false;
    totalBytes = static_cast<int64_t>(total.QuadPart);
    freeBytes = static_cast<int64_t>(totalFree.QuadPart);
    return true;
  }

  std::vector<TDriveInfo> ListDrives() override {
    std::vector<TDriveInfo> drives;
    std::wstring buffer(256, L'\0');
    DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
      buffer.assign(length + 1, L'\0');
      length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size()) return drives;
    // A double-null-terminated list of roots such as "C:\".
    for (const wchar_t* root = buffer.c_str(); *root != L'\0'; root += wcslen(root) + 1) {
      TDriveInfo drive;
      drive.Root = Narrow(root);
      switch (GetDriveTypeW(root)) {
        case DRIVE_FIXED: drive.Type = TDriveType::Fixed; break;
        case DRIVE_REMOVABLE: drive.Type = TDriveType::Removable; break;
        case DRIVE_REMOTE: drive.Type = TDriveType::Network; break;
        case DRIVE_CDROM: drive.Type = TDriveType::CdRom; break;
        case DRIVE_RAMDISK: drive.Type = TDriveType::Ram; break;
        default: drive.Type = TDriveType::Unknown; break;
      }
      drives.push_back(std::move(drive));
    }
    return drives;
  }

  std::string MountRootOf(const std::string& path) override {
    std::string root;
    if (path.size() >= 2 && path[1] == ':') {
      root = path.substr(0, 2);
    } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
      // "\\server\share" ends before the fourth backslash.
      size_t end = path.find('\\', 2);
      if (end != std::string::npos) end = path.find('\\', end + 1);
      root = path.substr(0, end);
    }
    if (!root.empty()) root += '\\';
    return root;
  }
};

class TWin32Security final : public ISecurity {
 public:
  bool GetOwnerSid(const std::string& path, TSid& sid) override {
    const std::wstring wide = LongPath(Widen(path));
    if (wide.empty()) return false;
    // DWORD-aligned storage for the self-relative descriptor.
    DWORD buffer[1024 / sizeof(DWORD)] = {};
    DWORD needed = 0;
    if (!GetFileSecurityW(wide.c_str(), OWNER_SECURITY_INFORMATION, buffer, sizeof(buffer),
                          &needed))
      return false;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(buffer, &owner, &defaulted) || owner == nullptr ||
        !IsValidSid(owner))
      return false;
    const DWORD length = GetLengthSid(owner);
    sid.Bytes.assign(static_cast<const char*>(owner), length);
    return true;
  }

  bool SidToString(const TSid& sid, std::string& text) override {
    std::string copy;
    PSID psid = ValidSid(sid, copy);
    if (psid == nullptr) return false;
    LPWSTR wide = nullptr;
    if (!ConvertSidToStringSidW(psid, &wide) || wide == nullptr) return false;
    text = Narrow(wide);
    LocalFree(wide);
    return true;
  }

  bool AccountOfSid(const TSid& sid, std::string& user, std::string& domain) override {
    std::string copy;
    PSID psid = ValidSid(sid, copy);
    if (psid == nullptr) return false;
    wchar_t name[1024] = {};
    wchar_t domainName[1024] = {};
    DWORD nameLength = 1024, domainLength = 1024;
    SID_NAME_USE use = SidTypeUnknown;
    if (!::LookupAccountSidW(nullptr, psid, name, &nameLength, domainName, &domainLength, &use))
      return false;
    user = Narrow(name);
    domain = Narrow(domainName);
    return true;
  }

 private:
  // A writable, suitably aligned copy: the API takes a non-const PSID.
  static PSID ValidSid(const TSid& sid, std::string& copy) {
    if (sid.Bytes.size() < 8) return nullptr;
    copy = sid.Bytes;
    PSID psid = copy.data();
    if (!IsValidSid(psid) || GetLengthSid(psid) != copy.size()) return nullptr;
    return psid;
  }
};

class TWin32Locale final : public ILocale {
 public:
  int Compare(std::string_view a, std::string_view b) const override {
    return CompareWith(a, b, 0);
  }

  int CompareNoCase(std::string_view a, std::string_view b) const override {
    return CompareWith(a, b, NORM_IGNORECASE);
  }

  std::string ToUpper(std::string_view text) const override {
    return MapCase(text, LCMAP_UPPERCASE);
  }

  std::string ToLower(std::string_view text) const override {
    return MapCase(text, LCMAP_LOWERCASE);
  }

  std::string ShortDate(int year, int month, int day) const override {
    SYSTEMTIME fields{};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    wchar_t buffer[128] = {};
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &fields, nullptr,
                                       buffer, 128, nullptr);
    return length > 1 ? Narrow(buffer, static_cast<size_t>(length - 1)) : std::string();
  }

  std::string LongTime(int hour, int minute, int second) const override {
    SYSTEMTIME fields{};
    fields.wYear = 2000;
    fields.wMonth = 1;
    fields.wDay = 1;
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    wchar_t buffer[128] = {};
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &fields, nullptr, buffer, 128);
    return length > 1 ? Narrow(buffer, static_cast<size_t>(length - 1)) : std::string();
  }

  char32_t DecimalSeparator() const override {
    wchar_t buffer[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    if (length <= 1 || buffer[0] == L'\0') return U'.';
    const char32_t first = buffer[0];
    if (first >= 0xD800 && first < 0xDC00 && buffer[1] >= 0xDC00 && buffer[1] < 0xE000)
      return 0x10000 + ((first - 0xD800) << 10) + (static_cast<char32_t>(buffer[1]) - 0xDC00);
    return first;
  }

 private:
  static int CompareWith(std::string_view a, std::string_view b, DWORD flags) {
    const std::wstring wa = Widen(a), wb = Widen(b);
    const int result =
        CompareStringEx(LOCALE_NAME_USER_DEFAULT, flags, wa.c_str(), static_cast<int>(wa.size()),
                        wb.c_str(), static_cast<int>(wb.size()), nullptr, nullptr, 0);
    if (result == 0) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);  // keep a total order
    return result - CSTR_EQUAL;
  }

  static std::string MapCase(std::string_view text, DWORD flags) {
    const std::wstring wide = Widen(text);
    if (wide.empty()) return std::string(text);
    const int length = static_cast<int>(wide.size());
    const int needed = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide.c_str(), length,
                                     nullptr, 0, nullptr, nullptr, 0);
    if (needed <= 0) return std::string(text);
    std::wstring mapped(static_cast<size_t>(needed), L'\0');
    const int written = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide.c_str(), length,
                                      mapped.data(), needed, nullptr, nullptr, 0);
    if (written <= 0) return std::string(text);
    mapped.resize(static_cast<size_t>(written));
    return Narrow(mapped);
  }
};

bool IsValidUtf8(std::string_view text) {
  if (text.empty()) return true;
  if (text.size() > static_cast<size_t>(INT_MAX)) return false;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace

std::string ExecutableDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return ".\\";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::string path = Narrow(buffer);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> result;
  for (int i = 1; i < count; ++i) result.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return result;
}

void SetBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }
void SetBinaryStandardInput() { _setmode(_fileno(stdin), _O_BINARY); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  const std::wstring widePath = Widen(path);
  const std::wstring wideMode = Widen(mode);
  if (widePath.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfopen(widePath.c_str(), wideMode.c_str());
}

TInputFile OpenInputFile(const std::string& path) {
  TInputFile result;
  const std::wstring widePath = Widen(path);
  if (widePath.empty()) {
    errno = ENOENT;
    return result;
  }
  HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      result.NotRegular = true;
      return result;
    }
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
            : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
                                                                               : EIO;
    return result;
  }
  // Pipes, consoles and other devices are no files.
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    result.NotRegular = true;
    return result;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    errno = EIO;
    return result;
  }
  result.File = _fdopen(fd, "rb");
  if (!result.File) {
    _close(fd);
    errno = EIO;
    return result;
  }
  result.Size = static_cast<uint64_t>(size.QuadPart);
  return result;
}

bool RenameOver(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = Widen(from), wideTo = Widen(to);
  if (wideFrom.empty() || wideTo.empty()) {
    errno = ENOENT;
    return false;
  }
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
          : error == ERROR_DISK_FULL                                         ? ENOSPC
                                                                             : EIO;
  return false;
}

bool RemoveFileAt(const std::string& path) {
  const std::wstring wide = Widen(path);
  return !wide.empty() && DeleteFileW(wide.c_str()) != 0;
}

std::string ToAnsiCodePage(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return std::string(utf8);
  BOOL lossy = FALSE;
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &lossy);
  if (needed <= 0 || lossy) return std::string(utf8);  // keep what the code page cannot hold
  std::string result(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, result.data(), needed,
                      nullptr, nullptr);
  return result;
}

std::string FromAnsiCodePage(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return std::string(bytes);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), needed);
  return Narrow(wide);
}

bool FitsAnsiCodePage(std::string_view utf8) {
  if (GetACP() == CP_UTF8) return true;
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return utf8.empty();
  BOOL lossy = FALSE;
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lossy);
  return needed > 0 && !lossy;
}

std::string AnsiCodePageCharset() {
  const UINT page = GetACP();
  switch (page) {
    case CP_UTF8: return "utf-8";
    case 932: return "shift_jis";
    case 936: return "gbk";
    case 949: return "euc-kr";
    case 950: return "big5";
    case 874: return "windows-874";
    default: return page >= 1250 && page <= 1258 ? "windows-" + std::to_string(page) : "utf-8";
  }
}

bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TPlatform CreateNativePlatform() {
  TPlatform platform;
  platform.FileSystem = std::make_shared<TWin32FileSystem>();
  platform.Security = std::make_shared<TWin32Security>();
  platform.Locale = std::make_shared<TWin32Locale>();
  return platform;
}

}  // namespace kv
