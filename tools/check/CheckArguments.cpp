#include "check/CheckArguments.h"

#include <array>
#include <limits>
#include <map>
#include <utility>

#include "net/IdStack.h"
#include "signature/SignatureComment.h"

namespace check {
namespace {

struct OptionSpec {
  std::string Name;
  bool TakesValue = false;
  bool Repeatable = false;
};

struct CommandSpec {
  std::string Name;
  Action What;
  std::vector<OptionSpec> Options;
  std::size_t MinPositionals;
  std::size_t MaxPositionals;
};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"get",
       Action::Get,
       {{"-o", true, false},
        {"--receive-timeout", true, false},
        {"--read-timeout", true, false},
        {"--deadline", true, false},
        {"--follow", false, false},
        {"--resolve", true, true},
        {"--ca-file", true, true}},
       1,
       std::numeric_limits<std::size_t>::max()},
      {"list", Action::List, {}, 1, 1},
      {"test", Action::Test, {{"--password", true, false}}, 1, 1},
      {"extract",
       Action::Extract,
       {{"--password", true, false}, {"--restore-paths", false, false}, {"--no-sync", false, false}},
       2,
       2},
      {"keygen", Action::Keygen, {}, 2, 2},
      {"sign", Action::Sign, {}, 3, 3},
      {"verify", Action::Verify, {}, 2, 3},
      {"publish",
       Action::Publish,
       {{"--key", true, false}, {"--out", true, false}, {"--keep-folders", false, false}},
       2,
       2},
      {"preflight",
       Action::Preflight,
       {{"--key", true, false}, {"--install", true, false}, {"--ca-file", true, true}},
       2,
       2},
  };
  return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : Commands()) {
    if (command.Name == name) return &command;
  }
  return nullptr;
}

const OptionSpec* FindOption(const CommandSpec& command, const std::string& name) {
  for (const OptionSpec& option : command.Options) {
    if (option.Name == name) return &option;
  }
  return nullptr;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal integer with an optional leading "-", within [min, max]; nothing else.
std::optional<std::int64_t> ParseInteger(const std::string& text, std::int64_t min, std::int64_t max) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  if (i == text.size()) return std::nullopt;
  // Inputs are bounded by the limit while they are read, so nothing overflows.
  const std::int64_t limit = negative ? -min : max;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > limit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < min || value > max) return std::nullopt;
  return value;
}

// Seconds with up to three decimals ("120", "0.25"), as milliseconds within int32.
std::optional<std::int32_t> ParseSeconds(const std::string& text) {
  std::int64_t milliseconds = 0;
  std::size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    milliseconds = milliseconds * 10 + (text[i] - '0');
    if (milliseconds > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  if (i == 0) return std::nullopt;
  milliseconds *= 1000;
  if (i < text.size()) {
    if (text[i] != '.' || i + 1 == text.size() || text.size() - i - 1 > 3) return std::nullopt;
    std::int64_t scale = 100;
    for (++i; i < text.size(); ++i, scale /= 10) {
      if (!IsDigit(text[i])) return std::nullopt;
      milliseconds += (text[i] - '0') * scale;
    }
  }
  if (milliseconds > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(milliseconds);
}

// Address literals are read by the socket layer's own parsers, the same on every platform;
// only the plain form counts: no blanks, and no field of an IPv4 address with a leading
// zero (which some systems read as octal).
bool IsPlainLiteral(const std::string& text) {
  for (const char c : text) {
    if (c <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return !text.empty();
}

bool HasLeadingZeroField(const std::string& text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t dot = text.find('.', start);
    if (dot == std::string::npos) dot = text.size();
    if (dot - start > 1 && text[start] == '0') return true;
    start = dot + 1;
  }
  return false;
}

bool IsIPv4Literal(const std::string& text) {
  std::array<std::uint8_t, 4> address{};
  return IsPlainLiteral(text) && !HasLeadingZeroField(text) && TIdStack::ParseIPv4(FromUtf8(text), address);
}

bool IsIPv6Literal(const std::string& text) {
  std::array<std::uint8_t, 16> address{};
  const std::size_t lastColon = text.rfind(':');
  const std::string tail = lastColon == std::string::npos ? text : text.substr(lastColon + 1);
  return IsPlainLiteral(text) && !HasLeadingZeroField(tail) && TIdStack::ParseIPv6(FromUtf8(text), address);
}

// HOST:PORT:ADDRESS, HOST possibly a bracketed IPv6 literal; ADDRESS is everything after
// the second colon outside brackets (an IPv6 literal may also stand in brackets there).
std::optional<NameOverride> ParseNameOverride(const std::string& text) {
  NameOverride result;
  std::size_t afterHost;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
    result.Host = text.substr(1, close - 1);
    if (!IsIPv6Literal(result.Host)) return std::nullopt;
    afterHost = close + 2;
  } else {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    result.Host = text.substr(0, colon);
    for (const char c : result.Host) {
      if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '/' || c == '[' || c == ']')
        return std::nullopt;
    }
    afterHost = colon + 1;
  }
  const std::size_t colon = text.find(':', afterHost);
  if (colon == std::string::npos) return std::nullopt;
  const auto port = ParseInteger(text.substr(afterHost, colon - afterHost), 1, 65535);
  if (!port) return std::nullopt;
  result.Port = static_cast<std::uint16_t>(*port);
  std::string address = text.substr(colon + 1);
  if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
    if (!IsIPv6Literal(address)) return std::nullopt;
  }
  if (!IsIPv4Literal(address) && !IsIPv6Literal(address)) return std::nullopt;
  result.Address = address;
  return result;
}

