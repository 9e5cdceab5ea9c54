// The real updater in console mode, run as it is installed: from a scratch folder that
// holds it and the demo application as fendrel.exe (running, as it does when it starts
// the updater), against an update server on 127.0.0.1 started by each test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TestPaths.h"
#include "core/Base64.h"
#include "net/IdIOHandlerTls.h"
#include "platform/Files.h"
#include "support/ChildProgram.h"
#include "support/HttpRouteServer.h"
#include "support/Needs.h"
#include "support/SigningKeys.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"
#include "support/TlsPeer.h"

namespace {

namespace fs = std::filesystem;
using testsupport::HttpResponse;
using testsupport::ProgramRun;
using testsupport::RouteResponse;

const std::string kStart = "Suche nach neuer Version\n";
const std::string kUpdateQuestion =
    "[Bestätigen] Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?\n[OK | Abbrechen]\n";
const std::string kCloseQuestion = "[Bestätigen] Fendrel! muss geschlossen werden\n\rOK?\n[OK | Abbrechen]\n";
const std::string kFailure = "[updater] unbekannter Fehler :(\n";
const std::string kClosing = "Schließe Anwendung (2)\nSchließe Anwendung (1)\nSchließe Anwendung (0)\n";
const std::string kInstallation =
    "Schließe Fendrel!\nEntpacke neue Version\nStarte Fendrel!\nUpdate erfolgreich\n";

// One start of the demo application as it recorded it.
struct Start {
  pid_t Pid = 0;
  std::string Version;
  std::vector<std::string> Arguments;
};

// The updater installed in a scratch folder beside a running fendrel.exe 1.4.
class InstalledUpdater : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    FDir = fs::temp_directory_path() /
           ("fendrel-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    fs::copy_file(UpdaterPath(), FDir / "updater");
    fs::copy_file(kDemoApplicationPath, FDir / "fendrel.exe");
    FRecord = FDir / "fendrel-runs.txt";
    StartApplication();
  }

  // The build of the updater that is installed.
  virtual const char* UpdaterPath() const { return kUpdaterPath; }

  void TearDown() override {
    if (FApplication > 0) {
      ::kill(FApplication, SIGKILL);
      ::waitpid(FApplication, nullptr, 0);
    }
    // Copies the updater started: ended only when they still run this folder's program.
    for (const Start& start : Starts()) {
      std::error_code ec;
      const fs::path exe = fs::read_symlink("/proc/" + std::to_string(start.Pid) + "/exe", ec);
      if (!ec && exe == FDir / "fendrel.exe") ::kill(start.Pid, SIGKILL);
    }
    fs::remove_all(FDir);
  }

