#ifndef FENDREL_NET_IDIOHANDLERSOCKET_H
#define FENDREL_NET_IDIOHANDLERSOCKET_H

#include <cstdint>
#include <functional>
#include <memory>

#include "core/String.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandler.h"
#include "net/IdNameOverrides.h"
#include "net/IdSocketHandle.h"

enum class TIdReuseSocket { rsOSDependent = 0, rsTrue = 1, rsFalse = 2 };

// An I/O handler backed by one socket, its binding. The binding is created at the first Open
// and owned; Open also connects it when a host and a port are set.
class TIdIOHandlerSocket : public TIdIOHandler {
 public:
  using TIdNotifyEvent = std::function<void(TIdComponent& sender)>;

  TIdIOHandlerSocket();
  ~TIdIOHandlerSocket() override;

  TIdNotifyEvent OnBeforeBind;
  TIdNotifyEvent OnAfterBind;
  TIdNotifyEvent OnSocketAllocated;

  void Open() override;
  // Closes the socket, then the handler; unread input stays.
  void Close() override;

  // Host, then ":" and the port when the port is set and is not DefaultPort.
  String Destination() const override;
  // Splits at the last ":" into Host and Port (DefaultPort when the part is not a number);
  // a text without ":" changes nothing.
  void SetDestination(const String& destination) override;

  // The socket; none before the first Open.
  TIdSocketHandle* Binding() const { return FBinding.get(); }

  const String& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const String& ip) { FBoundIP = ip; }
  std::uint16_t BoundPort() const { return FBoundPort; }
  void SetBoundPort(std::uint16_t port) { FBoundPort = port; }
  std::uint16_t BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(std::uint16_t port) { FBoundPortMin = port; }
  std::uint16_t BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(std::uint16_t port) { FBoundPortMax = port; }
  std::uint16_t DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(std::uint16_t port) { FDefaultPort = port; }
  bool UseNagle() const { return FUseNagle; }
  void SetUseNagle(bool useNagle) { FUseNagle = useNagle; }
  TIdReuseSocket ReuseSocket() const { return FReuseSocket; }
  void SetReuseSocket(TIdReuseSocket reuse) { FReuseSocket = reuse; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion ipVersion) { FIPVersion = ipVersion; }
  // Fixed addresses consulted before resolving Host (borrowed; none by default).
  const TIdNameOverrides* NameOverrides() const { return FNameOverrides; }
  void SetNameOverrides(const TIdNameOverrides* overrides) { FNameOverrides = overrides; }

 protected:
  // Allocates, binds and connects the binding to Host and Port.
  virtual void EstablishConnection() = 0;
  bool HasSocket() const override { return FBinding && FBinding->HandleAllocated(); }

  void DoBeforeBind();
  void DoAfterBind();
  void DoSocketAllocated();

 private:
  std::unique_ptr<TIdSocketHandle> FBinding;
  String FBoundIP;
  std::uint16_t FBoundPort = 0;
  std::uint16_t FBoundPortMax = 0;
  std::uint16_t FBoundPortMin = 0;
  std::uint16_t FDefaultPort = 0;
  bool FUseNagle = true;
  TIdReuseSocket FReuseSocket = TIdReuseSocket::rsOSDependent;
  TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
  const TIdNameOverrides* FNameOverrides = nullptr;
};

#endif
