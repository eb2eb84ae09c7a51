#include "system/system_driver.h"

#include <gtest/gtest.h>

#include "system/runtime_error.h"

namespace qm {
namespace {

// Answers every requester with a fixed value and records what it was asked.
class AnsweringDriver : public TSystemDriver {
 public:
  String asked;
  int polls = 0;
  int waits = 0;
  bool nested_pump_ran = false;

  void Poll() override {
    ++polls;
    PollSystem();  // a callback that polls again
    WaitSystem();
  }
  void Wait() override {
    ++waits;
    PollSystem();
  }
  void Notify(const String& text, int serious) override { asked = text + (serious ? u"!" : u""); }
  int Confirm(const String& text, int) override {
    asked = text;
    return 1;
  }
  int Proceed(const String& text, int) override {
    asked = text;
    return -1;
  }
  String RequestDir(const String& text, const String& initial) override {
    asked = text + u"|" + initial;
    return u"/opt/tallowin";
  }
  String RequestFile(const String& text, const String& ext, int save, const String& initial) override {
    asked = text + u"|" + ext + (save ? u"|save|" : u"|open|") + initial;
    return u"/tmp/f";
  }
  int OpenURL(const String& url) override {
    asked = url;
    return 1;
  }
};

class SystemDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = std::make_shared<AnsweringDriver>();
    InstallSystemDriver(driver);
  }
  void TearDown() override { InstallSystemDriver(nullptr); }
  std::shared_ptr<AnsweringDriver> driver;
};

TEST_F(SystemDriverTest, ModuleFunctionsForwardToTheInstalledDriver) {
  EXPECT_EQ(RequestDir(u"Find the Tallowin dir", u""), u"/opt/tallowin");
  EXPECT_EQ(driver->asked, u"Find the Tallowin dir|");
  Notify(u"Choose a path for Tallowin please!");
  EXPECT_EQ(driver->asked, u"Choose a path for Tallowin please!");
  Notify(u"100% sure", 1);
  EXPECT_EQ(driver->asked, u"100% sure!");
  EXPECT_EQ(Confirm(u"c"), 1);
  EXPECT_EQ(Proceed(u"p"), -1);
  EXPECT_EQ(RequestFile(u"t", u"txt", 1, u"/x"), u"/tmp/f");
  EXPECT_EQ(driver->asked, u"t|txt|save|/x");
  EXPECT_EQ(OpenURL(u"file:///a"), 1);
}

TEST_F(SystemDriverTest, ThePumpRefusesToReenterItself) {
  PollSystem();
  EXPECT_EQ(driver->polls, 1);
  EXPECT_EQ(driver->waits, 0);
  WaitSystem();
  EXPECT_EQ(driver->waits, 1);
  EXPECT_EQ(driver->polls, 1);
  EXPECT_FALSE(SystemPumpBusy());
}

TEST_F(SystemDriverTest, WithoutADriverThePumpDoesNothingAndRequestersRaise) {
  InstallSystemDriver(nullptr);
  PollSystem();
  WaitSystem();
  EXPECT_THROW(Notify(u"x"), RuntimeError);
  EXPECT_THROW(RequestDir(u"x", u""), RuntimeError);
}

TEST(SystemDriverBaseTest, EveryDescribedOperationRaisesTheNullMethodError) {
  TSystemDriver base;
  EXPECT_THROW(base.Poll(), RuntimeError);
  EXPECT_THROW(base.Wait(), RuntimeError);
  EXPECT_THROW(base.MoveMouse(1, 2), RuntimeError);
  EXPECT_THROW(base.SetMouseVisible(1), RuntimeError);
  EXPECT_THROW(base.Notify(u"n", 0), RuntimeError);
  EXPECT_THROW(base.Confirm(u"c", 0), RuntimeError);
  EXPECT_THROW(base.Proceed(u"p", 0), RuntimeError);
  EXPECT_THROW(base.RequestFile(u"f", u"", 0, u""), RuntimeError);
  EXPECT_THROW(base.RequestDir(u"d", u""), RuntimeError);
  EXPECT_THROW(base.OpenURL(u"u"), RuntimeError);
  try {
    base.Wait();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Text(), u"Null method called: TSystemDriver.Wait");
  }
  base.Interrupt();  // nothing to wake: no error
}

}  // namespace
}  // namespace qm
