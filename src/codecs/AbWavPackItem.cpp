#include "codecs/AbWavPackItem.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "codecs/AbCodecFault.h"
#include "core/Exception.h"
#include "core/Stream.h"

namespace {

constexpr std::size_t kWavPackOutputSize = 262144;
constexpr std::uint32_t kWavPackSamplesPerCall = 4096;

// The codec's view of the entry's data: reads, positions and one byte of push-back.
class TWavPackSource {
 public:
  TWavPackSource(TStream& source, TAbCodecFault& fault) : FSource(source), FFault(fault) {}

  static WavpackStreamReader64 Reader() {
    WavpackStreamReader64 reader{};
    reader.read_bytes = &ReadBytes;
    reader.get_pos = &GetPos;
    reader.set_pos_abs = &SetPosAbs;
    reader.set_pos_rel = &SetPosRel;
    reader.push_back_byte = &PushBackByte;
    reader.get_length = &GetLength;
    reader.can_seek = &CanSeek;
    return reader;
  }

 private:
  static TWavPackSource& Self(void* id) { return *static_cast<TWavPackSource*>(id); }

  static int32_t ReadBytes(void* id, void* data, int32_t count) {
    TWavPackSource& self = Self(id);
    return self.FFault.Guard(
        [&self, data, count] {
          auto* out = static_cast<std::uint8_t*>(data);
          int32_t done = 0;
          if (count > 0 && self.FPending >= 0) {
            out[done++] = static_cast<std::uint8_t>(self.FPending);
            self.FPending = -1;
          }
          while (done < count) {
            const std::int64_t got = self.FSource.Read(out + done, count - done);
            if (got <= 0) break;
            done += static_cast<int32_t>(got);
          }
          return done;
        },
        int32_t{0});
  }

  static int64_t GetPos(void* id) {
    TWavPackSource& self = Self(id);
    return self.FFault.Guard([&self] { return self.FSource.Position() - (self.FPending >= 0 ? 1 : 0); },
                             int64_t{-1});
  }

  static int SetPosAbs(void* id, int64_t position) { return SetPosRel(id, position, SEEK_SET); }

  static int SetPosRel(void* id, int64_t delta, int mode) {
    TWavPackSource& self = Self(id);
    return self.FFault.Guard(
        [&self, delta, mode] {
          TSeekOrigin origin = TSeekOrigin::soBeginning;
          std::int64_t offset = delta;
          if (mode == SEEK_CUR) {
            origin = TSeekOrigin::soCurrent;
            if (self.FPending >= 0) offset = SaturatingAdd(offset, -1);
          } else if (mode == SEEK_END) {
            origin = TSeekOrigin::soEnd;
          } else if (mode != SEEK_SET) {
            return -1;
          }
          self.FPending = -1;
          self.FSource.Seek(offset, origin);
          return 0;
        },
        -1);
  }

  static int PushBackByte(void* id, int c) {
    TWavPackSource& self = Self(id);
    // The codec gives back at most the one byte it has just read.
    if (self.FPending >= 0 || c < 0) return EOF;
    self.FPending = c & 0xFF;
    return c;
  }

  static int64_t GetLength(void* id) {
    TWavPackSource& self = Self(id);
    return self.FFault.Guard([&self] { return self.FSource.Size(); }, int64_t{0});
  }

  static int CanSeek(void*) { return 1; }

