// Loading the TLS library by name: what a missing library or a missing function raises.
#include <gtest/gtest.h>

#include "net/IdException.h"
#include "net/posix/IdOpenSSLLibrary.h"

namespace {

TEST(OpenSSLLibraryTest, AMissingLibraryOrFunctionIsATlsSetupFailureNamingIt) {
  struct Case {
    const char* library;
    String expected;  // part of the message
  };
  const Case cases[] = {
      {"libfendrel-no-such-tls.so.3", u"TLS ist nicht verfügbar: libfendrel-no-such-tls.so.3"},
      // A library that loads but has none of the functions.
      {"libm.so.6", u"TLS ist nicht verfügbar: TLS_client_method fehlt in libm.so.6"},
  };
  for (const Case& c : cases) {
    try {
      LoadOpenSSL(c.library);
      ADD_FAILURE() << c.library << " loaded";
    } catch (const EIdTLSSetupFailed& error) {
      EXPECT_EQ(error.Message().find(c.expected), 0u) << ToUtf8(error.Message());
    }
  }
}

}  // namespace
