#ifndef FENDREL_ZIP_ABRECORDREADING_H
#define FENDREL_ZIP_ABRECORDREADING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TStream;

// Reading ZIP records from a stream. Lengths come from the records themselves and are
// not trusted: bytes are read in bounded chunks, so nothing is allocated for bytes
// the stream does not hold.
namespace abrecord {

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads up to count bytes into buffer, going on after short reads until the stream
// ends; what was not delivered is left as 0. Answers the bytes read.
std::size_t ReadFixed(TStream& stream, std::uint8_t* buffer, std::size_t count);
// Reads up to count bytes; the text holds what the stream delivered (fewer at its end).
std::string ReadPlain(TStream& stream, std::size_t count);
// Reads exactly count bytes; fewer raise EReadError "Stream-Lesefehler".
std::vector<std::uint8_t> ReadExact(TStream& stream, std::size_t count);

}  // namespace abrecord

#endif
