// Finding the charset of an XML body from its byte-order mark or its XML declaration.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "http/IdCharsets.h"

namespace {

// EBCDIC (code page 037) bytes of the characters an XML declaration is made of; every other
// byte reads as U+0001.
constexpr std::array<char16_t, 256> MakeEbcdicTable() {
  std::array<char16_t, 256> table{};
  for (auto& c : table) c = u'\x01';
  const auto run = [&](std::uint8_t first, char16_t from, char16_t to) {
    for (char16_t c = from; c <= to; ++c) table[first + (c - from)] = c;
  };
  run(0x81, u'a', u'i');
  run(0x91, u'j', u'r');
  run(0xA2, u's', u'z');
  run(0xC1, u'A', u'I');
  run(0xD1, u'J', u'R');
  run(0xE2, u'S', u'Z');
  run(0xF0, u'0', u'9');
  table[0x40] = u' ';
  table[0x05] = u'\t';
  table[0x0D] = u'\r';
  table[0x25] = u'\n';
  table[0x7F] = u'"';
  table[0x7D] = u'\'';
  table[0x60] = u'-';
  table[0x4B] = u'.';
  table[0x4C] = u'<';
  table[0x7E] = u'=';
  table[0x6E] = u'>';
  table[0x6F] = u'?';
  table[0x6D] = u'_';
  return table;
}
constexpr std::array<char16_t, 256> kEbcdic = MakeEbcdicTable();

struct TByteOrderMark {
  std::uint8_t Bytes[4];
  std::size_t Length;
  const char16_t* Charset;
};

// Checked in this order; the 4-byte forms come first, so FF FE 00 00 is UCS-4 and not UTF-16.
constexpr TByteOrderMark kMarks[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, u"UCS-4BE"},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, u""},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, u"UCS-4LE"},
    {{0xFE, 0xFF, 0x00, 0x00}, 4, u""},
    {{0xFE, 0xFF}, 2, u"UTF-16BE"},
    {{0xFF, 0xFE}, 2, u"UTF-16LE"},
    {{0xEF, 0xBB, 0xBF}, 3, u"UTF-8"},
};

enum class TUnitKind { Significant, Utf16LE, Utf16BE, Latin1, Ebcdic };

// How the declaration is written: unit width, the byte of a unit that carries an ASCII
// character, and how a unit becomes a character.
struct TDeclarationForm {
  std::uint8_t Start[4];
  std::size_t Width;
  std::size_t SignificantByte;
  TUnitKind Kind;
};

constexpr TDeclarationForm kForms[] = {
    {{0x00, 0x00, 0x00, 0x3C}, 4, 3, TUnitKind::Significant},
    {{0x00, 0x00, 0x3C, 0x00}, 4, 2, TUnitKind::Significant},
    {{0x3C, 0x00, 0x00, 0x00}, 4, 0, TUnitKind::Significant},
    {{0x00, 0x3C, 0x00, 0x00}, 4, 1, TUnitKind::Significant},
    {{0x00, 0x3C, 0x00, 0x3F}, 2, 1, TUnitKind::Utf16BE},
    {{0x3C, 0x00, 0x3F, 0x00}, 2, 0, TUnitKind::Utf16LE},
    {{0x3C, 0x3F, 0x78, 0x6D}, 1, 0, TUnitKind::Latin1},
    {{0x4C, 0x6F, 0xA7, 0x94}, 1, 0, TUnitKind::Ebcdic},
};

// A charset name longer than this names nothing the table knows and decodes byte for byte
// either way, so the scan gives up instead of collecting it.
constexpr std::size_t kMaxCharsetLength = 1024;

char16_t UnitCharacter(const TDeclarationForm& form, const std::uint8_t* unit) {
  switch (form.Kind) {
    case TUnitKind::Utf16LE:
      return static_cast<char16_t>(unit[0] | (unit[1] << 8));
    case TUnitKind::Utf16BE:
      return static_cast<char16_t>((unit[0] << 8) | unit[1]);
    case TUnitKind::Ebcdic:
      return kEbcdic[unit[0]];
    case TUnitKind::Latin1:
    case TUnitKind::Significant:
      break;
  }
  return unit[form.SignificantByte];
}

