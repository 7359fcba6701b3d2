// The window layer on a real X server: each test process starts its own
// Xvfb, shows the windows on it and reads them back through a connection of
// its own, as any other client of the display would see them.
#include <gtest/gtest.h>

#ifdef BINARIO_HAVE_WINDOW

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/fltk_ui.h"
#include "platform/make_ui.h"
#include "test_support/program.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

// The path of Xvfb on PATH, or "" when it is not installed.
std::string find_xvfb() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// An Xvfb of this test process on a display number it picks itself
// (-displayfd), at 96 DPI. It dies with the test process.
class Xvfb {
 public:
  ~Xvfb() { stop(); }

  bool start(const std::string& program, std::string* why) {
    int fds[2];
    if (::pipe(fds) != 0) {
      *why = "pipe failed";
      return false;
    }
    pid_ = ::fork();
    if (pid_ < 0) {
      *why = "fork failed";
      return false;
    }
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::close(fds[0]);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      const std::string fd = std::to_string(fds[1]);
      ::execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
              "-dpi", "96", "-nolisten", "tcp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char c;
      if (::read(fds[0], &c, 1) != 1) break;
      if (c == '\n') break;
      number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
      *why = "Xvfb did not report a display";
      stop();
      return false;
    }
    display_ = ":" + number;
    return true;
  }

  void stop() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }

  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Set while an image is read: an X error during the read (the window was
// unmapped or moved partly off the screen between the two requests) ends
// the read with no image instead of ending the test program.
bool g_image_read_failed = false;
int note_image_error(Display*, XErrorEvent*) {
  g_image_read_failed = true;
  return 0;
}

// The window's whole image, or null when it is not viewable now or the
// server refuses to read it.
XImage* read_window_image(Display* d, Window w, int* width, int* height) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) return nullptr;
  g_image_read_failed = false;
  XSync(d, False);
  auto* previous = XSetErrorHandler(note_image_error);
  XImage* image = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  XSync(d, False);
  XSetErrorHandler(previous);
  if (g_image_read_failed && image) {
    XDestroyImage(image);
    image = nullptr;
  }
  if (image) {
    *width = a.width;
    *height = a.height;
  }
  return image;
}

// A client connection of the test's own, to look at the screen.
class Observer {
 public:
  explicit Observer(const std::string& display) : d_(XOpenDisplay(display.c_str())) {}
  ~Observer() {
    if (d_) XCloseDisplay(d_);
  }
  Display* get() const { return d_; }

  // The mapped top-level windows whose title is `title`.
  std::vector<Window> windows_named(const std::string& title) {
    std::vector<Window> found;
    Window root_return;
    Window parent;
    Window* children = nullptr;
    unsigned count = 0;
    XSync(d_, False);
    if (!XQueryTree(d_, DefaultRootWindow(d_), &root_return, &parent, &children, &count)) {
      return found;
    }
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(d_, children[i], &a) || a.map_state != IsViewable) continue;
      char* name = nullptr;
      if (XFetchName(d_, children[i], &name) && name) {
        if (title == name) found.push_back(children[i]);
        XFree(name);
      }
    }
    if (children) XFree(children);
    return found;
  }

  // The window's pixels as the screen shows them, as grey levels 0..255,
  // row by row; empty when they cannot be read.
  std::vector<int> grey_pixels(Window w, int* width, int* height) {
    int w_px = 0;
    int h_px = 0;
    XImage* image = read_window_image(d_, w, &w_px, &h_px);
    if (!image) return {};
    std::vector<int> grey(static_cast<size_t>(w_px) * h_px);
    for (int y = 0; y < h_px; ++y) {
      for (int x = 0; x < w_px; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        const int r = static_cast<int>((p & image->red_mask) >> 16);
        const int g = static_cast<int>((p & image->green_mask) >> 8);
        const int b = static_cast<int>(p & image->blue_mask);
        grey[static_cast<size_t>(y) * w_px + x] = (r * 30 + g * 59 + b * 11) / 100;
      }
    }
    XDestroyImage(image);
    *width = w_px;
    *height = h_px;
    return grey;
  }

 private:
  Display* d_;
};

