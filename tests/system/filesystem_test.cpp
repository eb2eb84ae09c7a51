#include "system/filesystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/incbin.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

std::vector<String> ListAll(int handle) {
  std::vector<String> names;
  for (String name = NextFile(handle); !name.empty(); name = NextFile(handle)) names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FixPath, TurnsBackslashesIntoSlashes) {
  EXPECT_EQ(FixPath(u"C:\\a\\b/c"), u"C:/a/b/c");
  EXPECT_EQ(FixPath(u"a//b/./../c/"), u"a//b/./../c/");
}

TEST(FixPath, DirectoriesLoseOneTrailingSlashButTheRootStays) {
  EXPECT_EQ(FixPath(u"dir/", true), u"dir");
  EXPECT_EQ(FixPath(u"dir\\", true), u"dir");
  EXPECT_EQ(FixPath(u"a//", true), u"a/");
  EXPECT_EQ(FixPath(u"/", true), u"/");
  EXPECT_EQ(FixPath(u"\\", true), u"/");
  EXPECT_EQ(FixPath(u"dir/", false), u"dir/");
}

TEST(FixPath, SystemPathRefusesUnitsThatWouldChangeTheName) {
  EXPECT_EQ(SystemPath(u"a\\b\u00E9"), std::optional<std::string>("a/b\xE9"));
  EXPECT_FALSE(SystemPath(String(u"a\0b", 3)).has_value());
  EXPECT_FALSE(SystemPath(u"a\u012Fb").has_value());
}

TEST(OpenFile, ReadsAFileNamedWithBackslashes) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.File("docs/html/Modules"));
  WriteBytes(dir.File("docs/html/Modules/commands.txt"), "Print|x.html\r\n");
  StreamPtr stream = OpenFile(FromBytes(dir.path().native()) + u"\\docs\\html\\Modules\\commands.txt", true, true);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"Print|x.html");
  EXPECT_TRUE(stream->Eof());
  EXPECT_EQ(CloseFile(stream), 0);
}

TEST(OpenFile, BothFlagsNeedAnExistingWritableFile) {
  ScratchDir dir;
  EXPECT_EQ(OpenFile(dir.Path("missing"), true, true), nullptr);
  std::filesystem::create_directory(dir.File("sub"));
  EXPECT_EQ(OpenFile(dir.Path("sub"), true, true), nullptr);
  if (testing::RunningAsRoot()) GTEST_SKIP() << "root may open read-only files for writing";
  WriteBytes(dir.File("ro"), "x");
  chmod(dir.File("ro").c_str(), 0444);
  EXPECT_EQ(OpenFile(dir.Path("ro"), true, true), nullptr);
}

TEST(OpenFile, WriteFileEmptiesAnExistingFileAtOnce) {
  ScratchDir dir;
  WriteBytes(dir.File("f"), "old");
  StreamPtr stream = WriteFile(dir.Path("f"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ReadBytes(dir.File("f")), "");
  EXPECT_EQ(ReadFile(dir.Path("missing")), nullptr);
}

TEST(OpenFile, AStreamWithoutPositionIsServedFromMemory) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "piped\nline", 10), 10);
  close(fds[1]);
  const std::string path = "/proc/self/fd/" + std::to_string(fds[0]);
  StreamPtr stream = ReadFile(FromBytes(path));
  close(fds[0]);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Pos(), 0);
  EXPECT_EQ(stream->ReadLine(), u"piped");
  EXPECT_EQ(stream->ReadLine(), u"line");
  EXPECT_TRUE(stream->Eof());
}

TEST(OpenFile, OpensUrlsToo) {
  static const char data[] = "embedded";
  IncbinAdd(u"filesystem-test\\data", data, 8);
  StreamPtr stream = ReadFile(u"incbin::filesystem-test\\data");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->ReadLine(), u"embedded");
  EXPECT_EQ(CloseFile(nullptr), 0);
}

TEST(ReadDir, AnEmptyDirectoryListsDotAndDotDot) {
  ScratchDir dir;
  const int handle = ReadDir(FromBytes(dir.path().native()));
  ASSERT_NE(handle, 0);
  EXPECT_EQ(ListAll(handle), (std::vector<String>{u".", u".."}));
  EXPECT_EQ(NextFile(handle), u"");
  EXPECT_EQ(CloseDir(handle), 0);
}

TEST(ReadDir, TrailingSeparatorsNameTheSameDirectory) {
  ScratchDir dir;
  WriteBytes(dir.File(".hidden"), "");
  WriteBytes(dir.File("name\xC3\xA9"), "");
  const std::vector<String> expected{u".", u"..", u".hidden", u"name\u00C3\u00A9"};
  for (const String& spelling : {FromBytes(dir.path().native()), FromBytes(dir.path().native()) + u"/",
                                 FromBytes(dir.path().native()) + u"\\"}) {
    const int handle = ReadDir(spelling);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(ListAll(handle), expected);
    CloseDir(handle);
  }
}

