#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "check/CheckArguments.h"
#include "updater/UpdaterClientSettings.h"

namespace {

using check::Action;
using check::Invocation;
using check::ParseCheckArguments;

// The limits get takes when no option names others: the updater's (pinned in
// tests/updater/UpdaterClientSettingsTest.cpp), as Describe writes them.
const std::string kDefaultReceive = " rt=" + std::to_string(updater::TUpdaterClientSettings{}.ReadTimeout);
const std::string kDefaultDeadline = " dl=" + std::to_string(updater::TUpdaterClientSettings{}.Deadline);
const std::string kDefaultLimits = kDefaultReceive + kDefaultDeadline;

// A short picture of what was understood, so that a table can say it in one string.
std::string Describe(const Invocation& invocation) {
  std::ostringstream out;
  switch (invocation.What) {
    case Action::Help:
      return "help";
    case Action::Get: {
      const check::GetArguments& get = invocation.Get;
      out << "get";
      for (const std::string& url : get.Urls) out << " <" << url << ">";
      if (get.OutputFile) out << " o=" << *get.OutputFile;
      out << " rt=" << get.ReadTimeout << " dl=" << get.DeadlineMs;
      if (get.Follow) out << " follow";
      for (const check::NameOverride& r : get.Resolve)
        out << " [" << r.Host << "|" << r.Port << "|" << r.Address << "]";
      for (const std::string& file : get.CAFiles) out << " ca=<" << file << ">";
      return out.str();
    }
    case Action::List:
      out << "list";
      break;
    case Action::Test:
      out << "test";
      break;
    case Action::Extract:
      out << "extract";
      break;
    case Action::Keygen:
    case Action::Sign:
    case Action::Verify: {
      const check::SignatureArguments& signature = invocation.Signature;
      out << (invocation.What == Action::Keygen ? "keygen"
              : invocation.What == Action::Sign ? "sign"
                                                : "verify");
      if (!signature.Archive.empty()) out << " archive=<" << signature.Archive << ">";
      if (!signature.SecretKeyFile.empty()) out << " secret=<" << signature.SecretKeyFile << ">";
      if (!signature.PublicKeyFile.empty()) out << " public=<" << signature.PublicKeyFile << ">";
      if (signature.Version) out << " version=<" << *signature.Version << ">";
      return out.str();
    }
    case Action::Publish: {
      const check::PublishArguments& publish = invocation.Publish;
      out << "publish <" << publish.Folder << "> <" << publish.Version << "> out=<" << publish.Site << ">";
      if (publish.SecretKeyFile) out << " key=<" << *publish.SecretKeyFile << ">";
      if (publish.KeepFolders) out << " keep-folders";
      return out.str();
    }
    case Action::Preflight: {
      const check::PreflightArguments& preflight = invocation.Preflight;
      out << "preflight <" << preflight.BaseUrl << "> <" << preflight.Installed << ">";
      if (preflight.PublicKeyFile) out << " key=<" << *preflight.PublicKeyFile << ">";
      if (preflight.InstallFolder) out << " install=<" << *preflight.InstallFolder << ">";
      for (const std::string& file : preflight.CAFiles) out << " ca=<" << file << ">";
      return out.str();
    }
  }
  const check::ArchiveArguments& archive = invocation.Archive;
  out << " <" << archive.Archive << ">";
  if (!archive.Directory.empty()) out << " <" << archive.Directory << ">";
  if (archive.Password) out << " pw=<" << *archive.Password << ">";
  if (archive.RestorePaths) out << " restore";
  if (archive.NoSync) out << " nosync";
  return out.str();
}

// What the arguments give: the description, or "usage: " and the error text.
std::string Outcome(const std::vector<std::string>& arguments) {
  try {
    return Describe(ParseCheckArguments(arguments));
  } catch (const check::UsageError& e) {
    return std::string("usage: ") + e.what();
  }
}

struct Case {
  std::vector<std::string> arguments;
  std::string expected;  // the description, or a part of the usage error after "usage: "
};

void CheckTable(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.arguments) joined += "[" + a + "] ";
    const std::string outcome = Outcome(c.arguments);
    if (c.expected.rfind("usage: ", 0) == 0) {
      EXPECT_EQ(outcome.rfind("usage: ", 0), 0u) << joined << "-> " << outcome;
      EXPECT_NE(outcome.find(c.expected.substr(7)), std::string::npos) << joined << "-> " << outcome;
    } else {
      EXPECT_EQ(outcome, c.expected) << joined;
    }
  }
}

