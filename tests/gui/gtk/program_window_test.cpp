// The whole interactive program under the private X server, used as a person
// uses it: the real executable runs as a child from a copied application
// directory, and xdotool clicks, types and reads window titles. What the
// program did is read back from the screen, its settings file, the files it
// wrote and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/gtk/gtk_screen.h"
#include "gui/gtk/gtk_window.h"
#include "support/files.h"
#include "support/gtk/private_display.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"
#include "support/wait.h"
#include "system/strings.h"

// After the test headers: X11 defines names they use.
#include <gdk/gdkx.h>

namespace qm {
namespace {

// Conditions here start programs (xdotool, xwininfo): poll them gently.
constexpr int kPollMs = 25;
using testing::WaitUntil;

namespace fs = std::filesystem;
using namespace qm::testing;
using Clock = std::chrono::steady_clock;

const char kMainTitle[] = "Quillmere v.1.2";
const char kChooserTitle[] = "Find the Tallowin dir";
const char kNoticeTitle[] = "Tallowin Application";
constexpr int kFrameWidth = 400;
constexpr int kFrameHeight = 150;

// Standard output of a shell command line, without the last line end.
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Where the binding puts the parts of a titled window inside the X window
// that a window manager sees: GTK draws the title bar itself and may keep a
// margin round it. A window of the same kind made here shows the offsets.
struct WindowLayout {
  int frame_dx = 0, frame_dy = 0;  // visible frame inside the X window
  int title_height = 0;            // client area below the frame's top
};

const WindowLayout& TitledWindowLayout() {
  static WindowLayout layout;
  static bool measured = false;
  if (measured) return layout;
  GadgetPtr probe = CreateWindow(u"probe", 0, 0, kFrameWidth, kFrameHeight, nullptr, WindowTitleBar | WindowCenter);
  WaitShown(probe);
  GtkWindow* native = GTK_WINDOW(Widget(probe));
  GdkRectangle frame = RootRect(gtk_bin_get_child(GTK_BIN(native)));
  const GdkRectangle bar = RootRect(gtk_window_get_titlebar(native));
  gdk_rectangle_union(&frame, &bar, &frame);
  const GdkRectangle client = RootRect(std::dynamic_pointer_cast<TGtkWindow>(probe)->view);
  int ox = 0, oy = 0;
  gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(native)), &ox, &oy);
  layout = WindowLayout{frame.x - ox, frame.y - oy, client.y - frame.y};
  probe->Free();
  PumpFor(100);
  measured = true;
  return layout;
}

