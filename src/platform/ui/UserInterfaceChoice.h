#ifndef FENDREL_PLATFORM_UI_USERINTERFACECHOICE_H
#define FENDREL_PLATFORM_UI_USERINTERFACECHOICE_H

#include <string>
#include <string_view>

namespace platform::ui {

enum class UserInterfaceKind { Console, Qt };

// The environment values the choice of backend depends on (empty when unset).
struct UserInterfaceEnvironment {
  std::string_view Requested;       // FENDREL_UPDATER_UI: "console", "qt", or empty for the default
  std::string_view Display;         // DISPLAY
  std::string_view WaylandDisplay;  // WAYLAND_DISPLAY
  std::string_view QtPlatform;      // QT_QPA_PLATFORM
};

// "console" and "qt" (in any letter case) decide; any other value is not understood and
// gives the console; unset or empty, Qt when a display exists (an X or Wayland display, or
// a toolkit platform named explicitly), the console when not.
UserInterfaceKind ChooseUserInterface(const UserInterfaceEnvironment& environment);

// Whether FENDREL_UPDATER_UI holds a value the choice understands (empty counts as unset).
bool IsKnownUserInterfaceRequest(std::string_view requested);

// The line for standard error that names a value not understood and says the console is used.
std::string UnknownUserInterfaceRequestLine(std::string_view requested);

// The line for standard error when the window cannot be opened (no display, or the toolkit
// cannot reach it); the program then ends with exit code 1.
inline constexpr char kWindowUnavailableLine[] =
    "Fendrel! Update: Das Fenster kann nicht geöffnet werden, weil keine Anzeige erreichbar ist "
    "(FENDREL_UPDATER_UI=console verwendet die Konsole).";

// The line for standard error when "qt" is asked for in a build without the window; the
// console is used.
inline constexpr char kWindowNotBuiltLine[] =
    "Fendrel! Update: Dieser Build enthält kein Fenster; die Konsole wird verwendet.";

// The same values as this process sees them.
UserInterfaceEnvironment CurrentUserInterfaceEnvironment();

}  // namespace platform::ui

#endif
