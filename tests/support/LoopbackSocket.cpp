#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

int BindLoopbackSocket(LoopbackFamily family, int extraTypeFlags) {
  const bool v6 = family == LoopbackFamily::IPv6;
  const int s = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | extraTypeFlags, 0);
  if (s < 0) return -1;
  int result = -1;
  if (v6) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    result = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    result = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  if (result != 0) {
    ::close(s);
    return -1;
  }
  return s;
}

std::uint16_t LocalPort(int socket) {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &length) != 0) return 0;
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(storage).sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in&>(storage).sin_port);
}

ClosedLoopbackPort::ClosedLoopbackPort() : FSocket(BindLoopbackSocket(LoopbackFamily::IPv4)) {
  if (FSocket < 0) throw std::runtime_error("bind on 127.0.0.1 failed");
  FPort = LocalPort(FSocket);
}

ClosedLoopbackPort::~ClosedLoopbackPort() { ::close(FSocket); }

std::uint16_t UnusedLoopbackPort() {
  const ClosedLoopbackPort probe;
  return probe.Port();
}

}  // namespace testsupport
