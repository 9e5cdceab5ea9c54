#include "http/IdCharsetEncodings.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/CodePages.h"

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// Calls emit with each code point of the text; an unpaired surrogate becomes U+FFFD.
template <typename Emit>
void ForEachCodePoint(StringView text, Emit emit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      emit(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      emit(kReplacement);
    } else {
      emit(unit);
    }
  }
}

}  // namespace

TIdBytes TIdUTF16Encoding::GetBytes(StringView text) const {
  TIdBytes bytes;
  bytes.reserve(text.size() * 2);
  const auto put = [&](char16_t unit) {
    const auto high = static_cast<std::uint8_t>(unit >> 8);
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    bytes.push_back(FBigEndian ? high : low);
    bytes.push_back(FBigEndian ? low : high);
  };
  ForEachCodePoint(text, [&](char32_t codePoint) {
    if (codePoint >= 0x10000) {
      put(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
      put(static_cast<char16_t>(codePoint));
    }
  });
  return bytes;
}

std::size_t TIdUTF16Encoding::GetCharCount(const std::uint8_t* bytes, std::size_t count) const {
  return GetString(bytes, count).size();
}

String TIdUTF16Encoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  const std::size_t units = count / 2;
  const auto unitAt = [&](std::size_t i) {
    const std::uint8_t first = bytes[2 * i];
    const std::uint8_t second = bytes[2 * i + 1];
    return static_cast<char16_t>(FBigEndian ? (first << 8) | second : (second << 8) | first);
  };
  String text;
  text.reserve(units + count % 2);
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = unitAt(i);
    if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
      text.push_back(unit);
      text.push_back(unitAt(++i));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      text.push_back(kReplacement);
    } else {
      text.push_back(unit);
    }
  }
  if (count % 2 != 0) text.push_back(kReplacement);
  return text;
}

TIdBytes TIdUTF32Encoding::GetBytes(StringView text) const {
  TIdBytes bytes;
  bytes.reserve(text.size() * 4);
  ForEachCodePoint(text, [&](char32_t codePoint) {
    for (int i = 0; i < 4; ++i) {
      const int shift = FBigEndian ? 24 - 8 * i : 8 * i;
      bytes.push_back(static_cast<std::uint8_t>(codePoint >> shift));
    }
  });
  return bytes;
}

std::size_t TIdUTF32Encoding::GetCharCount(const std::uint8_t* bytes, std::size_t count) const {
  return GetString(bytes, count).size();
}

String TIdUTF32Encoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  const std::size_t units = count / 4;
  String text;
  text.reserve(units + (count % 4 != 0 ? 1 : 0));
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint8_t* unit = bytes + 4 * i;
    const char32_t codePoint =
        FBigEndian
            ? (char32_t(unit[0]) << 24) | (char32_t(unit[1]) << 16) | (char32_t(unit[2]) << 8) | unit[3]
            : (char32_t(unit[3]) << 24) | (char32_t(unit[2]) << 16) | (char32_t(unit[1]) << 8) | unit[0];
    if (codePoint > 0x10FFFF || IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
      text.push_back(kReplacement);
    } else if (codePoint >= 0x10000) {
      text.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(codePoint));
    }
  }
  if (count % 4 != 0) text.push_back(kReplacement);
  return text;
}

TIdBytes TIdCodePageEncoding::GetBytes(StringView text) const {
  std::string bytes;
  if (!platform::UnicodeToCodePage(FCodePage, text, bytes)) return Id8BitEncoding().GetBytes(text);
  return TIdBytes(bytes.begin(), bytes.end());
}

std::size_t TIdCodePageEncoding::GetCharCount(const std::uint8_t* bytes, std::size_t count) const {
  return GetString(bytes, count).size();
}

String TIdCodePageEncoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  const std::string_view view(reinterpret_cast<const char*>(bytes), count);
  String text;
  if (!platform::CodePageToUnicode(FCodePage, view, text)) return FromLatin1(view);
  return text;
}

const TIdTextEncoding& IdUTF16LEEncoding() {
  static const TIdUTF16Encoding instance(false);
  return instance;
}

const TIdTextEncoding& IdUTF16BEEncoding() {
  static const TIdUTF16Encoding instance(true);
  return instance;
}

const TIdTextEncoding& IdUTF32LEEncoding() {
  static const TIdUTF32Encoding instance(false);
  return instance;
}

const TIdTextEncoding& IdUTF32BEEncoding() {
  static const TIdUTF32Encoding instance(true);
  return instance;
}

const TIdTextEncoding* IdCodePageEncoding(std::uint32_t codePage) {
  // One instance per code page asked for (a few dozen at most), or none when the platform
  // cannot decode the page; the answer is kept, so the platform is asked once per page.
  static std::mutex lock;
  static std::map<std::uint32_t, std::unique_ptr<TIdCodePageEncoding>> encodings;
  const std::lock_guard<std::mutex> guard(lock);
  const auto found = encodings.find(codePage);
  if (found != encodings.end()) return found->second.get();
  std::unique_ptr<TIdCodePageEncoding> encoding;
  if (platform::IsCodePageSupported(codePage)) encoding = std::make_unique<TIdCodePageEncoding>(codePage);
  return encodings.emplace(codePage, std::move(encoding)).first->second.get();
}
