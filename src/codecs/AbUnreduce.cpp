#include "codecs/AbUnreduce.h"

#include <array>
#include <bit>

#include "codecs/AbLegacyFailures.h"
#include "zip/AbException.h"

namespace {

constexpr std::uint8_t kRunMarker = 144;
constexpr int kMaxFollowers = 32;

struct TFollowerSet {
  std::uint8_t Count = 0;
  std::uint8_t Bits = 0;  // bits of a follower index: those of Count - 1, at least 1
  std::array<std::uint8_t, kMaxFollowers> Bytes{};
};

enum class TReduceState { Literal, Marker, LengthByte, DistanceByte };

}  // namespace

void Unreduce(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput, int aFactor, std::int64_t aSize) {
  if (aFactor < 1 || aFactor > 4) throw EAbZipInvalidFactor();
  const unsigned lengthMask = 0xFFu >> aFactor;
  const unsigned distanceShift = 8u - static_cast<unsigned>(aFactor);

  std::array<TFollowerSet, 256> followers{};
  for (int x = 255; x >= 0; --x) {
    TFollowerSet& set = followers[static_cast<std::size_t>(x)];
    const std::uint32_t count = aInput.GetBits(6);
    if (count > kMaxFollowers) throw EAbZipBadFollowerCount();
    set.Count = static_cast<std::uint8_t>(count);
    set.Bits = static_cast<std::uint8_t>(count <= 2 ? 1 : std::bit_width(count - 1));
    for (std::uint32_t j = 0; j < count; ++j) set.Bytes[j] = static_cast<std::uint8_t>(aInput.GetBits(8));
  }

  std::uint8_t last = 0;
  TReduceState state = TReduceState::Literal;
  unsigned v = 0;
  unsigned length = 0;
  while (!aInput.Ended() && aOutput.Count() < aSize) {
    const TFollowerSet& set = followers[last];
    std::uint8_t c;
    if (set.Count == 0 || aInput.GetBits(1) == 1) {
      c = static_cast<std::uint8_t>(aInput.GetBits(8));
    } else {
      const std::uint32_t index = aInput.GetBits(set.Bits);
      if (index >= set.Count) throw EAbZipBadFollowerIndex();
      c = set.Bytes[index];
    }
    // The model follows the symbols read, not the bytes written.
    last = c;
    if (aInput.Ended()) break;

    switch (state) {
      case TReduceState::Literal:
        if (c == kRunMarker)
          state = TReduceState::Marker;
        else
          aOutput.WriteByte(c);
        break;
      case TReduceState::Marker:
        if (c == 0) {
          aOutput.WriteByte(kRunMarker);
          state = TReduceState::Literal;
        } else {
          v = c;
          length = v & lengthMask;
          state = length == lengthMask ? TReduceState::LengthByte : TReduceState::DistanceByte;
        }
        break;
      case TReduceState::LengthByte:
        length += c;
        state = TReduceState::DistanceByte;
        break;
      case TReduceState::DistanceByte: {
        const std::int64_t distance = static_cast<std::int64_t>((v >> distanceShift) * 256 + c + 1);
        aOutput.CopyBack(distance, length + 3, aSize);
        state = TReduceState::Literal;
        break;
      }
    }
  }
}
