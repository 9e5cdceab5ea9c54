#ifndef FENDREL_SUPPORT_STACKLOOPBACK_H
#define FENDREL_SUPPORT_STACKLOOPBACK_H

#include <cstdint>
#include <string>

#include "support/LoopbackSocket.h"

// A listener and its accepted peers for the socket-layer tests, on plain loopback sockets.
namespace stacktest {

using Loopback = testsupport::LoopbackFamily;

// One accepted connection. Closes its socket when destroyed.
class StackPeer {
 public:
  StackPeer() = default;
  explicit StackPeer(testsupport::SocketNumber fd) : FFd(fd) {}
  StackPeer(StackPeer&& other) noexcept : FFd(other.FFd) { other.FFd = testsupport::kNoSocket; }
  StackPeer& operator=(StackPeer&& other) noexcept;
  StackPeer(const StackPeer&) = delete;
  StackPeer& operator=(const StackPeer&) = delete;
  ~StackPeer() { Close(); }

  bool Valid() const { return FFd != testsupport::kNoSocket; }
  void Send(const std::string& bytes);
  // Bytes until count have arrived, the peer closed or timeoutMs passed without data.
  std::string Receive(std::size_t count, int timeoutMs = 10000);
  // An orderly close (FIN).
  void Close();
  // An abortive close (RST): linger with time 0.
  void Reset();

 private:
  testsupport::SocketNumber FFd = testsupport::kNoSocket;
};

// A listening socket on 127.0.0.1 or ::1 with a port the system chooses.
class StackListener {
 public:
  explicit StackListener(Loopback family = Loopback::IPv4, int backlog = 16);
  ~StackListener();
  StackListener(const StackListener&) = delete;
  StackListener& operator=(const StackListener&) = delete;

  // False when the address family is not available on this machine.
  bool Ok() const { return FFd != testsupport::kNoSocket; }
  std::uint16_t Port() const { return FPort; }
  // Waits at most timeoutMs for a connection; an invalid peer when none came.
  StackPeer Accept(int timeoutMs = 10000);

 private:
  testsupport::SocketNumber FFd = testsupport::kNoSocket;
  std::uint16_t FPort = 0;
};

}  // namespace stacktest

#endif
