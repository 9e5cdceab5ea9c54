#ifndef FENDREL_TOOLS_CHECK_CHECKARGUMENTS_H
#define FENDREL_TOOLS_CHECK_CHECKARGUMENTS_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "updater/UpdaterClientSettings.h"

namespace check {

// A call of the tool that is wrong: the caller prints the text and the usage on
// standard error and exits with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One --resolve: connections to Host:Port go to Address; the request still names Host.
struct NameOverride {
  std::string Host;  // without brackets
  std::uint16_t Port = 0;
  std::string Address;  // an IPv4 or IPv6 literal, without brackets
  bool operator==(const NameOverride&) const = default;
};

struct GetArguments {
  std::vector<std::string> Urls;
  std::optional<std::string> OutputFile;
  // The updater's own settings unless an option names others. Milliseconds; 0 and -1 (read
  // time-out) or 0 (deadline): none.
  std::int32_t ReadTimeout = updater::TUpdaterClientSettings{}.ReadTimeout;
  std::int32_t DeadlineMs = updater::TUpdaterClientSettings{}.Deadline;
  bool Follow = false;
  std::vector<NameOverride> Resolve;
  // Certificate files whose authorities are trusted for https in addition to the system's.
  std::vector<std::string> CAFiles;
};

struct ArchiveArguments {
  std::string Archive;
  std::string Directory;  // extract only
  std::optional<std::string> Password;
  bool RestorePaths = false;  // extract only
  bool NoSync = false;        // extract only: the new files are not synced before their renames
};

// keygen SECRET PUBLIC, sign ARCHIVE SECRET VERSION, verify ARCHIVE PUBLIC [VERSION].
struct SignatureArguments {
  std::string Archive;                 // sign, verify
  std::string SecretKeyFile;           // keygen, sign
  std::string PublicKeyFile;           // keygen, verify
  std::optional<std::string> Version;  // sign (always), verify (when given)
};

// publish FOLDER VERSION [--key SECRET] --out SITE [--keep-folders].
struct PublishArguments {
  std::string Folder;
  std::string Version;
  std::optional<std::string> SecretKeyFile;  // none: an unsigned release
  std::string Site;
  bool KeepFolders = false;
};

// preflight BASEURL INSTALLED [--key PUBLIC] [--install FOLDER] [--ca-file FILE]...
struct PreflightArguments {
  std::string BaseUrl;  // ends in "/"
  std::string Installed;
  std::optional<std::string> PublicKeyFile;
  std::optional<std::string> InstallFolder;  // none: an empty folder
  std::vector<std::string> CAFiles;
};

enum class Action { Help, Get, List, Test, Extract, Keygen, Sign, Verify, Publish, Preflight };

struct Invocation {
  Action What = Action::Help;
  GetArguments Get;
  ArchiveArguments Archive;
  SignatureArguments Signature;
  PublishArguments Publish;
  PreflightArguments Preflight;
};

// Reads the arguments after the program name. Options ("--name value", never
// "--name=value") may stand before or after the other arguments; a value is the next
// argument as it stands, even when it begins with "-"; "--" ends the options. "--help"
// anywhere asks for the usage. Throws UsageError for everything else that is wrong.
// The limits of get default to the updater's settings, or to those given.
Invocation ParseCheckArguments(const std::vector<std::string>& arguments);
Invocation ParseCheckArguments(const std::vector<std::string>& arguments,
                               const updater::TUpdaterClientSettings& settings);

// The usage text, ending with a line break; the defaults it names are the updater's
// settings, or those given.
const char* UsageText();
std::string UsageText(const updater::TUpdaterClientSettings& settings);

// Milliseconds as seconds with at most three decimals, the way the options take them
// ("60", "0.25").
std::string SecondsText(std::int32_t milliseconds);

}  // namespace check

#endif
