#include "system/stream_factory.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/incbin.h"
#include "system/ram_stream.h"
#include "system/text_stream.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

const char kPage[] = "<html>page</html>";

class OpenStreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { IncbinAdd(u"factory-test\\index.html", kPage, sizeof kPage - 1); }
};

TEST_F(OpenStreamTest, APlainPathOpensAFile) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "line");
  StreamPtr stream = OpenStream(dir.Path("f"), true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"line");
  EXPECT_EQ(OpenStream(u"", true, false), nullptr);
}

TEST_F(OpenStreamTest, IncbinReadsTheRegisteredBytes) {
  StreamPtr stream = ReadStream(u"incbin::factory-test\\index.html");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Pos(), 0);
  EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(sizeof kPage - 1));
  EXPECT_EQ(stream->ReadLine(), u"<html>page</html>");
  EXPECT_EQ(stream->Write("x", 1), 0);
}

TEST_F(OpenStreamTest, IncbinNamesAreExactWhileTheProtocolIsCaseBlind) {
  EXPECT_EQ(ReadStream(u"incbin::factory-test\\INDEX.html"), nullptr);
  EXPECT_EQ(ReadStream(u"incbin::factory-test/index.html"), nullptr);
  EXPECT_NE(ReadStream(u"INCBIN::factory-test\\index.html"), nullptr);
  EXPECT_NE(ReadStream(u"InCbIn::factory-test\\index.html"), nullptr);
}

TEST_F(OpenStreamTest, IncbinRefusesWriting) {
  EXPECT_EQ(WriteStream(u"incbin::factory-test\\index.html"), nullptr);
  EXPECT_EQ(OpenStream(u"incbin::factory-test\\index.html", true, true), nullptr);
}

TEST_F(OpenStreamTest, UnknownProtocolsOpenNothing) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "x");
  EXPECT_EQ(ReadStream(u"nosuch::" + dir.Path("f")), nullptr);
}

TEST_F(OpenStreamTest, TextProtocolsWrapTheInnerUrl) {
  ScratchDir dir;
  StreamPtr out = WriteStream(u"UTF8::" + dir.Path("u8"));
  ASSERT_NE(out, nullptr);
  ASSERT_NE(dynamic_cast<TTextStream*>(out.get()), nullptr);
  out->WriteString(u"\u20AC");
  out->Close();
  EXPECT_EQ(ReadBytes(dir.File("u8")), "\xE2\x82\xAC");

  WriteBytes(dir.File("le"), std::string("\xAC\x20\n\0", 4));
  StreamPtr in = ReadStream(u"utf16le::" + dir.Path("le"));
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->ReadLine(), u"\u20AC");

  StreamPtr nested = ReadStream(u"latin1::incbin::factory-test\\index.html");
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(nested->ReadLine(), u"<html>page</html>");
  EXPECT_EQ(ReadStream(u"utf8::" + dir.Path("missing")), nullptr);
}

// Answers the protocol "fixed-test" with its own text, to show the order
// handlers are asked in and what they are given.
class FixedTextFactory : public TStreamFactory {
 public:
  explicit FixedTextFactory(std::string text) : text_(std::move(text)) {}
  StreamPtr CreateStream(const String& url, const String& protocol, const String& path, bool, bool) override {
    if (protocol != u"fixed-test") return nullptr;
    seen_url = url;
    seen_path = path;
    return TRamStream::CreateOwned(text_, true, false);
  }
  static inline String seen_url;
  static inline String seen_path;

 private:
  std::string text_;
};

TEST_F(OpenStreamTest, TheMostRecentHandlerIsAskedFirst) {
  AddStreamFactory(std::make_unique<FixedTextFactory>("older"));
  StreamPtr stream = ReadStream(u"Fixed-Test::A\\b::c");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"older");
  EXPECT_EQ(FixedTextFactory::seen_url, u"Fixed-Test::A\\b::c");
  EXPECT_EQ(FixedTextFactory::seen_path, u"A\\b::c");

  AddStreamFactory(std::make_unique<FixedTextFactory>("newer"));
  EXPECT_EQ(ReadStream(u"fixed-test::x")->ReadLine(), u"newer");
}

TEST_F(OpenStreamTest, AStreamGivenAsUrlComesBackWrapped) {
  StreamPtr stream = OpenStream(TRamStream::CreateOwned("inner", true, false), true, false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"inner");
}

}  // namespace
}  // namespace qm
