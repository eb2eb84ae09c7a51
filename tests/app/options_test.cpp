// What the command line asks for.
#include <gtest/gtest.h>

#include <vector>

#include "app/shell/options.h"

namespace qm {
namespace {

using Action = ProgramOptions::Action;

TEST(CommandLineOptions, ActionsDirectoriesAndMistakes) {
  struct Case {
    std::vector<String> args;
    Action action;
    bool rebuild;
    String dir;
  };
  const Case cases[] = {
      {{u"/p/Quillmere"}, Action::kWindow, false, u""},
      {{u"/p/Quillmere", u"build"}, Action::kBatch, false, u""},
      {{u"/p/Quillmere", u"--rebuild-docs"}, Action::kBatch, true, u""},
      {{u"/p/Quillmere", u"go", u"--help"}, Action::kHelp, false, u""},
      {{u"/p/Quillmere", u"-h"}, Action::kHelp, false, u""},
      {{u"/p/Quillmere", u"--version"}, Action::kVersion, false, u""},
      {{u"/p/Quillmere", u"-V", u"--help"}, Action::kVersion, false, u""},
      {{u"/p/Quillmere", u"--dir", u"/opt/t"}, Action::kBatch, false, u"/opt/t"},
      {{u"/p/Quillmere", u"--dir", u"inst", u"--rebuild-docs"}, Action::kBatch, true, u"/home/me/inst"},
      {{u"/p/Quillmere", u"--dir=../t"}, Action::kBatch, false, u"/home/me/../t"},
      // The folder after --dir is taken as it is, even one that looks like an option.
      {{u"/p/Quillmere", u"--dir", u"--help"}, Action::kBatch, false, u"/home/me/--help"},
      {{u"/p/Quillmere", u"--dir"}, Action::kUsageError, false, u""},
      {{u"/p/Quillmere", u"--dir="}, Action::kUsageError, false, u""},
      {{u"/p/Quillmere", u"--docset"}, Action::kUsageError, false, u""},
      {{u"/p/Quillmere", u"--directory"}, Action::kBatch, false, u""},
  };
  for (const auto& c : cases) {
    const ProgramOptions line = ParseCommandLine(c.args, u"/home/me");
    EXPECT_EQ(line.action, c.action) << c.args.size();
    EXPECT_EQ(line.rebuild_docs, c.rebuild);
    EXPECT_EQ(line.dir, c.dir);
    EXPECT_EQ(line.problem.empty(), c.action != Action::kUsageError);
  }
  EXPECT_EQ(ParseCommandLine({u"/Q", u"--dir", u"t"}, u"/").dir, u"/t");
  const ProgramOptions exporting = ParseCommandLine({u"/Q", u"--docset", u"out", u"--dir=/opt/t"}, u"/home/me");
  EXPECT_EQ(exporting.docset_dir, u"/home/me/out");
  EXPECT_EQ(exporting.dir, u"/opt/t");
  EXPECT_TRUE(exporting.full_text);
  const ProgramOptions plain = ParseCommandLine({u"/Q", u"--no-full-text"}, u"/");
  EXPECT_EQ(plain.action, Action::kBatch);
  EXPECT_FALSE(plain.full_text);
}

}  // namespace
}  // namespace qm
