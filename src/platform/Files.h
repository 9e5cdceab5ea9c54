#ifndef FENDREL_PLATFORM_FILES_H
#define FENDREL_PLATFORM_FILES_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/DateTime.h"
#include "core/Stream.h"
#include "core/String.h"

// The file system as the system sees it: names may separate their steps with "\"
// (the archive code builds names that way); the POSIX side maps "\" to "/" and
// reads "a path is absolute" as "it begins with /". Attributes are the Windows
// attribute bits; on POSIX "read-only" means "no write bit in the mode".
namespace platform {

bool FileExists(const String& fileName);
bool DirectoryExists(const String& directory);
// Deletes a file; false when it could not be deleted.
bool DeleteFile(const String& fileName);

// The attribute bits of a file or directory, as Windows defines them.
inline constexpr std::uint32_t faReadOnly = 0x01;
inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faSysFile = 0x04;
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20;
inline constexpr std::uint32_t faSymLink = 0x400;

// The name as the file system takes it ("\" becomes "/" on POSIX; nothing changes on Windows).
String NativePath(StringView path);
// Whether the name is absolute on this file system (POSIX: it begins with "/" or "\").
bool IsAbsolutePath(StringView path);
// Whether c separates the steps of a path here ("\" everywhere, "/" as well on POSIX).
bool IsPathSeparator(char16_t c);

// Gives a file a new name, replacing a file that stands at that name; false when the
// system refused.
bool RenameFile(const String& from, const String& to);
// The size of a file from its attributes; -1 when they cannot be read.
std::int64_t FileSizeOf(const String& fileName);
// Creates one directory; false when it could not be created (it exists, or its parent
// is missing), with the Windows error code (3 path not found, 5 access denied, 183
// already exists, ...) in windowsError when given.
bool CreateDir(const String& directory, int* windowsError = nullptr);

// What stands at a path, links not followed.
enum class TPathKind { pkMissing, pkFile, pkDirectory, pkSymLink, pkOther };

// A file's identity on its volume (device and file id); Known is false when it could
// not be told.
struct TFileId {
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  bool Known = false;
};
// The identity of the file a path leads to, links followed.
TFileId FileIdOf(const String& path);

// What one look at a path tells (links not followed): its kind; whether it is a regular
// file that nobody may write by its mode (the check is made on the bits, since a
// privileged user could write it anyway); its Unix permission bits (0o7777 at most; on
// Windows 0o444 or 0o644 by the read-only attribute, 0o755 for a folder); the size of a
// regular file; and the identity of a regular file where that look gives it (POSIX),
// else unknown.
struct TPathState {
  TPathKind Kind = TPathKind::pkMissing;
  bool ReadOnly = false;
  std::uint32_t UnixMode = 0;
  std::int64_t Size = 0;
  TFileId Id;
};
TPathState PathStateOf(const String& path);

inline TPathKind PathKindOf(const String& path) {
  return PathStateOf(path).Kind;
}

// True when a device or a pipe stands at the path (links followed): something written in
// order that cannot be sized or positioned, and that is not emptied by creating it. Always
// false on Windows, where such a name is opened by creating it and that creation empties nothing.
bool IsStreamOnly(const String& path);

inline bool SameFileId(const TFileId& a, const TFileId& b) {
  return a.Known && b.Known && a.Volume == b.Volume && a.Index == b.Index;
}
// True when both names lead to the same file (same device and file id), links followed.
inline bool SameFile(const String& a, const String& b) {
  return SameFileId(FileIdOf(a), FileIdOf(b));
}

// True when a regular file stands at the path (links not followed) and nobody may
// write it by its mode.
inline bool IsReadOnlyFile(const String& fileName) {
  return PathStateOf(fileName).ReadOnly;
}

// The attribute bits of a file (links followed), or -1 when they cannot be read.
std::int32_t FileGetAttr(const String& fileName);
// Applies the attribute bits: read-only takes every write bit away, its absence gives
// back at most the owner's write bit; a directory never loses its write permission.
// The other bits have no meaning here. False when the operating system refused.
bool FileSetAttr(const String& fileName, std::uint32_t attributes);
// Sets the last-write time of a file from a local time; false on failure.
bool FileSetDate(const String& fileName, TDateTime localTime);
// The last-write time of a file as local time; 0 when it cannot be read.
TDateTime FileGetDate(const String& fileName);

// Creates a new file that only its owner may read and write (POSIX: mode 0600 from its
// creation on; Windows: a protected access list that grants the owner alone) and writes
// the bytes into it. Never opens what already stands at the name, a link included.
// Raises EFCreateError naming the file; a file that could not be written whole is
// deleted again.
void CreatePrivateFile(const String& fileName, std::string_view bytes);

// True when nobody but its owner may read or write the file, as a secret key's file must be
// (POSIX: no group or other permission bits, links followed; Windows: its access list lets
// nobody read it but its owner, the system and the administrators). False when that cannot
// be told.
bool IsPrivateFile(const String& fileName);

// A new, empty file beside a target, written in place of the target only when the
// writer says so: Commit renames it over the target (a link standing there is
// replaced, never written through) and keeps the permission bits of a file that
// stood there. Until then the target is untouched; a file that is not committed is
// deleted when the object ends. A process killed meanwhile leaves at most a file
// whose name is ".fendrel-", twelve hexadecimal digits and ".part" beside the target
// (RemoveLeftoverReplacements removes such files).
//
// A durable file (the default) has its data on the disk before it takes the target's
// place, and Commit flushes the folder after the rename (Windows: the move is written
// through), so that a power cut never shows an empty or partly written file under the
// target's name.
class TReplacementFile final : public TStream {
 public:
  // Raises EFCreateError naming the target when the file cannot be created.
  explicit TReplacementFile(const String& target);
  // The same, told what stands at the target as the caller has just seen it: the file
  // takes the permission bits from that look instead of looking again.
  TReplacementFile(const String& target, const TPathState& standing);
  ~TReplacementFile() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;

