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

inline constexpr char16_t SAbUserAbort[] = u"Process aborted by user";
inline constexpr char16_t SAbArchiveBusy[] = u"Archive is busy - cannot process new requests";
inline constexpr char16_t SAbNoSuchDirectory[] = u"Directory does not exist";
inline constexpr char16_t SAbBadStream[] = u"Invalid Stream";
inline constexpr char16_t SAbFileNotFound[] = u"File not found";
inline constexpr char16_t SAbNoArchive[] = u"Archive does not exist - Filename is blank";
inline constexpr char16_t SAbUnhandledType[] = u"Unhandled Archive Type";
inline constexpr char16_t SAbZipVersion[] = u"Cannot extract file - newer version required";
inline constexpr char16_t SAbZipInvalidMethod[] = u"Cannot extract file - unsupported compression method";
inline constexpr char16_t SAbZipNoExtraction[] = u"Cannot extract file - no extraction support provided";
inline constexpr char16_t SAbZipInvalidPassword[] = u"Cannot extract file - invalid password";
inline constexpr char16_t SAbZipInvalidFactor[] = u"Invalid Reduce Factor";
inline constexpr char16_t SAbZipBadSpanStream[] = u"Spanned archives must be opened as file streams";
inline constexpr char16_t SAbZipBadCRC[] = u"Failed CRC Check";
inline constexpr char16_t SAbZipInvalidLFH[] = u"Invalid Local File Header entry";
inline constexpr char16_t SAbZipInvalid[] = u"Invalid file - not a PKZip file";
inline constexpr char16_t SAbReadError[] = u"Error reading archive";
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

inline constexpr char16_t NEAbUserAbort[] = u"EAbUserAbort";
inline constexpr char16_t NEAbArchiveBusy[] = u"EAbArchiveBusy";
inline constexpr char16_t NEAbNoSuchDirectory[] = u"EAbNoSuchDirectory";
inline constexpr char16_t NEAbFileNotFound[] = u"EAbFileNotFound";
inline constexpr char16_t NEAbNoArchive[] = u"EAbNoArchive";
inline constexpr char16_t NEAbUnhandledType[] = u"EAbUnhandledType";
inline constexpr char16_t NEAbZipVersion[] = u"EAbZipVersion";
inline constexpr char16_t NEAbZipInvalidMethod[] = u"EAbZipInvalidMethod";
inline constexpr char16_t NEAbZipNoExtraction[] = u"EAbZipNoExtraction";
inline constexpr char16_t NEAbZipInvalidPassword[] = u"EAbZipInvalidPassword";
inline constexpr char16_t NEAbZipInvalidFactor[] = u"EAbZipInvalidFactor";
inline constexpr char16_t NEAbZipBadSpanStream[] = u"EAbZipBadSpanStream";
inline constexpr char16_t NEAbZipBadCRC[] = u"EAbZipBadCRC";
inline constexpr char16_t NEAbZipInvalidLFH[] = u"EAbZipInvalidLFH";
inline constexpr char16_t NEAbZipInvalid[] = u"EAbZipInvalid";
inline constexpr char16_t NEAbReadError[] = u"EAbReadError";

using EAbUserAbort = TAbFixedException<EAbException, 9, SAbUserAbort, NEAbUserAbort>;
using EAbArchiveBusy = TAbFixedException<EAbException, 10, SAbArchiveBusy, NEAbArchiveBusy>;
using EAbNoSuchDirectory = TAbFixedException<EAbException, 15, SAbNoSuchDirectory, NEAbNoSuchDirectory>;
using EAbFileNotFound = TAbFixedException<EAbException, 21, SAbFileNotFound, NEAbFileNotFound>;
using EAbNoArchive = TAbFixedException<EAbException, 23, SAbNoArchive, NEAbNoArchive>;
using EAbUnhandledType = TAbFixedException<EAbException, 28, SAbUnhandledType, NEAbUnhandledType>;
using EAbZipVersion = TAbFixedException<EAbZipException, 1, SAbZipVersion, NEAbZipVersion>;
using EAbZipInvalidMethod = TAbFixedException<EAbZipException, 2, SAbZipInvalidMethod, NEAbZipInvalidMethod>;
using EAbZipNoExtraction = TAbFixedException<EAbZipException, 3, SAbZipNoExtraction, NEAbZipNoExtraction>;
using EAbZipInvalidPassword =
    TAbFixedException<EAbZipException, 4, SAbZipInvalidPassword, NEAbZipInvalidPassword>;
using EAbZipInvalidFactor = TAbFixedException<EAbZipException, 6, SAbZipInvalidFactor, NEAbZipInvalidFactor>;
using EAbZipBadSpanStream = TAbFixedException<EAbZipException, 11, SAbZipBadSpanStream, NEAbZipBadSpanStream>;
using EAbZipBadCRC = TAbFixedException<EAbZipException, 19, SAbZipBadCRC, NEAbZipBadCRC>;
using EAbZipInvalidLFH = TAbFixedException<EAbZipException, 22, SAbZipInvalidLFH, NEAbZipInvalidLFH>;
using EAbZipInvalid = TAbFixedException<EAbZipException, 24, SAbZipInvalid, NEAbZipInvalid>;
using EAbReadError = TAbFixedException<EAbZipException, 25, SAbReadError, NEAbReadError>;

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
