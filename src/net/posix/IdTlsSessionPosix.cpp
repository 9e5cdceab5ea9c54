// TLS client sessions through OpenSSL, over memory buffers: the handler moves the records.
#include <array>
#include <string>

#include "net/IdException.h"
#include "net/IdTlsSession.h"
#include "net/posix/IdOpenSSLLibrary.h"

namespace {

// The library, loaded by the first session.
const TOpenSSLFunctions& Api() {
  return OpenSSL();
}

struct ContextFree {
  void operator()(SSL_CTX* context) const { Api().SSL_CTX_free(context); }
};
struct SessionFree {
  void operator()(SSL* ssl) const { Api().SSL_free(ssl); }
};

// The library's reason for the last failure in its error queue, for the message's detail.
String LibraryReason() {
  const unsigned long error = Api().ERR_peek_last_error();
  const char* reason = error != 0 ? Api().ERR_reason_error_string(error) : nullptr;
  return reason != nullptr ? FromUtf8(reason) : String(u"unbekannter Fehler");
}

// A failed certificate check as the user should read it.
[[noreturn]] void RaiseVerifyFailure(const String& host, long result) {
  switch (result) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      throw EIdTLSHostNameMismatch(Format(SIdTLSHostNameMismatch, {host}));
    case X509_V_ERR_CERT_HAS_EXPIRED:
      throw EIdTLSCertificateUntrusted(
          Format(SIdTLSCertificateUntrusted, {host, String(SIdTLSCertificateExpired)}));
    case X509_V_ERR_CERT_NOT_YET_VALID:
      throw EIdTLSCertificateUntrusted(
          Format(SIdTLSCertificateUntrusted, {host, String(SIdTLSCertificateNotYetValid)}));
    case X509_V_ERR_CERT_REVOKED:
      throw EIdTLSCertificateUntrusted(
          Format(SIdTLSCertificateUntrusted, {host, String(SIdTLSCertificateRevoked)}));
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      throw EIdTLSCertificateUntrusted(
          Format(SIdTLSCertificateUntrusted, {host, String(SIdTLSUnknownIssuer)}));
    default: {
      const String detail =
          Format(SIdTLSCertificateCheckFailed, {FromUtf8(Api().X509_verify_cert_error_string(result))});
      throw EIdTLSCertificateUntrusted(Format(SIdTLSCertificateUntrusted, {host, detail}));
    }
  }
}

