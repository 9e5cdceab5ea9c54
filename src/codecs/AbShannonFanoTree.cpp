#include "codecs/AbShannonFanoTree.h"

#include <algorithm>

#include "codecs/AbLegacyFailures.h"

namespace {

struct TCodeEntry {
  std::uint16_t Code;
  std::uint8_t Symbol;
  std::uint8_t Length;
};

std::uint16_t Reverse16(std::uint16_t aValue) {
  std::uint16_t result = 0;
  for (int i = 0; i < 16; ++i) {
    result = static_cast<std::uint16_t>((result << 1) | (aValue & 1));
    aValue >>= 1;
  }
  return result;
}

}  // namespace

void TAbShannonFanoTree::Load(TAbLegacyBitReader& aInput, int aSymbolCount) {
  std::vector<TCodeEntry> entries;
  entries.reserve(static_cast<std::size_t>(aSymbolCount));
  const int listBytes = static_cast<int>(aInput.GetBits(8)) + 1;
  for (int i = 0; i < listBytes; ++i) {
    const std::uint32_t b = aInput.GetBits(8);
    const int run = static_cast<int>(b >> 4) + 1;
    const auto length = static_cast<std::uint8_t>((b & 15) + 1);
    if (static_cast<int>(entries.size()) + run > aSymbolCount) throw EAbZipBadImplodeTree();
    for (int j = 0; j < run; ++j) entries.push_back({0, static_cast<std::uint8_t>(entries.size()), length});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TCodeEntry& a, const TCodeEntry& b) { return a.Length < b.Length; });

  // From the last entry to the first, in 16-bit arithmetic: each length's codes step
  // by 2^(16 - length).
  std::uint16_t code = 0;
  std::uint32_t step = 0;
  int previousLength = 0;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    code = static_cast<std::uint16_t>(code + step);
    if (it->Length != previousLength) {
      previousLength = it->Length;
      step = 1u << (16 - it->Length);
    }
    it->Code = Reverse16(code);
  }

  // In the order a bit-by-bit search meets them (shorter first, then lower symbol), each
  // code takes the slots its bits select, unless an earlier code, which is then a prefix
  // of it, already holds them; so every slot is filled at most once. A code with bits set
  // beyond its length matches nothing.
  FMaxLength = entries.back().Length;
  FTable.assign(std::size_t{1} << FMaxLength, TSlot{});
  for (const TCodeEntry& entry : entries) {
    if ((entry.Code >> entry.Length) != 0 || FTable[entry.Code].Length != 0) continue;
    for (std::uint32_t slot = entry.Code; slot < FTable.size(); slot += 1u << entry.Length)
      FTable[slot] = {entry.Symbol, entry.Length};
  }
}
