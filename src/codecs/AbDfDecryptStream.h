#ifndef FENDREL_CODECS_ABDFDECRYPTSTREAM_H
#define FENDREL_CODECS_ABDFDECRYPTSTREAM_H

#include <cstdint>
#include <memory>
#include <string>

#include "codecs/AbZipDecryptEngine.h"
#include "core/Stream.h"

// Reads an encrypted entry's data and decrypts it on the way. IsValid reads and checks
// the 12-byte header first; only a stream whose header passed may be read.
class TAbDfDecryptStream final : public TStream {
 public:
  TAbDfDecryptStream(TStream& aStream, std::string aPassphrase, std::uint32_t aCheckValue);

  // Reads the header (a short one raises EReadError) and checks it with the password;
  // on failure moves the stream back to the header, for the next try.
  bool IsValid();
  // Makes this stream the owner of the one it reads.
  void OwnStream(std::unique_ptr<TStream> aStream) { FOwnedStream = std::move(aStream); }

  std::int64_t Read(void* aBuffer, std::int64_t aCount) override;
  // Raises EAbException: the stream only gives bytes.
  std::int64_t Write(const void* aBuffer, std::int64_t aCount) override;
  // Moves the underlying stream; the keys stay where they are.
  std::int64_t Seek(std::int64_t aOffset, TSeekOrigin aOrigin) override {
    return FStream.Seek(aOffset, aOrigin);
  }
  void SetSize(std::int64_t aNewSize) override;
  std::int64_t Size() override { return FStream.Size(); }

 private:
  std::uint32_t FCheckValue;
  TAbZipDecryptEngine FEngine;
  std::unique_ptr<TStream> FOwnedStream;
  std::string FPassphrase;
  bool FReady = false;
  TStream& FStream;
};

#endif
