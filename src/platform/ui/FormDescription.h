#ifndef FENDREL_PLATFORM_UI_FORMDESCRIPTION_H
#define FENDREL_PLATFORM_UI_FORMDESCRIPTION_H

#include "core/String.h"

namespace platform::ui {

// A font as a stored form names it: the height in pixels at 96 dpi (negative: the
// character height without internal leading, as Windows stores point sizes).
struct FontDescription {
  String Name;
  int Height = 0;
  bool Bold = false;
};

// The stored description of the status window: a fixed-size tool window with one
// vertically centred label on a plain background.
struct FormDescription {
  String Caption;
  int ClientWidth = 0;        // pixels at 96 dpi
  int ClientHeight = 0;       // pixels at 96 dpi
  unsigned Color = 0xFFFFFF;  // 0xRRGGBB
  FontDescription Font;
  int LabelLeft = 0;
  int LabelTop = 0;
  String LabelCaption;
  FontDescription LabelFont;
};

}  // namespace platform::ui

#endif
