#ifndef FENDREL_CODECS_ABSDKALLOC_H
#define FENDREL_CODECS_ABSDKALLOC_H

#include <cstdlib>

#include "7zTypes.h"

// The memory requests of the LZMA and PPMd decoders, answered from the C heap: a failed
// request answers no memory, which the decoders report as their own error.
inline void* AbSdkAllocate(ISzAllocPtr, size_t size) {
  return std::malloc(size);
}
inline void AbSdkFree(ISzAllocPtr, void* address) {
  std::free(address);
}
inline constexpr ISzAlloc kAbSdkAlloc{&AbSdkAllocate, &AbSdkFree};

#endif
