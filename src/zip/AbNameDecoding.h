#ifndef FENDREL_ZIP_ABNAMEDECODING_H
#define FENDREL_ZIP_ABNAMEDECODING_H

#include <cstdint>
#include <string_view>

#include "core/String.h"

class TAbZipDirectoryFileHeader;

// Decodes an entry's stored name; the first rule that applies decides:
//   1. bit 11 is set, or the raw name is well-formed UTF-8 with a byte of 80 or more: UTF-8;
//   2. a 0x7075 sub-field (version 1, CRC-32 of the raw name matching): its UTF-8 text;
//   3. a 0x554E sub-field ("NUCX", consistent length): its UTF-16 text;
//   4. ANSI and OEM code pages are the same: ANSI;
//   5. made on MS-DOS: OEM;
//   6. OEM when the name looks OEM-encoded, else ANSI.
String AbDecodeZipName(const TAbZipDirectoryFileHeader& header, std::uint32_t ansiCodePage,
                       std::uint32_t oemCodePage);
// The same with the system's own code pages.
String AbDecodeZipName(const TAbZipDirectoryFileHeader& header);

// Well-formed in the sense of rule 1 (lead bytes C2-DF, E0-EF, F0-F4 with their
// continuation bytes; nothing cut off). Plain bytes alone do not count as UTF-8.
bool AbIsUtf8Name(std::string_view raw);

// UTF-8 to UTF-16. Anything that is not a valid scalar value (stray or missing
// continuation bytes, overlong forms, surrogates, values past 10FFFF) gives U+FFFD.
String AbDecodeUtf8(std::string_view bytes);

// True when every byte of 80 or more is a letter in the OEM code page and at least one
// of them is not a letter in the ANSI code page that goes with it. Defined for OEM code
// pages 437, 720, 737, 775, 850, 852, 855, 857, 862 and 866; false for any other.
bool AbLooksOemEncoded(std::string_view raw, std::uint32_t oemCodePage);

#endif
