#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "core/Stream.h"
#include "http/IdCharsetEncodings.h"
#include "http/IdCharsets.h"
#include "platform/CodePages.h"
#include "support/UnderWine.h"

namespace {

void Fill(TStream& stream, std::string_view bytes, std::int64_t position = 0) {
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(position);
}

// A stream that hands out at most three bytes per read, as a slow source would.
class TTrickleStream final : public TMemoryStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, std::min<std::int64_t>(count, 3));
  }
};

String Decode(const String& charset, std::string_view bytes) {
  TMemoryStream stream;
  Fill(stream, bytes);
  return DecodeStreamText(stream, charset);
}

std::string Narrow(const TIdBytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// --- The table -------------------------------------------------------------------------

TEST(CharsetCodePages, KnowsTheRowsEveryClientReliesOn) {
  const struct {
    const char16_t* Name;
    std::uint16_t CodePage;
  } cases[] = {
      {u"US-ASCII", 20127},
      {u"ASCII", 20127},
      {u"ANSI_X3.4-1968", 20127},
      {u"ISO646-US", 20127},
      {u"cp367", 20127},
      {u"csASCII", 20127},
      {u"ISO-8859-1", 28591},
      {u"ISO_8859-1", 28591},
      {u"latin1", 28591},
      {u"ISO-8859-2", 28592},
      {u"latin2", 28592},
      {u"ISO-8859-15", 28605},
      {u"Latin-9", 28605},
      {u"UTF-8", 65001},
      {u"UTF-16", 1200},
      {u"UTF-16LE", 1200},
      {u"UTF-16BE", 1201},
      {u"UTF-32", 12000},
      {u"UTF-32BE", 12001},
      {u"UTF-7", 65000},
      {u"windows-1250", 1250},
      {u"windows-1251", 1251},
      {u"windows-1252", 1252},
      {u"windows-1253", 1253},
      {u"windows-1254", 1254},
      {u"KOI8-R", 20866},
      {u"Shift_JIS", 932},
      {u"EUC-JP", 20932},
      {u"GB2312", 936},
      {u"Big5", 950},
      {u"IBM437", 437},
      {u"ISO-10646-UCS-2", 0},
      {u"ISO-10646-UCS-4", 0},
      {u"UNICODE-1-1-UTF-7", 0},
      // Aliases take the code page of their character set.
      {u"GBK", 936},
      {u"cp850", 850},
      {u"ebcdic-cp-us", 37},
      {u"IBM273", 20273},
      {u"csISO2022JP", 50221},
      // Matching ignores the case of ASCII letters only.
      {u"utf-8", 65001},
      {u"SHIFT_JIS", 932},
      {u"LATIN1", 28591},
      {u"latın1", 0},
      // Names outside the registry find no row.
      {u"utf8", 0},
      {u"cp1252", 0},
      {u"UCS-4BE", 0},
      {u"UTF-8 ", 0},
      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CodePageForCharset(c.Name), c.CodePage) << ToUtf8(c.Name);
}

TEST(CharsetCodePages, HoldsTheRegistryNamesOnceEachAfterTheEmptyRow) {
  const auto rows = CharsetCodePages();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].Name, u"");
  EXPECT_EQ(rows[0].CodePage, 0);
  std::set<StringView> names;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_FALSE(rows[i].Name.empty()) << i;
    EXPECT_TRUE(names.insert(rows[i].Name).second) << ToUtf8(rows[i].Name);
  }
  // Registry order: the character set's own name comes before its aliases.
  const auto position = [&](StringView name) {
    return std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return row.Name == name; }) -
           rows.begin();
  };
  EXPECT_LT(position(u"US-ASCII"), position(u"ISO_8859-1:1987"));
  EXPECT_LT(position(u"ISO_8859-1:1987"), position(u"latin1"));
}

