// The folder services of the publisher's tool: listing, the facts of a file, scratch
// folders and their removal, through the platform's interface alone (the Windows build runs
// the same cases).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "core/Stream.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Program.h"

namespace {

String Below(const String& folder, const String& name) {
  return folder + platform::PathDelim + name;
}

void WriteFile(const String& name, const std::string& bytes) {
  TFileStream file(name, fmCreate);
  file.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

TEST(FoldersTest, AScratchFolderListsItsNamesAndGoesWithEverythingInIt) {
  const String scratch = platform::CreateScratchFolder(u"fendrel-folders-");
  ASSERT_EQ(platform::PathKindOf(scratch), platform::TPathKind::pkDirectory);
  EXPECT_TRUE(platform::FolderNames(scratch).empty());
  const String another = platform::CreateScratchFolder(u"fendrel-folders-");  // each call a new one
  EXPECT_NE(another, scratch);
  EXPECT_TRUE(platform::RemoveTree(another));

  WriteFile(Below(scratch, u"a.txt"), "four");
  ASSERT_TRUE(platform::CreateDir(Below(scratch, u"sub")));
  WriteFile(Below(Below(scratch, u"sub"), u"locked.txt"), "");
  ASSERT_TRUE(platform::FileSetAttr(Below(Below(scratch, u"sub"), u"locked.txt"), platform::faReadOnly));

  std::vector<String> names = platform::FolderNames(scratch);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<String>{u"a.txt", u"sub"}));
  const platform::TPathState file = platform::PathStateOf(Below(scratch, u"a.txt"));
  EXPECT_EQ(file.Kind, platform::TPathKind::pkFile);
  EXPECT_EQ(file.Size, 4);
  EXPECT_EQ(platform::PathStateOf(Below(scratch, u"sub")).Kind, platform::TPathKind::pkDirectory);
  EXPECT_EQ(platform::PathStateOf(Below(Below(scratch, u"sub"), u"locked.txt")).UnixMode & 0222, 0u);
  EXPECT_EQ(platform::PathStateOf(Below(scratch, u"missing")).Kind, platform::TPathKind::pkMissing);

  EXPECT_TRUE(platform::RemoveTree(scratch));
  EXPECT_EQ(platform::PathKindOf(scratch), platform::TPathKind::pkMissing);
  EXPECT_THROW(platform::FolderNames(scratch), EFOpenError);
}

}  // namespace