// The real program, started in the background with its standard output and
// error going to files. It never outlives the test.
class RunningProgram {
 public:
  RunningProgram(const fs::path& executable, const fs::path& cwd, const fs::path& out, const fs::path& err) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(cwd.c_str()) != 0) _exit(126);
      if (!freopen("/dev/null", "r", stdin) || !freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr))
        _exit(126);
      execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~RunningProgram() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  pid_t pid() const { return pid_; }
  bool Running() {
    Reap(WNOHANG);
    return !exited_;
  }
  // The exit status; -1 when a signal ended it, -2 when it was still running
  // after the time given (it is killed then).
  int WaitForExit(int timeout_ms = 10000) {
    WaitUntil([&] { return !Running(); }, timeout_ms, kPollMs);
    if (!exited_) {
      kill(pid_, SIGKILL);
      Reap(0);
      return -2;
    }
    return status_;
  }

 private:
  void Reap(int options) {
    if (exited_ || pid_ <= 0) return;
    int status = 0;
    if (waitpid(pid_, &status, options) == pid_) {
      exited_ = true;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }

  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

// One top-level window of the program as the X server knows it.
class ProgramWindowHandle {
 public:
  ProgramWindowHandle() = default;
  explicit ProgramWindowHandle(std::string id) : id_(std::move(id)) {}
  bool Found() const { return !id_.empty(); }
  const std::string& id() const { return id_; }
  std::string Title() const { return Capture("xdotool getwindowname " + id_ + " 2>/dev/null"); }
  // The X window's rectangle on the screen.
  GdkRectangle Geometry() const {
    GdkRectangle r{-1, -1, -1, -1};
    const std::string shell = Capture("xdotool getwindowgeometry --shell " + id_);
    std::sscanf(shell.c_str(), "WINDOW=%*s X=%d Y=%d WIDTH=%d HEIGHT=%d", &r.x, &r.y, &r.width, &r.height);
    return r;
  }
  void Activate() const { Xdotool("windowactivate --sync " + id_ + " >/dev/null 2>&1"); }
  // Asks the window to close, as a window manager's close command does.
  void SendDeleteRequest() const {
    GdkDisplay* display = gdk_display_get_default();
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    const Window xid = std::stoul(id_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = gdk_x11_get_xatom_by_name_for_display(display, "WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(gdk_x11_get_xatom_by_name_for_display(display, "WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(xdisplay, xid, False, NoEventMask, &event);
    XFlush(xdisplay);
  }

 private:
  std::string id_;
};

// Visible windows of one process whose title matches the pattern.
std::vector<std::string> WindowsOf(pid_t pid, const std::string& pattern) {
  const std::string ids = Capture("xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '" +
                                  pattern + "' 2>/dev/null");
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start < ids.size()) {
    std::size_t end = ids.find('\n', start);
    if (end == std::string::npos) end = ids.size();
    if (end > start) result.push_back(ids.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

ProgramWindowHandle WaitForWindow(pid_t pid, const std::string& pattern, int timeout_ms = 10000) {
  std::string id;
  WaitUntil(
      [&] {
        const auto ids = WindowsOf(pid, pattern);
        if (ids.empty()) return false;
        id = ids.front();
        return true;
      },
      timeout_ms, kPollMs);
  return ProgramWindowHandle(id);
}

// Counts the elements of the first JavaScript array literal of strings.
int ArrayLength(const std::string& script) {
  const std::size_t open = script.find("new Array(");
  if (open == std::string::npos) return -1;
  int count = 0;
  bool in_string = false;
  for (std::size_t i = open + 10; i < script.size(); ++i) {
    const char c = script[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
      ++count;
    } else if (c == ')') {
      return count;
    }
  }
  return -1;
}

struct PixelCounts {
  int blue = 0;  // clearly blue: the path text, a ticked or mixed box
  int grey = 0;  // the path label's light grey background
  int dark = 0;  // black text
  // Rows of the blue area that the mark crosses: a ticked box shows a
  // check over many rows, a mixed one a dash over few.
  int mark_rows = 0;
};

PixelCounts CountPixels(const GdkRectangle& r) {
  PixelCounts counts;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x, r.y, r.width, r.height);
  if (!pixbuf) return counts;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const auto at = [&](int x, int y) { return pixels + y * stride + x * channels; };
  const auto is_blue = [](const guchar* p) { return p[2] > 150 && p[2] > p[0] + 60; };
  int left = r.width, right = -1, top = r.height, bottom = -1;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const guchar* p = at(x, y);
      if (is_blue(p)) {
        ++counts.blue;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
      if (p[0] == 200 && p[1] == 200 && p[2] == 200) ++counts.grey;
      if (p[0] < 100 && p[1] < 100 && p[2] < 100) ++counts.dark;
    }
  }
  // Inside the box, clear of its rounded corners.
  for (int y = top + 2; y <= bottom - 2; ++y) {
    bool mark = false;
    for (int x = left + 2; x <= right - 2; ++x) mark = mark || !is_blue(at(x, y));
    if (mark) ++counts.mark_rows;
  }
  g_object_unref(pixbuf);
  return counts;
}

// Saves part of the screen as a PNG file.
bool SaveScreen(const GdkRectangle& r, const fs::path& path) {
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x, r.y, r.width, r.height);
  if (!pixbuf) return false;
  const bool saved = gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(pixbuf);
  return saved;
}

class ProgramWindow : public ::testing::Test {
 protected:
  ProgramWindow() : scratch_("window") {
    app_ = scratch_.path() / "app";
    inst_ = scratch_.path() / "sample";
    fs::create_directories(app_);
  }

  void SetUp() override {
    QM_REQUIRE_PRIVATE_DISPLAY();
    // The program's config.txt lives beside the executable: a copy each.
    CopiedApplication(app_);
    CopySampleInstallation(inst_);
  }

  std::unique_ptr<RunningProgram> Start() {
    ++runs_;
    return std::make_unique<RunningProgram>(app_ / "Quillmere", scratch_.path(), Output("out"), Output("err"));
  }
  fs::path Output(const std::string& kind) const { return scratch_.path() / (kind + std::to_string(runs_) + ".txt"); }
  std::string Diagnostics() const {
    return "stdout: " + ReadBytes(Output("out")) + "\nstderr: " + ReadBytes(Output("err"));
  }

  void Remember(const std::string& dir, const std::string& choice) {
    WriteBytes(app_ / "config.txt", dir + "\r\n" + choice + "\r\n");
  }
  std::string Settings() const { return ReadBytes(app_ / "config.txt"); }

  // The main window of the running program, once shown and drawn; its
  // client-area origin on the screen is worked out from it.
  ProgramWindowHandle OpenMainWindow(RunningProgram& program) {
    ProgramWindowHandle window = WaitForWindow(program.pid(), std::string("^") + kMainTitle + "$");
    if (!window.Found()) return window;
    const WindowLayout& layout = TitledWindowLayout();
    // Drawn once the path label's background is on the screen.
    WaitUntil(
        [&] {
          const GdkRectangle g = window.Geometry();
          frame_ = GdkRectangle{g.x + layout.frame_dx, g.y + layout.frame_dy, kFrameWidth, kFrameHeight};
          client_x_ = frame_.x;
          client_y_ = frame_.y + layout.title_height;
          return CountPixels(ClientRect(10, 30, 300, 20)).grey > 1000;
        },
        5000, kPollMs);
    return window;
  }
  GdkRectangle ClientRect(int x, int y, int w, int h) const { return GdkRectangle{client_x_ + x, client_y_ + y, w, h}; }
  void Click(int x, int y) { ClickAt(client_x_ + x, client_y_ + y); }
  // Hover changes how a control looks; the pointer goes where it changes nothing.
  void PointerAway() {
    Xdotool("mousemove " + std::to_string(frame_.x + kFrameWidth + 50) + " " +
            std::to_string(frame_.y + kFrameHeight + 50));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  void ClickCheckbox() { Click(20, 65); }
  void ClickChange() { Click(355, 40); }
  void ClickBuild() { Click(100, 90); }
  void ClickClose() { Click(300, 90); }
  void ClickCloseBox() { ClickAt(frame_.x + kFrameWidth - 14, frame_.y + TitledWindowLayout().title_height / 2); }
  PixelCounts CheckboxPixels() { return CountPixels(ClientRect(10, 55, 24, 20)); }
  PixelCounts PathPixels() { return CountPixels(ClientRect(10, 30, 300, 20)); }

  // Types a folder into the open folder chooser, as a person does.
  static void ChooseFolder(const ProgramWindowHandle& chooser, const std::string& folder) {
    chooser.Activate();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Xdotool("key ctrl+l");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Xdotool("type --delay 15 '" + folder + "'");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The chooser may complete the name inline ("sample/", selected);
    // Delete takes that away, and does nothing when there is none.
    Xdotool("key Delete");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Xdotool("key Return");
  }

  // The window title after "BUILD", once it shows the item count or that
  // nothing was built; every title seen on the way is collected.
  std::string WaitForItemTitle(const ProgramWindowHandle& window, std::vector<std::string>& seen,
                               int timeout_ms = 20000) {
    std::string title;
    WaitUntil(
        [&] {
          title = window.Title();
          if (seen.empty() || seen.back() != title) seen.push_back(title);
          return title.rfind(std::string(kMainTitle) + " Items: ", 0) == 0 ||
                 title == std::string(kMainTitle) + " Nothing was built";
        },
        timeout_ms, kPollMs);
    return title;
  }
  int CatalogueSize() const { return ArrayLength(ReadBytes(inst_ / "docs/html/Modules/command.js")); }

  ScratchDir scratch_;
  fs::path app_, inst_;
  int runs_ = 0;
  GdkRectangle frame_{};
  int client_x_ = 0, client_y_ = 0;
};

TEST_F(ProgramWindow, FirstRunAsksForTheFolderBeforeTheWindowAndRemembersIt) {
  auto program = Start();
  const ProgramWindowHandle chooser = WaitForWindow(program->pid(), std::string("^") + kChooserTitle + "$");
  ASSERT_TRUE(chooser.Found()) << Diagnostics();
  EXPECT_TRUE(WindowsOf(program->pid(), kMainTitle).empty()) << "the main window opened before the folder was chosen";
  EXPECT_FALSE(fs::exists(app_ / "config.txt"));

  ChooseFolder(chooser, inst_.string());
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  // The choice is saved as soon as it is made.
  EXPECT_EQ(Settings(), inst_.string() + "\r\n0\r\n");
  EXPECT_EQ(window.Title(), kMainTitle);

  // Centred in the work area, at its outer frame size.
  const GdkRectangle screen = ScreenRect(), area = WorkArea();
  EXPECT_EQ(frame_.x, area.x + (screen.width - kFrameWidth) / 2);
  EXPECT_EQ(frame_.y, area.y + (screen.height - kFrameHeight) / 2);
  const GdkRectangle outer = window.Geometry();
  EXPECT_EQ(outer.width - 2 * TitledWindowLayout().frame_dx, kFrameWidth);
  EXPECT_EQ(outer.height - 2 * TitledWindowLayout().frame_dy, kFrameHeight);

  // The path label: light grey, with the chosen path in blue; the box empty.
  PointerAway();
  const PixelCounts path = PathPixels();
  EXPECT_GT(path.grey, 3000);
  EXPECT_GT(path.blue, 100) << "no path text in the path label";
  EXPECT_EQ(CheckboxPixels().blue, 0) << "the box opened ticked";
  // The credit line at the bottom is inside the window, under the title bar.
  EXPECT_GT(CountPixels(ClientRect(10, 105, 380, 20)).dark, 50) << "the credit line is not shown";
  EXPECT_EQ(CountPixels(GdkRectangle{frame_.x + 10, frame_.y + kFrameHeight - 4, 380, 3}).dark, 0)
      << "the credit line is cut off by the bottom of the window";

  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_EQ(Settings(), inst_.string() + "\r\n0\r\n");
  EXPECT_EQ(ReadBytes(Output("out")), "<" + (app_ / "Quillmere").string() + ">");
}

TEST_F(ProgramWindow, BuildWithTheBoxTickedRunsTheGeneratorAndCloseSavesTheChoice) {
  // A command added to a module's description reaches the index only
  // through the generator.
  const fs::path def = inst_ / "mod/text.mod/markup.mod/commands.def";
  WriteBytes(def, ReadBytes(def) + "command Zymurgy( x:Int ) -- Added by the test.\n");
  Remember(inst_.string(), "0");
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  PointerAway();
  EXPECT_EQ(CheckboxPixels().blue, 0) << "the box opened ticked";

  ClickCheckbox();
  PointerAway();
  const PixelCounts ticked = CheckboxPixels();
  EXPECT_GT(ticked.blue, 50) << "the box did not tick";

  ClickBuild();
  std::vector<std::string> seen;
  const std::string title = WaitForItemTitle(window, seen);
  const int items = CatalogueSize();
  EXPECT_GT(items, 0);
  EXPECT_EQ(title, std::string(kMainTitle) + " Items: " + std::to_string(items)) << Diagnostics();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Creating documentation...."), seen.end())
      << "the title never showed the rebuild";
  EXPECT_NE(ReadBytes(inst_ / "docs/html/Modules/commands.txt").find("Zymurgy( x:Int )|"), std::string::npos);
  EXPECT_NE(ReadBytes(inst_ / "docs/html/Modules/command.js").find("\"Zymurgy\""), std::string::npos);
  EXPECT_TRUE(fs::exists(inst_ / "docs/html/index.html"));
  EXPECT_EQ(ReadBytes(app_ / "button.js"),
            "document.write(\"<a href='" + app_.string() + "/Quillmere'>Rebuild index</a>\");");
  // "BUILD" leaves the settings alone.
  EXPECT_EQ(Settings(), inst_.string() + "\r\n0\r\n");

  PointerAway();
  const fs::path screenshot = fs::path(QM_BINARY_DIR) / "screenshots/main-window.png";
  EXPECT_TRUE(SaveScreen(GdkRectangle{frame_.x, frame_.y, kFrameWidth, kFrameHeight}, screenshot));
  EXPECT_GT(fs::file_size(screenshot), 0u);

  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_EQ(Settings(), inst_.string() + "\r\n1\r\n");
}

TEST_F(ProgramWindow, TheBoxOpensAsSavedAndClosingTheWindowSavesNothing) {
  Remember(inst_.string(), "1");
  {
    auto program = Start();
    const ProgramWindowHandle window = OpenMainWindow(*program);
    ASSERT_TRUE(window.Found()) << Diagnostics();
    PointerAway();
    EXPECT_GT(CheckboxPixels().blue, 50) << "the box opened unticked";
    ClickCheckbox();
    PointerAway();
    EXPECT_EQ(CheckboxPixels().blue, 0) << "the box did not untick";
    ClickCloseBox();
    EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
    EXPECT_EQ(Settings(), inst_.string() + "\r\n1\r\n");
  }
  {
    // The old state again; now the change is kept by "CLOSE".
    auto program = Start();
    const ProgramWindowHandle window = OpenMainWindow(*program);
    ASSERT_TRUE(window.Found()) << Diagnostics();
    PointerAway();
    EXPECT_GT(CheckboxPixels().blue, 50) << "the box opened unticked";
    ClickCheckbox();
    ClickClose();
    EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
    EXPECT_EQ(Settings(), inst_.string() + "\r\n0\r\n");
  }
  {
    // A close request from the window manager ends it the same way.
    auto program = Start();
    const ProgramWindowHandle window = OpenMainWindow(*program);
    ASSERT_TRUE(window.Found()) << Diagnostics();
    PointerAway();
    EXPECT_EQ(CheckboxPixels().blue, 0) << "the box opened ticked";
    ClickCheckbox();
    window.SendDeleteRequest();
    EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
    EXPECT_EQ(Settings(), inst_.string() + "\r\n0\r\n");
  }
}

TEST_F(ProgramWindow, ChangeCancelledEmptiesThePathAndBuildAsksForOne) {
  Remember(inst_.string(), "0");
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  PointerAway();
  EXPECT_GT(PathPixels().blue, 100) << "no path text in the path label";

  ClickChange();
  const ProgramWindowHandle chooser = WaitForWindow(program->pid(), std::string("^") + kChooserTitle + "$");
  ASSERT_TRUE(chooser.Found()) << Diagnostics();
  chooser.Activate();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Xdotool("key Escape");
  EXPECT_TRUE(WaitUntil([&] { return WindowsOf(program->pid(), kChooserTitle).empty(); }, 5000, kPollMs));
  // The empty path is stored, saved and shown.
  EXPECT_TRUE(WaitUntil([&] { return Settings() == "\r\n0\r\n"; }, 3000, kPollMs)) << Settings();
  PointerAway();
  EXPECT_TRUE(WaitUntil([&] { return PathPixels().blue == 0; }, 2000, kPollMs)) << "the path label still shows a path";
  EXPECT_GT(PathPixels().grey, 3000) << "the path label is gone";

  // From "Change" the focus ring leads over "Rebuild docs" to "BUILD"; Space presses it.
  window.Activate();
  Xdotool("key Tab Tab");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  Xdotool("key space");
  const ProgramWindowHandle notice = WaitForWindow(program->pid(), std::string("^") + kNoticeTitle + "$");
  ASSERT_TRUE(notice.Found()) << "no notice after BUILD without a path";
  EXPECT_EQ(window.Title(), kMainTitle);
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/Modules/command.js"));

  notice.Activate();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Xdotool("key Return");
  EXPECT_TRUE(WaitUntil([&] { return WindowsOf(program->pid(), kNoticeTitle).empty(); }, 5000, kPollMs))
      << "the notice stayed";
  // Still running, and still answering.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(program->Running());
  EXPECT_EQ(window.Title(), kMainTitle);
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_EQ(Settings(), "\r\n0\r\n");
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/Modules/command.js"));
}

TEST_F(ProgramWindow, MixedBoxSkipsTheGeneratorButBuildsTheIndex) {
  const fs::path marker = scratch_.path() / "generator-ran";
  WriteBytes(inst_ / "bin/makedocs", "#!/bin/sh\ntouch '" + marker.string() + "'\n");
  ASSERT_EQ(chmod((inst_ / "bin/makedocs").c_str(), 0755), 0);
  Remember(inst_.string(), "-1");
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  PointerAway();
  const PixelCounts mixed = CheckboxPixels();
  EXPECT_GT(mixed.blue, 50) << "the mixed box shows empty";
  EXPECT_GT(mixed.mark_rows, 0) << "the mixed box shows no dash";

  ClickBuild();
  std::vector<std::string> seen;
  const std::string title = WaitForItemTitle(window, seen);
  const int items = CatalogueSize();
  EXPECT_GT(items, 0);
  EXPECT_EQ(title, std::string(kMainTitle) + " Items: " + std::to_string(items)) << Diagnostics();
  EXPECT_EQ(std::find(seen.begin(), seen.end(), "Creating documentation...."), seen.end());
  EXPECT_FALSE(fs::exists(marker)) << "the generator ran for a mixed box";

  // A click on the mixed box ticks it: a check, not the dash.
  ClickCheckbox();
  PointerAway();
  const PixelCounts ticked = CheckboxPixels();
  EXPECT_GT(ticked.blue, 50);
  EXPECT_GT(ticked.mark_rows, mixed.mark_rows) << "mixed and ticked look alike";
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_EQ(Settings(), inst_.string() + "\r\n1\r\n");
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(ProgramWindow, CloseWhileThePagesAreIndexedEndsTheProgramAndLeavesTheOldIndex) {
  // Enough pages for the reading to take a while.
  const std::string paragraph = "<p>" + std::string(40, ' ') + "Words about windows and sockets. </p>";
  std::string page = "<html><body><h2 id=\"a\">Heading</h2>";
  for (int i = 0; i < 400; ++i) page += paragraph;
  fs::create_directories(inst_ / "docs/html/many");
  for (int i = 0; i < 6000; ++i) WriteBytes(inst_ / ("docs/html/many/p" + std::to_string(i) + ".html"), page);
  std::vector<std::string> before;
  for (const auto& entry : fs::directory_iterator(inst_ / "docs/html/Modules")) before.push_back(entry.path().string());
  std::sort(before.begin(), before.end());
  Remember(inst_.string(), "0");
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  ClickBuild();
  std::string title;
  WaitUntil([&] { return (title = window.Title()).rfind("Indexing pages: ", 0) == 0; }, 20000, kPollMs);
  ASSERT_EQ(title.rfind("Indexing pages: ", 0), 0u) << title << Diagnostics();
  EXPECT_NE(title.find(" of 6,0"), std::string::npos) << title;
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  std::vector<std::string> after;
  // The lock stays, as after every build.
  for (const auto& entry : fs::directory_iterator(inst_ / "docs/html/Modules"))
    if (entry.path().filename() != ".quillmere.lock") after.push_back(entry.path().string());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before) << "a stopped build changes nothing and leaves no temporary file";
}

TEST_F(ProgramWindow, AFailedBuildSaysNothingWasBuiltAndNotifiesThePath) {
  fs::remove(inst_ / "docs/html/Modules/commands.txt");
  Remember(inst_.string(), "0");
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  ClickBuild();
  std::vector<std::string> seen;
  EXPECT_EQ(WaitForItemTitle(window, seen), std::string(kMainTitle) + " Nothing was built") << Diagnostics();
  const ProgramWindowHandle notice = WaitForWindow(program->pid(), std::string("^") + kNoticeTitle + "$");
  ASSERT_TRUE(notice.Found()) << "no notice after a failed build";
  // The same words go to standard error, where they can be read.
  EXPECT_NE(ReadBytes(Output("err")).find(inst_.string() + "/docs/html/Modules/commands.txt"), std::string::npos)
      << Diagnostics();
  notice.Activate();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Xdotool("key Return");
  EXPECT_TRUE(WaitUntil([&] { return WindowsOf(program->pid(), kNoticeTitle).empty(); }, 5000, kPollMs))
      << "the notice stayed";
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/index.html")) << "a failed build installed pages";
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The screen's pixels in a rectangle, three bytes each.
std::vector<guchar> ScreenPixels(const GdkRectangle& r) {
  std::vector<guchar> out;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x, r.y, r.width, r.height);
  if (!pixbuf) return out;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      out.insert(out.end(), p, p + 3);
    }
  }
  g_object_unref(pixbuf);
  return out;
}

int DifferentPixels(const std::vector<guchar>& a, const std::vector<guchar>& b) {
  if (a.size() != b.size() || a.empty()) return -1;
  int count = 0;
  for (std::size_t i = 0; i < a.size(); i += 3) {
    if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ++count;
  }
  return count;
}

// A path label made here the way the program makes its own, showing text;
// what GTK reports it shows goes to shown.
std::vector<guchar> ReferencePathLabel(const String& text, std::string& shown) {
  GadgetPtr window =
      CreateWindow(u"reference", 0, 0, kFrameWidth, kFrameHeight, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  GadgetPtr label = CreateLabel(text, 10, 30, 300, 20, window, LabelFrame);
  SetGadgetColor(label, 200, 200, 200, 1);
  SetGadgetColor(label, 20, 20, 230, 0);
  WaitShown(window);
  shown = gtk_label_get_text(GTK_LABEL(Widget(label)));
  return ScreenPixels(RootRect(Widget(label)));
}

// Pastes a folder into the open folder chooser's location field, as a person
// does with a path copied from elsewhere; typing characters that are not on
// the keyboard map through xdotool is not reliable. This process owns the
// clipboard and hands the text over while it pumps.
void PasteFolder(const ProgramWindowHandle& chooser, const std::string& folder) {
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), folder.c_str(), -1);
  PumpFor(100);
  chooser.Activate();
  PumpFor(500);
  Xdotool("key ctrl+l");
  PumpFor(300);
  Xdotool("key ctrl+v");
  PumpFor(500);
  Xdotool("key Delete");
  PumpFor(100);
  Xdotool("key Return");
}

