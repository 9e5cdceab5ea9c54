#ifndef FENDREL_CODECS_ABCODECFAULT_H
#define FENDREL_CODECS_ABCODECFAULT_H

#include <exception>
#include <utility>

// An error met inside a callback that a C codec calls. No exception may unwind through
// the codec's frames, so the callback keeps the first one it caught and answers the codec
// as if the input had ended; the glue raises it once the codec has returned.
class TAbCodecFault {
 public:
  // Runs action and answers its result; when it raises, the exception is kept and
  // fallback is answered instead.
  template <class Action, class Result>
  Result Guard(Action&& action, Result fallback) noexcept {
    if (FFault) return fallback;
    try {
      return std::forward<Action>(action)();
    } catch (...) {
      FFault = std::current_exception();
      return fallback;
    }
  }
  bool Failed() const { return static_cast<bool>(FFault); }
  // Raises the kept exception, if any.
  void RaiseIfFailed() const {
    if (FFault) std::rethrow_exception(FFault);
  }

 private:
  std::exception_ptr FFault;
};

#endif
