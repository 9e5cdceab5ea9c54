// The signature check of a keyed updater against a plain read of the same archive file
// (64 KB blocks through TFileStream), best of three runs each, and the peak memory of the
// process after each phase: the check must cost about one read of the file and take the
// same memory whatever the archive's size.
//
//   SignatureCheckBench [megabytes]      (default 256; the archive is written into /tmp)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/Stream.h"
#include "signature/ArchiveSignature.h"
#include "support/SigningKeys.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"

namespace {

long PeakKilobytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double BestSeconds(const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 256;
  TTempDirectory scratch;
  const std::string path = scratch / "update.zip";
  // One stored entry of random bytes, made and signed by a child process, so that the
  // archive held in memory there does not count in this process's peak.
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<testsupport::ZipFixtureEntry> entries(1);
    entries[0].Name = "fendrel.exe";
    entries[0].Data.resize(static_cast<std::size_t>(megabytes) << 20);
    std::mt19937_64 random(1);
    for (char& c : entries[0].Data) c = static_cast<char>(random());
    TTempDirectory::WriteFile(path, testsupport::MakeZip(entries));
    signature::SignArchive(FromUtf8(path), testsupport::TrustedTestKeys().SecretKey, "1.5");
    ::_exit(0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0) {
    std::fprintf(stderr, "the archive could not be made\n");
    return 1;
  }
  const long peakBefore = PeakKilobytes();

  std::vector<char> block(65536);
  const double read = BestSeconds([&] {
    TFileStream file(FromUtf8(path), fmOpenRead | fmShareDenyWrite);
    while (file.Read(block.data(), static_cast<std::int64_t>(block.size())) > 0) {
    }
  });
  const long peakRead = PeakKilobytes();
  const double check = BestSeconds([&] {
    if (signature::VerifyArchiveFile(FromUtf8(path), testsupport::TrustedTestKeys().PublicKey, "1.5") !=
        "1.5")
      std::exit(1);
  });
  const long peakCheck = PeakKilobytes();

  const double mb = static_cast<double>(megabytes);
  std::printf("archive: %lld MB (peak memory before: %ld KB)\n", static_cast<long long>(megabytes),
              peakBefore);
  std::printf("plain read:      %8.1f MB/s  (peak %ld KB)\n", mb / read, peakRead);
  std::printf("signature check: %8.1f MB/s  (peak %ld KB)\n", mb / check, peakCheck);
  std::printf("check / read time: %.2f\n", check / read);
  return 0;
}
