#include "app/index/tcommand.h"

#include <gtest/gtest.h>

#include <random>

#include "app/index/catalogue.h"
#include "system/strings.h"

namespace qm {
namespace {

tcommand Named(const String& name) {
  tcommand c;
  c.comando = name;
  return c;
}

TEST(CommandOrder, OnlyReportsGreaterByCodeUnits) {
  EXPECT_EQ(Named(u"b").Compare(Named(u"a")), 1);
  EXPECT_EQ(Named(u"a").Compare(Named(u"b")), 0);
  EXPECT_EQ(Named(u"a").Compare(Named(u"a")), 0);
  EXPECT_EQ(Named(u"a").Compare(Named(u"Z")), 1);     // lower case after upper case
  EXPECT_EQ(Named(u"_").Compare(Named(u"Z")), 1);     // underscore between the cases
  EXPECT_EQ(Named(u"abc").Compare(Named(u"ab")), 1);  // a prefix sorts first
  EXPECT_EQ(Named(u"").Compare(Named(u"0")), 0);      // the empty name sorts first
  EXPECT_EQ(Named(String(1, char16_t(0xE9))).Compare(Named(u"z")), 1);
  const tcommand named = Named(u"x");
  const StringObject other(u"x");
  const int against_other = named.Compare(other);
  EXPECT_TRUE(against_other == 0 || against_other == 1);
}

// Wherever two prefix keys differ, they must order the names as the record
// comparison orders them: the catalogue sort relies on it.
TEST(CommandOrder, PrefixKeyAgreesWithTheNameOrder) {
  std::mt19937 rng(5);
  const char units[] = {0, 1, 'A', 'Z', '_', 'a', 'z', '\xE9', '\xFF'};
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    std::string s;
    const int length = static_cast<int>(rng() % 11);
    for (int k = 0; k < length; ++k) s += units[rng() % 9];
    names.push_back(s);
  }
  for (const auto& a : names) {
    for (const auto& b : names) {
      const auto ka = NamePrefixKey(a), kb = NamePrefixKey(b);
      if (ka > kb) {
        ASSERT_EQ(Named(FromBytes(a)).Compare(Named(FromBytes(b))), 1);
      } else if (ka < kb) {
        ASSERT_EQ(Named(FromBytes(b)).Compare(Named(FromBytes(a))), 1);
      }
    }
  }
}

}  // namespace
}  // namespace qm
