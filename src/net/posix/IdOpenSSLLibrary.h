// OpenSSL, loaded on the first TLS session instead of at program start: a program that never
// speaks https never maps the library. Every function the sessions call is looked up by name
// into a table whose entry types come from the library's own declarations.
#ifndef FENDREL_NET_POSIX_IDOPENSSLLIBRARY_H
#define FENDREL_NET_POSIX_IDOPENSSLLIBRARY_H

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

// The functions of the library the sessions use, in the order they are looked up.
#define FENDREL_OPENSSL_FUNCTIONS(X)  \
  X(TLS_client_method)                \
  X(SSL_CTX_new)                      \
  X(SSL_CTX_free)                     \
  X(SSL_CTX_ctrl)                     \
  X(SSL_CTX_set_verify)               \
  X(SSL_CTX_set_default_verify_paths) \
  X(SSL_CTX_load_verify_locations)    \
  X(SSL_new)                          \
  X(SSL_free)                         \
  X(SSL_ctrl)                         \
  X(SSL_set_bio)                      \
  X(SSL_set_connect_state)            \
  X(SSL_get0_param)                   \
  X(SSL_set_hostflags)                \
  X(SSL_set1_host)                    \
  X(SSL_do_handshake)                 \
  X(SSL_get_error)                    \
  X(SSL_get_verify_result)            \
  X(SSL_read_ex)                      \
  X(SSL_write_ex)                     \
  X(SSL_shutdown)                     \
  X(BIO_s_mem)                        \
  X(BIO_new)                          \
  X(BIO_free)                         \
  X(BIO_ctrl)                         \
  X(BIO_ctrl_pending)                 \
  X(BIO_write_ex)                     \
  X(BIO_read_ex)                      \
  X(ERR_clear_error)                  \
  X(ERR_peek_last_error)              \
  X(ERR_reason_error_string)          \
  X(X509_VERIFY_PARAM_set1_ip_asc)    \
  X(X509_verify_cert_error_string)

struct TOpenSSLFunctions {
#define FENDREL_OPENSSL_ENTRY(name) decltype(&::name) name = nullptr;
  FENDREL_OPENSSL_FUNCTIONS(FENDREL_OPENSSL_ENTRY)
#undef FENDREL_OPENSSL_ENTRY
};

// The file name of the library that matches the headers this program was built with.
extern const char* const kOpenSSLLibraryName;

// Loads the named library (with the libraries it needs) and looks every function up. Raises
// EIdTLSSetupFailed naming the library when it cannot be loaded, or the first function it
// lacks. The library stays loaded for the rest of the process.
TOpenSSLFunctions LoadOpenSSL(const char* library);

// The table for kOpenSSLLibraryName, loaded once by whichever thread asks first. A failed load
// is kept and raised again at every later call.
const TOpenSSLFunctions& OpenSSL();

#endif
