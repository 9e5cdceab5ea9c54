#ifndef FENDREL_CORE_BASE64_H
#define FENDREL_CORE_BASE64_H

#include <cstddef>
#include <cstdint>
#include <string>

// Base64 of the bytes: the standard alphabet, "=" padding, no line breaks.
std::string Base64Of(const std::uint8_t* bytes, std::size_t count);

#endif
