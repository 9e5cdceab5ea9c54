#ifndef FENDREL_PLATFORM_FILEATTRIBUTES_H
#define FENDREL_PLATFORM_FILEATTRIBUTES_H

#include <cstdint>

namespace platform {

// File attribute bits as Windows defines them. Archive entries carry their attributes
// in this form, and the file layer takes them in this form on every system.
inline constexpr std::uint32_t faReadOnly = 0x00000001;
inline constexpr std::uint32_t faHidden = 0x00000002;
inline constexpr std::uint32_t faSysFile = 0x00000004;
inline constexpr std::uint32_t faDirectory = 0x00000010;
inline constexpr std::uint32_t faArchive = 0x00000020;
inline constexpr std::uint32_t faSymLink = 0x00000400;

}  // namespace platform

#endif
