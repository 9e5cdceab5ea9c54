// Inflate and CRC-32 throughput against zlib and libdeflate on the same data in one
// run. Data: C headers (text), programs (binaries) and deflated programs (already
// compressed), each deflated by zlib at level 6. Every figure is the best of several
// alternating rounds, in MB/s of decoded output per second of the thread's processor
// time.
//
//   InflateBench [megabytes per set, default 16] [rounds, default 5]
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codecs/AbDfInflate.h"
#include "core/Crc32.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Collect(const std::filesystem::path& root,
              const std::function<bool(const std::filesystem::path&)>& take, std::size_t limit) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           root, std::filesystem::directory_options::skip_permission_denied, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file(ec) && !it->is_symlink(ec) && take(it->path())) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  Bytes data;
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    data.insert(data.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (data.size() >= limit) break;
  }
  data.resize(std::min(data.size(), limit));
  return data;
}

Bytes Deflate(const Bytes& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Reads from memory; the decoder's reads are what a file would see.
class TSource : public TStream {
 public:
  explicit TSource(const Bytes& data) : FData(data) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = std::min<std::int64_t>(count, static_cast<std::int64_t>(FData.size()) - FPos);
    std::memcpy(buffer, FData.data() + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    FPos = (origin == TSeekOrigin::soBeginning ? 0
            : origin == TSeekOrigin::soCurrent ? FPos
                                               : static_cast<std::int64_t>(FData.size())) +
           offset;
    return FPos;
  }
  void SetSize(std::int64_t) override {}

 private:
  const Bytes& FData;
  std::int64_t FPos = 0;
};

// Takes the decoder's 32 KiB slides and keeps only their count.
class TSink : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    FLast = static_cast<const std::uint8_t*>(buffer)[count - 1];
    FBytes += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FBytes; }
  void SetSize(std::int64_t) override {}
  std::int64_t FBytes = 0;
  std::uint8_t FLast = 0;
};

// The thread's processor time: on a machine shared with other work, wall time would
// mostly measure the others.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Seconds(const std::function<void()>& f) {
  const double t0 = ThreadSeconds();
  f();
  return ThreadSeconds() - t0;
}

std::uint32_t OwnInflate(const Bytes& packed, std::size_t size) {
  TSource source(packed);
  TSink sink;
  const std::uint32_t crc = Inflate(source, sink, nullptr);
  if (static_cast<std::size_t>(sink.FBytes) != size) throw std::runtime_error("own inflate: wrong size");
  return crc;
}

// zlib's streaming inflate fed 16 KiB of input at a time into a 32 KiB output buffer,
// optionally with the CRC-32 a reader needs.
std::uint32_t ZlibInflate(const Bytes& packed, std::size_t size, bool withCrc) {
  z_stream z{};
  inflateInit2(&z, -15);
  std::vector<std::uint8_t> out(32768);
  std::size_t at = 0;
  std::size_t produced = 0;
  std::uint32_t crc = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.avail_in == 0) {
      const std::size_t n = std::min<std::size_t>(16384, packed.size() - at);
      z.next_in = const_cast<Bytef*>(packed.data() + at);
      z.avail_in = static_cast<uInt>(n);
      at += n;
    }
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("zlib inflate");
    const std::size_t n = out.size() - z.avail_out;
    if (withCrc) crc = static_cast<std::uint32_t>(crc32(crc, out.data(), static_cast<uInt>(n)));
    produced += n;
  }
  inflateEnd(&z);
  if (produced != size) throw std::runtime_error("zlib: wrong size");
  return crc;
}

