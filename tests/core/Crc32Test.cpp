#include <gtest/gtest.h>

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

// The carry-less multiply path and the table path give the same register for every
// length, alignment and running register, from short buffers to a few megabytes.
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
  for (const std::size_t length : {std::size_t{1} << 20, (std::size_t{3} << 20) + 17, std::size_t{2000001}}) {
    const std::size_t offset = rng() % 48;
    EXPECT_EQ(Crc32UpdateFold(kCrc32Preset, data.data() + offset, length),
              Crc32UpdateTable(kCrc32Preset, data.data() + offset, length))
        << length;
  }
  EXPECT_EQ(
      ~Crc32UpdateFold(kCrc32Preset,
                       "123456789123456789123456789123456789123456789123456789123456789123456789", 72),
      ~Crc32UpdateTable(kCrc32Preset,
                        "123456789123456789123456789123456789123456789123456789123456789123456789", 72));
}

}  // namespace
