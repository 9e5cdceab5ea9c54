#ifndef FENDREL_CODECS_ABDFEXCEPTION_H
#define FENDREL_CODECS_ABDFEXCEPTION_H

#include <utility>

#include "core/Exception.h"
#include "core/String.h"

// The inflate decoder's exceptions. They descend directly from the root exception and
// carry no error code.

// A data error inside the decoder; Inflate never lets it out but wraps it into
// EAbInflateError.
class EAbInternalInflateError : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EAbInternalInflateError"; }
};

// What callers of Inflate see for corrupt compressed data.
class EAbInflateError : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EAbInflateError"; }
};

// Ends decoding quietly once the requested part of the output has been produced.
class EAbPartSizedInflate : public Exception {
 public:
  EAbPartSizedInflate() : Exception(u"") {}
  using Exception::Exception;
  String ClassName() const override { return u"EAbPartSizedInflate"; }
};

// Raised by a progress callback to end decoding early without an error.
class EAbAbortProgress : public Exception {
 public:
  EAbAbortProgress() : Exception(u"") {}
  using Exception::Exception;
  String ClassName() const override { return u"EAbAbortProgress"; }
};

// The fixed texts of the internal data errors.
inline constexpr char16_t SInflateErrorPrefix[] =
    u"Kolmira inflate error, possibly a corrupted compressed stream. (Internal cause: ";
inline constexpr char16_t SInflateBadBlockType[] = u"starting new block, but invalid block type [Inflate]";
inline constexpr char16_t SInflateBadStoredLength[] =
    u"invalid stored block (length and NOT length do not match) [InflateStoredBlock]";
inline constexpr char16_t SInflateTooManyLiteralCodes[] =
    u"count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]";
inline constexpr char16_t SInflateTooManyDistanceCodes[] =
    u"count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]";
inline constexpr char16_t SInflateBadCodeLengthSymbol[] =
    u"decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}";
inline constexpr char16_t SInflateBadCodeLengthLength[] =
    u"decoded a code length out of range {ReadLitDistCodeLengths}";
inline constexpr char16_t SInflateBadLengthSymbol[] =
    u"decoded an invalid length symbol: greater than 285 [DecodeData]";
inline constexpr char16_t SInflateBadDistanceSymbol[] =
    u"decoded an invalid distance symbol: greater than 29 [DecodeData]";
inline constexpr char16_t SInflateNoDataReadBit[] =
    u"no more compressed data in stream [TAbDfInBitStream.ReadBit]";
inline constexpr char16_t SInflateNoDataReadBits[] =
    u"no more compressed data in stream [TAbDfInBitStream.ReadBits]";
inline constexpr char16_t SInflateNoDataDiscardBits[] =
    u"no more compressed data in stream [TAbDfInBitStream.DiscardBits]";
inline constexpr char16_t SInflateNoDataReadBuffer[] =
    u"no more compressed data in stream [TAbDfInBitStream.ReadBuffer]";
inline constexpr char16_t SInflateReadBitsCount[] =
    u"count of bits must be between 1 and 16 inclusive [TAbDfInBitStream.ReadBits]";
inline constexpr char16_t SInflateDiscardBitsCount[] =
    u"count of bits must be between 1 and 32 inclusive [TAbDfInBitStream.DiscardBits]";

// Data errors the decoder rejects so that it never reads or writes outside its window,
// its code-length list or its tables.
inline constexpr char16_t SInflateDistanceTooFar[] =
    u"decoded a distance reaching back before the first byte produced [DecodeData]";
inline constexpr char16_t SInflateNoDistanceCode[] =
    u"decoded an invalid distance symbol: no distance code for these bits [DecodeData]";
inline constexpr char16_t SInflateRepeatPastEnd[] =
    u"a repeat code runs past the end of the code lengths {ReadLitDistCodeLengths}";
inline constexpr char16_t SInflateRepeatFirst[] =
    u"a repeat code 16 with no previous code length {ReadLitDistCodeLengths}";

#endif
