#include "codecs/AbDfDecodeHuffmanTree.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

constexpr int kMaxBits = 15;

std::uint32_t Reverse(std::uint32_t code, int length) {
  std::uint32_t result = 0;
  for (int i = 0; i < length; ++i) {
    result = (result << 1) | (code & 1);
    code >>= 1;
  }
  return result;
}

std::uint32_t MakeEntry(int symbol, int codeLength, const std::uint8_t* extraBits, int extraStart,
                        const TAbDfSymbolRoles& roles, const std::uint16_t* bases) {
  using namespace AbDfEntry;
  const auto code = static_cast<std::uint32_t>(codeLength);
  std::uint32_t value = static_cast<std::uint32_t>(symbol);
  if (symbol >= roles.FValidCount) return code | code << kCodeShift | kSpecial | value << kValueShift;
  if (symbol < roles.FLiteralCount) return code | code << kCodeShift | kLiteral | value << kValueShift;
  if (symbol == roles.FEndSymbol) return code | code << kCodeShift | kSpecial | kEnd | value << kValueShift;
  std::uint32_t extra = 0;
  if (symbol >= extraStart) {
    if (extraBits != nullptr) extra = extraBits[symbol - extraStart];
    if (bases != nullptr) value = bases[symbol - extraStart];
  }
  return (code + extra) | code << kCodeShift | value << kValueShift;
}

}  // namespace

TAbDfDecodeHuffmanTree::TAbDfDecodeHuffmanTree(int aAlphabetSize, int aDefMaxCodeLen,
                                               TAbDfHuffmanUsage aUsage, int aPrimaryBits)
    : FAlphaSize(aAlphabetSize),
      FDefMaxCodeLen(std::min(aDefMaxCodeLen, kMaxBits)),
      FUsage(aUsage),
      FPrimaryBitsWanted(std::clamp(aPrimaryBits, 1, kMaxBits)) {
  FDecodes.assign(1, AbDfEntry::kInvalidEntry);
}

