// fendrel-check extract killed (SIGKILL) over an existing installation at many chosen
// calls: while the new files are written, at the sync that puts them on the disk, and
// between the renames. After every kill each target holds its old or its new content
// byte for byte (all old before the first rename), and the next extraction completes,
// leaves nothing beside the targets and yields the new tree.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ToolPaths.h"
#include "support/ChildProgram.h"
#include "support/TempDirectory.h"
#include "support/ZipWriter.h"

namespace {

namespace fs = std::filesystem;

// Bytes that differ from file to file and from old to new.
std::string Content(const std::string& seed, std::size_t size) {
  std::string bytes;
  bytes.reserve(size);
  std::uint32_t x = 2166136261u;
  for (char c : seed) x = (x ^ static_cast<unsigned char>(c)) * 16777619u;
  while (bytes.size() < size) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes.push_back(static_cast<char>('a' + x % 26));
  }
  return bytes;
}

struct Installation {
  std::map<std::string, std::string> Old;  // what stands in the folder before
  std::map<std::string, std::string> New;  // what the archive holds
};

// An installation of large stored files, small deflated ones, files the archive adds and
// one file it does not hold, in three folders.
Installation MakeInstallation() {
  Installation tree;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "bin/program" + std::to_string(i) + ".dll";
    tree.Old[name] = Content("old" + name, 150000 + 10000 * i);
    tree.New[name] = Content("new" + name, 160000 + 9000 * i);
  }
  for (int i = 0; i < 20; ++i) {
    const std::string name = (i % 2 == 0 ? "data/" : "") + std::string("text") + std::to_string(i) + ".txt";
    tree.Old[name] = Content("old" + name, 300 + 97 * i);
    tree.New[name] = Content("new" + name, 280 + 101 * i);
  }
  for (int i = 0; i < 3; ++i) tree.New["data/added" + std::to_string(i) + ".txt"] = Content("added", 500 + i);
  tree.Old["user-settings.ini"] = "kept";
  return tree;
}

std::string MakeArchive(const Installation& tree) {
  std::vector<TTestZipEntry> entries;
  for (const auto& [name, data] : tree.New) {
    TTestZipEntry entry{.name = name, .data = data};
    if (data.size() < 60000) {
      entry.payload = TTestZipWriter::StoredDeflate(data);
      entry.method = 8;
    }
    entries.push_back(entry);
  }
  return TTestZipWriter::Build(entries);
}

class KillDuringExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    FArchive = FDir / "update.zip";
    TTempDirectory::WriteFile(FArchive, MakeArchive(FTree));
  }

  std::string Target() const { return FDir / "app"; }

  void InstallOld() const {
    fs::remove_all(Target());
    for (const auto& [name, data] : FTree.Old) {
      fs::create_directories(fs::path(Target() + "/" + name).parent_path());
      TTempDirectory::WriteFile(Target() + "/" + name, data);
    }
  }

  // Runs the extraction; with a call name the shim kills it at that call. The run that
  // completes after a kill does not wait for the disk: only its result is looked at.
  testsupport::ProgramRun Extract(const std::string& call = {}, long at = 0) const {
    testsupport::ProgramCall run;
    run.Program = kCheckToolPath;
    run.Arguments = {"extract", FArchive, Target(), "--restore-paths"};
    if (call.empty()) run.Arguments.push_back("--no-sync");
    run.TimeoutMilliseconds = 60000;
    if (!call.empty()) {
      const char* asan = std::getenv("ASAN_OPTIONS");
      run.Environment = {{"LD_PRELOAD", FENDREL_KILL_SHIM},
                         {"FENDREL_KILL_CALL", call},
                         {"FENDREL_KILL_AT", std::to_string(at)},
                         {"FENDREL_CALL_COUNTS", FDir / "counts"},
                         // The shim is loaded before the sanitizer's runtime, which is then fine.
                         {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"}};
    }
    return testsupport::RunProgram(run);
  }

  std::map<std::string, long> Counts() const {
    std::map<std::string, long> counts;
    std::istringstream in(TTempDirectory::ReadFile(FDir / "counts"));
    std::string name;
    long count;
    while (in >> name >> count) counts[name] = count;
    return counts;
  }

  // Files whose name marks them as an extraction's unfinished new files.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(Target()))
      if (e.path().filename().string().starts_with(".fendrel-")) found.push_back(e.path().string());
    return found;
  }

  // How many targets hold their new content; fails for a target that holds neither.
  int NewTargets(const std::string& point) const {
    int fresh = 0;
    for (const auto& [name, data] : FTree.New) {
      const std::string path = Target() + "/" + name;
      const auto old = FTree.Old.find(name);
      if (!fs::exists(path)) {
        EXPECT_TRUE(old == FTree.Old.end()) << point << ": " << name << " is gone";
        continue;
      }
      const std::string now = TTempDirectory::ReadFile(path);
      if (now == data) {
        ++fresh;
      } else {
        EXPECT_TRUE(old != FTree.Old.end() && now == old->second)
            << point << ": " << name << " is neither old nor new (" << now.size() << " bytes)";
      }
    }
    EXPECT_EQ(TTempDirectory::ReadFile(Target() + "/user-settings.ini"), "kept") << point;
    return fresh;
  }

  TTempDirectory FDir;
  std::string FArchive;
  Installation FTree = MakeInstallation();
};

