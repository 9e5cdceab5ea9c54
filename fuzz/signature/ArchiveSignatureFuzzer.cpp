// Checks arbitrary bytes as a signed update archive, the way a keyed updater checks a
// download: the end-record search, the comment's bounds, the comment's fields and the
// signature. Every input must end in the check's own failures, never in anything else,
// and a comment that parses must be written back exactly as it stood.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzArchive.h"
#include "core/Exception.h"
#include "signature/ArchiveSignature.h"
#include "signature/SignatureComment.h"
#include "zip/AbException.h"

namespace {

// The public key whose secret partner signed the seeds (the tests' trusted key).
const signature::TPublicKey& Key() {
  static const signature::TPublicKey key =
      signature::DecodePublicKey("znT4wjm5sS8Fl6rNeaO8QrDmLjohSydskQUoH0WxWXI=");
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto parsed = signature::ParseSignatureComment(text)) {
    if (!signature::IsSignableVersion(parsed->Version)) std::abort();
    if (signature::FormatSignatureComment(parsed->Version, parsed->Signature) != text) std::abort();
  }

  auto memory = fuzzsupport::MemoryOf(data, size);
  memory->SetPosition(static_cast<std::int64_t>(size / 2));
  try {
    const std::string version = signature::VerifyArchiveSignature(*memory, Key(), std::nullopt);
    if (!signature::IsSignableVersion(version)) std::abort();
  } catch (const EAbZipException&) {
  } catch (const EReadError&) {
  }
  // Whatever the outcome, the stream is where it was.
  if (memory->Position() != static_cast<std::int64_t>(size / 2)) std::abort();
  return 0;
}
