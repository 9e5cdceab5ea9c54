#ifndef FENDREL_ZIP_ABFILEATTRIBUTES_H
#define FENDREL_ZIP_ABFILEATTRIBUTES_H

#include <cstdint>

// File attribute bits as Windows defines them; entries carry their attributes in
// this form and the platform's file layer applies them.
inline constexpr std::uint32_t faReadOnly = 0x00000001;
inline constexpr std::uint32_t faHidden = 0x00000002;
inline constexpr std::uint32_t faSysFile = 0x00000004;
inline constexpr std::uint32_t faDirectory = 0x00000010;
inline constexpr std::uint32_t faArchive = 0x00000020;
inline constexpr std::uint32_t faSymLink = 0x00000400;

#endif
