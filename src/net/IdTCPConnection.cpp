#include "net/IdTCPConnection.h"

#include "net/IdException.h"

TIdTCPConnection::TIdTCPConnection() = default;

TIdTCPConnection::~TIdTCPConnection() {
  if (FIOHandler != nullptr) {
    try {
      FIOHandler->Close();
    } catch (...) {
      // Closing a socket raises nothing; nothing may leave a destructor either way.
    }
  }
  AssignIOHandler(nullptr, nullptr);
}

bool TIdTCPConnection::Connected() {
  return FIOHandler != nullptr && FIOHandler->Connected();
}

void TIdTCPConnection::Disconnect(bool notifyPeer) {
  const auto closeHandler = [this] {
    if (FIOHandler == nullptr || !FIOHandler->Opened()) return;
    NotifyStatus(TIdStatus::hsDisconnecting);
    FIOHandler->Close();
    NotifyDisconnected();
    NotifyStatus(TIdStatus::hsDisconnected);
  };
  try {
    if (notifyPeer && Connected()) DisconnectNotifyPeer();
  } catch (...) {
    closeHandler();
    throw;
  }
  closeHandler();
}

void TIdTCPConnection::CheckForGracefulDisconnect(bool raiseExceptionIfDisconnected) {
  if (FIOHandler != nullptr) {
    FIOHandler->CheckForDisconnect(raiseExceptionIfDisconnected, false);
    return;
  }
  if (raiseExceptionIfDisconnected) throw EIdException(SIdNotConnected);
}

void TIdTCPConnection::NotifyDisconnected() {
  if (OnDisconnected) OnDisconnected(*this);
}

void TIdTCPConnection::SetIOHandler(TIdIOHandler* handler) {
  AssignIOHandler(handler, nullptr);
}

void TIdTCPConnection::SetIOHandler(std::unique_ptr<TIdIOHandler> handler) {
  TIdIOHandler* const raw = handler.get();
  AssignIOHandler(raw, std::move(handler));
}

void TIdTCPConnection::AssignIOHandler(TIdIOHandler* handler, std::unique_ptr<TIdIOHandler> owned) {
  if (handler == FIOHandler) {
    // Taking over the ownership of the current handler.
    if (owned) FManagedIOHandler = std::move(owned);
    return;
  }
  if (FIOHandler != nullptr) {
    FIOHandler->RemoveFreeNotification(*this);
    if (FManagedIOHandler) {
      FManagedIOHandler.reset();
    } else {
      FIOHandler->SetWorkTarget(nullptr);
    }
    FIOHandler = nullptr;
    FSocket = nullptr;
  }
  FManagedIOHandler = std::move(owned);
  FIOHandler = handler;
  if (handler == nullptr) return;
  handler->FreeNotification(*this);
  handler->SetWorkTarget(this);
  FSocket = dynamic_cast<TIdIOHandlerSocket*>(handler);
  IOHandlerAssigned();
}

void TIdTCPConnection::Notification(TIdComponent& destroyed) {
  if (&destroyed != FIOHandler) return;
  // Destroyed elsewhere: forget it (a managed handler is only ever freed here).
  FIOHandler = nullptr;
  FSocket = nullptr;
  if (FManagedIOHandler.get() == &destroyed) static_cast<void>(FManagedIOHandler.release());
}
