#include "model/NameIndex.h"

namespace kv {

void TNameIndex::Place(uint32_t position, uint32_t hash) {
  const uint32_t mask = Capacity_ - 1;
  uint32_t slot = hash & mask;
  while (Slots_[slot] != 0) slot = (slot + 1) & mask;
  Slots_[slot] = position + 1;
  ++Used_;
}

void TNameIndex::Rebuild(size_t count, const NameAt& nameAt) {
  uint32_t capacity = 16;
  while (capacity < count * 2) capacity *= 2;
  Slots_ = std::make_unique<uint32_t[]>(capacity);
  Capacity_ = capacity;
  Used_ = 0;
  for (size_t i = 0; i < count; ++i) Place(static_cast<uint32_t>(i), Hash(nameAt(i)));
}

void TNameIndex::Insert(size_t position, std::string_view name, const NameAt& nameAt) {
  if ((Used_ + 1) * 2 > Capacity_) {
    Rebuild(position + 1, nameAt);
    return;
  }
  Place(static_cast<uint32_t>(position), Hash(name));
}

int64_t TNameIndex::Find(std::string_view name, const NameAt& nameAt) const {
  if (!Slots_) return -1;
  const uint32_t mask = Capacity_ - 1;
  for (uint32_t slot = Hash(name) & mask; Slots_[slot] != 0; slot = (slot + 1) & mask) {
    const size_t position = Slots_[slot] - 1;
    if (nameAt(position) == name) return static_cast<int64_t>(position);
  }
  return -1;
}

}  // namespace kv
