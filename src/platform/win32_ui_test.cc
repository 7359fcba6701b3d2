// The Win32 window layer on a real desktop (Windows, or Wine on an X server):
// the tests show the windows and read them back through the system, as any
// other program on the desktop would see them.
#include <gtest/gtest.h>

#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/make_ui.h"
#include "platform/win32_ui.h"

namespace binario {
namespace {

std::wstring text_of(HWND w) {
  wchar_t buffer[256] = {};
  GetWindowTextW(w, buffer, 256);
  return buffer;
}

std::wstring class_of(HWND w) {
  wchar_t buffer[64] = {};
  GetClassNameW(w, buffer, 64);
  return buffer;
}

// The screen's resolution as the system reports it.
void screen_dpi(int* dx, int* dy) {
  HDC screen = GetDC(nullptr);
  *dx = GetDeviceCaps(screen, LOGPIXELSX);
  *dy = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
}

BOOL CALLBACK collect_window(HWND w, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
  return TRUE;
}

// The top-level windows of `thread` (owned ones included), optionally only
// those of class `kind`. Other processes on the same desktop, other test
// programs among them, may show windows of the same classes at the same
// time: a test looks only at its own thread's.
std::vector<HWND> windows_of_thread(DWORD thread, const wchar_t* kind = nullptr) {
  std::vector<HWND> all;
  EnumThreadWindows(thread, collect_window, reinterpret_cast<LPARAM>(&all));
  if (kind == nullptr) return all;
  std::vector<HWND> found;
  for (HWND w : all) {
    if (class_of(w) == kind) found.push_back(w);
  }
  return found;
}

// This thread's waiting window, or nullptr.
HWND waiting_window() {
  const std::vector<HWND> found = windows_of_thread(GetCurrentThreadId(), kWaitingWindowClass);
  return found.empty() ? nullptr : found.front();
}

// The client area's pixels as grey levels 0..255, row by row, read from the
// window as the system shows it.
std::vector<int> grey_pixels(HWND w, int width, int height) {
  HDC window_dc = GetDC(w);
  HDC memory_dc = CreateCompatibleDC(window_dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<int> grey;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory_dc, bitmap);
    if (BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY)) {
      GdiFlush();
      const auto* p = static_cast<const unsigned char*>(bits);
      grey.resize(static_cast<size_t>(width) * height);
      for (size_t i = 0; i < grey.size(); ++i) {
        grey[i] = (p[4 * i + 2] * 30 + p[4 * i + 1] * 59 + p[4 * i] * 11) / 100;
      }
    }
    SelectObject(memory_dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory_dc);
  ReleaseDC(w, window_dc);
  return grey;
}

TEST(Win32WindowTest, WaitingWindowIsLaidOutInTwipsAtTheScreenResolutionAndPainted) {
  std::unique_ptr<Ui> ui = make_win32_ui("binario");
  ASSERT_NE(ui, nullptr);
  ui->show_waiting();
  // No message is served from here on: what the window shows now is what the
  // run shows while it works.
  HWND w = waiting_window();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(text_of(w), L"binario");

  int dx = 0;
  int dy = 0;
  screen_dpi(&dx, &dy);
  RECT client;
  ASSERT_TRUE(GetClientRect(w, &client));
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  EXPECT_EQ(width, twips_to_pixels(kWindowWidthTwips, dx)) << "at " << dx << " DPI";
  EXPECT_EQ(height, twips_to_pixels(kWindowHeightTwips, dy)) << "at " << dy << " DPI";

  // The label is the window's only control.
  HWND label = FindWindowExW(w, nullptr, nullptr, nullptr);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(FindWindowExW(w, label, nullptr, nullptr), nullptr) << "more than the label";
  EXPECT_EQ(text_of(label), L"Attendere");
  RECT box;
  ASSERT_TRUE(GetWindowRect(label, &box));
  MapWindowPoints(HWND_DESKTOP, w, reinterpret_cast<POINT*>(&box), 2);
  const int left = twips_to_pixels(kLabelLeftTwips, dx);
  const int top = twips_to_pixels(kLabelTopTwips, dy);
  const int label_w = twips_to_pixels(kLabelWidthTwips, dx);
  const int label_h = twips_to_pixels(kLabelHeightTwips, dy);
  EXPECT_EQ(box.left, left);
  EXPECT_EQ(box.top, top);
  EXPECT_EQ(box.right - box.left, label_w);
  EXPECT_EQ(box.bottom - box.top, label_h);

  // The font asked for; the system maps it to what is installed.
  auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(font, sizeof(lf), &lf), 0);
  EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfHeight, -points_to_pixels(kLabelPoints, dy));

  // Painted already: ink inside the label's box and nowhere else, spanning
  // most of its width (the whole word is there).
  std::vector<int> grey = grey_pixels(w, width, height);
  ASSERT_FALSE(grey.empty());
  int inside = 0;
  int outside = 0;
  int leftmost = width;
  int rightmost = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (grey[static_cast<size_t>(y) * width + x] >= 96) continue;
      if (x >= left && x < left + label_w && y >= top && y < top + label_h) {
        ++inside;
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      } else {
        ++outside;
      }
    }
  }
  EXPECT_GT(inside, 200) << "the caption is not drawn";
  EXPECT_EQ(outside, 0) << "something besides the caption is drawn";
  EXPECT_LT(leftmost, left + 8);
  EXPECT_GT(rightmost - leftmost, label_w / 2);

  ui.reset();
  EXPECT_FALSE(IsWindow(w)) << "the window stays after the end";
}

