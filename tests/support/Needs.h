#ifndef FENDREL_TESTS_SUPPORT_NEEDS_H
#define FENDREL_TESTS_SUPPORT_NEEDS_H

#include <cstdlib>
#include <string_view>

// Whether the run is a CI run (CI=true), where missing data or a missing tool fail a test.
inline bool InContinuousIntegration() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

// Ends the test when `present` is false, for data or a program the test cannot do without:
// in a CI run as a failure, otherwise as a skip that says `what` in one line.
#define FENDREL_NEEDS(present, what)                                                    \
  do {                                                                                  \
    if (!(present)) {                                                                   \
      if (InContinuousIntegration()) FAIL() << what << " (a CI run needs it: CI=true)"; \
      GTEST_SKIP() << what;                                                             \
    }                                                                                   \
  } while (false)

#endif
