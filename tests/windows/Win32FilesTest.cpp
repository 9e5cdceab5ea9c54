// Files on Windows: the sharing modes are the system's, and the atomic replace uses the
// system's move with replace.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/Exception.h"
#include "core/Stream.h"
#include "core/win32/WideText.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "support/TempDirectory.h"

namespace {

String Wide(const std::string& path) {
  return FromUtf8(path);
}

// Whether a second opener gets the file with the given access while the first holds it.
bool SecondOpenSucceeds(const String& path, DWORD access,
                        DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE) {
  const HANDLE handle = CreateFileW(WideText(path), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

TEST(Win32Files, SharingModesAreTheSystems) {
  struct Case {
    std::uint16_t Mode;
    bool OthersRead;
    bool OthersWrite;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareDenyNone, true, true},
      {fmOpenRead | fmShareDenyWrite, true, false},
      {fmOpenRead | fmShareDenyRead, false, true},
      {fmOpenRead | fmShareExclusive, false, false},
      {fmOpenRead | fmShareCompat, false, false},
      {fmCreate | fmShareDenyNone, true, true},
      {fmCreate, false, false},
  };
  TTempDirectory dir;
  const String path = Wide(dir / "shared.bin");
  TTempDirectory::WriteFile(dir / "shared.bin", "data");
  for (const Case& c : cases) {
    TFileStream held(path, c.Mode);
    EXPECT_EQ(SecondOpenSucceeds(path, GENERIC_READ), c.OthersRead) << std::hex << c.Mode;
    EXPECT_EQ(SecondOpenSucceeds(path, GENERIC_WRITE), c.OthersWrite) << std::hex << c.Mode;
  }
}

TEST(Win32Files, AnOpenErrorCarriesTheSystemsReason) {
  TTempDirectory dir;
  const String path = Wide(dir / "missing.bin");
  try {
    TFileStream stream(path, fmOpenRead | fmShareDenyNone);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(path), String::npos);
  }
}

TEST(Win32Files, ReplacementFileReplacesOnCommitAndNeverTakesADeviceName) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "target.txt", "old");
  const String target = Wide(dir / "target.txt");
  platform::TReplacementFile file(target);
  const String temporary = file.TemporaryName();
  const String name = temporary.substr(temporary.find_last_of(u"\\/") + 1);
  EXPECT_EQ(name.rfind(u".fendrel-", 0), 0u);
  EXPECT_TRUE(name.ends_with(u".part"));
  file.Write("new", 3);
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "target.txt"), "old");
  file.Commit();
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "target.txt"), "new");
  EXPECT_FALSE(platform::FileExists(temporary));
}

// The date and attributes given before Commit arrive with the file, read-only included.
TEST(Win32Files, ReplacementFileArrivesWithItsDateAndAttributes) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "target.txt", "old");
  const String target = Wide(dir / "target.txt");
  const TDateTime when = EncodeDate(2021, 7, 14) + EncodeTime(13, 45, 30, 0);
  platform::TReplacementFile file(target);
  file.Write("new", 3);
  file.SetDateAndAttributes(when, platform::faReadOnly | platform::faArchive);
  file.Commit();
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "target.txt"), "new");
  EXPECT_TRUE(platform::IsReadOnlyFile(target));
  EXPECT_DOUBLE_EQ(platform::FileGetDate(target), when);
  ASSERT_TRUE(platform::FileSetAttr(target, platform::faArchive));
}

TEST(Win32Files, ATargetHeldByARunningProgramStaysAndTheFailureIsReported) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "fendrel.exe", "old");
  const String target = Wide(dir / "fendrel.exe");
  // A running program's image is open for reading and may not be deleted or replaced.
  const HANDLE running =
      CreateFileW(WideText(target), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);
  String temporary;
  {
    platform::TReplacementFile file(target);
    temporary = file.TemporaryName();
    file.Write("new", 3);
    EXPECT_THROW(file.Commit(), EFCreateError);
  }
  CloseHandle(running);
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "fendrel.exe"), "old");
  EXPECT_FALSE(platform::FileExists(temporary));
  EXPECT_EQ(dir.CountEntries(), 1u);
}

