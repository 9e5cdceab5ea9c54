#ifndef FENDREL_PLATFORM_LARGEMEMORY_H
#define FENDREL_PLATFORM_LARGEMEMORY_H

#include <cstddef>

namespace platform {

// Memory for decoders whose models and dictionaries (megabytes, read and written at random
// places) dominate their time. A block of a large page (2 MB) or more is aligned to it and,
// where the system offers large pages, backed by them, which spares the address translation
// most of its misses; smaller blocks are plain heap memory. Null when the memory cannot be
// had.
void* AllocateLarge(std::size_t size);
// Frees what AllocateLarge gave; null is ignored.
void FreeLarge(void* block);

}  // namespace platform

#endif
