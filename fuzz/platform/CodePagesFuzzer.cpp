// Decodes arbitrary bytes from a code page chosen by the first input byte (single-byte,
// multi-byte, stateful and EBCDIC pages, the system's own pages and some the platform does
// not offer), and encodes the text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/CodePages.h"

namespace {

constexpr std::uint32_t kCodePages[] = {platform::kSystemAnsiCodePage,
                                        platform::kSystemOemCodePage,
                                        37,
                                        437,
                                        500,
                                        708,
                                        850,
                                        866,
                                        874,
                                        932,
                                        936,
                                        949,
                                        950,
                                        1026,
                                        1200,
                                        1201,
                                        1250,
                                        1252,
                                        1258,
                                        1361,
                                        10000,
                                        10007,
                                        12000,
                                        12001,
                                        20127,
                                        20273,
                                        20866,
                                        20932,
                                        21866,
                                        28591,
                                        28592,
                                        28605,
                                        38598,
                                        50220,
                                        50221,
                                        50222,
                                        50225,
                                        50227,
                                        51932,
                                        51936,
                                        51949,
                                        52936,
                                        54936,
                                        65000,
                                        65001,
                                        4242,
                                        0xFFFF};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint32_t codePage = kCodePages[data[0] % std::size(kCodePages)];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  String text;
  const bool supported = platform::CodePageToUnicode(codePage, bytes, text);
  if (supported != platform::IsCodePageSupported(codePage)) std::abort();
  if (!supported && !text.empty()) std::abort();
  std::string back;
  if (platform::UnicodeToCodePage(codePage, text, back) != supported) std::abort();
  return 0;
}
