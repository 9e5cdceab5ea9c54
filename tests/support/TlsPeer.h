#ifndef FENDREL_SUPPORT_TLSPEER_H
#define FENDREL_SUPPORT_TLSPEER_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "support/PeerServers.h"

// A certificate authority of the test's own and a TLS server on 127.0.0.1 for the https tests:
// the certificates are made with the openssl command line, the server is python3's ssl module.
namespace testsupport {

// The test's certificates, made once per test program in a scratch folder. Each server
// certificate is for 127.0.0.1 and "localhost" unless its kind says otherwise.
class TestCertificates {
 public:
  enum class Kind {
    Good,            // signed by the test authority
    WrongName,       // signed by the test authority, for "other.example" only
    Expired,         // signed by the test authority, no longer valid
    Untrusted,       // signed by another authority that nobody trusts
    CommonNameOnly,  // signed by the test authority, "good.test" as its common name and no other name
  };

  // Whether the openssl command line and python3 are installed.
  static bool Available();
  // The certificates of this test program; raises std::runtime_error when they cannot be made.
  static const TestCertificates& Shared();

  // The test authority's certificate (PEM), the one to trust.
  std::string AuthorityFile() const;
  std::string CertificateFile(Kind kind) const;
  std::string KeyFile(Kind kind) const;

 private:
  TestCertificates();
  std::unique_ptr<ScratchFolder> FFolder;
};

// python3's ssl module serving on 127.0.0.1 at a free port, each connection on its own
// thread, several requests per connection:
//   /hello                     "hello over tls" with a Content-Length
//   /connection                "connection C request R": which connection, which request on it
//   /until-close/notify/N      N pattern bytes without a Content-Length, then the TLS close
//                              notification and the close
//   /until-close/cut/N         the same, but the connection is closed without the notification
//   a file of Options::Files   its content with a Content-Length; one of Options::CutFiles
//                              without, ended by a close without the notification
// every other target: 404. The server reports each connection on its standard output:
// "handshake <version>" or "failed <reason>".
class PythonTlsServer {
 public:
  enum class Mode {
    Tls,     // TLS as above
    Plain,   // answers the first bytes of each connection with a plain HTTP 400 and closes
    Silent,  // accepts and never says anything
  };
  struct Options {
    TestCertificates::Kind Certificate = TestCertificates::Kind::Good;
    std::string LowestVersion = "1.2";  // "1.0" to "1.3"
    std::string HighestVersion = "1.3";
    Mode How = Mode::Tls;
    // The handshake asks for a client certificate, which the client may leave out.
    bool AskClientCertificate = false;
    // Files to serve: the path below the root ("1.5/update.zip") and the content.
    std::map<std::string, std::string> Files;
    std::set<std::string> CutFiles;
  };

  explicit PythonTlsServer(const Options& options);
  ~PythonTlsServer();
  PythonTlsServer(const PythonTlsServer&) = delete;
  PythonTlsServer& operator=(const PythonTlsServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // "https://127.0.0.1:<port>/"
  std::string BaseUrl() const { return "https://127.0.0.1:" + std::to_string(FPort) + "/"; }
  // The server's next report line, waited for up to the given time; empty when none came.
  std::string NextReport(int milliseconds = 10000);

 private:
  std::unique_ptr<ScratchFolder> FFolder;
  std::unique_ptr<ChildProcess> FProcess;
  std::uint16_t FPort = 0;
};

// The pattern the until-close targets send.
std::string TlsPatternBytes(std::size_t count);

}  // namespace testsupport

#endif
