#include "core/Base64.h"

std::string Base64Of(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((count + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < count; i += 3) {
    const std::uint32_t v =
        (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = count - i;
  if (rest == 0) return out;
  const std::uint32_t v =
      (std::uint32_t{bytes[i]} << 16) | (rest == 2 ? std::uint32_t{bytes[i + 1]} << 8 : 0);
  out += kAlphabet[(v >> 18) & 63];
  out += kAlphabet[(v >> 12) & 63];
  out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
  out += '=';
  return out;
}
