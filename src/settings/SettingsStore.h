// The per-user settings store: typed values under the program's one key.
// Every access goes to the backing store at once; failures are silent and
// reads fall back to their defaults.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/Platform.h"

namespace kv {

std::string ReadRegString(ISettingsStore& store, std::string_view name, std::string_view defaultValue);
void WriteRegString(ISettingsStore& store, std::string_view name, std::string_view value);
int32_t ReadRegInteger(ISettingsStore& store, std::string_view name, int32_t defaultValue);
// A stored value outside [least, most] cannot be meant: it counts as absent.
int32_t ReadRegIntegerIn(ISettingsStore& store, std::string_view name, int32_t least, int32_t most,
                         int32_t defaultValue);
void WriteRegInteger(ISettingsStore& store, std::string_view name, int32_t value);
// Booleans are integers: 1 or 0 written, any non-zero read as true.
bool ReadRegBool(ISettingsStore& store, std::string_view name, bool defaultValue);
void WriteRegBool(ISettingsStore& store, std::string_view name, bool value);

// Values kept in memory, for tests and for runs that must not touch the user's settings.
class TMemorySettingsStore final : public ISettingsStore {
 public:
  std::optional<std::string> ReadString(std::string_view name) override;
  std::optional<int32_t> ReadInteger(std::string_view name) override;
  void WriteString(std::string_view name, std::string_view value) override;
  void WriteInteger(std::string_view name, int32_t value) override;

  using TValue = std::variant<std::string, int32_t>;
  std::map<std::string, TValue, std::less<>> Values() const;
  void Clear();

 private:
  mutable std::mutex Lock_;
  std::map<std::string, TValue, std::less<>> Values_;
};

}  // namespace kv
