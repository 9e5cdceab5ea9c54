#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "platform/Program.h"
#include "platform/ui/Application.h"
#include "signature/SignatureFailures.h"
#include "support/FakeUserInterface.h"
#include "support/RunningExecutable.h"
#include "support/SigningKeys.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"
#include "updater/Form1.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kBase[] = "http://updates.test/fendrel/";

// What the fake server answers.
struct HttpScript {
  std::optional<String> Newest;        // empty: the version query fails
  std::optional<std::string> Archive;  // empty: the download fails after writing Partial
  std::string Partial;
  // The events of the transfer, fired after Partial is written.
  std::function<void(updater::IHttpClient& client, TStream& destination)> Transfer;
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
    if (FScript.Transfer) {
      destination.WriteBuffer(FScript.Partial.data(), static_cast<std::int64_t>(FScript.Partial.size()));
      FScript.Transfer(*this, destination);
      // Not ended by an event: what follows is written from the start.
      destination.SetPosition(0);
      destination.SetSize(0);
    }
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
  std::string FailAt;  // the step that raises: "open archive", "extract" or "close archive"
  // Runs first at each step, with the step's name.
  std::function<void(const std::string& step)> BeforeStep;
  // When set, each step is then done by this component.
  std::unique_ptr<updater::IUnZipper> Inner;
  // The component's events while it extracts.
  std::function<void(updater::IUnZipper& component)> Extraction;
  // The bytes of each stream an archive was opened from.
  std::vector<std::string>* StreamsOpened = nullptr;
  void OpenArchive(const String& fileName) override {
    Step("open archive", fileName, u"Invalid file - not a PKZip file");
    if (Inner) {
      Inner->OnItemFailure = OnItemFailure;
      Inner->OpenArchive(fileName);
    }
  }
  void OpenArchive(std::unique_ptr<TStream> archive, const String& archiveName) override {
    Step("open archive", archiveName, u"Invalid file - not a PKZip file");
    if (StreamsOpened) {
      StreamsOpened->emplace_back(static_cast<std::size_t>(archive->Size() - archive->Position()), '\0');
      archive->ReadBuffer(StreamsOpened->back().data(),
                          static_cast<std::int64_t>(StreamsOpened->back().size()));
      archive->SetPosition(0);
    }
    if (Inner) Inner->OpenArchive(std::move(archive), archiveName);
  }
  void ExtractFiles(const String& mask) override {
    Step("extract", mask, u"Insufficient disk space");
    if (Extraction) Extraction(*this);
    if (Inner) Inner->ExtractFiles(mask);
  }
  void CloseArchive() override {
    Step("close archive", {}, u"Error writing file");
    if (Inner) Inner->CloseArchive();
  }

 private:
  void Step(const std::string& what, const String& argument, const char16_t* failure) {
    if (argument.empty())
      FLog.Add(what);
    else
      FLog.Add(what, argument);
    if (BeforeStep) BeforeStep(what);
    if (FailAt == what) throw Exception(failure);
  }

  EventLog& FLog;
};

