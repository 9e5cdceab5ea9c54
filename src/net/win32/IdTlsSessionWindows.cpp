// TLS client sessions through the system's TLS (SChannel), over memory buffers: the handler
// moves the records. The server's certificate is checked here with the system's chain engine
// and SSL policy; extra authorities live in a memory store the session owns. The security
// and certificate libraries are loaded from the system folder by the first session, not
// imported: a program that never speaks https never maps them, and no copy in the program's
// folder is taken in their place.

#include <windows.h>
// Each of the security headers builds on the ones before it.
#include <wincrypt.h>
// The counted strings of SChannel's newer credentials.
#include <subauth.h>
// SChannel's credentials.
#include <schannel.h>
// The security interface itself.
#include <security.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Stream.h"
#include "net/IdException.h"
#include "net/IdTlsSession.h"
#include "platform/win32/SystemLibrary.h"

namespace {

using platform::win32::TLibraryFunction;

// The functions of the two libraries, under the names of the system's declarations, which
// they stand in for in this file.
TLibraryFunction<decltype(&::AcquireCredentialsHandleW)> AcquireCredentialsHandleW{
    "AcquireCredentialsHandleW"};
TLibraryFunction<decltype(&::ApplyControlToken)> ApplyControlToken{"ApplyControlToken"};
TLibraryFunction<decltype(&::DecryptMessage)> DecryptMessage{"DecryptMessage"};
TLibraryFunction<decltype(&::DeleteSecurityContext)> DeleteSecurityContext{"DeleteSecurityContext"};
TLibraryFunction<decltype(&::EncryptMessage)> EncryptMessage{"EncryptMessage"};
TLibraryFunction<decltype(&::FreeContextBuffer)> FreeContextBuffer{"FreeContextBuffer"};
TLibraryFunction<decltype(&::FreeCredentialsHandle)> FreeCredentialsHandle{"FreeCredentialsHandle"};
TLibraryFunction<decltype(&::InitializeSecurityContextW)> InitializeSecurityContextW{
    "InitializeSecurityContextW"};
TLibraryFunction<decltype(&::QueryContextAttributesW)> QueryContextAttributesW{"QueryContextAttributesW"};
TLibraryFunction<decltype(&::CertAddEncodedCertificateToStore)> CertAddEncodedCertificateToStore{
    "CertAddEncodedCertificateToStore"};
TLibraryFunction<decltype(&::CertAddStoreToCollection)> CertAddStoreToCollection{"CertAddStoreToCollection"};
TLibraryFunction<decltype(&::CertCloseStore)> CertCloseStore{"CertCloseStore"};
TLibraryFunction<decltype(&::CertEnumCertificatesInStore)> CertEnumCertificatesInStore{
    "CertEnumCertificatesInStore"};
TLibraryFunction<decltype(&::CertFindExtension)> CertFindExtension{"CertFindExtension"};
TLibraryFunction<decltype(&::CertFreeCertificateChain)> CertFreeCertificateChain{"CertFreeCertificateChain"};
TLibraryFunction<decltype(&::CertFreeCertificateContext)> CertFreeCertificateContext{
    "CertFreeCertificateContext"};
TLibraryFunction<decltype(&::CertGetCertificateChain)> CertGetCertificateChain{"CertGetCertificateChain"};
TLibraryFunction<decltype(&::CertOpenStore)> CertOpenStore{"CertOpenStore"};
TLibraryFunction<decltype(&::CertVerifyCertificateChainPolicy)> CertVerifyCertificateChainPolicy{
    "CertVerifyCertificateChainPolicy"};
TLibraryFunction<decltype(&::CryptStringToBinaryA)> CryptStringToBinaryA{"CryptStringToBinaryA"};

// Loads both libraries once for the process: ERROR_SUCCESS, or the system's error number
// when a library or one of its functions is missing.
DWORD LoadTlsLibraries() {
  static const DWORD result = [] {
    DWORD error = ERROR_SUCCESS;
    const HMODULE security = platform::win32::LoadSystemLibrary(L"secur32.dll", &error);
    if (security == nullptr) return error;
    const HMODULE certificates = platform::win32::LoadSystemLibrary(L"crypt32.dll", &error);
    if (certificates == nullptr) return error;
    const bool found = platform::win32::LoadLibraryFunctions(
                           security, AcquireCredentialsHandleW, ApplyControlToken, DecryptMessage,
                           DeleteSecurityContext, EncryptMessage, FreeContextBuffer, FreeCredentialsHandle,
                           InitializeSecurityContextW, QueryContextAttributesW) &&
                       platform::win32::LoadLibraryFunctions(
                           certificates, CertAddEncodedCertificateToStore, CertAddStoreToCollection,
                           CertCloseStore, CertEnumCertificatesInStore, CertFindExtension,
                           CertFreeCertificateChain, CertFreeCertificateContext, CertGetCertificateChain,
                           CertOpenStore, CertVerifyCertificateChainPolicy, CryptStringToBinaryA);
    return found ? static_cast<DWORD>(ERROR_SUCCESS) : static_cast<DWORD>(ERROR_PROC_NOT_FOUND);
  }();
  return result;
}

// The SSL policy's flag that sets aside an unknown root authority (it comes with the
// internet headers, which this file does not otherwise need).
constexpr DWORD kIgnoreUnknownAuthority = 0x00000100;

// An extra certificate file larger than this is not a file of certificates.
constexpr std::int64_t kMaxCertificateFile = 4 * 1024 * 1024;

const wchar_t* Wide(const String& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

String Code(long status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
  return FromUtf8(text);
}

// Adds every PEM certificate of the file to the store; false when the file cannot be read or
// holds none.
bool AddCertificatesFromFile(HCERTSTORE store, const String& file) {
  std::string text;
  try {
    TFileStream stream(file, fmOpenRead | fmShareDenyWrite);
    const std::int64_t size = stream.Size();
    if (size <= 0 || size > kMaxCertificateFile) return false;
    text.resize(static_cast<std::size_t>(size));
    stream.ReadBuffer(text.data(), size);
  } catch (const std::exception&) {
    return false;
  }
  const std::string begin = "-----BEGIN CERTIFICATE-----";
  const std::string end = "-----END CERTIFICATE-----";
  bool added = false;
  std::size_t position = 0;
  for (;;) {
    const std::size_t first = text.find(begin, position);
    if (first == std::string::npos) break;
    const std::size_t last = text.find(end, first);
    if (last == std::string::npos) break;
    const std::size_t stop = last + end.size();
    DWORD size = 0;
    const char* const pem = text.data() + first;
    const DWORD length = static_cast<DWORD>(stop - first);
    if (CryptStringToBinaryA(pem, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr) &&
        size > 0) {
      std::string der(size, '\0');
      if (CryptStringToBinaryA(pem, length, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()),
                               &size, nullptr, nullptr) &&
          CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                           reinterpret_cast<const BYTE*>(der.data()), size,
                                           CERT_STORE_ADD_USE_EXISTING, nullptr))
        added = true;
    }
    position = stop;
  }
  return added;
}

