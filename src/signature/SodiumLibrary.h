#ifndef FENDREL_SIGNATURE_SODIUMLIBRARY_H
#define FENDREL_SIGNATURE_SODIUMLIBRARY_H

namespace signature {

// Starts the cryptographic library once per process (its random source and the choice
// of its code paths); raises Exception when it cannot start.
void RequireSodium();

}  // namespace signature

#endif
