#include "platform/ChildProcess.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>

#include "platform/win32/Win32Text.h"

namespace kv {

namespace {

constexpr LONGLONG ErrorTail = 4096;

std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = n > 0 ? Narrow(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) result.pop_back();
  return result;
}

// One argument as the C runtime's parser (and so ssh.exe) splits it back:
// quotes escaped, and backslashes doubled only where a quote follows them.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

class TWin32ChildProcess final : public TChildProcess {
 public:
  TWin32ChildProcess(HANDLE process, std::FILE* output, HANDLE errorFile)
      : Process_(process), Output_(output), ErrorFile_(errorFile) {}
  ~TWin32ChildProcess() override {
    if (!Waited_) {
      Kill();
      Wait();
    }
    if (Output_) std::fclose(Output_);
    if (ErrorFile_ != INVALID_HANDLE_VALUE) CloseHandle(ErrorFile_);  // deleted on close
    CloseHandle(Process_);
  }
  std::FILE* Output() override { return Output_; }
  void Kill() override {
    if (!Waited_.load()) TerminateProcess(Process_, 1);
  }
  int Wait() override {
    if (Waited_.load()) return Status_;
    WaitForSingleObject(Process_, INFINITE);
    DWORD code = 0;
    Status_ = GetExitCodeProcess(Process_, &code) ? static_cast<int>(code) : -1;
    Waited_ = true;
    return Status_;
  }
  std::string ErrorText() override {
    LARGE_INTEGER size{};
    if (ErrorFile_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(ErrorFile_, &size)) return {};
    const LONGLONG from = size.QuadPart > ErrorTail ? size.QuadPart - ErrorTail : 0;
    std::string text(static_cast<size_t>(size.QuadPart - from), '\0');
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(from);
    at.OffsetHigh = static_cast<DWORD>(static_cast<ULONGLONG>(from) >> 32);
    DWORD got = 0;
    if (text.empty() || !ReadFile(ErrorFile_, text.data(), static_cast<DWORD>(text.size()), &got, &at)) got = 0;
    text.resize(got);
    return text;
  }

 private:
  HANDLE Process_;
  std::FILE* Output_;
  HANDLE ErrorFile_;
  std::atomic<bool> Waited_{false};
  int Status_ = -1;
};

// Handles closed on every way out unless released.
struct THandle {
  HANDLE H = INVALID_HANDLE_VALUE;
  ~THandle() {
    if (H != INVALID_HANDLE_VALUE && H != nullptr) CloseHandle(H);
  }
  HANDLE Release() {
    HANDLE h = H;
    H = INVALID_HANDLE_VALUE;
    return h;
  }
};

}  // namespace

std::unique_ptr<TChildProcess> TChildProcess::Start(const std::vector<std::string>& argv, std::string& error) {
  if (argv.empty()) {
    error = "cannot start a program without a name";
    return nullptr;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  THandle readEnd, writeEnd, input, errors;
  if (!CreatePipe(&readEnd.H, &writeEnd.H, &inherit, 0) || !SetHandleInformation(readEnd.H, HANDLE_FLAG_INHERIT, 0)) {
    error = "cannot start " + argv[0] + ": " + LastErrorText();
    return nullptr;
  }
  input.H = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  // Standard error goes to a temporary file that goes when closed.
  wchar_t folder[MAX_PATH + 1], path[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) > 0 && GetTempFileNameW(folder, L"kvc", 0, path) != 0)
    errors.H = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (input.H == INVALID_HANDLE_VALUE || errors.H == INVALID_HANDLE_VALUE) {
    error = "cannot start " + argv[0] + ": " + LastErrorText();
    return nullptr;
  }

  // Only these three handles reach the child, whatever other threads open meanwhile.
  HANDLE handles[] = {input.H, writeEnd.H, errors.H};
  SIZE_T listSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
  std::string listBytes(listSize, '\0');
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize) ||
      !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr,
                                 nullptr)) {
    error = "cannot start " + argv[0] + ": " + LastErrorText();
    return nullptr;
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input.H;
  startup.StartupInfo.hStdOutput = writeEnd.H;
  startup.StartupInfo.hStdError = errors.H;
  startup.lpAttributeList = list;

  std::wstring line;
  for (const std::string& arg : argv) AppendQuoted(line, Widen(arg));
  PROCESS_INFORMATION info{};
  // The program is looked up in PATH (with .exe added) from the command line's first word.
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                      &startup.StartupInfo, &info);
  DeleteProcThreadAttributeList(list);
  if (!started) {
    error = "cannot start " + argv[0] + ": " + LastErrorText();
    return nullptr;
  }
  CloseHandle(info.hThread);
  // The child holds its own copies; the read end sees the end once it exits.
  CloseHandle(writeEnd.Release());
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(readEnd.H), _O_RDONLY | _O_BINARY);
  std::FILE* output = fd >= 0 ? _fdopen(fd, "rb") : nullptr;
  if (!output) {
    if (fd >= 0) _close(fd);
    else CloseHandle(readEnd.H);
    readEnd.Release();
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    error = "cannot read from " + argv[0];
    return nullptr;
  }
  readEnd.Release();
  return std::make_unique<TWin32ChildProcess>(info.hProcess, output, errors.Release());
}

}  // namespace kv
