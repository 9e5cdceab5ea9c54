#include "http/IdHeaderList.h"

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

bool IsContinuationLine(StringView line) {
  return !line.empty() && IsBlank(line.front());
}

TIdHeaderList::TIdHeaderList(int foldLength) : FFoldLength(foldLength) {}

void TIdHeaderList::Insert(std::size_t index, const String& line) {
  if (index > FLines.size()) index = FLines.size();
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), line);
}

void TIdHeaderList::Delete(std::size_t index) {
  if (index < FLines.size()) FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(index));
}

String TIdHeaderList::Text() const {
  String text;
  for (const String& line : FLines) text += line + u"\r\n";
  return text;
}

String TIdHeaderList::NameOf(std::size_t index) const {
  if (index >= FLines.size()) return String();
  const String& line = FLines[index];
  const std::size_t colon = line.find(u':');
  if (colon == String::npos) return String();
  return line.substr(0, colon);
}

std::size_t TIdHeaderList::ContinuationCount(std::size_t index) const {
  std::size_t count = 0;
  while (index + 1 + count < FLines.size() && IsContinuationLine(FLines[index + 1 + count])) ++count;
  return count;
}

String TIdHeaderList::ValueFromIndex(std::size_t index) const {
  if (index >= FLines.size()) return String();
  const String& line = FLines[index];
  const std::size_t colon = line.find(u':');
  String value = colon == String::npos ? String() : TrimLeftText(StringView(line).substr(colon + 1));
  if (FUnfoldLines) {
    const std::size_t count = ContinuationCount(index);
    for (std::size_t i = 1; i <= count; ++i)
      value = TrimRightText(value) + u" " + TrimText(FLines[index + i]);
  }
  return TrimText(value);
}

int TIdHeaderList::IndexOfName(StringView name) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const String& line = FLines[i];
    const std::size_t colon = line.find(u':');
    if (colon == String::npos) {
      if (name.empty() && !IsContinuationLine(line)) return static_cast<int>(i);
      continue;
    }
    if (SameText(StringView(line).substr(0, colon), name)) return static_cast<int>(i);
  }
  return -1;
}

String TIdHeaderList::Values(StringView name) const {
  const int index = IndexOfName(name);
  return index < 0 ? String() : ValueFromIndex(static_cast<std::size_t>(index));
}

std::vector<String> TIdHeaderList::ComposeLines(const String& name, const String& value) const {
  const String line = name + FNameValueSeparator + value;
  if (!FFoldLines) return {line};
  return FoldLine(line, FFoldLength);
}

void TIdHeaderList::SetValue(const String& name, const String& value) {
  const int found = IndexOfName(name);
  if (found < 0) {
    if (!value.empty())
      for (const String& piece : ComposeLines(name, value)) FLines.push_back(piece);
    return;
  }
  const auto index = static_cast<std::size_t>(found);
  const std::size_t continuations = ContinuationCount(index);
  const auto first = FLines.begin() + static_cast<std::ptrdiff_t>(index);
  FLines.erase(first, first + static_cast<std::ptrdiff_t>(continuations + 1));
  if (value.empty()) return;
  const std::vector<String> pieces = ComposeLines(name, value);
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), pieces.begin(), pieces.end());
}

void TIdHeaderList::AddValue(const String& name, const String& value) {
  if (name.empty() || value.empty()) return;
  for (const String& piece : ComposeLines(name, value)) FLines.push_back(piece);
}

void TIdHeaderList::Extract(StringView name, std::vector<String>& dest) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const String& line = FLines[i];
    const std::size_t colon = line.find(u':');
    if (colon != String::npos && SameText(StringView(line).substr(0, colon), name))
      dest.push_back(ValueFromIndex(i));
  }
}

void TIdHeaderList::Extract(StringView name, TIdHeaderList& dest) const {
  std::vector<String> values;
  Extract(name, values);
  for (const String& value : values) dest.Add(value);
}

std::vector<String> TIdHeaderList::FoldLine(const String& line, int foldLength) {
  std::vector<String> pieces;
  if (foldLength <= 0 || line.size() <= static_cast<std::size_t>(foldLength)) return {line};
  String rest = line;
  bool first = true;
  for (;;) {
    // A continuation piece carries one leading blank of its own.
    const std::size_t room = static_cast<std::size_t>(foldLength) - (first ? 0 : 1);
    if (rest.size() <= room) break;
    // The last break point that keeps the piece within the room, else the first one beyond.
    std::size_t lastFit = String::npos;
    std::size_t firstBeyond = String::npos;
    bool quoted = false;
    for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
      const char16_t c = rest[i];
      if (c == u'"') quoted = !quoted;
      if (quoted || !(c == u' ' || c == u'\t' || c == u',')) continue;
      if (i + 1 <= room) {
        lastFit = i;
      } else {
        firstBeyond = i;
        break;
      }
    }
    const std::size_t cut = lastFit != String::npos && lastFit > 0 ? lastFit : firstBeyond;
    if (cut == String::npos) break;
    pieces.push_back(first ? rest.substr(0, cut + 1) : u" " + rest.substr(0, cut + 1));
    rest.erase(0, cut + 1);
    first = false;
  }
  pieces.push_back(first ? rest : u" " + rest);
  return pieces;
}

std::vector<String> TIdHeaderList::UnfoldedLines() const {
  std::vector<String> lines;
  for (const String& line : FLines) {
    if (IsContinuationLine(line) && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}
