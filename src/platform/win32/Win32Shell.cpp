// The Windows shell: Explorer, the associated programs, the recycle bin and
// the system's small icons.
#include "platform/Shell.h"
#include "platform/win32/Win32Text.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

namespace kv {

namespace {

// The shell's calls want COM in an apartment on the calling thread. A thread
// that already chose another model keeps it; the calls still work there.
void EnsureCom() {
  struct TComApartment {
    bool Initialised = false;
    TComApartment() {
      const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      Initialised = SUCCEEDED(hr);
    }
    ~TComApartment() {
      if (Initialised) CoUninitialize();
    }
  };
  thread_local TComApartment apartment;
  (void)apartment;
}

// The shell takes no trailing separator except on a drive root ("C:\").
std::wstring ShellPath(const std::string& path) {
  std::wstring wide = Widen(path);
  while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  return wide;
}

// One shell execution without the shell's own error boxes; appResult gets
// the shell's old-style result code.
bool Execute(const wchar_t* verb, const std::wstring& file, const wchar_t* parameters, ULONG mask, int show,
             INT_PTR* appResult = nullptr) {
  EnsureCom();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI | mask;
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.nShow = show;
  const bool done = ShellExecuteExW(&info) != FALSE;
  if (appResult) *appResult = reinterpret_cast<INT_PTR>(info.hInstApp);
  return done;
}

// FO_DELETE of one item; true only when the shell says nothing was skipped.
bool ShellDelete(const std::string& path, FILEOP_FLAGS flags) {
  std::wstring from = ShellPath(path);
  if (from.empty()) return false;
  from.push_back(L'\0');  // the list ends with a second NUL (c_str adds the first)
  EnsureCom();
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = flags;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

constexpr FILEOP_FLAGS QuietDelete = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;

// The pixels of one bitmap as a top-down 32-bit DIB.
bool ReadBits(HDC dc, HBITMAP bitmap, int width, int height, std::vector<uint32_t>& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bits.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS) == height;
}

// An icon as ARGB pixels. Icons without any alpha (older formats) take their
// transparency from the mask; a monochrome icon keeps both halves in the mask.
TIconPixels IconPixels(HICON icon) {
  TIconPixels result;
  ICONINFO parts{};
  if (!icon || !GetIconInfo(icon, &parts)) return result;
  BITMAP shape{};
  const bool colour = parts.hbmColor != nullptr;
  if (GetObjectW(colour ? parts.hbmColor : parts.hbmMask, sizeof(shape), &shape) != 0) {
    const int width = shape.bmWidth;
    const int height = colour ? shape.bmHeight : shape.bmHeight / 2;
    HDC dc = CreateCompatibleDC(nullptr);
    std::vector<uint32_t> mask, pixels;
    const bool read = dc && width > 0 && height > 0 && ReadBits(dc, parts.hbmMask, width, colour ? height : 2 * height, mask) &&
                      (!colour || ReadBits(dc, parts.hbmColor, width, height, pixels));
    if (read) {
      const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
      if (!colour) pixels.assign(mask.begin() + static_cast<ptrdiff_t>(count), mask.end());  // XOR half
      const bool hasAlpha =
          colour && std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p & 0xFF000000u) != 0; });
      if (!hasAlpha)
        for (size_t i = 0; i < count; ++i)
          pixels[i] = (mask[i] & 0x00FFFFFFu) != 0 ? 0u : (pixels[i] | 0xFF000000u);
      result.Width = width;
      result.Height = height;
      result.Pixels = std::move(pixels);
    }
    if (dc) DeleteDC(dc);
  }
  if (parts.hbmColor) DeleteObject(parts.hbmColor);
  if (parts.hbmMask) DeleteObject(parts.hbmMask);
  return result;
}

