#include "net/IdTCPClient.h"

#include "net/IdException.h"
#include "net/IdIOHandlerStack.h"

TIdTCPClientCustom::TIdTCPClientCustom() = default;

TIdTCPClientCustom::~TIdTCPClientCustom() = default;

void TIdTCPClientCustom::Connect(const String& host) {
  SetHost(host);
  Connect();
}

void TIdTCPClientCustom::Connect(const String& host, std::uint16_t port) {
  SetHost(host);
  SetPort(port);
  Connect();
}

void TIdTCPClientCustom::Connect() {
  if (Connected()) throw EIdAlreadyConnected();
  if (FHost.empty()) throw EIdHostRequired();
  if (FPort == 0) throw EIdPortRequired();
  if (IOHandler() == nullptr) {
    std::unique_ptr<TIdIOHandler> handler = MakeDefaultIOHandler();
    handler->OnStatus = OnStatus;
    SetIOHandler(std::move(handler));
  }
  try {
    if (!FDestination.empty()) IOHandler()->SetDestination(FDestination);
    PassSettings();
    IOHandler()->Open();
    NotifyStatus(TIdStatus::hsConnected, {FHost});
    NotifyConnected();
  } catch (...) {
    // Nothing of the failed attempt survives: the socket is closed and a handler created
    // here is freed.
    if (IOHandler() != nullptr) {
      IOHandler()->Close();
      if (ManagedIOHandler()) SetIOHandler(nullptr);
    }
    throw;
  }
}

void TIdTCPClientCustom::NotifyConnected() {
  if (OnConnected) OnConnected(*this);
}

std::unique_ptr<TIdIOHandler> TIdTCPClientCustom::MakeDefaultIOHandler() {
  return std::make_unique<TIdIOHandlerStack>();
}

void TIdTCPClientCustom::IOHandlerAssigned() {
  PassSettings();
}

void TIdTCPClientCustom::PassSettings() {
  TIdIOHandler* const handler = IOHandler();
  if (handler == nullptr) return;
  handler->SetPort(FPort);
  handler->SetHost(FHost);
  handler->SetConnectTimeout(FConnectTimeout);
  handler->SetReadTimeout(FReadTimeout);
  TIdIOHandlerSocket* const socket = Socket();
  if (socket == nullptr) return;
  socket->SetBoundIP(FBoundIP);
  socket->SetBoundPort(FBoundPort);
  socket->SetBoundPortMin(FBoundPortMin);
  socket->SetBoundPortMax(FBoundPortMax);
  socket->SetIPVersion(FIPVersion);
  socket->SetNameOverrides(&FNameOverrides);
  socket->SetReuseSocket(FReuseSocket);
  socket->SetUseNagle(FUseNagle);
  socket->OnBeforeBind = OnBeforeBind;
  socket->OnAfterBind = OnAfterBind;
  socket->OnSocketAllocated = OnSocketAllocated;
}

void TIdTCPClientCustom::SetHost(const String& host) {
  FHost = host;
  if (IOHandler() != nullptr) IOHandler()->SetHost(host);
}

void TIdTCPClientCustom::SetPort(std::uint16_t port) {
  FPort = port;
  if (IOHandler() != nullptr) IOHandler()->SetPort(port);
}

void TIdTCPClientCustom::SetIPVersion(TIdIPVersion ipVersion) {
  FIPVersion = ipVersion;
  if (Socket() != nullptr) Socket()->SetIPVersion(ipVersion);
}

void TIdTCPClientCustom::SetConnectTimeout(int timeout) {
  FConnectTimeout = timeout;
  if (IOHandler() != nullptr) IOHandler()->SetConnectTimeout(timeout);
}

int TIdTCPClientCustom::ReadTimeout() const {
  return IOHandler() != nullptr ? IOHandler()->ReadTimeout() : FReadTimeout;
}

void TIdTCPClientCustom::SetReadTimeout(int timeout) {
  FReadTimeout = timeout;
  if (IOHandler() != nullptr) IOHandler()->SetReadTimeout(timeout);
}

void TIdTCPClientCustom::SetBoundIP(const String& ip) {
  FBoundIP = ip;
  if (Socket() != nullptr) Socket()->SetBoundIP(ip);
}

void TIdTCPClientCustom::SetBoundPort(std::uint16_t port) {
  FBoundPort = port;
  if (Socket() != nullptr) Socket()->SetBoundPort(port);
}

void TIdTCPClientCustom::SetBoundPortMin(std::uint16_t port) {
  FBoundPortMin = port;
  if (Socket() != nullptr) Socket()->SetBoundPortMin(port);
}

void TIdTCPClientCustom::SetBoundPortMax(std::uint16_t port) {
  FBoundPortMax = port;
  if (Socket() != nullptr) Socket()->SetBoundPortMax(port);
}

TIdReuseSocket TIdTCPClientCustom::ReuseSocket() const {
  return Socket() != nullptr ? Socket()->ReuseSocket() : FReuseSocket;
}

void TIdTCPClientCustom::SetReuseSocket(TIdReuseSocket reuse) {
  FReuseSocket = reuse;
  if (Socket() != nullptr) Socket()->SetReuseSocket(reuse);
}

bool TIdTCPClientCustom::UseNagle() const {
  return Socket() != nullptr ? Socket()->UseNagle() : FUseNagle;
}

void TIdTCPClientCustom::SetUseNagle(bool useNagle) {
  FUseNagle = useNagle;
  if (Socket() != nullptr) Socket()->SetUseNagle(useNagle);
}