TEST_F(KillDuringExtract, EveryTargetIsOldOrNewAndTheNextExtractionCompletes) {
  // A run to the end counts the calls.
  InstallOld();
  const testsupport::ProgramRun counted = Extract("none");
  ASSERT_EQ(counted.ExitCode, 0) << counted.Out << counted.Err;
  const std::map<std::string, long> counts = Counts();
  ASSERT_EQ(NewTargets("counted run"), static_cast<int>(FTree.New.size()));
  const long writes = counts.at("write");
  const long renames = counts.at("rename");
  ASSERT_EQ(renames, static_cast<long>(FTree.New.size()));
  // Data reaches the disk before the renames: one sync of the file system, or one per file.
  ASSERT_TRUE(counts.at("syncfs") >= 1 || counts.at("fdatasync") >= static_cast<long>(FTree.New.size()));
  ASSERT_GE(writes, 30);

  struct Point {
    std::string Call;
    long At;
    bool BeforeFirstRename;
  };
  std::vector<Point> points;
  for (int i = 0; i < 30; ++i) points.push_back({"write", 1 + (writes - 1) * i / 29, true});
  for (const char* barrier : {"syncfs", "fdatasync"})
    for (long i = 1; i <= std::min(counts.at(barrier), 3L); ++i) points.push_back({barrier, i, true});
  for (long i = 1; i <= renames; ++i) points.push_back({"rename", i, i == 1});
  // The folders are flushed after the last rename.
  for (long i = 1; i <= counts.at("fsync"); ++i) points.push_back({"fsync", i, false});
  ASSERT_GE(points.size(), 50u);

  for (const Point& point : points) {
    const std::string name = point.Call + " #" + std::to_string(point.At);
    InstallOld();
    const testsupport::ProgramRun killed = Extract(point.Call, point.At);
    ASSERT_EQ(killed.Signal, SIGKILL) << name << ": " << killed.Out << killed.Err;
    const int fresh = NewTargets(name);
    if (point.BeforeFirstRename) {
      EXPECT_EQ(fresh, 0) << name;
    }
    if (point.Call == "rename") {
      EXPECT_EQ(fresh, point.At - 1) << name;
    }

    const testsupport::ProgramRun next = Extract();
    ASSERT_EQ(next.ExitCode, 0) << name << ": " << next.Out << next.Err;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << name;
    EXPECT_EQ(NewTargets(name + ", then completed"), static_cast<int>(FTree.New.size()));
    if (HasFailure()) return;
  }
}

}  // namespace