void TAbDfDecodeHuffmanTree::Build(const std::uint8_t* aLengths, int aStartInx, int aCount,
                                   const std::uint8_t* aExtraBits, int aExtraStart,
                                   const TAbDfSymbolRoles& aRoles, const std::uint16_t* aBases) {
  using namespace AbDfEntry;
  if (FUsage == TAbDfHuffmanUsage::huEncoding) return;
  aCount = std::min(aCount, FAlphaSize);
  const std::uint8_t* lengths = aLengths + aStartInx;

  std::array<int, kMaxBits + 1> count{};
  for (int s = 0; s < aCount; ++s) {
    if (lengths[s] > FDefMaxCodeLen) throw std::logic_error("code length above the tree's maximum");
    ++count[lengths[s]];
  }
  count[0] = 0;
  FMaxCodeLen = 0;
  for (int len = kMaxBits; len > 0; --len) {
    if (count[len] != 0) {
      FMaxCodeLen = len;
      break;
    }
  }
  // Kraft sum: more codes than bit patterns means some codes overlap.
  bool overSubscribed = false;
  std::int32_t left = 1;
  for (int len = 1; len <= kMaxBits; ++len) {
    left = (left << 1) - count[len];
    if (left < 0) overSubscribed = true;
    if (left < 0) break;
  }

  std::array<std::uint32_t, kMaxBits + 2> nextCode{};
  std::uint32_t code = 0;
  for (int len = 1; len <= kMaxBits; ++len) {
    code = (code + static_cast<std::uint32_t>(count[len - 1])) << 1;
    nextCode[len] = code;
  }

  FPrimaryBits = overSubscribed ? FMaxCodeLen : std::min(FMaxCodeLen, FPrimaryBitsWanted);
  FPrimaryMask = (std::uint64_t{1} << FPrimaryBits) - 1;
  const std::uint32_t primarySize = 1u << FPrimaryBits;

  if (overSubscribed) {
    // Filled symbol by symbol, a set of many short codes with one long code would cost up
    // to a whole table per short code, for every block that repeats it. Instead the table
    // grows a bit at a time: each width's table is the last one twice over, with the codes
    // of that length written where their symbol is later than the one in place. Entries
    // hold symbol + 1 (0: no code) until the end.
    FDecodes.resize(primarySize);
    std::uint32_t* table = FDecodes.data();
    std::array<std::uint32_t, kMaxBits + 2> first{};
    for (int len = 1; len <= kMaxBits; ++len)
      first[len + 1] = first[len] + static_cast<std::uint32_t>(count[len]);
    std::array<std::uint16_t, 320> byLength{};
    std::array<std::uint16_t, 320> patterns{};
    for (int s = 0; s < aCount; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      const std::uint32_t at = first[len]++;
      byLength[at] = static_cast<std::uint16_t>(s);
      patterns[at] = static_cast<std::uint16_t>(Reverse(nextCode[len]++ & ((1u << len) - 1), len));
    }
    table[0] = 0;
    for (int len = 1, at = 0; len <= FMaxCodeLen; ++len) {
      const std::size_t half = std::size_t{1} << (len - 1);
      std::copy_n(table, half, table + half);
      for (const int end = at + count[len]; at < end; ++at) {
        std::uint32_t& slot = table[patterns[static_cast<std::size_t>(at)]];
        slot = std::max<std::uint32_t>(slot, byLength[static_cast<std::size_t>(at)] + 1u);
      }
    }
    std::array<std::uint32_t, 321> entries{};
    entries[0] = kInvalidEntry;
    for (int s = 0; s < aCount; ++s)
      if (lengths[s] != 0)
        entries[static_cast<std::size_t>(s) + 1] =
            MakeEntry(s, lengths[s], aExtraBits, aExtraStart, aRoles, aBases);
    for (std::uint32_t i = 0; i < primarySize; ++i) table[i] = entries[table[i]];
    return;
  }
  if (FMaxCodeLen <= FPrimaryBits) {
    FDecodes.assign(primarySize, kInvalidEntry);
    for (int s = 0; s < aCount; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      const std::uint32_t c = nextCode[len]++ & ((1u << len) - 1);
      const std::uint32_t entry = MakeEntry(s, len, aExtraBits, aExtraStart, aRoles, aBases);
      for (std::uint32_t i = Reverse(c, len); i < primarySize; i += 1u << len) FDecodes[i] = entry;
    }
    return;
  }

  // Symbols in canonical order (by length, then by symbol) with their codes; the codes
  // then rise, so the long codes that share their first primary bits lie together.
  std::array<int, kMaxBits + 2> offset{};
  for (int len = 1; len <= kMaxBits; ++len) offset[len + 1] = offset[len] + count[len];
  std::array<std::uint16_t, 320> sorted{};
  std::array<std::uint32_t, 320> codes{};
  const int total = offset[kMaxBits + 1];
  for (int s = 0; s < aCount; ++s) {
    const int len = lengths[s];
    if (len == 0) continue;
    sorted[offset[len]] = static_cast<std::uint16_t>(s);
    codes[offset[len]] = nextCode[len]++;
    ++offset[len];
  }

  // Size the secondary tables: one per shared prefix, as wide as its longest code.
  std::uint32_t size = primarySize;
  for (int i = 0; i < total;) {
    const int len = lengths[sorted[i]];
    if (len <= FPrimaryBits) {
      ++i;
      continue;
    }
    const std::uint32_t prefix = codes[i] >> (len - FPrimaryBits);
    int j = i;
    while (j + 1 < total && (codes[j + 1] >> (lengths[sorted[j + 1]] - FPrimaryBits)) == prefix) ++j;
    size += 1u << (lengths[sorted[j]] - FPrimaryBits);
    i = j + 1;
  }
  FDecodes.assign(size, kInvalidEntry);

  std::uint32_t next = primarySize;
  for (int i = 0; i < total;) {
    const int len = lengths[sorted[i]];
    if (len <= FPrimaryBits) {
      const std::uint32_t entry = MakeEntry(sorted[i], len, aExtraBits, aExtraStart, aRoles, aBases);
      for (std::uint32_t k = Reverse(codes[i], len); k < primarySize; k += 1u << len) FDecodes[k] = entry;
      ++i;
      continue;
    }
    const std::uint32_t prefix = codes[i] >> (len - FPrimaryBits);
    int j = i;
    while (j + 1 < total && (codes[j + 1] >> (lengths[sorted[j + 1]] - FPrimaryBits)) == prefix) ++j;
    const int width = lengths[sorted[j]] - FPrimaryBits;
    FDecodes[Reverse(prefix, FPrimaryBits)] = static_cast<std::uint32_t>(FPrimaryBits) |
                                              static_cast<std::uint32_t>(width) << kCodeShift | kSpecial |
                                              kPointer | next << kValueShift;
    for (int k = i; k <= j; ++k) {
      const int l = lengths[sorted[k]];
      const int rest = l - FPrimaryBits;
      const std::uint32_t entry = MakeEntry(sorted[k], l, aExtraBits, aExtraStart, aRoles, aBases);
      const std::uint32_t low = codes[k] & ((1u << rest) - 1);
      for (std::uint32_t m = Reverse(low, rest); m < (1u << width); m += 1u << rest)
        FDecodes[next + m] = entry;
    }
    next += 1u << width;
    i = j + 1;
  }
}

std::uint32_t TAbDfDecodeHuffmanTree::Decode(std::uint32_t aLookupBits) const {
  using namespace AbDfEntry;
  const std::uint32_t e = Lookup(aLookupBits);
  if (e == kInvalidEntry) return 0xFFFFFFFFu;
  return Value(e) | CodeBits(e) << 16 | ExtraBits(e) << 24;
}
