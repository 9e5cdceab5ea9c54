#ifndef FENDREL_CORE_STRING_H
#define FENDREL_CORE_STRING_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// All text of the system is UTF-16. Conversions to UTF-8 happen only where text
// leaves the program (file names, the terminal, the toolkit).
using String = std::u16string;
using StringView = std::u16string_view;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(StringView text);
// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD for each offending byte.
String FromUtf8(std::string_view text);
// Each byte is the code point of the same value (ISO-8859-1).
String FromLatin1(std::string_view bytes);

String IntToStr(std::int64_t value);

// Surrogate halves of UTF-16.
inline bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Trimming removes blanks and control characters (everything up to U+0020) at the ends.
StringView TrimView(StringView text);
String TrimText(StringView text);
String TrimLeftText(StringView text);
String TrimRightText(StringView text);
// Equal, or starting with prefix, when the letters A to Z and a to z count as the same.
bool SameText(StringView a, StringView b);
bool StartsText(StringView prefix, StringView text);

// Upper-cases the letters a to z only; every other character stays as it is.
String UpperCaseAscii(StringView text);
// Lower-cases the letters A to Z only.
String LowerCaseAscii(StringView text);

// The text on one line, such that no character in it can break the line apart or steer a
// terminal: a tab becomes "\t", CR "\r", LF "\n", every other character below U+0020,
// DEL and U+0080 to U+009F "\xNN" (two lower-case hex digits); a backslash becomes "\\"
// when escapeBackslash is set (so that the escapes can be told from the text), and stays
// as it is otherwise.
String EscapeControls(StringView text, bool escapeBackslash);

// A value for Format: a text or an integer.
using FormatArg = std::variant<String, std::int64_t>;

// Fills %s and %d from the arguments in order; "%%" is a percent sign. A placeholder
// with no argument left, or of the other kind, is filled with the argument as it stands.
String Format(StringView format, std::initializer_list<FormatArg> args);

#endif
