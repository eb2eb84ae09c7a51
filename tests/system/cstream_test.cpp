#include "system/cstream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

TEST(CStreamOpen, ReadModeNeedsAnExistingFile) {
  ScratchDir dir;
  EXPECT_EQ(TCStream::OpenFile(dir.Path("missing"), true, false), nullptr);
  WriteBytes(dir.File("present"), "xyz");
  auto stream = TCStream::OpenFile(dir.Path("present"), true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Mode(), TCStream::MODE_READ);
  EXPECT_EQ(stream->Size(), 3);
  EXPECT_EQ(stream->Pos(), 0);
}

TEST(CStreamOpen, WriteModeCreatesOrEmptiesAtOnce) {
  ScratchDir dir;
  WriteBytes(dir.File("old"), "old content");
  auto stream = TCStream::OpenFile(dir.Path("old"), false, true);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Mode(), TCStream::MODE_WRITE);
  EXPECT_EQ(ReadBytes(dir.File("old")), "");
  EXPECT_NE(TCStream::OpenFile(dir.Path("new"), false, true), nullptr);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("new")));
}

TEST(CStreamOpen, BackslashesBecomeSlashes) {
  ScratchDir dir;
  WriteBytes(dir.File("f.txt"), "x");
  auto stream = TCStream::OpenFile(FromBytes(dir.path().native()) + u"\\f.txt", true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadByte(), 'x');
}

TEST(CStreamOpen, ReadWriteFailsOnAMissingFile) {
  ScratchDir dir;
  EXPECT_EQ(TCStream::OpenFile(dir.Path("missing"), true, true), nullptr);
}

TEST(CStreamOpen, ReadWriteFailsOnAReadOnlyFile) {
  if (testing::RunningAsRoot()) GTEST_SKIP() << "root may open read-only files for writing";
  ScratchDir dir;
  WriteBytes(dir.File("ro"), "data");
  chmod(dir.File("ro").c_str(), 0444);
  EXPECT_EQ(TCStream::OpenFile(dir.Path("ro"), true, true), nullptr);
}

TEST(CStreamOpen, ReadWriteFailsOnADirectoryEvenForRoot) {
  ScratchDir dir;
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path().native()), true, true), nullptr);
}

TEST(CStreamOpen, ADirectoryIsNotAReadableFile) {
  ScratchDir dir;
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path().native()), true, false), nullptr);
}

TEST(CStreamOpen, PathsThatCannotBeNarrowedNameNoFile) {
  ScratchDir dir;
  WriteBytes(dir.File("a"), "x");
  // A zero unit would cut the path at "a"; U+012F would narrow to "/".
  EXPECT_EQ(TCStream::OpenFile(dir.Path("a") + String(1, u'\0') + u"b", true, false), nullptr);
  EXPECT_EQ(TCStream::OpenFile(FromBytes(dir.path().native()) + u"\u012Fa", true, false), nullptr);
}

TEST(CStreamTransfer, PositionAndSizeFollowWrites) {
  ScratchDir dir;
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
  EXPECT_EQ(ReadBytes(dir.File("f")), "hEllo");
}

TEST(CStreamTransfer, ReadAndWriteAlternateOnAnUpdateStream) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "abcdef");
  auto stream = TCStream::OpenFile(dir.Path("f"), true, true);
  ASSERT_NE(stream, nullptr);
  char two[2];
  EXPECT_EQ(stream->Read(two, 2), 2);
  EXPECT_EQ(stream->Write("XY", 2), 2);
  EXPECT_EQ(stream->Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "ef");
  stream->Close();
  EXPECT_EQ(ReadBytes(dir.File("f")), "abXYef");
}

TEST(CStreamTransfer, WrongDirectionTransfersNothing) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "abc");
  auto reader = TCStream::OpenFile(dir.Path("f"), true, false);
  EXPECT_EQ(reader->Write("x", 1), 0);
  EXPECT_THROW(reader->WriteString(u"x"), TStreamWriteException);
  auto writer = TCStream::OpenFile(dir.Path("g"), false, true);
  char byte;
  EXPECT_EQ(writer->Read(&byte, 1), 0);
}

TEST(CStreamTransfer, AClosedStreamIsInert) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "abc");
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
  EXPECT_EQ(ReadBytes(dir.File("f")), "abc");
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
