#include "model/FolderNumbers.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace kv {

namespace {

// Fixed chunks that never move, so a number can be read without the lock by
// whoever was handed it. Chunks come zeroed from calloc: a small tree touches
// one page of them.
constexpr uint32_t ChunkBits = 12;
constexpr uint32_t ChunkSize = 1u << ChunkBits;
constexpr uint32_t Chunks = 1u << (32 - ChunkBits);

// Plain zeroed storage: only the pages of chunks in use become resident.
TFolderNode** ChunkOf[Chunks];

struct TFolderTable {
  std::mutex Lock;
  uint32_t Next = 1;  // 0 is no folder
  std::vector<uint32_t> Free;
};

TFolderTable& Table() {
  static TFolderTable* table = new TFolderTable;  // never destroyed: trees may outlive statics
  return *table;
}

TFolderNode*& Slot(uint32_t number) {
  return ChunkOf[number >> ChunkBits][number & (ChunkSize - 1)];
}

}  // namespace

uint32_t NumberFolder(TFolderNode* folder) {
  TFolderTable& table = Table();
  std::lock_guard guard(table.Lock);
  uint32_t number;
  if (!table.Free.empty()) {
    number = table.Free.back();
    table.Free.pop_back();
  } else {
    if (table.Next == 0) throw std::bad_alloc();  // 2^32 folders at once
    number = table.Next++;
    auto& chunk = ChunkOf[number >> ChunkBits];
    if (!chunk) {
      chunk = static_cast<TFolderNode**>(std::calloc(ChunkSize, sizeof(TFolderNode*)));
      if (!chunk) throw std::bad_alloc();
    }
  }
  Slot(number) = folder;
  return number;
}

void ForgetFolderNumber(uint32_t number) {
  if (number == 0) return;
  TFolderTable& table = Table();
  std::lock_guard guard(table.Lock);
  Slot(number) = nullptr;
  table.Free.push_back(number);
}

TFolderNode* FolderByNumber(uint32_t number) { return number == 0 ? nullptr : Slot(number); }

}  // namespace kv
