#include "system/cstream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "temp_dir.h"

namespace qm {
namespace {

using testing::ReadBytesFrom;
using testing::TempDir;
using testing::WriteBytesTo;

TEST(CStreamOpen, ReadModeNeedsAnExistingFile) {
  TempDir dir;
  EXPECT_EQ(TCStream::OpenFile(dir.Path("missing"), true, false), nullptr);
  WriteBytesTo(dir.File("present"), "xyz");
  auto stream = TCStream::OpenFile(dir.Path("present"), true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Mode(), TCStream::MODE_READ);
  EXPECT_EQ(stream->Size(), 3);
  EXPECT_EQ(stream->Pos(), 0);
}

TEST(CStreamOpen, WriteModeCreatesOrEmptiesAtOnce) {
  TempDir dir;
  WriteBytesTo(dir.File("old"), "old content");
  auto stream = TCStream::OpenFile(dir.Path("old"), false, true);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Mode(), TCStream::MODE_WRITE);
  EXPECT_EQ(ReadBytesFrom(dir.File("old")), "");
  EXPECT_NE(TCStream::OpenFile(dir.Path("new"), false, true), nullptr);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("new")));
}

TEST(CStreamOpen, BackslashesBecomeSlashes) {
  TempDir dir;
  WriteBytesTo(dir.File("f.txt"), "x");
  auto stream = TCStream::OpenFile(FromBytes(dir.path()) + u"\\f.txt", true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadByte(), 'x');
}

TEST(CStreamOpen, ReadWriteFailsOnAMissingFile) {
  TempDir dir;
  EXPECT_EQ(TCStream::OpenFile(dir.Path("missing"), true, true), nullptr);
}

TEST(CStreamOpen, ReadWriteFailsOnAReadOnlyFile) {
  if (testing::RunningAsRoot()) GTEST_SKIP() << "root may open read-only files for writing";
  TempDir dir;
  WriteBytesTo(dir.File("ro"), "data");
  chmod(dir.File("ro").c_str(), 0444);
  EXPECT_EQ(TCStream::OpenFile(dir.Path("ro"), true, true), nullptr);
}

TEST(CStreamOpen, ReadWriteFailsOnADirectoryEvenForRoot) {
  TempDir dir;
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path()), true, true), nullptr);
}

TEST(CStreamOpen, ADirectoryIsNotAReadableFile) {
  TempDir dir;
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path()), true, false), nullptr);
}

TEST(CStreamOpen, PathsThatCannotBeNarrowedNameNoFile) {
  TempDir dir;
  WriteBytesTo(dir.File("a"), "x");
  // A zero unit would cut the path at "a"; U+012F would narrow to "/".
  EXPECT_EQ(TCStream::OpenFile(dir.Path("a") + String(1, u'\0') + u"b", true, false), nullptr);
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path()) + u"\u012Fa", true, false), nullptr);
}

TEST(CStreamTransfer, PositionAndSizeFollowWrites) {
  TempDir dir;
  auto stream = TCStream::OpenFile(dir.Path("f"), false, true);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Write("hello", 5), 5);
  EXPECT_EQ(stream->Pos(), 5);
  EXPECT_EQ(stream->Size(), 5);
  EXPECT_TRUE(stream->Eof());
  stream->Seek(1);
  EXPECT_EQ(stream->Write("E", 1), 1);
  EXPECT_EQ(stream->Size(), 5);
  stream->Close();
  EXPECT_EQ(ReadBytesFrom(dir.File("f")), "hEllo");
}

TEST(CStreamTransfer, ReadAndWriteAlternateOnAnUpdateStream) {
  TempDir dir;
  WriteBytesTo(dir.File("f"), "abcdef");
  auto stream = TCStream::OpenFile(dir.Path("f"), true, true);
  ASSERT_NE(stream, nullptr);
  char two[2];
  EXPECT_EQ(stream->Read(two, 2), 2);
  EXPECT_EQ(stream->Write("XY", 2), 2);
  EXPECT_EQ(stream->Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "ef");
  stream->Close();
  EXPECT_EQ(ReadBytesFrom(dir.File("f")), "abXYef");
}

TEST(CStreamTransfer, WrongDirectionTransfersNothing) {
  TempDir dir;
  WriteBytesTo(dir.File("f"), "abc");
  auto reader = TCStream::OpenFile(dir.Path("f"), true, false);
  EXPECT_EQ(reader->Write("x", 1), 0);
  EXPECT_THROW(reader->WriteString(u"x"), TStreamWriteException);
  auto writer = TCStream::OpenFile(dir.Path("g"), false, true);
  char byte;
  EXPECT_EQ(writer->Read(&byte, 1), 0);
}

TEST(CStreamTransfer, AClosedStreamIsInert) {
  TempDir dir;
  WriteBytesTo(dir.File("f"), "abc");
  auto stream = TCStream::OpenFile(dir.Path("f"), true, true);
  stream->Close();
  char byte = 0;
  EXPECT_EQ(stream->Read(&byte, 1), 0);
  EXPECT_EQ(stream->Write("x", 1), 0);
  EXPECT_TRUE(stream->Eof());
  EXPECT_EQ(stream->Pos(), 0);
  EXPECT_EQ(stream->Size(), 0);
  EXPECT_EQ(stream->ReadLine(), u"");
  EXPECT_FALSE(stream->WriteLine(u"x"));
  EXPECT_EQ(stream->Close(), 0);
  EXPECT_EQ(ReadBytesFrom(dir.File("f")), "abc");
}

TEST(CStreamTransfer, ALostBufferedWriteIsRecorded) {
  // The full device accepts bytes into the buffer and refuses them on flush.
  auto stream = TCStream::OpenFile(u"/dev/full", false, true);
  ASSERT_NE(stream, nullptr);
  stream->WriteString(u"lost");
  EXPECT_FALSE(stream->WriteFailed());
  stream->Close();
  EXPECT_TRUE(stream->WriteFailed());
  EXPECT_NE(stream->WriteError(), 0);
}

}  // namespace
}  // namespace qm
