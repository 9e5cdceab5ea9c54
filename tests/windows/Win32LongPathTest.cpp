// Paths longer than MAX_PATH: the file layer hands them to the system in the "\\?\" form, so
// an update extracts into a deeply nested folder as into any other. Wine does not hold the
// file functions to MAX_PATH characters as Windows does for a program without the long-path
// policy, so under Wine the extraction shows that the long form works, and the table of
// forms shows what the system is given; that a short form would fail shows on Windows only.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/Stream.h"
#include "core/win32/LongPath.h"
#include "core/win32/WideText.h"
#include "platform/Files.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"
#include "unzip/AbUnZipper.h"

namespace {

TEST(Win32LongPaths, ALongPathIsGivenToTheSystemInItsFullLongForm) {
  const String folder(250, u'a');
  const String deep = u"C:\\" + folder + u"\\" + folder;
  struct Case {
    String Path;
    String Expected;
  };
  const Case cases[] = {
      {u"C:\\short\\file.txt", u"C:\\short\\file.txt"},
      {deep, u"\\\\?\\" + deep},
      {u"C:/" + folder + u"/./x/../" + folder, u"\\\\?\\" + deep},
      {u"\\\\server\\share\\" + folder, u"\\\\?\\UNC\\server\\share\\" + folder},
      {u"\\\\?\\" + deep, u"\\\\?\\" + deep},
  };
  for (const Case& c : cases) EXPECT_EQ(ToUtf8(SystemFilePath(c.Path)), ToUtf8(c.Expected));
}

// Removes the tree with the long form, which the test's own clean-up cannot reach.
void RemoveTree(const String& path) {
  WIN32_FIND_DATAW found{};
  const String pattern = SystemFilePath(path + u"\\*");
  const HANDLE search = FindFirstFileW(WideText(pattern), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const String name = FromWide(found.cFileName);
      if (name == u"." || name == u"..") continue;
      const String child = path + u"\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        RemoveTree(child);
      else
        DeleteFileW(WideText(SystemFilePath(child)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(WideText(SystemFilePath(path)));
}

TEST(Win32LongPaths, AnArchiveExtractsIntoAFolderWhosePathIs300CharactersLong) {
  TTempDirectory dir;
  const String root = FromWide(dir.Path().wstring().c_str());
  String base = root + u"\\long";
  ASSERT_TRUE(platform::CreateDir(base));
  while (base.size() < 300) {
    base += u"\\" + String(60, u'd');
    ASSERT_TRUE(platform::CreateDir(base)) << base.size();
  }
  ASSERT_GE(base.size(), 300u);
  const std::string archive = (dir.Path() / "update.zip").string();
  std::vector<testsupport::ZipFixtureEntry> entries(2);
  entries[0].Name = "fendrel.exe";
  entries[0].Data = "new program";
  entries[1].Name = "daten/LIESMICH.txt";
  entries[1].Data = "1.5";
  TTempDirectory::WriteFile(archive, testsupport::MakeZip(entries));
  {
    TAbUnZipper unzipper;
    unzipper.SetExtractOptions({TAbExtractOption::eoCreateDirs, TAbExtractOption::eoRestorePath});
    unzipper.OpenArchive(FromUtf8(archive));
    unzipper.SetBaseDirectory(base);
    unzipper.ExtractFiles(u"*");
    EXPECT_FALSE(unzipper.LastItemException());
  }
  struct Expected {
    String Name;
    std::string Data;
  };
  const Expected files[] = {{u"\\fendrel.exe", "new program"}, {u"\\daten\\LIESMICH.txt", "1.5"}};
  for (const Expected& file : files) {
    const String path = base + file.Name;
    ASSERT_TRUE(platform::FileExists(path)) << ToUtf8(file.Name);
    TFileStream stream(path, fmOpenRead | fmShareDenyWrite);
    std::string data(static_cast<std::size_t>(stream.Size()), '\0');
    stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(data, file.Data);
  }
  RemoveTree(root + u"\\long");
}

}  // namespace
