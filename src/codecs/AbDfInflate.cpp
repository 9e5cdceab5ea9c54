#include "codecs/AbDfInflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "codecs/AbDfException.h"
#include "core/CleanUp.h"

namespace {

using namespace AbDfEntry;

constexpr int kLiteralPrimaryBits = 11;
constexpr int kDistancePrimaryBits = 8;

// Extra bits and bases of length symbols 257 to 287 (286 and 287 never occur in valid
// data); Deflate64's symbol 285 is 3 plus 16 extra bits instead of 258.
constexpr std::array<std::uint8_t, 31> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                                       3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 0, 0};
constexpr std::array<std::uint8_t, 31> kLengthExtra64 = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2,  2, 2, 2,
                                                         3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, 0, 0};
constexpr std::array<std::uint16_t, 31> kLengthBase = {3,  4,   5,   6,   7,   8,   9,   10, 11, 13, 15,
                                                       17, 19,  23,  27,  31,  35,  43,  51, 59, 67, 83,
                                                       99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr std::array<std::uint16_t, 31> kLengthBase64 = {3,  4,   5,   6,   7,   8,   9,  10, 11, 13, 15,
                                                         17, 19,  23,  27,  31,  35,  43, 51, 59, 67, 83,
                                                         99, 115, 131, 163, 195, 227, 3,  0,  0};
constexpr std::array<std::uint8_t, 32> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<std::uint16_t, 32> kDistanceBase = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129,   193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};

constexpr TAbDfSymbolRoles kLiteralRoles{256, 256, 286};
constexpr TAbDfSymbolRoles kDistanceRoles{0, -1, 30};
constexpr TAbDfSymbolRoles kDistanceRoles64{0, -1, 32};
constexpr TAbDfSymbolRoles kCodeLengthRoles{19, -1, 19};

constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

TAbDfDecodeHuffmanTree BuildStaticLiteralTree(bool deflate64) {
  std::array<std::uint8_t, 288> lengths{};
  for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  TAbDfDecodeHuffmanTree tree(288, 15, TAbDfHuffmanUsage::huBoth, kLiteralPrimaryBits);
  tree.Build(lengths.data(), 0, 288, (deflate64 ? kLengthExtra64 : kLengthExtra).data(), 257, kLiteralRoles,
             (deflate64 ? kLengthBase64 : kLengthBase).data());
  return tree;
}

