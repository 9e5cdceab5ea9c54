#include "zip/AbNameDecoding.h"

#include <algorithm>
#include <array>
#include <span>

#include "core/Crc32.h"
#include "platform/CodePages.h"
#include "zip/AbRecordReading.h"
#include "zip/AbZipFileHeader.h"

namespace {

constexpr std::uint16_t kUnicodePathField = 0x7075;
constexpr std::uint16_t kUnicodeNameField = 0x554E;
constexpr char16_t kReplacement = 0xFFFD;

// The bytes 80 to FF that are letters in an OEM code page and in its ANSI partner, as
// bit sets (bit b of word w stands for byte 80 + 32 w + b).
struct TLetterSets {
  std::uint32_t OemCodePage;
  std::array<std::uint32_t, 4> OemLetters;
  std::array<std::uint32_t, 4> AnsiLetters;
};

constexpr TLetterSets kLetterSets[] = {
    {437, {0x07FFFFFF, 0x0000003F, 0x00000000, 0x00006FFF}, {0xD4005400, 0x00200000, 0xFF7FFFFF, 0xFF7FFFFF}},
    {720, {0xEFC81FAC, 0x00003FFF, 0x00000000, 0x0000FFFF}, {0x9501F402, 0x00200400, 0xEF7FFFFF, 0x9A10FFFF}},
    {737, {0xFFFFFFFF, 0x0000FFFF, 0x00000000, 0x0031FFFF}, {0x00000000, 0xD7200004, 0xFFFBFFFF, 0x7FFFFFFF}},
    {775, {0x2FBFFFFF, 0x61E0203F, 0x01FF80C0, 0x00007FFF}, {0x00000000, 0x85208500, 0xFF7FFFFF, 0x7F7FFFFF}},
    {850, {0x2FFFFFFF, 0x00E0003F, 0x41FF00C0, 0x00003FFF}, {0xD4005400, 0x00200000, 0xFF7FFFFF, 0xFF7FFFFF}},
    {852, {0xBFFFFFFF, 0x61E03BFF, 0x61FF00C0, 0x38007FFF}, {0xF400F400, 0xD6288428, 0xFF7FFFFF, 0x7F7FFFFF}},
    {855, {0xFFFFFFFF, 0x61E03FFF, 0x61FF00C0, 0x1FFE7FFF}, {0xF401F40B, 0xF53C852E, 0xFFFFFFFF, 0xFFFFFFFF}},
    {857, {0xEFFFFFFF, 0x00E000FF, 0x41DC00C0, 0x00003E7F}, {0x94001400, 0x00200000, 0xFF7FFFFF, 0xFF7FFFFF}},
    {862, {0x07FFFFFF, 0x0000003F, 0x00000000, 0x00006FFF}, {0x00000000, 0x00200000, 0x00700000, 0x07FFFFFF}},
    {866, {0xFFFFFFFF, 0x0000FFFF, 0x00000000, 0x00FFFFFF}, {0xF401F40B, 0xF53C852E, 0xFFFFFFFF, 0xFFFFFFFF}},
};

bool InSet(const std::array<std::uint32_t, 4>& set, std::uint8_t byte) {
  const unsigned index = byte - 0x80u;
  return ((set[index >> 5] >> (index & 31)) & 1u) != 0;
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Code pages whose bytes below 80 are ASCII: names of plain bytes need no converter.
bool IsAsciiCompatible(std::uint32_t codePage) {
  if (codePage >= 1250 && codePage <= 1258) return true;
  for (const auto& sets : kLetterSets) {
    if (sets.OemCodePage == codePage) return true;
  }
  return codePage == 874 || codePage == 20127 || codePage == 28591 || codePage == 65001;
}

String FromCodePage(std::uint32_t codePage, std::string_view raw) {
  const bool plain =
      std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<std::uint8_t>(c) < 0x80; });
  if (plain && IsAsciiCompatible(codePage)) return FromLatin1(raw);
  String text;
  if (platform::CodePageToUnicode(codePage, raw, text)) return text;
  return FromLatin1(raw);
}

