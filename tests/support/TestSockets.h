#ifndef FENDREL_SUPPORT_TESTSOCKETS_H
#define FENDREL_SUPPORT_TESTSOCKETS_H

// The few socket calls the test servers make, once for POSIX and once for Windows Sockets,
// so that the servers are written once and stay independent of the code under test.
// Tests only: the program itself reaches the system through src/platform and src/net.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <cstddef>

namespace testsupport {

#ifdef _WIN32
using SocketNumber = SOCKET;
inline constexpr SocketNumber kNoSocket = INVALID_SOCKET;
#else
using SocketNumber = int;
inline constexpr SocketNumber kNoSocket = -1;
#endif

#ifdef _WIN32
// Windows Sockets must be started once per process before the first socket call.
inline void StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  static_cast<void>(started);
}

inline void SetBlocking(SocketNumber s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
}

// One call on the socket that, with wait false, takes only what is there at once: the
// system has no flag for that, so the socket is non-blocking for the call alone, and the
// call's error survives the switch back.
template <typename Call>
int CallWaitingOrNot(SocketNumber s, bool wait, Call call) {
  if (wait) return call();
  SetBlocking(s, false);
  const int n = call();
  const int error = ::WSAGetLastError();
  SetBlocking(s, true);
  ::WSASetLastError(error);
  return n;
}
#endif

// A TCP socket of the family (AF_INET or AF_INET6), not inherited by child programs.
inline SocketNumber OpenStreamSocket(int family, bool nonBlocking = false) {
#ifdef _WIN32
  StartSockets();
  const SocketNumber s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (s != kNoSocket) {
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    if (nonBlocking) SetBlocking(s, false);
  }
  return s;
#else
  const int s = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
  return s < 0 ? kNoSocket : s;
#endif
}

inline void CloseSocket(SocketNumber s) {
#ifdef _WIN32
  ::closesocket(s);
#else
  ::close(s);
#endif
}

// Whether the last failed call was interrupted by a signal and is to be repeated.
inline bool CallInterrupted() {
#ifdef _WIN32
  return false;
#else
  return errno == EINTR;
#endif
}

// Whether the last failed call on a non-blocking socket found nothing to do yet.
inline bool CallWouldBlock() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
  return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

// Whether the last connect on a non-blocking socket was started and goes on.
inline bool ConnectInProgress() {
#ifdef _WIN32
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
  return errno == EINPROGRESS;
#endif
}

// Waits at most timeoutMs for the events (POLLIN, POLLOUT) on one socket: poll's result, and
// the events that came in `happened`.
inline int PollSocket(SocketNumber s, short events, int timeoutMs, short* happened = nullptr) {
#ifdef _WIN32
  WSAPOLLFD entry{s, events, 0};
  const int r = ::WSAPoll(&entry, 1, timeoutMs);
#else
  pollfd entry{s, events, 0};
  const int r = ::poll(&entry, 1, timeoutMs);
#endif
  if (happened) *happened = entry.revents;
  return r;
}

inline SocketNumber AcceptSocket(SocketNumber listener) {
  for (;;) {
#ifdef _WIN32
    const SocketNumber s = ::accept(listener, nullptr, nullptr);
    if (s != kNoSocket) ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
#else
    const SocketNumber s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
#endif
    if (s != kNoSocket || !CallInterrupted()) return s;
  }
}

// One send; with wait false it takes only what fits at once. A peer that went away is a
// failure (-1), never a signal.
inline long SendBytes(SocketNumber s, const char* bytes, std::size_t count, bool wait = true) {
#ifdef _WIN32
  return CallWaitingOrNot(s, wait, [&] { return ::send(s, bytes, static_cast<int>(count), 0); });
#else
  return static_cast<long>(::send(s, bytes, count, MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT)));
#endif
}

// One receive; with wait false it takes only what has arrived.
inline long ReceiveBytes(SocketNumber s, char* buffer, std::size_t size, bool wait = true) {
#ifdef _WIN32
  return CallWaitingOrNot(s, wait, [&] { return ::recv(s, buffer, static_cast<int>(size), 0); });
#else
  return static_cast<long>(::recv(s, buffer, size, wait ? 0 : MSG_DONTWAIT));
#endif
}

inline void SetIntegerOption(SocketNumber s, int level, int name, int value) {
  ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

inline void SetNoDelay(SocketNumber s) {
  SetIntegerOption(s, IPPROTO_TCP, TCP_NODELAY, 1);
}

// The sending side ends: the peer reads the end of the stream.
inline void ShutdownSending(SocketNumber s) {
#ifdef _WIN32
  ::shutdown(s, SD_SEND);
#else
  ::shutdown(s, SHUT_WR);
#endif
}

// Closes with a linger time of 0: the peer sees a connection reset.
inline void CloseWithReset(SocketNumber s) {
  linger option{};
  option.l_onoff = 1;
  option.l_linger = 0;
  ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  CloseSocket(s);
}

}  // namespace testsupport

#endif
