#include "system/standard_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/strings.h"
#include "system/text_io.h"

namespace qm {
namespace {

// Sends standard output into a file for the lifetime of the object.
class CapturedStdout {
 public:
  explicit CapturedStdout(const std::string& path) : path_(path) {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    dup2(fileno(file), STDOUT_FILENO);
    std::fclose(file);
  }
  ~CapturedStdout() { Restore(); }
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }
  // What reached the file so far, without flushing the process's buffer.
  std::string Seen() const { return testing::ReadBytes(path_); }

 private:
  std::string path_;
  int saved_ = -1;
};

TEST(StandardOutput, WriteStringEncodesUtf8AndDoesNotFlush) {
  testing::ScratchDir dir;
  CapturedStdout capture(dir.File("out"));
  StandardIOStream().WriteString(u"\u20AC");
  EXPECT_EQ(capture.Seen(), "");
  capture.Restore();
  EXPECT_EQ(capture.Seen(), "\xE2\x82\xAC");
}

TEST(StandardOutput, PrintEndsWithCarriageReturnLineFeedAndFlushes) {
  testing::ScratchDir dir;
  CapturedStdout capture(dir.File("out"));
  Print(u"Items: \u00E9");
  EXPECT_EQ(capture.Seen(), "Items: \xC3\xA9\r\n");
}

TEST(StandardOutput, TextHoldingUtf8BytesIsWrittenAsThoseBytes) {
  testing::ScratchDir dir;
  CapturedStdout capture(dir.File("out"));
  // A path as the file system gives it, then an old Latin-1 name.
  Print(u"Tallowin dir  : " + FromBytes("/home/me/R\xC3\xA9"
                                        "al/\xE6\x96\x87"));
  StandardIOStream().WriteString(u"<" + FromBytes("caf\xE9") + u">");
  capture.Restore();
  EXPECT_EQ(capture.Seen(), "Tallowin dir  : /home/me/R\xC3\xA9"
                            "al/\xE6\x96\x87\r\n<caf\xC3\xA9>");
}

TEST(StandardOutput, IsOneStreamForTheWholeRun) {
  EXPECT_EQ(&StandardIOStream(), &StandardIOStream());
  EXPECT_EQ(StandardIOStream().Encoding(), TTextStream::UTF8);
}

}  // namespace
}  // namespace qm