// The number of continuation bytes that follow a lead byte, or -1 for a byte that
// cannot start a sequence.
int ContinuationCount(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

bool IsContinuation(std::uint8_t byte) {
  return byte >= 0x80 && byte <= 0xBF;
}

void AppendCodePoint(String& text, std::uint32_t cp) {
  if (cp < 0x10000) {
    text.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

bool AbIsUtf8Name(std::string_view raw) {
  bool high = false;
  for (std::size_t i = 0; i < raw.size();) {
    const auto byte = static_cast<std::uint8_t>(raw[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    high = true;
    const int follow = ContinuationCount(byte);
    if (follow < 0 || raw.size() - i - 1 < static_cast<std::size_t>(follow)) return false;
    for (int k = 1; k <= follow; ++k) {
      if (!IsContinuation(static_cast<std::uint8_t>(raw[i + static_cast<std::size_t>(k)]))) return false;
    }
    i += 1 + static_cast<std::size_t>(follow);
  }
  return high;
}

String AbDecodeUtf8(std::string_view bytes) {
  String text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (byte < 0x80) {
      text.push_back(byte);
      ++i;
      continue;
    }
    // Lead bytes C0, C1 and F5 to F7 are read with their continuation bytes too, so
    // that an overlong or out-of-range form gives one replacement, not several.
    int follow = -1;
    std::uint32_t cp = 0;
    if (byte >= 0xC0 && byte <= 0xDF) {
      follow = 1;
      cp = byte & 0x1Fu;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      follow = 2;
      cp = byte & 0x0Fu;
    } else if (byte >= 0xF0 && byte <= 0xF7) {
      follow = 3;
      cp = byte & 0x07u;
    }
    if (follow < 0) {
      text.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    int got = 0;
    while (got < follow && j < bytes.size() && IsContinuation(static_cast<std::uint8_t>(bytes[j]))) {
      cp = (cp << 6) | (static_cast<std::uint8_t>(bytes[j]) & 0x3Fu);
      ++j;
      ++got;
    }
    i = j;
    if (got < follow) {
      text.push_back(kReplacement);
      continue;
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    const bool valid = cp >= kSmallest[follow] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (valid) {
      AppendCodePoint(text, cp);
    } else {
      text.push_back(kReplacement);
    }
  }
  return text;
}

bool AbLooksOemEncoded(std::string_view raw, std::uint32_t oemCodePage) {
  const TLetterSets* sets = nullptr;
  for (const auto& candidate : kLetterSets) {
    if (candidate.OemCodePage == oemCodePage) sets = &candidate;
  }
  if (sets == nullptr) return false;
  bool notAnsiLetter = false;
  for (const char c : raw) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x80) continue;
    if (!InSet(sets->OemLetters, byte)) return false;
    if (!InSet(sets->AnsiLetters, byte)) notAnsiLetter = true;
  }
  return notAnsiLetter;
}

String AbDecodeZipName(const TAbZipDirectoryFileHeader& header, std::uint32_t ansiCodePage,
                       std::uint32_t oemCodePage) {
  const std::string& raw = header.FileName();
  if (header.IsUTF8() || AbIsUtf8Name(raw)) return AbDecodeUtf8(raw);

  std::span<const std::uint8_t> data;
  if (header.ExtraField().Get(kUnicodePathField, data) && data.size() > 6 && data[0] == 1 &&
      abrecord::Get32(data.data() + 1) == Crc32(raw.data(), raw.size())) {
    return AbDecodeUtf8(AsChars(data.subspan(5)));
  }

  if (header.ExtraField().Get(kUnicodeNameField, data) && data.size() > 10 && data[0] == 'N' &&
      data[1] == 'U' && data[2] == 'C' && data[3] == 'X') {
    // Compared in 64 bits: a huge character count must not wrap into a small size.
    const std::uint64_t characters = abrecord::Get32(data.data() + 4);
    if (data.size() == 8 + 2 * characters) {
      String text;
      text.reserve(static_cast<std::size_t>(characters));
      for (std::size_t k = 0; k < characters; ++k) text.push_back(abrecord::Get16(data.data() + 8 + 2 * k));
      return text;
    }
  }

  if (ansiCodePage == oemCodePage) return FromCodePage(ansiCodePage, raw);
  if (header.HostSystem() == 0) return FromCodePage(oemCodePage, raw);
  if (AbLooksOemEncoded(raw, oemCodePage)) return FromCodePage(oemCodePage, raw);
  return FromCodePage(ansiCodePage, raw);
}

String AbDecodeZipName(const TAbZipDirectoryFileHeader& header) {
  return AbDecodeZipName(header, platform::AnsiCodePage(), platform::OemCodePage());
}