bool IsDeclarationBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Reads the value of the first "encoding" in a declaration, one character at a time.
class TEncodingScanner {
 public:
  void Take(char16_t c) {
    switch (FState) {
      case TState::Keyword:
        if (c == kKeyword[FMatched]) {
          if (++FMatched == std::size(kKeyword) - 1) FState = TState::BeforeEquals;
        } else {
          FMatched = c == kKeyword[0] ? 1 : 0;
        }
        return;
      case TState::BeforeEquals:
        if (IsDeclarationBlank(c)) return;
        if (c == u'=') {
          FState = TState::AfterEquals;
          return;
        }
        OpenValue(c);
        return;
      case TState::AfterEquals:
        if (IsDeclarationBlank(c)) return;
        OpenValue(c);
        return;
      case TState::Value:
        if (c == FQuote) {
          FState = TState::Found;
        } else if (FValue.size() == kMaxCharsetLength) {
          FState = TState::Failed;
        } else {
          FValue.push_back(c);
        }
        return;
      case TState::Found:
      case TState::Failed:
        return;
    }
  }
  // True once the answer can no longer change with more characters.
  bool Decided() const { return FState == TState::Found || FState == TState::Failed; }
  // The value when the declaration named one in matching quotes; empty otherwise.
  String Result() const { return FState == TState::Found ? FValue : String(); }

 private:
  enum class TState { Keyword, BeforeEquals, AfterEquals, Value, Found, Failed };
  static constexpr char16_t kKeyword[] = u"encoding";

  void OpenValue(char16_t c) {
    if (c == u'"' || c == u'\'') {
      FQuote = c;
      FState = TState::Value;
    } else {
      FState = TState::Failed;
    }
  }

  TState FState = TState::Keyword;
  std::size_t FMatched = 0;
  char16_t FQuote = 0;
  String FValue;
};

// Reads the stream in blocks; the first bytes come from what was already read.
class TBlockReader {
 public:
  TBlockReader(TStream& stream, const std::uint8_t* head, std::size_t headLength) : FStream(stream) {
    std::memcpy(FBuffer, head, headLength);
    FLength = headLength;
  }
  // The next width bytes, or nullptr when the stream ends first.
  const std::uint8_t* Next(std::size_t width) {
    if (FLength - FOffset < width) {
      const std::size_t kept = FLength - FOffset;
      std::memmove(FBuffer, FBuffer + FOffset, kept);
      FOffset = 0;
      FLength = kept;
      while (FLength < width) {
        const std::int64_t count =
            FStream.Read(FBuffer + FLength, static_cast<std::int64_t>(sizeof(FBuffer) - FLength));
        if (count <= 0) return nullptr;
        FLength += static_cast<std::size_t>(count);
      }
    }
    const std::uint8_t* unit = FBuffer + FOffset;
    FOffset += width;
    return unit;
  }

 private:
  TStream& FStream;
  std::uint8_t FBuffer[4096];
  std::size_t FOffset = 0;
  std::size_t FLength = 0;
};

String EncodingFromDeclaration(TStream& stream, const TDeclarationForm& form, const std::uint8_t* head) {
  const std::uint8_t end = form.Kind == TUnitKind::Ebcdic ? 0x6E : 0x3E;
  TBlockReader reader(stream, head, 4);
  TEncodingScanner scanner;
  for (;;) {
    const std::uint8_t* unit = reader.Next(form.Width);
    // No ">" before the end: not a declaration.
    if (unit == nullptr) return String();
    if (!scanner.Decided()) scanner.Take(UnitCharacter(form, unit));
    if (unit[form.SignificantByte] == end) return scanner.Result();
  }
}

}  // namespace

String DetectXmlEncoding(TStream& stream) {
  TPositionKeeper restorer(stream);
  stream.SetPosition(0);
  std::uint8_t head[4] = {0, 0, 0, 0};
  std::size_t read = 0;
  while (read < 4) {
    const std::int64_t count = stream.Read(head + read, static_cast<std::int64_t>(4 - read));
    if (count <= 0) break;
    read += static_cast<std::size_t>(count);
  }
  if (read >= 3) {
    for (const TByteOrderMark& mark : kMarks) {
      if (std::memcmp(head, mark.Bytes, mark.Length) != 0) continue;
      // The mark is not part of the text. (A 4-byte mark matched in a 3-byte stream, its
      // missing byte counted as 0, moves the position to the end and no further.)
      restorer.Advance(static_cast<std::int64_t>(mark.Length), stream.Size());
      return String(mark.Charset);
    }
  }
  if (read < 4) return String();
  for (const TDeclarationForm& form : kForms)
    if (std::memcmp(head, form.Start, 4) == 0) return EncodingFromDeclaration(stream, form, head);
  return String();
}