TEST(CheckArgumentsTest, GetTakesTheUpdatersSettingsUnlessAnOptionNamesOthers) {
  CheckTable({
      {{"get", "http://h/newest"}, "get <http://h/newest>" + kDefaultLimits},
      {{"get", "http://a/", "b", "c"}, "get <http://a/> <b> <c>" + kDefaultLimits},
      // Options before, between and after the URLs; values that begin with "-".
      {{"get", "--read-timeout", "-1", "http://h/"}, "get <http://h/> rt=-1" + kDefaultDeadline},
      {{"get", "http://h/", "--read-timeout", "0", "--deadline", "0"}, "get <http://h/> rt=0 dl=0"},
      {{"get", "http://h/", "-o", "-file", "--follow"},
       "get <http://h/> o=-file" + kDefaultLimits + " follow"},
      {{"get", "--deadline", "0.25", "u1", "--read-timeout", "300", "u2"}, "get <u1> <u2> rt=300 dl=250"},
      {{"get", "--deadline", "2147483.647", "u"}, "get <u>" + kDefaultReceive + " dl=2147483647"},
      {{"get", "--read-timeout", "2147483647", "u"}, "get <u> rt=2147483647" + kDefaultDeadline},
      // "--" ends the options; a lone "-" is an argument.
      {{"get", "--", "--follow"}, "get <--follow>" + kDefaultLimits},
      {{"get", "-"}, "get <->" + kDefaultLimits},
  });
}

// Both limits in seconds: --receive-timeout beside --deadline; --read-timeout keeps its
// milliseconds, and the two spellings of one limit do not mix.
TEST(CheckArgumentsTest, ReceiveTimeoutTakesSecondsAsTheDeadlineDoes) {
  CheckTable({
      {{"get", "u", "--receive-timeout", "30"}, "get <u> rt=30000" + kDefaultDeadline},
      {{"get", "--receive-timeout", "0.25", "u", "--deadline", "1.5"}, "get <u> rt=250 dl=1500"},
      {{"get", "u", "--receive-timeout", "0"}, "get <u> rt=0" + kDefaultDeadline},
      {{"get", "u", "--receive-timeout", "2147483.647"}, "get <u> rt=2147483647" + kDefaultDeadline},
      {{"get", "u", "--receive-timeout", "-1"}, "usage: --receive-timeout needs seconds"},
      {{"get", "u", "--receive-timeout", "0.0001"}, "usage: --receive-timeout"},
      {{"get", "u", "--receive-timeout", "2147484"}, "usage: --receive-timeout"},
      {{"get", "u", "--receive-timeout", "60s"}, "usage: --receive-timeout"},
      {{"get", "u", "--receive-timeout", "1", "--read-timeout", "1000"}, "usage: not both"},
  });
}

// The tool's defaults and its help come from the updater's settings: other settings give
// other defaults and another help text, with no second place to change.
TEST(CheckArgumentsTest, DefaultsAndHelpFollowTheUpdatersSettings) {
  const updater::TUpdaterClientSettings updaters;
  const check::GetArguments parsed = ParseCheckArguments({"get", "u"}).Get;
  EXPECT_EQ(parsed.ReadTimeout, updaters.ReadTimeout);
  EXPECT_EQ(parsed.DeadlineMs, updaters.Deadline);
  const std::string help = check::UsageText();
  EXPECT_NE(help.find("(default " + check::SecondsText(updaters.ReadTimeout) + ",\n"), std::string::npos)
      << help;
  EXPECT_NE(help.find("(default " + std::to_string(updaters.ReadTimeout) + "; 0 and -1: none)"),
            std::string::npos)
      << help;
  EXPECT_NE(help.find("(default " + check::SecondsText(updaters.Deadline) + ", as the updater"),
            std::string::npos)
      << help;

  updater::TUpdaterClientSettings other;
  other.ReadTimeout = 45500;
  other.Deadline = 90000;
  const check::GetArguments otherParsed = ParseCheckArguments({"get", "u"}, other).Get;
  EXPECT_EQ(otherParsed.ReadTimeout, 45500);
  EXPECT_EQ(otherParsed.DeadlineMs, 90000);
  EXPECT_EQ(ParseCheckArguments({"get", "u", "--deadline", "7"}, other).Get.ReadTimeout, 45500);
  const std::string otherHelp = check::UsageText(other);
  for (const char* expected :
       {"(default 45.5,\n", "(default 45500; 0 and -1: none)", "(default 90, as the updater"}) {
    EXPECT_NE(otherHelp.find(expected), std::string::npos) << expected << "\n" << otherHelp;
  }
  EXPECT_EQ(otherHelp.find("{"), std::string::npos) << otherHelp;
}

TEST(CheckArgumentsTest, SecondsAreWrittenAsTheOptionsTakeThem) {
  const std::pair<std::int32_t, std::string> cases[] = {
      {60000, "60"}, {120000, "120"}, {250, "0.25"}, {1001, "1.001"}, {2147483647, "2147483.647"},
      {0, "0"},      {-1, "0"},
  };
  for (const auto& [milliseconds, text] : cases)
    EXPECT_EQ(check::SecondsText(milliseconds), text) << milliseconds;
}

