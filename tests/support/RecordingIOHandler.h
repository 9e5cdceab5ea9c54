#ifndef FENDREL_SUPPORT_RECORDINGIOHANDLER_H
#define FENDREL_SUPPORT_RECORDINGIOHANDLER_H

#include <functional>
#include <vector>

#include "net/IdIOHandlerStack.h"

namespace testsupport {

// The socket-backed handler with its receives and sends counted, and a hook after every
// receive (tests use it to let a loopback server send its next part only once the client has
// read the previous one, so that receive boundaries fall where the script says).
class RecordingIOHandler : public TIdIOHandlerStack {
 public:
  std::vector<int> ReceiveSizes;
  std::vector<int> SendSizes;
  std::function<void()> AfterReceive;

 protected:
  int ReceiveChunk(TIdBytes& buffer) override {
    const int n = TIdIOHandlerStack::ReceiveChunk(buffer);
    ReceiveSizes.push_back(n);
    if (AfterReceive) AfterReceive();
    return n;
  }
  int SendChunk(const TIdBytes& buffer, int offset, int length) override {
    const int n = TIdIOHandlerStack::SendChunk(buffer, offset, length);
    SendSizes.push_back(n);
    return n;
  }
};

}  // namespace testsupport

#endif
