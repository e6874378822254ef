// The settings store in the registry of the current user.
#include <windows.h>

#include <climits>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Text.h"

namespace kv {

namespace {

// Opens the key for one access, creating it when missing; closed on destruction.
class TKey {
 public:
  explicit TKey(const std::wstring& path) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &Handle_, nullptr) != ERROR_SUCCESS)
      Handle_ = nullptr;
  }
  ~TKey() {
    if (Handle_) RegCloseKey(Handle_);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY Get() const { return Handle_; }

 private:
  HKEY Handle_ = nullptr;
};

}  // namespace

TRegistrySettingsStore::TRegistrySettingsStore(std::string keyPath) {
  // The key path is relative to the root; a leading or trailing backslash adds nothing.
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.erase(0, 1);
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
  KeyPath_ = Widen(keyPath);
}

std::optional<std::string> TRegistrySettingsStore::ReadString(std::string_view name) {
  TKey key(KeyPath_);
  if (!key.Get()) return std::nullopt;
  const std::wstring valueName = Widen(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  size_t length = bytes / sizeof(wchar_t);
  while (length > 0 && buffer[length - 1] == L'\0') --length;  // stored terminators
  return Narrow(buffer.data(), length);
}

std::optional<int32_t> TRegistrySettingsStore::ReadInteger(std::string_view name) {
  TKey key(KeyPath_);
  if (!key.Get()) return std::nullopt;
  const std::wstring valueName = Widen(name);
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return static_cast<int32_t>(value);
}

void TRegistrySettingsStore::WriteString(std::string_view name, std::string_view value) {
  TKey key(KeyPath_);
  if (!key.Get()) return;
  const std::wstring valueName = Widen(name), text = Widen(value);
  RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void TRegistrySettingsStore::WriteInteger(std::string_view name, int32_t value) {
  TKey key(KeyPath_);
  if (!key.Get()) return;
  const std::wstring valueName = Widen(name);
  const DWORD data = static_cast<DWORD>(value);
  RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                 sizeof(data));
}

std::unique_ptr<ISettingsStore> CreateUserSettingsStore() {
  return std::make_unique<TRegistrySettingsStore>(TRegistrySettingsStore::ProductKey);
}

}  // namespace kv