// What the probe thread saw of the error box and what became of it.
struct ErrorBoxProbe {
  DWORD ui_thread = 0;
  HWND waiting = nullptr;
  std::atomic<bool> returned{false};  // set once errore() has returned
  bool found = false;
  bool pressed = false;
  bool closed_by_enter = false;
  bool forced_closed = false;
  std::wstring title;
  std::wstring text;
  std::vector<std::wstring> buttons;
  int icons = 0;
};

BOOL CALLBACK look_at_child(HWND child, LPARAM data) {
  auto* probe = reinterpret_cast<ErrorBoxProbe*>(data);
  if (!IsWindowVisible(child)) return TRUE;
  const std::wstring kind = class_of(child);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (_wcsicmp(kind.c_str(), L"Button") == 0) {
    probe->buttons.push_back(text_of(child));
  } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      // An icon control may stay on the box with no icon in it.
      if (SendMessageW(child, STM_GETICON, 0, 0) != 0) ++probe->icons;
    } else if (!text_of(child).empty()) {
      probe->text = text_of(child);
    }
  }
  return TRUE;
}

// Waits up to `limit` for `done`; whether it came.
template <typename Done>
bool wait_for(Done done, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The system's dialog box among the UI thread's windows that the waiting
// window owns, once it is visible.
HWND find_error_box(const ErrorBoxProbe& probe) {
  for (HWND w : windows_of_thread(probe.ui_thread, L"#32770")) {
    if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == probe.waiting) return w;
  }
  return nullptr;
}

// Waits for the box among the UI thread's own windows, reads it, and presses
// Enter on it as the keyboard would: a key press to the control that has the
// focus. Whatever it finds or misses, errore() returns: once the deadline has
// passed, every window of the UI thread but the waiting one is told OK until
// it does, and as the last resort the thread is told to quit, which ends the
// box's modal loop. The test then fails; it never waits on a box.
void probe_error_box(ErrorBoxProbe* probe) {
  using std::chrono::milliseconds;
  HWND box = nullptr;
  wait_for([&] { return probe->returned || (box = find_error_box(*probe)) != nullptr; },
           milliseconds(10000));
  if (box) {
    probe->found = true;
    probe->title = text_of(box);
    EnumChildWindows(box, look_at_child, reinterpret_cast<LPARAM>(probe));

    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    HWND target = box;
    if (GetGUIThreadInfo(probe->ui_thread, &gui) && gui.hwndFocus) target = gui.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0);
    probe->pressed = true;
    probe->closed_by_enter = wait_for([&] { return !IsWindow(box); }, milliseconds(3000));
  }
  if (wait_for([&] { return probe->returned.load(); }, milliseconds(box ? 2000 : 0))) return;
  probe->forced_closed = true;
  while (!wait_for([&] { return probe->returned.load(); }, milliseconds(1000))) {
    for (HWND w : windows_of_thread(probe->ui_thread)) {
      if (w != probe->waiting) PostMessageW(w, WM_COMMAND, IDOK, 0);
    }
    if (!wait_for([&] { return probe->returned.load(); }, milliseconds(1000))) {
      PostThreadMessageW(probe->ui_thread, WM_QUIT, 0, 0);
    }
  }
}

TEST(Win32WindowTest, ErrorBoxShowsTheCodeWithOneOkButtonAndClosesOnEnter) {
  std::unique_ptr<Ui> ui = make_win32_ui("binario");
  ASSERT_NE(ui, nullptr);
  ui->show_waiting();
  HWND waiting = waiting_window();
  ASSERT_NE(waiting, nullptr);

  ErrorBoxProbe probe;
  probe.ui_thread = GetCurrentThreadId();
  probe.waiting = waiting;
  std::thread prober(probe_error_box, &probe);
  const auto start = std::chrono::steady_clock::now();
  ui->errore("1251");  // returns once the box is closed
  const auto waited = std::chrono::steady_clock::now() - start;
  probe.returned = true;
  prober.join();

  EXPECT_FALSE(probe.forced_closed) << "the box was still up at its deadline and was closed";
  ASSERT_TRUE(probe.found) << "no box owned by the waiting window appeared";
  EXPECT_EQ(probe.text, L" Errore n. 1251");
  EXPECT_EQ(probe.title, L"binario");
  EXPECT_EQ(probe.buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(probe.icons, 0) << "the box shows an icon";
  EXPECT_TRUE(probe.pressed);
  EXPECT_TRUE(probe.closed_by_enter) << "Enter on the box did not close it";
  EXPECT_LT(waited, std::chrono::seconds(12));
  // The waiting window outlives the box; the run ends it.
  EXPECT_TRUE(IsWindow(waiting));
  ui.reset();
  EXPECT_EQ(waiting_window(), nullptr);
}

TEST(Win32WindowTest, ChooserShowsTheWindowUnlessAskedNotTo) {
  {
    std::unique_ptr<Ui> ui = make_ui(false);
    ui->show_waiting();
    EXPECT_EQ(waiting_window(), nullptr) << "a window with --no-window";
  }
  std::unique_ptr<Ui> ui = make_ui(true);
  ui->show_waiting();
  EXPECT_NE(waiting_window(), nullptr);
}

}  // namespace
}  // namespace binario
