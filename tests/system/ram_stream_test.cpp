#include "system/ram_stream.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(RamStream, ReadsClampToWhatIsLeft) {
  const char data[] = "abcdef";
  auto stream = TRamStream::Create(data, 6);
  char buffer[8] = {};
  EXPECT_EQ(stream->Read(buffer, 4), 4);
  EXPECT_EQ(stream->Read(buffer, 4), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream->Read(buffer, 4), 0);
  EXPECT_TRUE(stream->Eof());
}

TEST(RamStream, PermissionsAndCountsBelowOneGiveZero) {
  char data[4] = {'a', 'b', 'c', 'd'};
  auto read_only = TRamStream::Create(data, 4, true, false);
  EXPECT_EQ(read_only->Write("x", 1), 0);
  auto write_only = TRamStream::Create(data, 4, false, true);
  char byte;
  EXPECT_EQ(write_only->Read(&byte, 1), 0);
  EXPECT_EQ(read_only->Read(&byte, 0), 0);
  EXPECT_EQ(read_only->Read(&byte, -3), 0);
}

TEST(RamStream, SeekStaysInsideTheBlock) {
  const char data[] = "abc";
  auto stream = TRamStream::Create(data, 3);
  EXPECT_EQ(stream->Seek(99), 3);
  char byte = 0;
  EXPECT_EQ(stream->Read(&byte, 1), 0);
  EXPECT_EQ(stream->Seek(-5), 0);
  EXPECT_EQ(stream->Read(&byte, 1), 1);
  EXPECT_EQ(byte, 'a');
}

TEST(RamStream, OwnedContentSurvivesItsSource) {
  std::unique_ptr<TRamStream> stream;
  {
    std::string source = "kept";
    stream = TRamStream::CreateOwned(source, true, false);
  }
  EXPECT_EQ(stream->ReadLine(), u"kept");
}

TEST(RamStream, AClosedStreamTransfersNothing) {
  const char data[] = "abc";
  auto stream = TRamStream::Create(data, 3);
  stream->Close();
  char byte;
  EXPECT_EQ(stream->Read(&byte, 1), 0);
  EXPECT_TRUE(stream->Eof());
}

}  // namespace
}  // namespace qm
