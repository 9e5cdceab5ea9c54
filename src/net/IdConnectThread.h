#ifndef FENDREL_NET_IDCONNECTTHREAD_H
#define FENDREL_NET_IDCONNECTTHREAD_H

#include <atomic>
#include <thread>

#include "core/String.h"
#include "net/IdSocketHandle.h"

// Connects a binding on a thread of its own, so that the caller can give up after a time
// limit. The thread starts at construction. A connect that fails because the socket was
// closed under it ends quietly; any other failure is kept as a message and, for a socket
// error, its number. The destructor waits for the thread, so it never outlives the binding:
// whoever gives up closes the binding first, which ends the pending connect.
class TIdConnectThread {
 public:
  explicit TIdConnectThread(TIdSocketHandle& binding);
  ~TIdConnectThread();
  TIdConnectThread(const TIdConnectThread&) = delete;
  TIdConnectThread& operator=(const TIdConnectThread&) = delete;

  bool Terminated() const { return FTerminated.load(); }
  void Terminate() { FTerminateRequested = true; }
  // Waits until the body has ended.
  void WaitFor();

  // Valid once Terminated is true. Failed tells a failure apart from success also when its
  // message is empty.
  bool Failed() const { return FFailed; }
  int LastSocketError() const { return FLastSocketError; }
  const String& ExceptionMessage() const { return FExceptionMessage; }

 private:
  void Execute();

  TIdSocketHandle& FBinding;
  bool FFailed = false;
  int FLastSocketError = 0;
  String FExceptionMessage;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FTerminateRequested{false};
  std::thread FThread;
};

#endif
