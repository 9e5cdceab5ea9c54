#include "http/IdHtmlMeta.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "net/IdGlobal.h"

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

char16_t Lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

String LowerText(StringView text) {
  String lowered(text);
  for (char16_t& c : lowered) c = Lower(c);
  return lowered;
}

// The position of needle (lower-case) in text from start on, without regard to case.
std::size_t FindText(const String& lowered, StringView needle, std::size_t start) {
  return lowered.find(needle, start);
}

struct Attribute {
  String Name;
  String Value;
};

// Reads the attributes of a tag from pos (just after its name) to its ">"; pos ends after the ">".
std::vector<Attribute> ReadAttributes(const String& text, std::size_t& pos) {
  std::vector<Attribute> attributes;
  const std::size_t n = text.size();
  while (pos < n) {
    while (pos < n && (IsSpace(text[pos]) || text[pos] == u'/')) ++pos;
    if (pos >= n) break;
    if (text[pos] == u'>') {
      ++pos;
      break;
    }
    Attribute attribute;
    const std::size_t nameStart = pos;
    while (pos < n && !IsSpace(text[pos]) && text[pos] != u'=' && text[pos] != u'>' && text[pos] != u'/')
      ++pos;
    attribute.Name = LowerText(StringView(text).substr(nameStart, pos - nameStart));
    std::size_t look = pos;
    while (look < n && IsSpace(text[look])) ++look;
    if (look < n && text[look] == u'=') {
      pos = look + 1;
      while (pos < n && IsSpace(text[pos])) ++pos;
      if (pos < n && (text[pos] == u'"' || text[pos] == u'\'')) {
        const char16_t quote = text[pos];
        const std::size_t close = text.find(quote, pos + 1);
        const std::size_t end = close == String::npos ? n : close;
        attribute.Value = text.substr(pos + 1, end - pos - 1);
        pos = close == String::npos ? n : close + 1;
      } else {
        const std::size_t valueStart = pos;
        while (pos < n && !IsSpace(text[pos]) && text[pos] != u'>') ++pos;
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
  TIdBytes bytes(static_cast<std::size_t>(size > 0 ? size : 0));
  stream.SetPosition(0);
  if (!bytes.empty()) bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), size)));
  stream.SetPosition(saved);

  const String text = Id8BitEncoding().GetString(bytes);
  const String lowered = LowerText(text);
  const std::size_t n = text.size();
  bool inHtml = false;
  std::size_t pos = 0;
  while (pos < n) {
    const std::size_t open = text.find(u'<', pos);
    if (open == String::npos) break;
    pos = open + 1;
    if (lowered.compare(open, 4, u"<!--") == 0) {
      const std::size_t close = FindText(lowered, u"-->", open + 4);
      if (close == String::npos) break;
      pos = close + 3;
      continue;
    }
    const bool endTag = pos < n && text[pos] == u'/';
    if (endTag) ++pos;
    const std::size_t nameStart = pos;
    while (pos < n && !IsSpace(text[pos]) && text[pos] != u'>' && text[pos] != u'/') ++pos;
    const String name = lowered.substr(nameStart, pos - nameStart);
    std::vector<Attribute> attributes = ReadAttributes(text, pos);
    if (endTag) continue;
    if (!inHtml) {
      inHtml = name == u"html";
      continue;
    }
    if (name == u"body") break;
    if (name == u"title" || name == u"script") {
      const std::size_t close = FindText(lowered, u"</" + name, pos);
      if (close == String::npos) break;
      pos = close;
      continue;
    }
    if (name != u"meta" || attributes.empty()) continue;
    const Attribute& first = attributes.front();
    if (first.Name == u"http-equiv") {
      for (std::size_t i = 1; i < attributes.size(); ++i) {
        if (attributes[i].Name == u"content") {
          headers.Add(first.Value + u": " + attributes[i].Value);
          break;
        }
      }
    } else if (first.Name == u"charset") {
      headers.Add(u"Content-Type: text/html; charset=\"" + first.Value + u"\"");
    }
  }
}
