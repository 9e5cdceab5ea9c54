#ifndef FENDREL_CODECS_ABMETHODREGISTRY_H
#define FENDREL_CODECS_ABMETHODREGISTRY_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "codecs/AbBZip2Item.h"
#include "codecs/AbCopyStored.h"
#include "codecs/AbDecoderFailures.h"
#include "codecs/AbDfInflate.h"
#include "codecs/AbLzmaItem.h"
#include "codecs/AbMethodRegistration.h"
#include "codecs/AbPpmdItem.h"
#include "codecs/AbUnzipHelper.h"
#include "codecs/AbWavPackItem.h"
#include "zip/AbException.h"

// Every compression method this build decodes: one registration per codec, declared in the
// codec's header. The method table (codecs/AbUnzipItem.cpp) and the list of decoder
// failures are made from it; a number no registration names is refused as an unsupported
// method.
inline constexpr TAbMethodRegistration kAbMethodRegistrations[] = {
    kAbStoredMethod, kAbLegacyMethods, kAbDeflateMethods, kAbBzip2Method,
    kAbLzmaMethod,   kAbWavPackMethod, kAbPpmdMethod,
};

// No method number is registered twice.
consteval bool AbMethodRegistrationsAreDisjoint() {
  std::array<bool, 256> taken{};
  for (const auto& registration : kAbMethodRegistrations) {
    if (registration.FirstMethod > registration.LastMethod) return false;
    for (int method = registration.FirstMethod; method <= registration.LastMethod; ++method) {
      if (taken[method]) return false;
      taken[method] = true;
    }
  }
  return true;
}
static_assert(AbMethodRegistrationsAreDisjoint(), "a compression method is registered twice");

// The failures of several decoders, then each registration's own, in their order.
inline constexpr std::span<const TAbFailureDescription> kAbSharedDecoderFailures =
    kAbFailureTable<EAbZipSizeExceeded, EAbZipDecoderMemory>;

consteval std::size_t AbDecoderFailureCount() {
  std::size_t count = kAbSharedDecoderFailures.size();
  for (const auto& registration : kAbMethodRegistrations) count += registration.Failures.size();
  return count;
}

inline constexpr auto kAbDecoderFailures = [] {
  std::array<TAbFailureDescription, AbDecoderFailureCount()> failures{};
  auto next = std::copy(kAbSharedDecoderFailures.begin(), kAbSharedDecoderFailures.end(), failures.begin());
  for (const auto& registration : kAbMethodRegistrations)
    next = std::copy(registration.Failures.begin(), registration.Failures.end(), next);
  return failures;
}();

#endif
