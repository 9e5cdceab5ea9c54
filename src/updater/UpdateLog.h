#ifndef FENDREL_UPDATER_UPDATELOG_H
#define FENDREL_UPDATER_UPDATELOG_H

#include <exception>

#include "core/String.h"

namespace updater {

// Where the update sequence records what it does, one event at a time, so that a run
// that went wrong can be told apart afterwards. A log is never part of the update: the
// sequence swallows whatever a Write raises.
class IUpdateLog {
 public:
  virtual ~IUpdateLog() = default;
  // Records one event (a text without its time; line breaks in it are the log's business).
  virtual void Write(const String& event) = 0;
};

// A log that records nothing.
IUpdateLog& NullUpdateLog();

// The class of an exception as the log names it: ClassName() for the system's own, the
// C++ type name otherwise (where the exception dialog says only "Exception"). The message
// is the one the dialog shows (platform::ui::ExceptionMessage).
String ExceptionClassName(const std::exception& e);
// "class: message" of an exception, for a log line; of a kept one as well (a null one
// or one that is no std::exception gets a text that says so).
String DescribeException(const std::exception& e);
String DescribeException(const std::exception_ptr& e);

}  // namespace updater

#endif