  // The update log goes to the test's folder, never to the user's own.
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"FENDREL_DEMO_RECORD", FRecord.string()},
            {"FENDREL_DEMO_LIFETIME", "60"},
            {"XDG_STATE_HOME", (FDir / "state").string()}};
  }

  // The events of the update log, each line's time checked and taken off.
  std::vector<std::string> LogEvents() const {
    const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d (.*))");
    std::vector<std::string> events;
    std::istringstream lines(TTempDirectory::ReadFile(FDir / "state" / "fendrel" / "update.log"));
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
      EXPECT_TRUE(std::regex_match(line, match, stamp)) << line;
      events.push_back(match.size() > 1 ? match[1].str() : line);
    }
    return events;
  }

  void StartApplication() {
    const std::string program = (FDir / "fendrel.exe").string();
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
    for (const auto& [key, value] : Environment()) environment.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const std::string dir = FDir.string();

    FApplication = ::fork();
    if (FApplication == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(126);
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ASSERT_GT(FApplication, 0);
    ASSERT_TRUE(WaitForStarts(1)) << "fendrel.exe did not record its start";
  }

  // Runs the installed updater with the installed version and the answers on standard input.
  ProgramRun RunUpdater(const testsupport::HttpRouteServer& server, const std::string& version,
                        const std::string& answers) {
    return RunUpdaterAt(server.BaseUrl(), version, answers);
  }

  // The same with the base URL given, and more of the environment.
  ProgramRun RunUpdaterAt(const std::string& baseUrl, const std::string& version, const std::string& answers,
                          const std::vector<std::pair<std::string, std::string>>& environment = {},
                          const std::string& program = "updater") {
    testsupport::ProgramCall call;
    call.Program = (FDir / program).string();
    call.Arguments = {version};
    call.Environment = Environment();
    call.Environment.insert(call.Environment.end(), environment.begin(), environment.end());
    call.Environment.emplace_back("FENDREL_UPDATER_UI", "console");
    call.Environment.emplace_back("FENDREL_UPDATE_URL", baseUrl);
    call.WorkingDirectory = FWorkingDirectory.empty() ? FDir.string() : FWorkingDirectory.string();
    call.Input = answers;
    call.ErrorToTerminal = FErrorToTerminal;
    call.TimeoutMilliseconds = 60000;
    return testsupport::RunProgram(call);
  }

  std::vector<Start> Starts() const {
    std::vector<Start> starts;
    std::istringstream lines(TTempDirectory::ReadFile(FRecord));
    std::string line;
    while (std::getline(lines, line)) {
      Start start;
      std::istringstream fields(line);
      std::string field;
      for (int i = 0; std::getline(fields, field, '\t'); ++i) {
        if (i == 0)
          start.Pid = static_cast<pid_t>(std::stol(field));
        else if (i == 1)
          start.Version = field;
        else
          start.Arguments.push_back(field);
      }
      starts.push_back(start);
    }
    return starts;
  }

  bool WaitForStarts(std::size_t count) const {
    for (int i = 0; i < 1000; ++i) {
      if (Starts().size() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool ApplicationRunning() { return FApplication > 0 && ::waitpid(FApplication, nullptr, WNOHANG) == 0; }

  // The signal that ended the first fendrel.exe.
  int ApplicationEndSignal() {
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
      if (::waitpid(FApplication, &status, WNOHANG) == FApplication) {
        FApplication = 0;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

  // An update agreed to whose download failed: the fixed message and the countdown after the
  // two requests, no close question, the application left running.
  void ExpectFailedDownload(const ProgramRun& run, const testsupport::HttpRouteServer& server) {
    EXPECT_EQ(run.Out, kStart + kUpdateQuestion + "Lade neue Version\n" + kFailure + kClosing);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(server.RequestLines(),
              (std::vector<std::string>{"GET /newest HTTP/1.1", "GET /1.5/update.zip HTTP/1.1"}));
    EXPECT_TRUE(ApplicationRunning());
  }

  // A whole update from 1.4 to 1.5 as the user sees it: both questions, the installation,
  // the countdown; the running 1.4 ended, 1.5 started with "dontupdate", the archive gone.
  void ExpectUpdatedTo15(const ProgramRun& run) {
    EXPECT_EQ(run.Out,
              kStart + kUpdateQuestion + "Lade neue Version\n" + kCloseQuestion + kInstallation + kClosing);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ApplicationEndSignal(), SIGKILL);
    ASSERT_TRUE(WaitForStarts(2));
    const Start restarted = Starts()[1];
    EXPECT_EQ(restarted.Version, "1.5");
    EXPECT_EQ(restarted.Arguments, std::vector<std::string>{"dontupdate"});
    EXPECT_FALSE(fs::exists(FDir / "update.zip"));
  }

  fs::path FDir;
  fs::path FWorkingDirectory;     // empty: the installation folder
  bool FErrorToTerminal = false;  // the updater's standard error is a terminal
  fs::path FRecord;
  pid_t FApplication = 0;
};

std::map<std::string, RouteResponse> VersionOnly(const std::string& newest) {
  return {{"/newest", HttpResponse(200, "OK", newest)}};
}

TEST_F(InstalledUpdater, AnUpToDateApplicationSeesTheThreeStepCountdownAndKeepsRunning) {
  testsupport::HttpRouteServer server(VersionOnly("1.5"));
  const ProgramRun run = RunUpdater(server, "1.5", "");
  EXPECT_EQ(run.Out, kStart +
                         "Keine neue Version (3)\nKeine neue Version (2)\nKeine neue Version (1)\n"
                         "Keine neue Version (0)\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /newest HTTP/1.1"});
  EXPECT_TRUE(ApplicationRunning());
}

TEST_F(InstalledUpdater, DecliningTheUpdateDownloadsNothing) {
  testsupport::HttpRouteServer server(VersionOnly("1.5"));
  const ProgramRun run = RunUpdater(server, "1.4", "Abbrechen\n");
  EXPECT_EQ(run.Out, kStart + kUpdateQuestion + kClosing);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /newest HTTP/1.1"});
  EXPECT_FALSE(fs::exists(FDir / "update.zip"));
  EXPECT_TRUE(ApplicationRunning());
}

// A version file that ends in a line break fails the number conversion: the error
// dialog names the text, and the window stays open until its user closes it.
TEST_F(InstalledUpdater, AVersionTextWithALineBreakShowsTheConversionError) {
  testsupport::HttpRouteServer server(VersionOnly("1.5\r\n"));
  const ProgramRun run = RunUpdater(server, "1.4", "");
  EXPECT_EQ(run.Out, kStart);
  EXPECT_EQ(run.Err, "[updater] '1.5\r\n' ist kein gültiger Gleitkommawert.\n");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /newest HTTP/1.1"});
  EXPECT_TRUE(ApplicationRunning());
}

// A missing archive: the fixed message, no close question, the application untouched,
// and the emptied download file left behind.
TEST_F(InstalledUpdater, AMissingArchiveEndsInTheFixedMessageAndLeavesAnEmptyDownload) {
  testsupport::HttpRouteServer server(VersionOnly("1.5"));
  // A base URL with a name and password, which the log must not keep.
  std::string baseUrl = server.BaseUrl();
  baseUrl.insert(baseUrl.find("://") + 3, "ute:geheim@");
  const ProgramRun run = RunUpdaterAt(baseUrl, "1.4", "\n\n");
  ExpectFailedDownload(run, server);
  ASSERT_TRUE(fs::exists(FDir / "update.zip"));
  EXPECT_EQ(fs::file_size(FDir / "update.zip"), 0u);
  // The log says what the message does not: the server's status line.
  const std::vector<std::string> events = LogEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(std::regex_match(
      events.back(),
      std::regex(
          "failed: download, GET " + server.BaseUrl() +
          R"(1\.5/update\.zip to \./update\.zip after \d+\.\d{3} s with 0 bytes written( \(\d+ kB/s\))?, )"
          R"(shown "unbekannter Fehler :\(": EIdHTTPProtocolException: HTTP/1\.1 404 Not Found)")))
      << events.back();
  for (const std::string& event : events) EXPECT_EQ(event.find("geheim"), std::string::npos) << event;
}

// The server closes before the announced length has arrived: the download is a
// failure, so the application is neither asked about nor ended.
TEST_F(InstalledUpdater, ADownloadCutShortIsAFailureAndTheApplicationKeepsRunning) {
  RouteResponse cut;
  cut.Bytes = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 100000\r\n\r\n" +
              std::string(1000, 'Z');
  cut.CloseAfter = true;
  testsupport::HttpRouteServer server(
      {{"/newest", HttpResponse(200, "OK", "1.5")}, {"/1.5/update.zip", cut}});
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  EXPECT_EQ(run.Out, kStart + kUpdateQuestion + "Lade neue Version\n" + kFailure + kClosing);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_TRUE(ApplicationRunning());
  // What arrived stays in the download file, as far as it was written.
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "update.zip"), std::string(1000, 'Z'));
}

// The update archive: the newer fendrel.exe, a note inside a folder, and a data file
// that replaces an older one; damagedData gives data.txt a CRC-32 its bytes do not have.
// With padding, a stored entry "padding.bin" of that many bytes makes the archive larger.
std::string UpdateArchive(bool damagedData, std::size_t padding = 0) {
  std::vector<testsupport::ZipFixtureEntry> entries(padding > 0 ? 5 : 4);
  entries[0].Name = "fendrel.exe";
  entries[0].Data = TTempDirectory::ReadFile(kNextDemoApplicationPath);
  entries[1].Name = "docs/";
  entries[1].ExternalAttributes = 0x10;
  entries[2].Name = "docs/LIESMICH.txt";
  entries[2].Data = "Fendrel! 1.5\n";
  entries[3].Name = "data.txt";
  entries[3].Data = "neu\n";
  if (damagedData) entries[3].Crc = 0x12345678;
  if (padding > 0) {
    entries[4].Name = "padding.bin";
    entries[4].Data = std::string(padding, 'p');
  }
  return testsupport::MakeZip(entries);
}

std::map<std::string, RouteResponse> UpdateRoutes(bool damagedData) {
  return {{"/newest", HttpResponse(200, "OK", "1.5")},
          {"/1.5/update.zip", HttpResponse(200, "OK", UpdateArchive(damagedData), "application/zip")}};
}

// A server behind a balancer pins the session with a cookie on the version response and expects
// it back on the archive request: the first request carries none, the second carries it after
// its other lines.
TEST_F(InstalledUpdater, TheArchiveRequestCarriesTheCookieTheVersionResponseSet) {
  RouteResponse version = HttpResponse(200, "OK", "1.5");
  version.Bytes.insert(version.Bytes.find("\r\n") + 2, "Set-Cookie: node=b7; Path=/; HttpOnly\r\n");
  testsupport::HttpRouteServer server(
      {{"/newest", version},
       {"/1.5/update.zip", HttpResponse(200, "OK", UpdateArchive(false), "application/zip")}});
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  EXPECT_EQ(run.Out.substr(0, (kStart + kUpdateQuestion + "Lade neue Version\n").size()),
            kStart + kUpdateQuestion + "Lade neue Version\n");
  const std::string common = " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                             "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
                             "User-Agent: Mozilla/3.0 (compatible; Fendrel Updater)\r\n";
  EXPECT_EQ(server.RequestHeads(),
            "GET /newest" + common + "\r\nGET /1.5/update.zip" + common + "Cookie: node=b7\r\n\r\n");
}

// The whole update: fendrel.exe ended, the files replaced under their bare names
// (folders dropped), the new fendrel.exe started with "dontupdate", update.zip deleted.
// With a damaged entry the old file stays and the update still counts as done.
class CompleteUpdate : public InstalledUpdater {
 protected:
  void Run(bool damagedData) {
    TTempDirectory::WriteFile(FDir / "data.txt", "alt\n");
    testsupport::HttpRouteServer server(UpdateRoutes(damagedData));
    const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
    ExpectUpdatedTo15(run);
    EXPECT_EQ(server.RequestLines(),
              (std::vector<std::string>{"GET /newest HTTP/1.1", "GET /1.5/update.zip HTTP/1.1"}));
    EXPECT_TRUE(TTempDirectory::ReadFile(FDir / "fendrel.exe") ==
                TTempDirectory::ReadFile(kNextDemoApplicationPath));
    EXPECT_EQ(TTempDirectory::ReadFile(FDir / "LIESMICH.txt"), "Fendrel! 1.5\n");
    EXPECT_FALSE(fs::exists(FDir / "docs"));
    EXPECT_EQ(TTempDirectory::ReadFile(FDir / "data.txt"), damagedData ? "alt\n" : "neu\n");

    // The log holds each step in order, and the entry that could not be extracted.
    std::vector<std::string> expected = {
        "run started: installed version \"1.4\", update server " + server.BaseUrl() + ", program folder " +
            FDir.string() + "/, working folder " + FDir.string(),
        "step: version query, GET " + server.BaseUrl() + "newest",
        "done: version query, GET " + server.BaseUrl() + "newest in # s: fetched version \"1.5\"",
        "update from \"1.4\" to \"1.5\" agreed",
        "step: download, GET " + server.BaseUrl() + "1.5/update.zip to ./update.zip",
        "done: download, GET " + server.BaseUrl() + "1.5/update.zip to ./update.zip in # s: " +
            std::to_string(UpdateArchive(damagedData).size()) + " bytes written#",
        "step: ending every fendrel.exe",
        "done: ending every fendrel.exe in # s",
        "step: extraction of " + FDir.string() + "//update.zip",
        "done: extraction of " + FDir.string() + "//update.zip in # s",
        "step: start of fendrel.exe dontupdate",
        "done: start of fendrel.exe dontupdate in # s",
        "step: deletion of " + FDir.string() + "//update.zip",
        "done: deletion of " + FDir.string() + "//update.zip in # s",
        "update to \"1.5\" installed"};
    if (damagedData)
      expected.insert(expected.begin() + 9, "entry failed: \"data.txt\": EAbZipBadCRC: Failed CRC Check");
    const std::vector<std::string> events = LogEvents();
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
      // "#" stands for a time (and, after the bytes, an optional speed).
      std::string pattern;
      for (const char c : expected[i]) {
        if (c == '#')
          pattern += pattern.ends_with("written") ? R"(( \(\d+ kB/s\))?)" : R"(\d+\.\d{3})";
        else if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
          pattern += std::string("\\") + c;
        else
          pattern += c;
      }
      EXPECT_TRUE(std::regex_match(events[i], std::regex(pattern))) << events[i] << "\n" << expected[i];
    }
  }
};

TEST_F(CompleteUpdate, ReplacesTheFilesAndRestartsTheApplication) {
  Run(false);
}

TEST_F(CompleteUpdate, ADamagedEntryKeepsItsOldFileWhileTheOthersAreReplaced) {
  Run(true);
}

// The updater killed (SIGKILL) while it installs, at the sync that puts the new files on
// the disk and before its second and third renames: every file is its old or its new version (all
// old before the first rename), and the next run of the updater installs the new version
// completely and leaves nothing beside the files.
TEST_F(InstalledUpdater, AnUpdaterKilledWhileItInstallsLeavesOldOrNewFilesAndTheNextRunCompletes) {
  const std::string oldExe = TTempDirectory::ReadFile(kDemoApplicationPath);
  const std::string newExe = TTempDirectory::ReadFile(kNextDemoApplicationPath);
  const std::map<std::string, std::pair<std::string, std::string>> files{
      {"fendrel.exe", {oldExe, newExe}},
      {"data.txt", {"alt\n", "neu\n"}},
      {"LIESMICH.txt", {"", "Fendrel! 1.5\n"}}};
  const auto killedAt = [](const std::string& call, int at) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return std::vector<std::pair<std::string, std::string>>{
        {"LD_PRELOAD", FENDREL_KILL_SHIM},
        {"FENDREL_KILL_CALL", call},
        {"FENDREL_KILL_AT", std::to_string(at)},
        {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"}};
  };
  const auto reinstall = [&] {
    for (const auto& [name, versions] : files) {
      fs::remove(FDir / name);
      if (!versions.first.empty()) TTempDirectory::WriteFile(FDir / name, versions.first);
    }
    fs::permissions(FDir / "fendrel.exe", fs::perms::owner_exec, fs::perm_options::add);
  };
  const std::vector<std::pair<std::string, int>> points{{"syncfs", 1}, {"rename", 2}, {"rename", 3}};
  for (const auto& [call, at] : points) {
    const std::string point = call + " #" + std::to_string(at);
    reinstall();
    testsupport::HttpRouteServer server(UpdateRoutes(false));
    const ProgramRun killed = RunUpdaterAt(server.BaseUrl(), "1.4", "\n\n", killedAt(call, at));
    ASSERT_EQ(killed.Signal, SIGKILL) << point << ": " << killed.Out << killed.Err;
    ASSERT_TRUE(killed.Out.ends_with("Entpacke neue Version\n")) << point << ": " << killed.Out;
    int fresh = 0;
    for (const auto& [name, versions] : files) {
      const std::string now = fs::exists(FDir / name) ? TTempDirectory::ReadFile(FDir / name) : "";
      EXPECT_TRUE(now == versions.first || now == versions.second) << point << ": " << name;
      if (now == versions.second) ++fresh;
    }
    EXPECT_EQ(fresh, call == "rename" ? at - 1 : 0) << point;

    const ProgramRun next = RunUpdater(server, "1.4", "\n\n");
    EXPECT_EQ(next.ExitCode, 0) << point;
    EXPECT_TRUE(next.Out.find(kInstallation) != std::string::npos) << point << ": " << next.Out;
    for (const auto& [name, versions] : files)
      EXPECT_TRUE(TTempDirectory::ReadFile(FDir / name) == versions.second) << point << ": " << name;
    for (const auto& e : fs::directory_iterator(FDir))
      EXPECT_FALSE(e.path().filename().string().starts_with(".fendrel-")) << point << ": " << e.path();
    if (HasFailure()) return;
  }
}

// The update over https: the server's certificate comes from the test authority, which the
// updater trusts through SSL_CERT_FILE as it trusts the system's store otherwise.
class HttpsUpdate : public InstalledUpdater {
 protected:
  void SetUp() override {
    if (!TIdIOHandlerTls::TlsAvailable()) GTEST_SKIP() << "this build has no TLS";
    FENDREL_NEEDS(testsupport::TestCertificates::Available(), "openssl or python3 is not installed");
    InstalledUpdater::SetUp();
  }

  ProgramRun RunOverHttps(const testsupport::PythonTlsServer& server, const std::string& answers) {
    return RunUpdaterAt(server.BaseUrl(), "1.4", answers,
                        {{"SSL_CERT_FILE", testsupport::TestCertificates::Shared().AuthorityFile()}});
  }
};

TEST_F(HttpsUpdate, ReplacesTheFilesAndRestartsTheApplication) {
  testsupport::PythonTlsServer::Options options;
  options.Files = {{"newest", "1.5"}, {"1.5/update.zip", UpdateArchive(false)}};
  testsupport::PythonTlsServer server(options);
  const ProgramRun run = RunOverHttps(server, "\n\n");
  ExpectUpdatedTo15(run);
  EXPECT_EQ(server.NextReport(), "handshake TLSv1.3");
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "data.txt"), "neu\n");
}