TEST(CheckArgumentsTest, ResolveSplitsHostPortAndAddress) {
  CheckTable({
      {{"get", "u", "--resolve", "a.h.example:8080:127.0.0.1"},
       "get <u>" + kDefaultLimits + " [a.h.example|8080|127.0.0.1]"},
      {{"get", "u", "--resolve", "A.example:80:::1"}, "get <u>" + kDefaultLimits + " [A.example|80|::1]"},
      {{"get", "u", "--resolve", "[::1]:80:[::1]"}, "get <u>" + kDefaultLimits + " [::1|80|::1]"},
      {{"get", "u", "--resolve", "[fe80::1]:65535:127.0.0.2"},
       "get <u>" + kDefaultLimits + " [fe80::1|65535|127.0.0.2]"},
      {{"get", "--resolve", "a:1:127.0.0.1", "u", "--resolve", "b:2:127.0.0.1"},
       "get <u>" + kDefaultLimits + " [a|1|127.0.0.1] [b|2|127.0.0.1]"},
      {{"get", "u", "--resolve", "a.example:80:localhost"}, "usage: --resolve needs HOST:PORT:ADDRESS"},
      {{"get", "u", "--resolve", "a.example:0:127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example:65536:127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example:-80:127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example::127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", ":80:127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example:80"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example:80:"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "[::1:80:::1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "[not-v6]:80:::1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a.example:80:127.0.0.1:81"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a:80:::ffff:127.0.0.1"},
       "get <u>" + kDefaultLimits + " [a|80|::ffff:127.0.0.1]"},
      {{"get", "u", "--resolve", "a:80:127.000.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a:80:1.2.3.256"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a:80:1.2.3"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a:80: 127.0.0.1"}, "usage: --resolve"},
      {{"get", "u", "--resolve", "a:80:1::2::3"}, "usage: --resolve"},
  });
}

TEST(CheckArgumentsTest, CaFileMayBeGivenMoreThanOnce) {
  CheckTable({
      {{"get", "u", "--ca-file", "a.pem"}, "get <u>" + kDefaultLimits + " ca=<a.pem>"},
      {{"get", "--ca-file", "-a.pem", "u", "--ca-file", "b.pem"},
       "get <u>" + kDefaultLimits + " ca=<-a.pem> ca=<b.pem>"},
      {{"get", "u", "--ca-file", ""}, "usage: --ca-file needs a file name"},
      {{"get", "u", "--ca-file"}, "usage: --ca-file"},
  });
}

TEST(CheckArgumentsTest, ArchiveCommandsTakeTheirArgumentsInAnyOrder) {
  CheckTable({
      {{"list", "a.zip"}, "list <a.zip>"},
      {{"test", "--password", "-secret", "a.zip"}, "test <a.zip> pw=<-secret>"},
      {{"test", "a.zip", "--password", ""}, "test <a.zip> pw=<>"},
      {{"extract", "a.zip", "out", "--restore-paths"}, "extract <a.zip> <out> restore"},
      {{"extract", "--restore-paths", "a.zip", "--password", "p w", "out"},
       "extract <a.zip> <out> pw=<p w> restore"},
      {{"extract", "--no-sync", "a.zip", "out", "--restore-paths"}, "extract <a.zip> <out> restore nosync"},
      {{"list", "a.zip", "--no-sync"}, "usage: unknown option"},
  });
}

TEST(CheckArgumentsTest, SignatureCommandsTakeTheirFilesAndVersionInOrder) {
  CheckTable({
      {{"keygen", "s.key", "p.key"}, "keygen secret=<s.key> public=<p.key>"},
      {{"sign", "u.zip", "s.key", " 2.0 beta"}, "sign archive=<u.zip> secret=<s.key> version=< 2.0 beta>"},
      {{"verify", "u.zip", "p.key"}, "verify archive=<u.zip> public=<p.key>"},
      {{"verify", "u.zip", "p.key", "1.5"}, "verify archive=<u.zip> public=<p.key> version=<1.5>"},
      {{"verify", "--", "-u.zip", "p.key"}, "verify archive=<-u.zip> public=<p.key>"},
      {{"keygen", "k", "k"}, "usage: two different files"},
      {{"keygen", "k"}, "usage: keygen needs more arguments"},
      {{"sign", "u.zip", "s.key"}, "usage: sign needs more arguments"},
      {{"sign", "u.zip", "", "1.5"}, "usage: file names that are not empty"},
      {{"sign", "u.zip", "s.key", ""}, "usage: VERSION must be"},
      {{"sign", "u.zip", "s.key", "1.5\r\n"}, "usage: VERSION must be"},
      {{"verify", "u.zip", "p.key", std::string(129, '1')}, "usage: VERSION must be"},
      {{"verify", "u.zip", "p.key", "1.5", "x"}, "usage: too many arguments"},
  });
}

TEST(CheckArgumentsTest, PublishAndPreflightTakeTheirArgumentsAndOptions) {
  CheckTable({
      {{"publish", "app", "1.5", "--out", "site", "--key", "s.key"},
       "publish <app> <1.5> out=<site> key=<s.key>"},
      {{"publish", "--keep-folders", "--out", "site", "app", "1.5"},
       "publish <app> <1.5> out=<site> keep-folders"},
      {{"publish", "app", "1.5"}, "usage: publish needs --out SITE"},
      {{"publish", "app", "1.5", "--out", ""}, "usage: --out needs a file name"},
      {{"publish", "app", "1.5", "--out", "s", "--key", ""}, "usage: --key needs a file name"},
      {{"publish", "", "1.5", "--out", "s"}, "usage: publish needs a folder name"},
      {{"publish", "app"}, "usage: publish needs more arguments"},
      // The base URL is a folder: "/" is put after it when missing.
      {{"preflight", "http://h/u", "1.4"}, "preflight <http://h/u/> <1.4>"},
      {{"preflight", "http://h/u/", "1.4", "--key", "p.key", "--install", "app", "--ca-file", "a",
        "--ca-file", "b"},
       "preflight <http://h/u/> <1.4> key=<p.key> install=<app> ca=<a> ca=<b>"},
      {{"preflight", "http://h/u/"}, "usage: preflight needs more arguments"},
      {{"preflight", "", "1.4"}, "usage: preflight needs the update server's base URL"},
      {{"preflight", "u", "1.4", "--install", "a", "--install", "b"}, "usage: given more than once"},
  });
}

TEST(CheckArgumentsTest, HelpWinsWhereverItStandsAsAnOption) {
  CheckTable({
      {{"--help"}, "help"},
      {{"get", "--help"}, "help"},
      {{"extract", "a.zip", "--help"}, "help"},
      // As a value it is only a value.
      {{"test", "a.zip", "--password", "--help"}, "test <a.zip> pw=<--help>"},
  });
}

TEST(CheckArgumentsTest, WrongCallsAreUsageErrors) {
  CheckTable({
      {{}, "usage: no command"},
      {{"fetch", "u"}, "usage: unknown command"},
      {{"--follow", "get", "u"}, "usage: the command must come first"},
      {{"get"}, "usage: get needs a URL"},
      {{"get", "--follow"}, "usage: get needs a URL"},
      {{"get", "u", "--read-timeout=5"}, "usage: as two arguments"},
      {{"get", "u", "--bogus"}, "usage: unknown option \"--bogus\""},
      {{"get", "u", "-x"}, "usage: unknown option"},
      {{"get", "u", "--password", "p"}, "usage: unknown option"},
      {{"get", "u", "--read-timeout"}, "usage: needs a value"},
      {{"get", "u", "--read-timeout", "-2"}, "usage: --read-timeout needs milliseconds"},
      {{"get", "u", "--read-timeout", "2147483648"}, "usage: --read-timeout"},
      {{"get", "u", "--read-timeout", "99999999999999999999999"}, "usage: --read-timeout"},
      {{"get", "u", "--read-timeout", "1e3"}, "usage: --read-timeout"},
      {{"get", "u", "--read-timeout", ""}, "usage: --read-timeout"},
      {{"get", "u", "--read-timeout", "5", "--read-timeout", "6"}, "usage: given more than once"},
      {{"get", "u", "--deadline", "-1"}, "usage: --deadline needs seconds"},
      {{"get", "u", "--deadline", "0.0001"}, "usage: --deadline"},
      {{"get", "u", "--deadline", "1."}, "usage: --deadline"},
      {{"get", "u", "--deadline", ".5"}, "usage: --deadline"},
      {{"get", "u", "--deadline", "2147484"}, "usage: --deadline"},
      {{"get", "u", "--follow", "--follow"}, "usage: given more than once"},
      {{"get", "u1", "u2", "-o", "f"}, "usage: exactly one URL"},
      {{"list"}, "usage: list needs more arguments"},
      {{"list", "a.zip", "b.zip"}, "usage: too many arguments"},
      {{"list", "a.zip", "--password", "p"}, "usage: unknown option"},
      {{"test", "a.zip", "--restore-paths"}, "usage: unknown option"},
      {{"extract", "a.zip"}, "usage: extract needs more arguments"},
      {{"extract", "a.zip", "d", "e"}, "usage: too many arguments"},
      {{"extract", "", "d"}, "usage: needs an archive name"},
  });
}

}  // namespace
