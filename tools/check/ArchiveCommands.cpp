// list, test and extract: an update archive seen through the very component the
// updater extracts with.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "check/CheckCommands.h"
#include "check/CommandPaths.h"
#include "check/FailureReport.h"
#include "check/LineEscape.h"
#include "codecs/AbUnzipItem.h"
#include "codecs/AbUnzipStreams.h"
#include "core/Exception.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "unzip/AbUnZipper.h"
#include "unzip/AbUnzipToFile.h"
#include "zip/AbZipFileHeader.h"
#include "zip/AbZipItem.h"

namespace check {
namespace {

// The status the command ends with once its lines are written.
int Finish(bool anyEntryFailed) {
  if (std::fflush(stdout) != 0) return 2;
  return anyEntryFailed ? 1 : 0;
}

// Opens the archive; on failure writes the exception and returns false.
bool Open(TAbUnZipper& unzipper, const ArchiveArguments& arguments) {
  try {
    if (arguments.Password) unzipper.SetPassword(*arguments.Password);
    unzipper.OpenArchive(AbsolutePath(arguments.Archive));
    return true;
  } catch (const std::exception& e) {
    WriteFailure(e);
    return false;
  }
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

// The note for an entry whose only finding in the test is that its local header's extra
// field differs from the central one, when its data decodes to its checksum: the updater
// does not compare the two and installs such an entry. Empty otherwise.
std::string ExtraFieldOnlyNote(TAbUnZipper& unzipper, TAbZipItem& item) {
  try {
    TAbZipArchive& archive = *unzipper.ZipArchive();
    TStream& stream = archive.Stream();
    stream.Seek(item.RelativeOffset(), TSeekOrigin::soBeginning);
    TAbZipLocalFileHeader local;
    local.LoadFromStream(stream);
    const auto& central = item.ItemInfo();
    const bool othersEqual =
        local.VersionNeededToExtract() == central.VersionNeededToExtract() &&
        local.GeneralPurposeBitFlag() == central.GeneralPurposeBitFlag() &&
        local.LastModFileTime() == central.LastModFileTime() &&
        local.LastModFileDate() == central.LastModFileDate() && local.CRC32() == item.CRC32() &&
        local.CompressedSize() == item.CompressedSize() &&
        local.UncompressedSize() == item.UncompressedSize() && local.FileName() == item.RawFileName();
    if (!othersEqual || local.ExtraField().Buffer() == central.ExtraField().Buffer()) return {};
    TAbDiscardStream discard;
    const std::unique_ptr<TStream> source = OpenItemData(archive, item);
    if (!DecodeItemDataChecked(archive, item, *source, discard)) return {};
  } catch (const std::exception&) {
    return {};
  }
  return "\tonly the local extra field differs from the central one; the updater does not compare them "
         "and would install this entry (fendrel-check preflight shows what it installs)";
}

}  // namespace

int RunList(const ArchiveArguments& arguments) {
  TAbUnZipper unzipper;
  if (!Open(unzipper, arguments)) return 2;
  for (int i = 0; i < unzipper.Count(); ++i) {
    const TAbZipItem& item = unzipper.Items(i);
    WriteOut(std::to_string(item.ItemInfo().CompressionMethod()) + '\t' +
             std::to_string(item.CompressedSize()) + '\t' + std::to_string(item.UncompressedSize()) + '\t' +
             Hex8(item.CRC32()) + '\t' + (item.IsDirectory() ? "d" : "-") + '\t' +
             EscapeLine(item.FileName()) + '\n');
  }
  return Finish(false);
}

int RunTest(const ArchiveArguments& arguments) {
  TAbUnZipper unzipper;
  if (!Open(unzipper, arguments)) return 2;
  bool reported = false;
  unzipper.OnProcessItemFailure = [&reported](TAbArchive&, TAbArchiveItem&, TAbProcessType, TAbErrorClass,
                                              std::int32_t) { reported = true; };
  bool anyFailed = false;
  for (int i = 0; i < unzipper.Count(); ++i) {
    const std::string name = EscapeLine(unzipper.Items(i).FileName());
    reported = false;
    unzipper.ClearLastItemException();
    std::string failure;
    try {
      // One entry at a time: testing the tagged entries would go through every entry
      // for each of them.
      unzipper.TestAt(i);
      if (reported)
        failure = unzipper.LastItemException() ? CaughtText(unzipper.LastItemException()) : "EAbException: ?";
    } catch (const EAbZipInvalidLFH& e) {
      failure = FailureText(e) + ExtraFieldOnlyNote(unzipper, unzipper.Items(i));
    } catch (const std::exception& e) {
      failure = FailureText(e);
    }
    if (failure.empty()) {
      WriteOut("ok\t" + name + '\n');
    } else {
      anyFailed = true;
      WriteOut("fail\t" + name + '\t' + failure + '\n');
    }
  }
  return Finish(anyFailed);
}

int RunExtract(const ArchiveArguments& arguments) {
  TAbUnZipper unzipper;
  if (!Open(unzipper, arguments)) return 2;
  try {
    const String directory = AbsolutePath(arguments.Directory);
    ForceDirectoryPath(directory);
    unzipper.SetBaseDirectory(directory);
    unzipper.SetDurableExtraction(!arguments.NoSync);
    if (arguments.RestorePaths) {
      unzipper.SetExtractOptions(
          TAbExtractOptions{TAbExtractOption::eoCreateDirs, TAbExtractOption::eoRestorePath});
    }
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }

  // What happened to each entry, by its place in the directory.
  std::map<const TAbArchiveItem*, bool> reached;
  std::map<const TAbArchiveItem*, std::exception_ptr> failed;
  unzipper.OnConfirmProcessItem = [&reached](TAbArchive&, TAbArchiveItem& item, TAbProcessType, bool&) {
    reached[&item] = true;
  };
  unzipper.OnProcessItemFailure = [&failed, &unzipper](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                                       TAbErrorClass, std::int32_t) {
    failed[&item] = unzipper.LastItemException();
  };

  std::exception_ptr stopped;
  try {
    unzipper.ExtractFiles(u"*");
  } catch (...) {
    stopped = std::current_exception();
  }

  // An operation that stopped as a whole stopped at the last entry it reached: the
  // entries before that one have their lines.
  int end = unzipper.Count();
  if (stopped) {
    end = 0;
    for (int i = 0; i < unzipper.Count(); ++i) {
      if (reached.count(&unzipper.Items(i)) != 0) end = i;
    }
  }
  bool anyFailed = false;
  for (int i = 0; i < end; ++i) {
    const TAbZipItem& item = unzipper.Items(i);
    const std::string name = EscapeLine(item.FileName());
    if (const auto failure = failed.find(&item); failure != failed.end()) {
      if (IsDateOnlyFailure(item, failure->second)) {
        WriteOut("ok\t" + name + "\tdate: " + CaughtMessage(failure->second) + '\n');
        continue;
      }
      anyFailed = true;
      WriteOut("fail\t" + name + '\t' + (failure->second ? CaughtText(failure->second) : "EAbException: ?") +
               '\n');
    } else if (reached.count(&item) == 0 || (item.IsDirectory() && !arguments.RestorePaths)) {
      WriteOut("skip\t" + name + '\n');
    } else {
      WriteOut("ok\t" + name + '\n');
    }
  }
  if (stopped) {
    try {
      std::rethrow_exception(stopped);
    } catch (const std::exception& e) {
      WriteFailure(e);
    }
    return 2;
  }
  return Finish(anyFailed);
}

}  // namespace check
