#include "codecs/AbPpmdItem.h"

#include <array>
#include <cstdint>
#include <type_traits>

#include "Ppmd8.h"
#include "codecs/AbCodecFault.h"
#include "codecs/AbDecoderFailures.h"
#include "codecs/AbSdkAlloc.h"
#include "zip/AbException.h"

namespace {

constexpr std::size_t kPpmdInputSize = 4098;
constexpr std::size_t kPpmdOutputSize = 4096;

// The decoder's byte input: the entry's data through a small buffer. When the data has
// ended the decoder still gets zeros, but the fault is kept and the glue stops.
struct TPpmdByteReader {
  IByteIn Interface{&ReadByte};
  TStream* Source;
  TAbCodecFault* Fault;
  std::array<Byte, kPpmdInputSize> Buffer{};
  std::size_t Pos = 0;
  std::size_t Size = 0;

  TPpmdByteReader(TStream& source, TAbCodecFault& fault) : Source(&source), Fault(&fault) {}

  static Byte ReadByte(IByteInPtr self) {
    // Interface is the first member of a standard-layout type: the decoder's pointer is
    // the reader's.
    static_assert(std::is_standard_layout_v<TPpmdByteReader>);
    auto& reader = *reinterpret_cast<TPpmdByteReader*>(const_cast<IByteIn*>(self));
    if (reader.Pos == reader.Size) {
      reader.Pos = 0;
      reader.Size = reader.Fault->Guard(
          [&reader] {
            const std::int64_t got = reader.Source->Read(reader.Buffer.data(), kPpmdInputSize);
            if (got <= 0) throw EAbReadError();
            return static_cast<std::size_t>(got);
          },
          std::size_t{0});
      if (reader.Size == 0) return 0;
    }
    return reader.Buffer[reader.Pos++];
  }
};

// The decoder with its model memory, freed on every way out.
class TPpmdDecoder {
 public:
  TPpmdDecoder(std::uint32_t memorySize, unsigned order, unsigned restoreMethod, TPpmdByteReader& reader) {
    Ppmd8_Construct(&FState);
    if (!Ppmd8_Alloc(&FState, memorySize, &kAbSdkAlloc)) throw EAbZipDecoderMemory();
    FState.Stream.In = &reader.Interface;
    Ppmd8_Init(&FState, order, restoreMethod);
  }
  ~TPpmdDecoder() { Ppmd8_Free(&FState, &kAbSdkAlloc); }
  TPpmdDecoder(const TPpmdDecoder&) = delete;
  TPpmdDecoder& operator=(const TPpmdDecoder&) = delete;

  CPpmd8* State() { return &FState; }

 private:
  CPpmd8 FState;
};

}  // namespace

void DecodePpmdItem(TStream& source, TStream& dest) {
  Byte parameters[2];
  source.ReadBuffer(parameters, sizeof parameters);
  const unsigned word = parameters[0] | parameters[1] << 8;
  const unsigned order = (word & 0x0F) + 1;
  const std::uint32_t memorySize = (((word >> 4) & 0xFF) + 1) << 20;
  const unsigned restoreMethod = word >> 12;
  // Order 1 has no model to speak of, and the freeze method (2) is a variant the decoder
  // is built without; nothing writes either.
  if (order < PPMD8_MIN_ORDER || restoreMethod > PPMD8_RESTORE_METHOD_CUT_OFF) throw EAbZipPpmdParameters();

  TAbCodecFault fault;
  TPpmdByteReader reader(source, fault);
  TPpmdDecoder decoder(memorySize, order, restoreMethod, reader);
  const bool started = Ppmd8_Init_RangeDec(decoder.State());
  fault.RaiseIfFailed();
  // A range coder that cannot start is damaged data: nothing comes out.
  if (!started) return;

  std::array<Byte, kPpmdOutputSize> output;
  std::size_t filled = 0;
  while (true) {
    const int symbol = Ppmd8_DecodeSymbol(decoder.State());
    fault.RaiseIfFailed();
    if (symbol < 0) break;  // the end mark, or damaged data
    output[filled++] = static_cast<Byte>(symbol);
    if (filled == output.size()) {
      dest.WriteBuffer(output.data(), static_cast<std::int64_t>(filled));
      filled = 0;
    }
  }
  dest.WriteBuffer(output.data(), static_cast<std::int64_t>(filled));
}