// A server the updater cannot trust fails the version query as an unreachable one does:
// the reason in the error dialog, the application left alone.
TEST_F(HttpsUpdate, AnUntrustedServerFailsTheVersionQueryWithItsReason) {
  testsupport::PythonTlsServer::Options options;
  options.Certificate = testsupport::TestCertificates::Kind::Untrusted;
  options.Files = {{"newest", "1.5"}};
  testsupport::PythonTlsServer server(options);
  const ProgramRun run = RunOverHttps(server, "\n\n");
  EXPECT_EQ(run.Out, kStart);
  EXPECT_EQ(run.Err,
            "[updater] Das Zertifikat des Servers 127.0.0.1 ist nicht vertrauenswürdig: Es stammt von keiner "
            "vertrauenswürdigen Zertifizierungsstelle.\n");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_TRUE(ApplicationRunning());
}

// An archive whose connection is cut without the TLS close notification is a failed download
// even though no length was announced: the application is neither asked about nor ended.
TEST_F(HttpsUpdate, AnArchiveCutWithoutTheCloseNotificationIsAFailedDownload) {
  testsupport::PythonTlsServer::Options options;
  options.Files = {{"newest", "1.5"}, {"1.5/update.zip", UpdateArchive(false)}};
  options.CutFiles = {"1.5/update.zip"};
  testsupport::PythonTlsServer server(options);
  const ProgramRun run = RunOverHttps(server, "\n\n");
  EXPECT_EQ(run.Out, kStart + kUpdateQuestion + "Lade neue Version\n" + kFailure + kClosing);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_TRUE(ApplicationRunning());
}

