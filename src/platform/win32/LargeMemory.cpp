#include "platform/LargeMemory.h"

#include <windows.h>

namespace platform {

// Large pages need a privilege ordinary accounts do not hold, so every block is plain
// committed memory from the system, aligned to its allocation granularity (64 KiB); the
// decoders ask for few blocks, so the rounding costs nothing worth keeping apart.
void* AllocateLarge(std::size_t size) {
  if (size == 0) size = 1;
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeLarge(void* block) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
