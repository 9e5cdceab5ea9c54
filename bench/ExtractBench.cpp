// Whole-archive extraction against unzip, bsdtar and 7z on the same archives, each run
// in a process of its own: wall time (best of three) and peak resident memory.
//
//   ExtractBench [--mixed-mb N] [--small-files N] [WORKDIR]
//   ExtractBench --methods [--entry-mb N] [WORKDIR]
//   ExtractBench --extract ARCHIVE DIR [PASSWORD]   (the unzipper alone, kept paths; used
//                                                    by the above)
//
// The archives are made with zip: a mixed one (text, program-like bytes, already
// compressed bytes; deflated), the same files deflated with a password (traditional
// encryption, zip -P), the same files stored, and one of many small files.
// With --methods: one entry of N MB (default 200) of the same mixed kind, compressed with
// bzip2 (zip -Z bzip2), LZMA and PPMd (7z), extracted by this system, 7z and bsdtar; the
// ratio is against the peer that decodes with the same library code (bzip2: bsdtar, which
// uses libbz2; LZMA and PPMd: 7z, whose decoders the LZMA SDK's are).
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

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Deterministic contents: text, program-like bytes and random (incompressible) bytes.
void MakeInputs(const fs::path& mixed, const fs::path& small, int mixedMb, int smallFiles) {
  std::mt19937_64 random(42);
  const std::vector<std::string> words = {"Fendrel", "update",  "archive", "window", "status",
                                          "extract", "version", "server",  "stream", "entry",
                                          "the",     "and",     "of"};
  const std::size_t part = static_cast<std::size_t>(mixedMb) * (1 << 20) / 12;
  for (int i = 0; i < 4; ++i) {
    std::string text;
    while (text.size() < part) text += words[random() % words.size()] + (random() % 9 == 0 ? ".\n" : " ");
    WriteFile(mixed / "docs" / ("text" + std::to_string(i) + ".txt"), text);
    std::string program(part, '\0');
    for (std::size_t j = 0; j < program.size(); ++j)
      program[j] = static_cast<char>((random() % 4 == 0) ? random() : (j * 7 % 251));
    WriteFile(mixed / "bin" / ("program" + std::to_string(i) + ".exe"), program);
    std::string noise(part, '\0');
    for (auto& c : noise) c = static_cast<char>(random());
    WriteFile(mixed / "media" / ("packed" + std::to_string(i) + ".bin"), noise);
  }
  for (int i = 0; i < smallFiles; ++i) {
    std::string text;
    const std::size_t size = 200 + random() % 3000;
    while (text.size() < size) text += words[random() % words.size()] + " ";
    WriteFile(small / ("d" + std::to_string(i % 50)) / ("f" + std::to_string(i) + ".txt"), text);
  }
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
  int mixedMb = 150, smallFiles = 5000;
  fs::path work = fs::temp_directory_path() / "fendrel-extract-bench";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--mixed-mb" && i + 1 < argc)
      mixedMb = std::atoi(argv[++i]);
    else if (arg == "--small-files" && i + 1 < argc)
      smallFiles = std::atoi(argv[++i]);
    else
      work = arg;
  }
  fs::remove_all(work);
  const fs::path inputs = work / "inputs";
  MakeInputs(inputs / "mixed", inputs / "small", mixedMb, smallFiles);
  const std::string self = fs::canonical("/proc/self/exe").string();
  struct Archive {
    std::string name;
    std::string zipOption;
    std::string folder;
    std::string password;
  };
  const std::vector<Archive> archives = {{"mixed (deflate)", "-6", "mixed", ""},
                                         {"mixed (zip -P)", "-6", "mixed", "Fendrel-2024!"},
                                         {"mixed (stored)", "-0", "mixed", ""},
                                         {"small files", "-6", "small", ""}};
  std::printf("%-16s %-8s %10s %10s %12s\n", "archive", "tool", "seconds", "ratio", "peak KiB");
  for (const auto& a : archives) {
    const bool encrypted = !a.password.empty();
    const fs::path zip = work / (a.folder + a.zipOption + (encrypted ? "-P" : "") + ".zip");
    const std::string command = "cd '" + (inputs / a.folder).string() + "' && zip -q -r " + a.zipOption +
                                (encrypted ? " -P '" + a.password + "'" : "") + " '" + zip.string() + "' .";
    if (std::system(command.c_str()) != 0) return 2;
    const fs::path out = work / "out";
    std::vector<std::string> oursArgs{self, "--extract", zip.string(), out.string()};
    std::vector<std::string> unzipArgs{"unzip", "-q", "-o", zip.string(), "-d", out.string()};
    std::vector<std::string> bsdtarArgs{"bsdtar", "-xf", zip.string(), "-C", out.string()};
    std::vector<std::string> sevenZipArgs{"7z", "x", "-y", "-bd", "-bso0", "-o" + out.string(), zip.string()};
    if (encrypted) {
      oursArgs.push_back(a.password);
      unzipArgs.insert(unzipArgs.begin() + 1, {"-P", a.password});
      bsdtarArgs.insert(bsdtarArgs.begin() + 1, {"--passphrase", a.password});
      sevenZipArgs.push_back("-p" + a.password);
    }
    const Run ours = Best(oursArgs, out);
    const Run unzip = Best(unzipArgs, out);
    const Run bsdtar = Best(bsdtarArgs, out);
    const Run sevenZip = Best(sevenZipArgs, out);
    for (const auto& [tool, run] :
         {std::pair{"fendrel", ours}, {"unzip", unzip}, {"bsdtar", bsdtar}, {"7z", sevenZip}})
      std::printf("%-16s %-8s %10.3f %10.2f %12ld%s\n", a.name.c_str(), tool, run.seconds,
                  run.seconds / unzip.seconds, run.peakKb, run.status == 0 ? "" : "  (failed)");
  }
  fs::remove_all(work);
  return 0;
}