  // The Unix execute bits (0o111 at most) a new file gets when nothing stood at the
  // target; set-id and sticky bits are never given.
  void SetExecuteBits(std::uint32_t unixMode) { FExecuteBits = unixMode & 0111; }
  // The last-write time (local time) and the attributes (as FileSetAttr takes them) that
  // Commit gives the file; a failure to apply either is ignored, as with FileSetDate and
  // FileSetAttr.
  void SetDateAndAttributes(TDateTime localTime, std::uint32_t attributes) {
    FDate = localTime;
    FAttributes = attributes;
    FHasDateAndAttributes = true;
  }
  // Whether the data must reach the disk before the rename (default true).
  void SetDurable(bool durable) { FDurable = durable; }
  bool Durable() const { return FDurable; }
  // Whether the file will be read-only once it stands at the target.
  bool ReadOnlyOnceCommitted() const { return FHasDateAndAttributes && (FAttributes & faReadOnly) != 0; }

  // Ends the writing: gives the open file its date and permission bits, starts writing
  // its data to the disk (durable files; nothing waits for it here) and closes it, so
  // that many finished files hold no handles. Raises EFCreateError naming the target
  // when the file cannot be closed (the file is then deleted).
  void Finish();
  // Waits until the finished file's data is on the disk (durable files; nothing
  // otherwise). Raises EFCreateError naming the target when the system reports that it
  // could not be written (the file is then deleted).
  void MakeDurable();
  // Tells the file that its data is on the disk already (its file system was synced
  // after Finish): MakeDurable and Commit do not sync it again.
  void SetDataOnDisk() { FDataOnDisk = true; }
  // Puts the file in the target's place (finishing it and making it durable first when
  // that was not done); raises EFCreateError naming the target when that fails (the
  // file is then deleted and the target untouched). flushFolder false leaves the
  // flushing of the target's folder to the caller (FlushFolders), for many files at once.
  void Commit(bool flushFolder = true);
  // Closes and deletes the file; never raises.
  void Discard() noexcept;

  const String& Target() const { return FTarget; }
  const String& TemporaryName() const { return FTempName; }
  // What stood at the target when the caller looked, or null when it was not told.
  const TPathState* Standing() const { return FStandingSeen ? &FStanding : nullptr; }

 private:
  String FTarget;
  String FTempName;
  std::intptr_t FHandle = -1;
  std::uint32_t FExecuteBits = 0;
  TDateTime FDate = 0;
  std::uint32_t FAttributes = 0;
  bool FHasDateAndAttributes = false;
  TPathState FStanding;
  bool FStandingSeen = false;
  bool FDurable = true;
  bool FDataOnDisk = false;
};

// Finished replacement files that wait to be committed together, each under the
// caller's number for it, in the order they were kept. Files not committed are deleted
// when the set ends.
class TReplacementSet {
 public:
  struct TKept {
    int Tag;
    std::unique_ptr<TReplacementFile> File;
  };
  void Keep(std::unique_ptr<TReplacementFile> file, int tag);
  // The file kept last for that target, or null.
  const TReplacementFile* Find(const String& target) const;
  std::vector<TKept>& Files() { return FFiles; }
  bool Empty() const { return FFiles.empty(); }

 private:
  std::vector<TKept> FFiles;
  std::unordered_map<String, std::size_t> FLastByTarget;
};

// Keeps the files that stand at the replacement files' targets (links not followed)
// from being released while the object lives. Renaming a new file over an old one
// otherwise waits inside the rename until the file system has released the old file's
// space, a millisecond or more for a large file, or for any file where the file system
// discards freed blocks on the disk at once; held, that happens when the object ends,
// after the renames. POSIX: a path handle per old file of at least a megabyte, or of any
// size on a file system mounted with "discard" (or whose look was not told), at most for
// half as many files as the process may have open: elsewhere releasing a small file
// costs less than holding it. Nothing on Windows, where a move does not wait for that.
class TReplacedFilesHold {
 public:
  explicit TReplacedFilesHold(const std::vector<const TReplacementFile*>& files);
  ~TReplacedFilesHold();
  TReplacedFilesHold(const TReplacedFilesHold&) = delete;
  TReplacedFilesHold& operator=(const TReplacedFilesHold&) = delete;

 private:
  std::vector<std::intptr_t> FHandles;
};

// Syncs every file system that holds one of the paths, each once, and waits for it:
// the data of every file written there is then on the disk. False when a sync failed
// or the system has no such call (Windows); the files must then be made durable one
// by one.
bool SyncFileSystems(const std::vector<String>& paths);
// Flushes the folders' own entries (names created, renamed or removed) to the disk
// (POSIX; nothing to do on Windows, where every move is written through). Failures are
// ignored: the files themselves are in place.
void FlushFolders(const std::vector<String>& folders);
// Removes the replacement files that an earlier process, killed before it committed
// them, left in the folder (names of the pattern TReplacementFile uses, nothing else).
void RemoveLeftoverReplacements(const String& folder);

}  // namespace platform

#endif
