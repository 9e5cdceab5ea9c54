#include "codecs/AbPasswordLoop.h"

#include <string>

#include "codecs/AbDfDecryptStream.h"
#include "zip/AbException.h"

void RequestPassword(TAbZipArchive& aArchive, bool& aAbort) {
  aAbort = false;
  if (!aArchive.OnNeedPassword) return;
  std::string password = aArchive.Password();
  aArchive.OnNeedPassword(aArchive, password);
  if (password.empty())
    aAbort = true;
  else
    aArchive.SetPassword(password);
}

void EnsurePassword(TAbZipArchive& aArchive, int& aTries, bool& aAbort) {
  if (!aArchive.Password().empty()) return;
  RequestPassword(aArchive, aAbort);
  ++aTries;
  if (aArchive.Password().empty()) throw EAbZipInvalidPassword();
}

std::unique_ptr<TStream> OpenDecryptedData(TAbZipArchive& aArchive, std::unique_ptr<TStream> aData,
                                           std::uint32_t aCheckValue) {
  // Wider than the 8-bit retry count, so that even 255 retries come to an end.
  int tries = 0;
  bool abort = false;
  EnsurePassword(aArchive, tries, abort);
  for (;;) {
    if (abort) throw EAbUserAbort();
    auto stream = std::make_unique<TAbDfDecryptStream>(*aData, aArchive.Password(), aCheckValue);
    if (stream->IsValid()) {
      stream->OwnStream(std::move(aData));
      return stream;
    }
    ++tries;
    if (tries > aArchive.PasswordRetries()) throw EAbZipInvalidPassword();
    RequestPassword(aArchive, abort);
  }
}
