// Throughput of ReadStream over loopback, against a plain receive loop with 32 KB buffers in
// the same run (best of three runs per phase), and the peak memory of the process after each
// phase: a transfer of any length through ReadStream must leave it where the plain loop left it.
//
//   ReadStreamBench [megabytes]      (default 1024; the file phase writes into /tmp)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/Stream.h"
#include "net/IdIOHandler.h"
#include "net/IdTCPClient.h"
#include "support/DiscardStream.h"
#include "support/LoopbackSocket.h"

namespace {

using testsupport::DiscardStream;

// Serves one connection on 127.0.0.1 with count bytes, sent in 64 KB blocks, then closes.
class Sender {
 public:
  explicit Sender(std::int64_t count) : FCount(count) {
    FListener = testsupport::BindLoopbackSocket(testsupport::LoopbackFamily::IPv4);
    if (FListener < 0 || ::listen(FListener, 1) != 0) {
      std::perror("listener");
      std::exit(1);
    }
    FPort = testsupport::LocalPort(FListener);
    FThread = std::thread([this] { Run(); });
  }
  ~Sender() {
    FThread.join();
    ::close(FListener);
  }
  std::uint16_t Port() const { return FPort; }

 private:
  void Run() {
    const int s = ::accept(FListener, nullptr, nullptr);
    if (s < 0) return;
    const std::vector<char> block(65536, 'x');
    std::int64_t left = FCount;
    while (left > 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, block.size()));
      const ssize_t sent = ::send(s, block.data(), n, MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) break;
      left -= sent;
    }
    ::shutdown(s, SHUT_WR);
    ::close(s);
  }

  std::int64_t FCount;
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::thread FThread;
};

long PeakKilobytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Result {
  std::string Name;
  std::int64_t Bytes = 0;
  double Seconds = 0;
  long PeakKb = 0;
  double MBps() const { return Seconds > 0 ? static_cast<double>(Bytes) / (1024.0 * 1024.0) / Seconds : 0; }
};

// The best of a few runs, since the machine is shared.
constexpr int kRuns = 3;

Result Measure(const std::string& name, const std::function<std::int64_t()>& run) {
  Result best;
  best.Name = name;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t bytes = run();
    const auto stop = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(stop - start).count();
    if (i == 0 || seconds < best.Seconds) {
      best.Seconds = seconds;
      best.Bytes = bytes;
    }
  }
  best.PeakKb = PeakKilobytes();
  return best;
}

// The reference: one receive of up to 32 KB after the other until the peer closes; with
// waitFirst each receive is preceded by a readability wait, as the handler does it.
std::int64_t PlainReceiveLoop(std::int64_t count, bool waitFirst) {
  Sender sender(count);
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(sender.Port());
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  std::vector<char> buffer(32768);
  std::int64_t total = 0;
  for (;;) {
    if (waitFirst) {
      fd_set read;
      FD_ZERO(&read);
      FD_SET(s, &read);
      if (::select(s + 1, &read, nullptr, nullptr, nullptr) < 0 && errno != EINTR) break;
    }
    const ssize_t n = ::recv(s, buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  ::close(s);
  return total;
}

// ReadStream of a client connected to a fresh sender; counted or until the peer closes.
std::int64_t ThroughReadStream(std::int64_t count, TStream& target, bool counted) {
  Sender sender(count);
  TIdTCPClient client;
  client.Connect(u"127.0.0.1", sender.Port());
  const std::int64_t before = target.Position();
  client.IOHandler()->ReadStream(target, counted ? count : -1, !counted);
  client.Disconnect();
  return target.Position() - before;
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
  const std::int64_t count = megabytes * 1024 * 1024;
  const std::string fileName = "/tmp/fendrel-readstream-bench-" + std::to_string(::getpid()) + ".bin";

  std::vector<Result> results;
  results.push_back(Measure("recv loop, 32 KB buffers", [&] { return PlainReceiveLoop(count, false); }));
  results.push_back(
      Measure("select + recv loop, 32 KB buffers", [&] { return PlainReceiveLoop(count, true); }));
  results.push_back(Measure("ReadStream counted -> discard", [&] {
    DiscardStream target;
    return ThroughReadStream(count, target, true);
  }));
  results.push_back(Measure("ReadStream until close -> discard", [&] {
    DiscardStream target;
    return ThroughReadStream(count, target, false);
  }));
  results.push_back(Measure("ReadStream counted -> file", [&] {
    TFileStream target(FromUtf8(fileName), fmCreate);
    return ThroughReadStream(count, target, true);
  }));
  ::unlink(fileName.c_str());

  std::printf("%-36s %12s %10s %10s %14s\n", "phase", "bytes", "seconds", "MB/s", "peak RSS (KB)");
  for (const Result& r : results)
    std::printf("%-36s %12lld %10.3f %10.1f %14ld\n", r.Name.c_str(), static_cast<long long>(r.Bytes),
                r.Seconds, r.MBps(), r.PeakKb);
  const double reference = results[0].MBps();
  for (std::size_t i = 1; i < results.size(); ++i)
    std::printf("%-36s %.2f of the recv loop\n", results[i].Name.c_str(),
                reference > 0 ? results[i].MBps() / reference : 0);
  for (const Result& r : results) {
    if (r.Bytes != count) {
      std::printf("FAILED: %s moved %lld of %lld bytes\n", r.Name.c_str(), static_cast<long long>(r.Bytes),
                  static_cast<long long>(count));
      return 1;
    }
  }
  return 0;
}
