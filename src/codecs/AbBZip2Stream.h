#ifndef FENDREL_CODECS_ABBZIP2STREAM_H
#define FENDREL_CODECS_ABBZIP2STREAM_H

#include <bzlib.h>

#include <array>
#include <cstdint>

#include "core/Exception.h"
#include "core/Stream.h"

// The bzip2 decoder's errors.
class EBZip2Error : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EBZip2Error"; }
};
// The codec refused to start or refused the data: "error %d" with its result code (-4 for
// damaged data, -1 for reading past the end of the stream).
class EBZDecompressionError : public EBZip2Error {
 public:
  using EBZip2Error::EBZip2Error;
  String ClassName() const override { return u"EBZDecompressionError"; }
};

// The bytes of a bzip2 stream read from another stream, as a read-only stream. The
// source is read 64 KB at a time from where it stood at creation; whoever moves it in
// between gets it moved back before the next read.
class TBZDecompressionStream final : public TStream {
 public:
  explicit TBZDecompressionStream(TStream& source);
  ~TBZDecompressionStream() override;

  // Fills buffer; answers fewer bytes only when the source has ended.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Raise EBZDecompressionError "Invalid stream operation".
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;

 private:
  TStream& FStrm;
  std::int64_t FStrmPos;
  bz_stream FBZRec{};
  bool FInitialised = false;
  std::int64_t FProduced = 0;
  std::array<char, 65536> FBuffer;
};

#endif