class FakeSystem final : public updater::IUpdaterSystem {
 public:
  explicit FakeSystem(EventLog& log) : FLog(log) {}
  std::function<void()> BeforeTerminate;  // runs before each recorded end of the application
  int TerminateProcessesByName(const String& name) override {
    if (BeforeTerminate) BeforeTerminate();
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
    unzipOwned->FailAt = failAt;
    unzipOwned->BeforeStep = beforeUnzipperStep;
    unzipOwned->Extraction = extraction;
    if (realUnzipper) unzipOwned->Inner = updater::CreateAbUnZipper();
    unzipOwned->StreamsOpened = &streamsOpened;
    updater::TForm1 form(application, clock, system, std::move(httpOwned), std::move(unzipOwned),
                         {argument, FromUtf8(kBase), programDir, publicKey},
                         updateLog != nullptr ? *updateLog : updater::NullUpdateLog());
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
  std::string failAt;
  String programDir = u"/opt/fendrel/";
  String publicKey;
  std::function<void(const std::string& step)> beforeUnzipperStep;
  std::function<void(updater::IUnZipper& component)> extraction;
  bool realUnzipper = false;  // the fake's steps are then done by the real component
  std::vector<std::string> streamsOpened;
  updater::IUpdateLog* updateLog = nullptr;  // none: the null log
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

// The program's directory above with the delimiter the path of the archive adds.
const std::string kArchive =
    std::string("/opt/fendrel/") + static_cast<char>(platform::PathDelim) + "update.zip";

const Lines kStart = {"window: Fendrel! Update", "sleep 1000", "activate"};

const Lines kCloseCountdown = {"status: Schließe Anwendung (2)", "process", "sleep 1000",
                               "status: Schließe Anwendung (1)", "process", "sleep 1000",
                               "status: Schließe Anwendung (0)", "close"};

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string kUpdateQuestion = "confirm: Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?";
const std::string kCloseQuestion = "confirm: Fendrel! muss geschlossen werden\n\rOK?";
const std::string kFailure = "message Updater: unbekannter Fehler :(";

// From 1.4: the update agreed to, the download of 1.5 failed, the closing countdown.
const Lines kFailedDownload = Join(
    {kStart,
     {"get: http://updates.test/fendrel/newest", kUpdateQuestion, "activate", "status: Lade neue Version",
      "process", "get to stream: http://updates.test/fendrel/1.5/update.zip", kFailure, "activate"},
     kCloseCountdown});

TEST_F(UpdateSequenceTest, WithoutArgumentAsksToStartThroughTheApplication) {
  http.Newest = u"1.5";
  EXPECT_EQ(
      Run(u""),
      Join({kStart, {"status: Bitte über Fendrel! starten", "process", "sleep 2000"}, kCloseCountdown}));
}

TEST_F(UpdateSequenceTest, UpToDateCountsDownFromThree) {
  for (const auto& [installed, newest] : std::vector<std::pair<String, String>>{
           {u"2.0", u"2.0"}, {u"2.1", u"2.0"}, {u"2", u"2.00"}, {u"10", u"9.9"}}) {
    log = EventLog();
    ui.Closed = false;
    http.Newest = newest;
    EXPECT_EQ(Run(installed),
              Join({kStart,
                    {"get: http://updates.test/fendrel/newest", "status: Keine neue Version (3)", "process",
                     "sleep 1000", "status: Keine neue Version (2)", "process", "sleep 1000",
                     "status: Keine neue Version (1)", "process", "sleep 1000",
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
  EXPECT_EQ(Run(u"1.4"), Join({kStart,
                               {"get: http://updates.test/fendrel/newest",
                                kUpdateQuestion,
                                "activate",
                                "status: Lade neue Version",
                                "process",
                                "get to stream: http://updates.test/fendrel/1.5/update.zip",
                                kCloseQuestion,
                                "activate",
                                "status: Schließe Fendrel!",
                                "terminate: fendrel.exe",
                                "terminate: fendrel.exe",
                                "terminate: fendrel.exe",
                                "process",
                                "sleep 1000",
                                "status: Entpacke neue Version",
                                "open archive: " + kArchive,
                                "extract: *",
                                "close archive",
                                "process",
                                "sleep 1000",
                                "status: Starte Fendrel!",
                                "shell open: fendrel.exe dontupdate",
                                "process",
                                "sleep 1000",
                                "status: Update erfolgreich",
                                "delete: " + kArchive,
                                "process",
                                "sleep 1000"},
                               kCloseCountdown}));
  EXPECT_EQ(DownloadContent(), *http.Archive);
}

TEST_F(UpdateSequenceTest, FailedDownloadKeepsWhatWasWrittenAndEndsWithTheFixedMessage) {
  ui.Answers = {platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Partial = "PK";
  EXPECT_EQ(Run(u"1.4"), kFailedDownload);
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
  // Closing the dialog any other way counts as not OK as well.
  for (const int answer : {platform::ui::mrCancel, platform::ui::mrNone}) {
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, answer};
    http.Newest = u"1.5";
    http.Archive = "PK-archive";
    const Lines lines = Run(u"1.4");
    EXPECT_EQ(Lines(lines.end() - 10, lines.end()), Join({{kCloseQuestion, "activate"}, kCloseCountdown}))
        << answer;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("terminate"); }),
              0);
    EXPECT_EQ(DownloadContent(), "PK-archive");
  }
}

TEST_F(UpdateSequenceTest, FailedInstallationLeavesTheApplicationTerminated) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "not a zip";
  failAt = "open archive";
  const Lines lines = Run(u"1.4");
  EXPECT_EQ(Lines(lines.end() - 20, lines.end()),
            Join({{kCloseQuestion, "activate", "status: Schließe Fendrel!", "terminate: fendrel.exe",
                   "terminate: fendrel.exe", "terminate: fendrel.exe", "process", "sleep 1000",
                   "status: Entpacke neue Version", "open archive: " + kArchive, kFailure, "activate"},
                  kCloseCountdown}));
}

// A failure while extracting or closing the archive ends the same way as one while opening
// it: the fixed message, no restart, and the archive is not deleted.
TEST_F(UpdateSequenceTest, InstallationFailuresAfterOpeningTheArchiveEndWithTheFixedMessage) {
  const struct {
    const char* FailAt;
    Lines Archive;
  } cases[] = {
      {"extract", {"open archive: " + kArchive, "extract: *"}},
      {"close archive", {"open archive: " + kArchive, "extract: *", "close archive"}},
  };
  for (const auto& c : cases) {
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    http.Newest = u"1.5";
    http.Archive = "PK";
    failAt = c.FailAt;
    const Lines lines = Run(u"1.4");
    const Lines tail =
        Join({{"status: Entpacke neue Version"}, c.Archive, {kFailure, "activate"}, kCloseCountdown});
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(tail.size()), lines.end()), tail) << c.FailAt;
    for (const auto& line : lines) {
      EXPECT_FALSE(line.starts_with("shell open") || line.starts_with("delete")) << line;
    }
  }
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
      // The fetched text is converted first: with both invalid, it is the one named.
      {u"x1", u"abc", "error Updater: 'x1' ist kein gültiger Gleitkommawert."},
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

// The archive is opened and deleted beside the running program, whatever the working
// directory is.
TEST_F(UpdateSequenceTest, TheExtractionFileLiesBesideTheRunningProgram) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "PK";
  programDir = platform::ProgramDir();
  const Lines lines = Run(u"1.4");
  const std::filesystem::path expected =
      (RunningExecutable().parent_path() / "update.zip").lexically_normal();
  for (const std::string prefix : {"open archive: ", "delete: "}) {
    const auto line =
        std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    ASSERT_NE(line, lines.end()) << prefix;
    const std::filesystem::path used(line->substr(prefix.size()));
    EXPECT_TRUE(used.is_absolute()) << *line;
    EXPECT_EQ(used.lexically_normal(), expected) << *line;
  }
}

// Without its own directory the program would look for the archive in the root directory;
// it refuses to start instead.
TEST_F(UpdateSequenceTest, WithoutAProgramDirectoryTheWindowIsNotCreated) {
  platform::ui::TApplication application(ui, u"Updater");
  try {
    updater::TForm1 form(application, clock, system, std::make_unique<FakeHttp>(log, http),
                         std::make_unique<FakeUnZipper>(log), {u"1.4", FromUtf8(kBase), u""});
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Das Verzeichnis des Programms kann nicht ermittelt werden");
  }
  EXPECT_TRUE(log.Lines().empty());
}

// The download's work events and the extraction's progress reach the window's progress,
// and the window processes its messages at most every 50 ms while they come. A click on the
// window meanwhile does not start the sequence again. The steps are those of every update.
TEST_F(UpdateSequenceTest, TheProgressEventsReachTheWindowAndKeepItAlive) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "PK-archive";
  http.Transfer = [this](updater::IHttpClient& client, TStream&) {
    client.OnWaiting();  // waiting for the response's head: the first pass
    client.OnWorkBegin(200);
    client.OnWork(50);  // within 50 ms of the last pass: no pass
    clock.Advance(50);
    client.OnWork(100);
    clock.Advance(60);
    client.OnWaiting();
    client.OnWork(200);  // too soon again
  };
  extraction = [this](updater::IUnZipper& component) {
    clock.Advance(50);
    component.OnArchiveItemProgress(40);
    component.OnArchiveProgress(50);  // too soon
    clock.Advance(50);
    component.OnArchiveProgress(100);
  };
  ui.WhileProcessing = [this] { ui.UserActivates(); };
  const Lines lines = Run(u"1.4");
  const Lines download = {"status: Lade neue Version",
                          "process",
                          "activate",
                          "get to stream: http://updates.test/fendrel/1.5/update.zip",
                          "process",
                          "activate",
                          "process",
                          "activate",
                          "process",
                          "activate",
                          kCloseQuestion};
  EXPECT_NE(std::search(lines.begin(), lines.end(), download.begin(), download.end()), lines.end());
  const Lines extracting = {"open archive: " + kArchive,
                            "extract: *",
                            "process",
                            "activate",
                            "process",
                            "activate",
                            "close archive"};
  EXPECT_NE(std::search(lines.begin(), lines.end(), extracting.begin(), extracting.end()), lines.end());
  EXPECT_EQ(ui.Progress, (std::vector<std::string>{"0/200 bytes", "100/200 bytes", "100/200 bytes", "hidden",
                                                   "0/100 steps", "0/100 steps", "100/100 steps", "hidden"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "status: Update erfolgreich"), lines.end());
  EXPECT_EQ(DownloadContent(), "PK-archive");
}

// Closing the window during the download ends it at the next event, whether bytes are
// coming or the client waits for them: the application is left alone, nothing is shown, the
// window closes, and what was written stays as after a failed download.
TEST_F(UpdateSequenceTest, ClosingTheWindowDuringTheDownloadCancelsIt) {
  for (const bool whileWaiting : {false, true}) {
    SCOPED_TRACE(whileWaiting);
    log = EventLog();
    ui.Closed = false;
    ui.Progress.clear();
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    http.Newest = u"1.5";
    http.Archive = "PK-archive";
    http.Partial = "PK";
    bool after = false;
    http.Transfer = [&](updater::IHttpClient& client, TStream&) {
      client.OnWorkBegin(1000);
      client.OnWork(2);
      clock.Advance(100);
      ui.UserCloses();
      if (whileWaiting)
        client.OnWaiting();
      else
        client.OnWork(2);
      after = true;
    };
    const Lines lines = Run(u"1.4");
    EXPECT_FALSE(after);
    EXPECT_EQ(lines, Join({kStart,
                           {"get: http://updates.test/fendrel/newest", kUpdateQuestion, "activate",
                            "status: Lade neue Version", "process",
                            "get to stream: http://updates.test/fendrel/1.5/update.zip", "process", "process",
                            "close"}}));
    EXPECT_TRUE(ui.Closed);
    EXPECT_TRUE(ui.Messages.empty());
    EXPECT_EQ(ui.Progress.back(), "hidden");
    EXPECT_EQ(DownloadContent(), "PK");
  }
}

// A close asked for while the archive is extracted waits until the application has been
// started again; then the window closes, and the rest goes on unseen as after any close.
TEST_F(UpdateSequenceTest, ClosingTheWindowDuringTheExtractionWaitsForTheRestart) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Newest = u"1.5";
  http.Archive = "PK-archive";
  extraction = [this](updater::IUnZipper& component) {
    ui.UserCloses();
    component.OnArchiveProgress(100);
    EXPECT_FALSE(ui.Closed);
  };
  const Lines lines = Run(u"1.4");
  const Lines tail = Join({{"status: Entpacke neue Version", "open archive: " + kArchive, "extract: *",
                            "process", "close archive", "process", "sleep 1000", "status: Starte Fendrel!",
                            "shell open: fendrel.exe dontupdate", "process", "sleep 1000", "close",
                            "status: Update erfolgreich", "delete: " + kArchive, "process", "sleep 1000"},
                           kCloseCountdown});
  ASSERT_GE(lines.size(), tail.size());
  EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(tail.size()), lines.end()), tail);
}

}  // namespace

