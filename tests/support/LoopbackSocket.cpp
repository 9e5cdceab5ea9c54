#include "support/LoopbackSocket.h"

#include <stdexcept>

#include "support/TestSockets.h"

namespace testsupport {

SocketNumber BindLoopbackSocket(LoopbackFamily family) {
  const bool v6 = family == LoopbackFamily::IPv6;
  const SocketNumber s = OpenStreamSocket(v6 ? AF_INET6 : AF_INET);
  if (s == kNoSocket) return kNoSocket;
  int result = -1;
  if (v6) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr.s6_addr[15] = 1;  // ::1
    result = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    result = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  if (result != 0) {
    CloseSocket(s);
    return kNoSocket;
  }
  return s;
}

std::uint16_t LocalPort(SocketNumber socket) {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &length) != 0) return 0;
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(storage).sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in&>(storage).sin_port);
}

ClosedLoopbackPort::ClosedLoopbackPort() : FSocket(BindLoopbackSocket(LoopbackFamily::IPv4)) {
  if (FSocket == kNoSocket) throw std::runtime_error("bind on 127.0.0.1 failed");
  FPort = LocalPort(FSocket);
}

ClosedLoopbackPort::~ClosedLoopbackPort() {
  CloseSocket(FSocket);
}

std::uint16_t UnusedLoopbackPort() {
  const ClosedLoopbackPort probe;
  return probe.Port();
}

}  // namespace testsupport
