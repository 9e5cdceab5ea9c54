#include "support/StackLoopback.h"

#include <algorithm>

#include "support/LoopbackSocket.h"
#include "support/TestSockets.h"

namespace stacktest {
namespace {

using testsupport::kNoSocket;
using testsupport::SocketNumber;

bool WaitReadable(SocketNumber fd, int timeoutMs) {
  int ready = 0;
  do {
    ready = testsupport::PollSocket(fd, POLLIN, timeoutMs);
  } while (ready == -1 && testsupport::CallInterrupted());
  return ready > 0;
}

}  // namespace

StackPeer& StackPeer::operator=(StackPeer&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = other.FFd;
    other.FFd = kNoSocket;
  }
  return *this;
}

void StackPeer::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (FFd != kNoSocket && sent < bytes.size()) {
    const long n = testsupport::SendBytes(FFd, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && testsupport::CallInterrupted()) continue;
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

std::string StackPeer::Receive(std::size_t count, int timeoutMs) {
  std::string bytes;
  char chunk[4096];
  while (FFd != kNoSocket && bytes.size() < count && WaitReadable(FFd, timeoutMs)) {
    const long n = testsupport::ReceiveBytes(FFd, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (n < 0 && testsupport::CallInterrupted()) continue;
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

void StackPeer::Close() {
  if (FFd == kNoSocket) return;
  testsupport::CloseSocket(FFd);
  FFd = kNoSocket;
}

void StackPeer::Reset() {
  if (FFd == kNoSocket) return;
  testsupport::CloseWithReset(FFd);
  FFd = kNoSocket;
}

StackListener::StackListener(Loopback family, int backlog) {
  FFd = testsupport::BindLoopbackSocket(family);
  if (FFd == kNoSocket) return;
  if (::listen(FFd, backlog) != 0) {
    testsupport::CloseSocket(FFd);
    FFd = kNoSocket;
    return;
  }
  FPort = testsupport::LocalPort(FFd);
}

StackListener::~StackListener() {
  if (FFd != kNoSocket) testsupport::CloseSocket(FFd);
}

StackPeer StackListener::Accept(int timeoutMs) {
  if (FFd == kNoSocket || !WaitReadable(FFd, timeoutMs)) return StackPeer();
  return StackPeer(testsupport::AcceptSocket(FFd));
}

}  // namespace stacktest
