#include "support/UnansweredListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/LoopbackSocket.h"

namespace testsupport {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

// Starts a connect without waiting for it; true when it completed within the probe time.
bool ConnectCompletes(int socket, std::uint16_t port) {
  const sockaddr_in a = Loopback(port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
  if (errno != EINPROGRESS) return true;  // failed at once: not silent either
  pollfd p{socket, POLLOUT, 0};
  int r;
  do {
    r = ::poll(&p, 1, 300);
  } while (r < 0 && errno == EINTR);
  return r != 0;
}

}  // namespace

UnansweredListener::UnansweredListener() {
  FListener = BindLoopbackSocket(LoopbackFamily::IPv4);
  // A backlog of 0 keeps room for a single waiting connection.
  if (FListener < 0 || ::listen(FListener, 0) != 0) {
    if (FListener >= 0) ::close(FListener);
    throw std::runtime_error("bind or listen on loopback failed");
  }
  FPort = LocalPort(FListener);
  for (int i = 0; i < 8 && !FSilent; ++i) {
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (filler < 0) break;
    FFillers.push_back(filler);
    FSilent = !ConnectCompletes(filler, FPort);
  }
}

UnansweredListener::~UnansweredListener() {
  for (const int filler : FFillers) ::close(filler);
  ::close(FListener);
}

}  // namespace testsupport
