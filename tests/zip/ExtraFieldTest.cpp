#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/ZipBuilder.h"
#include "zip/AbExtraField.h"

namespace {

TEST(ExtraField, WalksSubFieldsAndLowersSizesThatReachPastTheEnd) {
  using ziptest::ExtraField;
  using ziptest::Le16;
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::pair<std::uint16_t, std::string>> expected;
  } const cases[] = {
      {"two sub-fields",
       ExtraField(0x5455, "\x03time") + ExtraField(0x7875, "ux"),
       {{0x5455, "\x03time"}, {0x7875, "ux"}}},
      {"three bytes left over", ExtraField(0xCAFE, "ab") + "xyz", {{0xCAFE, "ab"}}},
      {"size past the end", Le16(0x0001) + Le16(100) + "abc", {{0x0001, "abc"}}},
      {"empty sub-field at the end", ExtraField(0x1234, ""), {{0x1234, ""}}},
      {"nothing", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TAbExtraField field(std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
    std::vector<std::pair<std::uint16_t, std::string>> seen;
    field.ForEach([&](std::uint16_t id, std::span<const std::uint8_t> data) {
      seen.emplace_back(id, std::string(data.begin(), data.end()));
    });
    EXPECT_EQ(seen, c.expected);
  }
  const std::string lowered = Le16(0x0001) + Le16(100) + "abc";
  const TAbExtraField field(std::vector<std::uint8_t>(lowered.begin(), lowered.end()));
  EXPECT_EQ(field.Buffer()[2], 3);  // the stored size itself is lowered
  EXPECT_EQ(field.Buffer()[3], 0);

  const std::string twice = ExtraField(0x7075, "first") + ExtraField(0x7075, "second");
  const TAbExtraField duplicates(std::vector<std::uint8_t>(twice.begin(), twice.end()));
  std::span<const std::uint8_t> data;
  ASSERT_TRUE(duplicates.Get(0x7075, data));
  EXPECT_EQ(std::string(data.begin(), data.end()), "first");
  EXPECT_FALSE(duplicates.Get(0x554E, data));
}

}  // namespace
