#ifndef FENDREL_NET_IDSTACK_H
#define FENDREL_NET_IDSTACK_H

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "core/String.h"
#include "net/IdGlobal.h"

// A socket number of the operating system; Id_INVALID_SOCKET when there is none.
using TIdStackSocketHandle = std::intptr_t;
inline constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;

// Socket types, levels and options as the operating system numbers them (defined by the
// platform's stack).
extern const int Id_SOCK_STREAM;
extern const int Id_SOL_SOCKET;
extern const int Id_SO_TYPE;
extern const int Id_SO_REUSEADDR;
extern const int Id_IPPROTO_TCP;
extern const int Id_TCP_NODELAY;

// Windows Sockets error numbers that the code above the stack tests for.
inline constexpr int Id_WSAEINTR = 10004;
inline constexpr int Id_WSAEBADF = 10009;
inline constexpr int Id_WSAEINVAL = 10022;
inline constexpr int Id_WSAENOTSOCK = 10038;
inline constexpr int Id_WSAEADDRINUSE = 10048;
inline constexpr int Id_WSAECONNABORTED = 10053;
inline constexpr int Id_WSAECONNRESET = 10054;
inline constexpr int Id_WSAETIMEDOUT = 10060;
inline constexpr int Id_WSAECONNREFUSED = 10061;
inline constexpr int Id_WSAHOST_NOT_FOUND = 11001;

// A local or peer address as read from a socket.
struct TIdSocketAddress {
  String IP;
  std::uint16_t Port = 0;
  TIdIPVersion IPVersion = TIdIPVersion::Id_IPv4;
};

// The process-wide socket stack. Every failure of a socket call raises EIdSocketError (or
// EIdNotASocket for 10038) carrying the Windows Sockets error number, with the message
// "Socket-Fehler # <number><text>" followed by CR LF.
//
// The instance exists while at least one user holds a reference (IncUsage / DecUsage,
// or a TIdStackUsage); GlobalStack() gives it.
class TIdStack {
 public:
  virtual ~TIdStack() = default;
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // Take and release a reference: the first creates the stack, the last frees it.
  static void IncUsage();
  static void DecUsage();

  // --- Names and addresses -------------------------------------------------------------

  // IPv4: "LOCALHOST" in any letter case gives "127.0.0.1" without a lookup, a dotted
  // address is returned as it stands, anything else is looked up. IPv6: an address text
  // gives its canonical form, anything else is looked up. Only the first address is used.
  String ResolveHost(const String& host, TIdIPVersion ipVersion = TIdIPVersion::Id_IPv4);
  // Four dot-separated decimal fields from 0 to 255 (blanks around a field allowed).
  static bool IsIP(StringView text);
  // Eight ":"-separated groups of upper-case hexadecimal without leading zeros ("::"
  // expanded, a trailing dotted IPv4 part turned into the last two groups), or empty when
  // the text is not an IPv6 address.
  static String MakeCanonicalIPv6Address(StringView text);
  // The name's first address for the version; a failure raises the socket error.
  virtual String LookupHostName(const String& host, TIdIPVersion ipVersion) = 0;

  // --- Sockets ---------------------------------------------------------------------------

