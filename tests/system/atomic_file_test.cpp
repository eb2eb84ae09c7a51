#include "system/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

// Entries in dir, so tests can see that no temporary file was left behind.
std::size_t EntryCount(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Makes every write past the first limit bytes of a file fail, as a full
// disk would, for root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

TEST(AtomicWrite, CreatesANewFileWithTheUsualPermissions) {
  ScratchDir dir;
  String error;
  ASSERT_TRUE(WriteFileAtomically(dir.Path("new.js"), "var a;\r\n", &error)) << ToUtf8(error);
  EXPECT_EQ(ReadBytes(dir.File("new.js")), "var a;\r\n");
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(ModeOf(dir.File("new.js")), 0666 & ~mask);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicWrite, ReplacesAFileKeepingItsPermissions) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "a much longer old content");
  chmod(dir.File("f").c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(FromBytes(dir.path().native()) + u"\\f", "new"));
  EXPECT_EQ(ReadBytes(dir.File("f")), "new");
  EXPECT_EQ(ModeOf(dir.File("f")), 0640u);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicWrite, WritesThroughASymbolicLink) {
  ScratchDir dir;
  WriteBytes(dir.File("real"), "old");
  std::filesystem::create_symlink("real", dir.File("link"));
  ASSERT_TRUE(WriteFileAtomically(dir.Path("link"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadBytes(dir.File("real")), "new");
}

TEST(AtomicWrite, AFailingDiskWriteLeavesTheOldFile) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  String error;
  bool written = true;
  {
    FileSizeLimit limit(8);
    written = WriteFileAtomically(dir.Path("f"), std::string(100, 'n'), &error);
  }
  EXPECT_FALSE(written);
  EXPECT_NE(error, u"");
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicWrite, AFailedRenameLeavesTheTargetAndNoTemporaryFile) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("taken"));
  WriteBytes(dir.File("taken/inside"), "kept");
  String error;
  EXPECT_FALSE(WriteFileAtomically(dir.Path("taken"), "new", &error));
  EXPECT_NE(error.find(u"Cannot replace"), String::npos) << ToUtf8(error);
  EXPECT_EQ(ReadBytes(dir.File("taken/inside")), "kept");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicWrite, AMissingDirectoryFailsBeforeWriting) {
  ScratchDir dir;
  String error;
  EXPECT_FALSE(WriteFileAtomically(dir.Path("no/such/f"), "x", &error));
  EXPECT_NE(error, u"");
  EXPECT_EQ(AtomicFileStream::Create(String(u"a\0b", 3)), nullptr);
}

TEST(AtomicWrite, AReadOnlyDirectoryLeavesTheOldFile) {
  if (testing::RunningAsRoot()) GTEST_SKIP() << "root writes into read-only directories";
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  chmod(dir.path().c_str(), 0555);
  EXPECT_FALSE(WriteFileAtomically(dir.Path("f"), "new"));
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
}

TEST(AtomicStream, TheTargetChangesOnlyOnClose) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  auto stream = AtomicFileStream::Create(dir.Path("f"));
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->WriteLine(u"line one"));
  stream->WriteString(u"piece");
  stream->Flush();
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
  EXPECT_EQ(stream->Close(), 0);
  EXPECT_TRUE(stream->Committed());
  EXPECT_EQ(ReadBytes(dir.File("f")), "line one\r\npiece");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
  EXPECT_EQ(stream->Write("x", 1), 0);
  EXPECT_EQ(stream->Close(), 0);
}

TEST(AtomicStream, DroppingTheStreamUnclosedKeepsTheOldFile) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  {
    auto stream = AtomicFileStream::Create(dir.Path("f"));
    ASSERT_NE(stream, nullptr);
    stream->WriteString(u"half of the new");
    EXPECT_TRUE(std::filesystem::exists(stream->TemporaryPath()));
  }
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicStream, AnErrorUnwindingPastTheWriterKeepsTheOldFile) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  auto write_then_fail = [&] {
    auto stream = AtomicFileStream::Create(dir.Path("f"));
    stream->WriteLine(u"partial");
    throw TStreamWriteException();
  };
  EXPECT_THROW(write_then_fail(), TStreamWriteException);
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicStream, DiscardAndFailedCommitAreFinal) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  auto stream = AtomicFileStream::Create(dir.Path("f"));
  stream->WriteString(u"new");
  stream->Discard();
  EXPECT_EQ(stream->Close(), -1);
  String error;
  EXPECT_FALSE(stream->Commit(&error));
  EXPECT_NE(error, u"");
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
}

TEST(AtomicStream, ALostWriteRefusesTheCommit) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  auto stream = AtomicFileStream::Create(dir.Path("f"));
  ASSERT_NE(stream, nullptr);
  int closed = 0;
  {
    FileSizeLimit limit(4);
    stream->WriteLine(u"longer than four bytes");
    closed = stream->Close();
  }
  EXPECT_EQ(closed, -1);
  EXPECT_FALSE(stream->Committed());
  EXPECT_EQ(ReadBytes(dir.File("f")), "old");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

}  // namespace
}  // namespace qm
