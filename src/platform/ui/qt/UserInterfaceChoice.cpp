#include "platform/ui/qt/UserInterfaceChoice.h"

#include <algorithm>
#include <cstdlib>

namespace platform::ui {
namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerCase) {
  return std::equal(text.begin(), text.end(), lowerCase.begin(), lowerCase.end(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

UserInterfaceKind ChooseUserInterface(const UserInterfaceEnvironment& environment) {
  if (EqualsIgnoringCase(environment.Requested, "console")) return UserInterfaceKind::Console;
  if (EqualsIgnoringCase(environment.Requested, "qt")) return UserInterfaceKind::Qt;
  const bool hasDisplay =
      !environment.Display.empty() || !environment.WaylandDisplay.empty() || !environment.QtPlatform.empty();
  return hasDisplay ? UserInterfaceKind::Qt : UserInterfaceKind::Console;
}

UserInterfaceEnvironment CurrentUserInterfaceEnvironment() {
  return {Variable("FENDREL_UPDATER_UI"), Variable("DISPLAY"), Variable("WAYLAND_DISPLAY"),
          Variable("QT_QPA_PLATFORM")};
}

}  // namespace platform::ui
