#include "net/IdConnectThread.h"

#include "core/Exception.h"
#include "net/IdException.h"
#include "net/IdStack.h"

TIdConnectThread::TIdConnectThread(TIdSocketHandle& binding) : FBinding(binding) {
  FThread = std::thread([this] { Execute(); });
}

TIdConnectThread::~TIdConnectThread() {
  WaitFor();
}

void TIdConnectThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

void TIdConnectThread::Execute() {
  try {
    FBinding.Connect(true);
  } catch (const EIdSocketError& e) {
    // Closed under the pending connect: the caller gave up and reports that itself.
    if (e.LastError() != Id_WSAENOTSOCK && e.LastError() != Id_WSAEBADF) {
      FExceptionMessage = e.Message();
      FLastSocketError = e.LastError();
      FFailed = true;
    }
  } catch (const Exception& e) {
    FExceptionMessage = e.Message();
    FFailed = true;
  } catch (const std::exception& e) {
    FExceptionMessage = FromUtf8(e.what());
    FFailed = true;
  }
  FTerminated = true;
}
