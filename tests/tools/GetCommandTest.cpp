// fendrel-check get against an update server on 127.0.0.1 started by each test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "ToolPaths.h"
#include "net/IdIOHandlerTls.h"
#include "support/ChildProgram.h"
#include "support/HttpRouteServer.h"
#include "support/Needs.h"
#include "support/TlsPeer.h"

namespace {

namespace fs = std::filesystem;
using testsupport::HttpResponse;
using testsupport::HttpRouteServer;
using testsupport::ProgramRun;
using testsupport::RouteResponse;

ProgramRun Get(std::vector<std::string> arguments, const std::string& workingDirectory = {}) {
  testsupport::ProgramCall call;
  call.Program = kCheckToolPath;
  call.Arguments = {"get"};
  call.Arguments.insert(call.Arguments.end(), arguments.begin(), arguments.end());
  call.WorkingDirectory = workingDirectory;
  call.TimeoutMilliseconds = 30000;
  return testsupport::RunProgram(call);
}

RouteResponse Raw(std::string bytes) {
  RouteResponse response;
  response.Bytes = std::move(bytes);
  return response;
}

TEST(GetCommandTest, FetchesEachUrlInTurnWithOneClientAndTheUpdatersSettings) {
  HttpRouteServer server({{"/fendrel/newest", HttpResponse(200, "OK", "1.5")},
                          {"/fendrel/notes", HttpResponse(200, "OK",
                                                          "Gr\xc3\xb6\xc3\x9f"
                                                          "e\r\n",
                                                          "text/plain; charset=utf-8")}});
  const ProgramRun run = Get({server.BaseUrl() + "fendrel/newest", "notes", "--read-timeout", "5000"});
  EXPECT_EQ(run.Out,
            "1.5Gr\xc3\xb6\xc3\x9f"
            "e\r\n");  // exactly the texts, nothing added
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 0);
  // The relative URL is resolved against the one before.
  EXPECT_EQ(server.RequestLines(),
            (std::vector<std::string>{"GET /fendrel/newest HTTP/1.1", "GET /fendrel/notes HTTP/1.1"}));
  const std::string heads = server.RequestHeads();
  EXPECT_NE(heads.find("\r\nUser-Agent: Mozilla/3.0 (compatible; Fendrel Updater)\r\n"), std::string::npos)
      << heads;
  EXPECT_NE(heads.find("\r\nAccept: text/html, */*\r\n"), std::string::npos) << heads;
}

// A status line is server text: escaped on the failure line, so it cannot steer the
// terminal (its bytes above 127 arrive as "?", as the wire is read as 7-bit text). The fetch stops at the
// first failure, after the texts before it.
TEST(GetCommandTest, AnErrorStatusIsOneEscapedLineWithItsCodeAndStopsTheFetches) {
  HttpRouteServer server(
      {{"/newest", HttpResponse(200, "OK", "1.5")},
       {"/gone", Raw("HTTP/1.1 404 Nicht\x1b[2J da\t\\ \xc2\x9b!\r\nContent-Length: 4\r\n\r\nweg!")}});
  const ProgramRun run = Get({server.BaseUrl() + "newest", "/gone", "/newest"});
  EXPECT_EQ(run.Out, "1.5");
  EXPECT_EQ(run.Err,
            "EIdHTTPProtocolException: HTTP/1.1 404 Nicht\\x1b[2J da\\t\\\\ ?"
            "?!\n"
            "ErrorCode: 404\n");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(server.RequestLines().size(), 2u);
}

TEST(GetCommandTest, OutputFileTakesTheBodyAsTheDownloadDoes) {
  const fs::path dir = fs::temp_directory_path() / ("fendrel-check-get-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string archive("PK\x03\x04\x00\xff\r\n\x1a binary", 16);
  HttpRouteServer server({{"/1.5/update.zip", HttpResponse(200, "OK", archive, "application/zip")}});

  const ProgramRun run = Get({"-o", "update.zip", server.BaseUrl() + "1.5/update.zip"}, dir.string());
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.ExitCode, 0);
  std::ifstream in(dir / "update.zip", std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), archive);
  in.close();

  // A failed download leaves the file emptied, as the updater leaves its update.zip.
  const ProgramRun missing = Get({server.BaseUrl() + "1.6/update.zip", "-o", "update.zip"}, dir.string());
  EXPECT_EQ(missing.Err, "EIdHTTPProtocolException: HTTP/1.1 404 Not Found\nErrorCode: 404\n");
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_EQ(fs::file_size(dir / "update.zip"), 0u);
  fs::remove_all(dir);
}