[[noreturn]] void Fail(const std::string& text) {
  throw UsageError(text);
}

}  // namespace

Invocation ParseCheckArguments(const std::vector<std::string>& arguments) {
  return ParseCheckArguments(arguments, updater::TUpdaterClientSettings{});
}

Invocation ParseCheckArguments(const std::vector<std::string>& arguments,
                               const updater::TUpdaterClientSettings& settings) {
  Invocation invocation;
  if (arguments.empty()) Fail("no command given");
  if (arguments[0] == "--help") return invocation;
  const CommandSpec* command = FindCommand(arguments[0]);
  if (command == nullptr) {
    if (arguments[0].size() > 1 && arguments[0][0] == '-')
      Fail("the command must come first, not \"" + arguments[0] + "\"");
    Fail("unknown command \"" + arguments[0] + "\"");
  }

  std::map<std::string, std::vector<std::string>> values;
  std::vector<std::string> positionals;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      positionals.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help") return Invocation{};
    const OptionSpec* option = FindOption(*command, argument);
    if (option == nullptr) {
      const std::size_t equals = argument.find('=');
      if (equals != std::string::npos && FindOption(*command, argument.substr(0, equals)) != nullptr) {
        Fail("write \"" + argument.substr(0, equals) + " VALUE\" as two arguments, not \"" + argument + "\"");
      }
      Fail("unknown option \"" + argument + "\" for " + command->Name);
    }
    std::vector<std::string>& given = values[option->Name];
    if (!given.empty() && !option->Repeatable) Fail("option " + option->Name + " given more than once");
    if (!option->TakesValue) {
      given.emplace_back();
      continue;
    }
    if (i + 1 == arguments.size()) Fail("option " + option->Name + " needs a value");
    given.push_back(arguments[++i]);
  }

  if (positionals.size() < command->MinPositionals) {
    Fail(command->Name == "get" ? "get needs a URL" : command->Name + " needs more arguments");
  }
  if (positionals.size() > command->MaxPositionals) Fail("too many arguments for " + command->Name);

  const auto value = [&values](const std::string& name) -> const std::string* {
    const auto found = values.find(name);
    return found == values.end() ? nullptr : &found->second.front();
  };

  invocation.What = command->What;
  if (command->What == Action::Get) {
    GetArguments& get = invocation.Get;
    get.Urls = positionals;
    get.ReadTimeout = settings.ReadTimeout;
    get.DeadlineMs = settings.Deadline;
    if (const std::string* file = value("-o")) {
      if (get.Urls.size() != 1) Fail("-o FILE takes exactly one URL");
      if (file->empty()) Fail("-o needs a file name");
      get.OutputFile = *file;
    }
    if (value("--receive-timeout") != nullptr && value("--read-timeout") != nullptr) {
      Fail("give --receive-timeout (seconds) or --read-timeout (milliseconds), not both");
    }
    if (const std::string* text = value("--receive-timeout")) {
      const auto parsed = ParseSeconds(*text);
      if (!parsed)
        Fail("--receive-timeout needs seconds (0 or more, up to three decimals), not \"" + *text + "\"");
      get.ReadTimeout = *parsed;
    }
    // The older spelling, in milliseconds.
    if (const std::string* text = value("--read-timeout")) {
      const auto parsed = ParseInteger(*text, -1, std::numeric_limits<std::int32_t>::max());
      if (!parsed) Fail("--read-timeout needs milliseconds (-1, 0 or more), not \"" + *text + "\"");
      get.ReadTimeout = static_cast<std::int32_t>(*parsed);
    }
    if (const std::string* text = value("--deadline")) {
      const auto parsed = ParseSeconds(*text);
      if (!parsed) Fail("--deadline needs seconds (0 or more, up to three decimals), not \"" + *text + "\"");
      get.DeadlineMs = *parsed;
    }
    get.Follow = value("--follow") != nullptr;
    if (const auto found = values.find("--resolve"); found != values.end()) {
      for (const std::string& text : found->second) {
        const auto parsed = ParseNameOverride(text);
        if (!parsed) Fail("--resolve needs HOST:PORT:ADDRESS with an IP address, not \"" + text + "\"");
        get.Resolve.push_back(*parsed);
      }
    }
    if (const auto found = values.find("--ca-file"); found != values.end()) {
      for (const std::string& file : found->second) {
        if (file.empty()) Fail("--ca-file needs a file name");
        get.CAFiles.push_back(file);
      }
    }
    return invocation;
  }

  const auto nonEmpty = [&value](const std::string& name) -> std::optional<std::string> {
    const std::string* given = value(name);
    if (given == nullptr) return std::nullopt;
    if (given->empty()) Fail(name + " needs a file name");
    return *given;
  };

  if (command->What == Action::Publish) {
    PublishArguments& publish = invocation.Publish;
    publish.Folder = positionals[0];
    publish.Version = positionals[1];
    if (publish.Folder.empty()) Fail("publish needs a folder name");
    publish.SecretKeyFile = nonEmpty("--key");
    const std::optional<std::string> site = nonEmpty("--out");
    if (!site) Fail("publish needs --out SITE, the folder the update server serves");
    publish.Site = *site;
    publish.KeepFolders = value("--keep-folders") != nullptr;
    return invocation;
  }

  if (command->What == Action::Preflight) {
    PreflightArguments& preflight = invocation.Preflight;
    preflight.BaseUrl = positionals[0];
    if (preflight.BaseUrl.empty()) Fail("preflight needs the update server's base URL");
    // The updater's base URL is a folder: "newest" and "VERSION/update.zip" are put after it.
    if (preflight.BaseUrl.back() != '/') preflight.BaseUrl += '/';
    preflight.Installed = positionals[1];
    preflight.PublicKeyFile = nonEmpty("--key");
    preflight.InstallFolder = nonEmpty("--install");
    if (const auto found = values.find("--ca-file"); found != values.end()) {
      for (const std::string& file : found->second) {
        if (file.empty()) Fail("--ca-file needs a file name");
        preflight.CAFiles.push_back(file);
      }
    }
    return invocation;
  }

  if (command->What == Action::Keygen || command->What == Action::Sign || command->What == Action::Verify) {
    for (std::size_t i = 0; i < 2; ++i) {
      if (positionals[i].empty()) Fail(command->Name + " needs file names that are not empty");
    }
    SignatureArguments& signature = invocation.Signature;
    if (command->What == Action::Keygen) {
      signature.SecretKeyFile = positionals[0];
      signature.PublicKeyFile = positionals[1];
      if (signature.SecretKeyFile == signature.PublicKeyFile) Fail("keygen needs two different files");
      return invocation;
    }
    signature.Archive = positionals[0];
    (command->What == Action::Sign ? signature.SecretKeyFile : signature.PublicKeyFile) = positionals[1];
    if (positionals.size() == 3) {
      signature.Version = positionals[2];
      if (!signature::IsSignableVersion(*signature.Version)) {
        Fail("VERSION must be 1 to " + std::to_string(signature::kMaxVersionLength) +
             " bytes without control characters, not \"" + *signature.Version + "\"");
      }
    }
    return invocation;
  }

  ArchiveArguments& archive = invocation.Archive;
  archive.Archive = positionals[0];
  if (archive.Archive.empty()) Fail(command->Name + " needs an archive name");
  if (command->What == Action::Extract) {
    archive.Directory = positionals[1];
    if (archive.Directory.empty()) Fail("extract needs a directory name");
  }
  if (const std::string* password = value("--password")) archive.Password = *password;
  archive.RestorePaths = value("--restore-paths") != nullptr;
  archive.NoSync = value("--no-sync") != nullptr;
  return invocation;
}