TEST(CharsetCodePages, EveryCodePageInTheTableCanBeDecodedHere) {
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << testsupport::kWineLacksCodePages;
  // Code pages Windows has for a registry name that this system's converter lacks.
  const std::set<std::uint16_t> notOffered = {20838, 20924, 52936};
  const std::set<std::uint16_t> ownCode = {1200, 1201, 12000, 12001};
  for (const auto& row : CharsetCodePages()) {
    if (row.CodePage == 0 || ownCode.count(row.CodePage) != 0) continue;
    EXPECT_EQ(platform::IsCodePageSupported(row.CodePage), notOffered.count(row.CodePage) == 0)
        << ToUtf8(row.Name) << " " << row.CodePage;
  }
}

// --- Choosing the charset ----------------------------------------------------------------

TEST(ResponseTextCharset, DetectsXmlTypesAndTakesTheHeaderOrMetaCharsetOtherwise) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>";
  const struct {
    const char16_t* ContentType;
    const char16_t* CharSet;
    const char16_t* MetaCharSet;
    const char16_t* Expected;
  } cases[] = {
      {u"application/xml", u"ISO-8859-1", u"", u"windows-1252"},
      {u"Application/XML", u"ISO-8859-1", u"", u"windows-1252"},
      {u"application/xml-external-parsed-entity", u"x", u"", u"windows-1252"},
      {u"application/xml-dtd", u"x", u"", u"windows-1252"},
      {u"image/svg+xml", u"x", u"", u"windows-1252"},
      {u"application/atom+XML; type=feed", u"x", u"", u"windows-1252"},
      {u" application/xml ", u"x", u"", u"windows-1252"},
      // text/xml follows the header's charset, as does every text type.
      {u"text/xml", u"us-ascii", u"", u"us-ascii"},
      {u"text/foo+xml", u"us-ascii", u"", u"us-ascii"},
      {u"application/xmlfoo", u"ISO-8859-1", u"", u"ISO-8859-1"},
      {u"xml", u"ISO-8859-1", u"", u"ISO-8859-1"},
      {u"text/html", u"UTF-8", u"windows-1251", u"UTF-8"},
      {u"text/html", u"", u"windows-1251", u"windows-1251"},
      {u"", u"", u"", u""},
  };
  for (const auto& c : cases) {
    TMemoryStream body;
    Fill(body, declaration);
    EXPECT_EQ(ResponseTextCharset(c.ContentType, c.CharSet, c.MetaCharSet, body), c.Expected)
        << ToUtf8(c.ContentType);
    EXPECT_EQ(body.Position(), 0);
  }
}

// --- XML bodies ---------------------------------------------------------------------------