// A device or a pipe takes the body as it arrives, never sized or positioned: after a
// redirect, counted and chunked, larger than a pipe holds at once.
TEST(GetCommandTest, OutputToADeviceOrAPipeStreamsTheBody) {
  std::string body;
  for (int i = 0; body.size() < 300000; ++i) body += "line " + std::to_string(i) + "\n";
  std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (std::size_t at = 0; at < body.size(); at += 70000) {
    const std::string piece = body.substr(at, 70000);
    std::ostringstream size;
    size << std::hex << piece.size();
    chunked += size.str() + "\r\n" + piece + "\r\n";
  }
  chunked += "0\r\n\r\n";
  HttpRouteServer server(
      {{"/moved", Raw("HTTP/1.1 302 Found\r\nLocation: /counted\r\nContent-Length: 5\r\n\r\nmoved")},
       {"/counted", HttpResponse(200, "OK", body)},
       {"/chunked", Raw(chunked)}});
  const fs::path dir = fs::temp_directory_path() / ("fendrel-check-stream-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  struct Case {
    const char* Output;
    const char* Path;
    bool ReadFromFifo;
  };
  const Case cases[] = {
      {"/dev/null", "moved", false}, {"/dev/null", "chunked", false}, {"/dev/stdout", "chunked", false},
      {fifo.c_str(), "moved", true}, {fifo.c_str(), "chunked", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Output) + " " + c.Path);
    std::future<ProgramRun> pending = std::async(std::launch::async, [&] {
      return Get({"--follow", "-o", c.Output, server.BaseUrl() + c.Path});
    });
    std::string fromFifo;
    if (c.ReadFromFifo) {
      // Opened without waiting for the writer; read until the program has ended and the
      // pipe is empty.
      const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
      ASSERT_GE(fd, 0);
      for (bool ended = false;;) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
          fromFifo.append(buffer, static_cast<std::size_t>(n));
          continue;
        }
        if (ended) break;
        ended = pending.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready;
      }
      ::close(fd);
    }
    const ProgramRun run = pending.get();
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.ExitCode, 0);
    if (c.ReadFromFifo) {
      EXPECT_TRUE(fromFifo == body) << fromFifo.size();
    }
    if (std::string(c.Output) == "/dev/stdout") {
      EXPECT_TRUE(run.Out == body) << run.Out.size();
    }
  }
  fs::remove_all(dir);
}

// A name that resolves nowhere is reached through the override, and the request still names it.
TEST(GetCommandTest, ResolveReachesANameBeforeItIsPublished) {
  HttpRouteServer server({{"/newest", HttpResponse(200, "OK", "1.5")}});
  const std::string port = std::to_string(server.Port());
  const ProgramRun run = Get({"http://updates.fendrel.invalid:" + port + "/newest", "--resolve",
                              "UPDATES.fendrel.invalid:" + port + ":127.0.0.1"});
  EXPECT_EQ(run.Out, "1.5");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(server.RequestHeads().find("\r\nHost: updates.fendrel.invalid:" + port + "\r\n"),
            std::string::npos)
      << server.RequestHeads();
}

