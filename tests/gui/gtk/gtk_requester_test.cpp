#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "support/gtk/private_display.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/system_driver.h"

namespace qm {
namespace {

using namespace qm::testing;

std::string MakeTempDir() {
  char pattern[] = "/tmp/qm-requester-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}

// Types into the requester once it is on screen, as a user would; script
// is a shell command line of xdotool calls.
std::thread TypeInto(const std::string& title, const std::string& script) {
  return std::thread([title, script] {
    const std::string wait = "xdotool search --sync --name '^" + title + "$' >/dev/null";
    std::system(wait.c_str());
    std::system("sleep 0.7");
    std::system(script.c_str());
  });
}

TEST(GtkRequesters, FolderChooserReturnsTheTypedPath) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  const std::string chosen = dir + "/Tallowin dir";
  ASSERT_EQ(mkdir(chosen.c_str(), 0700), 0);
  std::thread user = TypeInto("Find the Tallowin dir", "xdotool key ctrl+l; sleep 0.5; xdotool type --delay 20 '" +
                                                           chosen + "'; sleep 0.5; xdotool key Return");
  const String result = RequestDir(u"Find the Tallowin dir", u"");
  user.join();
  EXPECT_EQ(ToByteString(result), chosen);
  rmdir(chosen.c_str());
  rmdir(dir.c_str());
}

TEST(GtkRequesters, CancellingTheFolderChooserGivesEmpty) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  std::thread user = TypeInto("Find the Tallowin dir", "xdotool key Escape");
  const String result = RequestDir(u"Find the Tallowin dir", u"/tmp");
  user.join();
  EXPECT_EQ(result, u"");
}

struct Inspection {
  std::string title;
  std::string folder;
  std::string message;
  int response = 0;
  int attempts = 0;
};

// Reads what the open requester shows, then answers it.
gboolean InspectAndAnswer(gpointer data) {
  auto* seen = static_cast<Inspection*>(data);
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* dialog = nullptr;
  for (GList* item = toplevels; item; item = item->next) {
    if (GTK_IS_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) dialog = GTK_WIDGET(item->data);
  }
  g_list_free(toplevels);
  if (!dialog) return G_SOURCE_CONTINUE;
  seen->title = gtk_window_get_title(GTK_WINDOW(dialog));
  if (GTK_IS_FILE_CHOOSER(dialog)) {
    gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
    // On a busy machine the chooser may not have settled on its folder yet.
    if (!folder && ++seen->attempts < 20) return G_SOURCE_CONTINUE;
    seen->folder = folder ? folder : "";
    g_free(folder);
  }
  if (GTK_IS_MESSAGE_DIALOG(dialog)) {
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    seen->message = text ? text : "";
    g_free(text);
  }
  gtk_dialog_response(GTK_DIALOG(dialog), seen->response);
  return G_SOURCE_REMOVE;
}

TEST(GtkRequesters, BackslashesInTheInitialPathAreSeparators) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  const std::string dir = MakeTempDir();
  ASSERT_EQ(mkdir((dir + "/docs").c_str(), 0700), 0);
  Inspection seen;
  seen.response = GTK_RESPONSE_CANCEL;
  g_timeout_add(300, InspectAndAnswer, &seen);
  const String initial = Replace(FromBytes(dir + "/docs"), u"/", u"\\");
  EXPECT_EQ(RequestDir(u"Pick", initial), u"");
  EXPECT_EQ(seen.folder, dir + "/docs");
  EXPECT_EQ(seen.title, "Pick");
  rmdir((dir + "/docs").c_str());
  rmdir(dir.c_str());
}

// Folder names keep their bytes both ways, UTF-8 or not: the chooser opens
// in the folder named by the initial path and gives that folder back.
TEST(GtkRequesters, NonAsciiFolderNamesKeepTheirBytesBothWays) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  const std::string names[] = {"R\xC3\xA9"
                               "al Install",
                               "\xE6\x96\x87\xE6\xA1\xA3 \xF0\x9F\x98\x80", "caf\xE9"};
  for (const std::string& name : names) {
    const std::string folder = dir + "/" + name;
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    Inspection seen;
    seen.response = GTK_RESPONSE_ACCEPT;
    g_timeout_add(300, InspectAndAnswer, &seen);
    const String chosen = RequestDir(u"Pick", FromBytes(folder));
    EXPECT_EQ(seen.folder, folder);
    EXPECT_EQ(ToByteString(chosen), folder);
    rmdir(folder.c_str());
  }
  rmdir(dir.c_str());
}

// A unit above 255 names no file: the chooser opens at its default folder
// rather than at whatever folder the narrowed bytes would name.
TEST(GtkRequesters, AnInitialPathNoFileCanHaveOpensTheHomeFolder) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  // U+012F narrowed would be "/": "<dir>/" + U+012F + "x" would open "<dir>/x".
  ASSERT_EQ(mkdir((dir + "/x").c_str(), 0700), 0);
  Inspection seen;
  seen.response = GTK_RESPONSE_CANCEL;
  g_timeout_add(300, InspectAndAnswer, &seen);
  EXPECT_EQ(RequestDir(u"Pick", FromBytes(dir) + u"\u012Fx"), u"");
  EXPECT_EQ(seen.folder, g_get_home_dir());
  rmdir((dir + "/x").c_str());
  rmdir(dir.c_str());
}

TEST(GtkRequesters, MessagesShowUtf8BytesAsTyped) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  Inspection seen;
  seen.response = 0;
  g_timeout_add(200, InspectAndAnswer, &seen);
  Notify(u"The index could not be built.\n" + FromBytes("/home/me/R\xC3\xA9"
                                                        "al/\xE6\x96\x87"));
  EXPECT_EQ(seen.message, "The index could not be built.\n/home/me/R\xC3\xA9"
                          "al/\xE6\x96\x87");
}

TEST(GtkRequesters, MessagesAreLiteralAndTitledWithTheAppTitle) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  Inspection seen;
  seen.response = 0;  // the first button
  g_timeout_add(200, InspectAndAnswer, &seen);
  Notify(u"Choose a path for Tallowin please! 100% <b>sure</b>");
  EXPECT_EQ(seen.message, "Choose a path for Tallowin please! 100% <b>sure</b>");
  EXPECT_EQ(seen.title, ToUtf8(AppTitle));
}

TEST(GtkRequesters, ConfirmAndProceedAnswers) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  const struct {
    bool proceed;
    int button;
    int expected;
  } cases[] = {{false, 0, 1}, {false, 1, 0}, {false, GTK_RESPONSE_DELETE_EVENT, 0}, {true, 0, 1},
               {true, 1, 0},  {true, 2, -1}, {true, GTK_RESPONSE_DELETE_EVENT, -1}};
  for (const auto& c : cases) {
    Inspection seen;
    seen.response = c.button;
    g_timeout_add(150, InspectAndAnswer, &seen);
    const int answer = c.proceed ? Proceed(u"Go on?") : Confirm(u"Sure?");
    EXPECT_EQ(answer, c.expected) << (c.proceed ? "Proceed" : "Confirm") << " button " << c.button;
  }
}

TEST(GtkRequesters, ThePreviouslyActiveWindowIsActiveAgain) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Main", 0, 0, 300, 120, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  WaitShown(window);
  GtkWindow* native = GTK_WINDOW(Widget(window));
  ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(native); }));
  std::thread user = TypeInto("Find the Tallowin dir", "xdotool key Escape");
  RequestDir(u"Find the Tallowin dir", u"");
  user.join();
  EXPECT_TRUE(PumpUntil([&] { return gtk_window_is_active(native); }, 3000));
}

}  // namespace
}  // namespace qm
