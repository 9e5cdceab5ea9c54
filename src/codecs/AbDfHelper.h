#ifndef FENDREL_CODECS_ABDFHELPER_H
#define FENDREL_CODECS_ABDFHELPER_H

#include <cstdint>
#include <functional>

#include "core/String.h"

// An input progress report: the percentage of the compressed input read so far.
using TAbProgressStep = std::function<void(int aPercentDone)>;

// Option bits of TAbDeflateHelper::FOptions that decoding reads.
inline constexpr std::uint32_t dfc_UseDeflate64 = 0x10;
inline constexpr std::uint32_t dfc_UseAdler32 = 0x20;
inline constexpr std::uint32_t dfc_TestOnly = 0x40000000;

// The options of one deflate or inflate run; inflation reads only a few of them and
// writes the sizes back.
struct TAbDeflateHelper {
  std::int32_t FAmpleLength = 8;
  std::int32_t FChainLength = 32;
  String FLogFile;
  std::int32_t FMaxLazy = 16;
  TAbProgressStep FOnProgressStep;
  std::uint32_t FOptions = 0x0F;
  std::int64_t FPartSize = 0;
  std::int64_t FSizeCompressed = 0;
  std::int64_t FSizeNormal = 0;
  std::int64_t FStreamSize = 0;
  std::int32_t FWindowSize = 32768;
  char FZipOption = 'n';
};

#endif
