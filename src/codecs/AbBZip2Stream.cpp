#include "codecs/AbBZip2Stream.h"

#include <algorithm>
#include <climits>

namespace {

[[noreturn]] void RaiseCodecError(int result) {
  throw EBZDecompressionError(Format(u"error %d", {std::int64_t{result}}));
}

[[noreturn]] void RaiseInvalidOperation() {
  throw EBZDecompressionError(u"Invalid stream operation");
}

}  // namespace

TBZDecompressionStream::TBZDecompressionStream(TStream& source) : FStrm(source), FStrmPos(source.Position()) {
  const int result = BZ2_bzDecompressInit(&FBZRec, 0, 0);
  if (result < 0) RaiseCodecError(result);
  FInitialised = true;
}

TBZDecompressionStream::~TBZDecompressionStream() {
  if (FInitialised) BZ2_bzDecompressEnd(&FBZRec);
}

std::int64_t TBZDecompressionStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (FStrm.Position() != FStrmPos) FStrm.Seek(FStrmPos, TSeekOrigin::soBeginning);
  auto* out = static_cast<char*>(buffer);
  std::int64_t left = count;
  while (left > 0) {
    // The codec counts its room in 32 bits.
    const unsigned room = static_cast<unsigned>(std::min<std::int64_t>(left, UINT_MAX));
    FBZRec.next_out = out;
    FBZRec.avail_out = room;
    while (FBZRec.avail_out > 0) {
      if (FBZRec.avail_in == 0) {
        const std::int64_t got = FStrm.Read(FBuffer.data(), static_cast<std::int64_t>(FBuffer.size()));
        if (got <= 0) {
          const std::int64_t done = count - left + (room - FBZRec.avail_out);
          FProduced += done;
          return done;
        }
        FStrmPos = FStrm.Position();
        FBZRec.next_in = FBuffer.data();
        FBZRec.avail_in = static_cast<unsigned>(got);
      }
      const int result = BZ2_bzDecompress(&FBZRec);
      if (result < 0) RaiseCodecError(result);
    }
    out += room;
    left -= room;
  }
  FProduced += count;
  return count;
}

std::int64_t TBZDecompressionStream::Write(const void*, std::int64_t) {
  RaiseInvalidOperation();
}

std::int64_t TBZDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  // Only the position can be asked; the stream cannot go anywhere.
  if (offset == 0 && origin == TSeekOrigin::soCurrent) return FProduced;
  RaiseInvalidOperation();
}

void TBZDecompressionStream::SetSize(std::int64_t) {
  RaiseInvalidOperation();
}