  TStream& FSource;
  TAbCodecFault& FFault;
  int FPending = -1;
};

struct TWavPackCloser {
  void operator()(WavpackContext* context) const { WavpackCloseFile(context); }
};
using TWavPackContext = std::unique_ptr<WavpackContext, TWavPackCloser>;

// Writes the wrapper bytes the codec holds (the header before the samples, or trailing
// chunks after them) and lets it forget them; answers whether there were any.
bool WriteWrapper(WavpackContext* context, TStream& dest) {
  const std::uint32_t size = WavpackGetWrapperBytes(context);
  if (size == 0) return false;
  dest.WriteBuffer(WavpackGetWrapperData(context), size);
  WavpackFreeWrapper(context);
  return true;
}

std::uint64_t LittleEndian(const std::uint8_t* bytes, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// The length of the whole file by the size field of the header the codec holds: RIFF's
// own, or for RF64 (large files) the one in its ds64 chunk. Negative when the header is
// neither.
std::int64_t RiffFileLength(WavpackContext* context) {
  const std::uint32_t size = WavpackGetWrapperBytes(context);
  const std::uint8_t* header = WavpackGetWrapperData(context);
  if (size < 8) return -1;
  const std::string_view tag(reinterpret_cast<const char*>(header), 4);
  if (tag == "RIFF") return static_cast<std::int64_t>(LittleEndian(header + 4, 4)) + 8;
  if (tag != "RF64" || size < 28) return -1;
  if (std::string_view(reinterpret_cast<const char*>(header) + 12, 4) != "ds64") return -1;
  const std::uint64_t riffSize = LittleEndian(header + 20, 8);
  return static_cast<std::int64_t>(std::min<std::uint64_t>(riffSize, INT64_MAX - 8)) + 8;
}

// Little-endian bytes of the given width; 8-bit audio is unsigned.
std::uint8_t* PutSample(std::uint8_t* out, std::int32_t value, int width) {
  const auto bits = static_cast<std::uint32_t>(value);
  if (width == 1) {
    *out++ = static_cast<std::uint8_t>(bits + 128);
    return out;
  }
  for (int i = 0; i < width; ++i) *out++ = static_cast<std::uint8_t>(bits >> (8 * i));
  return out;
}

}  // namespace

void DecodeWavPackItem(TStream& source, TStream& dest) {
  TAbCodecFault fault;
  TWavPackSource input(source, fault);
  WavpackStreamReader64 reader = TWavPackSource::Reader();
  char error[80] = {};
  const TWavPackContext context(WavpackOpenFileInputEx64(&reader, &input, nullptr, error, OPEN_WRAPPER, 0));
  fault.RaiseIfFailed();
  if (!context) throw Exception(u"WavPack decompression failed: " + FromLatin1(error));

  const std::int64_t riffLength = RiffFileLength(context.get());
  const std::int64_t headerBytes = WavpackGetWrapperBytes(context.get());
  WriteWrapper(context.get(), dest);

  const int channels = WavpackGetNumChannels(context.get());
  const int width = WavpackGetBytesPerSample(context.get());
  if (channels < 1 || width < 1 || width > 4) throw EAbZipWavPackFormat();
  const std::size_t frameBytes = static_cast<std::size_t>(channels) * static_cast<std::size_t>(width);
  // A call never asks for more frames than fit into the output buffer.
  const std::size_t framesPerCall =
      std::min<std::size_t>(kWavPackSamplesPerCall, kWavPackOutputSize / frameBytes);
  std::vector<std::int32_t> samples(std::max<std::size_t>(framesPerCall, 1) *
                                    static_cast<std::size_t>(channels));
  std::vector<std::uint8_t> output(kWavPackOutputSize);
  std::size_t filled = 0;
  std::int64_t sampleBytes = 0;
  while (true) {
    const auto wanted =
        static_cast<std::uint32_t>(std::min(framesPerCall, (output.size() - filled) / frameBytes));
    const std::uint32_t frames =
        wanted == 0 ? 0 : WavpackUnpackSamples(context.get(), samples.data(), wanted);
    fault.RaiseIfFailed();
    std::uint8_t* out = output.data() + filled;
    const std::size_t values = std::min<std::size_t>(frames, wanted) * static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < values; ++i) out = PutSample(out, samples[i], width);
    sampleBytes += out - (output.data() + filled);
    filled = static_cast<std::size_t>(out - output.data());
    if (frames > 0 && output.size() - filled >= frameBytes) continue;
    dest.WriteBuffer(output.data(), static_cast<std::int64_t>(filled));
    filled = 0;
    if (frames == 0) break;
  }

  // Trailing chunks: each further block the codec reads may carry some. After sample
  // data of odd length they are held back until the pad byte is settled.
  const bool oddRiffData = riffLength >= 0 && sampleBytes % 2 != 0;
  TMemoryStream trailer;
  while (WriteWrapper(context.get(), oddRiffData ? static_cast<TStream&>(trailer) : dest)) {
    WavpackUnpackSamples(context.get(), samples.data(), 1);
    fault.RaiseIfFailed();
  }
  if (!oddRiffData) return;

  // A RIFF chunk of odd length is followed by a pad byte, which the stream does not hold.
  // Files written without one exist too: the pad goes back exactly when the header's size
  // counts one byte more than the header, the samples and the trailing chunks.
  if (riffLength == SaturatingAdd(headerBytes + sampleBytes, trailer.Size()) + 1) {
    const std::uint8_t pad = 0;
    dest.WriteBuffer(&pad, 1);
  }
  dest.WriteBuffer(trailer.Memory(), trailer.Size());
}