struct Rect {
  int x, y, w, h;
  bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// Dark pixels inside and outside `r`.
struct DarkCount {
  int inside = 0;
  int outside = 0;
};
DarkCount count_dark(const std::vector<int>& grey, int width, int height, const Rect& r) {
  DarkCount c;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (grey[static_cast<size_t>(y) * width + x] >= 96) continue;
      (r.contains(x, y) ? c.inside : c.outside)++;
    }
  }
  return c;
}

TEST(WindowLayerTest, LayoutConvertsTwipsAtTheScreenResolution) {
  EXPECT_EQ(twips_to_pixels(kWindowWidthTwips, 96), 280);
  EXPECT_EQ(twips_to_pixels(kWindowHeightTwips, 96), 179);
  EXPECT_EQ(twips_to_pixels(kLabelWidthTwips, 96), 177);
  EXPECT_EQ(twips_to_pixels(kWindowWidthTwips, 144), 420);
  EXPECT_EQ(points_to_pixels(kLabelPoints, 96), 32);
  EXPECT_EQ(points_to_pixels(kLabelPoints, 120), 40);
}

// Runs before any test opens a display: once FLTK holds a display the
// process keeps it.
TEST(WindowLayerTest, NoDisplayMeansNoWindow) {
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved ? saved : "";
  ::unsetenv("DISPLAY");
  EXPECT_EQ(make_window_ui("binario"), nullptr);
  ::setenv("DISPLAY", ":4093", 1);  // a display nobody serves
  EXPECT_EQ(make_window_ui("binario"), nullptr);
  // The chooser falls back to the console rather than failing.
  EXPECT_NE(make_ui(true), nullptr);
  if (saved) {
    ::setenv("DISPLAY", keep.c_str(), 1);
  } else {
    ::unsetenv("DISPLAY");
  }
}

// The module is looked for only beside the program, in a folder known by an
// absolute path: never in the current folder, nor on the loader's search path
// (a bare name).
TEST(WindowModuleTest, IsLookedForOnlyInAKnownProgramFolder) {
  EXPECT_EQ(window_module_path("/opt/binario"), "/opt/binario/binario_window.so");
  EXPECT_EQ(window_module_path(std::nullopt), std::nullopt);
  EXPECT_EQ(window_module_path(""), std::nullopt);
  EXPECT_EQ(window_module_path("."), std::nullopt);
  EXPECT_EQ(window_module_path("build"), std::nullopt);
}

class WindowOnXvfbTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string program = find_xvfb();
    if (program.empty()) {
      skip_reason_ = new std::string("Xvfb is not installed");
      return;
    }
    server_ = new Xvfb;
    std::string why;
    if (!server_->start(program, &why)) {
      start_failure_ = new std::string(why);
      return;
    }
    ::setenv("DISPLAY", server_->display().c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (skip_reason_) GTEST_SKIP() << *skip_reason_;
    ASSERT_EQ(start_failure_, nullptr) << *start_failure_;
    // Nothing here may hang: a stuck test is killed.
    ::alarm(60);
  }
  void TearDown() override { ::alarm(0); }

  static Xvfb* server_;
  static std::string* skip_reason_;
  static std::string* start_failure_;
};
Xvfb* WindowOnXvfbTest::server_ = nullptr;
std::string* WindowOnXvfbTest::skip_reason_ = nullptr;
std::string* WindowOnXvfbTest::start_failure_ = nullptr;

