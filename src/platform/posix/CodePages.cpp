#include "platform/CodePages.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace platform {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

std::uint32_t Resolve(std::uint32_t codePage) {
  if (codePage == CP_ACP) return AnsiCodePage();
  if (codePage == CP_OEMCP) return OemCodePage();
  return codePage;
}

// The iconv name of a Windows code page; empty when iconv cannot be asked for it.
std::string IconvName(std::uint32_t codePage) {
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  switch (codePage) {
    case 20932:
    case 51932:
      return "EUC-JP";
    case 50220:
    case 50221:
    case 50222:
      return "ISO-2022-JP";
    case 50225:
      return "ISO-2022-KR";
    case 51949:
      return "EUC-KR";
    case 51936:
      return "GB2312";
    case 52936:
      return "HZ-GB-2312";
    case 54936:
      return "GB18030";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 10000:
      return "MACINTOSH";
    case 10007:
      return "MACCYRILLIC";
    case 20936:
      return "GB2312";
    case 65000:
      return "UTF-7";
    default:
      break;
  }
  return "CP" + std::to_string(codePage);
}

bool DecodeOwn(std::uint32_t codePage, std::string_view bytes, String& result) {
  switch (codePage) {
    case 20127:
      for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        result.push_back(byte < 0x80 ? static_cast<char16_t>(byte) : kReplacement);
      }
      return true;
    case 28591:
      result = FromLatin1(bytes);
      return true;
    case 65001:
      result = FromUtf8(bytes);
      return true;
    default:
      return false;
  }
}

class IconvDecoder {
 public:
  explicit IconvDecoder(std::uint32_t codePage)
      : FHandle(iconv_open("UTF-16LE", IconvName(codePage).c_str())) {}
  ~IconvDecoder() {
    if (Valid()) iconv_close(FHandle);
  }
  IconvDecoder(const IconvDecoder&) = delete;
  IconvDecoder& operator=(const IconvDecoder&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

  String Decode(std::string_view bytes) {
    String result;
    char16_t out[1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
      char* outPtr = reinterpret_cast<char*>(out);
      std::size_t outLeft = sizeof(out);
      const std::size_t rc = iconv(FHandle, &in, &inLeft, &outPtr, &outLeft);
      result.append(out, (sizeof(out) - outLeft) / sizeof(char16_t));
      if (rc != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // An invalid byte: replace it and go on after it. An incomplete sequence at the end:
      // replace it and stop.
      result.push_back(kReplacement);
      iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
      if (errno == EINVAL) break;
      ++in;
      --inLeft;
    }
    // Flush a stateful decoder's pending output.
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof(out);
    iconv(FHandle, nullptr, nullptr, &outPtr, &outLeft);
    result.append(out, (sizeof(out) - outLeft) / sizeof(char16_t));
    return result;
  }

 private:
  iconv_t FHandle;
};

}  // namespace

std::uint32_t AnsiCodePage() {
  return 1252;
}
std::uint32_t OemCodePage() {
  return 850;
}

bool IsCodePageSupported(std::uint32_t codePage) {
  codePage = Resolve(codePage);
  if (codePage == 20127 || codePage == 28591 || codePage == 65001) return true;
  return IconvDecoder(codePage).Valid();
}

bool CodePageToUnicode(std::uint32_t codePage, std::string_view bytes, String& result) {
  result.clear();
  codePage = Resolve(codePage);
  if (DecodeOwn(codePage, bytes, result)) return true;
  IconvDecoder decoder(codePage);
  if (!decoder.Valid()) return false;
  result = decoder.Decode(bytes);
  return true;
}

}  // namespace platform
