// publish: a release made from a folder of the application's files, as the update server
// serves it: SITE/VERSION/update.zip, signed for VERSION, and SITE/newest naming VERSION.
// The archive is written with libzip.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/CheckCommands.h"
#include "check/CommandPaths.h"
#include "check/FailureReport.h"
#include "check/KeyFiles.h"
#include "check/LineEscape.h"
#include "check/ReleaseRules.h"
#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "core/Stream.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "signature/ArchiveSignature.h"
#include "signature/ArchiveSigning.h"
#include "unzip/AbUnZipper.h"
#include "unzip/AbUnzipToFile.h"
#include "zip/AbDosDateTime.h"
#include "zip/AbZipItem.h"

namespace check {
namespace {

// One file of the release.
struct ReleaseFile {
  String Path;       // on disk
  std::string Name;  // stored in the archive: UTF-8, "/" between folders
  std::int64_t Size = 0;
  std::uint32_t UnixMode = 0;
  TDateTime Modified = 0;  // local time
};

// What the walk through the folder found: the files, and a line for each thing the
// updater could not install.
struct FolderContents {
  std::vector<ReleaseFile> Files;
  std::vector<std::string> Refusals;
};

void Refuse(FolderContents& contents, const std::string& name, const std::string& reason) {
  contents.Refusals.push_back("refused\t" + EscapeLine(FromUtf8(name)) + '\t' + reason + '\n');
}

// Walks a folder in the order of its names' bytes, which is the order of the entries.
void Walk(const String& folder, const std::string& prefix, const String& site, FolderContents& contents) {
  std::vector<std::string> names;
  for (const String& name : platform::FolderNames(folder)) names.push_back(ToUtf8(name));
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const String path = PathBelow(folder, FromUtf8(name));
    const std::string relative = prefix.empty() ? name : prefix + "/" + name;
    const platform::TPathState facts = platform::PathStateOf(path);
    switch (facts.Kind) {
      case platform::TPathKind::pkDirectory:
        if (platform::SameFile(path, site)) {
          Refuse(contents, relative, "the release's own SITE folder lies in the folder");
          break;
        }
        Walk(path, relative, site, contents);
        break;
      case platform::TPathKind::pkSymLink:
        Refuse(contents, relative, "a link: the updater installs files only");
        break;
      case platform::TPathKind::pkFile:
        contents.Files.push_back({path, relative, facts.Size, facts.UnixMode, platform::FileGetDate(path)});
        break;
      default:
        Refuse(contents, relative, "neither a file nor a folder");
        break;
    }
  }
}

// The refusals of what the updater could not install: names that cannot be files, paths
// that leave the folder, two files the updater would write to the same name, files over
// the size limit. Sets each file's stored name.
void CheckFiles(FolderContents& contents, bool keepFolders) {
  std::map<String, std::string> byTarget;
  for (ReleaseFile& file : contents.Files) {
    const std::string relative = file.Name;
    const std::size_t slash = relative.rfind('/');
    if (!keepFolders && slash != std::string::npos) file.Name = relative.substr(slash + 1);
    if (const std::optional<std::string> refusal = EntryNameRefusal(FromUtf8(file.Name), keepFolders)) {
      Refuse(contents, relative, *refusal);
      continue;
    }
    if (file.Size > kLargestEntrySize) {
      Refuse(contents, relative,
             "larger than the archive's limit of " + std::to_string(kLargestEntrySize) + " bytes");
      continue;
    }
    // The updater writes every entry under its bare name into one folder, on Windows
    // without regard to case.
    const String target =
        UpperCaseAscii(FromUtf8(relative.substr(slash == std::string::npos ? 0 : slash + 1)));
    const auto [first, added] = byTarget.emplace(target, relative);
    if (!added) {
      Refuse(contents, relative,
             "the updater would write it over \"" + EscapeLine(FromUtf8(first->second)) +
                 "\": it installs every file under its bare name into one folder");
    }
  }
}

// The MS-DOS date and time of a file's last change; a date before 1980 or after 2107
// becomes the nearest the format holds.
void DosTimeOf(TDateTime modified, std::uint16_t& date, std::uint16_t& time) {
  if (AbDateTimeToDosFileDate(modified, date, time)) return;
  date = modified < EncodeDate(1980, 1, 1) ? (0 << 9) | (1 << 5) | 1 : (127 << 9) | (12 << 5) | 31;
  time = modified < EncodeDate(1980, 1, 1) ? 0 : (23 << 11) | (59 << 5) | 29;
}

// Raised by the archive writer; its message is libzip's.
class EPublishWrite : public Exception {
 public:
  using Exception::Exception;
  String ClassName() const override { return u"EPublishWrite"; }
};

[[noreturn]] void RaiseZipError(const String& archive, zip_error_t* error) {
  throw EPublishWrite(u"Das Archiv " + archive + u" kann nicht geschrieben werden: " +
                      FromUtf8(zip_error_strerror(error)));
}

// Writes the archive: deflated entries in the order given, each with its file's date and
// Unix mode and nothing that varies between two runs (no extra fields, no comment).
void WriteArchive(const String& archive, const std::vector<ReleaseFile>& files) {
  int openError = 0;
  zip_t* zip = zip_open(ToUtf8(platform::NativePath(archive)).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
  if (zip == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, openError);
    try {
      RaiseZipError(archive, &error);
    } catch (...) {
      zip_error_fini(&error);
      throw;
    }
  }
  try {
    for (const ReleaseFile& file : files) {
      zip_source_t* source = zip_source_file(zip, ToUtf8(platform::NativePath(file.Path)).c_str(), 0, 0);
      if (source == nullptr) RaiseZipError(archive, zip_get_error(zip));
      const zip_int64_t index = zip_file_add(zip, file.Name.c_str(), source, ZIP_FL_ENC_UTF_8);
      if (index < 0) {
        zip_source_free(source);
        RaiseZipError(archive, zip_get_error(zip));
      }
      const auto entry = static_cast<zip_uint64_t>(index);
      std::uint16_t date = 0;
      std::uint16_t time = 0;
      DosTimeOf(file.Modified, date, time);
      constexpr zip_uint32_t kRegularFile = 0100000;
      if (zip_set_file_compression(zip, entry, ZIP_CM_DEFLATE, 0) != 0 ||
          zip_file_set_dostime(zip, entry, time, date, 0) != 0 ||
          zip_file_set_external_attributes(zip, entry, 0, ZIP_OPSYS_UNIX,
                                           (kRegularFile | (file.UnixMode & 0777)) << 16) != 0 ||
          zip_file_extra_field_delete(zip, entry, ZIP_EXTRA_FIELD_ALL, ZIP_FL_CENTRAL | ZIP_FL_LOCAL) < 0) {
        RaiseZipError(archive, zip_get_error(zip));
      }
    }
    if (zip_close(zip) != 0) RaiseZipError(archive, zip_get_error(zip));
  } catch (...) {
    zip_discard(zip);
    throw;
  }
}

// Reads the written archive with the updater's own component: every file is there under
// its name and decodes to its checksum.
void CheckWrittenArchive(const String& archive, const std::vector<ReleaseFile>& files) {
  TAbUnZipper unzipper;
  unzipper.OpenArchive(archive);
  bool sound = unzipper.Count() == static_cast<int>(files.size());
  for (int i = 0; sound && i < unzipper.Count(); ++i) {
    sound = ToUtf8(unzipper.Items(i).FileName()) == files[static_cast<std::size_t>(i)].Name;
  }
  if (!sound) {
    throw EPublishWrite(u"Das Archiv " + archive + u" enthält nicht die Dateien, die geschrieben wurden");
  }
  unzipper.TagItems(u"*");
  unzipper.TestTaggedItems();
  unzipper.CloseArchive();
}

// SITE/newest holds exactly the version, without a line break; it takes the place of an
// earlier one in one step, so a server never serves half of it.
void WriteNewest(const String& site, const std::string& version) {
  platform::TReplacementFile newest(PathBelow(site, u"newest"));
  newest.WriteBuffer(version.data(), static_cast<std::int64_t>(version.size()));
  newest.Commit();
}

}  // namespace