TEST(Win32Files, AttributesDatesAndIdentity) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "a.txt", "a");
  const String file = Wide(dir / "a.txt");
  ASSERT_TRUE(platform::FileSetAttr(file, platform::faReadOnly | platform::faHidden));
  // The system may add the archive bit of its own.
  EXPECT_EQ(platform::FileGetAttr(file) & 0x07,
            static_cast<std::int32_t>(platform::faReadOnly | platform::faHidden));
  EXPECT_TRUE(platform::IsReadOnlyFile(file));
  ASSERT_TRUE(platform::FileSetAttr(file, platform::faArchive));
  EXPECT_FALSE(platform::IsReadOnlyFile(file));

  const TDateTime when = EncodeDate(2021, 7, 14) + EncodeTime(13, 45, 30, 0);
  ASSERT_TRUE(platform::FileSetDate(file, when));
  EXPECT_DOUBLE_EQ(platform::FileGetDate(file), when);

  String otherSpelling = file;
  for (auto& c : otherSpelling)
    if (c == u'\\') c = u'/';
  EXPECT_TRUE(platform::SameFile(file, otherSpelling));
  TTempDirectory::WriteFile(dir / "b.txt", "b");
  EXPECT_FALSE(platform::SameFile(file, Wide(dir / "b.txt")));
  EXPECT_EQ(platform::PathKindOf(file), platform::TPathKind::pkFile);
  EXPECT_EQ(platform::PathKindOf(Wide(dir.Path().string())), platform::TPathKind::pkDirectory);
  EXPECT_EQ(platform::PathKindOf(Wide(dir / "none")), platform::TPathKind::pkMissing);
}

// The state folder is the local application data's Fendrel folder; without the variable,
// the one in the user's profile.
TEST(Win32Files, TheStateFolderLiesInTheLocalApplicationData) {
  const String local = platform::EnvironmentVariable(u"LOCALAPPDATA");
  const String profile = platform::EnvironmentVariable(u"USERPROFILE");
  ASSERT_FALSE(local.empty());
  EXPECT_EQ(platform::StateDirectory(), local + u"\\Fendrel");
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"D:\\Daten\\Lokal\\");
  EXPECT_EQ(ToUtf8(platform::StateDirectory()), "D:\\Daten\\Lokal\\Fendrel");
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  SetEnvironmentVariableW(L"USERPROFILE", L"C:\\Users\\ute");
  EXPECT_EQ(ToUtf8(platform::StateDirectory()), "C:\\Users\\ute\\AppData\\Local\\Fendrel");
  SetEnvironmentVariableW(L"USERPROFILE", nullptr);
  EXPECT_EQ(platform::StateDirectory(), String());
  SetEnvironmentVariableW(L"LOCALAPPDATA", WideText(local));
  SetEnvironmentVariableW(L"USERPROFILE", WideText(profile));
}

TEST(Win32Files, AbsolutePathsAndSeparators) {
  struct Case {
    const char16_t* Path;
    bool Absolute;
  };
  const Case cases[] = {{u"C:\\x", true},  {u"c:/x", true}, {u"\\\\server\\share", true},
                        {u"\\x", true},    {u"C:x", true},  {u"x\\y", false},
                        {u"..\\x", false}, {u"", false}};
  for (const Case& c : cases) EXPECT_EQ(platform::IsAbsolutePath(c.Path), c.Absolute) << ToUtf8(c.Path);
  int error = 0;
  TTempDirectory dir;
  EXPECT_TRUE(platform::CreateDir(Wide(dir / "sub")));
  EXPECT_FALSE(platform::CreateDir(Wide(dir / "sub"), &error));
  EXPECT_EQ(error, 183);
  EXPECT_FALSE(platform::CreateDir(Wide(dir / "missing\\sub"), &error));
  EXPECT_EQ(error, 3);
}

}  // namespace
