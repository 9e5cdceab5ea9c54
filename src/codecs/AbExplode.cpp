#include "codecs/AbExplode.h"

#include "codecs/AbShannonFanoTree.h"

void Explode(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput, TAbZipDictionarySize aDictionarySize,
             int aTreeCount, std::int64_t aSize) {
  const int dictionaryBits = aDictionarySize == TAbZipDictionarySize::ds8K ? 7 : 6;
  const bool literalTree = aTreeCount == 3;
  const int minMatch = literalTree ? 3 : 2;

  TAbShannonFanoTree literals;
  TAbShannonFanoTree lengths;
  TAbShannonFanoTree distances;
  if (literalTree) literals.Load(aInput, 256);
  lengths.Load(aInput, 64);
  distances.Load(aInput, 64);

  while (!aInput.Ended() && aOutput.Count() < aSize) {
    if (aInput.GetBits(1) == 1) {
      const std::uint8_t literal =
          literalTree ? literals.Read(aInput) : static_cast<std::uint8_t>(aInput.GetBits(8));
      if (aInput.Ended()) break;
      aOutput.WriteByte(literal);
      continue;
    }
    const std::uint32_t low = aInput.GetBits(dictionaryBits);
    const std::uint32_t high = distances.Read(aInput);
    const std::int64_t distance = static_cast<std::int64_t>((high << dictionaryBits) | low) + 1;
    std::int64_t length = lengths.Read(aInput);
    if (length == 63) length += aInput.GetBits(8);
    length += minMatch;
    // A symbol cut off by the end of the input is not taken.
    if (aInput.Ended()) break;
    aOutput.CopyBack(distance, length, aSize);
  }
}
