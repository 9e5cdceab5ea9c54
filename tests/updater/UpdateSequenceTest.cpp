#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "platform/ui/Application.h"
#include "support/FakeUserInterface.h"
#include "updater/Form1.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kBase[] = "http://updates.test/fendrel/";

// What the fake server answers.
struct HttpScript {
  std::optional<String> Newest;        // empty: the version query fails
  std::optional<std::string> Archive;  // empty: the download fails after writing Partial
  std::string Partial;
};

class FakeHttp final : public updater::IHttpClient {
 public:
  FakeHttp(EventLog& log, HttpScript script) : FLog(log), FScript(std::move(script)) {}

  String Get(const String& url) override {
    FLog.Add("get", url);
    if (!FScript.Newest) throw Exception(u"Socket-Fehler # 11001\r\nHost nicht gefunden.\r\n");
    return *FScript.Newest;
  }
  void Get(const String& url, TStream& destination) override {
    FLog.Add("get to stream", url);
    if (!FScript.Archive) {
      destination.WriteBuffer(FScript.Partial.data(), static_cast<std::int64_t>(FScript.Partial.size()));
      throw Exception(u"HTTP/1.1 404 Not Found");
    }
    destination.WriteBuffer(FScript.Archive->data(), static_cast<std::int64_t>(FScript.Archive->size()));
  }

 private:
  EventLog& FLog;
  HttpScript FScript;
};

class FakeUnZipper final : public updater::IUnZipper {
 public:
  explicit FakeUnZipper(EventLog& log) : FLog(log) {}
  bool FailOpen = false;
  void OpenArchive(const String& fileName) override {
    FLog.Add("open archive", fileName);
    if (FailOpen) throw Exception(u"Invalid file - not a PKZip file");
  }
  void ExtractFiles(const String& mask) override { FLog.Add("extract", mask); }
  void CloseArchive() override { FLog.Add("close archive"); }

 private:
  EventLog& FLog;
};

class FakeSystem final : public updater::IUpdaterSystem {
 public:
  explicit FakeSystem(EventLog& log) : FLog(log) {}
  int TerminateProcessesByName(const String& name) override {
    FLog.Add("terminate", name);
    return 0;
  }
  bool ShellOpen(const String& fileName, const String& parameters) override {
    FLog.Add("shell open", fileName + u" " + parameters);
    return true;
  }
  bool DeleteFile(const String& fileName) override {
    FLog.Add("delete", fileName);
    return true;
  }

 private:
  EventLog& FLog;
};