TIconPixels ShellIcon(const std::wstring& path, DWORD attributes, UINT flags) {
  EnsureCom();
  SHFILEINFOW info{};
  if (SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info), flags) == 0 || !info.hIcon) return {};
  TIconPixels pixels = IconPixels(info.hIcon);
  DestroyIcon(info.hIcon);
  return pixels;
}

// The system's small icon follows its own scale; where the window is scaled
// beyond it, the large one keeps the picture sharp.
UINT SizeFlag(int side) { return side > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON; }

class TWin32Shell final : public IShell {
 public:
  TOpenResult OpenFile(const std::string& path) override {
    INT_PTR code = 0;
    if (Execute(L"open", ShellPath(path), nullptr, 0, SW_RESTORE, &code)) return TOpenResult::Opened;
    const DWORD error = GetLastError();
    return error == ERROR_NO_ASSOCIATION || code == SE_ERR_NOASSOC ? TOpenResult::NoProgram : TOpenResult::Failed;
  }

  bool OpenWithDialog(const std::string& path) override {
    const std::wstring file = ShellPath(path);
    // Looked up at run time: a shell32 without it must not stop the program loading.
    using TOpenWith = HRESULT(WINAPI*)(HWND, const OPENASINFO*);
    if (HMODULE shell = GetModuleHandleW(L"shell32.dll")) {
      if (auto openWith = reinterpret_cast<TOpenWith>(
              reinterpret_cast<void*>(GetProcAddress(shell, "SHOpenWithDialog")))) {
        EnsureCom();
        OPENASINFO info{};
        info.pcszFile = file.c_str();
        info.oaifInFlags = static_cast<OPEN_AS_INFO_FLAGS>(OAIF_ALLOW_REGISTRATION | OAIF_REGISTER_EXT | OAIF_EXEC);
        const HRESULT hr = openWith(nullptr, &info);
        // Cancelled by the user still means the dialog was there.
        return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_CANCELLED);
      }
    }
    const std::wstring parameters = L"shell32.dll,OpenAs_RunDLL \"" + file + L"\"";
    return Execute(nullptr, L"rundll32", parameters.c_str(), SEE_MASK_DOENVSUBST, SW_SHOWNORMAL);
  }

  bool ShowInFileManager(const std::string& path, bool isFolder) override {
    const std::wstring item = ShellPath(path);
    if (isFolder) return Execute(L"explore", item, nullptr, 0, SW_SHOWNORMAL);
    EnsureCom();
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(item.c_str());
    if (!pidl) return false;
    const HRESULT hr = SHOpenFolderAndSelectItems(pidl, 0, nullptr, 0);
    ILFree(pidl);
    return SUCCEEDED(hr);
  }

  bool ShowProperties(const std::string& path) override {
    return Execute(L"properties", ShellPath(path), nullptr, SEE_MASK_INVOKEIDLIST, SW_SHOW);
  }

  // Where the drive has no recycle bin the shell itself deletes for good; it
  // never leaves the item for lack of a bin.
  TTrashResult DeleteToRecycleBin(const std::string& path) override {
    return ShellDelete(path, FOF_ALLOWUNDO | QuietDelete) ? TTrashResult::Trashed : TTrashResult::Failed;
  }

  bool DeletePermanently(const std::string& path) override { return ShellDelete(path, QuietDelete); }

  TIconPixels FileTypeIcon(const std::string& extension, int side) override {
    // A made-up name: with USEFILEATTRIBUTES nothing is looked up on disk, and
    // a name without extension still has a base.
    return ShellIcon(L"file" + Widen(extension), FILE_ATTRIBUTE_NORMAL,
                     SHGFI_ICON | SizeFlag(side) | SHGFI_USEFILEATTRIBUTES);
  }

  TIconPixels DriveIcon(const std::string& root, int side) override {
    return ShellIcon(Widen(root), 0, SHGFI_ICON | SizeFlag(side));
  }
};

}  // namespace

std::unique_ptr<IShell> CreateDesktopShell() { return std::make_unique<TWin32Shell>(); }

}  // namespace kv