TEST(ReadDir, ListsTheRoot) {
  const int handle = ReadDir(u"/");
  ASSERT_NE(handle, 0);
  const std::vector<String> names = ListAll(handle);
  CloseDir(handle);
  EXPECT_NE(std::find(names.begin(), names.end(), u"tmp"), names.end());
}

TEST(ReadDir, FailureGivesHandleZeroWhichListsNothing) {
  ScratchDir dir;
  EXPECT_EQ(ReadDir(dir.Path("missing")), 0);
  WriteBytes(dir.File("file"), "");
  EXPECT_EQ(ReadDir(dir.Path("file")), 0);
  EXPECT_EQ(NextFile(0), u"");
  EXPECT_EQ(CloseDir(0), 0);
}

TEST(ReadDir, AClosedHandleListsNothing) {
  ScratchDir dir;
  const int handle = ReadDir(FromBytes(dir.path().native()));
  const int other = ReadDir(FromBytes(dir.path().native()));
  EXPECT_NE(handle, other);
  CloseDir(handle);
  EXPECT_EQ(NextFile(handle), u"");
  EXPECT_EQ(CloseDir(handle), 0);
  EXPECT_FALSE(NextFile(other).empty());
  CloseDir(other);
}

TEST(FileType, ClassifiesFollowingLinks) {
  ScratchDir dir;
  WriteBytes(dir.File("file"), "x");
  std::filesystem::create_directory(dir.File("sub"));
  std::filesystem::create_symlink(dir.File("file"), dir.File("link"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  EXPECT_EQ(FileType(dir.Path("file")), 1);
  EXPECT_EQ(FileType(dir.Path("link")), 1);
  EXPECT_EQ(FileType(dir.Path("sub")), 2);
  EXPECT_EQ(FileType(dir.Path("sub/")), 2);
  EXPECT_EQ(FileType(FromBytes(dir.path().native()) + u"\\sub"), 2);
  EXPECT_EQ(FileType(dir.Path("missing")), 0);
  EXPECT_EQ(FileType(dir.Path("dangling")), 0);
  EXPECT_EQ(FileType(u"/dev/null"), 0);
}

TEST(PathNames, ExtractExt) {
  EXPECT_EQ(ExtractExt(u"a.b/c"), u"");
  EXPECT_EQ(ExtractExt(u"a.b\\c"), u"");
  EXPECT_EQ(ExtractExt(u"name.TXT"), u"TXT");
  EXPECT_EQ(ExtractExt(u"name."), u"");
  EXPECT_EQ(ExtractExt(u"x.tar.gz"), u"gz");
  EXPECT_EQ(ExtractExt(u"plain"), u"");
}

TEST(PathNames, StripExtAndStripDir) {
  EXPECT_EQ(StripExt(u"dir.d/file"), u"dir.d/file");
  EXPECT_EQ(StripExt(u"a\\x.tar.gz"), u"a/x.tar");
  EXPECT_EQ(StripDir(u"a\\b\\c.app"), u"c.app");
  EXPECT_EQ(StripDir(u"plain"), u"plain");
  EXPECT_EQ(StripDir(u"dir/"), u"");
}

TEST(CurrentDir, MatchesTheWorkingDirectory) {
  EXPECT_EQ(CurrentDir(), FromBytes(std::filesystem::current_path().string()));
}

TEST(CurrentDir, DeepDirectoriesAreReportedWhole) {
  ScratchDir dir;
  std::string deep = dir.path();
  while (deep.size() < 1500) deep += "/" + std::string(100, 'd');
  std::filesystem::create_directories(deep);
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(deep);
  const String seen = CurrentDir();
  std::filesystem::current_path(saved);
  EXPECT_EQ(seen, FromBytes(std::filesystem::canonical(deep).string()));
}

TEST(DeleteFile, RemovesFilesAndEmptyDirectories) {
  ScratchDir dir;
  WriteBytes(dir.File("file"), "x");
  std::filesystem::create_directory(dir.File("empty"));
  EXPECT_TRUE(DeleteFile(FromBytes(dir.path().native()) + u"\\file"));
  EXPECT_TRUE(DeleteFile(dir.Path("empty")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("file")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty")));
}

TEST(DeleteFile, AMissingPathCountsAsDeleted) {
  ScratchDir dir;
  EXPECT_TRUE(DeleteFile(dir.Path("never")));
}

TEST(DeleteFile, ANonEmptyDirectoryStays) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("full"));
  WriteBytes(dir.File("full/x"), "x");
  EXPECT_FALSE(DeleteFile(dir.Path("full")));
  EXPECT_EQ(ReadBytes(dir.File("full/x")), "x");
}

}  // namespace
}  // namespace qm
