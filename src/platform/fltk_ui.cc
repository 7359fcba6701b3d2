#include "platform/fltk_ui.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace binario {

namespace {

// A resolution the screen reports that no real screen has is replaced by the
// common 96 DPI.
double sane_dpi(float dpi) {
  return dpi >= 30 && dpi <= 1000 ? dpi : 96.0;
}

// FLTK draws "@..." in labels as symbols; "@@" is a plain "@".
std::string plain_label(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

// The largest size up to `size` at which `text` fits `width` pixels: the
// bold face standing in for the original one may run wider.
int fitting_size(const char* text, Fl_Font font, int size, int width) {
  const int slack = 6;  // the label's own inset
  for (; size > 8; --size) {
    fl_font(font, size);
    if (fl_width(text) <= width - slack) break;
  }
  return size;
}

// A window that remembers whether it has been drawn, so showing it can wait
// until its first paint has really happened (X draws nothing into a window
// the server has not exposed yet).
class WaitingWindow : public Fl_Window {
 public:
  WaitingWindow(int w, int h, const char* title) : Fl_Window(w, h, title) {}
  bool drawn() const { return drawn_; }

 protected:
  void draw() override {
    Fl_Window::draw();
    drawn_ = true;
  }

 private:
  bool drawn_ = false;
};

class FltkUi : public Ui {
 public:
  explicit FltkUi(std::string title) : title_(std::move(title)) {}

  ~FltkUi() override {
    if (window_) {
      window_->hide();
      window_.reset();
      Fl::flush();
      XSync(fl_display, False);
    }
  }

  void show_waiting() override {
    if (window_) return;
    float hdpi = 0;
    float vdpi = 0;
    Fl::screen_dpi(hdpi, vdpi);
    const double dx = sane_dpi(hdpi);
    const double dy = sane_dpi(vdpi);

    window_ =
        std::make_unique<WaitingWindow>(twips_to_pixels(kWindowWidthTwips, dx),
                                        twips_to_pixels(kWindowHeightTwips, dy), title_.c_str());
    auto* label = new Fl_Box(
        FL_NO_BOX, twips_to_pixels(kLabelLeftTwips, dx), twips_to_pixels(kLabelTopTwips, dy),
        twips_to_pixels(kLabelWidthTwips, dx), twips_to_pixels(kLabelHeightTwips, dy), "Attendere");
    label->labelfont(FL_HELVETICA_BOLD);
    label->labelsize(fitting_size(label->label(), FL_HELVETICA_BOLD,
                                  points_to_pixels(kLabelPoints, dy), label->w()));
    label->labelcolor(FL_BLACK);
    label->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    window_->end();
    window_->show();

    // Let the server map and expose the window, paint it once, and push the
    // drawing out; after this the window is left alone while the run works.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!window_->drawn() && std::chrono::steady_clock::now() < deadline) Fl::wait(0.05);
    Fl::flush();
    XSync(fl_display, False);
  }

  void errore(std::string_view code) override {
    const std::string text = plain_label(errore_text(code));
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int text_w = 0;
    int text_h = 0;
    fl_measure(text.c_str(), text_w, text_h, 0);

    const int margin = 20;
    const int button_w = 80;
    const int button_h = 25;
    const int w = std::max(text_w + 2 * margin, 2 * margin + button_w + 100);
    const int h = margin + text_h + margin + button_h + 15;

    Fl_Window dialog(w, h);
    dialog.copy_label(title_.c_str());
    auto* message = new Fl_Box(FL_NO_BOX, margin, margin, w - 2 * margin, text_h, nullptr);
    message->copy_label(text.c_str());
    message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    auto* ok =
        new Fl_Return_Button((w - button_w) / 2, h - button_h - 15, button_w, button_h, "OK");
    ok->callback([](Fl_Widget* button, void*) { button->window()->hide(); });
    dialog.end();
    dialog.set_modal();
    dialog.position((Fl::w() - w) / 2, (Fl::h() - h) / 2);
    dialog.show();
    // OK, Enter, Escape and the window's close box all hide the box.
    while (dialog.shown()) Fl::wait();
    Fl::flush();
  }

 private:
  std::string title_;
  std::unique_ptr<WaitingWindow> window_;
};

}  // namespace

std::unique_ptr<Ui> make_window_ui(const std::string& title) {
  if (fl_display == nullptr) {
    // FLTK ends the program when it cannot open its display, so the
    // connection is opened here first and handed over.
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    fl_open_display(display);
  }
  return std::make_unique<FltkUi>(title);
}

}  // namespace binario

// The module's entry point, the only symbol it exports.
extern "C" __attribute__((visibility("default"))) binario::Ui* binario_make_window_ui(
    const char* title) {
  return binario::make_window_ui(title).release();
}
