#ifndef FENDREL_PLATFORM_UI_PROGRESS_H
#define FENDREL_PLATFORM_UI_PROGRESS_H

#include <cstdint>

#include "core/String.h"
#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The share of total that done is, in thousandths from 0 to 1000; -1 when total is not known
// (0 or less).
int ProgressPermille(std::int64_t done, std::int64_t total);

// The progress as one line of text after the status: "Lade neue Version: 42 % (84,0 von
// 200,0 MB)" for bytes of a known total, "Lade neue Version: 84,0 MB" without one, and
// "Entpacke neue Version: 42 %" for steps. Amounts are in MB of 1024 × 1024 bytes with one
// decimal after a comma.
String ProgressText(const String& status, std::int64_t done, std::int64_t total, TProgressUnit unit);

}  // namespace platform::ui

#endif
