#include "platform/ui/UserInterface.h"

namespace platform::ui {

// A build without the Qt backend (the build picks this file or qt/SelectUserInterface.cpp):
// the console is the only user interface there is.
std::unique_ptr<IUserInterface> CreateUserInterface(int&, char**) {
  return CreateConsoleUserInterface();
}

}  // namespace platform::ui
