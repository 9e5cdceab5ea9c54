// Runs every case file of tests/http/wire/ against the HTTP client: a scripted server on the
// loopback interface sends what the case says and records what the client sends; the driver
// makes the case's calls and compares their outcome and the recorded requests with the case.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "core/Stream.h"
#include "core/String.h"
#include "http/IdHTTP.h"
#include "support/LoopbackServer.h"
#include "support/StreamBytes.h"
#include "support/UnderWine.h"
#include "support/WireCase.h"
#include "support/WireServer.h"

namespace {

using testsupport::ShowBytes;
using testsupport::StreamBytes;
using testsupport::UnescapeBytes;
using testsupport::UnescapeText;
using testsupport::WireCall;
using testsupport::WireCase;
using testsupport::WireCheck;

// Every case gets this read time-out unless it sets its own, so a client that waits for bytes
// the script never sends fails the case instead of hanging it.
constexpr int kDefaultReadTimeout = 5000;
constexpr int kQuietWait = 5000;

std::string CaseFolder() {
  return FENDREL_WIRE_CASE_DIR;
}

std::string ShowText(const String& text) {
  return ShowBytes(ToUtf8(text));
}

long long Number(const WireCheck& c) {
  try {
    std::size_t used = 0;
    const long long value = std::stoll(c.value, &used);
    if (used == c.value.size()) return value;
  } catch (const std::exception&) {
  }
  throw std::runtime_error("line " + std::to_string(c.line) + ": " + c.key + " needs a number");
}

bool YesNo(const WireCheck& c) {
  if (c.value == "yes") return true;
  if (c.value == "no") return false;
  throw std::runtime_error("line " + std::to_string(c.line) + ": " + c.key + " takes yes or no");
}

// What the client's event handlers were called with during one call, one entry each.
using EventLog = std::vector<std::string>;

// "refuse", or a user name and a password after a blank: the answer of an authorization handler.
void AnswerAuthorization(const std::string& answer, TIdAuthentication& authentication, bool& handled) {
  handled = answer != "refuse";
  if (!handled) return;
  const std::size_t blank = answer.find(' ');
  authentication.SetUsername(UnescapeText(answer.substr(0, blank)));
  authentication.SetPassword(blank == std::string::npos ? String() : UnescapeText(answer.substr(blank + 1)));
}

// Assigns the handler of an event setting; each handler logs its call and answers as the case says.
bool ApplyEventSetting(TIdHTTP& http, const WireCheck& s, EventLog& log) {
  const std::string value = s.value;
  if (s.key == "on-headers-available") {
    if (value != "continue" && value != "stop")
      throw std::runtime_error("on-headers-available takes continue or stop");
    http.OnHeadersAvailable = [&log, value](TIdComponent&, TIdHeaderList& headers, bool& continue_) {
      log.push_back("OnHeadersAvailable " + std::to_string(headers.Count()));
      continue_ = value == "continue";
    };
  } else if (s.key == "on-redirect") {
    // "follow" or "refuse", then optionally the location to go to instead.
    const std::size_t blank = value.find(' ');
    const std::string verdict = value.substr(0, blank);
    const std::string dest = blank == std::string::npos ? std::string() : value.substr(blank + 1);
    if (verdict != "follow" && verdict != "refuse")
      throw std::runtime_error("on-redirect takes follow or refuse");
    http.OnRedirect = [&log, verdict, dest](TIdComponent&, String& location, int count, bool& handled,
                                            String&) {
      log.push_back("OnRedirect " + ToUtf8(location) + " " + std::to_string(count));
      handled = verdict == "follow";
      if (!dest.empty()) location = FromUtf8(dest);
    };
  } else if (s.key == "on-select-authorization" || s.key == "on-select-proxy-authorization") {
    const bool proxy = s.key == "on-select-proxy-authorization";
    auto handler = [&log, value, proxy](TIdComponent&, String& scheme, TIdHeaderList& info) {
      log.push_back(std::string(proxy ? "OnSelectProxyAuthorization " : "OnSelectAuthorization ") +
                    ToUtf8(scheme) + " " + std::to_string(info.Count()));
      scheme = FromUtf8(value);
    };
    (proxy ? http.OnSelectProxyAuthorization : http.OnSelectAuthorization) = handler;
  } else if (s.key == "on-authorization" || s.key == "on-proxy-authorization") {
    const bool proxy = s.key == "on-proxy-authorization";
    auto handler = [&log, value, proxy](TIdComponent&, TIdAuthentication& authentication, bool& handled) {
      log.push_back(std::string(proxy ? "OnProxyAuthorization " : "OnAuthorization ") +
                    ToUtf8(authentication.SchemeName()));
      AnswerAuthorization(value, authentication, handled);
    };
    (proxy ? http.OnProxyAuthorization : http.OnAuthorization) = handler;
  } else {
    return false;
  }
  return true;
}

// One setting of the client, from the settings section or a "set" line of a call.
void ApplySetting(TIdHTTP& http, const WireCheck& s, const std::string& host, std::uint16_t port,
                  EventLog& log) {
  if (ApplyEventSetting(http, s, log)) return;
  if (s.key == "read-timeout") {
    http.SetReadTimeout(static_cast<int>(Number(s)));
  } else if (s.key == "deadline") {
    http.SetDeadline(static_cast<int>(Number(s)));
  } else if (s.key == "handle-redirects") {
    http.SetHandleRedirects(YesNo(s));
  } else if (s.key == "redirect-maximum") {
    http.SetRedirectMaximum(static_cast<int>(Number(s)));
  } else if (s.key == "max-header-lines") {
    http.SetMaxHeaderLines(static_cast<int>(Number(s)));
  } else if (s.key == "max-auth-retries") {
    http.SetMaxAuthRetries(static_cast<int>(Number(s)));
  } else if (s.key == "error-body-limit") {
    http.SetMaxErrorBodySize(Number(s));
  } else if (s.key == "memory-body-limit") {
    http.SetMaxInMemoryBodySize(Number(s));
  } else if (s.key == "protocol-version") {
    if (s.value != "1.0" && s.value != "1.1") throw std::runtime_error("protocol-version takes 1.0 or 1.1");
    http.SetProtocolVersion(s.value == "1.0" ? TIdHTTPProtocolVersion::pv1_0 : TIdHTTPProtocolVersion::pv1_1);
  } else if (s.key == "option") {
    static const std::pair<const char*, TIdHTTPOption> kOptions[] = {
        {"hoInProcessAuth", TIdHTTPOption::hoInProcessAuth},
        {"hoNoParseMetaHTTPEquiv", TIdHTTPOption::hoNoParseMetaHTTPEquiv},
        {"hoWaitForUnexpectedData", TIdHTTPOption::hoWaitForUnexpectedData}};
    for (const auto& [name, option] : kOptions) {
      if (s.value == name) {
        TIdHTTPOptions options = http.HTTPOptions();
        options.Include(option);
        http.SetHTTPOptions(options);
        return;
      }
    }
    throw std::runtime_error("unknown option " + s.value);
  } else if (s.key == "custom-header") {
    http.Request().CustomHeaders().Add(UnescapeText(s.value));
  } else if (s.key == "username") {
    http.Request().SetUsername(UnescapeText(s.value));
  } else if (s.key == "password") {
    http.Request().SetPassword(UnescapeText(s.value));
  } else if (s.key == "basic-authentication") {
    http.Request().SetBasicAuthentication(YesNo(s));
  } else if (s.key == "proxy") {
    // The server stands in as the proxy every request goes through.
    if (s.value != "server") throw std::runtime_error("proxy takes server");
    http.ProxyParams().SetProxyServer(FromUtf8(host));
    http.ProxyParams().SetProxyPort(port);
  } else if (s.key == "resolve") {
    // A name of the case's own that the client reaches on the server's address and port.
    http.NameOverrides().Add(FromUtf8(s.value), port, FromUtf8(host));
  } else {
    throw std::runtime_error("line " + std::to_string(s.line) + ": unknown setting " + s.key);
  }
}

// What a call left behind.
struct Outcome {
  bool raised = false;
  std::string className;
  String message;
  std::optional<int> errorCode;
  String errorMessage;
  std::optional<int> socketError;
  String text;
  std::string body;
  bool connected = false;
};

const WireCheck* FindCheck(const WireCall& call, const std::string& key) {
  for (const WireCheck& c : call.checks)
    if (c.key == key) return &c;
  return nullptr;
}

Outcome RunCall(TIdHTTP& http, const WireCall& call, const std::string& scratchFile) {
  Outcome outcome;
  const WireCheck* prefill = FindCheck(call, "prefill");
  const std::string before = prefill ? UnescapeBytes(prefill->value) : std::string();
  std::vector<int> ignored;
  if (const WireCheck* ignore = FindCheck(call, "ignore")) {
    std::istringstream codes(ignore->value);
    for (std::string code; std::getline(codes, code, ',');) ignored.push_back(std::stoi(code));
  }
  const String url = FromUtf8(call.url);
  std::unique_ptr<TStream> stream;
  if (call.kind == "get-stream") {
    stream = std::make_unique<TMemoryStream>();
  } else if (call.kind == "get-file") {
    stream = std::make_unique<TFileStream>(FromUtf8(scratchFile), fmCreate);
  } else if (call.kind != "get-text" && call.kind != "head") {
    throw std::runtime_error("line " + std::to_string(call.line) + ": unknown call " + call.kind);
  }
  if (stream && !before.empty()) stream->WriteBuffer(before.data(), static_cast<std::int64_t>(before.size()));
  try {
    if (call.kind == "get-text") {
      outcome.text = http.Get(url, ignored);
    } else if (call.kind == "head") {
      http.Head(url);
    } else {
      http.Get(url, *stream, ignored);
    }
  } catch (const EIdHTTPProtocolException& e) {
    outcome.raised = true;
    outcome.className = ToUtf8(e.ClassName());
    outcome.message = e.Message();
    outcome.errorCode = e.ErrorCode();
    outcome.errorMessage = e.ErrorMessage();
  } catch (const EIdSocketError& e) {
    outcome.raised = true;
    outcome.className = ToUtf8(e.ClassName());
    outcome.message = e.Message();
    outcome.socketError = e.LastError();
  } catch (const Exception& e) {
    outcome.raised = true;
    outcome.className = ToUtf8(e.ClassName());
    outcome.message = e.Message();
  }
  if (stream) {
    if (call.kind == "get-file") {
      stream.reset();  // closed, then read back as a reader of the file would
      TFileStream file(FromUtf8(scratchFile), fmOpenRead);
      outcome.body = StreamBytes(file);
    } else {
      outcome.body = StreamBytes(*stream);
    }
  }
  // Whether the client still holds its socket; Connected() would also count bytes left in the
  // input buffer of a connection already dropped.
  TIdIOHandler* const handler = http.IOHandler();
  outcome.connected = handler != nullptr && handler->Opened();
  return outcome;
}

// Compares a call's outcome with its checks; returns the differences, one per line.
std::string Compare(const WireCall& call, const Outcome& got, TIdHTTP& http, const EventLog& events) {
  std::ostringstream diff;
  const auto where = [&](const WireCheck& c) {
    return "  line " + std::to_string(c.line) + " " + c.key + ": ";
  };
  bool raisesChecked = false;
  for (const WireCheck& c : call.checks) {
    if (c.key == "prefill" || c.key == "ignore") continue;
    if (c.key == "raises") {
      raisesChecked = true;
      if (!got.raised)
        diff << where(c) << "expected " << c.value << ", nothing was raised\n";
      else if (got.className != c.value)
        diff << where(c) << "expected " << c.value << ", got " << got.className << " \""
             << ShowText(got.message) << "\"\n";
    } else if (c.key == "message") {
      if (got.message != UnescapeText(c.value))
        diff << where(c) << "expected \"" << ShowText(UnescapeText(c.value)) << "\", got \""
             << ShowText(got.message) << "\"\n";
    } else if (c.key == "code") {
      if (!got.errorCode || *got.errorCode != Number(c))
        diff << where(c) << "expected " << c.value << ", got "
             << (got.errorCode ? std::to_string(*got.errorCode) : std::string("no status exception")) << "\n";
    } else if (c.key == "error-message") {
      if (got.errorMessage != UnescapeText(c.value))
        diff << where(c) << "expected \"" << ShowText(UnescapeText(c.value)) << "\", got \""
             << ShowText(got.errorMessage) << "\"\n";
    } else if (c.key == "socket-error") {
      if (!got.socketError || *got.socketError != Number(c))
        diff << where(c) << "expected " << c.value << ", got "
             << (got.socketError ? std::to_string(*got.socketError) : std::string("no socket error")) << "\n";
    } else if (c.key == "text") {
      if (got.text != UnescapeText(c.value))
        diff << where(c) << "expected \"" << ShowText(UnescapeText(c.value)) << "\", got \""
             << ShowText(got.text) << "\"\n";
    } else if (c.key == "body") {
      if (got.body != UnescapeBytes(c.value))
        diff << where(c) << "expected \"" << ShowBytes(UnescapeBytes(c.value)) << "\", got \""
             << ShowBytes(got.body.substr(0, 400)) << (got.body.size() > 400 ? "..." : "") << "\" ("
             << got.body.size() << " bytes)\n";
    } else if (c.key == "body-size") {
      if (static_cast<long long>(got.body.size()) != Number(c))
        diff << where(c) << "expected " << c.value << ", got " << got.body.size() << "\n";
    } else if (c.key == "connected") {
      if (got.connected != YesNo(c))
        diff << where(c) << "expected " << c.value << ", got " << (got.connected ? "yes" : "no") << "\n";
    } else if (c.key == "response-code") {
      if (http.ResponseCode() != Number(c))
        diff << where(c) << "expected " << c.value << ", got " << http.ResponseCode() << "\n";
    } else if (c.key == "location") {
      if (http.Response().Location() != UnescapeText(c.value))
        diff << where(c) << "expected \"" << c.value << "\", got \"" << ShowText(http.Response().Location())
             << "\"\n";
    } else if (c.key == "expires-year") {
      const int year = DecodeDateTime(http.Response().Expires()).Year;
      if (year != Number(c)) diff << where(c) << "expected " << c.value << ", got " << year << "\n";
    } else if (c.key == "meta-lines") {
      const std::size_t count = http.Response().MetaHTTPEquiv().RawHeaders().Count();
      if (static_cast<long long>(count) != Number(c))
        diff << where(c) << "expected " << c.value << ", got " << count << "\n";
    } else if (c.key == "events") {
      std::string joined;
      for (const std::string& e : events) joined += (joined.empty() ? "" : "; ") + e;
      if (joined != c.value) diff << where(c) << "expected \"" << c.value << "\", got \"" << joined << "\"\n";
    } else if (c.key == "raw-header" || c.key == "meta-header") {
      const String line = UnescapeText(c.value);
      const TIdHeaderList& raw =
          c.key == "raw-header" ? http.Response().RawHeaders() : http.Response().MetaHTTPEquiv().RawHeaders();
      bool found = false;
      for (std::size_t i = 0; i < raw.Count() && !found; ++i) found = raw[i] == line;
      if (!found)
        diff << where(c) << "no such line among the " << raw.Count()
             << (c.key == "raw-header" ? " header lines of the response\n" : " lines of its meta elements\n");
    } else {
      diff << where(c) << "unknown check\n";
    }
  }
  if (got.raised && !raisesChecked)
    diff << "  unexpected " << got.className << " \"" << ShowText(got.message) << "\"\n";
  return diff.str();
}

class WireTest : public ::testing::TestWithParam<std::string> {};

TEST_P(WireTest, Case) {
  const std::string name = GetParam();
  if (testsupport::RunningUnderWine()) {
    if (name == "keepalive_idle_reset") GTEST_SKIP() << testsupport::kWineReadsResetAsClose;
    if (name == "text_decoding") GTEST_SKIP() << testsupport::kWineLacksCodePages;
  }
  const std::string fileText = testsupport::ReadWholeFile(CaseFolder() + "/" + name + ".case");
  const bool ipv6 = testsupport::WireCaseWantsIPv6(fileText);
  if (ipv6 && !testsupport::LoopbackServer::IPv6Available())
    GTEST_SKIP() << "IPv6 loopback (::1) is not available";

  testsupport::WireServer server(ipv6 ? testsupport::LoopbackFamily::IPv6
                                      : testsupport::LoopbackFamily::IPv4);
  testsupport::WirePlaceholders values;
  values.host = ipv6 ? "::1" : "127.0.0.1";
  values.port = std::to_string(server.Port());
  values.ipv6 = ipv6;
  const WireCase wire = testsupport::ParseWireCase(name, fileText, values);
  server.Start(wire.connections);

  const std::string scratch = (std::filesystem::temp_directory_path() /
                               ("fendrel-wire-" + std::to_string(::getpid()) + "-" + name + ".bin"))
                                  .string();
  {
    EventLog events;  // outlives the client whose handlers write to it
    TIdHTTP http;
    http.SetReadTimeout(kDefaultReadTimeout);
    for (const WireCheck& s : wire.settings) ApplySetting(http, s, values.host, server.Port(), events);
    int index = 0;
    for (const WireCall& call : wire.calls) {
      ++index;
      // Whatever the script does on its own between two calls (a close, a reset) happens first.
      ASSERT_TRUE(server.WaitQuiet(kQuietWait)) << "the server is still busy before call " << index;
      server.BeginCall(index);
      ASSERT_TRUE(server.WaitQuiet(kQuietWait)) << "the server is still busy before call " << index;
      for (const WireCheck& s : call.sets) ApplySetting(http, s, values.host, server.Port(), events);
      events.clear();
      const Outcome got = RunCall(http, call, scratch);
      const std::string diff = Compare(call, got, http, events);
      EXPECT_TRUE(diff.empty()) << "call " << index << " (line " << call.line << ", " << call.kind << " "
                                << call.url << "):\n"
                                << diff;
    }
  }  // the client goes away and closes its connection
  std::filesystem::remove(scratch);

  EXPECT_TRUE(server.WaitFinished(kQuietWait)) << "a connection script did not come to its end";
  const auto records = server.Records();
  EXPECT_EQ(server.Accepted(), static_cast<int>(wire.connections.size()))
      << "the client opened " << server.Accepted() << " connections, the case has "
      << wire.connections.size();
  for (std::size_t k = 0; k < records.size(); ++k) {
    const auto& record = records[k];
    if (k >= static_cast<std::size_t>(server.Accepted())) break;
    for (const auto& request : record.requests) {
      EXPECT_TRUE(request.complete) << "connection " << k + 1 << ", line " << request.line
                                    << ": no complete request head arrived; got \""
                                    << ShowBytes(request.received) << "\"";
      if (request.complete) {
        EXPECT_EQ(request.expected, request.received)
            << "connection " << k + 1 << ", line " << request.line << ": request head differs\nexpected:\n"
            << ShowBytes(request.expected) << "\ngot:\n"
            << ShowBytes(request.received);
      }
    }
    for (const auto& wait : record.closeWaits)
      EXPECT_TRUE(wait.closed) << "connection " << k + 1 << ", line " << wait.line
                               << ": the client did not close the connection";
    EXPECT_TRUE(record.unexpected.empty())
        << "connection " << k + 1 << ": unexpected bytes from the client:\n"
        << ShowBytes(record.unexpected);
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Wire, WireTest, ::testing::ValuesIn(testsupport::ListWireCases(CaseFolder())),
                         CaseName);

}  // namespace
