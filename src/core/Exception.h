#ifndef FENDREL_CORE_EXCEPTION_H
#define FENDREL_CORE_EXCEPTION_H

#include <exception>
#include <string>
#include <utility>

#include "core/String.h"

// The root of every exception the system raises. It carries the message as UTF-16;
// what() gives it as UTF-8. ClassName() names the class as the error reports show it.
class Exception : public std::exception {
 public:
  explicit Exception(String message);
  const String& Message() const { return FMessage; }
  void SetMessage(String message);
  const char* what() const noexcept override { return FUtf8.c_str(); }
  virtual String ClassName() const { return u"Exception"; }

 private:
  String FMessage;
  std::string FUtf8;
};

// The runtime's own errors.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EConvertError"; }
};
class EStreamError : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EStreamError"; }
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  String ClassName() const override { return u"EReadError"; }
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  String ClassName() const override { return u"EWriteError"; }
};
class EFileStreamError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  String ClassName() const override { return u"EFileStreamError"; }
};
class EFOpenError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
  String ClassName() const override { return u"EFOpenError"; }
};
class EFCreateError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
  String ClassName() const override { return u"EFCreateError"; }
};
// The runtime's input/output error, carrying the operating system's error code.
class EInOutError : public Exception {
 public:
  EInOutError(String message, int errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }
  String ClassName() const override { return u"EInOutError"; }

 private:
  int FErrorCode;
};
class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EOutOfMemory"; }
};

inline constexpr char16_t SReadError[] = u"Stream-Lesefehler";
inline constexpr char16_t SWriteError[] = u"Stream-Schreibfehler";
inline constexpr char16_t SFOpenError[] = u"Datei %s kann nicht geöffnet werden. %s";
inline constexpr char16_t SFCreateError[] = u"Datei %s kann nicht erstellt werden. %s";
inline constexpr char16_t SInOutError[] = u"E/A-Fehler %d";
inline constexpr char16_t SOutOfMemory[] = u"Zu wenig Arbeitsspeicher";

#endif
