#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/filesystem.h"
#include "system/ram_stream.h"
#include "system/stream.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

std::unique_ptr<TRamStream> Reader(const std::string& bytes) { return TRamStream::CreateOwned(bytes, true, false); }

TEST(ReadLine, SplitsAtLineFeedAndDropsEveryCarriageReturn) {
  ScratchDir dir;
  WriteBytes(dir.File("lines"), std::string("a\r\nb\rc\n\n", 8));
  StreamPtr stream = ReadFile(dir.Path("lines"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"a");
  EXPECT_EQ(stream->ReadLine(), u"bc");
  EXPECT_FALSE(stream->Eof());
  EXPECT_EQ(stream->ReadLine(), u"");
  EXPECT_TRUE(stream->Eof());
}

TEST(ReadLine, AFinalLineWithoutLineFeedIsWhole) {
  auto stream = Reader("one\ntwo");
  EXPECT_EQ(stream->ReadLine(), u"one");
  EXPECT_EQ(stream->ReadLine(), u"two");
  EXPECT_TRUE(stream->Eof());
  EXPECT_EQ(stream->ReadLine(), u"");
}

TEST(ReadLine, AZeroByteEndsTheLine) {
  auto stream = Reader(std::string("ab\0cd\n", 6));
  EXPECT_EQ(stream->ReadLine(), u"ab");
  EXPECT_EQ(stream->ReadLine(), u"cd");
}

TEST(ReadLine, BytesWidenOneUnitEach) {
  auto stream = Reader("\xC3\xA9\xFF\n");
  EXPECT_EQ(stream->ReadLine(), String(u"\u00C3\u00A9\u00FF"));
}

TEST(ReadLine, HasNoLengthLimit) {
  const std::string long_line(5000, 'q');
  auto stream = Reader(long_line + "\nnext");
  EXPECT_EQ(stream->ReadLine(), String(5000, u'q'));
  EXPECT_EQ(stream->ReadLine(), u"next");
}

TEST(WriteLine, TheEmptyLineIsExactlyCarriageReturnLineFeed) {
  ScratchDir dir;
  StreamPtr stream = WriteFile(dir.Path("out"));
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->WriteLine(u""));
  stream->WriteString(u"");
  CloseFile(stream);
  EXPECT_EQ(ReadBytes(dir.File("out")), "\r\n");
}

TEST(WriteLine, NarrowsEachUnitToItsLowByte) {
  ScratchDir dir;
  StreamPtr stream = WriteFile(dir.Path("out"));
  EXPECT_TRUE(stream->WriteLine(u"a\u00E9\u263A"));
  CloseFile(stream);
  EXPECT_EQ(ReadBytes(dir.File("out")), "a\xE9:\r\n");
}

TEST(WriteLine, ReportsAShortWriteWithoutRaising) {
  std::string block(4, '.');
  auto full = TRamStream::Create(block.data(), 4, false, true);
  EXPECT_FALSE(full->WriteLine(u"abcdef"));
  EXPECT_EQ(block, "abcd");  // no line end after a short text
  auto exact = TRamStream::Create(block.data(), 4, false, true);
  EXPECT_FALSE(exact->WriteLine(u"wxyz"));
  EXPECT_EQ(block, "wxyz");
}

TEST(WriteString, WritesOneByteForTheEuroSignToAFile) {
  ScratchDir dir;
  StreamPtr stream = WriteFile(dir.Path("out"));
  stream->WriteString(u"\u20AC");
  CloseFile(stream);
  EXPECT_EQ(ReadBytes(dir.File("out")), "\xAC");
}

TEST(WriteString, RaisesWhenTheStreamTakesNoBytes) {
  std::string block(2, '.');
  auto stream = TRamStream::Create(block.data(), 2, false, true);
  EXPECT_THROW(stream->WriteString(u"abc"), TStreamWriteException);
  try {
    stream->WriteString(u"x");
  } catch (const TStreamWriteException& error) {
    EXPECT_EQ(error.Text(), u"Error writing to stream");
  }
}

TEST(ByteTransfer, ReadBytesStopsAtTheEndAndLeavesTheRest) {
  auto stream = Reader("ab");
  char buffer[4] = {'-', '-', '-', '-'};
  EXPECT_EQ(stream->ReadBytes(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "ab--");
  EXPECT_EQ(stream->ReadByte(), 0);
}

TEST(ByteTransfer, WriteByteKeepsTheLowEightBits) {
  std::string block(1, '.');
  auto stream = TRamStream::Create(block.data(), 1, false, true);
  stream->WriteByte(0x1FF);
  EXPECT_EQ(static_cast<unsigned char>(block[0]), 0xFF);
  EXPECT_THROW(stream->WriteByte(1), TStreamWriteException);
}

TEST(ByteTransfer, ReadingAnUnreadableBaseStreamRaises) {
  TIO io;
  char byte;
  try {
    io.Read(&byte, 1);
    FAIL();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Text(), u"Stream is not readable");
  }
  try {
    io.Write(&byte, 1);
    FAIL();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Text(), u"Stream is not writeable");
  }
}

}  // namespace
}  // namespace qm
