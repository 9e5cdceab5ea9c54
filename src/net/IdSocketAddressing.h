#ifndef FENDREL_NET_IDSOCKETADDRESSING_H
#define FENDREL_NET_IDSOCKETADDRESSING_H

// The socket address structures both platform stacks fill and read the same way. Included
// by a stack's source after the system's socket headers, which declare the structures.

#include <array>
#include <cstdint>
#include <cstring>

#include "net/IdException.h"
#include "net/IdStack.h"

namespace idsocketaddressing {

inline int FamilyOf(TIdIPVersion ipVersion) {
  switch (ipVersion) {
    case TIdIPVersion::Id_IPv4:
      return AF_INET;
    case TIdIPVersion::Id_IPv6:
      return AF_INET6;
  }
  throw EIdIPVersionUnsupported();
}

// The address, port and version a call of the system returned.
inline TIdSocketAddress AddressFrom(const sockaddr_storage& storage) {
  TIdSocketAddress result;
  if (storage.ss_family == AF_INET) {
    const auto& in4 = reinterpret_cast<const sockaddr_in&>(storage);
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &in4.sin_addr, bytes.size());
    result.IP = TIdStack::FormatIPv4(bytes);
    result.Port = TIdStack::NetworkToHost(static_cast<std::uint16_t>(in4.sin_port));
    result.IPVersion = TIdIPVersion::Id_IPv4;
  } else if (storage.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(storage);
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), &in6.sin6_addr, bytes.size());
    result.IP = TIdStack::FormatIPv6(bytes);
    result.Port = TIdStack::NetworkToHost(static_cast<std::uint16_t>(in6.sin6_port));
    result.IPVersion = TIdIPVersion::Id_IPv6;
  } else {
    throw EIdIPVersionUnsupported();
  }
  return result;
}

// The structure for an IP literal (empty: any address) and a port, with its length in
// the system's length type; a malformed literal raises through the stack's errors.
template <typename Length>
sockaddr_storage SocketAddress(const TIdStack& stack, const String& ip, std::uint16_t port,
                               TIdIPVersion ipVersion, Length& length) {
  sockaddr_storage storage{};
  if (ipVersion == TIdIPVersion::Id_IPv4) {
    auto& in4 = reinterpret_cast<sockaddr_in&>(storage);
    in4.sin_family = AF_INET;
    in4.sin_port = TIdStack::HostToNetwork(port);
    if (!ip.empty()) {
      std::array<std::uint8_t, 4> bytes{};
      if (!TIdStack::ParseIPv4(ip, bytes)) stack.RaiseSocketError(Id_WSAEINVAL);
      std::memcpy(&in4.sin_addr, bytes.data(), bytes.size());
    }
    length = sizeof(sockaddr_in);
    return storage;
  }
  if (ipVersion == TIdIPVersion::Id_IPv6) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
    in6.sin6_family = AF_INET6;
    in6.sin6_port = TIdStack::HostToNetwork(port);
    if (!ip.empty()) {
      std::array<std::uint8_t, 16> bytes{};
      if (!TIdStack::ParseIPv6(ip, bytes)) throw EIdInvalidIPv6Address(Format(SIdInvalidIPv6Address, {ip}));
      std::memcpy(&in6.sin6_addr, bytes.data(), bytes.size());
    }
    length = sizeof(sockaddr_in6);
    return storage;
  }
  throw EIdIPVersionUnsupported();
}

}  // namespace idsocketaddressing

#endif