// A build whose base URL is https takes no http URL from the environment: it refuses to start
// and says why, before any request.
TEST_F(InstalledUpdater, AnHttpsBuildRefusesAnHttpOverride) {
  if (std::string(kHttpsUpdaterPath).empty()) GTEST_SKIP() << "this build has no TLS";
  fs::copy_file(kHttpsUpdaterPath, FDir / "updater-https");
  testsupport::HttpRouteServer server(VersionOnly("1.5"));
  const ProgramRun run = RunUpdaterAt(server.BaseUrl(), "1.4", "\n\n", {}, "updater-https");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_NE(
      run.Err.find("Die Update-Adresse aus FENDREL_UPDATE_URL (" + server.BaseUrl() +
                   ") wird nicht verwendet: Die eingebaute Adresse verwendet https, deshalb muss auch diese "
                   "mit https:// beginnen."),
      std::string::npos)
      << run.Err;
  EXPECT_TRUE(server.RequestLines().empty());
  EXPECT_TRUE(ApplicationRunning());
}

}  // namespace

namespace {

// The updater built with a public key: an archive is installed only when it carries a good
// signature of the version the server named, made with the key's partner.
class SignedUpdate : public InstalledUpdater {
 protected:
  const char* UpdaterPath() const override { return kKeyedUpdaterPath; }

