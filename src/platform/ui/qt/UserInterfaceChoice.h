#ifndef FENDREL_PLATFORM_UI_QT_USERINTERFACECHOICE_H
#define FENDREL_PLATFORM_UI_QT_USERINTERFACECHOICE_H

#include <string_view>

namespace platform::ui {

enum class UserInterfaceKind { Console, Qt };

// The environment values the choice of backend depends on (empty when unset).
struct UserInterfaceEnvironment {
  std::string_view Requested;       // FENDREL_UPDATER_UI: "console", "qt", or anything else for the default
  std::string_view Display;         // DISPLAY
  std::string_view WaylandDisplay;  // WAYLAND_DISPLAY
  std::string_view QtPlatform;      // QT_QPA_PLATFORM
};

// "console" and "qt" (in any letter case) decide; otherwise Qt when a display exists
// (an X or Wayland display, or a toolkit platform named explicitly), the console when not.
UserInterfaceKind ChooseUserInterface(const UserInterfaceEnvironment& environment);

// The same values as this process sees them.
UserInterfaceEnvironment CurrentUserInterfaceEnvironment();

}  // namespace platform::ui

#endif
