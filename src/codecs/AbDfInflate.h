#ifndef FENDREL_CODECS_ABDFINFLATE_H
#define FENDREL_CODECS_ABDFINFLATE_H

#include <cstdint>

#include "codecs/AbDfDecodeHuffmanTree.h"
#include "codecs/AbDfHelper.h"
#include "codecs/AbDfInBitStream.h"
#include "codecs/AbDfOutputWindow.h"
#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"

// Decodes one Deflate (or, with dfc_UseDeflate64, Deflate64) stream from aSource's
// position into aDest and returns the checksum of the bytes produced (CRC-32, or
// Adler-32 with dfc_UseAdler32), 0 when decoding stopped early. Corrupt data raises
// EAbInflateError; stream errors pass unchanged. aHelper may be null; when present it
// receives the bytes consumed and produced. aSource is left just behind the last byte
// consumed, and every byte decoded before a failure reaches aDest.
std::uint32_t Inflate(TStream& aSource, TStream& aDest, TAbDeflateHelper* aHelper);

// The block decoders, for callers that drive the bit reader and window themselves.
void InflateStoredBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow);
void InflateStaticBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow, bool aDeflate64);
void InflateDynamicBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow, bool aDeflate64);
void DecodeData(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow,
                const TAbDfDecodeHuffmanTree& aLitTree, bool aDeflate64,
                const TAbDfDecodeHuffmanTree& aDistTree);
void ReadLitDistCodeLengths(TAbDfInBitStream& aInStrm, const TAbDfDecodeHuffmanTree& aCodeLenTree,
                            std::uint8_t* aCodeLens, int aCount);

// The loops that decode symbols. ilChosen takes the fast loop this processor runs best
// (ilBmi2 where it has those instructions, else ilPlain) and the careful loop only near
// the ends of the input and the output; ilCareful takes every symbol one at a time with
// all checks; ilPlain and ilBmi2 name one of the fast loop's two builds.
enum class TAbInflateLoop { ilChosen, ilCareful, ilPlain, ilBmi2 };

// For tests and fuzz targets: this thread's decoding uses the given loop from now on.
// Answers false, changing nothing, when this processor cannot run it.
bool ForceInflateLoop(TAbInflateLoop aLoop);

// The fixed codes, built once and shared; the Deflate64 variants differ in length
// symbol 285 and in accepting distance symbols 30 and 31.
const TAbDfDecodeHuffmanTree& StaticLiteralTree(bool aDeflate64 = false);
const TAbDfDecodeHuffmanTree& StaticDistanceTree(bool aDeflate64 = false);

// Deflate (8) and Deflate64 (9) entries. The checksum Inflate answers is not used: the
// output stream's CRC-32 is the one compared.
void InflateItem(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& output);

inline constexpr TAbMethodRegistration kAbDeflateMethods{
    .FirstMethod = 8, .LastMethod = 9, .Decoder = &InflateItem};

#endif
