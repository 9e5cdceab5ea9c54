#ifndef FENDREL_TOOLS_CHECK_FAILUREREPORT_H
#define FENDREL_TOOLS_CHECK_FAILUREREPORT_H

#include <exception>
#include <string>

class TAbZipItem;

namespace check {

// "<class>: <message>" of a failure, escaped as every line of the tool: the most
// specific class as the system names it.
std::string FailureText(const std::exception& failure);

// The lines a failure writes to standard error: FailureText, and for an HTTP error
// status a second line "ErrorCode: <n>"; each ends with a line feed.
std::string FailureLines(const std::exception& failure);

// FailureText of a caught exception ("Exception: ?" for one that is no std::exception).
std::string CaughtText(const std::exception_ptr& caught);
// The message alone of a caught exception, escaped.
std::string CaughtMessage(const std::exception_ptr& caught);

// Whether an entry's failure is only that its stored date could not be given to the file
// written: a conversion error for an entry whose date cannot be turned into a file time.
bool IsDateOnlyFailure(const TAbZipItem& item, const std::exception_ptr& caught);

// Writes FailureLines to standard error, after what standard output holds so far.
void WriteFailure(const std::exception& failure);

}  // namespace check

#endif
