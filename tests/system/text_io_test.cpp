#include "system/text_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/incbin.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

String LoadBytes(const ScratchDir& dir, const std::string& bytes) {
  WriteBytes(dir.File("in"), bytes);
  return LoadText(dir.Path("in"));
}

TEST(LoadText, ShortFilesHaveNoMark) {
  ScratchDir dir;
  EXPECT_EQ(LoadBytes(dir, ""), u"");
  EXPECT_EQ(LoadBytes(dir, "\xFE"), u"\u00FE");
  EXPECT_EQ(LoadBytes(dir, "\xEF\xBB"), u"\u00EF\u00BB");
}

TEST(LoadText, WithoutAMarkEveryByteIsKept) {
  ScratchDir dir;
  EXPECT_EQ(LoadBytes(dir, std::string("a\r\n\0\xE9", 5)), String(u"a\r\n\0\u00E9", 5));
  EXPECT_EQ(LoadBytes(dir, "\xEF\xBB"
                           "A rest"),
            u"\u00EF\u00BBA rest");
  EXPECT_EQ(LoadBytes(dir, "\xFF\xFF"), u"\u00FF\u00FF");
}

TEST(LoadText, LongFilesComeBackWhole) {
  ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i % 251);
  const String text = LoadBytes(dir, bytes);
  ASSERT_EQ(text.size(), bytes.size());
  EXPECT_EQ(text[99999], static_cast<char16_t>(99999 % 251));
}

TEST(LoadText, MarksSelectTheEncodingAndAreDropped) {
  ScratchDir dir;
  EXPECT_EQ(LoadBytes(dir, "\xEF\xBB\xBF"
                           "A\xE2\x82\xAC"),
            u"A\u20AC");
  EXPECT_EQ(LoadBytes(dir, std::string("\xFE\xFF\x20\xAC\0A", 6)), u"\u20ACA");
  EXPECT_EQ(LoadBytes(dir, std::string("\xFF\xFE\xAC\x20"
                                       "A\0",
                                       6)),
            u"\u20ACA");
  EXPECT_EQ(LoadBytes(dir, "\xEF\xBB\xBF"), u"");
}

TEST(LoadText, ReadsEmbeddedData) {
  static const char page[] = "\xEF\xBB"
                             "body";
  IncbinAdd(u"text-io-test\\page.html", page, sizeof page - 1);
  EXPECT_EQ(LoadText(u"incbin::text-io-test\\page.html"), u"\u00EF\u00BBbody");
}

TEST(LoadText, AnUnopenableUrlRaisesTheReadError) {
  ScratchDir dir;
  EXPECT_THROW(LoadText(dir.Path("missing")), TStreamReadException);
  EXPECT_THROW(LoadText(u"incbin::text-io-test\\missing"), TStreamReadException);
}

TEST(SaveText, NarrowTextIsOneBytePerUnitWithoutMark) {
  ScratchDir dir;
  SaveText(String(u"a\u00E9\r\n\0\u00FF", 6), dir.Path("out"));
  EXPECT_EQ(ReadBytes(dir.File("out")), std::string("a\xE9\r\n\0\xFF", 6));
}

TEST(SaveText, WideTextIsUtf16BigEndianBehindItsMark) {
  ScratchDir dir;
  SaveText(u"A\u20AC", dir.Path("out"));
  EXPECT_EQ(ReadBytes(dir.File("out")), std::string("\xFE\xFF\0A\x20\xAC", 6));
  EXPECT_EQ(LoadText(dir.Path("out")), u"A\u20AC");
}

TEST(SaveText, ReplacesAnExistingFileWhole) {
  ScratchDir dir;
  WriteBytes(dir.File("out"), "a much longer old content");
  SaveText(u"new", dir.Path("out"));
  EXPECT_EQ(ReadBytes(dir.File("out")), "new");
}

TEST(SaveText, AcceptsBackslashPaths) {
  ScratchDir dir;
  SaveText(u"x", FromBytes(dir.path().native()) + u"\\out");
  EXPECT_EQ(ReadBytes(dir.File("out")), "x");
}

TEST(SaveText, AnUnopenableDestinationRaisesTheWriteError) {
  ScratchDir dir;
  EXPECT_THROW(SaveText(u"narrow", dir.Path("no/such/dir")), TStreamWriteException);
  EXPECT_THROW(SaveText(u"wide\u20AC", dir.Path("no/such/dir")), TStreamWriteException);
  EXPECT_THROW(SaveString(u"x", u"incbin::text-io-test\\anything"), TStreamWriteException);
}

TEST(SaveText, AFailedSaveLeavesTheOldFile) {
  ScratchDir dir;
  // A directory cannot be replaced by a file, not even by root.
  std::filesystem::create_directory(dir.File("taken"));
  WriteBytes(dir.File("taken/keep"), "kept");
  EXPECT_THROW(SaveText(u"new", dir.Path("taken")), TStreamWriteException);
  EXPECT_EQ(ReadBytes(dir.File("taken/keep")), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SaveString, WritesNarrowedBytesThroughUrlsWithoutReencoding) {
  ScratchDir dir;
  // The bytes go out as a block, which a text stream passes on unchanged.
  SaveString(u"\u20ACx", u"utf8::" + dir.Path("out"));
  EXPECT_EQ(ReadBytes(dir.File("out")), "\xACx");
}

}  // namespace
}  // namespace qm
