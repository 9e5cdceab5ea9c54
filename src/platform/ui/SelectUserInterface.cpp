#include <cstdlib>
#include <cstring>

#include "platform/ui/UserInterface.h"

namespace platform::ui {

#ifndef FENDREL_WITH_QT_BACKEND
std::unique_ptr<IUserInterface> CreateUserInterface(int&, char**) { return CreateConsoleUserInterface(); }
#endif

}  // namespace platform::ui
