// One large entry per method that a library decodes, extracted by this system, 7z and
// bsdtar, each run in a process of its own: wall time (best of three) and peak resident
// memory. (Whole-archive extraction against bsdtar, 7z and unzip is bench/extract-bench.)
//
//   ExtractBench --methods [--entry-mb N] [WORKDIR]
//   ExtractBench --extract ARCHIVE DIR [PASSWORD]   (the unzipper alone, kept paths; used
//                                                    by the above)
//
// The entry is N MB (default 200) of mixed contents, compressed with bzip2 (zip -Z bzip2),
// LZMA and PPMd (7z); the ratio is against the peer that decodes with the same library
// code (bzip2: bsdtar, which uses libbz2; LZMA and PPMd: 7z, whose decoders the LZMA SDK's
// are).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "unzip/AbUnZipper.h"

namespace fs = std::filesystem;

namespace {

int ExtractWithUnZipper(const std::string& archive, const std::string& dir, const std::string& password) {
  try {
    TAbUnZipper unzipper;
    unzipper.SetPassword(password);
    unzipper.SetExtractOptions({TAbExtractOption::eoCreateDirs, TAbExtractOption::eoRestorePath});
    unzipper.OpenArchive(FromUtf8(fs::absolute(archive).string()));
    unzipper.SetBaseDirectory(FromUtf8(fs::absolute(dir).string()));
    int failures = 0;
    unzipper.OnProcessItemFailure = [&](TAbArchive&, TAbArchiveItem&, TAbProcessType, TAbErrorClass,
                                        std::int32_t) { ++failures; };
    unzipper.ExtractFiles(u"*");
    unzipper.CloseArchive();
    return failures == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
}

struct Run {
  double seconds;
  long peakKb;
  int status;
};

Run RunChild(const std::vector<std::string>& argv) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// One file of mixed contents: megabyte pieces of text, program-like bytes and random
// bytes in turn.
void MakeMixedFile(const fs::path& path, int megabytes) {
  std::mt19937_64 random(7);
  const std::vector<std::string> words = {"Fendrel", "update", "archive", "window", "status", "extract",
                                          "version", "server", "stream",  "entry",  "the",    "and"};
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  std::string piece;
  for (int i = 0; i < megabytes; ++i) {
    piece.clear();
    if (i % 3 == 0) {
      while (piece.size() < (1u << 20))
        piece += words[random() % words.size()] + (random() % 9 == 0 ? ".\n" : " ");
      piece.resize(1u << 20);
    } else if (i % 3 == 1) {
      piece.resize(1u << 20);
      for (std::size_t j = 0; j < piece.size(); ++j)
        piece[j] = static_cast<char>((random() % 4 == 0) ? random() : (j * 7 % 251));
    } else {
      piece.resize(1u << 20);
      for (auto& c : piece) c = static_cast<char>(random());
    }
    out << piece;
  }
}

Run Best(const std::vector<std::string>& argv, const fs::path& out) {
  Run best{1e30, 0, 0};
  for (int i = 0; i < 3; ++i) {
    fs::remove_all(out);
    fs::create_directories(out);
    const Run run = RunChild(argv);
    if (run.status != 0) return run;
    best.seconds = std::min(best.seconds, run.seconds);
    best.peakKb = std::max(best.peakKb, run.peakKb);
  }
  return best;
}

// One large entry per method that a library decodes, against 7z and bsdtar.
int CompareMethods(const fs::path& work, int entryMb) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as soon as it is measured
  fs::remove_all(work);
  const fs::path input = work / "inputs" / "mixed.bin";
  MakeMixedFile(input, entryMb);
  const std::string self = fs::canonical("/proc/self/exe").string();
  struct Archive {
    std::string method;
    std::string command;  // makes the archive from mixed.bin in the inputs folder
    std::string peer;     // the peer with the same decoder
  };
  const std::vector<Archive> archives = {
      {"bzip2", "zip -q -Z bzip2 ARCHIVE mixed.bin", "bsdtar"},
      {"LZMA", "7z a -bd -bso0 -tzip -mm=LZMA ARCHIVE mixed.bin", "7z"},
      {"PPMd", "7z a -bd -bso0 -tzip -mm=PPMd ARCHIVE mixed.bin", "7z"},
  };
  std::printf("%d MB entry\n%-8s %-8s %10s %10s %12s\n", entryMb, "method", "tool", "seconds", "ratio",
              "peak KiB");
  for (const auto& a : archives) {
    const fs::path zip = work / (a.method + ".zip");
    std::string command = a.command;
    command.replace(command.find("ARCHIVE"), 7, "'" + zip.string() + "'");
    if (std::system(("cd '" + input.parent_path().string() + "' && " + command).c_str()) != 0) return 2;
    const fs::path out = work / "out";
    const Run ours = Best({self, "--extract", zip.string(), out.string()}, out);
    const Run sevenZip = Best({"7z", "x", "-y", "-bd", "-bso0", "-o" + out.string(), zip.string()}, out);
    const Run bsdtar = Best({"bsdtar", "-xf", zip.string(), "-C", out.string()}, out);
    const Run& peer = a.peer == "7z" ? sevenZip : bsdtar;
    for (const auto& [tool, run] : {std::pair{"fendrel", ours}, {"7z", sevenZip}, {"bsdtar", bsdtar}})
      std::printf("%-8s %-8s %10.3f %10.2f %12ld%s\n", a.method.c_str(), tool, run.seconds,
                  run.seconds / peer.seconds, run.peakKb, run.status == 0 ? "" : "  (failed)");
    fs::remove(zip);
  }
  fs::remove_all(work);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--extract")
    return ExtractWithUnZipper(argv[2], argv[3], argc == 5 ? argv[4] : "");
  if (argc >= 2 && std::string(argv[1]) == "--methods") {
    int entryMb = 200;
    fs::path work = fs::temp_directory_path() / "fendrel-methods-bench";
    for (int i = 2; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--entry-mb" && i + 1 < argc)
        entryMb = std::atoi(argv[++i]);
      else
        work = arg;
    }
    return CompareMethods(work, entryMb);
  }
  std::fprintf(stderr, "usage: ExtractBench --methods [--entry-mb N] [WORKDIR]\n");
  return 2;
}
