#ifndef FENDREL_CORE_CLEANUP_H
#define FENDREL_CORE_CLEANUP_H

#include <utility>

// Clean-up on the way out of an operation. The first failure is the one reported: a
// clean-up that fails while another failure is already on its way out is dropped; one that
// fails after the operation succeeded propagates like any other failure.

// Runs cleanUp and drops any failure of its own. For use while another failure is on its
// way out (inside a catch handler, before the rethrow, or in a destructor during unwinding).
template <class CleanUp>
void CleanUpQuietly(CleanUp&& cleanUp) noexcept {
  try {
    std::forward<CleanUp>(cleanUp)();
  } catch (...) {
  }
}

// Runs body, then cleanUp, also when body fails. When body fails, its failure is the one
// reported; otherwise a failure of cleanUp propagates.
template <class Body, class CleanUp>
void RunThenCleanUp(Body&& body, CleanUp&& cleanUp) {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    CleanUpQuietly(std::forward<CleanUp>(cleanUp));
    throw;
  }
  std::forward<CleanUp>(cleanUp)();
}

#endif
