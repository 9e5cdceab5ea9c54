#ifndef FENDREL_SUPPORT_LOOPBACKSOCKET_H
#define FENDREL_SUPPORT_LOOPBACKSOCKET_H

#include <cstdint>

#include "support/TestSockets.h"

// Plain loopback sockets written directly against the operating system, so that the
// test servers do not depend on the code under test. Nothing here touches an address
// other than 127.0.0.1 or ::1.
namespace testsupport {

enum class LoopbackFamily { IPv4, IPv6 };

// A TCP socket bound to 127.0.0.1 or ::1 on a port the system chooses; kNoSocket when the
// family is not available on this machine.
SocketNumber BindLoopbackSocket(LoopbackFamily family);

// The local port of a bound socket (0 when it cannot be read).
std::uint16_t LocalPort(SocketNumber socket);

// A port on 127.0.0.1 that is bound but not listening while the object lives, so that
// a connect to it is refused and no other program can take it meanwhile.
class ClosedLoopbackPort {
 public:
  ClosedLoopbackPort();
  ~ClosedLoopbackPort();
  ClosedLoopbackPort(const ClosedLoopbackPort&) = delete;
  ClosedLoopbackPort& operator=(const ClosedLoopbackPort&) = delete;
  std::uint16_t Port() const { return FPort; }

 private:
  SocketNumber FSocket = kNoSocket;
  std::uint16_t FPort = 0;
};

// A loopback port on which nothing listens, free to be bound: found by binding once,
// then released.
std::uint16_t UnusedLoopbackPort();

}  // namespace testsupport

#endif
