#ifndef FENDREL_CODECS_ABDFDECODEHUFFMANTREE_H
#define FENDREL_CODECS_ABDFDECODEHUFFMANTREE_H

#include <cstdint>
#include <vector>

enum class TAbDfHuffmanUsage { huEncoding, huDecoding, huBoth };

// What the symbols of an alphabet stand for: symbols below FLiteralCount are literals,
// FEndSymbol ends a block (-1: none), the symbols up to FValidCount - 1 that are neither
// are match symbols with a base and extra bits; symbols from FValidCount on are invalid.
struct TAbDfSymbolRoles {
  int FLiteralCount;
  int FEndSymbol;
  int FValidCount;
};

// A packed decode entry. A primary entry either describes a code of at most
// PrimaryBits() bits or points at a secondary table for the longer codes that share its
// bits; secondary entries describe the rest.
namespace AbDfEntry {
inline constexpr std::uint32_t kBitsMask = 0x1F;  // bits 0-4: code length (a pointer: primary width)
inline constexpr int kExtraShift = 5;             // bits 5-9: extra bits (a pointer: secondary width)
inline constexpr int kKindShift = 10;             // bits 10-12: kind
inline constexpr int kValueShift = 16;            // bits 16-31: symbol (a pointer: secondary offset)
inline constexpr std::uint32_t kLiteral = 0;
inline constexpr std::uint32_t kMatch = 1;
inline constexpr std::uint32_t kEnd = 2;
inline constexpr std::uint32_t kInvalid = 3;
inline constexpr std::uint32_t kPointer = 4;
inline constexpr std::uint32_t kInvalidEntry = kInvalid << kKindShift | 0xFFFFu << kValueShift;

inline constexpr std::uint32_t Bits(std::uint32_t e) {
  return e & kBitsMask;
}
inline constexpr std::uint32_t Extra(std::uint32_t e) {
  return (e >> kExtraShift) & 0x1F;
}
inline constexpr std::uint32_t Kind(std::uint32_t e) {
  return (e >> kKindShift) & 0x7;
}
inline constexpr std::uint32_t Value(std::uint32_t e) {
  return e >> kValueShift;
}
}  // namespace AbDfEntry

// A canonical Huffman code as a decode table. Codes up to the primary width are resolved
// by one lookup; longer codes by a second one in a small table of their own. A set of
// code lengths that claims more codes than exist is resolved as one flat table in which
// later symbols overwrite earlier ones, as a plain table fill would; an incomplete set
// leaves the unreached bit patterns invalid.
class TAbDfDecodeHuffmanTree {
 public:
  TAbDfDecodeHuffmanTree(int aAlphabetSize, int aDefMaxCodeLen, TAbDfHuffmanUsage aUsage,
                         int aPrimaryBits = 15);

  // Builds from aCount code lengths starting at aLengths[aStartInx]; symbols from
  // aExtraStart on take their extra-bit counts from aExtraBits[symbol - aExtraStart].
  void Build(const std::uint8_t* aLengths, int aStartInx, int aCount, const std::uint8_t* aExtraBits,
             int aExtraStart, const TAbDfSymbolRoles& aRoles);

  // The entry for the low LookupBitLength() bits of aLookupBits as one value: bits 0-15
  // the symbol, 16-23 the code length, 24-31 the extra bits; 0xFFFFFFFF where no code
  // reaches.
  std::uint32_t Decode(std::uint32_t aLookupBits) const;

  // The packed entry for the next bits of aBits (at least LookupBitLength() of them).
  std::uint32_t Lookup(std::uint64_t aBits) const {
    std::uint32_t e = FDecodes[aBits & FPrimaryMask];
    if (AbDfEntry::Kind(e) == AbDfEntry::kPointer) {
      e = FDecodes[AbDfEntry::Value(e) + ((aBits >> FPrimaryBits) & ((1u << AbDfEntry::Extra(e)) - 1))];
    }
    return e;
  }

  int LookupBitLength() const { return FMaxCodeLen; }
  int PrimaryBits() const { return FPrimaryBits; }
  const std::uint32_t* Decodes() const { return FDecodes.data(); }
  std::uint64_t PrimaryMask() const { return FPrimaryMask; }

 private:
  int FAlphaSize;
  std::vector<std::uint32_t> FDecodes;
  int FDefMaxCodeLen;
  int FMaxCodeLen = 0;
  TAbDfHuffmanUsage FUsage;
  int FPrimaryBitsWanted;
  int FPrimaryBits = 0;
  std::uint64_t FPrimaryMask = 0;
};

#endif
