#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/CleanUp.h"

namespace {

// Runs f and answers the message of the failure that left it, or "" when none did.
template <class F>
std::string FailureOf(F&& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(CleanUpTest, TheCleanUpAlwaysRunsAndTheFirstFailureIsReported) {
  struct Case {
    const char* name;
    bool bodyFails;
    bool cleanUpFails;
    std::string reported;
  };
  const Case cases[] = {
      {"both succeed", false, false, ""},
      {"the body fails", true, false, "body"},
      {"both fail: the body's failure, not the clean-up's", true, true, "body"},
      {"the clean-up fails after success: its failure propagates", false, true, "clean-up"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool bodyRan = false;
    int cleanUps = 0;
    const std::string reported = FailureOf([&] {
      RunThenCleanUp(
          [&] {
            bodyRan = true;
            if (c.bodyFails) throw std::runtime_error("body");
          },
          [&] {
            ++cleanUps;
            if (c.cleanUpFails) throw std::runtime_error("clean-up");
          });
    });
    EXPECT_TRUE(bodyRan);
    EXPECT_EQ(cleanUps, 1);
    EXPECT_EQ(reported, c.reported);
  }
}

TEST(CleanUpTest, AQuietCleanUpRunsAndDropsItsOwnFailure) {
  int runs = 0;
  EXPECT_EQ(FailureOf([&] {
              CleanUpQuietly([&] {
                ++runs;
                throw std::runtime_error("clean-up");
              });
            }),
            "");
  // Inside a handler the failure being handled is the one that goes on.
  EXPECT_EQ(FailureOf([&] {
              try {
                throw std::runtime_error("first");
              } catch (...) {
                CleanUpQuietly([&] {
                  ++runs;
                  throw std::runtime_error("second");
                });
                throw;
              }
            }),
            "first");
  EXPECT_EQ(runs, 2);
}

}  // namespace