TEST_F(WindowOnXvfbTest, WaitingWindowIsPaintedWithItsCaptionAndClosedAtTheEnd) {
  std::unique_ptr<Ui> ui = make_window_ui("binario");
  ASSERT_NE(ui, nullptr);
  ui->show_waiting();
  // No event is serviced from here on: what the screen shows now is what the
  // run shows while it works.
  Observer screen(server_->display());
  ASSERT_NE(screen.get(), nullptr);
  std::vector<Window> windows = screen.windows_named("binario");
  ASSERT_EQ(windows.size(), 1u);

  int width = 0;
  int height = 0;
  std::vector<int> grey = screen.grey_pixels(windows[0], &width, &height);
  ASSERT_FALSE(grey.empty());
  // 4200 x 2688 twips at 96 DPI.
  EXPECT_EQ(width, 280);
  EXPECT_EQ(height, 179);
  // The label's box: 960, 960, 2652 x 792 twips.
  const DarkCount dark = count_dark(grey, width, height, Rect{64, 64, 177, 53});
  EXPECT_GT(dark.inside, 200) << "the caption is not drawn";
  EXPECT_EQ(dark.outside, 0) << "something besides the caption is drawn";
  // The caption's ink spans most of the label's width: the whole word is there.
  int leftmost = width;
  int rightmost = -1;
  for (int y = 64; y < 64 + 53; ++y) {
    for (int x = 64; x < 64 + 177; ++x) {
      if (grey[static_cast<size_t>(y) * width + x] < 96) {
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      }
    }
  }
  EXPECT_LT(leftmost, 64 + 8);
  EXPECT_GT(rightmost - leftmost, 120);

  ui.reset();
  EXPECT_TRUE(screen.windows_named("binario").empty()) << "the window stays after the end";
}

// What the timer saw of the error box and what became of it.
struct ErrorBoxProbe {
  Display* observer = nullptr;
  std::chrono::steady_clock::time_point deadline;
  std::chrono::steady_clock::time_point pressed_at;
  bool pressed = false;
  bool forced_closed = false;
  std::string title;
  std::string text;
  std::vector<std::string> buttons;
  int other_widgets = 0;
  int dark_text_pixels = 0;
  bool modal = false;
  std::vector<Fl_Window*> shown_before;  // the windows shown before the box
};