namespace {

// A build with a public key: the download is checked before the close question, and the
// archive is checked again, in a private copy the component then reads.
class SignedSequenceTest : public UpdateSequenceTest {
 protected:
  void SetUp() override {
    UpdateSequenceTest::SetUp();
    publicKey = u"znT4wjm5sS8Fl6rNeaO8QrDmLjohSydskQUoH0WxWXI=";
    // The executable's folder is the working folder: the download is the archive extracted.
    programDir = FromUtf8(dir_.string()) + platform::PathDelim;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    http.Newest = u"1.5";
  }
  static std::string Archive() {
    std::vector<testsupport::ZipFixtureEntry> entries(1);
    entries[0].Name = "fendrel.exe";
    entries[0].Data = "MZ 1.5";
    return testsupport::MakeZip(entries);
  }
  static std::string Signed(const signature::TSecretKey& key) {
    return testsupport::SignedZip(Archive(), key, "1.5");
  }
};

TEST_F(SignedSequenceTest, AnArchiveWithoutAGoodSignatureIsAFailedDownload) {
  for (const std::string& archive : {Archive(), Signed(testsupport::OtherTestKeys().SecretKey)}) {
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    http.Archive = archive;
    EXPECT_EQ(Run(u"1.4"), kFailedDownload);
    EXPECT_EQ(DownloadContent(), archive);
  }
}

// What the component reads is a private copy of the archive, checked right before the
// component opens it and read by it alone: an archive file rewritten after that check,
// before the directory is read or before the entries are, is never installed, and the
// copy leaves nothing behind.
TEST_F(SignedSequenceTest, AnArchiveRewrittenAfterTheCheckIsNotInstalled) {
  const std::string good = Signed(testsupport::TrustedTestKeys().SecretKey);
  std::vector<testsupport::ZipFixtureEntry> entries(1);
  entries[0].Name = "fendrel.exe";
  entries[0].Data = "MZ 6.6";
  const std::string rewritten = testsupport::MakeZip(entries);
  http.Archive = good;
  realUnzipper = true;
  for (const std::string step : {"open archive", "extract"}) {
    SCOPED_TRACE(step);
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    streamsOpened.clear();
    std::filesystem::remove(dir_ / "fendrel.exe");
    beforeUnzipperStep = [&](const std::string& now) {
      if (now == step) TTempDirectory::WriteFile((dir_ / "update.zip").string(), rewritten);
    };
    const Lines lines = Run(u"1.4");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "status: Update erfolgreich"), lines.end());
    EXPECT_EQ(DownloadContent(), rewritten);
    EXPECT_EQ(streamsOpened, std::vector<std::string>{good});
    EXPECT_EQ(TTempDirectory::ReadFile((dir_ / "fendrel.exe").string()), "MZ 1.5");
    std::set<std::string> left;
    for (const auto& file : std::filesystem::directory_iterator(dir_))
      left.insert(file.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"fendrel.exe", "update.zip"}));
  }
}

