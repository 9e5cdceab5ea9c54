#include "platform/LargeMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace platform {

namespace {
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}  // namespace

void* AllocateLarge(std::size_t size) {
  if (size < kLargePage) return std::malloc(size);
  void* block = nullptr;
  if (posix_memalign(&block, kLargePage, size) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
  // Only advice: where large pages are off or used up, the block stays as it is.
  madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void FreeLarge(void* block) {
  std::free(block);
}

}  // namespace platform
