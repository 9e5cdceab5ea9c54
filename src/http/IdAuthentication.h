#ifndef FENDREL_HTTP_IDAUTHENTICATION_H
#define FENDREL_HTTP_IDAUTHENTICATION_H

#include <functional>
#include <memory>
#include <string>

#include "core/String.h"
#include "http/IdHeaderList.h"

enum class TIdAuthWhatsNext { wnAskTheProgram, wnDoRequest, wnFail };

// One authentication scheme's state for a request: the credentials and the challenge lines.
class TIdAuthentication {
 public:
  TIdAuthentication();
  virtual ~TIdAuthentication();
  TIdAuthentication(const TIdAuthentication&) = delete;
  TIdAuthentication& operator=(const TIdAuthentication&) = delete;

  // The value of the Authorization header.
  virtual String Authentication() = 0;
  virtual TIdAuthWhatsNext Next() = 0;
  // Back to the first step.
  virtual void Reset() { FCurrentStep = 0; }
  // Told before a request is sent with this authentication.
  virtual void SetRequest(const String& /*method*/, const String& /*url*/) {}
  virtual String SchemeName() const = 0;

  // "Authorization" and whatever the scheme keeps.
  TIdHeaderList& Params() { return FParams; }
  // The challenge lines.
  TIdHeaderList& AuthParams() { return FAuthParams; }
  // The credentials are plain text, kept exactly as given: a header list would fold a long
  // value and trim what it reads back.
  const String& Username() const { return FUsername; }
  void SetUsername(const String& v) { FUsername = v; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& v) { FPassword = v; }
  int CurrentStep() const { return FCurrentStep; }
  void SetCurrentStep(int step) { FCurrentStep = step; }
  virtual int Steps() const { return 1; }

 protected:
  TIdHeaderList FParams;
  TIdHeaderList FAuthParams;
  String FUsername;
  String FPassword;
  int FCurrentStep = 0;
};

// "Basic " followed by the Base64 form of user name, ":" and password.
class TIdBasicAuthentication final : public TIdAuthentication {
 public:
  String Authentication() override;
  TIdAuthWhatsNext Next() override;
  String SchemeName() const override { return u"Basic"; }
};

using TIdAuthenticationFactory = std::function<std::unique_ptr<TIdAuthentication>()>;

// The process-wide scheme registry (scheme names compare without regard to case). Only Basic
// is registered: no other scheme has a defined working on this system.
// Returns an empty factory when the scheme is not registered.
TIdAuthenticationFactory FindAuthenticationScheme(StringView schemeName);
void RegisterAuthenticationScheme(const String& schemeName, TIdAuthenticationFactory factory);
void UnregisterAuthenticationScheme(StringView schemeName);

// Base64 of the bytes (RFC 4648, with padding).
String EncodeBase64(const std::string& bytes);

#endif
