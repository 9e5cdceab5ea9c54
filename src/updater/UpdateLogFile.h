#ifndef FENDREL_UPDATER_UPDATELOGFILE_H
#define FENDREL_UPDATER_UPDATELOGFILE_H

#include <cstdint>

#include "core/String.h"
#include "platform/WallClock.h"
#include "updater/UpdateLog.h"

namespace updater {

// The update log on disk: "update.log" in a folder, created with its missing levels on
// the first event. Each event becomes one line of UTF-8 that starts with the local time
// and its offset from UTC ("2026-12-11T06:30:12.345+01:00 "); control characters in the
// event are written as "\r", "\n", "\t" or "\xNN", so an event never breaks its line,
// and "user:password@" is dropped from every URL in it. The line is written and the file
// closed before Write returns, so a run that is killed leaves every earlier line. Before
// a line would take the file to its limit, the file becomes "update.log.1" (replacing
// the one before) and a new one is started. Nothing that goes wrong here ever raises.
class TUpdateLogFile final : public IUpdateLog {
 public:
  // Below 1 MB.
  static constexpr std::int64_t kDefaultLimit = 1000 * 1000;
  // An event longer than this is cut, so one line never fills the file.
  static constexpr std::size_t kMaxEventLength = 4000;

  // folder: without a trailing delimiter; empty records nothing.
  TUpdateLogFile(String folder, platform::IWallClock& clock, std::int64_t limit = kDefaultLimit);

  void Write(const String& event) noexcept override;

  // The log's path, and the one of the older file it keeps; empty without a folder.
  const String& FileName() const { return FFileName; }
  String OldFileName() const { return FFileName + u".1"; }

 private:
  void WriteLine(const std::string& line);

  String FFolder;
  String FFileName;
  platform::IWallClock& FClock;
  std::int64_t FLimit;
};

// The text with the user information ("name:password@") taken out of every URL in it.
String StripUrlCredentials(StringView text);

// The local time with its offset from UTC, to the millisecond: "2026-12-11T06:30:12.345+01:00".
String LogTimestamp(TDateTime localTime, std::int32_t utcOffsetMinutes);

}  // namespace updater

#endif
