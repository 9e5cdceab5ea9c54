#ifndef FENDREL_CORE_FILEMODES_H
#define FENDREL_CORE_FILEMODES_H

#include <cstdint>

// The open modes and seek origins shared by the streams and the operating system's file
// primitives beneath TFileStream.

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// File open modes: one access mode combined with one sharing mode, or fmCreate.
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareCompat = 0x0000;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;
// Creates the file, or empties it when it exists; opened for reading and writing.
inline constexpr std::uint16_t fmCreate = 0xFF00;

#endif
