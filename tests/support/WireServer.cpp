#include "support/WireServer.h"

#include <chrono>
#include <stdexcept>

#include "support/TestSockets.h"

namespace testsupport {

namespace {

// How often blocking waits look at the stop flag.
constexpr int kPollMilliseconds = 20;

using Clock = std::chrono::steady_clock;

}  // namespace

WireServer::WireServer(LoopbackFamily family) {
  FListener = BindLoopbackSocket(family);
  if (FListener == kNoSocket || ::listen(FListener, 16) != 0) {
    if (FListener != kNoSocket) CloseSocket(FListener);
    throw std::runtime_error("bind or listen on loopback failed");
  }
  FPort = LocalPort(FListener);
}

void WireServer::Start(std::vector<WireConnection> scripts) {
  FScripts = std::move(scripts);
  FRecords.resize(FScripts.size());
  FAcceptThread = std::thread([this] { AcceptLoop(); });
}

WireServer::~WireServer() {
  {
    // Under the lock, so that no wait can miss it between its check and its sleep.
    const std::lock_guard<std::mutex> guard(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  if (FAcceptThread.joinable()) FAcceptThread.join();
  for (Connection& c : FConnections)
    if (c.thread.joinable()) c.thread.join();
  CloseSocket(FListener);
}

std::vector<WireConnectionRecord> WireServer::Records() const {
  const std::lock_guard<std::mutex> guard(FLock);
  return FRecords;
}

bool WireServer::WaitQuiet(int milliseconds) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return FBusy == 0; });
}

bool WireServer::WaitFinished(int milliseconds) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return FRunning == 0; });
}

void WireServer::BeginCall(int number) {
  {
    const std::lock_guard<std::mutex> guard(FLock);
    FCall = number;
  }
  FChanged.notify_all();
}

void WireServer::SetBusy(bool busy) {
  {
    const std::lock_guard<std::mutex> guard(FLock);
    FBusy += busy ? 1 : -1;
  }
  FChanged.notify_all();
}

void WireServer::AcceptLoop() {
  while (!FStop) {
    if (PollSocket(FListener, POLLIN, kPollMilliseconds) <= 0) continue;
    const SocketNumber s = AcceptSocket(FListener);
    if (s == kNoSocket) continue;
    const auto index = static_cast<std::size_t>(FAccepted.fetch_add(1));
    if (index >= FScripts.size()) {
      ++FUnexpected;
      CloseSocket(s);
      continue;
    }
    SetNoDelay(s);
    {
      const std::lock_guard<std::mutex> guard(FLock);
      ++FBusy;
      ++FRunning;
    }
    const std::lock_guard<std::mutex> guard(FLock);
    FConnections.push_back({s, std::thread([this, index, s] { RunScript(index, s); })});
  }
}

bool WireServer::WaitReadable(SocketNumber socket, int milliseconds) {
  const auto limit = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!FStop) {
    const int r = PollSocket(socket, POLLIN, kPollMilliseconds);
    if (r > 0) return true;
    if (r < 0 && !CallInterrupted()) return false;
    if (milliseconds >= 0 && Clock::now() >= limit) return false;
  }
  return false;
}

bool WireServer::ReceiveSome(SocketNumber socket, std::string& pending) {
  char buffer[65536];
  long n;
  do {
    n = ReceiveBytes(socket, buffer, sizeof buffer, false);
  } while (n < 0 && CallInterrupted());
  if (n < 0 && CallWouldBlock()) return true;
  if (n <= 0) return false;
  pending.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool WireServer::SendAll(SocketNumber socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size() && !FStop) {
    const long n = SendBytes(socket, bytes.data() + sent, bytes.size() - sent, false);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && CallInterrupted()) continue;
    if (n < 0 && CallWouldBlock()) {
      short happened = 0;
      PollSocket(socket, POLLOUT, kPollMilliseconds, &happened);
      if (happened & (POLLERR | POLLHUP)) return false;
      continue;
    }
    return false;  // the client went away
  }
  return sent == bytes.size();
}

