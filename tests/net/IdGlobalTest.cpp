#include <gtest/gtest.h>

#include "net/IdGlobal.h"

namespace {

TIdBytes Bytes(std::initializer_list<std::uint8_t> values) {
  return TIdBytes(values);
}

TEST(IdGlobalTest, AsciiTurnsEverythingAbove127IntoAQuestionMark) {
  const TIdTextEncoding& ascii = IdASCIIEncoding();
  EXPECT_EQ(ascii.GetBytes(u"Grüße"), Bytes({71, 114, 63, 63, 101}));
  EXPECT_EQ(ascii.GetBytes(u"\u007F\u0080\u20AC"), Bytes({127, 63, 63}));
  EXPECT_EQ(ascii.GetString(Bytes({71, 114, 252})), u"Gr?");
  EXPECT_EQ(ascii.GetString(Bytes({0, 127, 128, 255})), String(u"\0\u007F??", 4));
  EXPECT_TRUE(ascii.IsSingleByte());
}

TEST(IdGlobalTest, EightBitMapsEveryByteToItsCodeUnit) {
  const TIdTextEncoding& eightBit = Id8BitEncoding();
  EXPECT_EQ(eightBit.GetString(Bytes({71, 114, 252})), u"Grü");
  EXPECT_EQ(eightBit.GetBytes(u"Grü\u00FF\u0100\u20AC"), Bytes({71, 114, 252, 255, 63, 63}));
  TIdBytes all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(eightBit.GetBytes(eightBit.GetString(all)), all);
}

TEST(IdGlobalTest, Utf8RoundTripsAndReplacesWhatIsInvalid) {
  const TIdTextEncoding& utf8 = IdUTF8Encoding();
  const String text = u"Grüße € \U0001F600";
  const TIdBytes bytes = utf8.GetBytes(text);
  EXPECT_EQ(bytes.size(), utf8.GetByteCount(text));
  EXPECT_EQ(utf8.GetString(bytes), text);
  EXPECT_EQ(utf8.GetCharCount(bytes.data(), bytes.size()), text.size());
  // A lead byte without its continuation, and a lone continuation byte.
  EXPECT_EQ(utf8.GetString(Bytes({'G', 0xC3, '(', 0x80})), u"G\uFFFD(\uFFFD");
  // An unpaired surrogate cannot be written as it stands.
  EXPECT_EQ(utf8.GetBytes(String(1, char16_t(0xD800))), Bytes({0xEF, 0xBF, 0xBD}));
  EXPECT_FALSE(utf8.IsSingleByte());
}

TEST(IdGlobalTest, EachEncodingHasOneSharedInstanceAndTheDefaultIsAscii) {
  EXPECT_EQ(&IdASCIIEncoding(), &IdASCIIEncoding());
  EXPECT_EQ(&EncodingOf(TIdEncodingCode::ecDefault), &IdASCIIEncoding());
  EXPECT_EQ(&EncodingOf(TIdEncodingCode::ecASCII), &IdASCIIEncoding());
  EXPECT_EQ(&EncodingOf(TIdEncodingCode::ecUTF8), &IdUTF8Encoding());
  EXPECT_EQ(&EncodingOf(TIdEncodingCode::ec8Bit), &Id8BitEncoding());

  const TIdTextEncoding* encoding = nullptr;
  ResolveEncoding(encoding);
  EXPECT_EQ(encoding, &IdASCIIEncoding());
  ResolveEncoding(encoding, TIdEncodingCode::ecUTF8);  // already set: stays
  EXPECT_EQ(encoding, &IdASCIIEncoding());
}

TEST(IdGlobalTest, TextAndBytesConvertWithTheDefaultWhenNoEncodingIsGiven) {
  EXPECT_TRUE(TextToBytes(u"").empty());
  EXPECT_EQ(TextToBytes(u"ä"), Bytes({63}));
  EXPECT_EQ(TextToBytes(u"ä", &Id8BitEncoding()), Bytes({0xE4}));

  const TIdBytes bytes = Bytes({'a', 'b', 'c', 'd'});
  struct Case {
    std::int64_t Start;
    std::int64_t Length;
    String Expected;
  };
  const Case cases[] = {
      {0, -1, u"abcd"}, {1, -1, u"bcd"}, {1, 2, u"bc"}, {2, 10, u"cd"},
      {0, 0, u""},      {4, -1, u""},    {9, 1, u""},   {-1, 2, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(BytesToText(bytes, c.Start, c.Length), c.Expected) << c.Start;
}

TEST(IdGlobalTest, TicksElapsedCountsAcrossTheWrap) {
  struct Case {
    std::uint32_t Old;
    std::uint32_t New;
    std::uint32_t Expected;
  };
  const Case cases[] = {
      {5, 10, 5}, {7, 7, 0}, {4294967290u, 5, 10}, {4294967295u, 0, 0}, {1, 0, 4294967294u},
  };
  for (const Case& c : cases) EXPECT_EQ(TicksElapsed(c.Old, c.New), c.Expected) << c.Old << " -> " << c.New;
}

}  // namespace