// An archive changed between the download's check and the installation is checked again
// before the component opens anything: one that fails is never opened, and the
// installation fails as an extraction does.
TEST_F(SignedSequenceTest, AnArchiveChangedAfterTheDownloadIsNotOpened) {
  http.Archive = Signed(testsupport::TrustedTestKeys().SecretKey);
  for (const std::string& changed : {Archive(), Signed(testsupport::OtherTestKeys().SecretKey)}) {
    log = EventLog();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    system.BeforeTerminate = [&] { TTempDirectory::WriteFile((dir_ / "update.zip").string(), changed); };
    const Lines lines = Run(u"1.4");
    const auto unpacking = std::find(lines.begin(), lines.end(), "status: Entpacke neue Version");
    ASSERT_NE(unpacking, lines.end());
    EXPECT_EQ(Lines(unpacking + 1, lines.end()), Join({{kFailure, "activate"}, kCloseCountdown}));
    EXPECT_TRUE(streamsOpened.empty());
  }
}

TEST_F(SignedSequenceTest, AKeyThatIsNotOneStopsTheStart) {
  publicKey = u"znT4wjm5sS8Fl6rNeaO8QrDmLjohSydskQUoH0WxWXI";
  EXPECT_THROW(Run(u"1.4"), EAbZipBadPublicKey);
}

}  // namespace

