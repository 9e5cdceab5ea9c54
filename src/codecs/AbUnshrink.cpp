#include "codecs/AbUnshrink.h"

#include <cstdint>
#include <vector>

#include "codecs/AbLegacyFailures.h"

namespace {

constexpr int kTableSize = 8193;
constexpr int kMaxCode = 8192;
constexpr int kFirstFree = 257;
constexpr int kMaxCodeSize = 13;
constexpr std::uint16_t kFree = 0xFFFF;
constexpr std::uint16_t kMark = 0x8000;

struct TShrinkTables {
  std::vector<std::uint16_t> Prefix = std::vector<std::uint16_t>(kTableSize, kFree);
  std::vector<std::uint8_t> Suffix = std::vector<std::uint8_t>(kTableSize, 0);
  std::vector<std::uint8_t> Stack = std::vector<std::uint8_t>(kTableSize, 0);

  TShrinkTables() {
    for (int i = 0; i < 256; ++i) {
      Prefix[i] = 0;
      Suffix[i] = static_cast<std::uint8_t>(i);
    }
  }

  int LowestFreeFrom(int aCode) const {
    while (aCode < kMaxCode && Prefix[aCode] != kFree) ++aCode;
    return aCode;
  }

  // Frees every entry below aNextFree that is no other entry's prefix. Entries already
  // free stay free and are never taken for a prefix, so no prefix value leaves the table.
  int PartialClear(int aNextFree) {
    for (int i = kFirstFree; i < aNextFree; ++i)
      if (Prefix[i] != kFree) Prefix[i] |= kMark;
    for (int i = kFirstFree; i < aNextFree; ++i) {
      if (Prefix[i] == kFree) continue;
      const int parent = Prefix[i] & ~kMark;
      if (parent >= kFirstFree && Prefix[parent] != kFree) Prefix[parent] &= ~kMark;
    }
    for (int i = kFirstFree; i < aNextFree; ++i)
      if (Prefix[i] != kFree && (Prefix[i] & kMark) != 0) Prefix[i] = kFree;
    return LowestFreeFrom(kFirstFree);
  }
};

}  // namespace

void Unshrink(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput) {
  TShrinkTables tables;
  int codeSize = 9;
  int code = static_cast<int>(aInput.GetBits(codeSize));
  if (aInput.Ended()) return;
  std::uint8_t ch = static_cast<std::uint8_t>(code);
  aOutput.WriteByte(ch);
  int last = code;
  int nextFree = kFirstFree;

  while (!aInput.Ended()) {
    code = static_cast<int>(aInput.GetBits(codeSize));
    while (code == 256 && !aInput.Ended()) {
      const std::uint32_t sub = aInput.GetBits(codeSize);
      if (sub == 1 && !aInput.Ended()) {
        if (codeSize == kMaxCodeSize) throw EAbZipBadShrinkCode();
        ++codeSize;
      } else if (sub == 2) {
        nextFree = tables.PartialClear(nextFree);
      }
      code = static_cast<int>(aInput.GetBits(codeSize));
    }
    if (aInput.Ended()) break;

    const int incode = code;
    int depth = 0;
    const auto push = [&](std::uint8_t aByte) {
      if (depth == kTableSize) throw EAbZipShrinkChainTooLong();
      tables.Stack[depth++] = aByte;
    };
    // A code not defined yet stands for the previous string plus its own first byte.
    if (tables.Prefix[code] == kFree) {
      push(ch);
      code = last;
    }
    while (code >= kFirstFree) {
      if (tables.Prefix[code] == kFree) {
        push(ch);
        code = last;
      } else {
        push(tables.Suffix[code]);
        code = tables.Prefix[code];
      }
    }
    ch = tables.Suffix[code];
    aOutput.WriteByte(ch);
    while (depth > 0) aOutput.WriteByte(tables.Stack[--depth]);

    if (nextFree < kMaxCode) {
      tables.Prefix[nextFree] = static_cast<std::uint16_t>(last);
      tables.Suffix[nextFree] = ch;
      nextFree = tables.LowestFreeFrom(nextFree + 1);
    }
    last = incode;
  }
}
