#ifndef FENDREL_PLATFORM_UI_CLOSEHOLD_H
#define FENDREL_PLATFORM_UI_CLOSEHOLD_H

namespace platform::ui {

// The bookkeeping of a window's held close (IUserInterface::HoldClose), the same in every
// backend.
class TCloseHold {
 public:
  void Hold(bool hold) {
    if (hold) FRequested = false;
    FHeld = hold;
  }
  // Ends the hold; true when a close was noted meanwhile, which the backend then carries out.
  bool Release() {
    const bool close = FHeld && FRequested;
    FHeld = false;
    return close;
  }
  // A close by the user: whether it may go ahead; while held it is noted instead.
  bool MayClose() {
    if (FHeld) FRequested = true;
    return !FHeld;
  }
  bool Requested() const { return FRequested; }

 private:
  bool FHeld = false;
  bool FRequested = false;
};

}  // namespace platform::ui

#endif
