#include "check/KeyFiles.h"

#include "core/Exception.h"
#include "core/Stream.h"
#include "platform/Files.h"

namespace check {
namespace {

constexpr char16_t SKeyNotPrivate[] =
    u"Andere dürfen den geheimen Schlüssel lesen oder ändern; nur sein Eigentümer darf die Datei lesen.";

// A key file is one line; anything longer than this is not one.
constexpr std::int64_t kLongestKeyFile = 4096;

}  // namespace

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

signature::TSecretKey ReadSecretKeyFile(const std::string& name) {
  std::string text;
  try {
    text = ReadKeyFile(name);
    signature::TSecretKey key = signature::DecodeSecretKey(text);
    signature::WipeSecretText(text);
    // As with any private key: one that others may read is no secret any more, and is not used.
    const String file = FromUtf8(name);
    if (!platform::IsPrivateFile(file))
      throw EFOpenError(Format(SFOpenError, {file, String(SKeyNotPrivate)}));
    return key;
  } catch (...) {
    signature::WipeSecretText(text);
    throw;
  }
}

signature::TPublicKey ReadPublicKeyFile(const std::string& name) {
  return signature::DecodePublicKey(ReadKeyFile(name));
}

}  // namespace check
