// Replacing a file on Windows: the new content goes to a named file beside the
// target, moved over it when complete. Ctrl+C, closing the console and a
// logoff remove it; one left by a killed process is removed by the next write
// of the same target.
#include <windows.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cwchar>
#include <mutex>

#include "platform/Platform.h"
#include "platform/ReplaceFile.h"
#include "platform/win32/Win32Text.h"

namespace kv {

namespace {

constexpr const wchar_t* TempMark = L".kvtmp";

struct TSlot {
  std::atomic<bool> Used{false};
  wchar_t Path[32768];
};
std::array<TSlot, 4> gSlots;

BOOL WINAPI RemoveTemps(DWORD) {
  for (TSlot& slot : gSlots)
    if (slot.Used.load()) DeleteFileW(slot.Path);
  return FALSE;  // the next handler (the default one ends the process) runs too
}

void Remember(const std::wstring& path) {
  static std::once_flag once;
  std::call_once(once, [] { SetConsoleCtrlHandler(RemoveTemps, TRUE); });
  if (path.size() >= 32768) return;
  for (TSlot& slot : gSlots) {
    bool expected = false;
    if (!slot.Used.compare_exchange_strong(expected, true)) continue;
    std::wmemcpy(slot.Path, path.c_str(), path.size() + 1);
    return;
  }
}

void Forget(const std::wstring& path) {
  for (TSlot& slot : gSlots)
    if (slot.Used.load() && path == slot.Path) slot.Used.store(false);
}

bool ProcessRuns(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's: alive
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

void RemoveStaleTemps(const std::wstring& target) {
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring prefix = (slash == std::wstring::npos ? target : target.substr(slash + 1)) + TempMark;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW((folder + prefix + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    wchar_t* end = nullptr;
    const unsigned long pid = std::wcstoul(data.cFileName + prefix.size(), &end, 10);
    if (pid != 0 && end && *end == L'-' && !ProcessRuns(pid)) DeleteFileW((folder + data.cFileName).c_str());
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace

std::string BeginReplaceFile(const std::string& path, TReplaceFile& file) {
  file = TReplaceFile{};
  file.Target = path;
  const std::wstring target = Widen(path);
  if (target.empty()) {
    errno = ENOENT;
    return {};
  }
  // The new file must be one we may write, as the old one was.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      errno = EISDIR;
      return {};
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      errno = EACCES;
      return {};
    }
  }
  RemoveStaleTemps(target);
  static std::atomic<unsigned> serial{0};
  file.TempPath = path + ".kvtmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
  Remember(Widen(file.TempPath));
  // Readable too: a text file is read back to be put in its final encoding.
  file.File = OpenFile(file.TempPath, "w+b");
  if (!file.File) {
    const int error = errno;
    Forget(Widen(file.TempPath));
    file.TempPath.clear();
    errno = error;
  }
  return {};
}

bool CommitReplaceFile(TReplaceFile& file) {
  if (!file.File) return false;
  bool ok = std::fflush(file.File) == 0;
  int error = errno;
  if (std::fclose(file.File) != 0 && ok) {
    error = errno;
    ok = false;
  }
  file.File = nullptr;
  if (ok && !RenameOver(file.TempPath, file.Target)) {
    error = errno;
    ok = false;
  }
  if (!ok) RemoveFileAt(file.TempPath);
  Forget(Widen(file.TempPath));
  file.TempPath.clear();
  errno = error;
  return ok;
}

void AbandonReplaceFile(TReplaceFile& file) {
  if (file.File) std::fclose(file.File);
  file.File = nullptr;
  if (!file.TempPath.empty()) {
    RemoveFileAt(file.TempPath);
    Forget(Widen(file.TempPath));
    file.TempPath.clear();
  }
}

}  // namespace kv
