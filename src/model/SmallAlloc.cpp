#include "model/SmallAlloc.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "platform/LargeBlocks.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KV_POOL_DISABLED 1  // let the sanitizers see every block
#endif

namespace kv {

#ifdef KV_POOL_DISABLED

void* SmallAlloc(size_t size) { return ::operator new(size); }
void SmallFree(void* block, size_t) { ::operator delete(block); }
size_t SmallAllocReserved() { return 0; }

#else

namespace {

constexpr size_t Granule = 8;
constexpr size_t Classes = SmallAllocLimit / Granule;
constexpr size_t ChunkSize = LargeBlockSize;

struct TFreeBlock {
  TFreeBlock* Next;
};

// Blocks are carved from large chunks; freed blocks go to their size's list.
// When the last block is freed every chunk goes back to the system, so a
// cleared tree leaves nothing behind.
class TPool {
 public:
  void* Alloc(size_t size) {
    const size_t cls = ClassOf(size);
    std::lock_guard guard(Lock_);
    ++Live_;
    if (TFreeBlock* block = Free_[cls]) {
      Free_[cls] = block->Next;
      return block;
    }
    const size_t bytes = (cls + 1) * Granule;
    if (Left_ < bytes) {
      char* chunk = static_cast<char*>(AllocateLargeBlock(ChunkSize));
      if (!chunk) {
        --Live_;
        throw std::bad_alloc();
      }
      Chunks_.push_back(chunk);
      Cursor_ = chunk;
      Left_ = ChunkSize;
    }
    void* block = Cursor_;
    Cursor_ += bytes;
    Left_ -= bytes;
    return block;
  }

  void Free(void* block, size_t size) {
    const size_t cls = ClassOf(size);
    std::lock_guard guard(Lock_);
    auto* freed = static_cast<TFreeBlock*>(block);
    freed->Next = Free_[cls];
    Free_[cls] = freed;
    if (--Live_ == 0) ReleaseAll();
  }

  size_t Reserved() {
    std::lock_guard guard(Lock_);
    return Chunks_.size() * ChunkSize;
  }

 private:
  static size_t ClassOf(size_t size) { return size == 0 ? 0 : (size - 1) / Granule; }

  void ReleaseAll() {
    for (char* chunk : Chunks_) FreeLargeBlock(chunk, ChunkSize);
    Chunks_.clear();
    for (auto& head : Free_) head = nullptr;
    Cursor_ = nullptr;
    Left_ = 0;
  }

  std::mutex Lock_;
  TFreeBlock* Free_[Classes] = {};
  std::vector<char*> Chunks_;
  char* Cursor_ = nullptr;
  size_t Left_ = 0;
  size_t Live_ = 0;
};

TPool& Pool() {
  static TPool* pool = new TPool;  // never destroyed: blocks may be freed during exit
  return *pool;
}

}  // namespace

void* SmallAlloc(size_t size) {
  if (size > SmallAllocLimit) return ::operator new(size);
  return Pool().Alloc(size);
}

void SmallFree(void* block, size_t size) {
  if (size > SmallAllocLimit) {
    ::operator delete(block);
    return;
  }
  Pool().Free(block, size);
}

size_t SmallAllocReserved() { return Pool().Reserved(); }

#endif

}  // namespace kv
