#include "net/IdIOHandlerSocket.h"

#include <cstddef>

TIdIOHandlerSocket::TIdIOHandlerSocket() = default;

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  if (FBinding) FBinding->CloseSocket();
}

void TIdIOHandlerSocket::Open() {
  TIdIOHandler::Open();
  if (FBinding) {
    // A socket still held from an earlier connection is closed, not merely forgotten.
    FBinding->CloseSocket();
    FBinding->Reset(true);
  } else {
    FBinding = std::make_unique<TIdSocketHandle>();
  }
  FBinding->SetClientPortMin(FBoundPortMin);
  FBinding->SetClientPortMax(FBoundPortMax);
  if (!Host().empty() && Port() > 0) EstablishConnection();
}

void TIdIOHandlerSocket::Close() {
  if (FBinding) FBinding->CloseSocket();
  TIdIOHandler::Close();
}

String TIdIOHandlerSocket::Destination() const {
  String result = Host();
  if (Port() > 0 && Port() != FDefaultPort) {
    result += u':';
    result += IntToStr(Port());
  }
  return result;
}

void TIdIOHandlerSocket::SetDestination(const String& destination) {
  const std::size_t colon = destination.rfind(u':');
  if (colon == String::npos) return;
  SetHost(destination.substr(0, colon));
  String portText = destination.substr(colon + 1, 255);
  const std::size_t first = portText.find_first_not_of(u" \t");
  const std::size_t last = portText.find_last_not_of(u" \t");
  portText = first == String::npos ? String() : portText.substr(first, last - first + 1);
  int port = 0;
  bool number = !portText.empty() && portText.size() <= 9;
  for (const char16_t c : portText) {
    if (c < u'0' || c > u'9') {
      number = false;
      break;
    }
    port = port * 10 + (c - u'0');
  }
  SetPort(number ? port : FDefaultPort);
}

void TIdIOHandlerSocket::DoBeforeBind() {
  if (OnBeforeBind) OnBeforeBind(*this);
}

void TIdIOHandlerSocket::DoAfterBind() {
  if (OnAfterBind) OnAfterBind(*this);
}

void TIdIOHandlerSocket::DoSocketAllocated() {
  if (OnSocketAllocated) OnSocketAllocated(*this);
}
