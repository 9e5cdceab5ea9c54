#include <gtest/gtest.h>

#include "core/Exception.h"
#include "updater/UpdateUrlOverride.h"

namespace {

using updater::ResolveUpdateUrl;

TEST(UpdateUrlOverrideTest, TheOverrideWinsUnlessItWouldLeaveHttps) {
  struct Case {
    const char16_t* BuiltIn;
    const char* Environment;   // nullptr: not set
    const char16_t* Expected;  // nullptr: refused
  };
  const Case cases[] = {
      {u"http://a/u/", nullptr, u"http://a/u/"},          {u"http://a/u/", "", u"http://a/u/"},
      {u"http://a/u/", "http://b/v/", u"http://b/v/"},    {u"http://a/u/", "https://b/v/", u"https://b/v/"},
      {u"https://a/u/", nullptr, u"https://a/u/"},        {u"https://a/u/", "", u"https://a/u/"},
      {u"https://a/u/", "https://b/v/", u"https://b/v/"}, {u"HTTPS://a/u/", "HttpS://b/v/", u"HttpS://b/v/"},
      {u"https://a/u/", "http://b/v/", nullptr},          {u"https://a/u/", "b/v/", nullptr},
      {u"https://a/u/", "ftp://b/v/", nullptr},           {u"https://a/u/", "https:/b/v/", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Environment != nullptr ? c.Environment : "<unset>"));
    const String environment = c.Environment != nullptr ? FromUtf8(c.Environment) : String();
    if (c.Expected != nullptr) {
      EXPECT_EQ(ResolveUpdateUrl(c.BuiltIn, environment), c.Expected);
      continue;
    }
    try {
      ResolveUpdateUrl(c.BuiltIn, environment);
      ADD_FAILURE() << "the override was taken";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(),
                u"Die Update-Adresse aus FENDREL_UPDATE_URL (" + FromUtf8(c.Environment) +
                    u") wird nicht verwendet: Die eingebaute Adresse verwendet https, deshalb muss auch "
                    u"diese mit https:// beginnen");
    }
  }
}

}  // namespace