void WireServer::RunScript(std::size_t index, SocketNumber s) {
  WireConnectionRecord record;
  std::string pending;
  bool open = true;  // the socket is still ours to close
  bool peer = true;  // the client has not closed or reset
  const auto publish = [&] {
    const std::lock_guard<std::mutex> guard(FLock);
    FRecords[index] = record;
  };
  // Waits until the client closes (bounded when limit >= 0); what arrives meanwhile is unexpected.
  const auto waitForClose = [&](int limit) {
    const auto end = Clock::now() + std::chrono::milliseconds(limit);
    while (peer && !FStop) {
      const int left =
          limit < 0 ? -1
                    : static_cast<int>(
                          std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      if (limit >= 0 && left <= 0) break;
      if (!WaitReadable(s, left)) continue;
      std::string arrived;
      peer = ReceiveSome(s, arrived);
      record.unexpected += arrived;
    }
    return !peer;
  };

  for (const WireStep& current : FScripts[index].steps) {
    if (FStop || !open) break;
    switch (current.kind) {
      case WireStep::Kind::Request: {
        SetBusy(false);
        WireConnectionRecord::Request request{current.bytes, {}, false, current.line};
        const auto limit = Clock::now() + std::chrono::milliseconds(kClientWaitMilliseconds);
        std::size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos && peer && Clock::now() < limit) {
          if (WaitReadable(s, kClientWaitMilliseconds)) peer = ReceiveSome(s, pending);
          if (FStop) break;
        }
        if (end != std::string::npos) {
          request.received = pending.substr(0, end + 4);
          request.complete = true;
          pending.erase(0, end + 4);
        } else {
          request.received = pending;
          pending.clear();
        }
        SetBusy(true);
        record.requests.push_back(std::move(request));
        publish();
        if (!record.requests.back().complete) open = peer = false;  // the script cannot go on
        break;
      }
      case WireStep::Kind::Send:
        if (peer && !SendAll(s, current.bytes)) peer = false;
        break;
      case WireStep::Kind::Pause: {
        if (!peer) break;  // nobody is waiting for the next piece any more
        const auto end = Clock::now() + std::chrono::milliseconds(current.milliseconds);
        while (!FStop && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        break;
      }
      case WireStep::Kind::Close: {
        // Unread input would turn the close into a reset; take what has arrived first.
        std::string arrived;
        while (peer && ReceiveSome(s, arrived) && !arrived.empty()) {
          record.unexpected += arrived;
          arrived.clear();
        }
        record.unexpected += pending;
        pending.clear();
        ShutdownSending(s);
        CloseSocket(s);
        open = false;
        break;
      }
      case WireStep::Kind::Reset:
        CloseWithReset(s);
        open = false;
        break;
      case WireStep::Kind::BeforeCall: {
        SetBusy(false);
        {
          std::unique_lock<std::mutex> lock(FLock);
          FChanged.wait(lock, [&] { return FCall >= current.milliseconds || FStop.load(); });
        }
        SetBusy(true);
        break;
      }
      case WireStep::Kind::Hold:
        SetBusy(false);
        waitForClose(-1);
        SetBusy(true);
        break;
      case WireStep::Kind::ExpectClose: {
        SetBusy(false);
        record.unexpected += pending;
        pending.clear();
        const bool closed = waitForClose(kClientWaitMilliseconds);
        SetBusy(true);
        record.closeWaits.push_back({closed, current.line});
        break;
      }
    }
    publish();
  }
  if (open) {
    // The script is over: whatever the client sends from now on was not expected.
    SetBusy(false);
    record.unexpected += pending;
    waitForClose(-1);
    SetBusy(true);
    CloseSocket(s);
  }
  record.finished = true;
  publish();
  {
    const std::lock_guard<std::mutex> guard(FLock);
    --FBusy;
    --FRunning;
  }
  FChanged.notify_all();
}

}  // namespace testsupport
