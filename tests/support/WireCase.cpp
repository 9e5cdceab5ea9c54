#include "support/WireCase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

// Pause between the pieces of a split send, so the client tends to see them in separate receives.
constexpr int kSplitPauseMilliseconds = 15;

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::runtime_error("line " + std::to_string(line) + ": " + what);
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string Expand(std::string text, const WirePlaceholders& values) {
  const std::string bracketed = values.ipv6 ? "[" + values.host + "]" : values.host;
  const std::pair<std::string, std::string> table[] = {{"${HOST}", values.host},
                                                       {"${PORT}", values.port},
                                                       {"${URL}", "http://" + bracketed + ":" + values.port}};
  for (const auto& [name, value] : table) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
      text.replace(at, name.size(), value);
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

unsigned ReadHex(const std::string& text, std::size_t at, std::size_t digits) {
  if (at + digits > text.size()) throw std::runtime_error("escape cut short in: " + text);
  unsigned value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int d = HexValue(text[at + i]);
    if (d < 0) throw std::runtime_error("bad hex digit in escape in: " + text);
    value = value * 16 + static_cast<unsigned>(d);
  }
  return value;
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// One pass over the escapes; `emit` receives literal runs, `byte` \x values, `unit` \u values.
template <typename Out>
void Unescape(const std::string& text, Out& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      out.Literal(c);
      continue;
    }
    if (++i >= text.size()) throw std::runtime_error("lone backslash at the end of: " + text);
    switch (text[i]) {
      case 'r':
        out.Literal('\r');
        break;
      case 'n':
        out.Literal('\n');
        break;
      case 't':
        out.Literal('\t');
        break;
      case '0':
        out.Literal('\0');
        break;
      case '\\':
        out.Literal('\\');
        break;
      case 'x':
        out.Byte(ReadHex(text, i + 1, 2));
        i += 2;
        break;
      case 'u':
        out.Unit(ReadHex(text, i + 1, 4));
        i += 4;
        break;
      case '{': {
        const std::size_t colon = text.find(':', i);
        const std::size_t close = text.find('}', i);
        if (colon == std::string::npos || close == std::string::npos || close < colon)
          throw std::runtime_error("malformed repeat in: " + text);
        const long count = std::stol(text.substr(i + 1, colon - i - 1));
        if (count < 0 || count > 100000000) throw std::runtime_error("repeat count out of range in: " + text);
        const std::string piece = text.substr(colon + 1, close - colon - 1);
        for (long n = 0; n < count; ++n) Unescape(piece, out);
        i = close;
        break;
      }
      default:
        throw std::runtime_error(std::string("unknown escape \\") + text[i] + " in: " + text);
    }
  }
}

struct ByteOut {
  std::string bytes;
  void Literal(char c) { bytes += c; }
  void Byte(unsigned b) { bytes += static_cast<char>(b); }
  void Unit(unsigned u) { AppendUtf8(bytes, u); }
};

struct TextOut {
  String text;
  std::string pending;  // literal UTF-8 not yet decoded
  void Flush() {
    text += FromUtf8(pending);
    pending.clear();
  }
  void Literal(char c) { pending += c; }
  void Byte(unsigned b) {
    Flush();
    text += static_cast<char16_t>(b);
  }
  void Unit(unsigned u) {
    Flush();
    text += static_cast<char16_t>(u);
  }
};

