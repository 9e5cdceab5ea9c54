#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/Program.h"

namespace {

// Sets or unsets an environment variable for the life of the object, then puts it back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::optional<std::string>& value) : FName(name) {
    if (const char* old = ::getenv(name)) FOld = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (FOld)
      ::setenv(FName, FOld->c_str(), 1);
    else
      ::unsetenv(FName);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

TEST(StateDirectory, FollowsXdgStateHomeWithTheHomeFolderAsItsDefault) {
  const struct {
    std::optional<std::string> StateHome;
    std::optional<std::string> Home;
    std::string Expected;
  } cases[] = {
      {"/var/state", "/home/ute", "/var/state/fendrel"},
      {"/var/state/", "/home/ute", "/var/state/fendrel"},
      {std::nullopt, "/home/ute", "/home/ute/.local/state/fendrel"},
      {"", "/home/ute", "/home/ute/.local/state/fendrel"},
      // A relative value is not one to use.
      {"state", "/home/ute", "/home/ute/.local/state/fendrel"},
      {std::nullopt, std::nullopt, ""},
      {std::nullopt, "relative", ""},
  };
  for (const auto& c : cases) {
    const ScopedVariable stateHome("XDG_STATE_HOME", c.StateHome);
    const ScopedVariable home("HOME", c.Home);
    EXPECT_EQ(ToUtf8(platform::StateDirectory()), c.Expected)
        << c.StateHome.value_or("(unset)") << " / " << c.Home.value_or("(unset)");
  }
}

}  // namespace
