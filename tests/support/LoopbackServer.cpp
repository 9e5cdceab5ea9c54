#include "support/LoopbackServer.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "support/LoopbackSocket.h"
#include "support/TestSockets.h"

namespace testsupport {

namespace step {
ServerStep Send(std::string bytes) {
  return {ServerStep::Kind::Send, std::move(bytes), 0};
}
ServerStep Pause(std::size_t milliseconds) {
  return {ServerStep::Kind::Pause, {}, milliseconds};
}
ServerStep WaitSignal() {
  return {ServerStep::Kind::WaitSignal, {}, 0};
}
ServerStep Receive(std::size_t count) {
  return {ServerStep::Kind::Receive, {}, count};
}
ServerStep ReceiveUntil(std::string marker) {
  return {ServerStep::Kind::ReceiveUntil, std::move(marker), 0};
}
ServerStep ReceiveUntilClosed() {
  return {ServerStep::Kind::ReceiveUntilClosed, {}, 0};
}
ServerStep Close() {
  return {ServerStep::Kind::Close, {}, 0};
}
ServerStep Reset() {
  return {ServerStep::Kind::Reset, {}, 0};
}
ServerStep Hold() {
  return {ServerStep::Kind::Hold, {}, 0};
}
}  // namespace step

namespace {

// How often blocking waits look at the stop flag.
constexpr int kPollMilliseconds = 20;

SocketNumber OpenListener(LoopbackFamily family, std::uint16_t& port) {
  const SocketNumber s = BindLoopbackSocket(family);
  if (s == kNoSocket || ::listen(s, 8) != 0) {
    if (s != kNoSocket) CloseSocket(s);
    throw std::runtime_error("bind or listen on loopback failed");
  }
  port = LocalPort(s);
  return s;
}

void SendAll(SocketNumber socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = SendBytes(socket, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && CallInterrupted()) continue;
    if (n <= 0) return;  // the client went away; the script goes on without it
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<ServerStep> script, Family family, int connections)
    : FScript(std::move(script)), FFamily(family), FConnections(connections) {
  FListener = OpenListener(family, FPort);
  FThread = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
  FStop = true;
  FChanged.notify_all();
  if (FThread.joinable()) FThread.join();
  if (FListener != kNoSocket) CloseSocket(FListener);
}

String LoopbackServer::Host() const {
  return FFamily == Family::IPv6 ? u"::1" : u"127.0.0.1";
}

void LoopbackServer::Signal() {
  {
    const std::lock_guard<std::mutex> guard(FLock);
    ++FSignals;
  }
  FChanged.notify_all();
}

std::vector<std::string> LoopbackServer::Receives() const {
  const std::lock_guard<std::mutex> guard(FLock);
  return FReceives;
}

std::string LoopbackServer::Received() const {
  std::string all;
  for (const std::string& r : Receives()) all += r;
  return all;
}

bool LoopbackServer::WaitDone(int milliseconds) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return FDone; });
}

bool LoopbackServer::IPv6Available() {
  const SocketNumber s = BindLoopbackSocket(LoopbackFamily::IPv6);
  if (s == kNoSocket) return false;
  CloseSocket(s);
  return true;
}

bool LoopbackServer::WaitReadable(SocketNumber socket) {
  while (!FStop) {
    const int r = PollSocket(socket, POLLIN, kPollMilliseconds);
    if (r > 0) return true;
    if (r < 0 && !CallInterrupted()) return false;
  }
  return false;
}

// One receive, recorded; false when the peer closed, the receive failed or the server stops.
bool LoopbackServer::ReceiveOnce(SocketNumber socket, std::string& total) {
  if (!WaitReadable(socket)) return false;
  char buffer[65536];
  long n;
  do {
    n = ReceiveBytes(socket, buffer, sizeof buffer);
  } while (n < 0 && CallInterrupted());
  if (n <= 0) return false;
  std::string piece(buffer, static_cast<std::size_t>(n));
  total += piece;
  const std::lock_guard<std::mutex> guard(FLock);
  FReceives.push_back(std::move(piece));
  return true;
}

void LoopbackServer::DrainPending(SocketNumber socket, std::string& total) {
  char buffer[65536];
  for (;;) {
    const long n = ReceiveBytes(socket, buffer, sizeof buffer, false);
    if (n < 0 && CallInterrupted()) continue;
    if (n <= 0) return;
    std::string piece(buffer, static_cast<std::size_t>(n));
    total += piece;
    const std::lock_guard<std::mutex> guard(FLock);
    FReceives.push_back(std::move(piece));
  }
}

void LoopbackServer::Run() {
  for (int connection = 0; connection < FConnections && !FStop; ++connection) RunScript(connection);
  {
    const std::lock_guard<std::mutex> guard(FLock);
    FDone = true;
  }
  FChanged.notify_all();
}

void LoopbackServer::RunScript(int /*connection*/) {
  if (!WaitReadable(FListener)) return;
  const SocketNumber s = AcceptSocket(FListener);
  if (s == kNoSocket) return;
  ++FAccepted;
  SetNoDelay(s);

  bool open = true;
  std::string total;
  for (const ServerStep& current : FScript) {
    if (FStop) break;
    switch (current.kind) {
      case ServerStep::Kind::Send:
        SendAll(s, current.bytes);
        break;
      case ServerStep::Kind::Pause:
        std::this_thread::sleep_for(std::chrono::milliseconds(current.count));
        break;
      case ServerStep::Kind::WaitSignal: {
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait(lock, [this] { return FSignals > 0 || FStop.load(); });
        if (FSignals > 0) --FSignals;
        break;
      }
      case ServerStep::Kind::Receive: {
        const std::size_t goal = total.size() + current.count;
        while (total.size() < goal && ReceiveOnce(s, total)) {
        }
        break;
      }
      case ServerStep::Kind::ReceiveUntil:
        while (total.find(current.bytes) == std::string::npos && ReceiveOnce(s, total)) {
        }
        break;
      case ServerStep::Kind::ReceiveUntilClosed:
        while (ReceiveOnce(s, total)) {
        }
        break;
      case ServerStep::Kind::Close:
        // Unread input would turn the close into a reset; take what has arrived first.
        DrainPending(s, total);
        ShutdownSending(s);
        CloseSocket(s);
        open = false;
        break;
      case ServerStep::Kind::Reset:
        CloseWithReset(s);
        open = false;
        break;
      case ServerStep::Kind::Hold:
        while (!FStop) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
        break;
    }
    if (!open) break;
  }
  if (open) {
    DrainPending(s, total);
    ShutdownSending(s);
    CloseSocket(s);
  }
}

}  // namespace testsupport
