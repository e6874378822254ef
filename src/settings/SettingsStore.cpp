#include "settings/SettingsStore.h"

namespace kv {

std::string ReadRegString(ISettingsStore& store, std::string_view name, std::string_view defaultValue) {
  if (auto value = store.ReadString(name)) return std::move(*value);
  return std::string(defaultValue);
}

void WriteRegString(ISettingsStore& store, std::string_view name, std::string_view value) {
  store.WriteString(name, value);
}

int32_t ReadRegInteger(ISettingsStore& store, std::string_view name, int32_t defaultValue) {
  return store.ReadInteger(name).value_or(defaultValue);
}

int32_t ReadRegIntegerIn(ISettingsStore& store, std::string_view name, int32_t least, int32_t most,
                         int32_t defaultValue) {
  const std::optional<int32_t> value = store.ReadInteger(name);
  return value && *value >= least && *value <= most ? *value : defaultValue;
}

void WriteRegInteger(ISettingsStore& store, std::string_view name, int32_t value) {
  store.WriteInteger(name, value);
}

bool ReadRegBool(ISettingsStore& store, std::string_view name, bool defaultValue) {
  if (auto value = store.ReadInteger(name)) return *value != 0;
  return defaultValue;
}

void WriteRegBool(ISettingsStore& store, std::string_view name, bool value) {
  store.WriteInteger(name, value ? 1 : 0);
}

std::optional<std::string> TMemorySettingsStore::ReadString(std::string_view name) {
  std::lock_guard guard(Lock_);
  auto it = Values_.find(name);
  if (it == Values_.end() || !std::holds_alternative<std::string>(it->second)) return std::nullopt;
  return std::get<std::string>(it->second);
}

std::optional<int32_t> TMemorySettingsStore::ReadInteger(std::string_view name) {
  std::lock_guard guard(Lock_);
  auto it = Values_.find(name);
  if (it == Values_.end() || !std::holds_alternative<int32_t>(it->second)) return std::nullopt;
  return std::get<int32_t>(it->second);
}

void TMemorySettingsStore::WriteString(std::string_view name, std::string_view value) {
  std::lock_guard guard(Lock_);
  Values_.insert_or_assign(std::string(name), TValue(std::string(value)));
}

void TMemorySettingsStore::WriteInteger(std::string_view name, int32_t value) {
  std::lock_guard guard(Lock_);
  Values_.insert_or_assign(std::string(name), TValue(value));
}

std::map<std::string, TMemorySettingsStore::TValue, std::less<>> TMemorySettingsStore::Values() const {
  std::lock_guard guard(Lock_);
  return Values_;
}

void TMemorySettingsStore::Clear() {
  std::lock_guard guard(Lock_);
  Values_.clear();
}

}  // namespace kv
