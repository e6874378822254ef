// A small open-addressing hash index from names to positions in a list that
// owns the names. Built only for lists long enough to make a linear walk slow,
// it costs 8 bytes per entry and needs no copy of the names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace kv {

class TNameIndex {
 public:
  // Lists up to this length are searched linearly.
  static constexpr size_t LinearLimit = 8;

  using NameAt = std::function<std::string_view(size_t)>;

  bool Built() const { return Slots_ != nullptr; }
  void Clear() {
    Slots_.reset();
    Capacity_ = Used_ = 0;
  }

  // Indexes positions 0..count-1.
  void Rebuild(size_t count, const NameAt& nameAt);
  // Adds the position just appended to the list; grows when half full.
  void Insert(size_t position, std::string_view name, const NameAt& nameAt);
  // The position holding exactly this name, or -1.
  int64_t Find(std::string_view name, const NameAt& nameAt) const;

  static uint32_t Hash(std::string_view name) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(name));
  }

 private:
  void Place(uint32_t position, uint32_t hash);

  // Slot value: position + 1; 0 marks an empty slot.
  std::unique_ptr<uint32_t[]> Slots_;
  uint32_t Capacity_ = 0;  // a power of two
  uint32_t Used_ = 0;
};

}  // namespace kv