TAbDfDecodeHuffmanTree BuildStaticDistanceTree(bool deflate64) {
  std::array<std::uint8_t, 32> lengths{};
  lengths.fill(5);
  TAbDfDecodeHuffmanTree tree(32, 15, TAbDfHuffmanUsage::huBoth, kDistancePrimaryBits);
  tree.Build(lengths.data(), 0, 32, kDistanceExtra.data(), 0, deflate64 ? kDistanceRoles64 : kDistanceRoles,
             kDistanceBase.data());
  return tree;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

inline std::uint32_t LowBits(std::uint64_t bits, std::uint32_t count) {
  return static_cast<std::uint32_t>(bits) & ((1u << count) - 1);
}

// The loop this thread's decoding uses (see ForceInflateLoop).
thread_local TAbInflateLoop tInflateLoop = TAbInflateLoop::ilChosen;

// Output one round of the fast loop may add before its next check: three literals, or
// two literals and the longest Deflate match. A Deflate64 match may be longer; it starts
// below the limit, as one in the careful loop does, and the window keeps room behind the
// limit for it.
constexpr std::int64_t kFastOutputRoom = 2 + 258;

// Copies a match that may overlap its own output, in whole words; it may write up to 15
// bytes past the match's end, which the window keeps free.
inline void CopyMatchFast(std::uint8_t* dst, std::uint32_t length, std::uint32_t distance) {
  const std::uint8_t* src = dst - distance;
  std::uint8_t* const end = dst + length;
  if (distance >= 16) {
    do {
      std::memcpy(dst, src, 16);
      dst += 16;
      src += 16;
    } while (dst < end);
  } else if (distance >= 8) {
    do {
      std::memcpy(dst, src, 8);
      dst += 8;
      src += 8;
    } while (dst < end);
  } else if (distance == 1) {
    const std::uint64_t v = src[0] * 0x0101010101010101ull;
    do {
      std::memcpy(dst, &v, 8);
      dst += 8;
    } while (dst < end);
  } else {
    // The match repeats every `distance` bytes, so it also repeats every multiple of it:
    // after the first eight bytes, whole words come from the least multiple of eight or
    // more bytes back.
    static constexpr std::uint8_t kStride[8] = {0, 8, 8, 9, 8, 10, 12, 14};
    for (int i = 0; i < 8; ++i) dst[i] = src[i];
    const std::uint32_t stride = kStride[distance];
    dst += 8;
    while (dst < end) {
      std::memcpy(dst, dst - stride, 8);
      dst += 8;
    }
  }
}

// Decodes symbols while at least kFastMargin input bytes are buffered and the output has
// kFastOutputRoom before its limit, checking both once per round, not per symbol.
// Returns true at the end of the block.
template <bool kDeflate64>
[[gnu::always_inline]] inline bool FastLoopBody(TAbDfInBitStream& in, TAbDfOutputWindow& win,
                                                const TAbDfDecodeHuffmanTree& lit,
                                                const TAbDfDecodeHuffmanTree& dist) {
  const std::uint32_t* const litTable = lit.Decodes();
  const std::uint64_t litMask = lit.PrimaryMask();
  const std::uint32_t* const distTable = dist.Decodes();
  const std::uint64_t distMask = dist.PrimaryMask();

  const std::uint8_t* ip = in.FPos;
  const std::uint8_t* const ipLast = in.FEnd - TAbDfInBitStream::kFastMargin;
  std::uint64_t bits = in.FBits;
  unsigned count = in.FBitCount;
  std::uint8_t* out = win.FCurrent;
  const std::uint8_t* const outStart = win.Buffer();
  const std::uint8_t* const outLast = win.FLimit - kFastOutputRoom;
  const auto save = [&] {
    in.FPos = ip;
    in.FBits = bits;
    in.FBitCount = count;
    win.FCurrent = out;
  };
  // Tops the bit buffer up to 56 bits or more with one word of input.
  const auto refill = [&] {
    bits |= Load64(ip) << count;
    ip += (63 - count) >> 3;
    count |= 56;
  };
  const auto take = [&](std::uint32_t e) {
    bits >>= Take(e);
    count -= Take(e);
  };

  // After a refill all 64 bits of `bits` are input, `count` of them (56 or more) counted
  // as taken from the buffer. Between refills at most 56 bits are taken, and each lookup
  // needs at most 15 more: three literals and the next round's first entry, which is
  // looked up before that round's refill so that the two overlap, need 4 x 15 bits.
  refill();
  std::uint32_t e = litTable[bits & litMask];
  while (ip <= ipLast && out <= outLast) {
    refill();
    if (IsLiteral(e)) {
      // Up to three literals: each takes at most 15 bits.
      take(e);
      *out++ = static_cast<std::uint8_t>(Value(e));
      e = litTable[bits & litMask];
      if (IsLiteral(e)) {
        take(e);
        *out++ = static_cast<std::uint8_t>(Value(e));
        e = litTable[bits & litMask];
        if (IsLiteral(e)) {
          take(e);
          *out++ = static_cast<std::uint8_t>(Value(e));
          e = litTable[bits & litMask];
          continue;
        }
      }
    }
    // At least 26 bits are left: enough for a length code and its extra bits in Deflate.
    if (IsSpecial(e)) {
      if (IsPointer(e)) {
        e = litTable[TAbDfDecodeHuffmanTree::Secondary(e, bits)];
        if (IsLiteral(e)) {
          take(e);
          *out++ = static_cast<std::uint8_t>(Value(e));
          e = litTable[bits & litMask];
          continue;
        }
      }
      if (IsSpecial(e)) {
        save();
        if (IsEnd(e)) {
          in.FBits >>= Take(e);
          in.FBitCount -= Take(e);
          return true;
        }
        throw EAbInternalInflateError(SInflateBadLengthSymbol);
      }
    }
    // Deflate64: 16 extra bits after a code of up to 15 bits may pass them, after two
    // literals of 15 bits (a table of over-full code lengths is flat, all codes primary).
    if constexpr (kDeflate64) refill();
    const std::uint32_t length = Decoded(e, bits);
    take(e);

    refill();
    std::uint32_t d = distTable[bits & distMask];
    if (IsSpecial(d)) {
      if (IsPointer(d)) d = distTable[TAbDfDecodeHuffmanTree::Secondary(d, bits)];
      if (IsSpecial(d)) {
        save();
        throw EAbInternalInflateError(kDeflate64 ? SInflateNoDistanceCode : SInflateBadDistanceSymbol);
      }
    }
    const std::uint32_t distance = Decoded(d, bits);
    take(d);
    if (distance > static_cast<std::uint64_t>(out - outStart)) {
      save();
      throw EAbInternalInflateError(SInflateDistanceTooFar);
    }
    e = litTable[bits & litMask];
    CopyMatchFast(out, length, distance);
    out += length;
  }
  save();
  return false;
}

// The fast loop compiled twice: with the processor's flag-free shifts where it has them,
// and for any x86-64 processor.
#if defined(__x86_64__) || defined(__i386__)
template <bool kDeflate64>
[[gnu::target("bmi2")]] bool FastLoopBmi2(TAbDfInBitStream& in, TAbDfOutputWindow& win,
                                          const TAbDfDecodeHuffmanTree& lit,
                                          const TAbDfDecodeHuffmanTree& dist) {
  return FastLoopBody<kDeflate64>(in, win, lit, dist);
}
bool DetectBmi2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("bmi2");
}
// Read before its initialisation (from another file's), it is false: the plain loop runs.
const bool kHaveBmi2 = DetectBmi2();
#else
constexpr bool kHaveBmi2 = false;
#endif

