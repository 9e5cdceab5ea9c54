#ifndef FENDREL_SUPPORT_UNANSWEREDLISTENER_H
#define FENDREL_SUPPORT_UNANSWEREDLISTENER_H

#include <cstdint>
#include <vector>

#include "support/TestSockets.h"

namespace testsupport {

// A listener on 127.0.0.1 that never accepts and whose accept queue has been filled, so that a
// further connect gets no answer and stays pending until it is given up.
class UnansweredListener {
 public:
  UnansweredListener();
  ~UnansweredListener();
  UnansweredListener(const UnansweredListener&) = delete;
  UnansweredListener& operator=(const UnansweredListener&) = delete;

  std::uint16_t Port() const { return FPort; }
  // Whether a probe connect was seen to stay unanswered; tests skip when it was not.
  bool Silent() const { return FSilent; }

 private:
  SocketNumber FListener = kNoSocket;
  std::uint16_t FPort = 0;
  std::vector<SocketNumber> FFillers;
  bool FSilent = false;
};

}  // namespace testsupport

#endif
