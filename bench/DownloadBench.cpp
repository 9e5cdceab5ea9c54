// Download of one large file from nginx on 127.0.0.1 with the updater's client (Get into a
// stream, with the updater's time-outs, through the CRC-32 counting stream of extraction)
// against curl, in the same run: into a stream that discards the bytes and into a file. Every phase runs as a
// process of its own, so throughput, CPU time (user + system) and peak memory (maximum resident set) are
// measured alike for both; each phase runs three times, interleaved, and the fastest run counts.
//
//   DownloadBench [megabytes]        (default 1024; needs nginx and curl; bench/download-bench
//                                     builds and runs it)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/AbUnzipStreams.h"
#include "core/Crc32.h"
#include "core/Stream.h"
#include "core/String.h"
#include "http/IdHTTP.h"
#include "support/DiscardStream.h"
#include "support/PeerServers.h"
#include "updater/UpdaterHttpClient.h"

extern char** environ;

namespace {

using testsupport::DiscardStream;

// The child: one Get as the updater's download makes it, the bytes passing through the
// CRC-32 counting stream that extraction writes through, into a discarding stream or a file;
// prints the number of bytes received and their CRC-32.
int RunChild(const std::string& url, const std::string& target) {
  try {
    TIdHTTP http;
    updater::ApplyUpdaterSettings(http);
    std::int64_t received = 0;
    std::uint32_t crc = 0;
    const auto get = [&](TStream& destination) {
      TAbUnzipOutputStream counting(destination);
      http.Get(FromUtf8(url), counting);
      received = counting.BytesWritten();
      crc = counting.CRC32();
    };
    if (target == "discard") {
      DiscardStream stream;
      get(stream);
    } else {
      TFileStream stream(FromUtf8(target), fmCreate);
      get(stream);
    }
    std::printf("%lld %08x\n", static_cast<long long>(received), static_cast<unsigned>(crc));
    return 0;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", ToUtf8(e.ClassName()).c_str(), e.what());
    return 1;
  }
}

// The CRC-32 of size zero bytes, which is what nginx serves.
std::uint32_t CrcOfZeros(std::int64_t size) {
  static const std::vector<std::uint8_t> zeros(1 << 20);
  std::uint32_t reg = kCrc32Preset;
  for (std::int64_t left = size; left > 0; left -= static_cast<std::int64_t>(zeros.size()))
    reg =
        Crc32Update(reg, zeros.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, zeros.size())));
  return ~reg;
}

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  std::int64_t bytes = -1;
  long long crc = -1;  // printed by our client only
  bool ok = false;
};

// Runs a program to its end with its standard output in a file; wall time and the child's own
// resource use.
Run Measure(const std::vector<std::string>& argv, const std::string& outputFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  Run run;
  pid_t pid = -1;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peakKb = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (FILE* out = std::fopen(outputFile.c_str(), "r")) {
    long long bytes = -1;
    unsigned crc = 0;
    const int fields = std::fscanf(out, "%lld %x", &bytes, &crc);
    if (fields >= 1) run.bytes = bytes;
    if (fields == 2) run.crc = crc;
    std::fclose(out);
  }
  return run;
}

std::int64_t FileSize(const std::string& path) {
  struct stat s {};
  return ::stat(path.c_str(), &s) == 0 ? static_cast<std::int64_t>(s.st_size) : -1;
}

struct Phase {
  std::string name;
  std::vector<std::string> argv;
  std::string file;  // the file it writes, or empty
  Run best;
  long peakKb = 0;
  double cpuSum = 0;
  int runs = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2], argv[3]);

  const std::int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
  const std::int64_t size = megabytes * 1024 * 1024;
  const std::string curl = testsupport::FindProgram("curl");
  if (!testsupport::NginxServer::Available() || curl.empty()) {
    std::fprintf(stderr, "needs nginx and curl (scripts/setup installs both)\n");
    return 2;
  }
  char self[4096] = {};
  if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 2;

  testsupport::ScratchFolder folder("fendrel-download-bench");
  folder.WriteFile("www/update.zip", "");
  {
    // A file of the full size without writing it: both clients read the same pages from nginx.
    const std::string path = folder.Path() + "/www/update.zip";
    if (::truncate(path.c_str(), size) != 0) {
      std::perror("truncate");
      return 2;
    }
  }
  testsupport::NginxServer nginx(folder);
  const std::string url = nginx.BaseURL() + "/update.zip";
  const std::string output = folder.Path() + "/stdout.txt";
  const std::string curlFile = folder.Path() + "/curl.zip";
  const std::string ourFile = folder.Path() + "/ours.zip";

  std::vector<Phase> phases = {
      {"curl -> /dev/null",
       {curl, "-s", "-S", "-f", "-o", "/dev/null", "-w", "%{size_download}\n", url},
       {},
       {}},
      {"TIdHTTP.Get -> CRC-32 -> discard", {self, "--child", url, "discard"}, {}, {}},
      {"curl -> file",
       {curl, "-s", "-S", "-f", "-o", curlFile, "-w", "%{size_download}\n", url},
       curlFile,
       {}},
      {"TIdHTTP.Get -> CRC-32 -> file", {self, "--child", url, ourFile}, ourFile, {}},
  };
  const long long expectedCrc = CrcOfZeros(size);
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    for (Phase& phase : phases) {
      Run run = Measure(phase.argv, output);
      if (!phase.file.empty()) {
        run.bytes = FileSize(phase.file);
        ::unlink(phase.file.c_str());
      }
      if (!run.ok || run.bytes != size || (run.crc >= 0 && run.crc != expectedCrc)) {
        std::fprintf(stderr, "FAILED: %s (exit ok: %d, %lld of %lld bytes)\n", phase.name.c_str(), run.ok,
                     static_cast<long long>(run.bytes), static_cast<long long>(size));
        return 1;
      }
      if (phase.runs == 0 || run.seconds < phase.best.seconds) phase.best = run;
      phase.peakKb = std::max(phase.peakKb, run.peakKb);
      phase.cpuSum += run.cpuSeconds;
      ++phase.runs;
    }
  }

  std::printf("download of %lld MiB from nginx on 127.0.0.1, best of %d runs per phase\n",
              static_cast<long long>(megabytes), kRounds);
  std::printf("%-34s %9s %10s %12s %14s\n", "phase", "seconds", "MiB/s", "CPU s (best)", "peak RSS (KB)");
  for (const Phase& p : phases) {
    const double mibps = static_cast<double>(size) / (1024.0 * 1024.0) / p.best.seconds;
    std::printf("%-34s %9.3f %10.1f %12.3f %14ld\n", p.name.c_str(), p.best.seconds, mibps, p.best.cpuSeconds,
                p.peakKb);
  }
  bool met = true;
  for (std::size_t i = 0; i + 1 < phases.size(); i += 2) {
    const Phase& reference = phases[i];
    const Phase& ours = phases[i + 1];
    const double throughput = reference.best.seconds / ours.best.seconds;
    const double memory = static_cast<double>(ours.peakKb) / static_cast<double>(reference.peakKb);
    const bool ok = throughput >= 0.95 && ours.peakKb <= reference.peakKb;
    met = met && ok;
    std::printf("%-34s throughput %.2fx curl, CPU %.2fx curl, peak memory %.2fx curl: %s\n",
                ours.name.c_str(), throughput,
                ours.best.cpuSeconds / std::max(reference.best.cpuSeconds, 1e-6), memory,
                ok ? "goal met" : "goal NOT met");
  }
  std::printf("goal (>= 0.95x curl's throughput, peak memory <= curl's): %s\n", met ? "met" : "not met");
  return 0;
}
