#include "net/IdSocketHandle.h"

#include "net/IdException.h"

TIdSocketHandle::TIdSocketHandle() = default;

TIdSocketHandle::~TIdSocketHandle() {
  CloseSocket();
}

void TIdSocketHandle::AllocateSocket(int socketType, int protocol) {
  CloseSocket();
  // CloseSocket has dropped the number; the version and local settings made for the new
  // socket stay as they are.
  SetHandle(GlobalStack().NewSocketHandle(socketType, protocol, FIPVersion));
}

void TIdSocketHandle::SetHandle(TIdStackSocketHandle handle) {
  {
    const std::lock_guard<std::mutex> lock(FConnectionHandle);
    FHandle = handle;
    FHandleAllocated = handle != Id_INVALID_SOCKET;
    FSocketType = 0;
  }
  if (handle == Id_INVALID_SOCKET) return;
  FSocketType = GetSockOpt(Id_SOL_SOCKET, Id_SO_TYPE);
  if (FSocketType == Id_SOCK_STREAM) FUseNagle = GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY) == 0;
}

bool TIdSocketHandle::TryBind(std::uint16_t port) {
  try {
    GlobalStack().Bind(Handle(), FIP, port, FIPVersion);
    UpdateBindingLocal();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void TIdSocketHandle::Bind() {
  if (FPort != 0 || FClientPortMin == 0 || FClientPortMax == 0) {
    if (!TryBind(FPort)) throw EIdCouldNotBindSocket();
    return;
  }
  if (FClientPortMax < FClientPortMin) {
    throw EIdInvalidPortRange(
        Format(SIdInvalidPortRange, {std::int64_t(FClientPortMin), std::int64_t(FClientPortMax)}));
  }
  for (int port = FClientPortMax; port >= FClientPortMin; --port) {
    if (TryBind(static_cast<std::uint16_t>(port))) return;
  }
  throw EIdCanNotBindPortInRange(
      Format(SIdCanNotBindPortInRange, {std::int64_t(FClientPortMin), std::int64_t(FClientPortMax)}));
}

void TIdSocketHandle::Connect(bool abandonable) {
  TIdStackSocketHandle handle = Id_INVALID_SOCKET;
  {
    const std::lock_guard<std::mutex> lock(FConnectionHandle);
    handle = FHandle;
    FConnecting = true;
    FConnectAbandoned = false;
  }
  // Ends the connect bookkeeping; true when the socket was closed while it was pending.
  auto finish = [this]() {
    const std::lock_guard<std::mutex> lock(FConnectionHandle);
    FConnecting = false;
    if (!FCloseDeferred) return false;
    FCloseDeferred = false;
    GlobalStack().WSCloseSocket(FDeferredHandle);
    FDeferredHandle = Id_INVALID_SOCKET;
    return true;
  };
  try {
    GlobalStack().Connect(handle, FPeerIP, FPeerPort, FIPVersion, abandonable ? &FConnectAbandoned : nullptr);
  } catch (const EIdSocketError&) {
    if (finish()) GlobalStack().RaiseSocketError(Id_WSAENOTSOCK);
    throw;
  } catch (...) {
    finish();
    throw;
  }
  if (finish()) GlobalStack().RaiseSocketError(Id_WSAENOTSOCK);
  const std::lock_guard<std::mutex> lock(FConnectionHandle);
  if (!FHandleAllocated) return;
  const TIdSocketAddress local = GlobalStack().GetSocketName(FHandle);
  FIP = local.IP;
  FPort = local.Port;
  const TIdSocketAddress peer = GlobalStack().GetPeerName(FHandle);
  FPeerIP = peer.IP;
  FPeerPort = peer.Port;
}

int TIdSocketHandle::Receive(TIdBytes& buffer) {
  return GlobalStack().Receive(Handle(), buffer);
}

int TIdSocketHandle::Send(const TIdBytes& buffer, int offset, int size) {
  return GlobalStack().Send(Handle(), buffer, offset, size);
}

bool TIdSocketHandle::Readable(int msec) {
  if (msec == -1) msec = -2;
  if (!HandleAllocated()) throw EIdConnClosedGracefully();
  return Select(msec);
}

bool TIdSocketHandle::Select(int timeout) {
  return GlobalStack().SelectReadable(Handle(), timeout);
}

void TIdSocketHandle::CloseSocket() {
  const std::lock_guard<std::mutex> lock(FConnectionHandle);
  if (!FHandleAllocated) return;
  FHandleAllocated = false;
  TIdStack& stack = GlobalStack();
  // Shutting down also ends a connect that is blocked on the socket (on POSIX; Windows
  // refuses to shut down an unconnected socket, its connect watches the abandoned flag).
  stack.WSShutdown(FHandle, 1);
  if (FConnecting) {
    FConnectAbandoned = true;
    // The connect still uses the number; it releases it when it returns, so the number
    // cannot be handed to another socket meanwhile.
    FCloseDeferred = true;
    FDeferredHandle = FHandle;
  } else {
    stack.WSCloseSocket(FHandle);
  }
  FHandle = Id_INVALID_SOCKET;
  FSocketType = 0;
}

void TIdSocketHandle::Reset(bool resetLocal) {
  {
    const std::lock_guard<std::mutex> lock(FConnectionHandle);
    FHandle = Id_INVALID_SOCKET;
    FHandleAllocated = false;
    FSocketType = 0;
  }
  if (resetLocal) {
    FIP.clear();
    FPort = 0;
  }
  FPeerIP.clear();
  FPeerPort = 0;
  FIPVersion = TIdIPVersion::Id_IPv4;
}

void TIdSocketHandle::SetPeer(const String& ip, std::uint16_t port, TIdIPVersion ipVersion) {
  FPeerIP = ip;
  FPeerPort = port;
  SetIPVersion(ipVersion);
}

void TIdSocketHandle::SetSockOpt(int level, int optName, int optVal) {
  GlobalStack().SetSocketOption(Handle(), level, optName, optVal);
}

int TIdSocketHandle::GetSockOpt(int level, int optName) {
  return GlobalStack().GetSocketOption(Handle(), level, optName);
}

void TIdSocketHandle::UpdateBindingLocal() {
  const TIdSocketAddress local = GlobalStack().GetSocketName(Handle());
  FIP = local.IP;
  FPort = local.Port;
}

void TIdSocketHandle::UpdateBindingPeer() {
  const TIdSocketAddress peer = GlobalStack().GetPeerName(Handle());
  FPeerIP = peer.IP;
  FPeerPort = peer.Port;
}

void TIdSocketHandle::SetIPVersion(TIdIPVersion ipVersion) {
  if (ipVersion == FIPVersion) return;
  if (HandleAllocated()) throw EIdCannotSetIPVersionWhenConnected();
  FIPVersion = ipVersion;
}

void TIdSocketHandle::SetUseNagle(bool useNagle) {
  if (useNagle == FUseNagle) return;
  FUseNagle = useNagle;
  if (HandleAllocated() && FSocketType == Id_SOCK_STREAM) {
    SetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, useNagle ? 0 : 1);
  }
}

TIdStackSocketHandle TIdSocketHandle::Handle() const {
  const std::lock_guard<std::mutex> lock(FConnectionHandle);
  return FHandle;
}

bool TIdSocketHandle::HandleAllocated() const {
  const std::lock_guard<std::mutex> lock(FConnectionHandle);
  return FHandleAllocated;
}
