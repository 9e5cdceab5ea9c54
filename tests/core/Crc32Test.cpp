#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/Crc32.h"

namespace {

TEST(Crc32Test, KnownValues) {
  EXPECT_EQ(Crc32("", 0), 0x00000000u);
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  const std::string fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(Crc32(fox.data(), fox.size()), 0x414FA339u);
}

TEST(Crc32Test, ChunkedAndBytewiseAgreeWithWhole) {
  std::string data(1000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + 7);
  const std::uint32_t whole = Crc32(data.data(), data.size());
  for (size_t split : {0, 1, 7, 8, 9, 500, 999}) {
    std::uint32_t reg = Crc32Update(kCrc32Preset, data.data(), split);
    reg = Crc32Update(reg, data.data() + split, data.size() - split);
    EXPECT_EQ(~reg, whole) << split;
  }
  std::uint32_t reg = kCrc32Preset;
  for (char c : data) reg = Crc32UpdateByte(reg, static_cast<std::uint8_t>(c));
  EXPECT_EQ(~reg, whole);
}

// x^n modulo the CRC polynomial, worked out in the ordinary (not reflected) bit order by
// long division: the polynomial is x^32 + 0x04C11DB7's terms. The folding multipliers are
// this remainder bit-reflected in 32 bits and shifted left by one.
std::uint64_t FoldMultiplier(int n) {
  std::uint64_t r = 1;  // x^0
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (std::uint64_t{1} << 32)) r ^= 0x104C11DB7u;
  }
  std::uint64_t reflected = 0;
  for (int bit = 0; bit < 32; ++bit)
    if (r & (std::uint64_t{1} << bit)) reflected |= std::uint64_t{1} << (31 - bit);
  return reflected << 1;
}

TEST(Crc32Test, FoldConstantsAreThePowersOfXModuloThePolynomial) {
  const TCrc32FoldConstants k = Crc32FoldConstants();
  EXPECT_EQ(k.Fold512Lo, FoldMultiplier(512 + 32));
  EXPECT_EQ(k.Fold512Hi, FoldMultiplier(512 - 32));
  EXPECT_EQ(k.Fold128Lo, FoldMultiplier(128 + 32));
  EXPECT_EQ(k.Fold128Hi, FoldMultiplier(128 - 32));
}

// The carry-less multiply path and the table path give the same register for every
// length, alignment and running register, from short buffers to a few megabytes, and
// the dispatching update gives the whole buffer's register however the buffer is cut.
TEST(Crc32Test, FoldAndTableAgree) {
  if (!Crc32FoldAvailable()) GTEST_SKIP() << "this processor has no carry-less multiply";
  std::mt19937 rng(2024);
  std::vector<std::uint8_t> data((3 << 20) + 64);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  for (std::size_t length = 0; length <= 4096; ++length) {
    const std::size_t offset = rng() % 64;
    const std::uint32_t reg = length % 3 == 0 ? kCrc32Preset : static_cast<std::uint32_t>(rng());
    ASSERT_EQ(Crc32UpdateFold(reg, data.data() + offset, length),
              Crc32UpdateTable(reg, data.data() + offset, length))
        << "length " << length << " offset " << offset;
  }
  for (const std::size_t length : {63, 64, 65, 127, 128, 129, 191, 1000, 5000}) {
    for (std::size_t offset = 0; offset < 16; ++offset) {
      ASSERT_EQ(Crc32UpdateFold(0x12345678u, data.data() + offset, length),
                Crc32UpdateTable(0x12345678u, data.data() + offset, length))
          << "length " << length << " offset " << offset;
    }
  }
  for (const std::size_t length : {std::size_t{1} << 20, (std::size_t{3} << 20) + 17, std::size_t{2000001}}) {
    const std::size_t offset = rng() % 48;
    EXPECT_EQ(Crc32UpdateFold(kCrc32Preset, data.data() + offset, length),
              Crc32UpdateTable(kCrc32Preset, data.data() + offset, length))
        << length;
  }
  for (int trial = 0; trial < 300; ++trial) {
    const std::size_t offset = rng() % 64;
    const std::size_t length = rng() % 8192;
    const std::uint8_t* p = data.data() + offset;
    std::uint32_t reg = kCrc32Preset;
    for (std::size_t at = 0; at < length;) {
      const std::size_t piece = std::min<std::size_t>(length - at, rng() % 700);
      reg = Crc32Update(reg, p + at, piece);
      at += piece;
    }
    ASSERT_EQ(reg, Crc32UpdateTable(kCrc32Preset, p, length)) << "trial " << trial;
  }
}

}  // namespace
