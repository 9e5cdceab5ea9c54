#include "support/StackLoopback.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/LoopbackSocket.h"

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
  FFd = testsupport::BindLoopbackSocket(family);
  if (FFd < 0) return;
  if (::listen(FFd, backlog) != 0) {
    ::close(FFd);
    FFd = -1;
    return;
  }
  FPort = testsupport::LocalPort(FFd);
}

StackListener::~StackListener() {
  if (FFd >= 0) ::close(FFd);
}

StackPeer StackListener::Accept(int timeoutMs) {
  if (FFd < 0 || !WaitReadable(FFd, timeoutMs)) return StackPeer();
  const int fd = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
  return StackPeer(fd);
}

}  // namespace stacktest
