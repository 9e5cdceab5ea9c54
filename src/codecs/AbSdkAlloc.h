#ifndef FENDREL_CODECS_ABSDKALLOC_H
#define FENDREL_CODECS_ABSDKALLOC_H

#include "7zTypes.h"
#include "platform/LargeMemory.h"

// The memory requests of the LZMA and PPMd decoders, whose dictionaries and models are
// where decoding spends its time. A failed request answers no memory, which the decoders
// report as their own error.
inline void* AbSdkAllocate(ISzAllocPtr, size_t size) {
  return platform::AllocateLarge(size);
}
inline void AbSdkFree(ISzAllocPtr, void* address) {
  platform::FreeLarge(address);
}
inline constexpr ISzAlloc kAbSdkAlloc{&AbSdkAllocate, &AbSdkFree};

#endif
