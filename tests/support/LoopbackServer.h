#ifndef FENDREL_SUPPORT_LOOPBACKSERVER_H
#define FENDREL_SUPPORT_LOOPBACKSERVER_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/String.h"
#include "support/LoopbackSocket.h"

namespace testsupport {

// One scripted action of a loopback server on an accepted connection.
struct ServerStep {
  enum class Kind { Send, Pause, WaitSignal, Receive, ReceiveUntil, ReceiveUntilClosed, Close, Reset, Hold };
  Kind kind = Kind::Pause;
  std::string bytes;      // Send: what to send; ReceiveUntil: the marker to wait for
  std::size_t count = 0;  // Pause: milliseconds; Receive: bytes to wait for
};

namespace step {
// Sends the bytes in one send call (TCP_NODELAY is set, so they leave at once).
ServerStep Send(std::string bytes);
// Sleeps; with a pause between two sends the client sees them in two receives.
ServerStep Pause(std::size_t milliseconds);
// Waits until the test calls Signal(); each Signal lets one such wait pass.
ServerStep WaitSignal();
// Receives until count further bytes arrived (or the peer closed), recording each receive.
ServerStep Receive(std::size_t count);
// Receives until everything received on this connection contains the marker (or the peer closed).
ServerStep ReceiveUntil(std::string marker);
// Receives until the peer closes.
ServerStep ReceiveUntilClosed();
// Shuts the sending side down and closes: the client reads the end of the stream. Input that has
// arrived is taken first, since unread input would turn the close into a reset.
ServerStep Close();
// Closes with a linger time of 0: the client sees a connection reset.
ServerStep Reset();
// Keeps the connection open and silent until the server stops.
ServerStep Hold();
}  // namespace step

// A TCP server on 127.0.0.1 or ::1 that accepts a fixed number of connections one after the
// other and runs the same script on each. When the script ends without closing, the connection
// is closed gracefully. The destructor stops the server, also in the middle of a script.
class LoopbackServer {
 public:
  using Family = LoopbackFamily;

  explicit LoopbackServer(std::vector<ServerStep> script, Family family = Family::IPv4, int connections = 1);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // The address as the client is given it: "127.0.0.1" or "::1".
  String Host() const;

  // Lets one WaitSignal step pass (now or later).
  void Signal();
  // Every receive of the server as it came, over all connections, in order.
  std::vector<std::string> Receives() const;
  // Everything received, joined.
  std::string Received() const;
  // Number of connections accepted so far.
  int Accepted() const { return FAccepted.load(); }
  // Waits (bounded) until the script has finished on every expected connection.
  bool WaitDone(int milliseconds = 10000);

  // Whether a socket can be bound to ::1 on this machine.
  static bool IPv6Available();

 private:
  void Run();
  void RunScript(int connection);
  bool WaitReadable(SocketNumber socket);
  bool ReceiveOnce(SocketNumber socket, std::string& total);
  void DrainPending(SocketNumber socket, std::string& total);

  std::vector<ServerStep> FScript;
  Family FFamily;
  int FConnections;
  SocketNumber FListener = kNoSocket;
  std::uint16_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<int> FAccepted{0};
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  int FSignals = 0;
  bool FDone = false;
  std::vector<std::string> FReceives;
  std::thread FThread;
};

}  // namespace testsupport

#endif
