#include "system/text_stream.h"

#include <gtest/gtest.h>

#include "system/ram_stream.h"

namespace qm {
namespace {

std::unique_ptr<TTextStream> Over(const std::string& bytes, int encoding) {
  return TTextStream::Create(TRamStream::CreateOwned(bytes, true, false), encoding);
}

// The bytes a text stream writes, captured through a memory block.
std::string Written(int encoding, const String& text, bool as_line = false) {
  std::string block(64, '\0');
  auto ram = TRamStream::Create(block.data(), 64, false, true);
  TRamStream* inner = ram.get();
  auto stream = TTextStream::Create(std::move(ram), encoding);
  if (as_line) {
    EXPECT_TRUE(stream->WriteLine(text));
  } else {
    stream->WriteString(text);
  }
  return block.substr(0, static_cast<std::size_t>(inner->Pos()));
}

TEST(TextStreamWrite, EachEncodingLaysOutUnitsAsDescribed) {
  EXPECT_EQ(Written(TTextStream::LATIN1, u"A\u00E9\u20AC"), "A\xE9\xAC");
  EXPECT_EQ(Written(TTextStream::UTF8, u"A\u00E9\u20AC"), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Written(TTextStream::UTF16BE, u"A\u20AC"), std::string("\0A\x20\xAC", 4));
  EXPECT_EQ(Written(TTextStream::UTF16LE, u"A\u20AC"), std::string("A\0\xAC\x20", 4));
}

TEST(TextStreamWrite, SurrogatePairsBecomeTwoThreeByteSequences) {
  EXPECT_EQ(Written(TTextStream::UTF8, u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
}

TEST(TextStreamWrite, WriteLineEndsWithEncodedCarriageReturnLineFeed) {
  EXPECT_EQ(Written(TTextStream::UTF8, u"", true), "\r\n");
  EXPECT_EQ(Written(TTextStream::UTF16BE, u"x", true), std::string("\0x\0\r\0\n", 6));
}

TEST(TextStreamWrite, WriteCharMatchesWriteString) {
  std::string block(8, '\0');
  auto ram = TRamStream::Create(block.data(), 8, false, true);
  auto stream = TTextStream::Create(std::move(ram), TTextStream::UTF8);
  stream->WriteChar(u'\u07FF');
  EXPECT_EQ(block.substr(0, 2), "\xDF\xBF");
}

TEST(TextStreamWrite, ShortLineIsReportedNotRaised) {
  std::string block(3, '\0');
  auto stream = TTextStream::Create(TRamStream::Create(block.data(), 3, false, true), TTextStream::UTF8);
  EXPECT_FALSE(stream->WriteLine(u"ab"));
  auto again = TTextStream::Create(TRamStream::Create(block.data(), 3, false, true), TTextStream::UTF8);
  EXPECT_THROW(again->WriteString(u"abcd"), TStreamWriteException);
}

TEST(TextStreamRead, DecodesEachEncoding) {
  EXPECT_EQ(Over("A\xE9", TTextStream::LATIN1)->ReadFile(), u"A\u00E9");
  EXPECT_EQ(Over("A\xC3\xA9\xE2\x82\xAC", TTextStream::UTF8)->ReadFile(), u"A\u00E9\u20AC");
  EXPECT_EQ(Over(std::string("\x20\xAC\0A", 4), TTextStream::UTF16BE)->ReadFile(), u"\u20ACA");
  EXPECT_EQ(Over(std::string("\xAC\x20"
                             "A\0",
                             4),
                 TTextStream::UTF16LE)
                ->ReadFile(),
            u"\u20ACA");
}

TEST(TextStreamRead, FourByteUtf8LeadGivesZeroAfterThreeBytes) {
  auto stream = Over("\xF0\x9F\x98Z", TTextStream::UTF8);
  EXPECT_EQ(stream->ReadChar(), u'\0');
  EXPECT_EQ(stream->ReadChar(), u'Z');
}

TEST(TextStreamRead, MissingBytesAtTheEndReadAsZero) {
  EXPECT_EQ(Over("A", TTextStream::UTF16BE)->ReadFile(), u"\u4100");
}

TEST(TextStreamRead, ReadLineEndsAtLineFeedOrZeroAndDropsCarriageReturns) {
  auto stream = Over(std::string("a\r\nb\0c\rd", 8), TTextStream::UTF8);
  EXPECT_EQ(stream->ReadLine(), u"a");
  EXPECT_EQ(stream->ReadLine(), u"b");
  EXPECT_EQ(stream->ReadLine(), u"cd");
  EXPECT_TRUE(stream->Eof());
}

TEST(TextStreamRead, ReadFileKeepsLineEndsAndZeroUnits) {
  EXPECT_EQ(Over(std::string("a\r\n\0b", 5), TTextStream::LATIN1)->ReadFile(), String(u"a\r\n\0b", 5));
}

TEST(TextStreamWrapper, ClosingTheTextStreamClosesTheInnerStream) {
  const char data[] = "abc";
  auto ram = TRamStream::Create(data, 3);
  TRamStream* inner = ram.get();
  auto stream = TTextStream::Create(std::move(ram), TTextStream::LATIN1);
  stream->Close();
  EXPECT_EQ(inner->Size(), 0);
  EXPECT_TRUE(stream->Eof());
}

}  // namespace
}  // namespace qm
