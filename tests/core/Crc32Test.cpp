#include <gtest/gtest.h>

#include <string>

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

}  // namespace
