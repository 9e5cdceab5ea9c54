#include "support/MadeTestData.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/ChildProgram.h"
#include "support/PeerServers.h"
#include "support/TempDirectory.h"

namespace testsupport {
namespace {

// Runs a maker in the folder and raises its output when it fails.
void RunMaker(const std::string& folder, const std::string& program, std::vector<std::string> arguments) {
  ProgramCall call;
  call.Program = FindProgram(program);
  if (call.Program.empty()) throw std::runtime_error(program + " is not installed");
  call.Arguments = std::move(arguments);
  call.WorkingDirectory = folder;
  const ProgramRun run = RunProgram(call);
  if (run.ExitCode != 0)
    throw std::runtime_error(program + " failed (" + std::to_string(run.ExitCode) + "): " + run.Out +
                             run.Err);
}

}  // namespace

std::string MissingMakers(const std::vector<std::string>& programs) {
  std::string missing;
  for (const std::string& program : programs) {
    if (!FindProgram(program).empty()) continue;
    missing += (missing.empty() ? "" : ", ") + program;
  }
  return missing;
}

std::string ZeroBytes(std::size_t size) {
  return std::string(size, '\0');
}

std::string TextBytes(std::size_t size) {
  std::string text;
  for (unsigned line = 0; text.size() < size; ++line)
    text += "line " + std::to_string(line * 7919 % 10007) + ": the quick brown fox " +
            std::string(line % 13, '.') + "\n";
  text.resize(size);
  return text;
}

std::string MakeZipWith7z(const std::vector<std::pair<std::string, std::string>>& files,
                          const std::string& methodOption) {
  TTempDirectory folder;
  std::vector<std::string> arguments{"a", "-tzip", methodOption, "-bd", "-y", "made.zip"};
  for (const auto& [name, contents] : files) {
    TTempDirectory::WriteFile(folder / name, contents);
    arguments.push_back(name);
  }
  RunMaker(folder.Path().string(), "7z", arguments);
  return TTempDirectory::ReadFile(folder / "made.zip");
}

std::string MakeWavPack(const std::string& wavFile) {
  TTempDirectory folder;
  TTempDirectory::WriteFile(folder / "made.wav", wavFile);
  RunMaker(folder.Path().string(), "wavpack", {"-q", "-y", "made.wav", "-o", "made.wv"});
  return TTempDirectory::ReadFile(folder / "made.wv");
}

std::string UnpackWavPack(const std::string& stream) {
  TTempDirectory folder;
  TTempDirectory::WriteFile(folder / "made.wv", stream);
  RunMaker(folder.Path().string(), "wvunpack", {"-q", "-y", "made.wv", "-o", "made.wav"});
  return TTempDirectory::ReadFile(folder / "made.wav");
}

}  // namespace testsupport
