#include <gtest/gtest.h>

#include "platform/Program.h"

namespace {

TEST(ApplicationTitleTest, TakenFromTheExecutableName) {
  struct Case {
    const char16_t* path;
    const char16_t* title;
  };
  const Case cases[] = {
      {u"C:\\Tools\\Update.Tool.exe", u"Update"},
      {u"C:\\Fendrel\\UPDATER.EXE", u"Updater"},
      {u"/opt/fendrel/updater", u"updater"},  // the first character keeps its case
      {u"/opt/fendrel/ÄNDERN.exe", u"Ändern"},
      {u"/opt/fendrel/xÄÖÜ", u"xäöü"},
      {u"/opt/.hidden", u""},
      {u"plain", u"plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ApplicationTitleFromPath(c.path), c.title) << ToUtf8(c.path);
}

}  // namespace
