#ifndef FENDREL_HTTP_IDCHARSETENCODINGS_H
#define FENDREL_HTTP_IDCHARSETENCODINGS_H

#include <cstdint>

#include "net/IdGlobal.h"

// The text encodings a response charset can need beyond the connection layer's ASCII,
// 8-bit and UTF-8 ones.

// UTF-16 in one byte order (code page 1200 little-endian, 1201 big-endian). An unpaired
// surrogate and a last odd byte read as U+FFFD; an unpaired surrogate is written as U+FFFD.
class TIdUTF16Encoding final : public TIdTextEncoding {
 public:
  explicit TIdUTF16Encoding(bool bigEndian) : FBigEndian(bigEndian) {}
  std::size_t GetByteCount(StringView text) const override { return text.size() * 2; }
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t* bytes, std::size_t count) const override;
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return false; }
  using TIdTextEncoding::GetString;

 private:
  bool FBigEndian;
};

// UTF-32 in one byte order (code page 12000 little-endian, 12001 big-endian). A unit above
// U+10FFFF or in the surrogate range, and 1 to 3 bytes left at the end, read as U+FFFD; an
// unpaired surrogate is written as U+FFFD.
class TIdUTF32Encoding final : public TIdTextEncoding {
 public:
  explicit TIdUTF32Encoding(bool bigEndian) : FBigEndian(bigEndian) {}
  std::size_t GetByteCount(StringView text) const override { return GetBytes(text).size(); }
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t* bytes, std::size_t count) const override;
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return false; }
  using TIdTextEncoding::GetString;

 private:
  bool FBigEndian;
};

// A Windows code page, converted by the platform. Invalid or incomplete bytes read as
// U+FFFD; characters the page cannot hold are written as "?".
class TIdCodePageEncoding final : public TIdTextEncoding {
 public:
  explicit TIdCodePageEncoding(std::uint32_t codePage) : FCodePage(codePage) {}
  std::size_t GetByteCount(StringView text) const override { return GetBytes(text).size(); }
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t* bytes, std::size_t count) const override;
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return false; }
  using TIdTextEncoding::GetString;

  std::uint32_t CodePage() const { return FCodePage; }

 private:
  std::uint32_t FCodePage;
};

// The shared instances, created on first use and kept for the life of the process.
const TIdTextEncoding& IdUTF16LEEncoding();
const TIdTextEncoding& IdUTF16BEEncoding();
const TIdTextEncoding& IdUTF32LEEncoding();
const TIdTextEncoding& IdUTF32BEEncoding();
// The platform's encoding for a code page; nullptr when the platform cannot decode it.
const TIdTextEncoding* IdCodePageEncoding(std::uint32_t codePage);

#endif
