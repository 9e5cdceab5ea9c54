#include "net/IdIOHandlerStack.h"

#include <algorithm>

#include "net/IdConnectThread.h"
#include "net/IdException.h"
#include "net/IdStack.h"
#include "platform/Clock.h"

TIdIOHandlerStack::TIdIOHandlerStack() = default;

TIdIOHandlerStack::~TIdIOHandlerStack() = default;

bool TIdIOHandlerStack::Connected() {
  FillInputBuffer(false, 0, false);
  CheckForDisconnect(false, false);
  return !InputBufferIsEmpty() || (HasSocket() && Opened() && !ClosedGracefully());
}

void TIdIOHandlerStack::CheckForDisconnect(bool raiseExceptionIfDisconnected, bool ignoreBuffer) {
  bool disconnected;
  if (ClosedGracefully()) {
    if (HasSocket()) {
      Close();
      NotifyStatus(TIdStatus::hsDisconnected);
    }
    disconnected = true;
  } else {
    disconnected = !HasSocket();
  }
  if (disconnected && (ignoreBuffer || InputBufferIsEmpty()) && raiseExceptionIfDisconnected)
    throw EIdConnClosedGracefully();
}

bool TIdIOHandlerStack::Readable(int msec) {
  if (Binding() == nullptr) throw EIdConnClosedGracefully();
  return Binding()->Readable(msec);
}

int TIdIOHandlerStack::ReceiveChunk(TIdBytes& buffer) {
  return Binding()->Receive(buffer);
}

int TIdIOHandlerStack::SendChunk(const TIdBytes& buffer, int offset, int length) {
  return Binding()->Send(buffer, offset, length);
}

void TIdIOHandlerStack::EstablishConnection() {
  TIdSocketHandle& binding = *Binding();
  // A fixed address for the host replaces name resolution, and its family decides the socket's.
  String overridden;
  const bool hasOverride = NameOverrides() != nullptr &&
                           NameOverrides()->Find(Host(), static_cast<std::uint16_t>(Port()), overridden);
  if (hasOverride) SetIPVersion(TIdNameOverrides::VersionOf(overridden));
  DoBeforeBind();
  binding.SetIPVersion(IPVersion());
  binding.AllocateSocket(Id_SOCK_STREAM, 0);
  DoSocketAllocated();
  if (!BoundIP().empty()) binding.SetIP(BoundIP());
  binding.SetPort(BoundPort());
  binding.SetClientPortMin(BoundPortMin());
  binding.SetClientPortMax(BoundPortMax());
  if (ReuseSocket() == TIdReuseSocket::rsTrue) binding.SetSockOpt(Id_SOL_SOCKET, Id_SO_REUSEADDR, 1);
  // A client socket is bound before it connects, by default to any address and a port of the
  // system's choosing.
  binding.Bind();
  binding.SetUseNagle(UseNagle());
  DoAfterBind();

  String peer;
  if (hasOverride) {
    peer = overridden;
  } else if (IPVersion() == TIdIPVersion::Id_IPv6) {
    if (!TIdStack::MakeCanonicalIPv6Address(Host()).empty()) {
      peer = Host();
    } else {
      NotifyStatus(TIdStatus::hsResolving, {Host()});
      peer = GlobalStack().ResolveHost(Host(), TIdIPVersion::Id_IPv6);
    }
  } else if (TIdStack::IsIP(Host())) {
    peer = Host();
  } else {
    NotifyStatus(TIdStatus::hsResolving, {Host()});
    peer = GlobalStack().ResolveHost(Host(), TIdIPVersion::Id_IPv4);
  }
  binding.SetPeer(peer, static_cast<std::uint16_t>(Port()), IPVersion());
  NotifyStatus(TIdStatus::hsConnecting, {peer});
  if (ConnectTimeout() != 0)
    ConnectWithTimeout(ConnectTimeout());
  else
    binding.Connect();
}

void TIdIOHandlerStack::ConnectWithTimeout(int timeout) {
  if (timeout == IdTimeoutDefault) timeout = IdTimeoutInfinite;
  platform::IClock& clock = platform::SystemClock();
  // The thread object waits for its thread when it goes, on every path out of here.
  TIdConnectThread thread(*Binding());
  if (timeout < 0) {
    while (!thread.Terminated()) clock.Sleep(ConnectPollMilliseconds);
  } else {
    int left = timeout;
    while (left > 0 && !thread.Terminated()) {
      const int step = std::min(ConnectPollMilliseconds, left);
      clock.Sleep(static_cast<std::uint32_t>(step));
      left -= step;
    }
  }
  if (!thread.Terminated()) {
    thread.Terminate();
    // Closing the socket ends the pending connect; the thread is waited for before the
    // binding can go.
    Close();
    thread.WaitFor();
    throw EIdConnectTimeout();
  }
  thread.WaitFor();
  if (!thread.Failed()) return;
  if (thread.LastSocketError() != 0)
    throw EIdSocketError(thread.LastSocketError(), thread.ExceptionMessage());
  throw EIdConnectException(thread.ExceptionMessage());
}
