#include "core/String.h"

#include <vector>

std::string ToUtf8(StringView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

String FromUtf8(std::string_view text) {
  String out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, cp = b & 0x07, min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    bool ok = i + static_cast<size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) {
        ok = false;
      } else {
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

String FromLatin1(std::string_view bytes) {
  String out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

namespace {

bool IsTrimmed(char16_t c) {
  return c <= u' ';
}

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

StringView TrimView(StringView text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

String TrimText(StringView text) {
  return String(TrimView(text));
}

String TrimLeftText(StringView text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  return String(text);
}

String TrimRightText(StringView text) {
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return String(text);
}

bool SameText(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool StartsText(StringView prefix, StringView text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

String EscapeControls(StringView text, bool escapeBackslash) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  String out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c == u'\\' && escapeBackslash) {
      out += u"\\\\";
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
      out += u"\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

String IntToStr(std::int64_t value) {
  const std::string s = std::to_string(value);
  return String(s.begin(), s.end());
}

String UpperCaseAscii(StringView text) {
  String out(text);
  for (auto& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return out;
}

String LowerCaseAscii(StringView text) {
  String out(text);
  for (auto& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

String Format(StringView format, std::initializer_list<FormatArg> args) {
  String out;
  auto next = args.begin();
  auto append = [&out](const FormatArg& arg) {
    if (const auto* s = std::get_if<String>(&arg)) {
      out += *s;
    } else {
      out += IntToStr(std::get<std::int64_t>(arg));
    }
  };
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    const char16_t spec = format[i + 1];
    if (spec == u'%') {
      out += u'%';
      ++i;
    } else if (spec == u's' || spec == u'd') {
      if (next != args.end()) append(*next++);
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}