class TIdTlsSessionOpenSSL final : public TIdTlsSession {
 public:
  TIdTlsSessionOpenSSL(const String& host, const TIdTlsTrust& trust) : FHost(host) {
    Api().ERR_clear_error();
    FContext.reset(Api().SSL_CTX_new(Api().TLS_client_method()));
    if (!FContext) throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
    SSL_CTX* const context = FContext.get();
    if (Api().SSL_CTX_ctrl(context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr) != 1 ||
        Api().SSL_CTX_ctrl(context, SSL_CTRL_SET_MAX_PROTO_VERSION, TLS1_3_VERSION, nullptr) != 1)
      throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
    Api().SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // The system's store, or what SSL_CERT_FILE and SSL_CERT_DIR name instead.
    Api().SSL_CTX_set_default_verify_paths(context);
    for (const String& file : trust.CAFiles) {
      const std::string path = ToUtf8(file);
      if (Api().SSL_CTX_load_verify_locations(context, path.c_str(), nullptr) != 1)
        throw EIdTLSSetupFailed(Format(SIdTLSCAFileUnreadable, {file}));
    }

    FSession.reset(Api().SSL_new(context));
    if (!FSession) throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
    SSL* const ssl = FSession.get();
    BIO* const incoming = Api().BIO_new(Api().BIO_s_mem());
    BIO* const outgoing = Api().BIO_new(Api().BIO_s_mem());
    if (incoming == nullptr || outgoing == nullptr) {
      Api().BIO_free(incoming);
      Api().BIO_free(outgoing);
      throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
    }
    // An empty incoming buffer means "more to come", never an end.
    Api().BIO_ctrl(incoming, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
    Api().SSL_set_bio(ssl, incoming, outgoing);
    FIncoming = incoming;
    FOutgoing = outgoing;
    Api().SSL_set_connect_state(ssl);

    // An address is checked against the certificate's addresses; a name against its DNS
    // names only (never against the subject's common name), and sent as the server name.
    const std::string name = ToUtf8(host);
    X509_VERIFY_PARAM* const parameters = Api().SSL_get0_param(ssl);
    if (Api().X509_VERIFY_PARAM_set1_ip_asc(parameters, name.c_str()) != 1) {
      Api().ERR_clear_error();
      Api().SSL_set_hostflags(ssl,
                              X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
      if (Api().SSL_set1_host(ssl, name.c_str()) != 1 ||
          Api().SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                         const_cast<char*>(name.c_str())) != 1)
        throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
    }
  }

  void PutReceived(const std::uint8_t* data, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      std::size_t written = 0;
      if (Api().BIO_write_ex(FIncoming, data + done, size - done, &written) != 1)
        throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {LibraryReason()}));
      done += written;
    }
  }

  void TakeOutgoing(TIdBytes& out) override {
    const std::size_t pending = Api().BIO_ctrl_pending(FOutgoing);
    if (pending == 0) return;
    const std::size_t start = out.size();
    out.resize(start + pending);
    std::size_t read = 0;
    if (Api().BIO_read_ex(FOutgoing, out.data() + start, pending, &read) != 1) read = 0;
    out.resize(start + read);
  }

  bool Handshake() override {
    Api().ERR_clear_error();
    const int result = Api().SSL_do_handshake(FSession.get());
    if (result == 1) return true;
    const int error = Api().SSL_get_error(FSession.get(), result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return false;
    const long verified = Api().SSL_get_verify_result(FSession.get());
    if (verified != X509_V_OK) RaiseVerifyFailure(FHost, verified);
    const unsigned long failure = Api().ERR_peek_last_error();
    String detail;
    switch (ERR_GET_LIB(failure) == ERR_LIB_SSL ? ERR_GET_REASON(failure) : 0) {
      case SSL_R_WRONG_VERSION_NUMBER:
      case SSL_R_PACKET_LENGTH_TOO_LONG:
      case SSL_R_UNKNOWN_PROTOCOL:
      case SSL_R_RECORD_LENGTH_MISMATCH:
        detail = SIdTLSNotTls;
        break;
      case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
      case SSL_R_UNSUPPORTED_PROTOCOL:
      case SSL_R_NO_PROTOCOLS_AVAILABLE:
      case SSL_R_VERSION_TOO_LOW:
        detail = SIdTLSNoCommonVersion;
        break;
      default:
        detail = Format(SIdTLSProtocolFailure, {LibraryReason()});
        break;
    }
    throw EIdTLSHandshakeFailed(Format(SIdTLSHandshakeFailed, {FHost, detail}));
  }

  bool Decrypt(TIdBytes& plain) override {
    std::array<std::uint8_t, 16384> chunk;
    for (;;) {
      Api().ERR_clear_error();
      std::size_t got = 0;
      const int result = Api().SSL_read_ex(FSession.get(), chunk.data(), chunk.size(), &got);
      if (result == 1) {
        plain.insert(plain.end(), chunk.data(), chunk.data() + got);
        continue;
      }
      const int error = Api().SSL_get_error(FSession.get(), result);
      if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return false;
      if (error == SSL_ERROR_ZERO_RETURN) return true;
      throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, LibraryReason()}));
    }
  }

  void Encrypt(const std::uint8_t* data, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      Api().ERR_clear_error();
      std::size_t written = 0;
      if (Api().SSL_write_ex(FSession.get(), data + done, size - done, &written) != 1)
        throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, LibraryReason()}));
      done += written;
    }
  }

  void Shutdown() override {
    Api().ERR_clear_error();
    Api().SSL_shutdown(FSession.get());
    Api().ERR_clear_error();
  }

 private:
  String FHost;
  std::unique_ptr<SSL_CTX, ContextFree> FContext;
  std::unique_ptr<SSL, SessionFree> FSession;
  BIO* FIncoming = nullptr;  // owned by the session
  BIO* FOutgoing = nullptr;  // owned by the session
};

}  // namespace

bool TlsSessionsAvailable() {
  return true;
}

std::unique_ptr<TIdTlsSession> CreateTlsSession(const String& host, const TIdTlsTrust& trust) {
  return std::make_unique<TIdTlsSessionOpenSSL>(host, trust);
}