// A data line of a block: escapes applied, CR LF added unless the line ends in a lone backslash.
std::string DataLine(const std::string& line) {
  std::size_t trailing = 0;
  while (trailing < line.size() && line[line.size() - 1 - trailing] == '\\') ++trailing;
  if (trailing % 2 == 1) return UnescapeBytes(line.substr(0, line.size() - 1));
  return UnescapeBytes(line) + "\r\n";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (const char c : text) {
    if (c == '\n') {
      if (!current.empty() && current.back() == '\r') current.pop_back();
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::pair<std::string, std::string> KeyAndRest(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return {line, {}};
  return {line.substr(0, space), line.substr(space + 1)};
}

// Builds the steps of one connection section.
class ConnectionBuilder {
 public:
  explicit ConnectionBuilder(WireConnection& target) : FTarget(target) {}

  void Directive(const std::string& line, int number) {
    EndBlock();
    const auto [name, rest] = KeyAndRest(line);
    if (name == "@request") {
      Begin(WireStep::Kind::Request, number);
    } else if (name == "@send") {
      Begin(WireStep::Kind::Send, number);
    } else if (name == "@split") {
      if (FLastSendKind != WireStep::Kind::Send) Fail(number, "@split outside a send block");
      Add({WireStep::Kind::Pause, {}, kSplitPauseMilliseconds, number});
      Begin(WireStep::Kind::Send, number);
    } else if (name == "@pause") {
      Add({WireStep::Kind::Pause, {}, std::stoi(rest), number});
      FLastSendKind = WireStep::Kind::Pause;
    } else if (name == "@close") {
      Add({WireStep::Kind::Close, {}, 0, number});
    } else if (name == "@reset") {
      Add({WireStep::Kind::Reset, {}, 0, number});
    } else if (name == "@hold") {
      Add({WireStep::Kind::Hold, {}, 0, number});
    } else if (name == "@expect-close") {
      Add({WireStep::Kind::ExpectClose, {}, 0, number});
    } else if (name == "@before-call") {
      Add({WireStep::Kind::BeforeCall, {}, std::stoi(rest), number});
    } else if (name == "@loop") {
      const int count = std::stoi(rest);
      if (count < 1 || count > 1000) Fail(number, "loop count out of range");
      FLoops.push_back({FTarget.steps.size(), count});
    } else if (name == "@end") {
      if (FLoops.empty()) Fail(number, "@end without @loop");
      const auto [start, count] = FLoops.back();
      FLoops.pop_back();
      const std::vector<WireStep> body(FTarget.steps.begin() + static_cast<std::ptrdiff_t>(start),
                                       FTarget.steps.end());
      for (int n = 1; n < count; ++n) FTarget.steps.insert(FTarget.steps.end(), body.begin(), body.end());
    } else {
      Fail(number, "unknown directive " + name);
    }
  }

  void Data(const std::string& line, int number) {
    if (!FOpen) Fail(number, "data outside a @request or @send block");
    FBlock.bytes += DataLine(line);
  }

  void Finish(int number) {
    EndBlock();
    if (!FLoops.empty()) Fail(number, "@loop without @end");
  }

  bool InBlock() const { return FOpen; }

 private:
  void Begin(WireStep::Kind kind, int number) {
    FBlock = {kind, {}, 0, number};
    FOpen = true;
    FLastSendKind = kind;
  }
  void EndBlock() {
    if (FOpen) Add(FBlock);
    FOpen = false;
  }
  void Add(WireStep step) { FTarget.steps.push_back(std::move(step)); }

  WireConnection& FTarget;
  WireStep FBlock;
  bool FOpen = false;
  WireStep::Kind FLastSendKind = WireStep::Kind::Pause;
  std::vector<std::pair<std::size_t, int>> FLoops;
};

}  // namespace

std::string UnescapeBytes(const std::string& text) {
  ByteOut out;
  Unescape(text, out);
  return out.bytes;
}

String UnescapeText(const std::string& text) {
  TextOut out;
  Unescape(text, out);
  out.Flush();
  return out.text;
}

std::string ShowBytes(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '\r') {
      shown += "\\r";
    } else if (b == '\n') {
      shown += "\\n\n";
    } else if (b == '\\') {
      shown += "\\\\";
    } else if (b >= 0x20 && b < 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kHex[b >> 4];
      shown += kHex[b & 15];
    }
  }
  return shown;
}

bool WireCaseWantsIPv6(const std::string& fileText) {
  for (const std::string& line : SplitLines(fileText))
    if (Trim(line) == "server ipv6") return true;
  return false;
}

WireCase ParseWireCase(const std::string& name, const std::string& fileText, const WirePlaceholders& values) {
  WireCase result;
  result.name = name;
  enum class Section { None, Settings, Connection, Call } section = Section::None;
  std::unique_ptr<ConnectionBuilder> builder;
  int number = 0;
  const auto endSection = [&] {
    if (builder) builder->Finish(number);
    builder.reset();
  };
  for (const std::string& raw : SplitLines(fileText)) {
    ++number;
    if (!raw.empty() && raw[0] == '#') continue;
    if (raw.rfind("==", 0) == 0) {
      endSection();
      const auto [kind, rest] = KeyAndRest(Trim(raw.substr(2)));
      if (kind == "settings") {
        section = Section::Settings;
      } else if (kind == "connection") {
        section = Section::Connection;
        result.connections.emplace_back();
        builder = std::make_unique<ConnectionBuilder>(result.connections.back());
      } else if (kind == "call") {
        section = Section::Call;
        const auto [callKind, url] = KeyAndRest(Trim(rest));
        if (callKind.empty()) Fail(number, "call without a kind");
        result.calls.push_back({callKind, Expand(url, values), {}, {}, number});
      } else {
        Fail(number, "unknown section " + kind);
      }
      continue;
    }
    const std::string line = Expand(raw, values);
    switch (section) {
      case Section::None:
        if (!Trim(line).empty()) Fail(number, "text before the first section");
        break;
      case Section::Settings: {
        if (Trim(line).empty()) break;
        const auto [key, rest] = KeyAndRest(Trim(line));
        if (key == "server") {
          if (rest != "ipv6" && rest != "ipv4") Fail(number, "server takes ipv4 or ipv6");
          result.ipv6 = rest == "ipv6";
        } else {
          result.settings.push_back({key, rest, number});
        }
        break;
      }
      case Section::Connection:
        if (!line.empty() && line[0] == '@') {
          builder->Directive(Trim(line), number);
        } else if (builder->InBlock()) {
          builder->Data(line, number);
        } else if (!Trim(line).empty()) {
          Fail(number, "data outside a @request or @send block");
        }
        break;
      case Section::Call: {
        if (Trim(line).empty()) break;
        // Values keep their spaces; only the key is split off.
        const std::string trimmedFront = line.substr(line.find_first_not_of(" \t"));
        const auto [key, rest] = KeyAndRest(trimmedFront);
        if (key == "set") {
          const auto [setting, value] = KeyAndRest(rest);
          result.calls.back().sets.push_back({setting, value, number});
        } else {
          result.calls.back().checks.push_back({key, rest, number});
        }
        break;
      }
    }
  }
  endSection();
  if (result.calls.empty()) throw std::runtime_error("the case makes no call");
  return result;
}

std::vector<std::string> ListWireCases(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".case") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace testsupport
