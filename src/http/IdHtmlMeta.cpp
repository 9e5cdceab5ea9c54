#include "http/IdHtmlMeta.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The document is scanned as bytes, one character per byte, so that a large body is held only
// twice (as read and lower-cased) while it is searched.
using Bytes = std::string;
using BytesView = std::string_view;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

Bytes LowerText(BytesView text) {
  Bytes lowered(text);
  for (char& c : lowered) c = Lower(c);
  return lowered;
}

struct Attribute {
  Bytes Name;
  Bytes Value;
};

// Reads the attributes of a tag from pos (just after its name) to its ">"; pos ends after the ">".
std::vector<Attribute> ReadAttributes(const Bytes& text, std::size_t& pos) {
  std::vector<Attribute> attributes;
  const std::size_t n = text.size();
  while (pos < n) {
    while (pos < n && (IsSpace(text[pos]) || text[pos] == '/')) ++pos;
    if (pos >= n) break;
    if (text[pos] == '>') {
      ++pos;
      break;
    }
    Attribute attribute;
    const std::size_t nameStart = pos;
    while (pos < n && !IsSpace(text[pos]) && text[pos] != '=' && text[pos] != '>' && text[pos] != '/') ++pos;
    attribute.Name = LowerText(BytesView(text).substr(nameStart, pos - nameStart));
    std::size_t look = pos;
    while (look < n && IsSpace(text[look])) ++look;
    if (look < n && text[look] == '=') {
      pos = look + 1;
      while (pos < n && IsSpace(text[pos])) ++pos;
      if (pos < n && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos];
        const std::size_t close = text.find(quote, pos + 1);
        const std::size_t end = close == Bytes::npos ? n : close;
        attribute.Value = text.substr(pos + 1, end - pos - 1);
        pos = close == Bytes::npos ? n : close + 1;
      } else {
        const std::size_t valueStart = pos;
        while (pos < n && !IsSpace(text[pos]) && text[pos] != '>') ++pos;
        attribute.Value = text.substr(valueStart, pos - valueStart);
      }
    }
    if (!attribute.Name.empty()) attributes.push_back(std::move(attribute));
  }
  return attributes;
}

}  // namespace

void ScanHtmlMetaHeaders(TStream& stream, TIdHeaderList& headers) {
  const std::int64_t saved = stream.Position();
  const std::int64_t size = stream.Size();
  Bytes text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  stream.SetPosition(0);
  if (!text.empty()) text.resize(static_cast<std::size_t>(stream.Read(text.data(), size)));
  stream.SetPosition(saved);

  const Bytes lowered = LowerText(text);
  const std::size_t n = text.size();
  bool inHtml = false;
  std::size_t pos = 0;
  while (pos < n) {
    const std::size_t open = text.find('<', pos);
    if (open == Bytes::npos) break;
    pos = open + 1;
    if (lowered.compare(open, 4, "<!--") == 0) {
      const std::size_t close = lowered.find("-->", open + 4);
      if (close == Bytes::npos) break;
      pos = close + 3;
      continue;
    }
    const bool endTag = pos < n && text[pos] == '/';
    if (endTag) ++pos;
    const std::size_t nameStart = pos;
    while (pos < n && !IsSpace(text[pos]) && text[pos] != '>' && text[pos] != '/') ++pos;
    const Bytes name = lowered.substr(nameStart, pos - nameStart);
    const std::vector<Attribute> attributes = ReadAttributes(text, pos);
    if (endTag) continue;
    if (!inHtml) {
      inHtml = name == "html";
      continue;
    }
    if (name == "body") break;
    if (name == "title" || name == "script") {
      const std::size_t close = lowered.find("</" + name, pos);
      if (close == Bytes::npos) break;
      pos = close;
      continue;
    }
    if (name != "meta" || attributes.empty()) continue;
    const Attribute& first = attributes.front();
    if (first.Name == "http-equiv") {
      for (std::size_t i = 1; i < attributes.size(); ++i) {
        if (attributes[i].Name == "content") {
          headers.Add(FromLatin1(first.Value) + u": " + FromLatin1(attributes[i].Value));
          break;
        }
      }
    } else if (first.Name == "charset") {
      headers.Add(u"Content-Type: text/html; charset=\"" + FromLatin1(first.Value) + u"\"");
    }
  }
}
