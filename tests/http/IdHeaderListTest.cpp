#include <gtest/gtest.h>

#include <vector>

#include "http/IdHeaderList.h"

namespace {

TIdHeaderList ListOf(std::initializer_list<const char16_t*> lines, int foldLength = 78) {
  TIdHeaderList list(foldLength);
  for (const char16_t* line : lines) list.Add(line);
  return list;
}

TEST(IdHeaderListTest, ValuesAreFoundWithoutRegardToCaseAndUnfolded) {
  const TIdHeaderList list = ListOf({u"Content-Type:  text/plain ", u"X-Long: first", u" second\t",
                                     u"\tthird", u"x-long: other", u"no colon here", u"Empty:"});
  struct Case {
    const char16_t* name;
    const char16_t* value;
  };
  const Case cases[] = {{u"content-type", u"text/plain"},
                        {u"X-LONG", u"first second third"},
                        {u"Empty", u""},
                        {u"missing", u""},
                        {u"", u""}};
  for (const Case& c : cases) EXPECT_EQ(list.Values(c.name), c.value) << ToUtf8(c.name);
  EXPECT_EQ(list.IndexOfName(u"x-long"), 1);
  EXPECT_EQ(list.IndexOfName(u"second"), -1);

  std::vector<String> all;
  list.Extract(u"X-Long", all);
  EXPECT_EQ(all, (std::vector<String>{u"first second third", u"other"}));

  TIdHeaderList folded = ListOf({u"X-Long: first", u" second"});
  folded.SetUnfoldLines(false);
  EXPECT_EQ(folded.Values(u"X-Long"), u"first");
}

TEST(IdHeaderListTest, SetValueReplacesInPlaceAppendsOrDeletes) {
  TIdHeaderList list = ListOf({u"A: 1", u"User-Agent: custom", u" continued", u"B: 2"});
  list.SetValue(u"user-agent", u"mine");
  EXPECT_EQ(list.Lines(), (std::vector<String>{u"A: 1", u"user-agent: mine", u"B: 2"}));
  list.SetValue(u"C", u"3");
  EXPECT_EQ(list.Lines().back(), u"C: 3");
  list.SetValue(u"A", u"");
  EXPECT_EQ(list.Lines(), (std::vector<String>{u"user-agent: mine", u"B: 2", u"C: 3"}));
  list.SetValue(u"Missing", u"");
  list.AddValue(u"B", u"again");
  list.AddValue(u"", u"x");
  list.AddValue(u"D", u"");
  EXPECT_EQ(list.Lines(), (std::vector<String>{u"user-agent: mine", u"B: 2", u"C: 3", u"B: again"}));
}

TEST(IdHeaderListTest, LongLinesAreFoldedInTheListButGoOutWhole) {
  String value;
  for (int i = 0; i < 30; ++i) value += u"name" + IntToStr(i) + u"=\"a, b\"; ";
  value += u"last=1";
  TIdHeaderList list(60);
  list.SetValue(u"Cookie", value);
  ASSERT_GT(list.Count(), 1u);
  for (std::size_t i = 0; i < list.Count(); ++i) {
    EXPECT_LE(list[i].size(), 60u) << i;
    if (i > 0) {
      EXPECT_EQ(list[i].front(), u' ');
    }
    // Never broken inside double quotes.
    std::size_t quotes = 0;
    for (const char16_t c : list[i]) quotes += c == u'"';
    EXPECT_EQ(quotes % 2, 0u) << ToUtf8(list[i]);
  }
  EXPECT_EQ(list.UnfoldedLines(), (std::vector<String>{u"Cookie: " + value}));
  EXPECT_EQ(list.Values(u"cookie"), TrimText(value));

  // A line without a break point stays whole.
  const String solid(100, u'x');
  EXPECT_EQ(TIdHeaderList::FoldLine(u"X: " + solid, 20).size(), 2u);
  EXPECT_EQ(TIdHeaderList::FoldLine(u"X:" + solid, 20), std::vector<String>{u"X:" + solid});
}

TEST(IdHeaderListTest, TextHelpers) {
  EXPECT_EQ(TrimText(u" \t a b \r"), u"a b");
  EXPECT_TRUE(SameText(u"Keep-Alive", u"keep-alive"));
  EXPECT_FALSE(SameText(u"keep-alive", u"keep-alive "));
  EXPECT_TRUE(StartsText(u"TEXT/", u"text/html"));
  EXPECT_FALSE(StartsText(u"text/html", u"text/"));
}

}  // namespace
