#include "app/index/index_writer.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "app/shell/services.h"
#include "resources/embedded.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

// Whole builds in this process: an application directory that is also the
// working directory, and an installation beside it.
class IndexBuildTest : public ::testing::Test {
 protected:
  IndexBuildTest() : scratch_("golden") {
    RegisterEmbeddedPages();
    app_ = scratch_.path() / "app";
    inst_ = scratch_.path() / "inst";
    std::filesystem::create_directories(app_);
    std::filesystem::create_directories(inst_ / "docs/html/Modules");
    if (getcwd(old_cwd_, sizeof old_cwd_) == nullptr) old_cwd_[0] = 0;
    EXPECT_EQ(chdir(app_.c_str()), 0);
    AppDir = FromBytes(app_.string());
    tlwndir = FromBytes(inst_.string());
    CreateCatalogue();
  }
  ~IndexBuildTest() override {
    if (old_cwd_[0] != 0 && chdir(old_cwd_) != 0) ADD_FAILURE() << "cannot go back";
  }
  void WriteList(const std::string& bytes) { WriteBytes(inst_ / "docs/html/Modules/commands.txt", bytes); }
  std::string Modules(const char* name) { return ReadBytes(inst_ / "docs/html/Modules" / name); }
  IndexBuildResult Build(std::string* out) {
    ::testing::internal::CaptureStdout();
    IndexBuildResult result = CreateSearchIndex();
    *out = ::testing::internal::GetCapturedStdout();
    return result;
  }

  ScratchDir scratch_;
  std::filesystem::path app_, inst_;
  char old_cwd_[4096];
};

TEST_F(IndexBuildTest, GoldenFilesAndStandardOutput) {
  WriteList("Zeta|/docs/html/Modules/gfx.draw/index.html#Zeta\r\n"
            "alpha|/docs/html/Modules/GFX.draw/index.html#alpha\n"
            "Alpha|/mod/pub.mod/net.mod/doc/commands.html#Alpha\n"
            "Beta \"q\"|/docs/html/Modules/str.util/index.html#Beta\r\n"
            "Back\\slash|/docs/html/Modules/str.util\\index.html#Back\n"
            "Alpha|/docs/html/Modules/str.util/index.html#Alpha2\n"
            "Caf\xE9|/docs/html/Modules/str.util/index.html#Cafe\n"
            "|/docs/nothing\n");
  std::string out;
  ASSERT_TRUE(Build(&out).ok);
  const std::string d = inst_.string();
  const std::string a = app_.string();
  EXPECT_EQ(Modules("command.js"),
            "var commands=new Array(\"Alpha\",\"Alpha\",\"Back\\\\slash\",\"Beta \\\"q\\\"\",\"Caf\xE9\",\"Zeta\","
            "\"alpha\");");
  EXPECT_EQ(Modules("links.js"), "var links=new Array(\"" + d + "/mod/pub.mod/net.mod/doc/commands.html#Alpha\",\"" +
                                     d + "/docs/html/Modules/str.util/index.html#Alpha2\",\"" + d +
                                     "/docs/html/Modules/str.util/index.html#Back\",\"" + d +
                                     "/docs/html/Modules/str.util/index.html#Beta\",\"" + d +
                                     "/docs/html/Modules/str.util/index.html#Cafe\",\"" + d +
                                     "/docs/html/Modules/gfx.draw/index.html#Zeta\",\"" + d +
                                     "/docs/html/Modules/GFX.draw/index.html#alpha\");");
  EXPECT_EQ(Modules("modules.js"),
            "var modules=new Array(\"pub.mod/net\",\"str.util\",\"str.util\",\"str.util\",\"str.util\","
            "\"gfx.draw\",\"GFX.draw\");");
  EXPECT_EQ(Modules("mod.js"), "var mods=new Array(\"GFX.draw\",\"pub.mod/net\",\"str.util\",\"\");");
  const std::string button = "document.write(\"<a href='" + a + "/Quillmere'>Rebuild index</a>\");";
  EXPECT_EQ(out, "Tallowin dir  : " + d + "\r\nDirBase       : " + d + "\r\nCommands file : " + d +
                     "\\docs\\html\\Modules\\commands.txt\r\nTotal commands: 7 8\r\n\r\n"
                     "GFX.draw\r\npub.mod/net\r\nstr.util\r\nIndeces created...\r\nAppDir : " +
                     a + "\r\nCurDir : " + a + "\r\nPostFile: <" + a + "/Quillmere> -----\r\nSS1 = " + button + "\r\n");
  EXPECT_EQ(ReadBytes(app_ / "button.js"), button);
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/button.js"), button);
  EXPECT_EQ(Modules("button.js"), button);
  const auto bytes = [](std::span<const unsigned char> s) { return std::string(s.begin(), s.end()); };
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/index.html"), bytes(resources::IndexHtml()));
  EXPECT_EQ(Modules("commands.html"), bytes(resources::CommandsHtml()));
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/tlwstyle.css"), bytes(resources::StyleCss()));
  EXPECT_EQ(Modules("tlwstyle.css"), bytes(resources::StyleCss()));
}