TEST_F(ProgramWindow, ANonAsciiPathIsShownAsTypedAndSavedAsItsOwnBytes) {
  // Short enough for the whole path to fit the label: "Réal/文档".
  ScratchDir place("u");
  const fs::path folder = place.path() /
                          "R\xC3\xA9"
                          "al" /
                          "\xE6\x96\x87\xE6\xA1\xA3";
  fs::create_directories(folder.parent_path());
  fs::rename(inst_, folder);
  const std::string path = folder.string();
  Remember("/nowhere", "0");

  // Chosen in the folder chooser as a person types it.
  {
    auto program = Start();
    const ProgramWindowHandle window = OpenMainWindow(*program);
    ASSERT_TRUE(window.Found()) << Diagnostics();
    ClickChange();
    const ProgramWindowHandle chooser = WaitForWindow(program->pid(), std::string("^") + kChooserTitle + "$");
    ASSERT_TRUE(chooser.Found()) << Diagnostics();
    PasteFolder(chooser, path);
    EXPECT_TRUE(WaitUntil([&] { return Settings() == path + "\r\n0\r\n"; }, 5000, kPollMs)) << Settings();
    EXPECT_TRUE(WaitUntil([&] { return WindowsOf(program->pid(), kChooserTitle).empty(); }, 5000, kPollMs));
    window.Activate();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ClickClose();
    EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
    EXPECT_EQ(Settings(), path + "\r\n0\r\n");
  }

  // Loaded again: shown as typed, built, and saved back unchanged.
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  PointerAway();
  const std::vector<guchar> seen = ScreenPixels(ClientRect(10, 30, 300, 20));
  EXPECT_TRUE(SaveScreen(GdkRectangle{frame_.x, frame_.y, kFrameWidth, kFrameHeight},
                         fs::path(QM_BINARY_DIR) / "screenshots/non-ascii-path.png"));
  std::string shown, garbled_shown;
  const std::vector<guchar> as_typed = ReferencePathLabel(FromBytes(path), shown);
  // Each byte taken for a character, as the label used to show it.
  const std::vector<guchar> garbled = ReferencePathLabel(FromBytes(ToUtf8(FromBytes(path))), garbled_shown);
  EXPECT_EQ(shown, path);
  EXPECT_NE(garbled_shown, path);
  EXPECT_GT(DifferentPixels(as_typed, garbled), 20) << "the two renderings cannot be told apart";
  EXPECT_EQ(DifferentPixels(seen, as_typed), 0) << "the path label does not show the path as typed";

  window.Activate();
  ClickBuild();
  std::vector<std::string> titles;
  const std::string title = WaitForItemTitle(window, titles);
  const int items = ArrayLength(ReadBytes(folder / "docs/html/Modules/command.js"));
  EXPECT_GT(items, 0);
  EXPECT_EQ(title, std::string(kMainTitle) + " Items: " + std::to_string(items)) << Diagnostics();
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
  EXPECT_EQ(Settings(), path + "\r\n0\r\n");
  EXPECT_NE(ReadBytes(Output("out")).find("Tallowin dir  : " + path + "\r\n"), std::string::npos) << Diagnostics();
}

