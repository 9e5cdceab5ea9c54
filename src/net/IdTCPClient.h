#ifndef FENDREL_NET_IDTCPCLIENT_H
#define FENDREL_NET_IDTCPCLIENT_H

#include <cstdint>
#include <memory>

#include "core/String.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandlerSocket.h"
#include "net/IdNameOverrides.h"
#include "net/IdTCPConnection.h"

// A connection that connects itself: the target (host, port, IP version), the local binding,
// the time-outs and Connect. Without an assigned handler, Connect creates the default one
// (a TIdIOHandlerStack) and frees it again when the connect fails. Every setting is also
// passed on to the current handler.
class TIdTCPClientCustom : public TIdTCPConnection {
 public:
  TIdTCPClientCustom();
  ~TIdTCPClientCustom() override;

  TIdNotifyEvent OnConnected;
  TIdNotifyEvent OnBeforeBind;
  TIdNotifyEvent OnAfterBind;
  TIdNotifyEvent OnSocketAllocated;

  // Raises EIdAlreadyConnected while connected (also while unread input is left),
  // EIdHostRequired without a host, EIdPortRequired without a port; any failure of the attempt
  // closes the handler and frees one created here.
  virtual void Connect();
  void Connect(const String& host);
  void Connect(const String& host, std::uint16_t port);

  const String& Host() const { return FHost; }
  virtual void SetHost(const String& host);
  std::uint16_t Port() const { return FPort; }
  virtual void SetPort(std::uint16_t port);
  TIdIPVersion IPVersion() const { return FIPVersion; }
  virtual void SetIPVersion(TIdIPVersion ipVersion);
  const String& Destination() const { return FDestination; }
  void SetDestination(const String& destination) { FDestination = destination; }
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int timeout);
  int ReadTimeout() const;
  void SetReadTimeout(int timeout);
  const String& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const String& ip);
  std::uint16_t BoundPort() const { return FBoundPort; }
  void SetBoundPort(std::uint16_t port);
  std::uint16_t BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(std::uint16_t port);
  std::uint16_t BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(std::uint16_t port);
  TIdReuseSocket ReuseSocket() const;
  void SetReuseSocket(TIdReuseSocket reuse);
  bool UseNagle() const;
  void SetUseNagle(bool useNagle);
  const String& Username() const { return FUsername; }
  void SetUsername(const String& username) { FUsername = username; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& password) { FPassword = password; }
  // Fixed addresses for host names, consulted before name resolution on every connect.
  TIdNameOverrides& NameOverrides() { return FNameOverrides; }
  const TIdNameOverrides& NameOverrides() const { return FNameOverrides; }

 protected:
  virtual void NotifyConnected();
  // The handler that Connect creates when none is assigned.
  virtual std::unique_ptr<TIdIOHandler> MakeDefaultIOHandler();
  void IOHandlerAssigned() override;

 private:
  // Gives the handler the target, the time-outs and, when socket-backed, the binding settings.
  void PassSettings();

  String FBoundIP;
  std::uint16_t FBoundPort = 0;
  std::uint16_t FBoundPortMax = 0;
  std::uint16_t FBoundPortMin = 0;
  int FConnectTimeout = 0;
  String FDestination;
  String FHost;
  TIdNameOverrides FNameOverrides;
  TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
  String FPassword;
  String FUsername;
  std::uint16_t FPort = 0;
  int FReadTimeout = -1;
  TIdReuseSocket FReuseSocket = TIdReuseSocket::rsOSDependent;
  bool FUseNagle = true;
};

// The TCP client as components use it.
class TIdTCPClient : public TIdTCPClientCustom {
 public:
  using TIdTCPClientCustom::TIdTCPClientCustom;
};

#endif
