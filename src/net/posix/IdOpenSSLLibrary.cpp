#include "net/posix/IdOpenSSLLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <optional>

#include "net/IdException.h"

// OpenSSL 3 and later carry the major version in the file name; 1.1 carried both parts.
#if OPENSSL_VERSION_MAJOR >= 3
#define FENDREL_OPENSSL_STRING(value) #value
#define FENDREL_OPENSSL_SONAME(major) "libssl.so." FENDREL_OPENSSL_STRING(major)
const char* const kOpenSSLLibraryName = FENDREL_OPENSSL_SONAME(OPENSSL_VERSION_MAJOR);
#else
const char* const kOpenSSLLibraryName = "libssl.so.1.1";
#endif

TOpenSSLFunctions LoadOpenSSL(const char* library) {
  // RTLD_LOCAL: the library's names stay out of the global scope, so nothing else in the
  // process binds to them by accident.
  void* const handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* const reason = dlerror();
    const String detail = reason != nullptr ? FromUtf8(reason) : FromUtf8(library);
    throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {detail}));
  }
  // A lookup through the handle also searches the libraries it depends on (libcrypto).
  TOpenSSLFunctions functions;
#define FENDREL_OPENSSL_LOOKUP(name)                                                                       \
  functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(handle, #name));                       \
  if (functions.name == nullptr) {                                                                         \
    dlclose(handle);                                                                                       \
    throw EIdTLSSetupFailed(                                                                               \
        Format(SIdTLSUnavailable, {Format(SIdTLSFunctionMissing, {FromUtf8(#name), FromUtf8(library)})})); \
  }
  FENDREL_OPENSSL_FUNCTIONS(FENDREL_OPENSSL_LOOKUP)
#undef FENDREL_OPENSSL_LOOKUP
  return functions;
}

const TOpenSSLFunctions& OpenSSL() {
  static std::once_flag once;
  static std::optional<TOpenSSLFunctions> functions;
  static std::optional<EIdTLSSetupFailed> failure;
  std::call_once(once, [] {
    try {
      functions = LoadOpenSSL(kOpenSSLLibraryName);
    } catch (const EIdTLSSetupFailed& error) {
      failure = error;
    }
  });
  if (failure) throw *failure;
  return *functions;
}