TEST_F(IndexBuildTest, SecondBuildInOneRunStillListsEarlierModules) {
  WriteList("Zeta|/docs/html/Modules/gfx.draw/index.html#Zeta\n");
  std::string out;
  ASSERT_TRUE(Build(&out).ok);
  const std::string first_commands = Modules("command.js");
  ASSERT_TRUE(Build(&out).ok);
  EXPECT_EQ(Modules("command.js"), first_commands);  // same list, same files
  WriteList("Solo|/docs/html/Modules/solo.pkg/index.html#Solo\n");
  ASSERT_TRUE(Build(&out).ok);
  EXPECT_EQ(Modules("command.js"), "var commands=new Array(\"Solo\");");
  EXPECT_EQ(Modules("mod.js"), "var mods=new Array(\"gfx.draw\",\"solo.pkg\",\"\");");
  EXPECT_EQ(list_command->Count(), 1);
}

// Module lines are printed as their text shows, whatever bytes the list
// holds, without a 16-bit copy of the module; a record whose page path no
// file could have is listed but left out of the book.
TEST_F(IndexBuildTest, UnusualModulesPrintAsTheirTextAndImpossiblePathsStayOutOfTheBook) {
  const std::string huge(5000, 'm');
  WriteList("Wide|/docs/html/Modules/Gr\xC3\xBC\xC3\x9F/index.html#W\n"
            "Old|/docs/html/Modules/Caf\xE9/index.html#O\n"
            "Huge|/docs/html/Modules/" + huge + "/index.html#H\n"
            "Plain|/docs/html/Modules/plain/index.html#P\n");
  for (const std::string module : {"Gr\xC3\xBC\xC3\x9F", "Caf\xE9", "plain"})
    WriteBytes(inst_ / "docs/html/Modules" / module / "index.html", "<p id=\"x\">Page.</p>");
  std::string out;
  ASSERT_TRUE(Build(&out).ok);
  // Well-formed UTF-8 bytes as they are, a Latin-1 byte as its character.
  const std::string lines = "Caf\xC3\xA9\r\nGr\xC3\xBC\xC3\x9F\r\n" + huge + "\r\nplain\r\n";
  EXPECT_NE(out.find(lines), std::string::npos) << out;
  EXPECT_NE(Modules("mod.js").find("\"" + huge + "\""), std::string::npos);
  const std::string book = ReadBytes(inst_ / "docs/html/tallowin.devhelp2");
  for (const char* name : {"\"Wide\"", "\"Old\"", "\"Plain\""}) EXPECT_NE(book.find(name), std::string::npos) << name;
  EXPECT_NE(Modules("command.js").find("\"Huge\""), std::string::npos);
  EXPECT_EQ(book.find("\"Huge\""), std::string::npos);
}

