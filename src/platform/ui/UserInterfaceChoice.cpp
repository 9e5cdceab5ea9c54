#include "platform/ui/UserInterfaceChoice.h"

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

bool IsKnownUserInterfaceRequest(std::string_view requested) {
  return requested.empty() || EqualsIgnoringCase(requested, "console") || EqualsIgnoringCase(requested, "qt");
}

UserInterfaceKind ChooseUserInterface(const UserInterfaceEnvironment& environment) {
  if (EqualsIgnoringCase(environment.Requested, "qt")) return UserInterfaceKind::Qt;
  if (!environment.Requested.empty()) return UserInterfaceKind::Console;
  const bool hasDisplay =
      !environment.Display.empty() || !environment.WaylandDisplay.empty() || !environment.QtPlatform.empty();
  return hasDisplay ? UserInterfaceKind::Qt : UserInterfaceKind::Console;
}

std::string UnknownUserInterfaceRequestLine(std::string_view requested) {
  // Control characters would break the line or the terminal: each shows as "?".
  std::string value(requested);
  std::replace_if(
      value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; },
      '?');
  return "Fendrel! Update: FENDREL_UPDATER_UI=\"" + value +
         "\" ist kein bekannter Wert (console oder qt); die Konsole wird verwendet.";
}

UserInterfaceEnvironment CurrentUserInterfaceEnvironment() {
  return {Variable("FENDREL_UPDATER_UI"), Variable("DISPLAY"), Variable("WAYLAND_DISPLAY"),
          Variable("QT_QPA_PLATFORM")};
}

}  // namespace platform::ui
