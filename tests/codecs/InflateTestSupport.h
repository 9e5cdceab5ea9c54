#ifndef FENDREL_TESTS_CODECS_INFLATETESTSUPPORT_H
#define FENDREL_TESTS_CODECS_INFLATETESTSUPPORT_H

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Stream.h"
#include "support/ChunkedStream.h"
#include "support/Corpus.h"

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

// One stream of the oracle in which the level and strategy change every few kilobytes,
// so that stored, fixed and dynamic blocks follow each other, some of them empty.
inline Bytes ZlibMixedBlocks(const Bytes& data, std::uint32_t seed) {
  static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  std::mt19937 rng(seed);
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  Bytes out;
  Bytes buffer(1 << 16);
  const auto drain = [&](int flush) {
    int rc;
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&z, flush);
      out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
    } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  };
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t n = std::min<std::size_t>(data.size() - at, 1 + rng() % 12000);
    z.next_in = const_cast<Bytef*>(data.data() + at);
    z.avail_in = static_cast<uInt>(n);
    at += n;
    drain(rng() % 3 == 0 ? Z_FULL_FLUSH : Z_NO_FLUSH);
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    deflateParams(&z, static_cast<int>(rng() % 10), kStrategies[rng() % 5]);
    out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
  }
  z.next_in = nullptr;
  z.avail_in = 0;
  drain(Z_FINISH);
  deflateEnd(&z);
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

using testsupport::TChunkedStream;

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

// A stream and the bytes it decodes to.
struct TCraftedStream {
  Bytes FStream;
  Bytes FOutput;
};

// Canonical codes for a set of code lengths, as a dynamic block defines them.
inline std::vector<std::uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
  int count[16] = {};
  for (int l : lengths) count[l] += l > 0 ? 1 : 0;
  std::uint32_t next[16] = {};
  for (int len = 1, code = 0; len <= 15; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = static_cast<std::uint32_t>(code);
  }
  std::vector<std::uint32_t> codes(lengths.size());
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
  return codes;
}

