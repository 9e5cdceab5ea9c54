#ifndef FENDREL_NET_IDSOCKETHANDLE_H
#define FENDREL_NET_IDSOCKETHANDLE_H

#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/String.h"
#include "net/IdGlobal.h"
#include "net/IdStack.h"

// One socket with its local and peer addresses (the binding of a socket-backed I/O
// handler). Created without a socket; AllocateSocket gives it one, Bind and Connect fill
// in the addresses, CloseSocket ends it, and a new one may be allocated afterwards.
//
// CloseSocket may be called from another thread while Connect blocks: the pending
// connect then fails with EIdNotASocket (10038).
class TIdSocketHandle {
 public:
  TIdSocketHandle();
  ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // Closes any socket held, forgets a leftover number, then creates a socket of the
  // binding's IPVersion. Reads SocketType and, for a stream socket, UseNagle.
  void AllocateSocket(int socketType = Id_SOCK_STREAM, int protocol = 0);
  // Binds to IP and Port; with Port 0 and a client port range, tries the range from the
  // top down. Raises EIdCouldNotBindSocket, EIdInvalidPortRange or EIdCanNotBindPortInRange.
  void Bind();
  // Connects to PeerIP / PeerPort, then reads back both addresses. An abandonable connect
  // (one run with a time limit) can be ended by closing the handle from another thread.
  void Connect(bool abandonable = false);
  // Receives once into the whole array; 0 when the peer has closed.
  int Receive(TIdBytes& buffer);
  // Sends once: what the array holds from offset on, at most size bytes when size is
  // not negative. Returns the count sent.
  int Send(const TIdBytes& buffer, int offset = 0, int size = -1);
  // Waits for readability: -1 and -2 without limit, 0 polls, else milliseconds.
  // Without a socket raises EIdConnClosedGracefully.
  bool Readable(int msec = -1);
  bool Select(int timeout);
  // Shuts down the sending side and closes; never raises.
  void CloseSocket();
  // Forgets the socket number without closing it; clears the peer (and with resetLocal
  // the local address) and sets IPVersion to IPv4.
  void Reset(bool resetLocal = true);
  void SetPeer(const String& ip, std::uint16_t port, TIdIPVersion ipVersion = TIdIPVersion::Id_IPv4);
  void SetSockOpt(int level, int optName, int optVal);
  int GetSockOpt(int level, int optName);
  void UpdateBindingLocal();
  void UpdateBindingPeer();

  const String& IP() const { return FIP; }
  void SetIP(const String& ip) { FIP = ip; }
  std::uint16_t Port() const { return FPort; }
  void SetPort(std::uint16_t port) { FPort = port; }
  const String& PeerIP() const { return FPeerIP; }
  void SetPeerIP(const String& ip) { FPeerIP = ip; }
  std::uint16_t PeerPort() const { return FPeerPort; }
  void SetPeerPort(std::uint16_t port) { FPeerPort = port; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  // Raises EIdCannotSetIPVersionWhenConnected when changed while a socket is held.
  void SetIPVersion(TIdIPVersion ipVersion);
  std::uint16_t ClientPortMin() const { return FClientPortMin; }
  void SetClientPortMin(std::uint16_t port) { FClientPortMin = port; }
  std::uint16_t ClientPortMax() const { return FClientPortMax; }
  void SetClientPortMax(std::uint16_t port) { FClientPortMax = port; }
  bool UseNagle() const { return FUseNagle; }
  // Sets TCP_NODELAY to the opposite on a held stream socket when the value changes.
  void SetUseNagle(bool useNagle);
  TIdStackSocketHandle Handle() const;
  bool HandleAllocated() const;
  int SocketType() const { return FSocketType; }

 private:
  // Takes a new number (or drops it with Id_INVALID_SOCKET) and reads its type.
  void SetHandle(TIdStackSocketHandle handle);
  bool TryBind(std::uint16_t port);

  TIdStackUsage FStackUsage;
  std::uint16_t FClientPortMin = 0;
  std::uint16_t FClientPortMax = 0;
  TIdStackSocketHandle FHandle = Id_INVALID_SOCKET;
  bool FHandleAllocated = false;
  String FIP;
  String FPeerIP;
  std::uint16_t FPort = 0;
  std::uint16_t FPeerPort = 0;
  int FSocketType = 0;
  TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
  // Serialises the connect bookkeeping with closing.
  mutable std::mutex FConnectionHandle;
  // A connect is blocked on the socket; a close meanwhile only shuts it down and leaves
  // the release of the number to the connect.
  bool FConnecting = false;
  bool FCloseDeferred = false;
  // Set by a close while a connect is pending, for a system on which only releasing the
  // number would end it (the stack's Connect watches it).
  std::atomic<bool> FConnectAbandoned{false};
  TIdStackSocketHandle FDeferredHandle = Id_INVALID_SOCKET;
  bool FUseNagle = true;
};

#endif
