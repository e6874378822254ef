#include "platform/LargeBlocks.h"

#include <cstdint>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace kv {

#ifdef __linux__

void* AllocateLargeBlock(size_t bytes) {
  // Huge pages need an aligned range: map one alignment more and cut both ends off.
  const size_t mapped = bytes + LargeBlockSize;
  void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + LargeBlockSize - 1) & ~(uintptr_t{LargeBlockSize} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t tail = start + mapped - (aligned + bytes);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  void* block = reinterpret_cast<void*>(aligned);
  madvise(block, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
  return block;
}

void FreeLargeBlock(void* block, size_t bytes) {
  if (block) munmap(block, bytes);
}

#else

void* AllocateLargeBlock(size_t bytes) { return std::malloc(bytes); }
void FreeLargeBlock(void* block, size_t) { std::free(block); }

#endif

}  // namespace kv