TEST_F(ProgramWindow, ABuildMeetingAnotherShowsANoticeAndTheWindowStaysUsable) {
  Remember(inst_.string(), "0");
  // Another copy of the program, as far as this one can tell, is building.
  const fs::path lock = inst_ / "docs/html/Modules/.quillmere.lock";
  const int holder = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  auto program = Start();
  const ProgramWindowHandle window = OpenMainWindow(*program);
  ASSERT_TRUE(window.Found()) << Diagnostics();
  ClickBuild();
  const ProgramWindowHandle notice = WaitForWindow(program->pid(), std::string("^") + kNoticeTitle + "$");
  ASSERT_TRUE(notice.Found()) << "no notice while another build holds the installation";
  EXPECT_NE(ReadBytes(Output("err")).find(lock.string()), std::string::npos) << Diagnostics();
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/Modules/command.js")) << "it built without the lock";
  notice.Activate();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Xdotool("key Return");
  EXPECT_TRUE(WaitUntil([&] { return WindowsOf(program->pid(), kNoticeTitle).empty(); }, 5000, kPollMs))
      << "the notice stayed";

  // Once the other build is over, BUILD works again.
  close(holder);
  ClickBuild();
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(inst_ / "docs/html/Modules/command.js"); }, 20000, kPollMs))
      << Diagnostics();
  EXPECT_TRUE(WaitUntil(
      [&] { return window.Title() == std::string(kMainTitle) + " Items: " + std::to_string(CatalogueSize()); }, 20000,
      kPollMs))
      << window.Title();
  ClickClose();
  EXPECT_EQ(program->WaitForExit(), 0) << Diagnostics();
}

}  // namespace
}  // namespace qm