int RunPublish(const PublishArguments& arguments) {
  // The updater reads version texts with "." as the decimal separator.
  SetDecimalSeparator(u'.');
  const String folder = AbsolutePath(arguments.Folder);
  const String site = AbsolutePath(arguments.Site);

  std::optional<signature::TSecretKey> key;
  try {
    if (arguments.SecretKeyFile) key = ReadSecretKeyFile(*arguments.SecretKeyFile);
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }

  FolderContents contents;
  try {
    if (platform::PathKindOf(folder) != platform::TPathKind::pkDirectory) {
      throw EFOpenError(Format(SFOpenError, {folder, String(u"Es ist kein Ordner.")}));
    }
    Walk(folder, std::string(), site, contents);
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  if (const std::optional<std::string> refusal = VersionRefusal(arguments.Version)) {
    contents.Refusals.insert(
        contents.Refusals.begin(),
        "refused\tVERSION " + EscapeLine(FromUtf8(arguments.Version)) + '\t' + *refusal + '\n');
  }
  CheckFiles(contents, arguments.KeepFolders);
  if (contents.Files.empty() && contents.Refusals.empty()) {
    contents.Refusals.push_back("refused\t.\tthe folder holds no file\n");
  }
  if (!contents.Refusals.empty()) {
    for (const std::string& line : contents.Refusals) WriteOut(line);
    std::fflush(stdout);
    return 1;
  }

  const String versionFolder = PathBelow(site, FromUtf8(arguments.Version));
  const String archive = PathBelow(versionFolder, u"update.zip");
  bool written = false;
  try {
    ForceDirectoryPath(versionFolder);
    WriteArchive(archive, contents.Files);
    written = true;
    if (key) {
      signature::SignArchive(archive, *key, arguments.Version);
      signature::VerifyArchiveFile(archive, signature::PublicKeyOf(*key), arguments.Version);
    }
    CheckWrittenArchive(archive, contents.Files);
  } catch (const std::exception& e) {
    // An archive that failed its checks is not left for a server to offer; newest still
    // names the earlier version.
    if (written) platform::DeleteFile(archive);
    WriteFailure(e);
    return 2;
  }
  for (const ReleaseFile& file : contents.Files) {
    WriteOut("added\t" + EscapeLine(FromUtf8(file.Name)) + '\t' + std::to_string(file.Size) + '\n');
  }
  if (!key) {
    std::fflush(stdout);
    std::fputs(
        "fendrel-check: warning: the release is not signed; an updater built with a public key will not "
        "install it\n",
        stderr);
  }
  WriteOut("archive\t" + EscapeLine(archive) + '\t' + std::to_string(platform::FileSizeOf(archive)) + '\t' +
           (key ? "signed" : "unsigned") + '\n');
  try {
    WriteNewest(site, arguments.Version);
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 2;
  }
  WriteOut("newest\t" + EscapeLine(FromUtf8(arguments.Version)) + '\n');
  return std::fflush(stdout) == 0 ? 0 : 2;
}

}  // namespace check
