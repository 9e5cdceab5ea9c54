#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/ZipBuilder.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbSpanStream.h"

namespace {

using ziptest::BuildZip;
using ziptest::EndRecord;
using ziptest::Le16;

struct SearchCase {
  const char* what;
  std::string bytes;
  std::int64_t expected;  // position of the record, or -1
};

std::string Filler(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 23);
  return s;
}

std::string ArchiveWithComment(std::size_t commentLength) {
  ziptest::Layout layout;
  layout.comment = Filler(commentLength);
  return BuildZip({ziptest::Entry("a.txt", "hello")}, layout);
}

std::int64_t RecordPositionWithComment(std::size_t commentLength) {
  return static_cast<std::int64_t>(ArchiveWithComment(commentLength).size() - commentLength - 22);
}

std::vector<SearchCase> SearchCases() {
  std::vector<SearchCase> cases;
  const std::string plain = BuildZip({ziptest::Entry("a.txt", "hello")});
  cases.push_back({"no comment: the last 22 bytes", plain, static_cast<std::int64_t>(plain.size() - 22)});
  for (std::size_t n : {12u, 100u, 489u, 490u, 700u, 5000u, 65535u}) {
    cases.push_back({"comment", ArchiveWithComment(n), RecordPositionWithComment(n)});
  }
  cases.push_back({"bare end record", EndRecord(0, 0, 0), 0});
  cases.push_back({"shorter than a record", std::string("PK\x05\x06", 4) + std::string(10, '\0'), -1});
  cases.push_back({"empty", std::string(), -1});
  cases.push_back({"no signature anywhere", Filler(3000), -1});
  {
    // The comment claims more bytes than the file holds.
    ziptest::Layout layout;
    layout.comment = "short";
    layout.commentLength = 6;
    cases.push_back({"comment length past the end", BuildZip({ziptest::Entry("a", "x")}, layout), -1});
  }
  {
    // Bytes after the record: its comment length 0 fits, found by the windows.
    ziptest::Layout layout;
    layout.trailing = Filler(100000);
    const std::string bytes = BuildZip({ziptest::Entry("a", "x")}, layout);
    cases.push_back({"trailing bytes beyond several windows", bytes,
                     static_cast<std::int64_t>(bytes.size() - 100000 - 22)});
  }
  {
    // A false record in the comment with a huge comment length is the highest hit of
    // the first window; it fails the length test and the real record below it in the
    // same window is not considered.
    ziptest::Layout layout;
    layout.comment = "note " + std::string("PK\x05\x06", 4) + std::string(16, '\0') + Le16(0xFFFF) + " end";
    cases.push_back({"false record in the comment", BuildZip({ziptest::Entry("a", "x")}, layout), -1});
  }
  {
    // A false record whose length fits is taken for the real one.
    ziptest::Layout layout;
    layout.comment = std::string("PK\x05\x06", 4) + std::string(16, '\0') + Le16(0) + "tail";
    const std::string bytes = BuildZip({ziptest::Entry("a", "x")}, layout);
    cases.push_back({"false record that fits", bytes, static_cast<std::int64_t>(bytes.size() - 26)});
  }
  {
    // The real record lies in the 22-byte overlap of two windows' neighbourhood: 512
    // bytes of comment puts its head just below the first window.
    const std::string bytes = ArchiveWithComment(491);
    cases.push_back({"record just below the first window", bytes, RecordPositionWithComment(491)});
  }
  return cases;
}

TEST(LocateEndRecord, FindsTheRecordAsTheSearchRulesSay) {
  for (const SearchCase& c : SearchCases()) {
    SCOPED_TRACE(std::string(c.what) + " (" + std::to_string(c.bytes.size()) + " bytes)");
    auto memory = ziptest::MemoryStreamOf(c.bytes);
    EXPECT_EQ(LocateEndRecord(*memory), c.expected);
    if (c.expected >= 0) {
      EXPECT_EQ(memory->Position(), c.expected);
    }

    // The same through the archive file view.
    TAbSpanStream span(ziptest::MemoryStreamOf(c.bytes), u"/memory.zip");
    EXPECT_EQ(LocateEndRecord(span), c.expected);
    if (c.expected >= 0) {
      EXPECT_EQ(span.Position(), c.expected);
    }
  }
}

TEST(LocateEndRecord, KeepsIgnoreSpanningOnlyWhenItFindsTheRecord) {
  const std::string good = BuildZip({ziptest::Entry("a", "x")});
  TAbSpanStream found(ziptest::MemoryStreamOf(good), u"/memory.zip");
  ASSERT_GE(LocateEndRecord(found), 0);
  EXPECT_TRUE(found.IgnoreSpanning());

  TAbSpanStream missing(ziptest::MemoryStreamOf(Filler(2000)), u"/memory.zip");
  missing.Seek(123, TSeekOrigin::soBeginning);
  EXPECT_EQ(LocateEndRecord(missing), -1);
  EXPECT_FALSE(missing.IgnoreSpanning());
  EXPECT_EQ(missing.Position(), 123);
}

}  // namespace
