#ifndef FENDREL_TESTS_PLATFORM_STATUSWINDOWDESCRIPTION_H
#define FENDREL_TESTS_PLATFORM_STATUSWINDOWDESCRIPTION_H

#include "platform/ui/FormDescription.h"
#include "updater/Form1.h"

// The updater's own stored description, so the backend's tests check the window the
// program really shows.
inline platform::ui::FormDescription StatusWindowDescription() {
  return updater::TForm1::StoredDescription();
}

#endif
