#include "codecs/AbLzmaItem.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "LzmaDec.h"
#include "codecs/AbSdkAlloc.h"
#include "core/Exception.h"

namespace {

constexpr std::size_t kLzmaBufferSize = 65536;
constexpr SRes kShortWrite = SZ_ERROR_WRITE;

[[noreturn]] void RaiseResult(SRes result) {
  throw Exception(Format(u"RINOK(%d)", {std::int64_t{result}}));
}

// The decoder's state, freed on every way out.
class TLzmaDecoder {
 public:
  explicit TLzmaDecoder(const std::vector<Byte>& properties) {
    LzmaDec_Construct(&FState);
    const SRes result =
        LzmaDec_Allocate(&FState, properties.data(), static_cast<unsigned>(properties.size()), &kAbSdkAlloc);
    if (result != SZ_OK) RaiseResult(result);
    LzmaDec_Init(&FState);
  }
  ~TLzmaDecoder() { LzmaDec_Free(&FState, &kAbSdkAlloc); }
  TLzmaDecoder(const TLzmaDecoder&) = delete;
  TLzmaDecoder& operator=(const TLzmaDecoder&) = delete;

  CLzmaDec* State() { return &FState; }

 private:
  CLzmaDec FState;
};

// Output never passes the entry's size, so a dictionary larger than that size is never
// filled: it is allocated only as large as the size (the decoder accepts exactly the
// same streams, since no distance may reach before the first byte either way).
void BoundDictionary(std::vector<Byte>& properties, std::int64_t uncompressedSize) {
  if (properties.size() < LZMA_PROPS_SIZE) return;
  std::uint32_t dictionary = 0;
  for (int i = 4; i >= 1; --i) dictionary = dictionary << 8 | properties[static_cast<std::size_t>(i)];
  if (uncompressedSize >= static_cast<std::int64_t>(dictionary)) return;
  const auto bounded = static_cast<std::uint32_t>(std::max<std::int64_t>(uncompressedSize, 1));
  for (std::size_t i = 1; i <= 4; ++i) properties[i] = static_cast<Byte>(bounded >> (8 * (i - 1)));
}

}  // namespace

void DecodeLzmaItem(TAbZipArchive&, TAbZipItem& item, TStream& source, TStream& dest) {
  Byte header[4];
  source.ReadBuffer(header, sizeof header);  // the version bytes are not looked at
  std::vector<Byte> properties(static_cast<std::size_t>(header[2] | header[3] << 8));
  source.ReadBuffer(properties.data(), static_cast<std::int64_t>(properties.size()));
  BoundDictionary(properties, item.UncompressedSize());
  TLzmaDecoder decoder(properties);

  std::vector<Byte> input(kLzmaBufferSize);
  std::vector<Byte> output(kLzmaBufferSize);
  std::size_t inputPos = 0;
  std::size_t inputSize = 0;
  std::int64_t remaining = item.UncompressedSize();
  bool inputEnded = false;
  SRes result = SZ_OK;
  while (true) {
    if (inputPos == inputSize && !inputEnded) {
      inputSize =
          static_cast<std::size_t>(source.Read(input.data(), static_cast<std::int64_t>(input.size())));
      inputPos = 0;
      // The decoder reads the last bytes ahead: a call whose output filled up may have
      // taken all the data with bytes still to come, so it goes on without input.
      inputEnded = inputSize == 0;
    }
    SizeT outputSize = output.size();
    ELzmaFinishMode finish = LZMA_FINISH_ANY;
    if (remaining < static_cast<std::int64_t>(outputSize)) {
      outputSize = static_cast<SizeT>(remaining);
      finish = LZMA_FINISH_END;
    }
    SizeT inputUsed = inputSize - inputPos;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    result = LzmaDec_DecodeToBuf(decoder.State(), output.data(), &outputSize, input.data() + inputPos,
                                 &inputUsed, finish, &status);
    inputPos += inputUsed;
    remaining -= static_cast<std::int64_t>(outputSize);
    if (outputSize > 0 && dest.Write(output.data(), static_cast<std::int64_t>(outputSize)) !=
                              static_cast<std::int64_t>(outputSize)) {
      result = kShortWrite;
      break;
    }
    if (result != SZ_OK || remaining == 0) break;
    // An end marker before the recorded size means the data does not hold the entry.
    if (status == LZMA_STATUS_FINISHED_WITH_MARK) {
      result = SZ_ERROR_DATA;
      break;
    }
    if (inputUsed == 0 && outputSize == 0) {
      // Data that ends early is the CRC-32's to judge; a decoder that takes nothing
      // from the data it is offered has stalled.
      if (!inputEnded) result = SZ_ERROR_DATA;
      break;
    }
  }
  if (result != SZ_OK) RaiseResult(result);
}