class TIdTlsSessionWindows final : public TIdTlsSession {
 public:
  TIdTlsSessionWindows(const String& host, const TIdTlsTrust& trust) : FHost(host) {
    FAuthorities = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
    if (FAuthorities == nullptr) throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {Code(GetLastError())}));
    for (const String& file : trust.CAFiles) {
      if (!AddCertificatesFromFile(FAuthorities, file))
        throw EIdTLSSetupFailed(Format(SIdTLSCAFileUnreadable, {file}));
    }
    AcquireCredentials();
  }

  ~TIdTlsSessionWindows() override {
    if (FHaveContext) DeleteSecurityContext(&FContext);
    if (FHaveCredentials) FreeCredentialsHandle(&FCredentials);
    if (FAuthorities != nullptr) CertCloseStore(FAuthorities, 0);
  }

  void PutReceived(const std::uint8_t* data, std::size_t size) override {
    FReceived.insert(FReceived.end(), data, data + size);
  }

  void TakeOutgoing(TIdBytes& out) override {
    out.insert(out.end(), FOutgoing.begin(), FOutgoing.end());
    FOutgoing.clear();
  }

  bool Handshake() override {
    for (;;) {
      if (FHaveContext && FReceived.empty()) return false;
      const SECURITY_STATUS status = Step();
      if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
      if (status == SEC_I_CONTINUE_NEEDED) continue;
      if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
        // The server asks for a client certificate, which the updater has none of: the
        // context is told at once to go on without one (nothing more arrives before it does).
        if (FUseSuppliedCredentials) throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(status)}));
        FUseSuppliedCredentials = true;
        continue;
      }
      if (status == SEC_E_OK) {
        VerifyServerCertificate();
        if (QueryContextAttributesW(&FContext, SECPKG_ATTR_STREAM_SIZES, &FSizes) != SEC_E_OK)
          throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(GetLastError())}));
        return true;
      }
      String detail;
      switch (status) {
        case SEC_E_ALGORITHM_MISMATCH:
        case SEC_E_UNSUPPORTED_FUNCTION:
          detail = SIdTLSNoCommonVersion;
          break;
        case SEC_E_ILLEGAL_MESSAGE:
        case SEC_E_INVALID_TOKEN:
          detail = SIdTLSNotTls;
          break;
        default:
          detail = Format(SIdTLSProtocolFailure, {Code(status)});
          break;
      }
      throw HandshakeFailure(detail);
    }
  }

  bool Decrypt(TIdBytes& plain) override {
    while (!FReceived.empty()) {
      if (FRenegotiating && !Renegotiate()) return false;
      if (FReceived.empty()) break;
      SecBuffer buffers[4] = {
          {static_cast<unsigned long>(FReceived.size()), SECBUFFER_DATA, FReceived.data()},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&FContext, &description, 0, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
      if (status == SEC_I_CONTEXT_EXPIRED) {
        FReceived.clear();
        return true;
      }
      if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE)
        throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, Code(status)}));
      TIdBytes rest;
      for (const SecBuffer& buffer : buffers) {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer.pvBuffer);
        if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0)
          plain.insert(plain.end(), bytes, bytes + buffer.cbBuffer);
        else if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer > 0)
          rest.assign(bytes, bytes + buffer.cbBuffer);
      }
      FReceived = std::move(rest);
      // A handshake message after the handshake (a TLS 1.3 session ticket or key update, a
      // TLS 1.2 renegotiation): the handshake runs with the records that follow, which are
      // not application data, until the context is complete again.
      if (status == SEC_I_RENEGOTIATE) FRenegotiating = true;
    }
    return false;
  }

  void Encrypt(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      const std::size_t count = std::min<std::size_t>(size, FSizes.cbMaximumMessage);
      TIdBytes record(FSizes.cbHeader + count + FSizes.cbTrailer);
      std::memcpy(record.data() + FSizes.cbHeader, data, count);
      SecBuffer buffers[4] = {
          {FSizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
          {static_cast<unsigned long>(count), SECBUFFER_DATA, record.data() + FSizes.cbHeader},
          {FSizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + FSizes.cbHeader + count},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = EncryptMessage(&FContext, 0, &description, 0);
      if (status != SEC_E_OK)
        throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, Code(status)}));
      const std::size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
      FOutgoing.insert(FOutgoing.end(), record.data(), record.data() + length);
      data += count;
      size -= count;
    }
  }

  void Shutdown() override {
    if (!FHaveContext) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer token{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc description{SECBUFFER_VERSION, 1, &token};
    if (ApplyControlToken(&FContext, &description) != SEC_E_OK) return;
    FReceived.clear();
    // The close notification is produced from no input at all.
    Step(false);
  }

 private:
  void AcquireCredentials() {
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    // TLS 1.2 and 1.3 where the system knows the newer credentials; TLS 1.2 alone otherwise.
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols =
        SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = flags;
    modern.cTlsParameters = 1;
    modern.pTlsParameters = &parameters;
    SECURITY_STATUS status =
        AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                  &modern, nullptr, nullptr, &FCredentials, nullptr);
    if (status != SEC_E_OK) {
      SCHANNEL_CRED legacy{};
      legacy.dwVersion = SCHANNEL_CRED_VERSION;
      legacy.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
      legacy.dwFlags = flags;
      status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                         nullptr, &legacy, nullptr, nullptr, &FCredentials, nullptr);
    }
    if (status != SEC_E_OK) throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {Code(status)}));
    FHaveCredentials = true;
  }

  // The handshake after SEC_I_RENEGOTIATE, as far as the received records allow; true once
  // the context is complete again (the server's certificate checked anew: a renegotiation
  // may bring another one).
  bool Renegotiate() {
    while (!FReceived.empty()) {
      const SECURITY_STATUS status = Step();
      if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
      if (status == SEC_I_CONTINUE_NEEDED) continue;
      if (status == SEC_I_INCOMPLETE_CREDENTIALS && !FUseSuppliedCredentials) {
        FUseSuppliedCredentials = true;
        continue;
      }
      if (status != SEC_E_OK)
        throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, Code(status)}));
      FRenegotiating = false;
      VerifyServerCertificate();
      if (QueryContextAttributesW(&FContext, SECPKG_ATTR_STREAM_SIZES, &FSizes) != SEC_E_OK)
        throw EIdTLSConnectionFailed(Format(SIdTLSConnectionFailed, {FHost, Code(GetLastError())}));
      return true;
    }
    return false;
  }

  // One call of the context with what arrived (or, without input, for the close
  // notification); its answer goes to the outgoing records, and the bytes it did not take
  // stay received. After SEC_I_INCOMPLETE_CREDENTIALS nothing was taken.
  SECURITY_STATUS Step(bool withInput = true) {
    DWORD requested = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                      ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
    if (FUseSuppliedCredentials) requested |= ISC_REQ_USE_SUPPLIED_CREDS;
    SecBuffer input[2] = {{static_cast<unsigned long>(FReceived.size()), SECBUFFER_TOKEN, FReceived.data()},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
    SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outputDescription{SECBUFFER_VERSION, 1, output};
    unsigned long attributes = 0;
    String name = FHost;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &FCredentials, FHaveContext ? &FContext : nullptr, const_cast<wchar_t*>(Wide(name)), requested, 0, 0,
        FHaveContext && withInput ? &inputDescription : nullptr, 0, &FContext, &outputDescription,
        &attributes, nullptr);
    const bool first = !FHaveContext;
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) FHaveContext = true;
    if (output[0].pvBuffer != nullptr) {
      const auto* bytes = static_cast<const std::uint8_t*>(output[0].pvBuffer);
      FOutgoing.insert(FOutgoing.end(), bytes, bytes + output[0].cbBuffer);
      FreeContextBuffer(output[0].pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE || status == SEC_I_INCOMPLETE_CREDENTIALS || first || !withInput)
      return status;
    if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0 &&
        input[1].cbBuffer <= FReceived.size())
      FReceived.erase(FReceived.begin(), FReceived.end() - input[1].cbBuffer);
    else
      FReceived.clear();
    return status;
  }

  EIdTLSHandshakeFailed HandshakeFailure(const String& detail) const {
    return EIdTLSHandshakeFailed(Format(SIdTLSHandshakeFailed, {FHost, detail}));
  }

  [[noreturn]] void RaiseUntrusted(const char16_t* reason) const {
    throw EIdTLSCertificateUntrusted(Format(SIdTLSCertificateUntrusted, {FHost, String(reason)}));
  }

  // The chain up to a trusted authority (the system's, or one of the session's own), valid
  // now, for server authentication and for the host.
  void VerifyServerCertificate() {
    PCCERT_CONTEXT remote = nullptr;
    if (QueryContextAttributesW(&FContext, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote) != SEC_E_OK ||
        remote == nullptr)
      throw HandshakeFailure(Format(SIdTLSProtocolFailure, {String(u"kein Zertifikat")}));
    struct Releases {
      PCCERT_CONTEXT Certificate;
      HCERTSTORE Collection = nullptr;
      PCCERT_CHAIN_CONTEXT Chain = nullptr;
      ~Releases() {
        if (Chain != nullptr) CertFreeCertificateChain(Chain);
        if (Collection != nullptr) CertCloseStore(Collection, 0);
        CertFreeCertificateContext(Certificate);
      }
    } held{remote};

    // What the server sent and the session's own authorities help build the chain.
    held.Collection = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
    if (held.Collection == nullptr)
      throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(GetLastError())}));
    if (remote->hCertStore != nullptr) CertAddStoreToCollection(held.Collection, remote->hCertStore, 0, 0);
    CertAddStoreToCollection(held.Collection, FAuthorities, 0, 0);

    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA chainParameters{};
    chainParameters.cbSize = sizeof chainParameters;
    chainParameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainParameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainParameters.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    // Revocation is asked for the server's own certificate where the system can tell it; an
    // answer the system cannot get counts as no answer (below).
    if (!CertGetCertificateChain(nullptr, remote, nullptr, held.Collection, &chainParameters,
                                 CERT_CHAIN_REVOCATION_CHECK_END_CERT, nullptr, &held.Chain))
      throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(GetLastError())}));

    // A chain that ends in one of the session's own authorities is trusted as one that ends
    // in the system's store: only that one finding is set aside, every other check stays.
    bool ownAuthority = false;
    if ((held.Chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0 &&
        held.Chain->cChain > 0) {
      const CERT_SIMPLE_CHAIN* const simple = held.Chain->rgpChain[0];
      // The root must be one of them byte for byte: issuer and serial number alone can be copied.
      if (simple->cElement > 0) {
        PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
        PCCERT_CONTEXT own = nullptr;
        while (!ownAuthority && (own = CertEnumCertificatesInStore(FAuthorities, own)) != nullptr)
          ownAuthority = own->cbCertEncoded == root->cbCertEncoded &&
                         std::memcmp(own->pbCertEncoded, root->pbCertEncoded, root->cbCertEncoded) == 0;
        if (own != nullptr) CertFreeCertificateContext(own);
      }
    }

    // The chain's own findings first, so that no policy implementation can pass over them.
    DWORD findings = held.Chain->TrustStatus.dwErrorStatus;
    if (ownAuthority) findings &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
    // A revocation status the system could not find out (no list, offline) does not count; a
    // revoked certificate does.
    findings &= ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    if ((findings & CERT_TRUST_IS_NOT_TIME_VALID) != 0) RaiseUntrusted(SIdTLSCertificateExpired);
    if ((findings & CERT_TRUST_IS_REVOKED) != 0) RaiseUntrusted(SIdTLSCertificateRevoked);
    if ((findings & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) != 0)
      RaiseUntrusted(SIdTLSUnknownIssuer);
    if (findings != 0) {
      const String detail = Format(SIdTLSCertificateCheckFailed, {Code(static_cast<long>(findings))});
      throw EIdTLSCertificateUntrusted(Format(SIdTLSCertificateUntrusted, {FHost, detail}));
    }

    // Names are checked against the subject-alternative names only: a certificate without them
    // is not taken by its common name.
    const CERT_INFO* const info = remote->pCertInfo;
    if (CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension) == nullptr)
      throw EIdTLSHostNameMismatch(Format(SIdTLSHostNameMismatch, {FHost}));

    String name = FHost;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra{};
    extra.cbSize = sizeof extra;
    extra.dwAuthType = AUTHTYPE_SERVER;
    extra.fdwChecks = ownAuthority ? kIgnoreUnknownAuthority : 0;
    extra.pwszServerName = const_cast<wchar_t*>(Wide(name));
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &extra;
    CERT_CHAIN_POLICY_STATUS result{};
    result.cbSize = sizeof result;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, held.Chain, &policy, &result))
      throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(GetLastError())}));
    if (static_cast<HRESULT>(result.dwError) == CERT_E_REVOCATION_FAILURE) {
      // Some policy implementations report a revocation status they could not find out in
      // spite of the flag and check nothing after it. The chain's findings above already
      // refused a revoked certificate, so the policy runs again on the chain without
      // revocation, where it checks the names and the rest.
      PCCERT_CHAIN_CONTEXT plain = nullptr;
      if (!CertGetCertificateChain(nullptr, remote, nullptr, held.Collection, &chainParameters, 0, nullptr,
                                   &plain))
        throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(GetLastError())}));
      const BOOL verified = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, plain, &policy, &result);
      const DWORD error = GetLastError();
      CertFreeCertificateChain(plain);
      if (!verified) throw HandshakeFailure(Format(SIdTLSProtocolFailure, {Code(error)}));
    }
    switch (static_cast<HRESULT>(result.dwError)) {
      case 0:
        return;
      case CERT_E_CN_NO_MATCH:
        throw EIdTLSHostNameMismatch(Format(SIdTLSHostNameMismatch, {FHost}));
      case CERT_E_EXPIRED:
        RaiseUntrusted(SIdTLSCertificateExpired);
      case CRYPT_E_REVOKED:
        RaiseUntrusted(SIdTLSCertificateRevoked);
      case CERT_E_UNTRUSTEDROOT:
      case CERT_E_CHAINING:
      case CERT_E_UNTRUSTEDCA:
        RaiseUntrusted(SIdTLSUnknownIssuer);
      default: {
        const String detail = Format(SIdTLSCertificateCheckFailed, {Code(static_cast<long>(result.dwError))});
        throw EIdTLSCertificateUntrusted(Format(SIdTLSCertificateUntrusted, {FHost, detail}));
      }
    }
  }

  String FHost;
  HCERTSTORE FAuthorities = nullptr;
  CredHandle FCredentials{};
  bool FHaveCredentials = false;
  CtxtHandle FContext{};
  bool FHaveContext = false;
  // The server asked for a client certificate: the context goes on without one.
  bool FUseSuppliedCredentials = false;
  // A handshake message arrived after the handshake: the records that follow complete it.
  bool FRenegotiating = false;
  SecPkgContext_StreamSizes FSizes{};
  TIdBytes FReceived;
  TIdBytes FOutgoing;
};

}  // namespace

bool TlsSessionsAvailable() {
  return true;
}

std::unique_ptr<TIdTlsSession> CreateTlsSession(const String& host, const TIdTlsTrust& trust) {
  if (const DWORD error = LoadTlsLibraries(); error != ERROR_SUCCESS)
    throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {Code(static_cast<long>(error))}));
  return std::make_unique<TIdTlsSessionWindows>(host, trust);
}
