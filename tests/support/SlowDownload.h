#ifndef FENDREL_TESTS_SUPPORT_SLOWDOWNLOAD_H
#define FENDREL_TESTS_SUPPORT_SLOWDOWNLOAD_H

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/HttpRouteServer.h"
#include "support/TempDirectory.h"
#include "updater/UpdaterSystem.h"

// What the window tests of a slow download share, on every backend: the update server on
// 127.0.0.1 that sends the archive slowly, a system that records instead of acting, a
// working folder of the test's own, and the check of what a cancelled download leaves.
namespace testsupport {

// Records what the sequence would do to the system instead of doing it.
class TRecordingSystem final : public updater::IUpdaterSystem {
 public:
  std::vector<std::string> Calls;
  int TerminateProcessesByName(const String& name) override {
    Calls.push_back("terminate " + ToUtf8(name));
    return 0;
  }
  bool ShellOpen(const String& fileName, const String&) override {
    Calls.push_back("open " + ToUtf8(fileName));
    return true;
  }
  bool DeleteFile(const String& fileName) override {
    Calls.push_back("delete " + ToUtf8(fileName));
    return true;
  }
};

// 3 MB in pieces of 64 KB with a pause after each: a download of a few seconds.
constexpr std::size_t kSlowArchiveSize = 3 * 1024 * 1024;

// "newest" answers 1.5; its archive comes slowly.
inline std::map<std::string, RouteResponse> SlowUpdateRoutes() {
  RouteResponse archive = HttpResponse(200, "OK", std::string(kSlowArchiveSize, 'x'), "application/zip");
  archive.PieceSize = 64 * 1024;
  archive.PauseMilliseconds = 60;
  return {{"/newest", HttpResponse(200, "OK", "1.5")}, {"/1.5/update.zip", archive}};
}

// A fresh temporary folder that is the working directory while the object lives.
class TWorkingFolder {
 public:
  TWorkingFolder() : FPrevious(std::filesystem::current_path()) {
    std::filesystem::current_path(FDir.Path());
  }
  ~TWorkingFolder() { std::filesystem::current_path(FPrevious); }
  TWorkingFolder(const TWorkingFolder&) = delete;
  TWorkingFolder& operator=(const TWorkingFolder&) = delete;
  const std::filesystem::path& Path() const { return FDir.Path(); }

 private:
  TTempDirectory FDir;
  std::filesystem::path FPrevious;
};

// A download cancelled half-way: the connection was dropped before the archive's end, and
// the part written stays in the working folder.
inline void ExpectDownloadCancelledHalfway(const HttpRouteServer& server,
                                           const std::filesystem::path& folder) {
  for (int i = 0; i < 500 && server.ResponsesAbandoned() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(server.ResponsesAbandoned(), 1);
  const std::filesystem::path download = folder / "update.zip";
  ASSERT_TRUE(std::filesystem::exists(download));
  EXPECT_GT(std::filesystem::file_size(download), 0u);
  EXPECT_LT(std::filesystem::file_size(download), kSlowArchiveSize);
}

}  // namespace testsupport

#endif
