#include "net/IdNameOverrides.h"

#include "net/IdStack.h"

String TIdNameOverrides::Key(const String& host) {
  String key = host;
  if (key.size() >= 2 && key.front() == u'[' && key.back() == u']') key = key.substr(1, key.size() - 2);
  return LowerCaseAscii(key);
}

void TIdNameOverrides::Add(const String& host, std::uint16_t port, const String& address) {
  String plain = address;
  if (plain.size() >= 2 && plain.front() == u'[' && plain.back() == u']')
    plain = plain.substr(1, plain.size() - 2);
  if (!TIdStack::IsIP(plain) && TIdStack::MakeCanonicalIPv6Address(plain).empty())
    throw EIdException(Format(SIdNameOverrideNotAnAddress, {address}));
  FEntries[{Key(host), port}] = plain;
}

void TIdNameOverrides::Remove(const String& host, std::uint16_t port) {
  FEntries.erase({Key(host), port});
}

bool TIdNameOverrides::Find(const String& host, std::uint16_t port, String& address) const {
  if (FEntries.empty()) return false;
  const auto it = FEntries.find({Key(host), port});
  if (it == FEntries.end()) return false;
  address = it->second;
  return true;
}

TIdIPVersion TIdNameOverrides::VersionOf(StringView address) {
  return address.find(u':') != StringView::npos ? TIdIPVersion::Id_IPv6 : TIdIPVersion::Id_IPv4;
}
