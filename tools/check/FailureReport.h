#ifndef FENDREL_TOOLS_CHECK_FAILUREREPORT_H
#define FENDREL_TOOLS_CHECK_FAILUREREPORT_H

#include <exception>
#include <string>

namespace check {

// "<class>: <message>" of a failure, escaped as every line of the tool: the most
// specific class as the system names it.
std::string FailureText(const std::exception& failure);

// The lines a failure writes to standard error: FailureText, and for an HTTP error
// status a second line "ErrorCode: <n>"; each ends with a line feed.
std::string FailureLines(const std::exception& failure);

// Writes FailureLines to standard error, after what standard output holds so far.
void WriteFailure(const std::exception& failure);

}  // namespace check

#endif
