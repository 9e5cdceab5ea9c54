#ifndef FENDREL_CODECS_ABMETHODREGISTRATION_H
#define FENDREL_CODECS_ABMETHODREGISTRATION_H

#include <cstdint>
#include <span>

#include "core/Stream.h"
#include "zip/AbException.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// What a codec tells the method table: the method numbers it decodes, its decoder and the
// failure classes only it raises. Each codec's header declares one as a constant;
// AbMethodRegistry.h lists them. Plain constants, no registering globals: a static library
// would drop a codec whose object file nothing references.

// Decodes the entry's data from source into output (the counting output of extraction).
using TAbMethodDecoder = void (*)(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& output);

// Methods FirstMethod to LastMethod go to Decoder. Library names the decoding library's
// line of cmake/codec-libraries when a library does the decoding, else it is null.
struct TAbMethodRegistration {
  std::uint8_t FirstMethod;
  std::uint8_t LastMethod;
  TAbMethodDecoder Decoder;
  std::span<const TAbFailureDescription> Failures = {};
  const char* Library = nullptr;
};

#endif
