#ifndef FENDREL_CORE_SYSERROR_H
#define FENDREL_CORE_SYSERROR_H

#include "core/String.h"

// The system's own text for an error number of the operating system, in German
// where the system has one, otherwise the system's text as it stands.
String SysErrorMessage(int error);

#endif
