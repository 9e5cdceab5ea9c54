#ifndef FENDREL_CODECS_ABDFOUTPUTWINDOW_H
#define FENDREL_CODECS_ABDFOUTPUTWINDOW_H

#include <cstdint>
#include <memory>

#include "core/Stream.h"

// The inflate decoder's output: decoded bytes collect in a buffer that also serves as
// the history for matches. Whenever the bytes not yet written reach the write point
// (64 KiB, Deflate64: 96 KiB), the first 32 KiB of them are added to the checksum and
// written to the destination (or only counted); what remains at the end is written in
// one last piece. The buffer holds many such slides, so the history moves to the front
// only once per 256 KiB.
//
// The decoder's loops write at FCurrent directly while it is below FLimit (the fast loop
// only while a whole round of symbols stays below it), then call AtLimit: the buffer
// holds the longest match behind the write point, plus a little room for copying by
// words.
class TAbDfOutputWindow {
 public:
  static constexpr std::int64_t kSlideCount = 32768;
  static constexpr std::int64_t kCopySlack = 64;
  static constexpr std::int64_t kCapacity = 256 << 10;

  TAbDfOutputWindow(TStream& aStream, bool aUseDeflate64, bool aUseCRC32, std::int64_t aPartSize,
                    bool aTestOnly);
  TAbDfOutputWindow(const TAbDfOutputWindow&) = delete;
  TAbDfOutputWindow& operator=(const TAbDfOutputWindow&) = delete;

  void AddLiteral(std::uint8_t aCh);
  // Raises EAbInternalInflateError when aDist reaches before the first byte produced.
  void AddLenDist(int aLen, int aDist);
  void AddBuffer(const void* aBuffer, std::int64_t aCount);
  // Bytes produced so far.
  std::int64_t Position() const { return FWritten + (FCurrent - FWritePos); }
  // Flushes, then gives the finished checksum.
  std::uint32_t Checksum();
  void Flush();

  // After a symbol took FCurrent to FLimit: raises EAbPartSizedInflate when the part
  // size is reached, else slides until the bytes not yet written are below the write
  // point again.
  void AtLimit();

  // Copies aLen bytes from aDist behind FCurrent after checking the distance; the caller
  // has made sure the room is there.
  void CopyMatch(std::uint32_t aLen, std::uint32_t aDist);

  std::uint8_t* Buffer() { return FBuffer.get(); }

  std::uint8_t* FCurrent;
  std::uint8_t* FLimit;

 private:
  void Compact();
  void Emit(const std::uint8_t* aData, std::int64_t aCount);

  std::unique_ptr<std::uint8_t[]> FBuffer;
  std::uint32_t FChecksum;
  std::int64_t FPartSize;
  TStream& FStream;
  std::int64_t FWritten = 0;
  bool FTestOnly;
  bool FUseCRC32;
  std::int64_t FWritePoint;
  std::int64_t FHistory;
  std::uint8_t* FWritePos;  // first byte not yet written
  std::uint8_t* FEnd;       // where the history moves to the front
};

#endif
