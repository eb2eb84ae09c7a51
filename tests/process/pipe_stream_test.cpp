#include "process/pipe_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "child_scripts.h"
#include "process/process.h"
#include "system/strings.h"

namespace qm {
namespace {

using testing::ScriptDir;
using testing::WaitUntil;

// A child that writes the given printf formats, waiting for one line on its
// standard input before each further step.
class PipeStreamChild : public ::testing::Test {
 protected:
  ProcessPtr Run(const std::string& body) {
    process_ = CreateProcess(FromBytes(dir_.Script("child", body)), 1);
    EXPECT_NE(process_, nullptr);
    return process_;
  }
  // Waits until the pipe reports at least count bytes.
  void AwaitBytes(int count) {
    ASSERT_TRUE(WaitUntil([&] { return process_->pipe->ReadAvail() >= count; }))
        << "only " << process_->pipe->ReadAvail() << " bytes arrived";
  }
  void Proceed() { ASSERT_TRUE(process_->pipe->WriteLine(u"go")); }
  void TearDown() override {
    if (process_) {
      process_->Terminate();
      process_->Close();
    }
  }

  ScriptDir dir_;
  ProcessPtr process_;
};

TEST_F(PipeStreamChild, PartialLineWaitsForItsLineFeed) {
  Run("printf 'abc\\r\\nde'; read x; printf '\\n'; read x");
  AwaitBytes(7);
  TPipeStream& pipe = *process_->pipe;
  EXPECT_EQ(pipe.ReadLine(), u"abc");
  EXPECT_EQ(pipe.bufferpos, 2);
  EXPECT_EQ(pipe.ReadLine(), u"");
  EXPECT_EQ(pipe.bufferpos, 2);
  Proceed();
  AwaitBytes(1);
  EXPECT_EQ(pipe.ReadLine(), u"de");
  EXPECT_EQ(pipe.bufferpos, 0);
}

TEST_F(PipeStreamChild, TwoLineFeedsAreTwoEmptyLines) {
  Run("printf '\\n\\n'; read x");
  AwaitBytes(2);
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->bufferpos, 1);
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->bufferpos, 0);
}

TEST_F(PipeStreamChild, CarriageReturnsAtTheEdgesAreDroppedButKeptInside) {
  Run("printf '\\r\\n\\rx\\nx\\ry\\n'; read x");
  AwaitBytes(9);
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->ReadLine(), u"x");
  EXPECT_EQ(process_->pipe->ReadLine(), (String{u'x', 13, u'y'}));
  EXPECT_EQ(process_->pipe->bufferpos, 0);
}

TEST_F(PipeStreamChild, LoneCarriageReturnNeverEndsALine) {
  Run("printf 'a\\rb'; read x");
  AwaitBytes(3);
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->bufferpos, 3);
}

TEST_F(PipeStreamChild, ThreeLinesInOneBatchComeBackOneByOne) {
  Run("printf 'one\\ntwo\\nthree\\n'; read x");
  AwaitBytes(14);
  TPipeStream& pipe = *process_->pipe;
  EXPECT_EQ(pipe.ReadLine(), u"one");
  EXPECT_EQ(pipe.ReadAvail(), 0);
  EXPECT_EQ(pipe.ReadLine(), u"two");
  EXPECT_EQ(pipe.ReadLine(), u"three");
  EXPECT_EQ(pipe.bufferpos, 0);
  EXPECT_EQ(pipe.ReadLine(), u"");
}

TEST_F(PipeStreamChild, NothingWaitingReturnsEmptyAtOnce) {
  Run("read x");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->bufferpos, 0);
  EXPECT_TRUE(process_->pipe->ReadPipe().empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(PipeStreamChild, LongestLineThatFitsIsReturned) {
  Run("head -c 4095 /dev/zero | tr '\\0' a; printf '\\n'; read x");
  AwaitBytes(4096);
  EXPECT_EQ(process_->pipe->ReadLine(), String(4095, u'a'));
}

TEST_F(PipeStreamChild, LineOverflowingTheBufferRaisesOnTheNextCall) {
  Run("head -c 5000 /dev/zero | tr '\\0' a; read x");
  AwaitBytes(5000);
  TPipeStream& pipe = *process_->pipe;
  EXPECT_EQ(pipe.ReadLine(), u"");
  EXPECT_EQ(pipe.bufferpos, TPipeStream::kBufferSize);
  try {
    pipe.ReadLine();
    FAIL() << "no overflow raised";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Text(), u"PipeStream ReadBuffer Overflow");
  }
}

TEST_F(PipeStreamChild, FullBufferWithNothingMoreWaitingDoesNotRaise) {
  Run("head -c 4096 /dev/zero | tr '\\0' a; read x");
  AwaitBytes(4096);
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
  std::string drained;
  process_->pipe->Drain([&](const unsigned char* bytes, std::size_t count) { drained.append(bytes, bytes + count); });
  EXPECT_EQ(drained, std::string(4096, 'a'));
  EXPECT_EQ(process_->pipe->bufferpos, 0);
}

TEST_F(PipeStreamChild, ReadPipeTakesWhatIsWaitingAndLeavesTheBuffer) {
  Run("printf 'ab\\ncd'; read x");
  AwaitBytes(5);
  const auto bytes = process_->pipe->ReadPipe();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ab\ncd");
  EXPECT_EQ(process_->pipe->bufferpos, 0);
}

TEST_F(PipeStreamChild, WritesReachTheChildsStandardInput) {
  Run("read line; echo \"got $line\"");
  process_->pipe->WriteString(u"hello\n");
  process_->pipe->Flush();
  AwaitBytes(10);
  EXPECT_EQ(process_->pipe->ReadLine(), u"got hello");
}

TEST_F(PipeStreamChild, EofStaysFalseAfterTheChildExits) {
  Run("exit 0");
  ASSERT_TRUE(WaitUntil([&] { return process_->Status() == 0; }));
  EXPECT_FALSE(process_->pipe->Eof());
  EXPECT_EQ(process_->pipe->ReadLine(), u"");
}

TEST(PipeStreamHandles, CloseTwiceIsHarmlessAndClosedHandlesTransferNothing) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  TPipeStream stream(ends[0], ends[1]);
  EXPECT_EQ(stream.Close(), 0);
  EXPECT_EQ(stream.readhandle, 0);
  EXPECT_EQ(stream.writehandle, 0);
  EXPECT_EQ(fcntl(ends[0], F_GETFD), -1);
  EXPECT_EQ(fcntl(ends[1], F_GETFD), -1);
  EXPECT_EQ(stream.Close(), 0);
  char byte = 'x';
  EXPECT_EQ(stream.Write(&byte, 1), 0);
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_EQ(stream.ReadAvail(), 0);
  EXPECT_EQ(stream.ReadLine(), u"");
}

TEST(PipeStreamHandles, DestructorClosesBothDescriptors) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  { auto stream = TPipeStream::Create(ends[0], ends[1]); }
  EXPECT_EQ(fcntl(ends[0], F_GETFD), -1);
  EXPECT_EQ(fcntl(ends[1], F_GETFD), -1);
}

TEST(PipeStreamHandles, PositionAndSizeKeepTheStreamDefaults) {
  TPipeStream stream(0, 0);
  EXPECT_EQ(stream.Pos(), -1);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Seek(5), -1);
  EXPECT_FALSE(stream.Eof());
}

}  // namespace
}  // namespace qm