TEST(DetectXmlEncoding, ReadsByteOrderMarksAndDeclarations) {
  using namespace std::string_literals;
  const struct {
    const char* Label;
    std::string Body;
    const char16_t* Charset;
    std::int64_t Position;  // where the stream is left, from a start at 0
  } cases[] = {
      {"UCS-4 BE mark", "\x00\x00\xFE\xFF\x00\x00\x00<"s, u"UCS-4BE", 4},
      {"UCS-4 2143 mark", "\x00\x00\xFF\xFE<\x00\x00\x00"s, u"", 4},
      {"UCS-4 LE mark", "\xFF\xFE\x00\x00<\x00\x00\x00"s, u"UCS-4LE", 4},
      {"UCS-4 3412 mark", "\xFE\xFF\x00\x00"s, u"", 4},
      {"UTF-16 BE mark", "\xFE\xFF\x00<"s, u"UTF-16BE", 2},
      {"UTF-16 LE mark", "\xFF\xFE<\x00"s, u"UTF-16LE", 2},
      {"UTF-8 mark", "\xEF\xBB\xBF<?xml encoding='latin1'?>"s, u"UTF-8", 3},
      {"UTF-8 mark alone", "\xEF\xBB\xBF"s, u"UTF-8", 3},
      {"mark cut short counts the missing byte as 0", "\xFF\xFE\x00"s, u"UCS-4LE", 3},
      {"two bytes are too few for a mark", "\xFF\xFE"s, u"", 0},
      {"apostrophes", "<?xml version='1.0' encoding='ISO-8859-1'?><a/>", u"ISO-8859-1", 0},
      {"double quotes", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", u"ISO-8859-1", 0},
      {"blanks around the equals sign", "<?xml encoding \t=\r\n 'KOI8-R' ?>", u"KOI8-R", 0},
      {"no equals sign", "<?xml encoding 'KOI8-R'?>", u"KOI8-R", 0},
      {"the first encoding counts", "<?xml encoding='a' encoding='b'?>", u"a", 0},
      {"a partial keyword first", "<?xml encodencoding='c'?>", u"c", 0},
      {"no encoding", "<?xml version='1.0'?><a encoding='x'/>", u"", 0},
      {"keyword in capitals", "<?xml Encoding='UTF-8'?>", u"", 0},
      {"no quote", "<?xml encoding=UTF-8?>", u"", 0},
      {"unterminated quote", "<?xml encoding='UTF-8?>", u"", 0},
      {"other closing quote", "<?xml encoding='UTF-8\"?>", u"", 0},
      {"a > in the value ends the declaration", "<?xml encoding='a>b'?>", u"", 0},
      {"no > before the end", "<?xml encoding='UTF-8'", u"", 0},
      {"not a declaration", "<html encoding='x'>", u"", 0},
      {"three bytes", "<?x", u"", 0},
      {"empty", "", u"", 0},
      {"UTF-16 LE declaration",
       "<\x00?\x00x\x00m\x00l\x00 \x00"
       "e\x00n\x00"
       "c\x00o\x00"
       "d\x00i\x00n\x00g\x00=\x00'\x00"
       "A\x00'\x00>\x00"s,
       u"A", 0},
      {"UTF-16 BE declaration",
       "\x00<\x00?\x00x\x00m\x00l\x00 \x00"
       "e\x00n\x00"
       "c\x00o\x00"
       "d\x00i\x00n\x00g\x00=\x00'\x00"
       "B\x00'\x00>"s,
       u"B", 0},
      {"4-byte units, significant byte 4th",
       "\x00\x00\x00<\x00\x00\x00"
       "e\x00\x00\x00n\x00\x00\x00"
       "c\x00\x00\x00o\x00\x00\x00"
       "d\x00\x00\x00i"
       "\x00\x00\x00n\x00\x00\x00g\x00\x00\x00=\x00\x00\x00'\x00\x00\x00"
       "C\x00\x00\x00'\x00\x00\x00>"s,
       u"C", 0},
      {"4-byte units, significant byte 1st",
       "<\x00\x00\x00"
       "e\x00\x00\x00n\x00\x00\x00"
       "c\x00\x00\x00o\x00\x00\x00"
       "d\x00\x00\x00i\x00\x00\x00"
       "n\x00\x00\x00g\x00\x00\x00=\x00\x00\x00'\x00\x00\x00"
       "D\x00\x00\x00'\x00\x00\x00>\x00\x00\x00"s,
       u"D", 0},
      {"4-byte units, significant byte 3rd, other bytes ignored",
       "\x00\x00<\x00\x00\x00"
       "e\x00\x00\x00n\x00\x00\x00"
       "c\x00\x00\x00o\x00\x00\x00"
       "d\x00\x00\x00i\x00"
       "\x00\x00n\x00\x00\x00g\x00\x00\x00=\x00\x00\x00'\x00\x00\x00"
       "E\x00\x00\x00'\x00\x01\x01>\x01"s,
       u"E", 0},
      {"4-byte units, significant byte 2nd",
       "\x00<\x00\x00\x00"
       "e\x00\x00\x00n\x00\x00\x00"
       "c\x00\x00\x00o\x00\x00\x00"
       "d\x00\x00\x00i\x00\x00"
       "\x00n\x00\x00\x00g\x00\x00\x00=\x00\x00\x00'\x00\x00\x00"
       "F\x00\x00\x00'\x00\x00\x00>\x00\x00"s,
       u"F", 0},
      // <?xml encoding="IBM037"?> in EBCDIC; lower-case letters outside the table read as U+0001.
      {"EBCDIC declaration",
       "\x4C\x6F\xA7\x94\x93\x40\x85\x95\x83\x96\x84\x89\x95\x87\x7E\x7F\xC9\xC2\xD4\xF0\xF3\xF7\x7F\x6F\x6E"s,
       u"IBM037", 0},
      {"EBCDIC bytes outside the table",
       "\x4C\x6F\xA7\x94\x40\x85\x95\x83\x96\x84\x89\x95\x87\x7E\x7D\x4A\x7D\x6E"s, u"\x01", 0},
  };
  for (const auto& c : cases) {
    for (const bool trickle : {false, true}) {
      TMemoryStream plain;
      TTrickleStream slow;
      TMemoryStream& stream = trickle ? slow : plain;
      Fill(stream, c.Body);
      EXPECT_EQ(DetectXmlEncoding(stream), c.Charset) << c.Label;
      EXPECT_EQ(stream.Position(), c.Position) << c.Label;
    }
  }
}

TEST(DetectXmlEncoding, ReadsFromTheStartAndPutsThePositionBack) {
  TMemoryStream stream;
  Fill(stream, "<?xml encoding='UTF-8'?>abc", 20);
  EXPECT_EQ(DetectXmlEncoding(stream), u"UTF-8");
  EXPECT_EQ(stream.Position(), 20);

  TMemoryStream marked;
  Fill(marked,
       "\xEF\xBB\xBF"
       "abc",
       1);
  EXPECT_EQ(DetectXmlEncoding(marked), u"UTF-8");
  EXPECT_EQ(marked.Position(), 4);
}

TEST(DetectXmlEncoding, GivesUpOnAnEndlessCharsetName) {
  TMemoryStream stream;
  Fill(stream, "<?xml encoding='" + std::string(5000, 'a') + "'?>");
  EXPECT_EQ(DetectXmlEncoding(stream), u"");
  TMemoryStream fits;
  Fill(fits, "<?xml encoding='" + std::string(1000, 'a') + "'?>");
  EXPECT_EQ(DetectXmlEncoding(fits), String(1000, u'a'));
}

// --- Decoding -------------------------------------------------------------------------

TEST(DecodeStreamText, DecodesByTheCharsetsEncoding) {
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << testsupport::kWineLacksCodePages;
  using namespace std::string_literals;
  using namespace std::string_view_literals;
  const struct {
    const char16_t* Charset;
    std::string Bytes;
    StringView Text;
  } cases[] = {
      {u"", "2.0\r\n", u"2.0\r\n"},
      {u"", "\xE4\xFC\xFF", u"äüÿ"},
      {u"ISO-8859-1",
       "Gr\xFC\xDF"
       "e  \r\n",
       u"Grüße  \r\n"},
      {u"utf8", "\xC3\xA4", u"Ã¤"},
      {u"ISO-10646-UCS-2",
       "\x00"
       "A"s,
       u"\0A"sv},
      // The names the XML mark detection answers decode as UTF-32.
      {u"UCS-4BE", "\x00\x00\x00\x41\x00\x01\xF6\x00"s, u"A\U0001F600"},
      {u"ucs-4le", "\x41\x00\x00\x00\x00\xF6\x01\x00"s, u"A\U0001F600"},
      {u"us-ascii", "A\xE4z\x7F", u"A?z\x7F"},
      {u"ANSI_X3.4-1968", "\xFF", u"?"},
      {u"utf-8",
       "\xEF\xBB\xBF"
       "2.0\r\n",
       u"\uFEFF2.0\r\n"},
      {u"UTF-8", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {u"UTF-8", "a\xC3", u"a\uFFFD"},
      {u"UTF-8", "\xE2\x82", u"\uFFFD\uFFFD"},
      {u"UTF-8", "\xC3(", u"\uFFFD("},
      {u"UTF-8", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {u"UTF-8", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {u"UTF-8", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {u"UTF-16",
       "\xFF\xFE"
       "A\x00\x3D\xD8\x00\xDE"s,
       u"\uFEFFA\U0001F600"},
      {u"UTF-16LE",
       "A\x00\x00\xD8"
       "B\x00"s,
       u"A\uFFFDB"},
      {u"UTF-16LE",
       "A\x00"
       "B"s,
       u"A\uFFFD"},
      {u"UTF-16BE",
       "\x00"
       "A\xDC\x00\x00"
       "B"s,
       u"A\uFFFDB"},
      {u"UTF-16BE", "\xD8\x3D\xDE\x00"s, u"\U0001F600"},
      {u"UTF-32", "A\x00\x00\x00\x00\xF6\x01\x00"s, u"A\U0001F600"},
      {u"UTF-32LE",
       "\x00\xD8\x00\x00"
       "A\x00\x00\x00\x00\x00\x11\x00"s,
       u"\uFFFDA\uFFFD"},
      {u"UTF-32BE",
       "\x00\x00\x00"
       "A\x00\x00"s,
       u"A\uFFFD"},
      // 0x81 has no character in this page.
      {u"windows-1252", "\x80\x81\xE4", u"€\uFFFDä"},
      {u"windows-1251", "\xCF\xF0\xE8", u"При"},
      {u"ISO-8859-15", "\xA4", u"€"},
      {u"KOI8-R", "\xF0\xD2", u"Пр"},
      {u"IBM037", "\xC8\x85\x93\x93\x96", u"Hello"},
      {u"IBM437", "\x84\x94", u"äö"},
      {u"Shift_JIS",
       "\x82\xA0"
       "a\x82",
       u"\u3042a\uFFFD"},
      {u"EUC-JP",
       "\xA4\xA2\xFF"
       "b",
       u"\u3042\uFFFDb"},
      {u"GB2312", "\xC4\xE3", u"\u4F60"},
      {u"Big5", "\xA4\xA4", u"\u4E2D"},
      {u"ISO-2022-JP", "\x1B$B$\"\x1B(Bx", u"\u3042x"},
      {u"UTF-7", "+AOQ-", u"ä"},
      {u"utf-8", "", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.Charset, c.Bytes), c.Text) << ToUtf8(c.Charset);
}

TEST(DecodeStreamText, ReadsFromThePositionToTheEndOfAnyStream) {
  TMemoryStream memory;
  Fill(memory, "skip:\xC3\xA4", 5);
  EXPECT_EQ(DecodeStreamText(memory, u"UTF-8"), u"ä");
  EXPECT_EQ(memory.Position(), 7);
  EXPECT_EQ(DecodeStreamText(memory, u"UTF-8"), u"");

  TTrickleStream slow;
  const std::string body =
      "Gr\xC3\xBC\xC3\x9F"
      "e " +
      std::string(70000, 'x');
  Fill(slow, body);
  EXPECT_EQ(DecodeStreamText(slow, u"UTF-8"), u"Grüße " + String(70000, u'x'));
}

// The cases a text Get meets, with the charset the response's header rule leaves behind.
TEST(DecodeStreamText, TurnsResponseBodiesIntoText) {
  using namespace std::string_literals;
  const struct {
    const char* Label;
    const char16_t* ContentType;
    const char16_t* CharSet;
    std::string Body;
    const char16_t* Text;
  } cases[] = {
      {"plain text keeps its line end", u"text/plain", u"ISO-8859-1", "2.0\r\n", u"2.0\r\n"},
      {"a UTF-8 mark stays", u"text/plain", u"utf-8",
       "\xEF\xBB\xBF"
       "2.0\r\n",
       u"\uFEFF2.0\r\n"},
      {"octet stream inherits ISO-8859-1", u"application/octet-stream", u"ISO-8859-1", "2.0\xE9", u"2.0é"},
      {"no Content-Type: byte for byte", u"", u"", "\xC3\xA4", u"Ã¤"},
      {"text/xml is US-ASCII", u"text/xml", u"us-ascii", "<a>\xE4</a>", u"<a>?</a>"},
      {"unknown charset name", u"text/plain", u"utf8", "\xC3\xA4", u"Ã¤"},
      {"XML with a UTF-8 mark", u"application/xml", u"ISO-8859-1", "\xEF\xBB\xBF<a>\xC3\xA4</a>",
       u"<a>ä</a>"},
      {"XML declaration in apostrophes", u"application/xml", u"",
       "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE4</a>",
       u"<?xml version='1.0' encoding='ISO-8859-1'?><a>ä</a>"},
      {"XML in UTF-16 with its mark", u"application/xml", u"",
       std::string("\xFF\xFE<\x00"
                   "a\x00>\x00",
                   8),
       u"<a>"},
      {"XML in UCS-4 big-endian with its mark", u"application/xml", u"",
       "\x00\x00\xFE\xFF\x00\x00\x00<\x00\x00\x00\xE4\x00\x00\x00>"s, u"<ä>"},
      {"XML in UCS-4 little-endian with its mark", u"application/xml", u"",
       "\xFF\xFE\x00\x00<\x00\x00\x00\xE4\x00\x00\x00>\x00\x00\x00"s, u"<ä>"},
      {"empty body", u"text/plain", u"ISO-8859-1", "", u""},
  };
  for (const auto& c : cases) {
    TMemoryStream body;
    Fill(body, c.Body);
    const String charset = ResponseTextCharset(c.ContentType, c.CharSet, u"", body);
    EXPECT_EQ(DecodeStreamText(body, charset), c.Text) << c.Label;
  }
}

// --- Encodings ---------------------------------------------------------------------------

TEST(EncodingForCharset, PicksTheSharedEncodings) {
  EXPECT_EQ(&EncodingForCharset(u""), &Id8BitEncoding());
  EXPECT_EQ(&EncodingForCharset(u"nonsense"), &Id8BitEncoding());
  EXPECT_EQ(&EncodingForCharset(u"ISO-10646-UCS-4"), &Id8BitEncoding());
  EXPECT_EQ(&EncodingForCharset(u"us"), &IdASCIIEncoding());
  EXPECT_EQ(&EncodingForCharset(u"csUTF8"), &IdUTF8Encoding());
  EXPECT_EQ(&EncodingForCharset(u"UTF-16BE"), &IdUTF16BEEncoding());
  EXPECT_EQ(&EncodingForCharset(u"csUTF32LE"), &IdUTF32LEEncoding());
  // A code page the platform lacks falls back to byte for byte.
  EXPECT_EQ(&EncodingForCharset(u"HZ-GB-2312"), &Id8BitEncoding());
  const TIdTextEncoding& koi8 = EncodingForCharset(u"KOI8-R");
  EXPECT_EQ(&EncodingForCharset(u"csKOI8R"), &koi8);
  EXPECT_NE(&koi8, &Id8BitEncoding());
}

TEST(EncodingForCharset, WritesTextBackInTheSameCharset) {
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << testsupport::kWineLacksCodePages;
  const struct {
    const char16_t* Charset;
    const char16_t* Text;
    std::string Bytes;
  } cases[] = {
      {u"UTF-16LE", u"A\U0001F600", std::string("A\x00\x3D\xD8\x00\xDE", 6)},
      {u"UTF-16BE", u"A\xD800",
       std::string("\x00"
                   "A\xFF\xFD",
                   4)},
      {u"UTF-32LE", u"A\U0001F600", std::string("A\x00\x00\x00\x00\xF6\x01\x00", 8)},
      {u"UTF-32BE", u"\xDC00", std::string("\x00\x00\xFF\xFD", 4)},
      {u"IBM037", u"Hello", "\xC8\x85\x93\x93\x96"},
      {u"windows-1252", u"€ä\u4E2D", "\x80\xE4?"},
      {u"ISO-2022-JP", u"\u3042x\u00E4", "\x1B$B$\"\x1B(Bx?"},
      {u"Shift_JIS",
       u"a\xD800"
       u"b",
       "a?b"},
  };
  for (const auto& c : cases) {
    const TIdTextEncoding& encoding = EncodingForCharset(c.Charset);
    EXPECT_EQ(Narrow(encoding.GetBytes(c.Text)), c.Bytes) << ToUtf8(c.Charset);
    EXPECT_EQ(encoding.GetByteCount(c.Text), c.Bytes.size()) << ToUtf8(c.Charset);
  }
}

}  // namespace
