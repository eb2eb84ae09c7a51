#include "system/incbin.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// The registry lives for the whole run, so every test uses names of its own.

TEST(Incbin, UnknownNamesGiveNullAndZero) {
  EXPECT_EQ(IncbinPtr(u"incbin-test\\never-registered"), nullptr);
  EXPECT_EQ(IncbinLen(u"incbin-test\\never-registered"), 0u);
}

TEST(Incbin, TheFirstRegistrationOfANameWins) {
  static const char first[] = "first";
  static const char second[] = "second!";
  EXPECT_EQ(IncbinAdd(u"incbin-test\\twice", first, 5), 1);
  EXPECT_EQ(IncbinAdd(u"incbin-test\\twice", second, 7), 0);
  EXPECT_EQ(IncbinPtr(u"incbin-test\\twice"), first);
  EXPECT_EQ(IncbinLen(u"incbin-test\\twice"), 5u);
}

TEST(Incbin, NamesMatchExactly) {
  static const char data[] = "x";
  ASSERT_EQ(IncbinAdd(u"incbin-test\\Exact.html", data, 1), 1);
  EXPECT_EQ(IncbinPtr(u"incbin-test\\exact.html"), nullptr);
  EXPECT_EQ(IncbinPtr(u"incbin-test/Exact.html"), nullptr);
  EXPECT_EQ(IncbinPtr(u"incbin-test\\Exact.html "), nullptr);
  EXPECT_EQ(IncbinPtr(u"incbin-test\\Exact.html"), data);
}

}  // namespace
}  // namespace qm
