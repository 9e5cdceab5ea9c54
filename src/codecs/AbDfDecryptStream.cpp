#include "codecs/AbDfDecryptStream.h"

#include "zip/AbException.h"

TAbDfDecryptStream::TAbDfDecryptStream(TStream& aStream, std::string aPassphrase, std::uint32_t aCheckValue)
    : FCheckValue(aCheckValue), FPassphrase(std::move(aPassphrase)), FStream(aStream) {}

bool TAbDfDecryptStream::IsValid() {
  std::uint8_t header[TAbZipDecryptEngine::kHeaderSize];
  FStream.ReadBuffer(header, sizeof header);
  FReady = FEngine.VerifyHeader(header, FPassphrase, FCheckValue);
  if (!FReady) FStream.Seek(-static_cast<std::int64_t>(sizeof header), TSeekOrigin::soCurrent);
  return FReady;
}

std::int64_t TAbDfDecryptStream::Read(void* aBuffer, std::int64_t aCount) {
  if (!FReady) throw EAbException(u"TAbDfDecryptStream.Read: header not verified");
  const std::int64_t got = FStream.Read(aBuffer, aCount);
  if (got > 0) FEngine.DecodeBuffer(aBuffer, got);
  return got;
}

std::int64_t TAbDfDecryptStream::Write(const void*, std::int64_t) {
  throw EAbException(u"TAbDfDecryptStream.Write not supported");
}

void TAbDfDecryptStream::SetSize(std::int64_t) {
  throw EAbException(u"TAbDfDecryptStream.Write not supported");
}
