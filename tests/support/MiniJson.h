#ifndef FENDREL_TESTS_SUPPORT_MINIJSON_H
#define FENDREL_TESTS_SUPPORT_MINIJSON_H

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A small JSON reader for test data: objects, arrays, strings (UTF-8, with \u escapes),
// numbers, true, false and null. Malformed input throws std::runtime_error.
class TJson {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  static TJson Parse(const std::string& text) {
    size_t pos = 0;
    TJson value = ParseValue(text, pos);
    SkipSpace(text, pos);
    if (pos != text.size()) throw std::runtime_error("trailing bytes in JSON");
    return value;
  }

  Kind kind() const { return FKind; }
  bool IsNull() const { return FKind == Kind::Null; }
  bool AsBool() const { return FBool; }
  double AsNumber() const { return FNumber; }
  std::int64_t AsInt() const { return static_cast<std::int64_t>(FNumber); }
  const std::string& AsString() const { return FString; }
  const std::vector<TJson>& Items() const { return FArray; }
  bool Has(const std::string& key) const { return FObject.count(key) != 0; }
  const TJson& operator[](const std::string& key) const {
    static const TJson null;
    const auto it = FObject.find(key);
    return it == FObject.end() ? null : it->second;
  }

 private:
  static void SkipSpace(const std::string& s, size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\r' || s[pos] == '\t')) ++pos;
  }
  static void Expect(const std::string& s, size_t& pos, const char* word) {
    for (const char* p = word; *p != 0; ++p, ++pos)
      if (pos >= s.size() || s[pos] != *p) throw std::runtime_error("bad JSON literal");
  }
  static void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  static std::uint32_t Hex4(const std::string& s, size_t& pos) {
    if (pos + 4 > s.size()) throw std::runtime_error("short \\u escape");
    const std::uint32_t v = static_cast<std::uint32_t>(std::stoul(s.substr(pos, 4), nullptr, 16));
    pos += 4;
    return v;
  }
  static std::string ParseString(const std::string& s, size_t& pos) {
    std::string out;
    ++pos;
    while (true) {
      if (pos >= s.size()) throw std::runtime_error("unterminated JSON string");
      const char c = s[pos++];
      if (c == '"') return out;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      const char e = s.at(pos++);
      switch (e) {
        case 'n':
          out.push_back('\n');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'u': {
          std::uint32_t cp = Hex4(s, pos);
          if (cp >= 0xD800 && cp < 0xDC00 && pos + 6 <= s.size() && s[pos] == '\\' && s[pos + 1] == 'u') {
            pos += 2;
            const std::uint32_t low = Hex4(s, pos);
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          out.push_back(e);
          break;
      }
    }
  }
  static TJson ParseValue(const std::string& s, size_t& pos) {
    SkipSpace(s, pos);
    if (pos >= s.size()) throw std::runtime_error("unexpected end of JSON");
    TJson v;
    const char c = s[pos];
    if (c == '{') {
      v.FKind = Kind::Object;
      ++pos;
      SkipSpace(s, pos);
      if (s.at(pos) == '}') return ++pos, v;
      while (true) {
        SkipSpace(s, pos);
        std::string key = ParseString(s, pos);
        SkipSpace(s, pos);
        Expect(s, pos, ":");
        v.FObject.emplace(std::move(key), ParseValue(s, pos));
        SkipSpace(s, pos);
        if (s.at(pos) == ',') {
          ++pos;
          continue;
        }
        Expect(s, pos, "}");
        return v;
      }
    }
    if (c == '[') {
      v.FKind = Kind::Array;
      ++pos;
      SkipSpace(s, pos);
      if (s.at(pos) == ']') return ++pos, v;
      while (true) {
        v.FArray.push_back(ParseValue(s, pos));
        SkipSpace(s, pos);
        if (s.at(pos) == ',') {
          ++pos;
          continue;
        }
        Expect(s, pos, "]");
        return v;
      }
    }
    if (c == '"') {
      v.FKind = Kind::String;
      v.FString = ParseString(s, pos);
      return v;
    }
    if (c == 't') {
      Expect(s, pos, "true");
      v.FKind = Kind::Bool;
      v.FBool = true;
      return v;
    }
    if (c == 'f') {
      Expect(s, pos, "false");
      v.FKind = Kind::Bool;
      return v;
    }
    if (c == 'n') {
      Expect(s, pos, "null");
      return v;
    }
    size_t used = 0;
    v.FNumber = std::stod(s.substr(pos, 32), &used);
    v.FKind = Kind::Number;
    pos += used;
    return v;
  }

  Kind FKind = Kind::Null;
  bool FBool = false;
  double FNumber = 0;
  std::string FString;
  std::vector<TJson> FArray;
  std::map<std::string, TJson> FObject;
};

#endif