// Blocks of random literals and matches over every length and distance code of the
// variant (Deflate64: lengths up to 65,538 and distances up to 65,536), short distances
// often, with stored blocks between them. The blocks use the fixed codes, or with
// longCodes dynamic codes in which literals take 13 bits and length symbol 285 takes 15,
// so that literals and a long match exhaust the bits a decoder holds.
inline TCraftedStream RandomFixedStream(std::size_t outputSize, bool deflate64, std::uint32_t seed,
                                        bool longCodes = false) {
  static const int kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  std::vector<int> litLengths(286, 13);
  std::fill(litLengths.begin() + 256, litLengths.end(), 5);
  litLengths[285] = 15;
  const std::vector<int> distLengths(deflate64 ? 32 : 30, 5);
  const std::vector<std::uint32_t> litCodes = CanonicalCodes(litLengths);
  const std::vector<std::uint32_t> distCodes = CanonicalCodes(distLengths);
  std::mt19937 rng(seed);
  TBitWriter w;
  Bytes out;
  bool final = false;
  while (!final) {
    const std::size_t target = out.size() + 1 + rng() % 40000;
    final = target >= outputSize;
    if (rng() % 5 == 0) {
      const auto len = static_cast<std::uint16_t>(rng() % 6000);
      w.Bits(final ? 1 : 0, 1).Bits(0, 2).Align().Bits(len, 16).Bits(static_cast<std::uint16_t>(~len), 16);
      for (int i = 0; i < len; ++i) {
        const auto b = static_cast<std::uint8_t>(rng());
        w.Bits(b, 8);
        out.push_back(b);
      }
      continue;
    }
    const auto literal = [&](int symbol) -> TBitWriter& {
      return longCodes ? w.Code(litCodes[static_cast<std::size_t>(symbol)],
                                litLengths[static_cast<std::size_t>(symbol)])
                       : w.FixedLiteral(symbol);
    };
    const auto distance = [&](int symbol) -> TBitWriter& {
      return longCodes ? w.Code(distCodes[static_cast<std::size_t>(symbol)], 5) : w.FixedDistance(symbol);
    };
    if (longCodes) {
      // Every code length sent as a 4-bit code of the code-length code (symbols 0-15).
      w.Bits(final ? 1 : 0, 1).Bits(2, 2).Bits(286 - 257, 5);
      w.Bits(static_cast<std::uint32_t>(distLengths.size() - 1), 5).Bits(19 - 4, 4);
      for (int s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
        w.Bits(s < 16 ? 4 : 0, 3);
      for (int l : litLengths) w.Code(static_cast<std::uint32_t>(l), 4);
      for (int l : distLengths) w.Code(static_cast<std::uint32_t>(l), 4);
    } else {
      w.Bits(final ? 1 : 0, 1).Bits(1, 2);
    }
    while (out.size() < target) {
      if (out.empty() || rng() % 5 < 2) {
        const auto b = static_cast<std::uint8_t>(rng() % 4 == 0 ? rng() : 'a' + rng() % 4);
        literal(b);
        out.push_back(b);
        continue;
      }
      int length;
      const int symbol = 257 + static_cast<int>(rng() % 29);
      if (deflate64 && symbol == 285) {
        const std::uint32_t extra = rng() % 4 == 0 ? 65535 : rng() % 65536;
        literal(symbol).Bits(extra, 16);
        length = 3 + static_cast<int>(extra);
      } else {
        const int i = symbol - 257;
        const std::uint32_t extra = rng() & ((1u << kLengthExtra[i]) - 1);
        literal(symbol).Bits(extra, kLengthExtra[i]);
        length = kLengthBase[i] + static_cast<int>(extra);
      }
      // A distance code whose base the output reaches, small ones half of the time.
      const int codes = deflate64 ? 32 : 30;
      int code;
      std::uint32_t base;
      do {
        code = static_cast<int>(rng() % 2 == 0 ? rng() % 8 : rng() % static_cast<std::uint32_t>(codes));
        const int extraBits = code < 4 ? 0 : code / 2 - 1;
        base = code < 4 ? static_cast<std::uint32_t>(code) + 1
                        : (2u + (static_cast<std::uint32_t>(code) & 1)) << extraBits | 1;
      } while (base > out.size());
      const int extraBits = code < 4 ? 0 : code / 2 - 1;
      const std::uint32_t room = static_cast<std::uint32_t>(out.size()) - base + 1;
      const std::uint32_t extra = rng() % std::min<std::uint32_t>(1u << extraBits, room);
      distance(code).Bits(extra, extraBits);
      const std::size_t from = out.size() - (base + extra);
      for (int k = 0; k < length; ++k) out.push_back(out[from + static_cast<std::size_t>(k)]);
    }
    literal(256);
  }
  return {w.Finish(), out};
}

// A Deflate64 entry of a set of test archives: its data as stored, its CRC-32 and size.
struct TCorpusEntry {
  std::string FName;
  Bytes FData;
  std::uint32_t FCrc;
  std::uint32_t FSize;
};

// The Deflate64 entries of a set's Deflate64 archives (tests/support/Corpus.h), found by
// walking each archive's local headers.
inline std::vector<TCorpusEntry> Deflate64CorpusEntries(const std::filesystem::path& folder) {
  std::vector<TCorpusEntry> entries;
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const auto le = [](const Bytes& b, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
  };
  std::stringstream manifest;
  manifest << std::ifstream(folder / "manifest.json").rdbuf();
  const std::string text = manifest.str();
  const std::regex fileRe("\"file\":\\s*\"([^\"]*deflate64[^\"]*\\.zip)\"");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), fileRe); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1];
    const Bytes archive = read(folder / name);
    std::size_t at = 0;
    while (at + 30 <= archive.size() && le(archive, at, 4) == 0x04034B50) {
      const std::uint32_t flags = le(archive, at + 6, 2);
      const std::uint32_t method = le(archive, at + 8, 2);
      const std::uint32_t packed = le(archive, at + 18, 4);
      const std::size_t data = at + 30 + le(archive, at + 26, 2) + le(archive, at + 28, 2);
      if ((flags & 8) != 0) break;  // sizes only in a trailing descriptor: not walkable this way
      if (method == 9) {
        entries.push_back({name + " entry at " + std::to_string(at),
                           Bytes(archive.begin() + static_cast<std::ptrdiff_t>(data),
                                 archive.begin() + static_cast<std::ptrdiff_t>(data + packed)),
                           le(archive, at + 14, 4), le(archive, at + 22, 4)});
      }
      at = data + packed;
    }
  }
  return entries;
}

}  // namespace inflate_test

#endif
