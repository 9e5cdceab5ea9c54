#include "platform/ui/UserInterface.h"
#include "platform/ui/qt/QtUserInterface.h"
#include "platform/ui/qt/UserInterfaceChoice.h"

namespace platform::ui {

// A build with the Qt backend: Qt on a display, the console elsewhere or on request.
std::unique_ptr<IUserInterface> CreateUserInterface(int& argc, char** argv) {
  if (ChooseUserInterface(CurrentUserInterfaceEnvironment()) == UserInterfaceKind::Qt) {
    return CreateQtUserInterface(argc, argv);
  }
  return CreateConsoleUserInterface();
}

}  // namespace platform::ui