  static std::map<std::string, RouteResponse> Routes(const std::string& archive) {
    return {{"/newest", HttpResponse(200, "OK", "1.5")},
            {"/1.5/update.zip", HttpResponse(200, "OK", archive, "application/zip")}};
  }
  static std::string Signed(const std::string& version = "1.5") {
    return testsupport::SignedZip(UpdateArchive(false), testsupport::TrustedTestKeys().SecretKey, version);
  }
};

TEST_F(SignedUpdate, AGoodSignatureInstallsTheUpdate) {
  testsupport::HttpRouteServer server(Routes(Signed()));
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  ExpectUpdatedTo15(run);
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "LIESMICH.txt"), "Fendrel! 1.5\n");
}

// A release made by fendrel-check publish from a folder with the key's partner is what the
// keyed updater installs.
TEST_F(SignedUpdate, AReleaseMadeByPublishIsInstalled) {
  TTempDirectory publisher;
  fs::create_directories(publisher.Path() / "release");
  TTempDirectory::WriteFile(publisher / "release/fendrel.exe",
                            TTempDirectory::ReadFile(kNextDemoApplicationPath));
  ::chmod((publisher / "release/fendrel.exe").c_str(), 0755);
  TTempDirectory::WriteFile(publisher / "release/LIESMICH.txt", "Fendrel! 1.5\n");
  const signature::TSecretKey& key = testsupport::TrustedTestKeys().SecretKey;
  platform::CreatePrivateFile(FromUtf8(publisher / "secret.key"),
                              Base64Of(key.Bytes.data(), key.Bytes.size()));
  testsupport::ProgramCall publish;
  publish.Program = kCheckToolPath;
  publish.Arguments = {"publish", publisher / "release", "1.5", "--key", publisher / "secret.key",
                       "--out",   publisher / "site"};
  const ProgramRun published = testsupport::RunProgram(publish);
  ASSERT_EQ(published.ExitCode, 0) << published.Out << published.Err;
  ASSERT_EQ(TTempDirectory::ReadFile(publisher / "site/newest"), "1.5");

  testsupport::HttpRouteServer server(Routes(TTempDirectory::ReadFile(publisher / "site/1.5/update.zip")));
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  ExpectUpdatedTo15(run);
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "LIESMICH.txt"), "Fendrel! 1.5\n");
}

