#include "http/IdURI.h"

#include <cstdint>

#include "http/IdHeaderList.h"

namespace {

bool IsSlash(char16_t c) {
  return c == u'/' || c == u'\\';
}

// Backslashes become slashes in the part of the URL before the query and the fragment.
String NormaliseSeparators(String text) {
  std::size_t start = 0;
  const std::size_t colon = text.find(u':');
  if (colon != String::npos) {
    start = colon + 1;
    if (start + 1 < text.size() && IsSlash(text[start]) && IsSlash(text[start + 1])) start += 2;
  }
  for (std::size_t i = start; i < text.size(); ++i) {
    if (text[i] == u'?' || text[i] == u'#') break;
    if (text[i] == u'\\') text[i] = u'/';
  }
  return text;
}

bool IsUnreserved(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
         c == u'.' || c == u'_' || c == u'~';
}

String PercentEncode(const String& text, StringView keep) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  String result;
  for (const char byte : ToUtf8(text)) {
    const auto b = static_cast<std::uint8_t>(byte);
    const char16_t c = b;
    if (b < 0x80 && (IsUnreserved(c) || keep.find(c) != StringView::npos)) {
      result += c;
    } else {
      result += u'%';
      result += kHex[b >> 4];
      result += kHex[b & 0x0F];
    }
  }
  return result;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

TIdURI::TIdURI(const String& uri) {
  if (!uri.empty()) SetURI(uri);
}

void TIdURI::SetURI(const String& uri) {
  FURI = uri;
  String text = NormaliseSeparators(uri);
  FHost.clear();
  FProtocol.clear();
  FPath.clear();
  FDocument.clear();
  FPort.clear();
  FBookmark.clear();
  FUsername.clear();
  FPassword.clear();
  FParams.clear();
  FIPVersion = TIdIPVersion::Id_IPv4;

  const auto splitQuery = [this, &text] {
    const std::size_t question = text.find(u'?');
    if (question == String::npos) return;
    FParams = text.substr(question + 1);
    text.erase(question);
  };

  const std::size_t schemeEnd = text.find(u"://");
  if (schemeEnd == String::npos) {
    splitQuery();
    const std::size_t slash = text.rfind(u'/');
    if (slash != String::npos) {
      FPath = text.substr(0, slash + 1);
      text.erase(0, slash + 1);
    }
  } else {
    FProtocol = text.substr(0, schemeEnd);
    text.erase(0, schemeEnd + 3);
    splitQuery();
    String authority;
    const std::size_t slash = text.find(u'/');
    if (slash == String::npos) {
      authority = text;
      text.clear();
    } else {
      authority = text.substr(0, slash);
      text.erase(0, slash + 1);
    }
    const std::size_t at = authority.find(u'@');
    if (at != String::npos) {
      const String userInfo = authority.substr(0, at);
      authority.erase(0, at + 1);
      const std::size_t colon = userInfo.find(u':');
      FUsername = userInfo.substr(0, colon);
      if (colon != String::npos) FPassword = userInfo.substr(colon + 1);
      if (FUsername.empty()) FPassword.clear();
    }
    const std::size_t open = authority.find(u'[');
    const std::size_t close = authority.find(u']');
    if (open != String::npos && close != String::npos && open < close) {
      FHost = authority.substr(open + 1, close - open - 1);
      const std::size_t colon = authority.find(u':', close);
      if (colon != String::npos) FPort = authority.substr(colon + 1);
      FIPVersion = TIdIPVersion::Id_IPv6;
    } else {
      const std::size_t colon = authority.find(u':');
      FHost = authority.substr(0, colon);
      if (colon != String::npos) FPort = authority.substr(colon + 1);
    }
    const std::size_t last = text.rfind(u'/');
    if (last != String::npos) {
      FPath = u"/" + text.substr(0, last + 1);
      text.erase(0, last + 1);
    } else {
      FPath = u"/";
    }
  }

  const std::size_t hash = text.find(u'#');
  if (hash != String::npos) {
    FBookmark = text.substr(hash + 1);
    text.erase(hash);
  }
  FDocument = text;
}

String TIdURI::GetPathAndParams() const {
  String result = FPath + FDocument;
  if (!FParams.empty()) result += u"?" + FParams;
  return result;
}

String TIdURI::GetFullURI(TIdURIOptionalFields optionalFields) const {
  if (FProtocol.empty()) throw EIdURIException(SIdURIProtocolFieldEmpty);
  if (FHost.empty()) throw EIdURIException(SIdURIHostFieldEmpty);
  String result = FProtocol + u"://";
  if (optionalFields.Contains(TIdURIOptionalField::ofAuthInfo) && !FUsername.empty()) {
    result += FUsername;
    if (!FPassword.empty()) result += u":" + FPassword;
    result += u"@";
  }
  result += FHost;
  bool defaultPort = FPort.empty();
  if (!defaultPort) {
    defaultPort = (SameText(FProtocol, u"http") && FPort == u"80") ||
                  (SameText(FProtocol, u"https") && FPort == u"443") ||
                  (SameText(FProtocol, u"ftp") && FPort == u"21");
  }
  if (!defaultPort) result += u":" + FPort;
  result += GetPathAndParams();
  if (optionalFields.Contains(TIdURIOptionalField::ofBookmark) && !FBookmark.empty())
    result += u"#" + FBookmark;
  return result;
}

String TIdURI::URLDecode(const String& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      bytes += ToUtf8(String(1, text[i]));
    }
  }
  return FromUtf8(bytes);
}

String TIdURI::URLEncode(const String& text) {
  return PercentEncode(text, u":/?#[]@!$&'()*+,;=");
}
String TIdURI::PathEncode(const String& text) {
  return PercentEncode(text, u"/:@!$&'()*+,;=");
}
String TIdURI::ParamsEncode(const String& text) {
  return PercentEncode(text, u"&=/:@!$'()*+,;?");
}

String MergePath(const String& basePath, const String& path) {
  if (!path.empty() && path.front() == u'/') return path;
  const bool keepTrailing = path.empty() || path.back() == u'/';
  String work = basePath;
  if (!basePath.empty() && basePath.back() != u'/') work += u'/';
  work += path;

  String result;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const char16_t c = work[i];
    if (c == u'/') {
      if (i == 0)
        result = u"/";
      else if (result.empty() || result.back() != u'/')
        result += u'/';
    } else if (c == u'.' && !result.empty() && result.back() == u'/' && i + 1 < work.size() &&
               work[i + 1] == u'.' && (i + 2 == work.size() || work[i + 2] == u'/')) {
      // Only a whole ".." segment goes up: "..x" is a name like any other. Going up never
      // leaves the root of an absolute path.
      const bool absolute = result.front() == u'/';
      result.pop_back();
      while (!result.empty() && result.back() != u'/') result.pop_back();
      if (result.empty() && absolute) result = u"/";
      ++i;
    } else {
      result += c;
    }
  }
  if (result != u"/" && !result.empty() && result.back() == u'/' && !keepTrailing) result.pop_back();
  return result;
}