  virtual TIdStackSocketHandle NewSocketHandle(int socketType, int protocol,
                                               TIdIPVersion ipVersion = TIdIPVersion::Id_IPv4,
                                               bool overlapped = false) = 0;
  // An empty address binds to any local address; a bad address text raises
  // EIdInvalidIPv6Address (IPv6) or socket error 10022 (IPv4).
  virtual void Bind(TIdStackSocketHandle socket, const String& ip, std::uint16_t port,
                    TIdIPVersion ipVersion = TIdIPVersion::Id_IPv4) = 0;
  // abandoned, when given, is set by another thread that closes the socket under a pending
  // connect. Where closing does not end a pending connect (Windows ends it only when the
  // socket is released, which the binding postpones until the connect has returned), the
  // connect watches it and then fails with 10038.
  virtual void Connect(TIdStackSocketHandle socket, const String& ip, std::uint16_t port,
                       TIdIPVersion ipVersion = TIdIPVersion::Id_IPv4,
                       const std::atomic<bool>* abandoned = nullptr) = 0;
  // Receives once into the whole array; 0 when the peer has closed.
  virtual int Receive(TIdStackSocketHandle socket, TIdBytes& buffer) = 0;
  // Sends once from offset on, at most size bytes when size is not negative; returns the
  // count sent. Nothing to send returns 0 without a system call. A peer that has gone
  // raises the socket error; it never ends the process.
  virtual int Send(TIdStackSocketHandle socket, const TIdBytes& buffer, int offset = 0, int size = -1) = 0;
  // Waits until the socket is readable (data or a pending close): -2 waits without limit,
  // 0 polls, a positive value is milliseconds. True when readable.
  virtual bool SelectReadable(TIdStackSocketHandle socket, int timeoutMs) = 0;
  // Shuts down both directions; raises on failure.
  virtual void Disconnect(TIdStackSocketHandle socket) = 0;
  // Shut down the sending side (how = 1) or close; results are returned, never raised.
  virtual int WSShutdown(TIdStackSocketHandle socket, int how) = 0;
  virtual int WSCloseSocket(TIdStackSocketHandle socket) = 0;

  virtual TIdSocketAddress GetSocketName(TIdStackSocketHandle socket) = 0;
  virtual TIdSocketAddress GetPeerName(TIdStackSocketHandle socket) = 0;
  virtual int GetSocketOption(TIdStackSocketHandle socket, int level, int optName) = 0;
  virtual void SetSocketOption(TIdStackSocketHandle socket, int level, int optName, int optVal) = 0;

  // --- Errors ----------------------------------------------------------------------------

  // The Windows Sockets number of the last failed call on this thread.
  virtual int WSGetLastError() = 0;
  // "Socket-Fehler # %d%s" filled with the number and its text (empty for numbers
  // outside the table), followed by CR LF.
  String WSTranslateSocketErrorMsg(int err) const;
  // Returns result unless it is -1, which raises the last socket error.
  int CheckForSocketError(int result);
  [[noreturn]] void RaiseLastSocketError();
  [[noreturn]] void RaiseSocketError(int err) const;

  // --- Byte order ------------------------------------------------------------------------

  static std::uint16_t HostToNetwork(std::uint16_t value);
  static std::uint32_t HostToNetwork(std::uint32_t value);
  static std::uint64_t HostToNetwork(std::uint64_t value);
  static std::uint16_t NetworkToHost(std::uint16_t value) { return HostToNetwork(value); }
  static std::uint32_t NetworkToHost(std::uint32_t value) { return HostToNetwork(value); }
  static std::uint64_t NetworkToHost(std::uint64_t value) { return HostToNetwork(value); }

  // --- Address text helpers for the platform stacks --------------------------------------

  // Four decimal fields 0..255 into network-order bytes; false for anything else.
  static bool ParseIPv4(StringView text, std::array<std::uint8_t, 4>& address);
  // An IPv6 address text into network-order bytes; false when it is not one.
  static bool ParseIPv6(StringView text, std::array<std::uint8_t, 16>& address);
  static String FormatIPv4(const std::array<std::uint8_t, 4>& address);
  // Eight groups of upper-case hexadecimal without leading zeros, no "::" shortening.
  static String FormatIPv6(const std::array<std::uint8_t, 16>& address);

 protected:
  TIdStack() = default;
};

// The stack while a reference is held; raises EIdStackError when there is none.
TIdStack& GlobalStack();

// The platform's stack (the class the first reference instantiates). Creation failures
// raise EIdStackInitializationFailed.
std::unique_ptr<TIdStack> MakePlatformStack();

// Holds one reference on the stack for its lifetime.
class TIdStackUsage {
 public:
  TIdStackUsage() { TIdStack::IncUsage(); }
  ~TIdStackUsage() { TIdStack::DecUsage(); }
  TIdStackUsage(const TIdStackUsage&) = delete;
  TIdStackUsage& operator=(const TIdStackUsage&) = delete;
};

#endif
