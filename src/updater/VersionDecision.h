#ifndef FENDREL_UPDATER_VERSIONDECISION_H
#define FENDREL_UPDATER_VERSIONDECISION_H

#include "core/String.h"

namespace updater {

// A version text as the updater reads it: a decimal number with the process's decimal
// separator; EConvertError for any other text.
long double VersionNumber(const String& text);

// The version query's decision: both texts read as decimal numbers with the process's
// decimal separator (the updater sets "." when its window is made), the server's text
// first, so that its failure is the one reported (EConvertError). An update only when the
// installed number is below the newest; equal numbers ("1.5" and "1.50") are no update,
// and "1.10" is the number 1.1, below "1.9".

struct TVersionDecision {
  long double Newest = 0;
  long double Installed = 0;
  bool Update = false;
};
TVersionDecision DecideUpdate(const String& installed, const String& newest);

}  // namespace updater

#endif
