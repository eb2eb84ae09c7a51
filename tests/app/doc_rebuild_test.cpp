#include "app/rebuild/doc_rebuild.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <utility>

#include "app/rebuild/last_output_line.h"
#include "gui/event_queue.h"
#include "process/child_scripts.h"
#include "process/process.h"
#include "system/strings.h"
#include "system/system_driver.h"

namespace qm {
namespace {

using testing::FileExists;
using testing::OpenDescriptorCount;
using testing::ScriptDir;

// A window system whose pump can inject user actions, as native dispatch
// would, and counts how often it was serviced.
class ScriptedDriver : public TSystemDriver {
 public:
  int polls = 0;
  std::function<void(int)> on_poll;
  void Poll() override {
    ++polls;
    if (on_poll) on_poll(polls);
  }
};

// A rebuild that hangs fails the test program loudly instead of waiting for
// the suite's time-out.
class DoProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    alarm(60);
    ResetEventSystemForTesting();
    StartEventSystem(driver_);
  }
  void TearDown() override { alarm(0); }

  String Run(const std::string& body) { return DoProcess(Quoted(dir_.Script("gen", body)), 1); }
  static String Quoted(const std::string& path) { return FromBytes("\"" + path + "\""); }

  ScriptDir dir_;
  std::shared_ptr<ScriptedDriver> driver_ = std::make_shared<ScriptedDriver>();
};

using Clock = std::chrono::steady_clock;

TEST_F(DoProcessTest, ResultIsTheLastNonEmptyLine) {
  const std::pair<std::string, String> cases[] = {
      {"printf 'one\\ntwo\\nthree\\n'; sleep 0.2", u"three"},
      {"printf 'a\\r\\nb\\r\\n\\r\\nc\\r\\n\\n\\r\\n'", u"c"},
      {"exit 0", u""},
      {"sleep 0.1; printf 'late\\nlines\\n'", u"lines"},
      {"printf 'one\\nlast'", u"last"},
      // The partial line is in the buffer well before the child ends.
      {"printf 'part'; sleep 0.3; printf 'ial\\r'", u"partial"},
      {"head -c 1048576 /dev/zero >&2; echo done", u"done"},
      {"head -c 10000 /dev/zero | tr '\\0' a; printf '\\nend\\n'", u"end"},
      {"head -c 9000 /dev/zero | tr '\\0' b", String(LastOutputLine::kKept, u'b')},
      {"i=0; while [ $i -lt 2000 ]; do echo \"l$i\"; i=$((i+1)); done", u"l1999"},
      {"cat; read x; echo input-closed", u"input-closed"},
  };
  for (const auto& [body, last] : cases) EXPECT_EQ(Run(body), last) << body;
}

TEST_F(DoProcessTest, EventsQueuedBeforehandAreTakenAndDropped) {
  const ObjectRef window = std::make_shared<Object>();
  for (int i = 0; i < 5; ++i) PostEvent(CreateEvent(EVENT_WINDOWCLOSE, window), 0);
  Run("sleep 0.2");
  EXPECT_EQ(PeekEvent(), nullptr);
}

TEST_F(DoProcessTest, CloseBoxClickedDuringTheRebuildIsDropped) {
  const ObjectRef window = std::make_shared<Object>();
  driver_->on_poll = [&](int poll) {
    if (poll == 3) EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, window));
  };
  Run("sleep 0.2");
  EXPECT_GE(driver_->polls, 3) << "the window system was not serviced while waiting";
  EXPECT_EQ(PeekEvent(), nullptr);
}

TEST_F(DoProcessTest, ProcessStaysListedWithItsPipesClosed) {
  const std::size_t before = ProcessList.size();
  Run("echo hi");
  ASSERT_EQ(ProcessList.size(), before + 1);
  const ProcessPtr process = ProcessList.back();
  EXPECT_EQ(process->pipe, nullptr);
  EXPECT_EQ(process->err, nullptr);
  EXPECT_EQ(process->Status(), 0);
}

TEST_F(DoProcessTest, SuccessfulChildReportsNothing) {
  ::testing::internal::CaptureStderr();
  Run("echo fine; echo noise >&2");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(DoProcessTest, NonZeroExitIsReportedInOneLine) {
  ::testing::internal::CaptureStderr();
  const std::string script = dir_.Script("failing", "echo partial; exit 3");
  const String text = DoProcess(Quoted(script), 1);
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(text, u"partial");
  EXPECT_EQ(report, "\"" + script + "\" ended with exit status 3\n");
}

TEST_F(DoProcessTest, KilledChildIsReported) {
  ::testing::internal::CaptureStderr();
  const std::string script = dir_.Script("killed", "kill -KILL $$");
  DoProcess(Quoted(script), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\"" + script + "\" ended by signal 9\n");
}

TEST_F(DoProcessTest, MissingGeneratorReturnsPromptlyAndIsReported) {
  const std::string missing = dir_.File("no-such-generator");
  ::testing::internal::CaptureStderr();
  const auto start = Clock::now();
  EXPECT_EQ(DoProcess(Quoted(missing), 1), u"");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(report.rfind("Could not start \"" + missing + "\": ", 0), 0u) << report;
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
}

// Output arrives in blocks of whatever the pipe held; the line kept must not
// depend on where they were cut.
TEST(LastOutputLine, SameLineWhereverTheOutputIsCut) {
  const std::string longest(LastOutputLine::kKept, 'x'), longer = longest + "yz";
  const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                       {"one\ntwo\n", "two"},
                                                       {"one\ntwo", "two"},
                                                       {"one\n\n\r\n\n", "one"},
                                                       {"a\r\nb\r\n\r", "b"},
                                                       {"\rx\n", "x"},
                                                       {"x\ry\n", "x\ry"},
                                                       {"1\n" + longer + "\n\n", longest},
                                                       {longer + "\r\nshort\r", "short"}};
  for (const auto& [output, expected] : cases) {
    for (std::size_t block = 1; block <= output.size() + 1; block += (block < 8 ? 1 : 997)) {
      LastOutputLine last;
      for (std::size_t at = 0; at < output.size(); at += block) {
        const std::string piece = output.substr(at, block);
        last.Take(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
      }
      EXPECT_EQ(last.Line(), FromBytes(expected)) << output.substr(0, 20) << ", blocks of " << block;
    }
  }
}

TEST(RebuildDocumentation, RunsTheGeneratorOfAnInstallationWithABlankInItsPath) {
  ScriptDir dir;
  const std::string install = dir.File("Tallowin tools");
  const std::string marker = dir.File("ran");
  dir.Script("Tallowin tools/bin/makedocs", "echo working; touch '" + marker + "'");
  ::testing::internal::CaptureStderr();
  RebuildDocumentation(FromBytes(install));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(FileExists(marker));
}

TEST(RebuildDocumentation, MissingGeneratorReturnsPromptly) {
  ScriptDir dir;
  ::testing::internal::CaptureStderr();
  const auto start = Clock::now();
  RebuildDocumentation(FromBytes(dir.File("empty install")));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Could not start"), std::string::npos);
}

TEST(RebuildDocumentation, TenRebuildsLeaveNoDescriptorOpen) {
  ScriptDir dir;
  dir.Script("install/bin/makedocs", "echo out; echo err >&2; printf 'tail'");
  const String install = FromBytes(dir.File("install"));
  const int before = OpenDescriptorCount();
  for (int i = 0; i < 10; ++i) RebuildDocumentation(install);
  EXPECT_EQ(OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace qm
