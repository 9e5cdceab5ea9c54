#ifndef FENDREL_TESTS_CODECS_INFLATETESTSUPPORT_H
#define FENDREL_TESTS_CODECS_INFLATETESTSUPPORT_H

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Stream.h"

namespace inflate_test {

using Bytes = std::vector<std::uint8_t>;

// A raw deflate stream made by the zlib oracle.
inline Bytes ZlibDeflate(const Bytes& data, int level, int strategy, int memLevel = 8) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
    throw std::runtime_error("deflateInit2");
  Bytes out(deflateBound(&z, data.size()) + 64);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

inline std::uint32_t ZlibCrc(const Bytes& data) {
  return static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

// Sample data of several kinds, reproducible from the seed.
inline Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<std::uint8_t>(rng());
  return b;
}

inline Bytes TextLike(std::size_t n, std::uint32_t seed) {
  static const char* const words[] = {"the ",    "update ", "Fendrel ", "archive ", "window ",  "of ",
                                      "and ",    "bytes ",  "stream ",  "\n",       "inflate ", "a ",
                                      "server ", "file ",   "version ", ", ",       ". ",       "zip "};
  std::mt19937 rng(seed);
  Bytes b;
  b.reserve(n);
  while (b.size() < n) {
    const char* w = words[rng() % (sizeof(words) / sizeof(words[0]))];
    b.insert(b.end(), w, w + std::strlen(w));
  }
  b.resize(n);
  return b;
}

// Records, runs and small-alphabet stretches, as executables and tables have them.
inline Bytes BinaryLike(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  b.reserve(n);
  while (b.size() < n) {
    switch (rng() % 4) {
      case 0:
        b.insert(b.end(), rng() % 300 + 1, static_cast<std::uint8_t>(rng() % 3 == 0 ? 0 : rng()));
        break;
      case 1:
        for (int i = 0, k = static_cast<int>(rng() % 64); i < k; ++i)
          b.push_back(static_cast<std::uint8_t>(rng()));
        break;
      case 2:
        if (b.size() > 16) {
          const std::size_t dist = rng() % std::min<std::size_t>(b.size(), 40000) + 1;
          const std::size_t len = rng() % 300 + 3;
          for (std::size_t i = 0; i < len; ++i) b.push_back(b[b.size() - dist]);
        }
        break;
      default:
        for (int i = 0, k = static_cast<int>(rng() % 128); i < k; ++i) {
          b.push_back(static_cast<std::uint8_t>("\x00\x01\x48\x89\x8b\xff\xe8\x0f"[rng() % 8]));
        }
    }
  }
  b.resize(n);
  return b;
}

// A source that hands out at most FChunk bytes per read.
class TChunkedStream : public TStream {
 public:
  TChunkedStream(Bytes data, std::int64_t chunk) : FData(std::move(data)), FChunk(chunk) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = std::max<std::int64_t>(
        0, std::min({count, FChunk, static_cast<std::int64_t>(FData.size()) - FPosition}));
    if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    ++FReads;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? FPosition
                                                                 : static_cast<std::int64_t>(FData.size());
    FPosition = base + offset;
    return FPosition;
  }
  void SetSize(std::int64_t) override {}
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  int FReads = 0;

 private:
  Bytes FData;
  std::int64_t FChunk;
  std::int64_t FPosition = 0;
};

// A destination that keeps the bytes and the size of every write.
class TRecordingStream : public TMemoryStream {
 public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    FWrites.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::vector<std::int64_t> FWrites;
};

inline Bytes Contents(const TMemoryStream& s) {
  return s.Bytes();
}

// Writes bit fields least significant bit first, and Huffman codes most significant
// bit first, as a deflate stream carries them.
class TBitWriter {
 public:
  TBitWriter& Bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    return *this;
  }
  TBitWriter& Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    return *this;
  }
  // A symbol of the fixed literal/length code.
  TBitWriter& FixedLiteral(int symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  // Zero bits up to the next byte boundary, as before a stored block's lengths.
  TBitWriter& Align() {
    while (FCount % 8 != 0) Bit(0);
    return *this;
  }
  TBitWriter& FixedDistance(int symbol) { return Code(static_cast<std::uint32_t>(symbol), 5); }
  TBitWriter& RawBytes(std::initializer_list<std::uint8_t> bytes) {
    for (auto b : bytes) Bits(b, 8);
    return *this;
  }
  inflate_test::Bytes Finish() const { return FOut; }

 private:
  void Bit(std::uint32_t b) {
    if (FCount % 8 == 0) FOut.push_back(0);
    FOut.back() |= static_cast<std::uint8_t>(b << (FCount % 8));
    ++FCount;
  }
  inflate_test::Bytes FOut;
  std::size_t FCount = 0;
};

}  // namespace inflate_test

#endif
