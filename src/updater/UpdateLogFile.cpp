#include "updater/UpdateLogFile.h"

#include <cstdlib>
#include <utility>

#include "core/Stream.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "unzip/AbUnzipToFile.h"

namespace updater {
namespace {

String Digits(int value, int width) {
  String text = IntToStr(value);
  while (static_cast<int>(text.size()) < width) text.insert(text.begin(), u'0');
  return text;
}

bool EndsAuthority(char16_t c) {
  return c == u'/' || c == u'?' || c == u'#' || c == u'\\' || c == u'"' || c == u'\'' || c == u'<' ||
         c == u'>' || c <= u' ';
}

}  // namespace

String StripUrlCredentials(StringView text) {
  String out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t scheme = text.find(u"://", from);
    if (scheme == StringView::npos) break;
    const std::size_t start = scheme + 3;
    std::size_t end = start;
    while (end < text.size() && !EndsAuthority(text[end])) ++end;
    const std::size_t at = text.substr(start, end - start).rfind(u'@');
    out.append(text.substr(from, start - from));
    from = at == StringView::npos ? start : start + at + 1;
  }
  out.append(text.substr(from));
  return out;
}

String LogTimestamp(TDateTime localTime, std::int32_t utcOffsetMinutes) {
  const TDateTimeParts t = DecodeDateTime(localTime);
  const std::int32_t offset = std::abs(utcOffsetMinutes);
  return Digits(t.Year, 4) + u"-" + Digits(t.Month, 2) + u"-" + Digits(t.Day, 2) + u"T" + Digits(t.Hour, 2) +
         u":" + Digits(t.Minute, 2) + u":" + Digits(t.Second, 2) + u"." + Digits(t.Millisecond, 3) +
         (utcOffsetMinutes < 0 ? u"-" : u"+") + Digits(offset / 60, 2) + u":" + Digits(offset % 60, 2);
}

TUpdateLogFile::TUpdateLogFile(String folder, platform::IWallClock& clock, std::int64_t limit)
    : FFolder(std::move(folder)), FClock(clock), FLimit(limit) {
  if (!FFolder.empty()) FFileName = FFolder + platform::PathDelim + u"update.log";
}

void TUpdateLogFile::Write(const String& event) noexcept {
  if (FFileName.empty()) return;
  try {
    // Cut only after the credentials are out, so no part of one is kept.
    // Control characters as escapes; a backslash stays as it is, since paths are full of them.
    String text = EscapeControls(StripUrlCredentials(event), false);
    if (text.size() > kMaxEventLength) text = text.substr(0, kMaxEventLength) + u"...";
    const String line = LogTimestamp(FClock.Now(), FClock.UtcOffsetMinutes()) + u" " + text + u"\n";
    WriteLine(ToUtf8(line));
  } catch (...) {
    // A log that cannot be written is no reason to stop or change anything.
  }
}

void TUpdateLogFile::WriteLine(const std::string& line) {
  if (!platform::DirectoryExists(FFolder)) ForceDirectoryPath(FFolder);
  const std::int64_t size = platform::FileSizeOf(FFileName);
  const auto length = static_cast<std::int64_t>(line.size());
  if (size > 0 && size + length >= FLimit) platform::RenameFile(FFileName, OldFileName());
  // Opened for each line and closed again: nothing waits in a buffer, and another run
  // may start a new file in between.
  const bool exists = platform::FileExists(FFileName);
  TFileStream file(FFileName, exists ? static_cast<std::uint16_t>(fmOpenWrite | fmShareDenyNone)
                                     : static_cast<std::uint16_t>(fmCreate | fmShareDenyNone));
  file.Seek(0, TSeekOrigin::soEnd);
  file.WriteBuffer(line.data(), length);
}

}  // namespace updater
