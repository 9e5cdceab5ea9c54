#include "platform/CodePages.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "platform/OwnCodePages.h"

namespace platform {
namespace {

static_assert(std::endian::native == std::endian::little, "iconv is asked for UTF-16LE in native code units");

using ownpages::kReplacement;

std::uint32_t Resolve(std::uint32_t codePage) {
  if (codePage == kSystemAnsiCodePage) return AnsiCodePage();
  if (codePage == kSystemOemCodePage) return OemCodePage();
  return codePage;
}

struct TIconvName {
  std::uint32_t CodePage;
  const char* Name;
};

// Windows code pages and the iconv names of the same tables, sorted by code page. Pages
// iconv does not offer here are missing and count as unsupported (the Unicode pages 1200,
// 1201, 12000 and 12001 are decoded above this layer).
constexpr TIconvName kIconvNames[] = {
    {37, "IBM037"},
    {437, "IBM437"},
    {500, "IBM500"},
    {708, "ASMO-708"},
    {737, "CP737"},
    {775, "CP775"},
    {850, "CP850"},
    {852, "CP852"},
    {855, "CP855"},
    {857, "CP857"},
    {858, "CP858"},
    {860, "CP860"},
    {861, "CP861"},
    {862, "CP862"},
    {863, "CP863"},
    {864, "CP864"},
    {865, "CP865"},
    {866, "CP866"},
    {869, "CP869"},
    {870, "CP870"},
    {874, "WINDOWS-874"},
    {875, "CP875"},
    {932, "CP932"},
    {936, "CP936"},
    {949, "CP949"},
    {950, "CP950"},
    {1026, "CP1026"},
    {1047, "CP1047"},
    {1140, "CP1140"},
    {1141, "CP1141"},
    {1142, "CP1142"},
    {1143, "CP1143"},
    {1144, "CP1144"},
    {1145, "CP1145"},
    {1146, "CP1146"},
    {1147, "CP1147"},
    {1148, "CP1148"},
    {1149, "CP1149"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1252, "CP1252"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {1361, "JOHAB"},
    {10000, "MACINTOSH"},
    {10007, "CP10007"},
    {10017, "MACUKRAINIAN"},
    {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},
    {20106, "ISO646-DE"},
    {20107, "ISO646-SE"},
    {20108, "ISO646-NO"},
    {20261, "T.61-8BIT"},
    {20269, "ISO_6937"},
    {20273, "IBM273"},
    {20277, "IBM277"},
    {20278, "IBM278"},
    {20280, "IBM280"},
    {20284, "IBM284"},
    {20285, "IBM285"},
    {20290, "IBM290"},
    {20297, "IBM297"},
    {20420, "IBM420"},
    {20423, "IBM423"},
    {20424, "IBM424"},
    {20866, "KOI8-R"},
    {20871, "IBM871"},
    {20880, "IBM880"},
    {20905, "IBM905"},
    {20932, "EUC-JP"},
    {20936, "GB2312"},
    {20949, "EUC-KR"},
    {21025, "CP1025"},
    {21866, "KOI8-U"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"},
    {50221, "ISO-2022-JP-2"},
    {50222, "ISO-2022-JP-2"},
    {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"},
    {50229, "ISO-2022-CN-EXT"},
    {51932, "EUCJP-MS"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {54936, "GB18030"},
    {65000, "UTF-7"},
};

static_assert(std::is_sorted(std::begin(kIconvNames), std::end(kIconvNames),
                             [](const TIconvName& a, const TIconvName& b) {
                               return a.CodePage < b.CodePage;
                             }));

// The iconv name of a Windows code page; nullptr when iconv is not asked for it.
const char* IconvName(std::uint32_t codePage) {
  const auto* end = std::end(kIconvNames);
  const auto* found =
      std::lower_bound(std::begin(kIconvNames), end, codePage,
                       [](const TIconvName& entry, std::uint32_t cp) { return entry.CodePage < cp; });
  return found != end && found->CodePage == codePage ? found->Name : nullptr;
}

// Opening a converter loads and prepares its tables, which costs far more than converting
// a name or a short body, so each thread keeps the converters it opened (a few dozen at
// most: one per code page and direction) until it ends.
class TConverterCache {
 public:
  TConverterCache() = default;
  TConverterCache(const TConverterCache&) = delete;
  TConverterCache& operator=(const TConverterCache&) = delete;
  ~TConverterCache() {
    for (const auto& [key, handle] : FHandles)
      if (handle != kNone) iconv_close(handle);
  }
  // The converter between an iconv name (one of the table's literals) and UTF-16, or kNone
  // when iconv has none.
  iconv_t Get(const char* name, bool toUnicode) {
    const auto key = std::make_pair(name, toUnicode);
    const auto found = FHandles.find(key);
    if (found != FHandles.end()) return found->second;
    const iconv_t handle = toUnicode ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
    FHandles.emplace(key, handle);
    return handle;
  }
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

 private:
  std::map<std::pair<const char*, bool>, iconv_t> FHandles;
};

iconv_t Converter(const char* name, bool toUnicode) {
  thread_local TConverterCache cache;
  return cache.Get(name, toUnicode);
}

// One use of a kept converter: it starts in the page's initial state.
class TIconv {
 public:
  TIconv(const char* name, bool toUnicode) : FHandle(Converter(name, toUnicode)) {
    if (Valid()) Reset();
  }
  bool Valid() const { return FHandle != TConverterCache::kNone; }

  // Converts as much as fits; returns false with errno set when it stopped early.
  bool Convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
    char* input = const_cast<char*>(in);
    const std::size_t rc = iconv(FHandle, &input, &inLeft, &out, &outLeft);
    in = input;
    return rc != static_cast<std::size_t>(-1);
  }
  // Writes what ends a shift state (nothing for stateless pages); returns false when out
  // is too small.
  bool Finish(char*& out, std::size_t& outLeft) {
    return iconv(FHandle, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
  }
  void Reset() { iconv(FHandle, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t FHandle;
};

String DecodeWithIconv(TIconv& decoder, std::string_view bytes) {
  String result;
  char16_t buffer[1024];
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  const auto flush = [&](char* outPtr) {
    result.append(buffer,
                  static_cast<std::size_t>(outPtr - reinterpret_cast<char*>(buffer)) / sizeof(char16_t));
  };
  while (inLeft > 0) {
    char* out = reinterpret_cast<char*>(buffer);
    std::size_t outLeft = sizeof(buffer);
    const bool done = decoder.Convert(in, inLeft, out, outLeft);
    flush(out);
    if (done || errno == E2BIG) continue;
    // An invalid byte: replace it and go on after it, in the page's initial state. A
    // sequence cut off by the end: replace it and stop.
    result.push_back(kReplacement);
    decoder.Reset();
    if (errno == EINVAL) break;
    ++in;
    --inLeft;
  }
  char* out = reinterpret_cast<char*>(buffer);
  std::size_t outLeft = sizeof(buffer);
  decoder.Finish(out, outLeft);
  flush(out);
  return result;
}

std::string EncodeWithIconv(TIconv& encoder, StringView text) {
  std::string result;
  char buffer[4096];
  const auto append = [&](const char* in, std::size_t inLeft) {
    // Returns false with errno set when a character could not be converted.
    while (inLeft > 0) {
      char* out = buffer;
      std::size_t outLeft = sizeof(buffer);
      const bool done = encoder.Convert(in, inLeft, out, outLeft);
      result.append(buffer, static_cast<std::size_t>(out - buffer));
      if (!done && errno != E2BIG) return std::pair{false, static_cast<std::size_t>(inLeft)};
    }
    return std::pair{true, std::size_t{0}};
  };
  const char* begin = reinterpret_cast<const char*>(text.data());
  std::size_t offset = 0;
  const std::size_t total = text.size() * sizeof(char16_t);
  while (offset < total) {
    const auto [ok, left] = append(begin + offset, total - offset);
    if (ok) break;
    offset = total - left;
    // The character here cannot be written (or is an unpaired surrogate): write "?" in its
    // place through the same converter, so a stateful page leaves its shift state first.
    const std::size_t unit = offset / sizeof(char16_t);
    const bool pair = unit + 1 < text.size() && IsHighSurrogate(text[unit]) && IsLowSurrogate(text[unit + 1]);
    offset += (pair ? 2 : 1) * sizeof(char16_t);
    const char16_t question = u'?';
    append(reinterpret_cast<const char*>(&question), sizeof(question));
  }
  char* out = buffer;
  std::size_t outLeft = sizeof(buffer);
  encoder.Finish(out, outLeft);
  result.append(buffer, static_cast<std::size_t>(out - buffer));
  return result;
}

}  // namespace

std::uint32_t AnsiCodePage() {
  return 1252;
}
std::uint32_t OemCodePage() {
  return 850;
}

bool IsCodePageSupported(std::uint32_t codePage) {
  codePage = Resolve(codePage);
  if (ownpages::IsOwnPage(codePage)) return true;
  const char* name = IconvName(codePage);
  return name != nullptr && TIconv(name, true).Valid();
}

bool CodePageToUnicode(std::uint32_t codePage, std::string_view bytes, String& result) {
  result.clear();
  codePage = Resolve(codePage);
  if (ownpages::IsOwnPage(codePage)) {
    ownpages::Decode(codePage, bytes, result);
    return true;
  }
  const char* name = IconvName(codePage);
  if (name == nullptr) return false;
  TIconv decoder(name, true);
  if (!decoder.Valid()) return false;
  result = DecodeWithIconv(decoder, bytes);
  return true;
}

bool UnicodeToCodePage(std::uint32_t codePage, StringView text, std::string& result) {
  result.clear();
  codePage = Resolve(codePage);
  if (ownpages::IsOwnPage(codePage)) {
    ownpages::Encode(codePage, text, result);
    return true;
  }
  const char* name = IconvName(codePage);
  if (name == nullptr) return false;
  TIconv encoder(name, false);
  if (!encoder.Valid()) return false;
  result = EncodeWithIconv(encoder, text);
  return true;
}

}  // namespace platform
