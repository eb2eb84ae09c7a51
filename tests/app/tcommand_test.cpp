#include "app/index/tcommand.h"

#include <gtest/gtest.h>

#include <random>

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

// Wherever two prefix keys differ, they must order the names as the names
// themselves order: the catalogue sort relies on it.
TEST(CommandOrder, PrefixKeyAgreesWithTheNameOrder) {
  std::mt19937 rng(5);
  const char16_t units[] = {0, 1, u'A', u'Z', u'_', u'a', u'z', 0xE9, 0xFFFF};
  std::vector<tcommand> names;
  for (int i = 0; i < 400; ++i) {
    String s;
    const int length = static_cast<int>(rng() % 7);
    for (int k = 0; k < length; ++k) s += units[rng() % 9];
    names.push_back(Named(s));
  }
  for (const auto& a : names) {
    for (const auto& b : names) {
      const auto ka = NamePrefixKey(a), kb = NamePrefixKey(b);
      if (ka > kb) {
        ASSERT_EQ(CompareNames(a, b), 1);
      } else if (ka < kb) {
        ASSERT_EQ(CompareNames(b, a), 1);
      }
    }
  }
}

}  // namespace
}  // namespace qm