// Presses Enter on the box through the X server, as a keyboard would.
void press_enter(Display* d, Window w) {
  XKeyEvent key{};
  key.display = d;
  key.window = w;
  key.root = DefaultRootWindow(d);
  key.subwindow = None;
  key.time = CurrentTime;
  key.x = key.y = key.x_root = key.y_root = 1;
  key.same_screen = True;
  key.keycode = XKeysymToKeycode(d, XK_Return);
  key.state = 0;
  key.type = KeyPress;
  XSendEvent(d, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
  key.type = KeyRelease;
  XSendEvent(d, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
  XFlush(d);
}

// The windows the process shows.
std::vector<Fl_Window*> shown_windows() {
  std::vector<Fl_Window*> shown;
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    shown.push_back(w);
  }
  return shown;
}

// Hides every window shown since `before` was taken (the box, whether or not
// the probe recognised it); whether there was one to hide.
bool hide_windows_shown_since(const std::vector<Fl_Window*>& before) {
  bool hid = false;
  for (Fl_Window* w : shown_windows()) {
    if (std::find(before.begin(), before.end(), w) == before.end()) {
      w->hide();
      hid = true;
    }
  }
  return hid;
}

// Runs every 50 ms inside errore()'s event loop until errore() returns: reads
// the box, presses Enter on it once its text is drawn (or at the deadline),
// and, whatever it found or missed, hides the box when Enter has not closed
// it within 3 s or no box came by the deadline, so that the test ends and
// fails rather than wait on the box.
void probe_error_box(void* data) {
  auto* probe = static_cast<ErrorBoxProbe*>(data);
  Fl_Window* box = Fl::modal();
  const auto now = std::chrono::steady_clock::now();
  const bool enter_failed = probe->pressed && now > probe->pressed_at + std::chrono::seconds(3);
  const bool no_box = !probe->pressed && !(box && box->shown()) && now > probe->deadline;
  if (enter_failed || no_box) {
    if (hide_windows_shown_since(probe->shown_before)) probe->forced_closed = true;
    Fl::repeat_timeout(0.05, probe_error_box, data);
    return;
  }
  if (!probe->pressed && box && box->shown()) {
    probe->modal = true;
    probe->title = box->label() ? box->label() : "";
    probe->buttons.clear();
    probe->other_widgets = 0;
    Rect text_area{0, 0, 0, 0};
    for (int i = 0; i < box->children(); ++i) {
      Fl_Widget* w = box->child(i);
      if (dynamic_cast<Fl_Button*>(w)) {
        probe->buttons.emplace_back(w->label() ? w->label() : "");
      } else if (w->label() && *w->label()) {
        probe->text = w->label();
        text_area = Rect{w->x(), w->y(), w->w(), w->h()};
      } else {
        ++probe->other_widgets;
      }
    }
    int width = 0;
    int height = 0;
    XImage* image = read_window_image(probe->observer, fl_xid(box), &width, &height);
    if (image) {
      int dark = 0;
      for (int y = text_area.y; y < text_area.y + text_area.h && y < height; ++y) {
        for (int x = text_area.x; x < text_area.x + text_area.w && x < width; ++x) {
          const unsigned long p = XGetPixel(image, x, y);
          const int grey =
              static_cast<int>(((p >> 16) & 255) * 30 + ((p >> 8) & 255) * 59 + (p & 255) * 11) /
              100;
          if (grey < 96) ++dark;
        }
      }
      XDestroyImage(image);
      probe->dark_text_pixels = dark;
    }
    if (probe->dark_text_pixels > 0 || now > probe->deadline) {
      press_enter(probe->observer, fl_xid(box));
      probe->pressed = true;
      probe->pressed_at = now;
    }
  }
  Fl::repeat_timeout(0.05, probe_error_box, data);
}

TEST_F(WindowOnXvfbTest, ErrorBoxShowsTheCodeAndClosesOnEnter) {
  std::unique_ptr<Ui> ui = make_window_ui("binario");
  ASSERT_NE(ui, nullptr);
  ui->show_waiting();

  Observer screen(server_->display());
  ASSERT_NE(screen.get(), nullptr);
  ErrorBoxProbe probe;
  probe.observer = screen.get();
  probe.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  probe.shown_before = shown_windows();
  Fl::add_timeout(0.05, probe_error_box, &probe);
  ui->errore("1251");  // returns once the box is closed
  Fl::remove_timeout(probe_error_box, &probe);

  EXPECT_TRUE(probe.modal) << "no modal box appeared";
  EXPECT_EQ(probe.text, " Errore n. 1251");
  EXPECT_EQ(probe.title, "binario");
  EXPECT_EQ(probe.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(probe.other_widgets, 0) << "the box holds more than its text and OK (an icon?)";
  EXPECT_GT(probe.dark_text_pixels, 50) << "the text is not drawn";
  EXPECT_TRUE(probe.pressed);
  EXPECT_FALSE(probe.forced_closed) << "Enter on the box did not close it";
}

TEST_F(WindowOnXvfbTest, ChooserLoadsTheModuleBesideTheProgramForTheWindow) {
  std::unique_ptr<Ui> ui = make_ui(true);
  ASSERT_NE(ui, nullptr);
  ui->show_waiting();
  Observer screen(server_->display());
  ASSERT_NE(screen.get(), nullptr);
  EXPECT_EQ(screen.windows_named("binario").size(), 1u) << "the console was chosen";
  ui.reset();
  EXPECT_TRUE(screen.windows_named("binario").empty());
}

// A module in the current folder is not loaded when the program's folder is
// not known: the chooser shows the console instead. The same module does load
// once its folder is given.
TEST_F(WindowOnXvfbTest, ModuleInTheCurrentFolderIsNotLoadedWhenTheProgramsFolderIsUnknown) {
  test::ScratchFolder scratch("binario-module");
  const std::filesystem::path module = scratch.path() / kWindowModuleName;
  std::filesystem::copy_file(std::filesystem::path(BINARIO_EXE).parent_path() / kWindowModuleName,
                             module);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(scratch.path());
  EXPECT_EQ(load_window_ui(std::nullopt), nullptr);
  EXPECT_EQ(load_window_ui("."), nullptr);
  std::filesystem::current_path(before);
  EXPECT_EQ(::dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the module in the current folder was loaded";

  std::unique_ptr<Ui> ui = load_window_ui(scratch.path().string());
  EXPECT_NE(ui, nullptr) << "the module does not load from a known folder";
}

// The program and its module copied into a folder of their own, as a package
// holds them, run with the dynamic loader tracing what it loads.
class PackagedProgramTest : public WindowOnXvfbTest {
 protected:
  void SetUp() override {
    WindowOnXvfbTest::SetUp();
    package_ =
        std::filesystem::temp_directory_path() / ("binario-package-" + std::to_string(::getpid()));
    std::filesystem::remove_all(package_);
    std::filesystem::create_directories(package_);
    const std::filesystem::path built = BINARIO_EXE;
    std::filesystem::copy_file(built, package_ / "binario");
    std::filesystem::copy_file(built.parent_path() / kWindowModuleName,
                               package_ / kWindowModuleName);
  }
  void TearDown() override {
    std::filesystem::remove_all(package_);
    WindowOnXvfbTest::TearDown();
  }

  // Runs the packaged program with `args`; returns its exit status and puts
  // the loader's trace in `trace`.
  int run(const std::string& args, std::string* trace) {
    const std::filesystem::path log = package_ / "loader.txt";
    const std::string command = "LD_DEBUG=files " + (package_ / "binario").string() + " " + args +
                                " >/dev/null 2>" + log.string() + " </dev/null";
    const int raw = std::system(command.c_str());
    *trace = slurp(log);
    std::filesystem::remove(log);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  // Whether the trace shows FLTK or X11 loaded.
  static bool loads_gui(const std::string& trace) {
    return trace.find("libfltk") != std::string::npos || trace.find("libX11") != std::string::npos;
  }
  // Whether the program looked for its window module at all.
  static bool opens_module(const std::string& trace) {
    return trace.find(kWindowModuleName) != std::string::npos;
  }

  static int files_in(const std::filesystem::path& folder) {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      n += entry.is_regular_file();
    return n;
  }

  std::filesystem::path package_;
};

TEST_F(PackagedProgramTest, LoadsTheWindowLibrariesOnlyToShowTheWindow) {
  std::string trace;
  EXPECT_EQ(run("--version", &trace), 0);
  EXPECT_FALSE(loads_gui(trace) || opens_module(trace)) << trace;

  const std::filesystem::path console = package_ / "console";
  EXPECT_EQ(run("--no-window -C " + console.string(), &trace), 0);
  EXPECT_FALSE(loads_gui(trace) || opens_module(trace)) << trace;
  EXPECT_EQ(files_in(console), 6);

  const std::filesystem::path window = package_ / "window";
  EXPECT_EQ(run("-C " + window.string(), &trace), 0);
  EXPECT_TRUE(opens_module(trace) && loads_gui(trace)) << "the window module was not loaded";
  EXPECT_EQ(files_in(window), 6);
  EXPECT_EQ(slurp(window / "Zorvane_Pelk_728.dat"), slurp(console / "Zorvane_Pelk_728.dat"));
}

TEST_F(PackagedProgramTest, RunsWithTheConsoleWhenTheModuleIsMissing) {
  std::filesystem::remove(package_ / kWindowModuleName);
  const std::filesystem::path folder = package_ / "scenario";
  std::string trace;
  EXPECT_EQ(run("-C " + folder.string(), &trace), 0);
  EXPECT_FALSE(loads_gui(trace));
  EXPECT_EQ(files_in(folder), 6);
}

}  // namespace
}  // namespace binario

#else  // !BINARIO_HAVE_WINDOW

TEST(WindowLayerTest, NotBuilt) {
  GTEST_SKIP() << "built without FLTK: the program has the console layer only";
}

#endif