template <bool kDeflate64>
bool FastLoop(TAbInflateLoop loop, TAbDfInBitStream& in, TAbDfOutputWindow& win,
              const TAbDfDecodeHuffmanTree& lit, const TAbDfDecodeHuffmanTree& dist) {
#if defined(__x86_64__) || defined(__i386__)
  if (loop == TAbInflateLoop::ilBmi2) return FastLoopBmi2<kDeflate64>(in, win, lit, dist);
#else
  (void)loop;
#endif
  return FastLoopBody<kDeflate64>(in, win, lit, dist);
}

// One symbol with every input check, for the last bytes of the input and of the output
// before its limit. Returns true at the end of the block.
template <bool kDeflate64>
bool CarefulStep(TAbDfInBitStream& in, TAbDfOutputWindow& win, const TAbDfDecodeHuffmanTree& lit,
                 const TAbDfDecodeHuffmanTree& dist) {
  in.Ensure(static_cast<unsigned>(lit.LookupBitLength()) + (kDeflate64 ? 16 : 5));
  const std::uint32_t e = lit.Lookup(in.FBits);
  if (IsLiteral(e)) {
    in.Consume(Take(e), SInflateNoDataDiscardBits);
    *win.FCurrent++ = static_cast<std::uint8_t>(Value(e));
    return false;
  }
  if (IsSpecial(e)) {
    if (!IsEnd(e)) throw EAbInternalInflateError(SInflateBadLengthSymbol);
    in.Consume(Take(e), SInflateNoDataDiscardBits);
    return true;
  }
  const std::uint32_t length = Decoded(e, in.FBits);
  in.Consume(Take(e), SInflateNoDataDiscardBits);

  in.Ensure(static_cast<unsigned>(dist.LookupBitLength()) + 14);
  const std::uint32_t d = dist.Lookup(in.FBits);
  if (IsSpecial(d)) {
    throw EAbInternalInflateError(kDeflate64 ? SInflateNoDistanceCode : SInflateBadDistanceSymbol);
  }
  const std::uint32_t distance = Decoded(d, in.FBits);
  in.Consume(Take(d), SInflateNoDataDiscardBits);
  win.CopyMatch(length, distance);
  return false;
}

template <bool kDeflate64>
void DecodeSymbols(TAbDfInBitStream& in, TAbDfOutputWindow& win, const TAbDfDecodeHuffmanTree& lit,
                   const TAbDfDecodeHuffmanTree& dist) {
  TAbInflateLoop loop = tInflateLoop;
  if (loop == TAbInflateLoop::ilChosen) loop = kHaveBmi2 ? TAbInflateLoop::ilBmi2 : TAbInflateLoop::ilPlain;
  const bool fast = loop != TAbInflateLoop::ilCareful;
  for (;;) {
    if (win.FCurrent >= win.FLimit) win.AtLimit();
    in.RefillIfLow();
    if (fast && in.FastReady() && win.FLimit - win.FCurrent > kFastOutputRoom) {
      if (FastLoop<kDeflate64>(loop, in, win, lit, dist)) return;
    } else if (CarefulStep<kDeflate64>(in, win, lit, dist)) {
      return;
    }
  }
}

}  // namespace

const TAbDfDecodeHuffmanTree& StaticLiteralTree(bool aDeflate64) {
  static const TAbDfDecodeHuffmanTree deflate = BuildStaticLiteralTree(false);
  static const TAbDfDecodeHuffmanTree deflate64 = BuildStaticLiteralTree(true);
  return aDeflate64 ? deflate64 : deflate;
}