// Each archive fails at the download step, as a failed download does: the fixed message,
// the countdown, no close question, and the application left running and untouched.
TEST_F(SignedUpdate, AnArchiveWithoutAGoodSignatureFailsTheDownloadAndTheApplicationKeepsRunning) {
  const std::string good = Signed();
  const std::size_t commentStart = UpdateArchive(false).size();
  const auto flipped = [&good](std::size_t at) {
    std::string changed = good;
    changed[at] = static_cast<char>(changed[at] ^ 0x20);
    return changed;
  };
  std::string longComment = UpdateArchive(false);
  longComment[longComment.size() - 2] = '\xFF';
  longComment[longComment.size() - 1] = '\xFF';
  longComment += "FENDREL-SIG1 1.5 " + std::string(65535 - 17, 'A');
  const struct {
    const char* Name;
    std::string Archive;
  } cases[] = {
      {"no signature", UpdateArchive(false)},
      {"a byte of fendrel.exe flipped", flipped(100)},
      {"a byte of the directory flipped", flipped(commentStart - 30)},
      {"signed with another key",
       testsupport::SignedZip(UpdateArchive(false), testsupport::OtherTestKeys().SecretKey, "1.5")},
      {"signed for another version", Signed("1.3")},
      {"bytes after the comment", good + "PK"},
      {"the comment cut short", good.substr(0, good.size() - 20)},
      {"a comment of 65535 bytes", longComment},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    testsupport::HttpRouteServer server(Routes(c.Archive));
    const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
    ExpectFailedDownload(run, server);
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_EQ(TTempDirectory::ReadFile(FDir / "fendrel.exe"), TTempDirectory::ReadFile(kDemoApplicationPath));
  }
}

