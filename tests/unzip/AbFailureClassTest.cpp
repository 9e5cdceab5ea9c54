#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "core/Exception.h"
#include "support/TempDirectory.h"
#include "unzip/AbExtract.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbUnzipToFile.h"
#include "zip/AbException.h"

namespace {

TEST(AbFailureClass, ExceptionsMapToTheFailureEventsClassAndCode) {
  struct Case {
    std::function<void()> raise;
    TAbErrorClass errorClass;
    std::int32_t errorCode;
  };
  const Case cases[] = {
      {[] { throw EAbZipBadCRC(); }, TAbErrorClass::ecKolmira, 19},
      {[] { throw EAbZipRefusedName(); }, TAbErrorClass::ecKolmira, 101},
      {[] { throw EAbUserAbort(); }, TAbErrorClass::ecKolmira, 9},
      {[] { throw EInOutError(u"E/A-Fehler 5", 5); }, TAbErrorClass::ecInOutError, 5},
      {[] { throw EReadError(SReadError); }, TAbErrorClass::ecFilerError, 0},
      {[] { throw EWriteError(SWriteError); }, TAbErrorClass::ecFilerError, 0},
      {[] { throw EFOpenError(u"x"); }, TAbErrorClass::ecFileOpenError, 0},
      {[] { throw EFCreateError(u"x"); }, TAbErrorClass::ecFileCreateError, 0},
      {[] { throw EConvertError(SDateEncodeError); }, TAbErrorClass::ecOther, 0},
  };
  for (const auto& c : cases) {
    try {
      c.raise();
    } catch (const Exception& e) {
      TAbErrorClass errorClass;
      std::int32_t errorCode;
      abunzip::ClassifyException(e, errorClass, errorCode);
      EXPECT_EQ(errorClass, c.errorClass) << e.what();
      EXPECT_EQ(errorCode, c.errorCode) << e.what();
    }
  }
}

TEST(AbFailureClass, EveryNewFailureHasItsOwnCodeAndText) {
  std::set<std::int32_t> codes;
  for (const auto& failure : kAbExtractFailures) {
    EXPECT_TRUE(codes.insert(failure.ErrorCode).second) << ToUtf8(failure.ClassName);
    EXPECT_TRUE(String(failure.Message).starts_with(u"Cannot extract file - ")) << ToUtf8(failure.ClassName);
  }
  EXPECT_EQ(EAbZipSizeExceeded().ErrorCode(), 105);
  EXPECT_EQ(ToUtf8(EAbZipTargetIsArchive().ClassName()), "EAbZipTargetIsArchive");
}

TEST(ForceDirectoryPath, CreatesMissingLevelsBelowTheFirst) {
  TTempDirectory dir;
  const std::string deep = dir / "a/b/c";
  ForceDirectoryPath(FromUtf8(dir.Path().string() + "\\a\\b\\c"));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  EXPECT_NO_THROW(ForceDirectoryPath(FromUtf8(deep)));

  // Relative: the first level is never made on its own.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  try {
    ForceDirectoryPath(u"x\\y");
    ADD_FAILURE() << "a relative path with a missing first folder was created";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 3);
  }
  EXPECT_NO_THROW(ForceDirectoryPath(u"single"));
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "single"));

  TTempDirectory::WriteFile(dir / "file", "x");
  EXPECT_THROW(ForceDirectoryPath(FromUtf8(dir / "file/sub")), EInOutError);
}

}  // namespace
