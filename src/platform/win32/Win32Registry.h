// The settings store in the registry of the current user.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace kv {

// REG_SZ strings and REG_DWORD integers under one key of HKEY_CURRENT_USER.
// Each access opens the key (creating it), does one thing and closes it.
class TRegistrySettingsStore final : public ISettingsStore {
 public:
  static constexpr const char* ProductKey = "\\Software\\Varnholt\\Kestrove 2.4\\";

  explicit TRegistrySettingsStore(std::string keyPath);

  std::optional<std::string> ReadString(std::string_view name) override;
  std::optional<int32_t> ReadInteger(std::string_view name) override;
  void WriteString(std::string_view name, std::string_view value) override;
  void WriteInteger(std::string_view name, int32_t value) override;

 private:
  std::wstring KeyPath_;
};

}  // namespace kv
