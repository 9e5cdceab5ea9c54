#ifndef FENDREL_UPDATER_MISSINGCOMPONENTS_H
#define FENDREL_UPDATER_MISSINGCOMPONENTS_H

#include <memory>

#include "updater/UnZipper.h"

namespace updater {

// Stand-ins for the components this build does not contain yet: every operation
// fails with a message that names what is missing.
std::unique_ptr<IUnZipper> CreateMissingUnZipper();

}  // namespace updater

#endif
