#include "support/StackLoopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace stacktest {
namespace {

bool WaitReadable(int fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, timeoutMs);
  } while (ready == -1 && errno == EINTR);
  return ready > 0;
}

std::uint16_t LocalPort(int fd) {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) return 0;
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(storage).sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in&>(storage).sin_port);
}

// A socket bound to the loopback address of the family and port 0, or -1.
int BoundLoopbackSocket(Loopback family) {
  const int domain = family == Loopback::IPv6 ? AF_INET6 : AF_INET;
  const int fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int result = -1;
  if (family == Loopback::IPv6) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  if (result != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

StackPeer& StackPeer::operator=(StackPeer&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = other.FFd;
    other.FFd = -1;
  }
  return *this;
}

void StackPeer::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (FFd >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(FFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

std::string StackPeer::Receive(std::size_t count, int timeoutMs) {
  std::string bytes;
  char chunk[4096];
  while (FFd >= 0 && bytes.size() < count && WaitReadable(FFd, timeoutMs)) {
    const ssize_t n = ::recv(FFd, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

void StackPeer::Close() {
  if (FFd < 0) return;
  ::close(FFd);
  FFd = -1;
}

void StackPeer::Reset() {
  if (FFd < 0) return;
  linger option{1, 0};
  ::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  Close();
}

StackListener::StackListener(Loopback family, int backlog) {
  FFd = BoundLoopbackSocket(family);
  if (FFd < 0) return;
  if (::listen(FFd, backlog) != 0) {
    ::close(FFd);
    FFd = -1;
    return;
  }
  FPort = LocalPort(FFd);
}

StackListener::~StackListener() {
  if (FFd >= 0) ::close(FFd);
}

StackPeer StackListener::Accept(int timeoutMs) {
  if (FFd < 0 || !WaitReadable(FFd, timeoutMs)) return StackPeer();
  const int fd = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
  return StackPeer(fd);
}

StackClosedPort::StackClosedPort() {
  FFd = BoundLoopbackSocket(Loopback::IPv4);
  if (FFd >= 0) FPort = LocalPort(FFd);
}

StackClosedPort::~StackClosedPort() {
  if (FFd >= 0) ::close(FFd);
}

}  // namespace stacktest
