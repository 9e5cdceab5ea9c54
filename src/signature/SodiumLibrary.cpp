#include "signature/SodiumLibrary.h"

#include <sodium.h>

#include "core/Exception.h"

namespace signature {

void RequireSodium() {
  // Safe to call from several threads and more than once; answers 1 once started.
  if (sodium_init() < 0) throw Exception(u"Die Kryptobibliothek kann nicht gestartet werden");
}

}  // namespace signature