const TAbDfDecodeHuffmanTree& StaticDistanceTree(bool aDeflate64) {
  static const TAbDfDecodeHuffmanTree deflate = BuildStaticDistanceTree(false);
  static const TAbDfDecodeHuffmanTree deflate64 = BuildStaticDistanceTree(true);
  return aDeflate64 ? deflate64 : deflate;
}

bool ForceInflateLoop(TAbInflateLoop aLoop) {
  if (aLoop == TAbInflateLoop::ilBmi2 && !kHaveBmi2) return false;
  tInflateLoop = aLoop;
  return true;
}

void DecodeData(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow,
                const TAbDfDecodeHuffmanTree& aLitTree, bool aDeflate64,
                const TAbDfDecodeHuffmanTree& aDistTree) {
  if (aDeflate64) {
    DecodeSymbols<true>(aInStrm, aOutWindow, aLitTree, aDistTree);
  } else {
    DecodeSymbols<false>(aInStrm, aOutWindow, aLitTree, aDistTree);
  }
}

void InflateStoredBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow) {
  aInStrm.AlignToByte();
  std::uint8_t header[4];
  aInStrm.ReadBuffer(header, 4);
  const std::uint32_t len = header[0] | header[1] << 8;
  const std::uint32_t nlen = header[2] | header[3] << 8;
  if (len != (~nlen & 0xFFFF)) throw EAbInternalInflateError(SInflateBadStoredLength);
  // Straight from the input into the window, in pieces that end at the window's limit.
  std::int64_t left = len;
  while (left > 0) {
    if (aOutWindow.FCurrent >= aOutWindow.FLimit) aOutWindow.AtLimit();
    const std::int64_t piece = std::min<std::int64_t>(
        {left, TAbDfInBitStream::kBufferSize, aOutWindow.FLimit - aOutWindow.FCurrent});
    aInStrm.ReadBuffer(aOutWindow.FCurrent, piece);
    aOutWindow.FCurrent += piece;
    left -= piece;
    if (aOutWindow.FCurrent >= aOutWindow.FLimit) aOutWindow.AtLimit();
  }
}

void InflateStaticBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow, bool aDeflate64) {
  DecodeData(aInStrm, aOutWindow, StaticLiteralTree(aDeflate64), aDeflate64, StaticDistanceTree(aDeflate64));
}

