#ifndef FENDREL_NET_IDGLOBAL_H
#define FENDREL_NET_IDGLOBAL_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/String.h"

// Bytes as they travel on the wire.
using TIdBytes = std::vector<std::uint8_t>;

// Address family of a socket.
enum class TIdIPVersion { Id_IPv4 = 0, Id_IPv6 = 1 };

// --- Text encodings ----------------------------------------------------------------------

// Turns text into wire bytes and back. The shared instances below are immutable and
// live for the whole process.
class TIdTextEncoding {
 public:
  virtual ~TIdTextEncoding() = default;
  TIdTextEncoding() = default;
  TIdTextEncoding(const TIdTextEncoding&) = delete;
  TIdTextEncoding& operator=(const TIdTextEncoding&) = delete;

  virtual std::size_t GetByteCount(StringView text) const = 0;
  virtual TIdBytes GetBytes(StringView text) const = 0;
  virtual std::size_t GetCharCount(const std::uint8_t* bytes, std::size_t count) const = 0;
  virtual String GetString(const std::uint8_t* bytes, std::size_t count) const = 0;
  // At most one byte per character.
  virtual bool IsSingleByte() const = 0;

  String GetString(const TIdBytes& bytes) const { return GetString(bytes.data(), bytes.size()); }
};

// Strict 7-bit: every code unit from 128 up becomes "?", and so does every byte from 128 up.
class TIdASCIIEncoding final : public TIdTextEncoding {
 public:
  std::size_t GetByteCount(StringView text) const override { return text.size(); }
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t*, std::size_t count) const override { return count; }
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return true; }
  using TIdTextEncoding::GetString;
};

// One byte per code unit: code units from 256 up become "?"; every byte is the code unit of its value.
class TId8BitEncoding final : public TIdTextEncoding {
 public:
  std::size_t GetByteCount(StringView text) const override { return text.size(); }
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t*, std::size_t count) const override { return count; }
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return true; }
  using TIdTextEncoding::GetString;
};

// UTF-8. An unpaired surrogate is written as U+FFFD; each byte of an invalid sequence reads as U+FFFD.
class TIdUTF8Encoding final : public TIdTextEncoding {
 public:
  std::size_t GetByteCount(StringView text) const override;
  TIdBytes GetBytes(StringView text) const override;
  std::size_t GetCharCount(const std::uint8_t* bytes, std::size_t count) const override;
  String GetString(const std::uint8_t* bytes, std::size_t count) const override;
  bool IsSingleByte() const override { return false; }
  using TIdTextEncoding::GetString;
};

// The shared instances, created on first use.
const TIdTextEncoding& IdASCIIEncoding();
const TIdTextEncoding& Id8BitEncoding();
const TIdTextEncoding& IdUTF8Encoding();

// Selection codes for ResolveEncoding. ecDefault is the process default, which is ASCII.
enum class TIdEncodingCode { ecDefault = 0, ecASCII = 2, ecUTF8 = 4, ec8Bit = 5 };

// The encoding of a selection code.
const TIdTextEncoding& EncodingOf(TIdEncodingCode code);
// The given encoding, else the fallback, else the process default (ASCII).
const TIdTextEncoding& EncodingOrDefault(const TIdTextEncoding* given,
                                         const TIdTextEncoding* fallback = nullptr);
// Sets encoding to the encoding of the code when it holds none (nullptr).
void ResolveEncoding(const TIdTextEncoding*& encoding, TIdEncodingCode code = TIdEncodingCode::ecDefault);

// Text to bytes with the encoding (the process default when none); empty text gives no bytes.
TIdBytes TextToBytes(StringView text, const TIdTextEncoding* encoding = nullptr);
// The bytes from startIndex on, at most length of them when length is not negative, as text
// (the process default encoding when none). Fewer than one byte, or a start outside the
// array, gives the empty text.
String BytesToText(const TIdBytes& bytes, std::int64_t startIndex = 0, std::int64_t length = -1,
                   const TIdTextEncoding* encoding = nullptr);

// --- Ticks ---------------------------------------------------------------------------------

// The system's 32-bit millisecond counter; it wraps after about 49.7 days.
std::uint32_t CurrentTicks();
// Milliseconds from oldTicks to newTicks, across one wrap of the counter.
std::uint32_t TicksElapsed(std::uint32_t oldTicks, std::uint32_t newTicks);

#endif
