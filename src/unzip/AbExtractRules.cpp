#include "unzip/AbExtractRules.h"

#include <array>
#include <vector>

#include "platform/Files.h"
#include "unzip/AbExtractFailures.h"

namespace abunzip {
namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || platform::IsPathSeparator(c);
}

String BackslashName(StringView name) {
  String result(name);
  for (auto& c : result)
    if (c == u'/') c = u'\\';
  return result;
}

// Windows gives these stems to devices, with or without an extension.
bool IsDeviceName(StringView step) {
  StringView stem = step.substr(0, step.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  const String upper = UpperCaseAscii(stem);
  static constexpr std::array<StringView, 4> kPlain = {u"CON", u"PRN", u"AUX", u"NUL"};
  for (const auto& name : kPlain)
    if (upper == name) return true;
  if (upper.size() != 4 || !(upper.starts_with(u"COM") || upper.starts_with(u"LPT"))) return false;
  // A digit, or one of the superscript digits one to three, which Windows takes as well.
  const char16_t number = upper[3];
  return (number >= u'0' && number <= u'9') || number == u'\u00B9' || number == u'\u00B2' ||
         number == u'\u00B3';
}

// A step that can be a file name on every platform the system runs on.
void CheckStep(StringView step) {
  if (step.empty() || step == u"." || step == u"..") throw EAbZipRefusedName();
  if (step.back() == u'.' || step.back() == u' ') throw EAbZipRefusedName();
  if (IsDeviceName(step)) throw EAbZipRefusedName();
}

std::vector<StringView> SplitSteps(StringView path) {
  std::vector<StringView> steps;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == u'\\') {
      steps.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return steps;
}

}  // namespace

bool MatchesWildcard(StringView text, StringView pattern) {
  if (text.empty()) return pattern.empty();
  if (pattern == u"*" || pattern == u"*.*") return true;
  size_t t = 0, p = 0;
  size_t starPattern = StringView::npos, starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starPattern = p++;
      starText = t;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (starPattern != StringView::npos) {
      p = starPattern + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool MatchesStoredName(StringView storedName, bool isDirectory, StringView mask) {
  String maskText = BackslashName(mask);
  const size_t lastSlash = maskText.rfind(u'\\');
  String folder = lastSlash == String::npos ? String() : maskText.substr(0, lastSlash + 1);
  const String namePart = lastSlash == String::npos ? maskText : maskText.substr(lastSlash + 1);
  if (folder.find(u"\\\\") != String::npos) {
    // A network share: everything before the fourth "\" is the drive.
    size_t found = String::npos;
    size_t from = 0;
    for (int n = 0; n < 4; ++n) {
      found = folder.find(u'\\', from);
      if (found == String::npos) break;
      from = found + 1;
    }
    if (found != String::npos) folder = folder.substr(found + 1);
  } else if (const size_t colon = folder.find(u':'); colon != String::npos) {
    size_t rest = colon + 1;
    if (rest < folder.size() && folder[rest] == u'\\') ++rest;
    folder = folder.substr(rest);
  }

  String name = BackslashName(storedName);
  if (isDirectory && !name.empty() && name.back() == u'\\') name.pop_back();
  name = UpperCaseAscii(name);
  const size_t nameSlash = name.rfind(u'\\');
  const StringView entryFolder =
      nameSlash == String::npos ? StringView() : StringView(name).substr(0, nameSlash + 1);
  const StringView entryName =
      nameSlash == String::npos ? StringView(name) : StringView(name).substr(nameSlash + 1);

  if (!folder.empty() && !MatchesWildcard(entryFolder, UpperCaseAscii(folder))) return false;
  return MatchesWildcard(entryName, UpperCaseAscii(namePart));
}

bool MatchesStoredNameEx(StringView storedName, bool isDirectory, StringView maskList) {
  size_t start = 0;
  while (start <= maskList.size()) {
    size_t end = maskList.find(u';', start);
    if (end == StringView::npos) end = maskList.size();
    const StringView mask = TrimView(maskList.substr(start, end - start));
    if (!mask.empty() && MatchesStoredName(storedName, isDirectory, mask)) return true;
    start = end + 1;
  }
  return false;
}

String EntryTargetName(StringView storedName, bool isDirectory, bool restorePath) {
  for (const char16_t c : storedName)
    if (c < 0x20) throw EAbZipRefusedName();
  String name = BackslashName(storedName);
  if (isDirectory && !name.empty() && name.back() == u'\\') name.pop_back();

  const size_t bareStart = name.find_last_of(u"\\:");
  const StringView bare =
      bareStart == String::npos ? StringView(name) : StringView(name).substr(bareStart + 1);
  CheckStep(bare);
  if (!restorePath) return String(bare);

  if (name.find(u':') != String::npos) throw EAbZipUnsafePath();
  String result;
  for (const StringView step : SplitSteps(name)) {
    if (step.empty() || step == u"..") throw EAbZipUnsafePath();
    if (step == u".") continue;
    CheckStep(step);
    if (!result.empty()) result += u'\\';
    result += step;
  }
  return result;
}

String JoinBaseDirectory(StringView baseDirectory, StringView target) {
  if (baseDirectory.empty()) return String(target);
  const char16_t last = baseDirectory.back();
  if (IsSeparator(last) || last == u':') return String(baseDirectory) + String(target);
  return String(baseDirectory) + u'\\' + String(target);
}

String DirectoryPartOf(StringView target) {
  size_t last = StringView::npos;
  for (size_t i = 0; i < target.size(); ++i)
    if (IsSeparator(target[i]) || target[i] == u':') last = i;
  if (last == StringView::npos) return {};
  if (target[last] == u':') return String(target.substr(0, last + 1));
  // A root keeps its separator: "/" alone, "C:\".
  if (last == 0 || (last > 0 && target[last - 1] == u':')) return String(target.substr(0, last + 1));
  return String(target.substr(0, last));
}

String NormalizeBaseDirectory(StringView value) {
  String result(value);
  if (result.size() > 1 && IsSeparator(result.back()) && result[result.size() - 2] != u':') result.pop_back();
  return result;
}

}  // namespace abunzip