// Started from another working folder, the updater downloads there but extracts the
// update.zip beside its executable: that archive is checked again, and an unsigned one
// fails the installation instead of being installed.
TEST_F(SignedUpdate, TheArchiveBesideTheExecutableIsCheckedAgainBeforeItIsExtracted) {
  FWorkingDirectory = FDir / "elsewhere";
  fs::create_directories(FWorkingDirectory);
  TTempDirectory::WriteFile(FDir / "update.zip", UpdateArchive(false));
  testsupport::HttpRouteServer server(Routes(Signed()));
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  EXPECT_EQ(run.Out, kStart + kUpdateQuestion + "Lade neue Version\n" + kCloseQuestion +
                         "Schließe Fendrel!\nEntpacke neue Version\n" + kFailure + kClosing);
  EXPECT_EQ(TTempDirectory::ReadFile(FWorkingDirectory / "update.zip"), Signed());
  EXPECT_FALSE(fs::exists(FDir / "LIESMICH.txt"));
  EXPECT_FALSE(fs::exists(FWorkingDirectory / "LIESMICH.txt"));
  EXPECT_EQ(Starts().size(), 1u);
}

// A whole update from a slow server (a few MB over a few seconds) as the console shows it: with
// standard error on a terminal, one progress line is rewritten there in place and cleared
// again; written to a file, standard output and standard error are what they always are.
class SlowUpdate : public InstalledUpdater {
 protected:
  static std::map<std::string, RouteResponse> SlowRoutes() {
    RouteResponse archive = HttpResponse(200, "OK", UpdateArchive(false, 3 * 1024 * 1024), "application/zip");
    archive.PieceSize = 64 * 1024;
    archive.PauseMilliseconds = 40;
    return {{"/newest", HttpResponse(200, "OK", "1.5")}, {"/1.5/update.zip", archive}};
  }
};