TEST_F(IndexBuildTest, EmptyCatalogueStillDefinesEveryArray) {
  WriteList("|\nno bar\n");
  std::string out;
  ASSERT_TRUE(Build(&out).ok);
  EXPECT_EQ(Modules("command.js"), "var commands=new Array();");
  EXPECT_EQ(Modules("links.js"), "var links=new Array();");
  EXPECT_EQ(Modules("modules.js"), "var modules=new Array();");
  EXPECT_EQ(Modules("mod.js"), "var mods=new Array(\"\");");
  EXPECT_NE(out.find("Total commands: 0 2\r\n"), std::string::npos);
}

TEST_F(IndexBuildTest, HighUnitsAreWrittenAsTheirLowByte) {
  Catalogue catalogue;
  auto c = std::make_shared<tcommand>();
  c->comando = String(u"N") + char16_t(0x263A);
  c->link = u"L";
  c->Modules = u"M";
  catalogue.Add(c);
  EXPECT_EQ(CommandsArrayFile(catalogue), "var commands=new Array(\"N:\");");
}

TEST_F(IndexBuildTest, MissingCommandListFailsWithoutTouchingTheTree) {
  WriteBytes(inst_ / "docs/html/index.html", "old page");
  std::string out;
  ::testing::internal::CaptureStderr();
  const IndexBuildResult result = Build(&out);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.ok);
  // The failure line shows the path as the file system sees it, although
  // the program spells it with backslashes inside.
  EXPECT_EQ(err.rfind("Index build failed: " + inst_.string() + "/docs/html/Modules/commands.txt: ", 0), 0u) << err;
  EXPECT_EQ(err.find('\\'), std::string::npos) << err;
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/index.html"), "old page");
  EXPECT_FALSE(std::filesystem::exists(inst_ / "docs/html/Modules/command.js"));
  EXPECT_EQ(out.find("Total commands"), std::string::npos);
  EXPECT_EQ(list_command->Count(), 0);
}

TEST_F(IndexBuildTest, UnwritableOutputStopsTheBuildAndKeepsOldFiles) {
  WriteList("Zeta|/docs/html/Modules/gfx.draw/index.html#Zeta\n");
  WriteBytes(inst_ / "docs/html/Modules/command.js", "old commands");
  WriteBytes(inst_ / "docs/html/index.html", "old page");
  // A directory where links.js belongs makes its replacement fail even for root.
  std::filesystem::create_directories(inst_ / "docs/html/Modules/links.js/blocker");
  std::string out;
  ::testing::internal::CaptureStderr();
  const IndexBuildResult result = Build(&out);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(ToByteString(result.path), inst_.string() + "\\docs\\html\\Modules\\links.js");
  EXPECT_NE(err.find("links.js"), std::string::npos);
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/index.html"), "old page");
  EXPECT_FALSE(std::filesystem::exists(inst_ / "docs/html/Modules/modules.js"));
  EXPECT_EQ(out.find("Indeces created"), std::string::npos);
}

// Engines cap the arguments of one call, so from 65,536 elements on an array
// is written as a literal with the same element bytes.
TEST(ArrayFiles, LargeArraysAreWrittenAsLiterals) {
  for (const int elements : {65535, 65536}) {
    SCOPED_TRACE(elements);
    CreateCatalogue();
    ModuleMap& modules = *map_module;
    std::string names, mods;
    for (int i = 0; i < elements; ++i) {
      const String name = u"c\\" + FromInt(i);
      AddCommandForIndex(name, u"L", 0, name);
      names += (i ? ",\"" : "\"") + ToByteString(name).insert(1, "\\") + "\"";
    }
    // mod.js lists each module once and ends with an empty name.
    modules.Remove(Upper(u"c\\0"));
    for (const auto& r : modules.Values()) mods += "\"" + ToByteString(r->Modules).insert(1, "\\") + "\",";
    mods += "\"\"";
    const bool literal = elements >= 65536;
    EXPECT_EQ(CommandsArrayFile(*list_command),
              literal ? "var commands=[" + names + "];" : "var commands=new Array(" + names + ");");
    EXPECT_EQ(ModsArrayFile(modules), literal ? "var mods=[" + mods + "];" : "var mods=new Array(" + mods + ");");
  }
}

}  // namespace
}  // namespace qm
