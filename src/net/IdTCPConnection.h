#ifndef FENDREL_NET_IDTCPCONNECTION_H
#define FENDREL_NET_IDTCPCONNECTION_H

#include <functional>
#include <memory>

#include "net/IdComponent.h"
#include "net/IdIOHandler.h"
#include "net/IdIOHandlerSocket.h"

// A connection over an I/O handler. The handler is either assigned from outside (borrowed;
// the connection is told when it is destroyed elsewhere) or managed: created by the
// connection and freed with it. The handler forwards its work to the connection.
class TIdTCPConnection : public TIdComponent {
 public:
  using TIdNotifyEvent = std::function<void(TIdComponent& sender)>;

  TIdTCPConnection();
  // Closes the handler, then lets go of it (a managed one is freed).
  ~TIdTCPConnection() override;

  TIdNotifyEvent OnDisconnected;

  // False without a handler, else the handler's answer (which polls the socket once).
  virtual bool Connected();
  // Closes an open handler between the hsDisconnecting and hsDisconnected reports; does
  // nothing for a connection that is not open. The handler is kept for the next connect.
  virtual void Disconnect(bool notifyPeer = true);
  // The handler's close rule; without a handler "Nicht verbunden" when asked to raise.
  virtual void CheckForGracefulDisconnect(bool raiseExceptionIfDisconnected = true);

  TIdIOHandler* IOHandler() const { return FIOHandler; }
  // Assigns a handler owned elsewhere (or none); a managed current handler is freed.
  void SetIOHandler(TIdIOHandler* handler);
  // Assigns a handler that the connection owns from now on.
  void SetIOHandler(std::unique_ptr<TIdIOHandler> handler);
  // The handler when it is socket-backed, else none.
  TIdIOHandlerSocket* Socket() const { return FSocket; }
  bool ManagedIOHandler() const { return FManagedIOHandler != nullptr; }

 protected:
  virtual void NotifyDisconnected();
  // Peer notification before a disconnect; nothing to say here.
  virtual void DisconnectNotifyPeer() {}
  // Called after a new handler has been assigned.
  virtual void IOHandlerAssigned() {}
  void Notification(TIdComponent& destroyed) override;

 private:
  void AssignIOHandler(TIdIOHandler* handler, std::unique_ptr<TIdIOHandler> owned);

  TIdIOHandler* FIOHandler = nullptr;
  std::unique_ptr<TIdIOHandler> FManagedIOHandler;
  TIdIOHandlerSocket* FSocket = nullptr;
};

#endif