namespace {

// The update log as the sequence writes it: the events in order, without their times.
class RecordingLog final : public updater::IUpdateLog {
 public:
  void Write(const String& event) override { Events.push_back(ToUtf8(event)); }
  Lines Events;
};

// A log whose every write fails.
class RaisingLog final : public updater::IUpdateLog {
 public:
  void Write(const String&) override { throw EWriteError(SWriteError); }
};

class LoggedSequenceTest : public UpdateSequenceTest {
 protected:
  void SetUp() override {
    UpdateSequenceTest::SetUp();
    updateLog = &recorded;
    http.Newest = u"1.5";
  }
  // The events after "run started", which names the changing working folder.
  Lines Events() const {
    EXPECT_FALSE(recorded.Events.empty());
    if (recorded.Events.empty()) return {};
    EXPECT_EQ(recorded.Events[0],
              "run started: installed version \"1.4\", update server http://updates.test/fendrel/, program "
              "folder " +
                  ToUtf8(programDir) + ", working folder " + ToUtf8(platform::CurrentDir()));
    return Lines(recorded.Events.begin() + 1, recorded.Events.end());
  }

  RecordingLog recorded;
};

const std::string kQueried =
    "done: version query, GET http://updates.test/fendrel/newest in 0.000 s: fetched "
    "version \"1.5\"";
const std::string kDownload = std::string("download, GET http://updates.test/fendrel/1.5/update.zip to .") +
                              static_cast<char>(platform::PathDelim) + "update.zip";

// Each step as it starts and as it ends, with its time (the fake clock advances by the
// sleeps only) and the bytes the download wrote.
TEST_F(LoggedSequenceTest, AWholeUpdateLogsEachStepInOrder) {
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  http.Archive = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  Run(u"1.4");
  EXPECT_EQ(Events(),
            (Lines{"step: version query, GET http://updates.test/fendrel/newest", kQueried,
                   "update from \"1.4\" to \"1.5\" agreed", "step: " + kDownload,
                   "done: " + kDownload + " in 0.000 s: 22 bytes written", "step: ending every fendrel.exe",
                   "done: ending every fendrel.exe in 1.000 s", "step: extraction of " + kArchive,
                   "done: extraction of " + kArchive + " in 1.000 s", "step: start of fendrel.exe dontupdate",
                   "done: start of fendrel.exe dontupdate in 1.000 s", "step: deletion of " + kArchive,
                   "done: deletion of " + kArchive + " in 1.000 s", "update to \"1.5\" installed"}));
}

// Whatever ends in "unbekannter Fehler :(" or the error dialog leaves its exception's
// class and message in the log; the download's failure also what it wrote.
TEST_F(LoggedSequenceTest, TheFailureBehindTheMessageIsLoggedWithItsClass) {
  const std::string shown = ", shown \"unbekannter Fehler :(\": ";
  const struct {
    const char* Name;
    std::optional<String> Newest;
    std::optional<std::string> Archive;
    std::string FailAt;
    std::string Last;
  } cases[] = {
      {"version query", std::nullopt, "PK", "",
       "failed: version query, GET http://updates.test/fendrel/newest after 0.000 s, shown in the error "
       "dialog: "
       "Exception: Socket-Fehler # 11001\r\nHost nicht gefunden.\r\n"},
      {"version text", u"1,5", "PK", "",
       "failed: version comparison after 0.000 s, shown in the error dialog: EConvertError: '1,5' ist kein "
       "gültiger Gleitkommawert"},
      {"download", u"1.5", std::nullopt, "",
       "failed: " + kDownload + " after 0.000 s with 2 bytes written" + shown +
           "Exception: HTTP/1.1 404 Not Found"},
      {"extraction", u"1.5", "PK", "extract",
       "failed: extraction of " + kArchive + " after 0.000 s" + shown + "Exception: Insufficient disk space"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    log = EventLog();
    recorded.Events.clear();
    ui.Closed = false;
    ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
    http.Newest = c.Newest;
    http.Archive = c.Archive;
    http.Partial = "PK";
    failAt = c.FailAt;
    Run(u"1.4");
    ASSERT_FALSE(recorded.Events.empty());
    EXPECT_EQ(recorded.Events.back(), c.Last);
  }
}

TEST_F(LoggedSequenceTest, DeclinedQuestionsAndAnUpToDateVersionAreLogged) {
  ui.Answers = {platform::ui::mrCancel};
  Run(u"1.4");
  EXPECT_EQ(Events(), (Lines{"step: version query, GET http://updates.test/fendrel/newest", kQueried,
                             "update from \"1.4\" to \"1.5\" declined"}));

  log = EventLog();
  recorded.Events.clear();
  ui.Closed = false;
  ui.Answers = {platform::ui::mrOk, platform::ui::mrCancel};
  http.Archive = "PK";
  Run(u"1.4");
  EXPECT_EQ(Events().back(), "closing the application declined: nothing installed, the download is kept");

  recorded.Events.clear();
  ui.Closed = false;
  http.Newest = u"1.4";
  Run(u"1.4");
  EXPECT_EQ(Events().back(), "no newer version: installed \"1.4\", fetched \"1.4\"");
}

// Entries the real component could not extract, each with the exception it failed with:
// one raised while writing, one CRC-32 mismatch found after decoding. The update goes on
// as before.
TEST_F(LoggedSequenceTest, EachEntryThatFailedIsLoggedWithItsException) {
  programDir = FromUtf8(dir_.string()) + platform::PathDelim;
  realUnzipper = true;
  ui.Answers = {platform::ui::mrOk, platform::ui::mrOk};
  std::vector<testsupport::ZipFixtureEntry> entries(3);
  entries[0].Name = "blocked.txt";
  entries[0].Data = "new";
  entries[1].Name = "data.txt";
  entries[1].Data = "neu\n";
  entries[1].Crc = 0x12345678;
  entries[2].Name = "good.txt";
  entries[2].Data = "good";
  http.Archive = testsupport::MakeZip(entries);
  std::filesystem::create_directory(dir_ / "blocked.txt");  // a folder in the way
  const Lines lines = Run(u"1.4");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "status: Update erfolgreich"), lines.end());
  EXPECT_EQ(TTempDirectory::ReadFile((dir_ / "good.txt").string()), "good");
  const Lines events = Events();
  const auto extraction = std::find_if(
      events.begin(), events.end(), [](const std::string& e) { return e.starts_with("step: extraction"); });
  ASSERT_NE(extraction, events.end());
  ASSERT_GE(events.end() - extraction, 4);
  EXPECT_TRUE(extraction[1].starts_with("entry failed: \"blocked.txt\": EFCreateError: ")) << extraction[1];
  EXPECT_EQ(extraction[2], "entry failed: \"data.txt\": EAbZipBadCRC: Failed CRC Check");
  EXPECT_TRUE(extraction[3].starts_with("done: extraction")) << extraction[3];
}

