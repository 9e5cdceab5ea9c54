// Splits arbitrary URLs, rebuilds them, resolves relative paths against a base and round-trips
// the percent-encoding helpers.
//
// Input: UTF-8 text of up to three lines: the URL, a base path and a relative path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/String.h"
#include "http/IdURI.h"

namespace {

bool HasSurrogate(const String& text) {
  for (const char16_t c : text)
    if (c >= 0xD800 && c <= 0xDFFF) return true;
  return false;
}

bool StartsWith(const String& text, char16_t c) {
  return !text.empty() && text.front() == c;
}
bool EndsWith(const String& text, char16_t c) {
  return !text.empty() && text.back() == c;
}

// Whether a "/"-separated path holds a ".." segment or an empty one between two "/".
bool HasDotDotOrEmptySegment(const String& path) {
  if (path.find(u"//") != String::npos) return true;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'/', start);
    if (end == String::npos) end = path.size();
    if (path.compare(start, end - start, u"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

void CheckUrl(const String& url) {
  const TIdURI uri(url);
  // The path is a directory: absolute when a protocol was given, else relative or none.
  if (!uri.Protocol().empty() && (!StartsWith(uri.Path(), u'/') || !EndsWith(uri.Path(), u'/'))) std::abort();
  if (!uri.Path().empty() && !EndsWith(uri.Path(), u'/')) std::abort();
  if (uri.Document().find(u'/') != String::npos) std::abort();
  if (uri.Username().empty() && !uri.Password().empty()) std::abort();
  bool raised = false;
  try {
    uri.GetFullURI();
  } catch (const EIdURIException&) {
    raised = true;
  }
  if (raised != (uri.Protocol().empty() || uri.Host().empty())) std::abort();
  uri.GetPathAndParams();
}

void CheckMerge(const String& base, const String& path) {
  const String merged = MergePath(base, path);
  if (StartsWith(path, u'/')) {
    if (merged != path) std::abort();
    return;
  }
  // The request target joins an absolute directory and a relative one: the result must be an
  // absolute directory again, with every ".." applied and no empty segment.
  if (StartsWith(base, u'/') && (path.empty() || EndsWith(path, u'/'))) {
    if (!StartsWith(merged, u'/') || !EndsWith(merged, u'/')) std::abort();
    if (HasDotDotOrEmptySegment(merged)) std::abort();
  }
}

void CheckEncoding(const String& text) {
  if (HasSurrogate(text)) return;
  if (TIdURI::URLDecode(TIdURI::URLEncode(text)) != text) std::abort();
  if (TIdURI::URLDecode(TIdURI::PathEncode(text)) != text) std::abort();
  if (TIdURI::URLDecode(TIdURI::ParamsEncode(text)) != text) std::abort();
  if (text.find(u'%') == String::npos && TIdURI::URLDecode(text) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text = FromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  const std::size_t first = text.find(u'\n');
  const String url = text.substr(0, first);
  String base;
  String path;
  if (first != String::npos) {
    const std::size_t second = text.find(u'\n', first + 1);
    base = text.substr(first + 1, second == String::npos ? String::npos : second - first - 1);
    if (second != String::npos) path = text.substr(second + 1);
  }

  CheckUrl(url);
  CheckMerge(base, path);
  CheckMerge(url, base);
  CheckEncoding(url);
  return 0;
}
