#include "core/Crc32.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FENDREL_CRC32_FOLD 1
#endif

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (size_t s = 1; s < 8; ++s) t[s][i] = t[0][t[s - 1][i] & 0xFF] ^ (t[s - 1][i] >> 8);
  }
  return t;
}

constexpr Tables kTables = MakeTables();

// How the folding works. The input is cut into 128-bit lanes; read in the reflected bit
// order of this CRC, a lane is a polynomial of degree below 128 whose first half H holds
// the terms x^64..x^127 and whose second half L holds x^0..x^63. Moving a lane d bits
// further on multiplies it by x^d, and only the result modulo the polynomial matters:
// lane * x^d = H * x^(d+64) + L * x^d, each power reduced to a 32-bit remainder. A
// 64-bit half times a 32-bit remainder has at most 96 significant bits, which fit in the
// lane d bits on. Two alignments are taken into the multipliers: the remainder of a
// 32-bit register sits 32 bits above the x^0 of a 64-bit half, so the powers used are
// x^(d+32) and x^(d-32); and a carry-less product of reflected values comes out one
// bit lower than their degrees say, so each multiplier is shifted left by one. The
// product is added (XOR) into the lane d bits on.
//
// FoldConstant computes x^n modulo the polynomial directly in the reflected order: the
// register starts as x^0 (the top bit) and each step multiplies by x (a right shift,
// reducing with the reflected polynomial when a term falls off the low end).
constexpr std::uint64_t FoldConstant(int n) {
  std::uint32_t r = 0x80000000u;  // x^0 in reflected form
  for (int i = 0; i < n; ++i) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
  return static_cast<std::uint64_t>(r) << 1;
}

// Folding a lane forward by d bits: its first half times x^(d+32), its second half
// times x^(d-32).
constexpr std::uint64_t kFold512Lo = FoldConstant(512 + 32);
constexpr std::uint64_t kFold512Hi = FoldConstant(512 - 32);
constexpr std::uint64_t kFold128Lo = FoldConstant(128 + 32);
constexpr std::uint64_t kFold128Hi = FoldConstant(128 - 32);

#ifdef FENDREL_CRC32_FOLD

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i k, __m128i next) {
  const __m128i lo = _mm_clmulepi64_si128(lane, k, 0x00);
  const __m128i hi = _mm_clmulepi64_si128(lane, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

// Needs at least 64 bytes. Folds four lanes 64 bytes at a time, then into one lane,
// whose 16 bytes and the tail go through the table.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FoldUpdate(std::uint32_t reg, const std::uint8_t* p,
                                                                  std::size_t length) {
  const auto load = [](const std::uint8_t* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  };
  __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x1 = load(p + 16);
  __m128i x2 = load(p + 32);
  __m128i x3 = load(p + 48);
  p += 64;
  length -= 64;
  const __m128i k512 = _mm_set_epi64x(static_cast<long long>(kFold512Hi), static_cast<long long>(kFold512Lo));
  while (length >= 64) {
    x0 = Fold(x0, k512, load(p));
    x1 = Fold(x1, k512, load(p + 16));
    x2 = Fold(x2, k512, load(p + 32));
    x3 = Fold(x3, k512, load(p + 48));
    p += 64;
    length -= 64;
  }
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
  x0 = Fold(x0, k128, x1);
  x0 = Fold(x0, k128, x2);
  x0 = Fold(x0, k128, x3);
  while (length >= 16) {
    x0 = Fold(x0, k128, load(p));
    p += 16;
    length -= 16;
  }
  alignas(16) std::uint8_t lane[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lane), x0);
  std::uint32_t crc = Crc32UpdateTable(0, lane, 16);
  return Crc32UpdateTable(crc, p, length);
}

bool DetectFold() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

const bool kHasFold = DetectFold();

#endif

}  // namespace

const std::array<std::uint32_t, 256>& Crc32Table() {
  return kTables[0];
}

// Eight bytes a step through eight tables; the result is the same as one table
// lookup per byte.
std::uint32_t Crc32UpdateTable(std::uint32_t reg, const void* data, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (length >= 8) {
    std::uint32_t lo;
    std::uint32_t hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      lo = __builtin_bswap32(lo);
      hi = __builtin_bswap32(hi);
    }
    lo ^= reg;
    reg = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
          kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
          kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    length -= 8;
  }
  while (length-- > 0) reg = kTables[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
  return reg;
}

TCrc32FoldConstants Crc32FoldConstants() {
  return {kFold512Lo, kFold512Hi, kFold128Lo, kFold128Hi};
}

bool Crc32FoldAvailable() {
#ifdef FENDREL_CRC32_FOLD
  return kHasFold;
#else
  return false;
#endif
}

std::uint32_t Crc32UpdateFold(std::uint32_t reg, const void* data, std::size_t length) {
#ifdef FENDREL_CRC32_FOLD
  if (kHasFold && length >= 64) return FoldUpdate(reg, static_cast<const std::uint8_t*>(data), length);
#endif
  return Crc32UpdateTable(reg, data, length);
}

std::uint32_t Crc32Update(std::uint32_t reg, const void* data, std::size_t length) {
#ifdef FENDREL_CRC32_FOLD
  // Below a few lanes the table is as quick.
  if (length >= 128 && kHasFold) return FoldUpdate(reg, static_cast<const std::uint8_t*>(data), length);
#endif
  return Crc32UpdateTable(reg, data, length);
}
