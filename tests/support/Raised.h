#ifndef FENDREL_TESTS_SUPPORT_RAISED_H
#define FENDREL_TESTS_SUPPORT_RAISED_H

#include <gtest/gtest.h>

#include <type_traits>

#include "core/String.h"

// Runs f and returns the exception of type E that it raised. When it raised none, the
// test fails and a stand-in with the message "<none>" comes back.
template <typename E, typename F>
E Raised(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e;
  }
  ADD_FAILURE() << "expected exception was not raised";
  if constexpr (std::is_constructible_v<E, String>) {
    return E(u"<none>");
  } else {
    return E(0, u"<none>");
  }
}

#endif
