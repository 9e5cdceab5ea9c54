#include "net/IdGlobal.h"

#include <string_view>

#include "platform/Clock.h"

namespace {

constexpr std::uint8_t QuestionMark = 63;

TIdBytes NarrowEach(StringView text, char16_t limit) {
  TIdBytes bytes(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    bytes[i] = unit < limit ? static_cast<std::uint8_t>(unit) : QuestionMark;
  }
  return bytes;
}

}  // namespace

TIdBytes TIdASCIIEncoding::GetBytes(StringView text) const {
  return NarrowEach(text, 128);
}

String TIdASCIIEncoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  String text(count, u'\0');
  for (std::size_t i = 0; i < count; ++i)
    text[i] = bytes[i] < 128 ? char16_t(bytes[i]) : char16_t(QuestionMark);
  return text;
}

TIdBytes TId8BitEncoding::GetBytes(StringView text) const {
  return NarrowEach(text, 256);
}

String TId8BitEncoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  return FromLatin1(std::string_view(reinterpret_cast<const char*>(bytes), count));
}

std::size_t TIdUTF8Encoding::GetByteCount(StringView text) const {
  return ToUtf8(text).size();
}

TIdBytes TIdUTF8Encoding::GetBytes(StringView text) const {
  const std::string utf8 = ToUtf8(text);
  return TIdBytes(utf8.begin(), utf8.end());
}

std::size_t TIdUTF8Encoding::GetCharCount(const std::uint8_t* bytes, std::size_t count) const {
  return GetString(bytes, count).size();
}

String TIdUTF8Encoding::GetString(const std::uint8_t* bytes, std::size_t count) const {
  if (count == 0) return String();
  return FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes), count));
}

const TIdTextEncoding& IdASCIIEncoding() {
  static const TIdASCIIEncoding instance;
  return instance;
}

const TIdTextEncoding& Id8BitEncoding() {
  static const TId8BitEncoding instance;
  return instance;
}

const TIdTextEncoding& IdUTF8Encoding() {
  static const TIdUTF8Encoding instance;
  return instance;
}

const TIdTextEncoding& EncodingOf(TIdEncodingCode code) {
  switch (code) {
    case TIdEncodingCode::ecUTF8:
      return IdUTF8Encoding();
    case TIdEncodingCode::ec8Bit:
      return Id8BitEncoding();
    case TIdEncodingCode::ecASCII:
    case TIdEncodingCode::ecDefault:
      break;
  }
  return IdASCIIEncoding();
}

const TIdTextEncoding& EncodingOrDefault(const TIdTextEncoding* given, const TIdTextEncoding* fallback) {
  if (given != nullptr) return *given;
  if (fallback != nullptr) return *fallback;
  return EncodingOf(TIdEncodingCode::ecDefault);
}

void ResolveEncoding(const TIdTextEncoding*& encoding, TIdEncodingCode code) {
  if (encoding == nullptr) encoding = &EncodingOf(code);
}

TIdBytes TextToBytes(StringView text, const TIdTextEncoding* encoding) {
  if (text.empty()) return TIdBytes();
  return EncodingOrDefault(encoding).GetBytes(text);
}

String BytesToText(const TIdBytes& bytes, std::int64_t startIndex, std::int64_t length,
                   const TIdTextEncoding* encoding) {
  const auto total = static_cast<std::int64_t>(bytes.size());
  if (startIndex < 0 || startIndex >= total) return String();
  std::int64_t count = total - startIndex;
  if (length >= 0 && length < count) count = length;
  if (count < 1) return String();
  return EncodingOrDefault(encoding).GetString(bytes.data() + startIndex, static_cast<std::size_t>(count));
}

std::uint32_t CurrentTicks() {
  return platform::SystemClock().TickCount();
}

std::uint32_t TicksElapsed(std::uint32_t oldTicks, std::uint32_t newTicks) {
  if (newTicks >= oldTicks) return newTicks - oldTicks;
  // The counter wrapped. The count is one below the exact distance, which only lets a
  // time-out end a millisecond late.
  return 0xFFFFFFFFu - oldTicks + newTicks;
}
