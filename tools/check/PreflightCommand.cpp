// preflight: the updater's own sequence against a real update server, up to the files it
// would write, which go into a scratch copy of the installation. Nothing of the user's is
// terminated, started or changed.
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check/CheckCommands.h"
#include "check/CommandPaths.h"
#include "check/FailureReport.h"
#include "check/KeyFiles.h"
#include "check/LineEscape.h"
#include "check/UpdaterClient.h"
#include "core/Crc32.h"
#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "signature/ArchiveSignature.h"
#include "unzip/AbExtractRules.h"
#include "unzip/AbUnZipper.h"
#include "updater/VersionDecision.h"
#include "zip/AbZipItem.h"

namespace check {
namespace {

// The seconds since a start, as " (0.012 s)".
class StepTimer {
 public:
  std::string Elapsed() const {
    const auto micro =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - FStart)
            .count();
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(micro) / 1e6);
    return text;
  }

 private:
  std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

std::string NumberText(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15Lg", value);
  return text;
}

// The version as dot-separated whole numbers ("1.10" is 1, 10), or nothing for any other text.
std::optional<std::vector<unsigned long long>> VersionSteps(const std::string& text) {
  std::vector<unsigned long long> steps;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = std::min(text.find('.', start), text.size());
    if (dot == start || dot - start > 18) return std::nullopt;
    unsigned long long step = 0;
    for (std::size_t i = start; i < dot; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      step = step * 10 + static_cast<unsigned>(text[i] - '0');
    }
    steps.push_back(step);
    if (dot == text.size()) return steps;
    start = dot + 1;
  }
}