// Runs the sequence in a fresh working directory with fakes all round.
class UpdateSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() / ("fendrel-sequence-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  // Creates the window as the program does and lets the backend activate it.
  Lines Run(const String& argument) {
    platform::ui::TApplication application(ui, u"Updater");
    auto httpOwned = std::make_unique<FakeHttp>(log, http);
    auto unzipOwned = std::make_unique<FakeUnZipper>(log);
    unzipOwned->FailOpen = failOpen;
    updater::TForm1 form(application, clock, system, std::move(httpOwned), std::move(unzipOwned),
                         {argument, FromUtf8(kBase), u"/opt/fendrel/"});
    ui.CreateMainWindow(updater::TForm1::StoredDescription());
    form.FormCreate();
    application.Run([&form] { form.FormActivate(); });
    return log.Lines();
  }

  bool DownloadExists() const { return std::filesystem::exists(dir_ / "update.zip"); }
  std::string DownloadContent() const {
    std::ifstream in(dir_ / "update.zip", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  EventLog log;
  FakeClock clock{log};
  FakeUserInterface ui{log};
  FakeSystem system{log};
  HttpScript http;
  bool failOpen = false;
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

const Lines kStart = {"window: Fendrel! Update", "sleep 1000", "activate"};

const Lines kCloseCountdown = {
    "status: Schließe Anwendung (2)", "process", "sleep 1000", "status: Schließe Anwendung (1)",
    "process",                        "sleep 1000", "status: Schließe Anwendung (0)", "close"};

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string kUpdateQuestion =
    "confirm: Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?";
const std::string kCloseQuestion = "confirm: Fendrel! muss geschlossen werden\n\rOK?";
const std::string kFailure = "message Updater: unbekannter Fehler :(";

TEST_F(UpdateSequenceTest, WithoutArgumentAsksToStartThroughTheApplication) {
  http.Newest = u"1.5";
  EXPECT_EQ(Run(u""), Join({kStart,
                            {"status: Bitte über Fendrel! starten", "process", "sleep 2000"},
                            kCloseCountdown}));
}

TEST_F(UpdateSequenceTest, UpToDateCountsDownFromThree) {
  for (const auto& [installed, newest] : std::vector<std::pair<String, String>>{
           {u"2.0", u"2.0"}, {u"2.1", u"2.0"}, {u"2", u"2.00"}, {u"10", u"9.9"}}) {
    log = EventLog();
    ui.Closed = false;
    http.Newest = newest;
    EXPECT_EQ(Run(installed), Join({kStart,
                                    {"get: http://updates.test/fendrel/newest", "status: Keine neue Version (3)",
                                     "process", "sleep 1000", "status: Keine neue Version (2)", "process",
                                     "sleep 1000", "status: Keine neue Version (1)", "process", "sleep 1000",
                                     "status: Keine neue Version (0)", "close"}}))
        << ToUtf8(installed) << " / " << ToUtf8(newest);
  }
}

TEST_F(UpdateSequenceTest, AnswerOtherThanOkAtTheUpdateQuestionDownloadsNothing) {
  for (const int answer : {platform::ui::mrCancel, platform::ui::mrNone}) {
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {answer};
    http.Newest = u"1.5";
    EXPECT_EQ(Run(u"1.4"), Join({kStart,
                                 {"get: http://updates.test/fendrel/newest", kUpdateQuestion, "activate"},
                                 kCloseCountdown}));
    EXPECT_FALSE(DownloadExists());
  }
}

TEST_F(UpdateSequenceTest, SuccessfulUpdate) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  EXPECT_EQ(Run(u"1.4"),
            Join({kStart,
                  {"get: http://updates.test/fendrel/newest", kUpdateQuestion, "activate",
                   "status: Lade neue Version", "process",
                   "get to stream: http://updates.test/fendrel/1.5/update.zip", kCloseQuestion, "activate",
                   "status: Schließe Fendrel!", "terminate: fendrel.exe", "terminate: fendrel.exe",
                   "terminate: fendrel.exe", "process", "sleep 1000", "status: Entpacke neue Version",
                   "open archive: /opt/fendrel//update.zip", "extract: *", "close archive", "process", "sleep 1000",
                   "status: Starte Fendrel!", "shell open: fendrel.exe dontupdate", "process", "sleep 1000",
                   "status: Update erfolgreich", "delete: /opt/fendrel//update.zip", "process", "sleep 1000"},
                  kCloseCountdown}));
  EXPECT_EQ(DownloadContent(), *http.Archive);
}

TEST_F(UpdateSequenceTest, FailedDownloadKeepsWhatWasWrittenAndEndsWithTheFixedMessage) {
  ui.Answers = {platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Partial = "PK";
  EXPECT_EQ(Run(u"1.4"), Join({kStart,
                               {"get: http://updates.test/fendrel/newest", kUpdateQuestion, "activate",
                                "status: Lade neue Version", "process",
                                "get to stream: http://updates.test/fendrel/1.5/update.zip", kFailure, "activate"},
                               kCloseCountdown}));
  EXPECT_EQ(DownloadContent(), "PK");
}

TEST_F(UpdateSequenceTest, DownloadFileThatCannotBeCreatedIsADownloadFailure) {
  std::filesystem::create_directory(dir_ / "update.zip");  // a folder in the way
  ui.Answers = {platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "PK";
  const Lines lines = Run(u"1.4");
  EXPECT_EQ(Lines(lines.end() - 12, lines.end()),
            Join({{"status: Lade neue Version", "process", kFailure, "activate"}, kCloseCountdown}));
}

TEST_F(UpdateSequenceTest, CancelAtTheCloseQuestionKeepsTheDownloadAndTerminatesNothing) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrCancel};
  http.Newest = u"1.5";
  http.Archive = "PK-archive";
  const Lines lines = Run(u"1.4");
  EXPECT_EQ(Lines(lines.end() - 10, lines.end()), Join({{kCloseQuestion, "activate"}, kCloseCountdown}));
  EXPECT_EQ(DownloadContent(), "PK-archive");
}

TEST_F(UpdateSequenceTest, FailedInstallationLeavesTheApplicationTerminated) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "not a zip";
  failOpen = true;
  const Lines lines = Run(u"1.4");
  EXPECT_EQ(Lines(lines.end() - 20, lines.end()),
            Join({{kCloseQuestion, "activate", "status: Schließe Fendrel!", "terminate: fendrel.exe",
                   "terminate: fendrel.exe", "terminate: fendrel.exe", "process", "sleep 1000",
                   "status: Entpacke neue Version", "open archive: /opt/fendrel//update.zip", kFailure, "activate"},
                  kCloseCountdown}));
}

// A failed version query reaches the error dialog; the window stays open and a later
// activation does not start the sequence again.
TEST_F(UpdateSequenceTest, VersionQueryFailuresShowTheirOwnMessageAndLeaveTheWindowOpen) {
  struct Case {
    std::optional<String> newest;
    String argument;
    std::string error;
  };
  const Case cases[] = {
      // The message ends in a line break, so no full stop is added.
      {std::nullopt, u"1.4", "error Updater: Socket-Fehler # 11001\r\nHost nicht gefunden.\r\n"},
      {u"2.0\r\n", u"1.4", "error Updater: '2.0\r\n' ist kein gültiger Gleitkommawert."},
      {u"\t2.0", u"1.4", "error Updater: '\t2.0' ist kein gültiger Gleitkommawert."},
      {u"2.0", u"abc", "error Updater: 'abc' ist kein gültiger Gleitkommawert."},
      {u"2,0", u"1.4", "error Updater: '2,0' ist kein gültiger Gleitkommawert."},
  };
  for (const auto& c : cases) {
    log = EventLog();
    ui.Closed = false;
    http.Newest = c.newest;
    EXPECT_EQ(Run(c.argument),
              Join({kStart, {"get: http://updates.test/fendrel/newest", c.error, "activate", "activate"}}))
        << c.error;
    EXPECT_FALSE(ui.Closed);
  }
}

TEST_F(UpdateSequenceTest, VersionTextIsUsedAsFetchedInTheQuestionAndTheArchiveUrl) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrCancel};
  http.Newest = u" 2.0 ";
  http.Archive = "PK";
  const Lines lines = Run(u"1.9");
  EXPECT_EQ(lines[4], "confirm: Ihre Version: 1.9\n\rAktuelle Version:  2.0 \n\rUpdaten?");
  EXPECT_EQ(lines[8], "get to stream: http://updates.test/fendrel/ 2.0 /update.zip");
}

TEST_F(UpdateSequenceTest, FormCreateSetsThePointAsDecimalSeparator) {
  SetDecimalSeparator(u',');
  http.Newest = u"1.5";
  ui.Answers = {platform::ui::mrCancel};
  const Lines lines = Run(u"1.4");
  EXPECT_EQ(DecimalSeparator(), u'.');
  EXPECT_EQ(lines[4], kUpdateQuestion);
}

}  // namespace
