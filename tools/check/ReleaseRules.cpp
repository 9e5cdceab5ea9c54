#include "check/ReleaseRules.h"

#include <exception>

#include "check/FailureReport.h"
#include "check/LineEscape.h"
#include "signature/SignatureComment.h"
#include "unzip/AbExtractRules.h"
#include "updater/VersionDecision.h"

namespace check {

std::optional<std::string> EntryNameRefusal(const String& storedName, bool keepFolders) {
  for (const char16_t c : storedName) {
    if (String(u"<>:\"|?*\\").find(c) != String::npos) {
      return "the name holds \"" + EscapeLine(String(1, c)) + "\", which Windows allows in no file name";
    }
  }
  try {
    (void)abunzip::EntryTargetName(storedName, false, false);
    if (keepFolders) (void)abunzip::EntryTargetName(storedName, false, true);
  } catch (const std::exception& e) {
    return FailureText(e);
  }
  return std::nullopt;
}

std::optional<std::string> VersionRefusal(const std::string& version) {
  if (!signature::IsSignableVersion(version)) {
    return "a version is 1 to " + std::to_string(signature::kMaxVersionLength) +
           " bytes without control characters";
  }
  if (version.find_first_of(" /\\") != std::string::npos ||
      version.find_first_of("0123456789") == std::string::npos) {
    return "a version is a number such as 1.5: it names the server's folder and has no blank";
  }
  try {
    (void)updater::VersionNumber(FromUtf8(version));
  } catch (const std::exception& e) {
    return FailureText(e) + " (the updater reads the version as a number and would stop here)";
  }
  return std::nullopt;
}

}  // namespace check
