#ifndef FENDREL_ZIP_ABSPANSTREAM_H
#define FENDREL_ZIP_ABSPANSTREAM_H

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Stream.h"
#include "core/String.h"

enum class TAbSpanMode { smReading, smWriting };
enum class TAbMediaType { mtRemoveable, mtLocal };

// The stream through which an archive opened by name is read: a plain, read-only view
// of the one file. A read returns what the file still holds (nothing at its end); a
// seek before the start or past the end lands on the start or the end. A damaged
// offset or size therefore gives short reads, never a request for another file.
// Reads are buffered, so the directory can be read record by record cheaply.
//
// Writing archives is not part of this system: the file is always opened for reading
// (with the sharing the mode asks for), whatever the mode; writes take nothing, and the
// bookkeeping of written parts is left out.
class TAbSpanStream : public TStream {
 public:
  using TAbRequestImageEvent =
      std::function<void(TAbSpanStream& sender, int imageNumber, String& imageName, bool& abort)>;
  using TAbArchiveProgressEvent =
      std::function<void(TAbSpanStream& sender, std::uint8_t progress, bool& abort)>;

  // Opens the named file. A path that is not absolute raises EAbException "Full Path
  // Required" (code 0); an open failure passes through as EFOpenError.
  TAbSpanStream(const String& archiveName, std::uint16_t mode, TAbMediaType mediaType,
                std::int64_t threshold);
  // A view of a stream that is already open (an archive held in memory); owned.
  TAbSpanStream(std::unique_ptr<TStream> stream, const String& archiveName);
  ~TAbSpanStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override;

  TAbSpanMode SpanMode() const { return FSpanMode; }
  TAbMediaType MediaType() const { return FMediaType; }
  std::int64_t Threshold() const { return FThreshold; }
  int SpanNumber() const { return FSpanNumber; }
  const String& ImageName() const { return FImageName; }
  std::uint16_t FileMode() const { return FFileMode; }
  // Bytes delivered by Read so far.
  std::int64_t BytesRead() const { return FBytesRead; }
  bool IgnoreSpanning() const { return FIgnoreSpanning; }
  void SetIgnoreSpanning(bool value) { FIgnoreSpanning = value; }
  bool SpanStreamInCharge() const { return FSpanStreamInCharge; }
  void SetSpanStreamInCharge(bool value) { FSpanStreamInCharge = value; }

  TAbRequestImageEvent OnRequestImage;
  TAbArchiveProgressEvent OnArchiveProgress;

  // True when the path counts as absolute: it begins with "/" or "\", or holds ":".
  static bool IsAbsolutePath(const String& path);

 private:
  void FillBuffer();

  TAbSpanMode FSpanMode = TAbSpanMode::smReading;
  TAbMediaType FMediaType = TAbMediaType::mtLocal;
  std::int64_t FThreshold = 0;
  int FSpanNumber = 0;
  String FImageName;
  std::int64_t FBytesRead = 0;
  std::unique_ptr<TStream> FStr;
  std::uint16_t FFileMode = 0;
  bool FIgnoreSpanning = false;
  bool FSpanStreamInCharge = false;

  // Read buffer: FBuffer holds FBufferLength bytes of the file from FBufferStart.
  std::vector<std::uint8_t> FBuffer;
  std::int64_t FBufferStart = 0;
  std::int64_t FBufferLength = 0;
  std::int64_t FPosition = 0;
  std::int64_t FInnerPosition = -1;
};

#endif
