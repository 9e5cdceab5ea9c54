#include "support/UnansweredListener.h"

#include <stdexcept>

#include "support/LoopbackSocket.h"
#include "support/TestSockets.h"

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
bool ConnectCompletes(SocketNumber socket, std::uint16_t port) {
  const sockaddr_in a = Loopback(port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
  if (!ConnectInProgress()) return true;  // failed at once: not silent either
  int r;
  do {
    r = PollSocket(socket, POLLOUT, 300);
  } while (r < 0 && CallInterrupted());
  return r != 0;
}

}  // namespace

UnansweredListener::UnansweredListener() {
  FListener = BindLoopbackSocket(LoopbackFamily::IPv4);
  // A backlog of 0 keeps room for a single waiting connection.
  if (FListener == kNoSocket || ::listen(FListener, 0) != 0) {
    if (FListener != kNoSocket) CloseSocket(FListener);
    throw std::runtime_error("bind or listen on loopback failed");
  }
  FPort = LocalPort(FListener);
  for (int i = 0; i < 8 && !FSilent; ++i) {
    const SocketNumber filler = OpenStreamSocket(AF_INET, true);
    if (filler == kNoSocket) break;
    FFillers.push_back(filler);
    FSilent = !ConnectCompletes(filler, FPort);
  }
}

UnansweredListener::~UnansweredListener() {
  for (const SocketNumber filler : FFillers) CloseSocket(filler);
  CloseSocket(FListener);
}

}  // namespace testsupport