// A log that fails on every write changes nothing the sequence does, on any path.
TEST_F(LoggedSequenceTest, ALogThatRaisesOnEveryWriteChangesNothing) {
  const struct {
    const char* Name;
    std::optional<String> Newest;
    std::optional<std::string> Archive;
    std::string FailAt;
    std::deque<int> Answers;
  } cases[] = {
      {"whole update", u"1.5", "PK", "", {platform::ui::mrOk, platform::ui::mrOk}},
      {"version query", std::nullopt, "PK", "", {}},
      {"up to date", u"1.4", "PK", "", {}},
      {"declined", u"1.5", "PK", "", {platform::ui::mrCancel}},
      {"download", u"1.5", std::nullopt, "", {platform::ui::mrOk}},
      {"extraction", u"1.5", "PK", "extract", {platform::ui::mrOk, platform::ui::mrOk}},
  };
  RaisingLog raising;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> contents;
    std::vector<Lines> runs;
    for (updater::IUpdateLog* used :
         {static_cast<updater::IUpdateLog*>(nullptr), static_cast<updater::IUpdateLog*>(&raising)}) {
      log = EventLog();
      ui.Closed = false;
      ui.Answers = c.Answers;
      http.Newest = c.Newest;
      http.Archive = c.Archive;
      http.Partial = "PK";
      failAt = c.FailAt;
      updateLog = used;
      std::filesystem::remove(dir_ / "update.zip");
      runs.push_back(Run(u"1.4"));
      contents.push_back(DownloadExists() ? DownloadContent() : "(none)");
    }
    EXPECT_EQ(runs[1], runs[0]);
    EXPECT_EQ(contents[1], contents[0]);
  }
}

}  // namespace