TEST(GetCommandTest, FailuresOfTheFetchAreReportedAsTheirClasses) {
  RouteResponse silent = Raw("");
  silent.HoldAfter = true;
  RouteResponse loop = Raw("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
  HttpRouteServer server({{"/silent", silent}, {"/loop", loop}});
  struct Case {
    std::vector<std::string> arguments;
    std::string err;
  };
  const Case cases[] = {
      {{server.BaseUrl() + "silent", "--read-timeout", "200"},
       "EIdReadTimeout: Zeitüberschreitung beim Lesen.\n"},
      {{server.BaseUrl() + "silent", "--receive-timeout", "0.2"},
       "EIdReadTimeout: Zeitüberschreitung beim Lesen.\n"},
      {{server.BaseUrl() + "silent", "--read-timeout", "0", "--deadline", "0.3"},
       "EIdReadTimeout: Zeitüberschreitung beim Lesen.\n"},
      // Following a redirect that never ends stops at the limit, and that is a failure.
      {{"--follow", server.BaseUrl() + "loop"},
       "EIdHTTPProtocolException: HTTP/1.1 302 Found\nErrorCode: 302\n"},
      // A build with TLS tries the connection; one without refuses https before it.
      {{"https://127.0.0.1:1/newest"},
       TIdIOHandlerTls::TlsAvailable() ? "EIdSocketError: Socket-Fehler # 10061Verbindung abgelehnt.\\r\\n\n"
                                       : "EIdIOHandlerPropInvalid: Wert für IOHandler ist ungültig\n"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Get(c.arguments);
    EXPECT_EQ(run.Out, "") << c.arguments[0];
    EXPECT_EQ(run.Err, c.err) << c.arguments[0];
    EXPECT_EQ(run.ExitCode, 1) << c.arguments[0];
  }
}

// A text that cannot be written as UTF-8 (an unpaired surrogate) is written with U+FFFD.
TEST(GetCommandTest, AnUnpairedSurrogateIsWrittenAsTheReplacementCharacter) {
  HttpRouteServer server({{"/newest", HttpResponse(200, "OK", std::string("1\x00\x00\xd8.\x00", 6),
                                                   "text/plain; charset=utf-16le")}});
  const ProgramRun run = Get({server.BaseUrl() + "newest"});
  EXPECT_EQ(run.Out, "1\xef\xbf\xbd.");
  EXPECT_EQ(run.ExitCode, 0);
}

// https with the test authority trusted through --ca-file; without it the same server is
// refused, and the failure line names the reason.
TEST(GetCommandTest, HttpsTrustsTheAuthoritiesOfCaFileInAddition) {
  FENDREL_NEEDS(testsupport::TestCertificates::Available(), "openssl or python3 is not installed");
  testsupport::PythonTlsServer::Options options;
  options.Files = {{"newest", "1.5"}};
  testsupport::PythonTlsServer server(options);
  const ProgramRun untrusted = Get({server.BaseUrl() + "newest"});
  if (untrusted.Err.find("EIdIOHandlerPropInvalid") != std::string::npos)
    GTEST_SKIP() << "this build has no TLS";
  EXPECT_EQ(untrusted.Err,
            "EIdTLSCertificateUntrusted: Das Zertifikat des Servers 127.0.0.1 ist nicht vertrauenswürdig: Es "
            "stammt "
            "von keiner vertrauenswürdigen Zertifizierungsstelle.\n");
  EXPECT_EQ(untrusted.ExitCode, 1);

  const ProgramRun run = Get(
      {server.BaseUrl() + "newest", "--ca-file", testsupport::TestCertificates::Shared().AuthorityFile()});
  EXPECT_EQ(run.Out, "1.5");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 0);
}

#ifdef FENDREL_STUB_SSL_DIR
// Where the TLS library cannot be used, http works as before and the first https request
// fails with a message naming what is missing; the program starts and runs up to it.
TEST(GetCommandTest, AnUnusableTlsLibraryFailsOnlyTheHttpsRequest) {
  HttpRouteServer server({{"/newest", HttpResponse(200, "OK", "1.5")}});
  const std::string https = "https://127.0.0.1:" + std::to_string(server.Port()) + "/newest";
  testsupport::ProgramCall call;
  call.Program = kCheckToolPath;
  call.Arguments = {"get", server.BaseUrl() + "newest", https};
  // A library of that name without the functions is found first.
  call.Environment = {{"LD_LIBRARY_PATH", FENDREL_STUB_SSL_DIR}};
  call.TimeoutMilliseconds = 30000;
  const ProgramRun run = testsupport::RunProgram(call);
  EXPECT_EQ(run.Out, "1.5");
  EXPECT_EQ(
      run.Err,
      "EIdTLSSetupFailed: TLS ist nicht verf\xc3\xbcgbar: TLS_client_method fehlt in " FENDREL_STUB_SSL_NAME
      "\n");
  EXPECT_EQ(run.ExitCode, 1);
}
#endif

}  // namespace
