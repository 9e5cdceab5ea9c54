#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/Exception.h"
#include "support/ZipBuilder.h"
#include "zip/AbException.h"
#include "zip/AbSpanStream.h"

namespace {

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  std::mt19937 random(7);
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

TEST(SpanStream, ReadsWhatTheFileHoldsWhateverTheReadSizes) {
  const std::string bytes = Pattern(300000);
  TAbSpanStream view(ziptest::MemoryStreamOf(bytes), u"/memory.zip");
  std::mt19937 random(11);
  std::string buffer(200000, '\0');
  for (int step = 0; step < 400; ++step) {
    const auto position = static_cast<std::int64_t>(random() % (bytes.size() + 10));
    const std::int64_t count = step % 5 == 0 ? 70000 + random() % 100000 : random() % 600;
    ASSERT_EQ(view.Seek(position, TSeekOrigin::soBeginning), std::min<std::int64_t>(position, 300000));
    const std::int64_t at = view.Position();
    const std::int64_t got = view.Read(buffer.data(), count);
    const std::int64_t expected = std::min<std::int64_t>(count, 300000 - at);
    ASSERT_EQ(got, expected) << "at " << at << " count " << count;
    ASSERT_EQ(buffer.compare(0, static_cast<std::size_t>(got), bytes, static_cast<std::size_t>(at),
                             static_cast<std::size_t>(got)),
              0);
    ASSERT_EQ(view.Position(), at + got);
  }
}

TEST(SpanStream, SeeksStayInsideTheFileAndWritesTakeNothing) {
  TAbSpanStream view(ziptest::MemoryStreamOf("0123456789"), u"/memory.zip");
  EXPECT_EQ(view.Size(), 10);
  EXPECT_EQ(view.Seek(-5, TSeekOrigin::soBeginning), 0);
  EXPECT_EQ(view.Seek(0xFFFFFFFFll, TSeekOrigin::soBeginning), 10);
  char c = 'x';
  EXPECT_EQ(view.Read(&c, 1), 0);
  EXPECT_EQ(view.Seek(-3, TSeekOrigin::soEnd), 7);
  EXPECT_EQ(view.Seek(-100, TSeekOrigin::soCurrent), 0);
  EXPECT_EQ(view.Seek(INT64_MAX, TSeekOrigin::soCurrent), 10);
  EXPECT_EQ(view.Write("ab", 2), 0);
  EXPECT_THROW(view.SetSize(0), EWriteError);
  EXPECT_EQ(view.Size(), 10);
}

TEST(SpanStream, RefusesARelativePath) {
  for (const String& path : {String(u"update.zip"), String(u"dir/update.zip"), String()}) {
    try {
      TAbSpanStream view(path, fmOpenRead, TAbMediaType::mtLocal, 0);
      ADD_FAILURE() << "opened " << ToUtf8(path);
    } catch (const EAbException& e) {
      EXPECT_EQ(e.Message(), u"Full Path Required");
      EXPECT_EQ(e.ClassName(), u"EAbException");
    }
  }
  EXPECT_TRUE(TAbSpanStream::IsAbsolutePath(u"/tmp/update.zip"));
  EXPECT_TRUE(TAbSpanStream::IsAbsolutePath(u"C:\\Temp\\update.zip"));
}

}  // namespace
