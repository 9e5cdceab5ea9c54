#ifndef FENDREL_UPDATER_UPDATEURLOVERRIDE_H
#define FENDREL_UPDATER_UPDATEURLOVERRIDE_H

#include "core/String.h"

namespace updater {

inline constexpr char16_t SUpdateUrlDowngradeRefused[] =
    u"Die Update-Adresse aus FENDREL_UPDATE_URL (%s) wird nicht verwendet: Die eingebaute Adresse verwendet "
    u"https, deshalb muss auch diese mit https:// beginnen";

// The base URL to use: environmentValue (the override) when it is not empty,
// else builtIn. When builtIn is an https URL, an override that is not one raises Exception
// with SUpdateUrlDowngradeRefused, so nothing outside the build can take the protection away.
String ResolveUpdateUrl(StringView builtIn, StringView environmentValue);

}  // namespace updater

#endif