// -1, 0 or 1 as the first list of steps stands below, at or above the second; missing
// steps count as 0.
int CompareSteps(const std::vector<unsigned long long>& a, const std::vector<unsigned long long>& b) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const unsigned long long x = i < a.size() ? a[i] : 0;
    const unsigned long long y = i < b.size() ? b[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// A note when reading the texts as numbers orders them otherwise than reading them as
// version steps would: "1.10" is the number 1.1, below "1.9".
std::optional<std::string> SurpriseNote(const std::string& installed, const std::string& newest,
                                        const updater::TVersionDecision& decision) {
  const auto a = VersionSteps(installed);
  const auto b = VersionSteps(newest);
  if (!a || !b) return std::nullopt;
  const int bySteps = CompareSteps(*a, *b);
  const int byNumbers = decision.Installed < decision.Newest   ? -1
                        : decision.Installed > decision.Newest ? 1
                                                               : 0;
  if (bySteps == byNumbers) return std::nullopt;
  const char* order[] = {"below", "equal to", "above"};
  return "as version steps " + installed + " is " + order[bySteps + 1] + " " + newest +
         ", but the updater compares decimal numbers: " + NumberText(decision.Installed) + " is " +
         order[byNumbers + 1] + " " + NumberText(decision.Newest);
}

// The scratch folders go again on every path.
class ScratchFolder {
 public:
  ScratchFolder() : FPath(platform::CreateScratchFolder(u"fendrel-preflight-")) {}
  ~ScratchFolder() { platform::RemoveTree(FPath); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const String& Path() const { return FPath; }

 private:
  String FPath;
};

// Copies a folder's files and folders with their attributes; what is neither is named in a
// note and left out.
void CopyFolder(const String& from, const String& to, const std::string& prefix) {
  for (const String& name : platform::FolderNames(from)) {
    const String source = PathBelow(from, name);
    const String target = PathBelow(to, name);
    const std::string relative = prefix + ToUtf8(name);
    switch (platform::PathKindOf(source)) {
      case platform::TPathKind::pkDirectory:
        if (!platform::CreateDir(target)) throw EFCreateError(Format(SFCreateError, {target, String()}));
        CopyFolder(source, target, relative + "/");
        break;
      case platform::TPathKind::pkFile: {
        {
          TFileStream input(source, fmOpenRead | fmShareDenyWrite);
          TFileStream output(target, fmCreate);
          output.CopyFrom(input, 0);
        }
        platform::FileSetDate(target, platform::FileGetDate(source));
        const std::int32_t attributes = platform::FileGetAttr(source);
        if (attributes >= 0) platform::FileSetAttr(target, static_cast<std::uint32_t>(attributes));
        break;
      }
      default:
        WriteOut("note\t" + EscapeLine(FromUtf8(relative)) +
                 "\tnot copied into the scratch folder: neither a file "
                 "nor a folder\n");
        break;
    }
  }
}

// The size and CRC-32 of a file, to tell whether an entry leaves it as it was.
struct FileSum {
  std::int64_t Size = 0;
  std::uint32_t CRC32 = 0;
};
FileSum SumOf(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  FileSum sum;
  std::uint32_t reg = kCrc32Preset;
  std::vector<std::uint8_t> buffer(1 << 16);
  while (true) {
    const std::int64_t n = file.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
    if (n <= 0) break;
    reg = Crc32Update(reg, buffer.data(), static_cast<std::size_t>(n));
    sum.Size += n;
  }
  sum.CRC32 = ~reg;
  return sum;
}

// What one entry met: the file its name leads to, as it was before the entry was written.
struct EntryTarget {
  bool Reached = false;
  std::optional<FileSum> Before;  // none: no file stood there
  std::exception_ptr Failure;
  bool Failed = false;
};

int Ended(int status) {
  return std::fflush(stdout) == 0 ? status : 2;
}

}  // namespace

int RunPreflight(const PreflightArguments& arguments) {
  // The updater reads both version texts with "." as the decimal separator.
  SetDecimalSeparator(u'.');
  const String installed = FromUtf8(arguments.Installed);
  try {
    (void)updater::VersionNumber(installed);
  } catch (const std::exception& e) {
    std::fputs(
        ("fendrel-check: INSTALLED must be a version the updater reads as a number: " + FailureText(e) + "\n")
            .c_str(),
        stderr);
    return 2;
  }
  std::optional<signature::TPublicKey> key;
  std::optional<String> installFolder;
  try {
    if (arguments.PublicKeyFile) key = ReadPublicKeyFile(*arguments.PublicKeyFile);
    if (arguments.InstallFolder) {
      installFolder = AbsolutePath(*arguments.InstallFolder);
      if (platform::PathKindOf(*installFolder) != platform::TPathKind::pkDirectory)
        throw EFOpenError(Format(SFOpenError, {*installFolder, String(u"Es ist kein Ordner.")}));
    }
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }

  TUpdaterClient client(arguments.CAFiles);
  TIdHTTP& http = client.HTTP();
  const String base = FromUtf8(arguments.BaseUrl);

  // The version query.
  String fetched;
  {
    StepTimer timer;
    try {
      fetched = http.Get(base + u"newest");
    } catch (const std::exception& e) {
      WriteOut("fail\tnewest\t" + FailureText(e) + '\t' + timer.Elapsed() + '\n');
      return Ended(2);
    }
    WriteOut("newest\t" + EscapeLine(fetched) + '\t' + timer.Elapsed() + '\n');
  }
  updater::TVersionDecision decision;
  try {
    decision = updater::DecideUpdate(installed, fetched);
  } catch (const std::exception& e) {
    WriteOut("fail\tdecision\t" + FailureText(e) +
             "\tthe updater shows this error and stays open; it does not update\n");
    return Ended(1);
  }
  const std::string installedText = EscapeLine(installed);
  const std::string newestText = EscapeLine(fetched);
  if (const auto note = SurpriseNote(arguments.Installed, ToUtf8(fetched), decision)) {
    WriteOut("note\t" + EscapeLine(FromUtf8(*note)) + '\n');
  }
  if (!decision.Update) {
    WriteOut("decision\tno update\tinstalled " + installedText + " is not below newest " + newestText +
             " as numbers; the updater shows \"Keine neue Version\" and closes\n");
    return Ended(1);
  }
  WriteOut("decision\tupdate\tinstalled " + installedText + " is below newest " + newestText +
           " as numbers\n");

  std::optional<ScratchFolder> scratch;
  try {
    scratch.emplace();
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  const String downloadFolder = PathBelow(scratch->Path(), u"download");
  const String installCopy = PathBelow(scratch->Path(), u"install");
  const String archive = PathBelow(downloadFolder, u"update.zip");

  // The download, on the same client as the version query.
  {
    StepTimer timer;
    try {
      if (!platform::CreateDir(downloadFolder))
        throw EFCreateError(Format(SFCreateError, {downloadFolder, String()}));
      TFileStream file(archive, fmCreate | fmShareDenyNone);
      http.Get(base + fetched + u"/update.zip", file);
    } catch (const std::exception& e) {
      WriteOut("fail\tdownload\t" + FailureText(e) + '\t' + timer.Elapsed() + '\n');
      return Ended(2);
    }
    WriteOut("download\t" + std::to_string(platform::FileSizeOf(archive)) + " bytes\t" + timer.Elapsed() +
             '\n');
  }

  // The signature, as an updater built with the key checks it before it closes anything.
  if (key) {
    StepTimer timer;
    try {
      signature::VerifyArchiveFile(archive, *key, ToUtf8(fetched));
    } catch (const std::exception& e) {
      WriteOut("fail\tsignature\t" + FailureText(e) +
               "\tthe updater refuses the archive and shows \"unbekannter Fehler :(\"\n");
      return Ended(1);
    }
    WriteOut("signature\tsigned for " + newestText + '\t' + timer.Elapsed() + '\n');
  } else {
    WriteOut(
        "signature\tnot checked: no --key given (an updater built with a key refuses an archive not signed "
        "for " +
        newestText + ")\n");
  }

  // The installation the updater extracts into.
  try {
    if (!platform::CreateDir(installCopy))
      throw EFCreateError(Format(SFCreateError, {installCopy, String()}));
    if (installFolder) CopyFolder(*installFolder, installCopy, std::string());
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }

  TAbUnZipper unzipper;
  {
    StepTimer timer;
    try {
      unzipper.OpenArchive(archive);
    } catch (const std::exception& e) {
      WriteOut("fail\topen\t" + FailureText(e) + '\t' + timer.Elapsed() + '\n');
      return Ended(2);
    }
    WriteOut("open\t" + std::to_string(unzipper.Count()) + " entries\t" + timer.Elapsed() + '\n');
  }

  // Extraction with the updater's options: every entry, under its bare name, into the
  // working folder (here the copy).
  std::map<const TAbArchiveItem*, EntryTarget> targets;
  unzipper.OnConfirmProcessItem = [&targets, &installCopy](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                                           bool&) {
    EntryTarget& target = targets[&item];
    target.Reached = true;
    try {
      const String name = abunzip::EntryTargetName(item.FileName(), item.IsDirectory(), false);
      const String path = PathBelow(installCopy, name);
      if (platform::PathKindOf(path) == platform::TPathKind::pkFile) target.Before = SumOf(path);
    } catch (const std::exception&) {
      // The extraction meets the same name and reports it.
    }
  };
  unzipper.OnProcessItemFailure = [&targets, &unzipper](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                                        TAbErrorClass, std::int32_t) {
    targets[&item].Failed = true;
    targets[&item].Failure = unzipper.LastItemException();
  };
  StepTimer extractTimer;
  std::exception_ptr stopped;
  try {
    unzipper.SetBaseDirectory(installCopy);
    unzipper.ExtractFiles(u"*");
  } catch (...) {
    stopped = std::current_exception();
  }

  int added = 0, replaced = 0, unchanged = 0, skipped = 0, failed = 0;
  for (int i = 0; i < unzipper.Count(); ++i) {
    const TAbZipItem& item = unzipper.Items(i);
    const std::string name = EscapeLine(item.FileName());
    const EntryTarget& target = targets[&item];
    std::string extra;
    if (target.Failed && IsDateOnlyFailure(item, target.Failure)) {
      extra = "\tdate: " + CaughtMessage(target.Failure);
    } else if (target.Failed) {
      ++failed;
      WriteOut("fail\t" + name + '\t' + (target.Failure ? CaughtText(target.Failure) : "EAbException: ?") +
               '\n');
      continue;
    }
    if (!target.Reached) {
      ++failed;
      WriteOut("fail\t" + name + "\tnot reached: the extraction stopped before it\n");
      continue;
    }
    if (item.IsDirectory()) {
      ++skipped;
      WriteOut("skip\t" + name + "\ta folder entry: the updater writes files only, under their bare names\n");
      continue;
    }
    const String bare = abunzip::EntryTargetName(item.FileName(), false, false);
    if (bare != item.FileName()) extra += "\tas " + EscapeLine(bare) + ": the updater drops the folders";
    if (!target.Before) {
      ++added;
      WriteOut("new\t" + name + extra + '\n');
    } else if (target.Before->Size == item.UncompressedSize() && target.Before->CRC32 == item.CRC32()) {
      ++unchanged;
      WriteOut("unchanged\t" + name + extra + '\n');
    } else {
      ++replaced;
      WriteOut("replaced\t" + name + extra + '\n');
    }
  }
  if (stopped) {
    ++failed;
    try {
      std::rethrow_exception(stopped);
    } catch (const std::exception& e) {
      WriteOut("fail\textract\t" + FailureText(e) +
               "\tthe updater stops here and shows \"unbekannter Fehler :(\"\n");
    }
  }
  WriteOut("extract\t" + std::to_string(unzipper.Count()) + " entries\t" + extractTimer.Elapsed() + '\n');
  unzipper.CloseArchive();

  const bool everything = skipped == 0 && failed == 0;
  WriteOut("summary\t" + std::to_string(added) + " new, " + std::to_string(replaced) + " replaced, " +
           std::to_string(unchanged) + " unchanged, " + std::to_string(skipped) + " skipped, " +
           std::to_string(failed) + " failed\t" +
           (everything ? "the updater would install everything"
            : stopped
                ? "the updater would not install everything"
                : "the updater would not install everything, and would still say \"Update erfolgreich\"") +
           '\n');
  return Ended(everything ? 0 : 1);
}

}  // namespace check
