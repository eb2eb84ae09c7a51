#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <gdk/gdk.h>

#include "gui/gadget.h"
#include "gui/gtk/gtk_startup.h"
#include "system/system_driver.h"

namespace qm {
namespace {

// Without a display nothing is installed, so the caller can fall back to
// the headless drivers. Runs in a child process: GTK starts only once.
TEST(GtkStartup, WithoutADisplayNothingIsInstalled) {
  if (gdk_display_get_default() != nullptr) GTEST_SKIP() << "GTK already started in this process";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const bool installed = InstallGtkDrivers();
    _exit(installed ? 1 : (gui_driver || Driver) ? 2 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace qm
