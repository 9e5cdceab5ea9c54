#ifndef FENDREL_PLATFORM_UI_WIN32_WIN32USERINTERFACE_H
#define FENDREL_PLATFORM_UI_WIN32_WIN32USERINTERFACE_H

#include <memory>

#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The native window and dialogs of Windows.
std::unique_ptr<IUserInterface> CreateWin32UserInterface();

}  // namespace platform::ui

#endif