std::uint32_t LibdeflateInflate(libdeflate_decompressor* d, const Bytes& packed, Bytes& out, bool withCrc) {
  std::size_t actual = 0;
  if (libdeflate_deflate_decompress(d, packed.data(), packed.size(), out.data(), out.size(), &actual) !=
      LIBDEFLATE_SUCCESS) {
    throw std::runtime_error("libdeflate");
  }
  return withCrc ? libdeflate_crc32(0, out.data(), actual) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::size_t limit = megabytes << 20;

  struct TSet {
    const char* FName;
    Bytes FData;
    Bytes FPacked;
  };
  std::vector<TSet> sets;
  sets.push_back({"text (C headers)",
                  Collect(
                      "/usr/include", [](const auto& p) { return p.extension() == ".h"; }, limit),
                  {}});
  sets.push_back({"binaries (/usr/bin)",
                  Collect(
                      "/usr/bin", [](const auto&) { return true; }, limit),
                  {}});
  sets.push_back({"already compressed", Deflate(sets[1].FData, 9), {}});
  for (auto& s : sets) s.FPacked = Deflate(s.FData, 6);

  libdeflate_decompressor* ld = libdeflate_alloc_decompressor();
  std::printf("Inflate, MB/s of output (best of %d rounds)\n", rounds);
  std::printf("%-22s %9s %9s | %9s %9s %9s %9s | %7s %7s %7s\n", "set", "size MB", "ratio", "own", "zlib",
              "zlib+crc", "libdefl", "own/zl", "own/zc", "own/ld");
  for (auto& s : sets) {
    const std::size_t size = s.FData.size();
    const std::uint32_t expected =
        static_cast<std::uint32_t>(crc32(0, s.FData.data(), static_cast<uInt>(size)));
    Bytes out(size);
    double own = 1e9, zl = 1e9, zc = 1e9, ldt = 1e9;
    for (int r = 0; r < rounds; ++r) {
      std::uint32_t crc = 0;
      own = std::min(own, Seconds([&] { crc = OwnInflate(s.FPacked, size); }));
      if (crc != expected) throw std::runtime_error("own inflate: wrong CRC");
      zl = std::min(zl, Seconds([&] { ZlibInflate(s.FPacked, size, false); }));
      zc = std::min(zc, Seconds([&] { crc = ZlibInflate(s.FPacked, size, true); }));
      ldt = std::min(ldt, Seconds([&] { LibdeflateInflate(ld, s.FPacked, out, true); }));
    }
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("%-22s %9.1f %9.3f | %9.0f %9.0f %9.0f %9.0f | %7.2f %7.2f %7.2f\n", s.FName, mb,
                static_cast<double>(s.FPacked.size()) / static_cast<double>(size), mb / own, mb / zl, mb / zc,
                mb / ldt, zl / own, zc / own, ldt / own);
  }
  libdeflate_free_decompressor(ld);
  std::printf(
      "(libdefl: whole-buffer decode plus its CRC-32; own: 32 KiB slides to a stream, CRC-32 included)\n\n");

  const Bytes& crcData = sets[1].FData;
  double own = 1e9, table = 1e9, zlibCrc = 1e9, ldCrc = 1e9;
  volatile std::uint32_t sinkValue = 0;
  for (int r = 0; r < rounds * 2; ++r) {
    own = std::min(own, Seconds([&] { sinkValue = Crc32(crcData.data(), crcData.size()); }));
    table = std::min(
        table, Seconds([&] { sinkValue = ~Crc32UpdateTable(kCrc32Preset, crcData.data(), crcData.size()); }));
    zlibCrc = std::min(
        zlibCrc, Seconds([&] {
          sinkValue = static_cast<std::uint32_t>(crc32(0, crcData.data(), static_cast<uInt>(crcData.size())));
        }));
    ldCrc =
        std::min(ldCrc, Seconds([&] { sinkValue = libdeflate_crc32(0, crcData.data(), crcData.size()); }));
  }
  const double mb = static_cast<double>(crcData.size()) / 1e6;
  std::printf(
      "CRC-32 over %.1f MB, MB/s: own %.0f (carry-less multiply: %s), own table %.0f, zlib %.0f, libdeflate "
      "%.0f\n",
      mb, mb / own, Crc32FoldAvailable() ? "yes" : "no", mb / table, mb / zlibCrc, mb / ldCrc);
  std::printf("own/zlib %.2f, own/libdeflate %.2f, table/zlib %.2f\n", zlibCrc / own, ldCrc / own,
              zlibCrc / table);
  return 0;
}