TEST_F(SlowUpdate, WithoutATerminalTheOutputStaysAsItWas) {
  testsupport::HttpRouteServer server(SlowRoutes());
  ExpectUpdatedTo15(RunUpdater(server, "1.4", "\n\n"));
}

TEST_F(SlowUpdate, OnATerminalOneProgressLineIsRewrittenInPlace) {
  FErrorToTerminal = true;
  testsupport::HttpRouteServer server(SlowRoutes());
  const ProgramRun run = RunUpdater(server, "1.4", "\n\n");
  EXPECT_EQ(run.Out,
            kStart + kUpdateQuestion + "Lade neue Version\n" + kCloseQuestion + kInstallation + kClosing);
  EXPECT_EQ(run.ExitCode, 0);
  // Lines that follow one another on the terminal, each begun with a carriage return, and no
  // line feed: the terminal shows one line, cleared at the end of each step.
  EXPECT_EQ(run.Err.find('\n'), std::string::npos);
  EXPECT_NE(run.Err.find("\rLade neue Version: 0 % (0,0 von 3,"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(" % (1,"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("\rEntpacke neue Version: "), std::string::npos) << run.Err;
  ASSERT_FALSE(run.Err.empty());
  EXPECT_EQ(run.Err.back(), '\r');
}

}  // namespace
