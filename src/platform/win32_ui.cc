#include "platform/win32_ui.h"

// The wide-character forms of the system's names (IDC_ARROW and the like).
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <string>

namespace binario {

namespace {

// UTF-8 to UTF-16 for the system's wide-character functions.
std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// A resolution the screen reports that no real screen has is replaced by the
// common 96 DPI.
int sane_dpi(int dpi) {
  return dpi >= 30 && dpi <= 1000 ? dpi : 96;
}

// Dispatches whatever is waiting in this thread's queue, without waiting.
void pump_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT CALLBACK waiting_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // The window cannot be closed by the user: it goes when the run ends.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

class Win32Ui : public Ui {
 public:
  explicit Win32Ui(std::wstring title) : title_(std::move(title)) {}

  ~Win32Ui() override {
    if (window_) {
      DestroyWindow(window_);
      pump_messages();
    }
    if (font_) DeleteObject(font_);
  }

  void show_waiting() override {
    if (window_) return;
    HDC screen = GetDC(nullptr);
    const int dx = sane_dpi(GetDeviceCaps(screen, LOGPIXELSX));
    const int dy = sane_dpi(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);

    // The outer size that gives the client area its size in twips.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, twips_to_pixels(kWindowWidthTwips, dx),
               twips_to_pixels(kWindowHeightTwips, dy)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_ = CreateWindowExW(0, kWaitingWindowClass, title_.c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) return;

    // The label: bold 24 points in the face asked for; the system's font
    // mapper picks the nearest face when that one is not installed.
    font_ = CreateFontW(-points_to_pixels(kLabelPoints, dy), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
    HWND label = CreateWindowExW(
        0, L"STATIC", L"Attendere", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
        twips_to_pixels(kLabelLeftTwips, dx), twips_to_pixels(kLabelTopTwips, dy),
        twips_to_pixels(kLabelWidthTwips, dx), twips_to_pixels(kLabelHeightTwips, dy), window_,
        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (label && font_) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    ShowWindow(window_, SW_SHOWNORMAL);
    // Paint the window and its label now, and let the system take in what
    // showing it queued; after this the window is left alone while the run
    // works.
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump_messages();
    GdiFlush();
  }

  void errore(std::string_view code) override {
    // Owned by the waiting window when there is one, so that it stays in
    // front of it and the window takes no input while the box is up.
    MessageBoxW(window_, widen(errore_text(code)).c_str(), title_.c_str(), MB_OK);
  }

 private:
  std::wstring title_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
};

// Registers the waiting window's class once per process.
bool register_window_class() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = waiting_window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWaitingWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

}  // namespace

std::unique_ptr<Ui> make_win32_ui(const std::string& title) {
  // Pixels are pixels: the twips are converted at the screen's own
  // resolution, and the system must not scale the result again.
  SetProcessDPIAware();
  if (!register_window_class()) return nullptr;
  return std::make_unique<Win32Ui>(widen(title));
}

}  // namespace binario
