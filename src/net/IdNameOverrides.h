#ifndef FENDREL_NET_IDNAMEOVERRIDES_H
#define FENDREL_NET_IDNAMEOVERRIDES_H

#include <cstdint>
#include <map>
#include <utility>

#include "core/String.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"

inline constexpr char16_t SIdNameOverrideNotAnAddress[] = u"%s ist keine IP-Adresse";

// Fixed addresses for host names, consulted before name resolution: a host (compared without
// regard to case) and a port map to an IPv4 or IPv6 address text. The connection still names
// the host everywhere else; only the address it connects to comes from here.
class TIdNameOverrides {
 public:
  // Maps host:port to the address (replacing an earlier entry); raises EIdException when the
  // address is not an IPv4 or IPv6 address. A bracketed IPv6 host is taken without brackets.
  void Add(const String& host, std::uint16_t port, const String& address);
  void Remove(const String& host, std::uint16_t port);
  void Clear() { FEntries.clear(); }
  bool Empty() const { return FEntries.empty(); }
  // The address for host:port, if there is one.
  bool Find(const String& host, std::uint16_t port, String& address) const;

  // The IP version of an address text (IPv6 when it holds ":").
  static TIdIPVersion VersionOf(StringView address);

 private:
  static String Key(const String& host);
  std::map<std::pair<String, std::uint16_t>, String> FEntries;
};

#endif
