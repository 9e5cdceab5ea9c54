// keygen, sign and verify: the publisher's side of signed update archives.
#include <cstdio>
#include <exception>
#include <string>

#include "check/CheckCommands.h"
#include "check/FailureReport.h"
#include "check/KeyFiles.h"
#include "check/LineEscape.h"
#include "core/Base64.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "platform/Files.h"
#include "signature/ArchiveSignature.h"
#include "signature/ArchiveSigning.h"
#include "zip/AbException.h"

namespace check {
namespace {

int Finish(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 2;
}

// A refusal of the archive is status 1; a file that cannot be read or written is 2.
int Failed(const std::exception& failure) {
  WriteFailure(failure);
  return dynamic_cast<const EAbZipException*>(&failure) != nullptr ? 1 : 2;
}

}  // namespace

int RunKeygen(const SignatureArguments& arguments) {
  const String secretFile = FromUtf8(arguments.SecretKeyFile);
  const String publicFile = FromUtf8(arguments.PublicKeyFile);
  // Checked first, so that an existing public file does not leave a new secret behind.
  for (const String& file : {secretFile, publicFile}) {
    if (platform::PathKindOf(file) != platform::TPathKind::pkMissing) {
      WriteFailure(EFCreateError(
          Format(SFCreateError, {file, u"Sie existiert bereits; ein Schlüssel wird nie überschrieben."})));
      return 2;
    }
  }
  const signature::TKeyPair pair = signature::GenerateKeyPair();
  std::string secretText = Base64Of(pair.SecretKey.Bytes.data(), pair.SecretKey.Bytes.size()) + '\n';
  try {
    platform::CreatePrivateFile(secretFile, secretText);
    signature::WipeSecretText(secretText);
    try {
      // Anyone may read the public key.
      const std::string publicText = Base64Of(pair.PublicKey.data(), pair.PublicKey.size()) + '\n';
      TFileStream file(publicFile, fmCreate);
      file.WriteBuffer(publicText.data(), static_cast<std::int64_t>(publicText.size()));
    } catch (...) {
      platform::DeleteFile(secretFile);
      throw;
    }
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  return Finish("public\t" + Base64Of(pair.PublicKey.data(), pair.PublicKey.size()) + '\n');
}

int RunSign(const SignatureArguments& arguments) {
  signature::TSecretKey key;
  try {
    key = ReadSecretKeyFile(arguments.SecretKeyFile);
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  try {
    signature::SignArchive(FromUtf8(arguments.Archive), key, *arguments.Version);
  } catch (const std::exception& e) {
    return Failed(e);
  }
  return Finish("signed\t" + EscapeLine(FromUtf8(*arguments.Version)) + '\n');
}

int RunVerify(const SignatureArguments& arguments) {
  signature::TPublicKey key{};
  try {
    key = ReadPublicKeyFile(arguments.PublicKeyFile);
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  std::string version;
  try {
    version = signature::VerifyArchiveFile(FromUtf8(arguments.Archive), key, arguments.Version);
  } catch (const std::exception& e) {
    return Failed(e);
  }
  return Finish("signed\t" + EscapeLine(FromUtf8(version)) + '\n');
}

}  // namespace check
