#ifndef FENDREL_TOOLS_CHECK_KEYFILES_H
#define FENDREL_TOOLS_CHECK_KEYFILES_H

#include <string>

#include "signature/ArchiveSignature.h"
#include "signature/ArchiveSigning.h"

namespace check {

// The text of a key file without its line break (LF or CR LF); at most a few kilobytes are
// read. Raises the file's open or read error.
std::string ReadKeyFile(const std::string& name);

// The secret key of a file that nobody but its owner may read or change: one that others
// may read is no secret any more and is refused (EFOpenError naming the file). Raises
// EAbZipBadSecretKey for a text that is no secret key. The text read is wiped.
signature::TSecretKey ReadSecretKeyFile(const std::string& name);

// The public key of a file; EAbZipBadPublicKey for a text that is no public key.
signature::TPublicKey ReadPublicKeyFile(const std::string& name);

}  // namespace check

#endif
