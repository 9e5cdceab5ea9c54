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
// bits; secondary entries describe the rest. The low byte is the number of bits the
// entry takes from the input, code and extra bits together, so that the decoder can
// shift by the entry itself; a match entry carries its base (length or distance) as its
// value, so that base plus extra bits is the whole decoded number.
namespace AbDfEntry {
inline constexpr std::uint32_t kTakeMask = 0xFF;  // bits 0-7: code plus extra bits (a pointer: primary width)
inline constexpr int kCodeShift = 8;              // bits 8-11: code length (a pointer: secondary width)
inline constexpr std::uint32_t kLiteral = 0x8000;  // a literal; the value is the byte
inline constexpr std::uint32_t kSpecial = 0x4000;  // not a literal or match: end, pointer or invalid
inline constexpr std::uint32_t kPointer = 0x2000;  // (with kSpecial) the secondary table's offset as value
inline constexpr std::uint32_t kEnd = 0x1000;      // (with kSpecial) the end of the block
inline constexpr int kValueShift = 16;             // bits 16-31: byte, base, symbol or secondary offset
inline constexpr std::uint32_t kInvalidEntry = kSpecial | 0xFFFFu << kValueShift;

// Bits taken from the input: the code and its extra bits.
inline constexpr std::uint32_t Take(std::uint32_t e) {
  return e & kTakeMask;
}
inline constexpr std::uint32_t CodeBits(std::uint32_t e) {
  return (e >> kCodeShift) & 0xF;
}
inline constexpr std::uint32_t ExtraBits(std::uint32_t e) {
  return Take(e) - CodeBits(e);
}
inline constexpr std::uint32_t Value(std::uint32_t e) {
  return e >> kValueShift;
}
inline constexpr bool IsLiteral(std::uint32_t e) {
  return (e & kLiteral) != 0;
}
inline constexpr bool IsSpecial(std::uint32_t e) {
  return (e & kSpecial) != 0;
}
inline constexpr bool IsPointer(std::uint32_t e) {
  return (e & kPointer) != 0;
}
inline constexpr bool IsEnd(std::uint32_t e) {
  return (e & kEnd) != 0;
}
// The value plus the extra bits that follow the code in aBits.
inline constexpr std::uint32_t Decoded(std::uint32_t e, std::uint64_t aBits) {
  return Value(e) + (static_cast<std::uint32_t>(aBits & ((std::uint64_t{1} << Take(e)) - 1)) >> CodeBits(e));
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
  // aExtraStart on take their extra-bit counts from aExtraBits[symbol - aExtraStart] and,
  // when aBases is given, their match entries carry aBases[symbol - aExtraStart] as value
  // instead of the symbol.
  void Build(const std::uint8_t* aLengths, int aStartInx, int aCount, const std::uint8_t* aExtraBits,
             int aExtraStart, const TAbDfSymbolRoles& aRoles, const std::uint16_t* aBases = nullptr);

  // The entry for the low LookupBitLength() bits of aLookupBits as one value: bits 0-15
  // the value (the symbol, or a match's base), 16-23 the code length, 24-31 the extra
  // bits; 0xFFFFFFFF where no code reaches.
  std::uint32_t Decode(std::uint32_t aLookupBits) const;

  // The packed entry for the next bits of aBits (at least LookupBitLength() of them).
  std::uint32_t Lookup(std::uint64_t aBits) const {
    std::uint32_t e = FDecodes[aBits & FPrimaryMask];
    if (AbDfEntry::IsPointer(e)) e = FDecodes[Secondary(e, aBits)];
    return e;
  }
  // Where a pointer entry's secondary entry for aBits lies.
  static std::uint32_t Secondary(std::uint32_t aPointer, std::uint64_t aBits) {
    using namespace AbDfEntry;
    return Value(aPointer) +
           (static_cast<std::uint32_t>(aBits >> Take(aPointer)) & ((1u << CodeBits(aPointer)) - 1));
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
