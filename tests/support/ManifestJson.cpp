#include "support/ManifestJson.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/String.h"

namespace testjson {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : FText(text) {}

  Value Document() {
    Value value = Any();
    Blanks();
    if (FPos != FText.size()) Fail("trailing characters");
    return value;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(FPos));
  }
  void Blanks() {
    while (FPos < FText.size() &&
           (FText[FPos] == ' ' || FText[FPos] == '\n' || FText[FPos] == '\r' || FText[FPos] == '\t')) {
      ++FPos;
    }
  }
  char Peek() {
    Blanks();
    if (FPos >= FText.size()) Fail("unexpected end");
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) Fail("unexpected character");
    ++FPos;
  }
  bool Word(std::string_view word) {
    if (FText.substr(FPos, word.size()) != word) return false;
    FPos += word.size();
    return true;
  }

  Value Any() {
    const char c = Peek();
    Value v;
    if (c == '{') {
      v.kind = Value::Kind::Object;
      ++FPos;
      if (Peek() == '}') return ++FPos, v;
      for (;;) {
        if (Peek() != '"') Fail("expected a key");
        std::string key = Text();
        Expect(':');
        v.members[key] = Any();
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.kind = Value::Kind::Array;
      ++FPos;
      if (Peek() == ']') return ++FPos, v;
      for (;;) {
        v.items.push_back(Any());
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.kind = Value::Kind::String;
      v.text = Text();
      return v;
    }
    if (Word("true")) return v.kind = Value::Kind::Bool, v.boolean = true, v;
    if (Word("false")) return v.kind = Value::Kind::Bool, v;
    if (Word("null")) return v;
    const std::size_t start = FPos;
    while (FPos < FText.size() &&
           std::string_view("+-0123456789.eE").find(FText[FPos]) != std::string_view::npos) {
      ++FPos;
    }
    if (start == FPos) Fail("unexpected character");
    v.kind = Value::Kind::Number;
    v.number = std::stod(std::string(FText.substr(start, FPos - start)));
    return v;
  }

  unsigned Hex4() {
    if (FPos + 4 > FText.size()) Fail("short escape");
    const unsigned value = static_cast<unsigned>(std::stoul(std::string(FText.substr(FPos, 4)), nullptr, 16));
    FPos += 4;
    return value;
  }

  std::string Text() {
    Expect('"');
    std::string out;
    for (;;) {
      if (FPos >= FText.size()) Fail("unterminated text");
      const char c = FText[FPos++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (FPos >= FText.size()) Fail("unterminated escape");
      const char e = FText[FPos++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          // \u escapes are UTF-16 units: a high surrogate takes the escape after it along.
          String units(1, static_cast<char16_t>(Hex4()));
          if (units[0] >= 0xD800 && units[0] <= 0xDBFF && FText.substr(FPos, 2) == "\\u") {
            FPos += 2;
            units += static_cast<char16_t>(Hex4());
          }
          out += ToUtf8(units);
          break;
        }
        default:
          out += e;
      }
    }
  }

  std::string_view FText;
  std::size_t FPos = 0;
};

}  // namespace

const Value& Value::operator[](const std::string& key) const {
  static const Value null;
  const auto found = members.find(key);
  return found == members.end() ? null : found->second;
}

Value Parse(std::string_view text) {
  return Parser(text).Document();
}

Value ParseFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return Parse(buffer.str());
}

}  // namespace testjson
