#ifndef FENDREL_CODECS_ABSHANNONFANOTREE_H
#define FENDREL_CODECS_ABSHANNONFANOTREE_H

#include <cstdint>
#include <vector>

#include "codecs/AbLegacyBitReader.h"

// A Shannon-Fano code of imploded data (256 literals, or 64 lengths or distances),
// read from its bit-length list and decoded through a full table of its longest code
// length.
//
// The list gives lengths 1 to 16 to runs of symbols from 0 on; a symbol it does not
// reach has no code, and a list reaching past the last symbol raises
// EAbZipBadImplodeTree. Codes go to the symbols sorted by length, then by symbol,
// from the longest down. Bits that match no code (a damaged, incomplete list) read as
// symbol 0 after the longest length; where codes collide, the shorter code, then the
// lower symbol wins.
class TAbShannonFanoTree {
 public:
  TAbShannonFanoTree() = default;

  void Load(TAbLegacyBitReader& aInput, int aSymbolCount);
  std::uint8_t Read(TAbLegacyBitReader& aInput) const {
    const TSlot slot = FTable[aInput.PeekBits(FMaxLength)];
    aInput.DiscardBits(slot.Length == 0 ? FMaxLength : slot.Length);
    return slot.Symbol;
  }

 private:
  struct TSlot {
    std::uint8_t Symbol = 0;
    std::uint8_t Length = 0;  // 0: no code matches these bits
  };

  int FMaxLength = 0;
  std::vector<TSlot> FTable;
};

#endif
