// keygen, sign and verify: the publisher's side of signed update archives.
#include <cstdio>
#include <exception>
#include <string>

#include "check/CheckCommands.h"
#include "check/FailureReport.h"
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

constexpr char16_t SKeyNotPrivate[] =
    u"Andere dürfen den geheimen Schlüssel lesen oder ändern; nur sein Eigentümer darf die Datei lesen.";

// A key file is one line; anything longer than this is not one.
constexpr std::int64_t kLongestKeyFile = 4096;

// The text of a key file without its line break (LF or CR LF).
std::string ReadKeyFile(const std::string& name) {
  TFileStream file(FromUtf8(name), fmOpenRead | fmShareDenyWrite);
  std::string text(static_cast<std::size_t>(kLongestKeyFile) + 1, '\0');
  std::int64_t got = 0;
  while (got < kLongestKeyFile + 1) {
    const std::int64_t n = file.Read(text.data() + got, kLongestKeyFile + 1 - got);
    if (n <= 0) break;
    got += n;
  }
  text.resize(static_cast<std::size_t>(got));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

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
  std::string keyText;
  try {
    keyText = ReadKeyFile(arguments.SecretKeyFile);
    key = signature::DecodeSecretKey(keyText);
    signature::WipeSecretText(keyText);
    // As with any private key: one that others may read is no secret any more, and is not used.
    const String secretFile = FromUtf8(arguments.SecretKeyFile);
    if (!platform::IsPrivateFile(secretFile))
      throw EFOpenError(Format(SFOpenError, {secretFile, String(SKeyNotPrivate)}));
  } catch (const std::exception& e) {
    signature::WipeSecretText(keyText);
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
    key = signature::DecodePublicKey(ReadKeyFile(arguments.PublicKeyFile));
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
