#include "check/FailureReport.h"

#include <cstdio>
#include <new>

#include "check/LineEscape.h"
#include "core/Exception.h"
#include "http/IdHTTPException.h"
#include "zip/AbZipItem.h"

namespace check {

std::string FailureText(const std::exception& failure) {
  if (const auto* known = dynamic_cast<const Exception*>(&failure)) {
    return EscapeLine(known->ClassName() + u": " + known->Message());
  }
  if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
    return EscapeLine(String(u"EOutOfMemory: ") + SOutOfMemory);
  }
  return EscapeLine(u"Exception: " + FromUtf8(failure.what()));
}

std::string FailureLines(const std::exception& failure) {
  std::string lines = FailureText(failure) + '\n';
  if (const auto* status = dynamic_cast<const EIdHTTPProtocolException*>(&failure)) {
    lines += "ErrorCode: " + std::to_string(status->ErrorCode()) + '\n';
  }
  return lines;
}

std::string CaughtText(const std::exception_ptr& caught) {
  try {
    std::rethrow_exception(caught);
  } catch (const std::exception& e) {
    return FailureText(e);
  } catch (...) {
    return "Exception: ?";
  }
}

std::string CaughtMessage(const std::exception_ptr& caught) {
  try {
    std::rethrow_exception(caught);
  } catch (const Exception& e) {
    return EscapeLine(e.Message());
  } catch (const std::exception& e) {
    return EscapeLine(FromUtf8(e.what()));
  } catch (...) {
    return "?";
  }
}

bool IsDateOnlyFailure(const TAbZipItem& item, const std::exception_ptr& caught) {
  if (!caught) return false;
  try {
    std::rethrow_exception(caught);
  } catch (const EConvertError&) {
  } catch (...) {
    return false;
  }
  try {
    (void)item.LastModTimeAsDateTime();
    return false;
  } catch (const EConvertError&) {
    return true;
  }
}

void WriteFailure(const std::exception& failure) {
  const std::string lines = FailureLines(failure);
  std::fflush(stdout);
  std::fwrite(lines.data(), 1, lines.size(), stderr);
}

}  // namespace check
