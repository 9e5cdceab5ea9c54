// The socket stack over BSD sockets.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "net/IdException.h"
#include "net/IdSocketAddressing.h"
#include "net/IdStack.h"
#include "net/posix/IdSocketErrorsPosix.h"

const int Id_SOCK_STREAM = SOCK_STREAM;
const int Id_SOL_SOCKET = SOL_SOCKET;
const int Id_SO_TYPE = SO_TYPE;
const int Id_SO_REUSEADDR = SO_REUSEADDR;
const int Id_IPPROTO_TCP = IPPROTO_TCP;
const int Id_TCP_NODELAY = TCP_NODELAY;

namespace {

using idsocketaddressing::AddressFrom;
using idsocketaddressing::FamilyOf;
using idsocketaddressing::SocketAddress;

int Fd(TIdStackSocketHandle socket) {
  return socket < 0 || socket > INT_MAX ? -1 : static_cast<int>(socket);
}

class TIdStackPosix final : public TIdStack {
 public:
  String LookupHostName(const String& host, TIdIPVersion ipVersion) override {
    addrinfo hints{};
    hints.ai_family = FamilyOf(ipVersion);
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int result = getaddrinfo(ToUtf8(host).c_str(), nullptr, &hints, &list);
    if (result != 0) RaiseSocketError(SocketErrorFromAddrInfo(result, errno));
    struct ListOwner {
      addrinfo* List;
      ~ListOwner() { freeaddrinfo(List); }
    } owner{list};
    if (list == nullptr || list->ai_addr == nullptr) RaiseSocketError(Id_WSAHOST_NOT_FOUND);
    sockaddr_storage storage{};
    std::memcpy(&storage, list->ai_addr, std::min<std::size_t>(list->ai_addrlen, sizeof storage));
    return AddressFrom(storage).IP;
  }

  TIdStackSocketHandle NewSocketHandle(int socketType, int protocol, TIdIPVersion ipVersion, bool) override {
    // Sockets are not inherited by programs this process starts.
    const int fd = ::socket(FamilyOf(ipVersion), socketType | SOCK_CLOEXEC, protocol);
    if (fd == -1) RaiseLastSocketError();
    return fd;
  }

  void Bind(TIdStackSocketHandle socket, const String& ip, std::uint16_t port,
            TIdIPVersion ipVersion) override {
    socklen_t length = 0;
    const sockaddr_storage address = SocketAddress(*this, ip, port, ipVersion, length);
    if (::bind(Fd(socket), reinterpret_cast<const sockaddr*>(&address), length) == -1) RaiseLastSocketError();
  }

  // The shutdown of a thread that closes the socket ends a pending connect here, so the
  // abandoned flag is not needed.
  void Connect(TIdStackSocketHandle socket, const String& ip, std::uint16_t port, TIdIPVersion ipVersion,
               const std::atomic<bool>*) override {
    socklen_t length = 0;
    const sockaddr_storage address = SocketAddress(*this, ip, port, ipVersion, length);
    const int fd = Fd(socket);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) return;
    if (errno != EINTR) RaiseLastSocketError();
    // An interrupted connect goes on in the background: wait for its outcome.
    while (true) {
      pollfd entry{fd, POLLOUT, 0};
      const int ready = ::poll(&entry, 1, -1);
      if (ready == -1 && errno == EINTR) continue;
      if (ready == -1) RaiseLastSocketError();
      break;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == -1) RaiseLastSocketError();
    if (error != 0) RaiseSocketError(SocketErrorFromErrno(error));
  }

  int Receive(TIdStackSocketHandle socket, TIdBytes& buffer) override {
    const std::size_t size = std::min<std::size_t>(buffer.size(), INT_MAX);
    while (true) {
      const ssize_t count = ::recv(Fd(socket), buffer.data(), size, 0);
      if (count >= 0) return static_cast<int>(count);
      if (errno != EINTR) RaiseLastSocketError();
    }
  }

  int Send(TIdStackSocketHandle socket, const TIdBytes& buffer, int offset, int size) override {
    if (offset < 0) return 0;
    std::int64_t length = static_cast<std::int64_t>(buffer.size()) - offset;
    if (size >= 0 && size < length) length = size;
    if (length <= 0) return 0;
    if (length > INT_MAX) length = INT_MAX;
    while (true) {
      // MSG_NOSIGNAL: a peer that has gone is reported as an error, not as a signal.
      const ssize_t count =
          ::send(Fd(socket), buffer.data() + offset, static_cast<std::size_t>(length), MSG_NOSIGNAL);
      if (count >= 0) return static_cast<int>(count);
      if (errno != EINTR) RaiseLastSocketError();
    }
  }

  bool SelectReadable(TIdStackSocketHandle socket, int timeoutMs) override {
    const bool unlimited = timeoutMs < 0;
    const std::uint32_t start = CurrentTicks();
    int remaining = unlimited ? -1 : timeoutMs;
    while (true) {
      pollfd entry{Fd(socket), POLLIN, 0};
      const int ready = ::poll(&entry, 1, remaining);
      if (ready == -1) {
        if (errno != EINTR) RaiseLastSocketError();
        if (!unlimited) {
          const std::uint32_t elapsed = TicksElapsed(start, CurrentTicks());
          remaining =
              elapsed >= static_cast<std::uint32_t>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(elapsed);
        }
        continue;
      }
      if (ready == 0) return false;
      if ((entry.revents & POLLNVAL) != 0) RaiseSocketError(Id_WSAENOTSOCK);
      // Data, a pending close and a pending error all make the next receive return at once.
      return true;
    }
  }

  void Disconnect(TIdStackSocketHandle socket) override {
    if (::shutdown(Fd(socket), SHUT_RDWR) == -1) RaiseLastSocketError();
  }

  int WSShutdown(TIdStackSocketHandle socket, int how) override {
    const int mode = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(Fd(socket), mode);
  }

  int WSCloseSocket(TIdStackSocketHandle socket) override {
    // Not retried on EINTR: the number is released either way.
    return ::close(Fd(socket));
  }

  TIdSocketAddress GetSocketName(TIdStackSocketHandle socket) override {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&storage), &length) == -1)
      RaiseLastSocketError();
    return AddressFrom(storage);
  }

  TIdSocketAddress GetPeerName(TIdStackSocketHandle socket) override {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getpeername(Fd(socket), reinterpret_cast<sockaddr*>(&storage), &length) == -1)
      RaiseLastSocketError();
    return AddressFrom(storage);
  }

  int GetSocketOption(TIdStackSocketHandle socket, int level, int optName) override {
    int value = 0;
    socklen_t length = sizeof value;
    if (::getsockopt(Fd(socket), level, optName, &value, &length) == -1) RaiseLastSocketError();
    return value;
  }

  void SetSocketOption(TIdStackSocketHandle socket, int level, int optName, int optVal) override {
    if (::setsockopt(Fd(socket), level, optName, &optVal, sizeof optVal) == -1) RaiseLastSocketError();
  }

  int WSGetLastError() override { return SocketErrorFromErrno(errno); }
};

}  // namespace

std::unique_ptr<TIdStack> MakePlatformStack() {
  return std::make_unique<TIdStackPosix>();
}
