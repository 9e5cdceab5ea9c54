#ifndef FENDREL_NET_IDIOHANDLERSTACK_H
#define FENDREL_NET_IDIOHANDLERSTACK_H

#include "net/IdIOHandlerSocket.h"

// The socket-backed handler over the process-wide stack: receives, sends and waits through
// its binding, and connects it directly or, with a connect time-out, through a connect thread.
class TIdIOHandlerStack : public TIdIOHandlerSocket {
 public:
  TIdIOHandlerStack();
  ~TIdIOHandlerStack() override;

  // Polls once without waiting (which notices a peer that has closed); true while unread input
  // is left or the socket is open and the peer has not closed.
  bool Connected() override;
  // A peer that closed has its socket closed here (reported as hsDisconnected); the handler
  // then counts as disconnected, and so does one without a socket.
  void CheckForDisconnect(bool raiseExceptionIfDisconnected = true, bool ignoreBuffer = false) override;
  // Waits for input on the binding: -1 and -2 without limit, 0 polls, else milliseconds.
  bool Readable(int msec = IdTimeoutDefault) override;

  // How often a connect under a time limit looks at its thread.
  static constexpr int ConnectPollMilliseconds = 125;

 protected:
  void EstablishConnection() override;
  // Connects through a thread; gives up after timeout milliseconds (-1: never).
  void ConnectWithTimeout(int timeout);

  int ReceiveChunk(TIdBytes& buffer) override;
  int SendChunk(const TIdBytes& buffer, int offset, int length) override;
};

#endif
