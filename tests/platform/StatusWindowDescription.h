#ifndef FENDREL_TESTS_PLATFORM_STATUSWINDOWDESCRIPTION_H
#define FENDREL_TESTS_PLATFORM_STATUSWINDOWDESCRIPTION_H

#include "platform/ui/FormDescription.h"

// A description with the values of the updater's status window, so the platform's
// tests see the window the program shows without depending on the program.
inline platform::ui::FormDescription StatusWindowDescription() {
  platform::ui::FormDescription form;
  form.Caption = u"Fendrel! Update";
  form.ClientWidth = 270;
  form.ClientHeight = 46;
  form.Color = 0xFFFFFF;
  form.Font = {u"Tahoma", -11, false};
  form.LabelLeft = 50;
  form.LabelTop = 15;
  form.LabelCaption = u"Suche nach neuer Version";
  form.LabelFont = {u"Tahoma", -13, true};
  return form;
}

#endif