void ReadLitDistCodeLengths(TAbDfInBitStream& aInStrm, const TAbDfDecodeHuffmanTree& aCodeLenTree,
                            std::uint8_t* aCodeLens, int aCount) {
  const auto lookupBits = static_cast<unsigned>(aCodeLenTree.LookupBitLength());
  int i = 0;
  while (i < aCount) {
    aInStrm.Ensure(lookupBits + 7);
    const std::uint32_t e = aCodeLenTree.Lookup(aInStrm.FBits);
    if (!IsLiteral(e) || Value(e) > 18) throw EAbInternalInflateError(SInflateBadCodeLengthSymbol);
    const std::uint32_t codeLength = CodeBits(e);
    if (codeLength == 0 || codeLength > lookupBits)
      throw EAbInternalInflateError(SInflateBadCodeLengthLength);
    const std::uint32_t symbol = Value(e);
    if (symbol < 16) {
      aInStrm.Consume(codeLength, SInflateNoDataDiscardBits);
      aCodeLens[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    const std::uint32_t extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
    const std::uint32_t repeat = (symbol == 16   ? 3
                                  : symbol == 17 ? 3
                                                 : 11) +
                                 LowBits(aInStrm.FBits >> codeLength, extraBits);
    aInStrm.Consume(codeLength + extraBits, SInflateNoDataDiscardBits);
    if (symbol == 16 && i == 0) throw EAbInternalInflateError(SInflateRepeatFirst);
    if (repeat > static_cast<std::uint32_t>(aCount - i)) throw EAbInternalInflateError(SInflateRepeatPastEnd);
    const std::uint8_t value = symbol == 16 ? aCodeLens[i - 1] : 0;
    for (std::uint32_t k = 0; k < repeat; ++k) aCodeLens[i++] = value;
  }
}

void InflateDynamicBlock(TAbDfInBitStream& aInStrm, TAbDfOutputWindow& aOutWindow, bool aDeflate64) {
  const int hlit = static_cast<int>(aInStrm.ReadBits(5)) + 257;
  const int hdist = static_cast<int>(aInStrm.ReadBits(5)) + 1;
  const int hclen = static_cast<int>(aInStrm.ReadBits(4)) + 4;
  if (hlit > 286) throw EAbInternalInflateError(SInflateTooManyLiteralCodes);
  if (!aDeflate64 && hdist > 30) throw EAbInternalInflateError(SInflateTooManyDistanceCodes);

  std::array<std::uint8_t, 19> codeLengthLengths{};
  for (int i = 0; i < hclen; ++i)
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(aInStrm.ReadBits(3));
  TAbDfDecodeHuffmanTree codeLengthTree(19, 7, TAbDfHuffmanUsage::huDecoding, 7);
  codeLengthTree.Build(codeLengthLengths.data(), 0, 19, nullptr, 0, kCodeLengthRoles);

  std::array<std::uint8_t, 286 + 32> lengths{};
  ReadLitDistCodeLengths(aInStrm, codeLengthTree, lengths.data(), hlit + hdist);

  TAbDfDecodeHuffmanTree literalTree(286, 15, TAbDfHuffmanUsage::huDecoding, kLiteralPrimaryBits);
  literalTree.Build(lengths.data(), 0, hlit, (aDeflate64 ? kLengthExtra64 : kLengthExtra).data(), 257,
                    kLiteralRoles, (aDeflate64 ? kLengthBase64 : kLengthBase).data());
  TAbDfDecodeHuffmanTree distanceTree(aDeflate64 ? 32 : 30, 15, TAbDfHuffmanUsage::huDecoding,
                                      kDistancePrimaryBits);
  distanceTree.Build(lengths.data(), hlit, hdist, kDistanceExtra.data(), 0,
                     aDeflate64 ? kDistanceRoles64 : kDistanceRoles, kDistanceBase.data());
  DecodeData(aInStrm, aOutWindow, literalTree, aDeflate64, distanceTree);
}

std::uint32_t Inflate(TStream& aSource, TStream& aDest, TAbDeflateHelper* aHelper) {
  const TAbDeflateHelper options = aHelper != nullptr ? *aHelper : TAbDeflateHelper();
  std::int64_t streamSize = options.FOnProgressStep ? options.FStreamSize : 0;
  if (streamSize == -1) streamSize = aSource.Size();
  const bool deflate64 = (options.FOptions & dfc_UseDeflate64) != 0;

  TAbDfInBitStream in(aSource, options.FOnProgressStep, streamSize);
  TAbDfOutputWindow window(aDest, deflate64, (options.FOptions & dfc_UseAdler32) == 0, options.FPartSize,
                           (options.FOptions & dfc_TestOnly) != 0);
  // On the error path the first failure is the one reported; a second one while
  // writing out the decoded bytes or positioning the input is dropped.
  const auto finishQuietly = [&] {
    CleanUpQuietly([&window] { window.Flush(); });
    CleanUpQuietly([&in] { in.PositionStream(); });
  };

  std::uint32_t result = 0;
  try {
    bool finalBlock;
    do {
      finalBlock = in.ReadBit();
      switch (in.ReadBits(2)) {
        case 0:
          InflateStoredBlock(in, window);
          break;
        case 1:
          InflateStaticBlock(in, window, deflate64);
          break;
        case 2:
          InflateDynamicBlock(in, window, deflate64);
          break;
        default:
          throw EAbInternalInflateError(SInflateBadBlockType);
      }
    } while (!finalBlock);
    result = window.Checksum();
  } catch (const EAbPartSizedInflate&) {
    result = 0;
  } catch (const EAbAbortProgress&) {
    result = 0;
  } catch (const EAbInternalInflateError& e) {
    finishQuietly();
    throw EAbInflateError(String(SInflateErrorPrefix) + e.Message() + u")");
  } catch (...) {
    finishQuietly();
    throw;
  }

  RunThenCleanUp([&window] { window.Flush(); }, [&in] { in.PositionStream(); });
  if (aHelper != nullptr) {
    aHelper->FSizeCompressed = in.BytesConsumed();
    aHelper->FSizeNormal = window.Position();
  }
  return result;
}

void InflateItem(TAbZipArchive&, TAbZipItem& item, TStream& source, TStream& output) {
  TAbDeflateHelper helper;
  if (item.CompressionMethod() == 9) helper.FOptions |= dfc_UseDeflate64;
  helper.FStreamSize = item.CompressedSize();
  Inflate(source, output, &helper);
}