std::string SecondsText(std::int32_t milliseconds) {
  if (milliseconds <= 0) return "0";
  std::string text = std::to_string(milliseconds / 1000);
  const std::int32_t fraction = milliseconds % 1000;
  if (fraction == 0) return text;
  std::string decimals = std::to_string(1000 + fraction).substr(1);
  while (decimals.back() == '0') decimals.pop_back();
  return text + "." + decimals;
}

const char* UsageText() {
  static const std::string text = UsageText(updater::TUpdaterClientSettings{});
  return text.c_str();
}

std::string UsageText(const updater::TUpdaterClientSettings& settings) {
  std::string text = R"(Usage: fendrel-check COMMAND ARGUMENTS [OPTIONS]

Shows an update server and update archives exactly as the updater sees them: with
the updater's own HTTP client, ZIP reader and settings.

Commands:
  get URL [URL...] [-o FILE] [--receive-timeout S] [--deadline S] [--follow]
          [--resolve HOST:PORT:ADDRESS]... [--ca-file FILE]...
      Fetches each URL in turn with one client, as the version query does, and
      writes the texts to standard output in UTF-8 exactly as returned, stopping at
      the first failure. A relative URL after the first is resolved against the one
      before. With -o FILE (one URL only) the body goes into FILE, created or
      emptied first, as the download does.
        --receive-timeout S
                           limit of each receive, in seconds (default {receive},
                           as the updater; 0: none)
        --read-timeout MS  the same limit in milliseconds, the older spelling
                           (default {receive-ms}; 0 and -1: none)
        --deadline S       limit of a whole text fetch and of every response head,
                           in seconds (default {deadline}, as the updater; 0: none)
        --follow           follow redirects (the updater never does); ending on a
                           redirect after the limit is a failure
        --resolve HOST:PORT:ADDRESS
                           connect to ADDRESS (an IP address) for HOST:PORT while
                           the request still names HOST; HOST may be a bracketed
                           IPv6 address; may be given more than once
        --ca-file FILE     for https, trust the certificate authorities in FILE
                           (PEM) in addition to the system's; may be given more
                           than once. The server's certificate and name are always
                           checked. A build without TLS refuses https URLs.
  list ARCHIVE
      One line per entry in directory order: method, compressed size, uncompressed
      size, CRC-32 (8 hex digits), "d" for a folder or "-", name.
  test ARCHIVE [--password P]
      Tests each entry on its own: "ok NAME" or "fail NAME CLASS: MESSAGE". The test
      is stricter than the updater: it compares each local header with the central
      record, extra field included. An entry written with a data descriptor fails it
      ("Invalid Local File Header entry") although extraction handles it; when an
      entry's only finding is a differing extra field, its line says that the
      updater would install it. To learn what the updater would install, use
      preflight.
  extract ARCHIVE DIR [--password P] [--restore-paths] [--no-sync]
      Extracts as the updater does (bare names, no folders) into DIR, created when
      missing; --restore-paths keeps the folders. Every entry is first written
      beside its target; the new files reach the disk and then take their places
      together. One line per entry: "ok NAME" (with "date: ..." or "attributes:
      ..." when those could not be applied), "skip NAME" for an entry no rule
      selects, or "fail NAME CLASS: MESSAGE".
        --no-sync          do not wait for the new files to reach the disk before
                           they take their places (for scratch copies; a power cut
                           may then leave empty files; the updater always waits)
  keygen SECRET PUBLIC
      Writes a new key pair for signed update archives: SECRET (readable by its
      owner only; keep it away from the update server) and PUBLIC, one line with the
      base64 text that the build setting FENDREL_UPDATE_PUBLIC_KEY takes; writes
      "public KEY". Neither file may exist yet: a key is never overwritten.
  sign ARCHIVE SECRET VERSION
      Signs ARCHIVE in place for VERSION (the text the server's "newest" holds):
      its comment becomes "FENDREL-SIG1 VERSION SIGNATURE". An earlier signature is
      replaced; an archive with a comment of its own, or with bytes after its
      comment, is refused and left as it is. Writes "signed VERSION".
  verify ARCHIVE PUBLIC [VERSION]
      Checks the signature of ARCHIVE as an updater built with the key in PUBLIC
      does; with VERSION the signed version must be exactly that text. Writes
      "signed VERSION" (exit status 0), or the reason on standard error (exit
      status 1).
  publish FOLDER VERSION [--key SECRET] --out SITE [--keep-folders]
      Makes a release of the files in FOLDER as the update server serves it:
      SITE/VERSION/update.zip (deflated, names in sorted order, every file at the
      top level unless --keep-folders, dates and Unix modes from the files; the same
      folder and version give the same bytes), signed for VERSION with SECRET (a key
      file only its owner may read) and checked again, then SITE/newest holding
      exactly VERSION, written last and in one step. Refuses, writing nothing, what
      the updater could not install: names that cannot be files, paths that leave
      the folder, two files with the same bare name, links, files over 4 GiB, a
      VERSION the updater does not read as a number. Writes "added NAME SIZE" per
      file, "archive PATH SIZE signed|unsigned" and "newest VERSION"; each refusal
      as "refused NAME REASON" (exit status 1). Without --key the release is
      unsigned (a warning on standard error): only an updater built without a
      public key installs it. Not available in the Windows build.
  preflight BASEURL INSTALLED [--key PUBLIC] [--install FOLDER] [--ca-file FILE]...
      Runs the updater's sequence against the server at BASEURL as the updater
      started with INSTALLED would, but changes nothing of the user's: fetches
      "newest", prints the decision ("decision update" or "decision no update",
      with a "note" where reading the versions as numbers surprises: 1.10 is below
      1.9), downloads VERSION/update.zip into a temporary folder, checks its
      signature with the key in PUBLIC, opens it and extracts every entry with the
      updater's options into a scratch copy of FOLDER (or an empty folder). One
      line per entry: "new NAME", "replaced NAME", "unchanged NAME", "skip NAME
      REASON" or "fail NAME CLASS: MESSAGE"; each step's line ends with its time;
      then "summary". The scratch folders are deleted. Exit status 0 when the
      updater would install everything, 1 when it would skip or fail anything or
      not update at all, 2 for a wrong call or a server or archive that cannot be
      reached or read.

Options may stand before or after the other arguments; each takes its value as the
next argument ("--name value", never "--name=value"), which may begin with "-".
"--" ends the options. Fields are separated by one tab. In names and messages a
backslash, tab, CR and LF appear as \\, \t, \r and \n, other control characters
as \xNN; text that cannot be UTF-8 appears as U+FFFD.

Exit status:
  0  success: every fetch, every entry
  1  a fetch failed (standard error: "CLASS: MESSAGE", and "ErrorCode: N" for an
     HTTP error status), or at least one entry failed, or an archive was refused by
     sign or failed verify, or publish refused the release, or preflight found that
     the updater would not install everything
  2  a usage error, or an archive or key file that cannot be opened, read or
     written, a malformed key, a secret key others may read, or an operation that
     stops as a whole (standard error: "CLASS: MESSAGE"); for preflight also a
     server or archive that cannot be reached or read
)";
  const std::pair<std::string, std::string> defaults[] = {
      {"{receive}", SecondsText(settings.ReadTimeout)},
      {"{receive-ms}", std::to_string(settings.ReadTimeout)},
      {"{deadline}", SecondsText(settings.Deadline)},
  };
  for (const auto& [placeholder, value] : defaults)
    text.replace(text.find(placeholder), placeholder.size(), value);
  return text;
}

}  // namespace check
