#ifndef FENDREL_ZIP_ABEXCEPTION_H
#define FENDREL_ZIP_ABEXCEPTION_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "core/Exception.h"
#include "core/String.h"

// The archive and decoding classes' exception family: every class carries a 32-bit
// signed ErrorCode; the classes with a fixed message set it as listed here.

// Texts of failures not made with TAbFixedException (below): EAbBadStream's, which may carry
// an inner exception, and the plain EAbException that a relative archive path raises.
inline constexpr char16_t SAbBadStream[] = u"Invalid Stream";
inline constexpr char16_t SAbFullPathRequired[] = u"Full Path Required";

class EAbException : public Exception {
 public:
  static constexpr char16_t kClassName[] = u"EAbException";
  explicit EAbException(String message, std::int32_t errorCode = 0)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  std::int32_t ErrorCode() const { return FErrorCode; }
  void SetErrorCode(std::int32_t errorCode) { FErrorCode = errorCode; }
  String ClassName() const override { return kClassName; }

 private:
  std::int32_t FErrorCode;
};

class EAbZipException : public EAbException {
 public:
  static constexpr char16_t kClassName[] = u"EAbZipException";
  using EAbException::EAbException;
  String ClassName() const override { return kClassName; }
};

// A fixed text as a template argument, so that a failure class states its message and its
// name in its own declaration.
template <std::size_t N>
struct TAbFixedText {
  char16_t Chars[N];
  constexpr TAbFixedText(const char16_t (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) Chars[i] = text[i];
  }
};

// A class with a fixed message and code below Parent (EAbException or EAbZipException);
// every instantiation is a class of its own, caught by its own name. One declaration says
// all of a failure:
//
//   using EAbZipExample = TAbFixedException<EAbZipException, 199, u"Cannot ...", u"EAbZipExample">;
//
// and tables of failures are made from the classes (kAbFailureTable), never written again.
template <class Parent, std::int32_t Code, TAbFixedText Text, TAbFixedText Name>
class TAbFixedException : public Parent {
 public:
  using ParentClass = Parent;
  static constexpr std::int32_t kErrorCode = Code;
  static constexpr const char16_t* kMessage = Text.Chars;
  static constexpr const char16_t* kClassName = Name.Chars;
  TAbFixedException() : Parent(kMessage, Code) {}
  explicit TAbFixedException(String message) : Parent(std::move(message), Code) {}
  String ClassName() const override { return kClassName; }
};

// One failure as a tool explains it.
struct TAbFailureDescription {
  const char16_t* ClassName;
  const char16_t* ParentName;
  std::int32_t ErrorCode;
  const char16_t* Message;
};

// The descriptions of the failure classes given, in their order.
template <class... Failures>
inline constexpr TAbFailureDescription kAbFailureTable[] = {
    {Failures::kClassName, Failures::ParentClass::kClassName, Failures::kErrorCode, Failures::kMessage}...};

using EAbUserAbort = TAbFixedException<EAbException, 9, u"Process aborted by user", u"EAbUserAbort">;
using EAbArchiveBusy =
    TAbFixedException<EAbException, 10, u"Archive is busy - cannot process new requests", u"EAbArchiveBusy">;
using EAbNoSuchDirectory =
    TAbFixedException<EAbException, 15, u"Directory does not exist", u"EAbNoSuchDirectory">;
using EAbFileNotFound = TAbFixedException<EAbException, 21, u"File not found", u"EAbFileNotFound">;
using EAbNoArchive =
    TAbFixedException<EAbException, 23, u"Archive does not exist - Filename is blank", u"EAbNoArchive">;
using EAbUnhandledType = TAbFixedException<EAbException, 28, u"Unhandled Archive Type", u"EAbUnhandledType">;
using EAbZipVersion =
    TAbFixedException<EAbZipException, 1, u"Cannot extract file - newer version required", u"EAbZipVersion">;
using EAbZipInvalidMethod =
    TAbFixedException<EAbZipException, 2, u"Cannot extract file - unsupported compression method",
                      u"EAbZipInvalidMethod">;
using EAbZipNoExtraction =
    TAbFixedException<EAbZipException, 3, u"Cannot extract file - no extraction support provided",
                      u"EAbZipNoExtraction">;
using EAbZipInvalidPassword = TAbFixedException<EAbZipException, 4, u"Cannot extract file - invalid password",
                                                u"EAbZipInvalidPassword">;
using EAbZipInvalidFactor =
    TAbFixedException<EAbZipException, 6, u"Invalid Reduce Factor", u"EAbZipInvalidFactor">;
using EAbZipBadSpanStream =
    TAbFixedException<EAbZipException, 11, u"Spanned archives must be opened as file streams",
                      u"EAbZipBadSpanStream">;
using EAbZipBadCRC = TAbFixedException<EAbZipException, 19, u"Failed CRC Check", u"EAbZipBadCRC">;
using EAbZipInvalidLFH =
    TAbFixedException<EAbZipException, 22, u"Invalid Local File Header entry", u"EAbZipInvalidLFH">;
using EAbZipInvalid =
    TAbFixedException<EAbZipException, 24, u"Invalid file - not a PKZip file", u"EAbZipInvalid">;
using EAbReadError = TAbFixedException<EAbZipException, 25, u"Error reading archive", u"EAbReadError">;

// "Invalid Stream", optionally carrying the exception that caused it: the message is
// then the fixed text, CR LF and the inner exception's message.
class EAbBadStream : public EAbException {
 public:
  EAbBadStream() : EAbException(SAbBadStream, 17) {}
  explicit EAbBadStream(const Exception& inner)
      : EAbException(String(SAbBadStream) + u"\r\n" + inner.Message(), 17),
        FInnerException(std::make_shared<Exception>(inner)) {}
  String ClassName() const override { return u"EAbBadStream"; }
  const Exception* InnerException() const { return FInnerException.get(); }

 private:
  std::shared_ptr<Exception> FInnerException;
};

#endif
