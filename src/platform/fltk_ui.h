// The run's window with FLTK: a small window that says "Attendere" while the
// run works, and the modal error box of the reserved-slot checks.
//
// The window is laid out in twips (1/1440 inch) and converted to pixels at
// the screen's resolution. It is painted once when shown and not serviced
// afterwards: the run is one thread and does not return to the event loop
// until it ends or the error box asks for an answer.
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"

namespace binario {

// The layout of the waiting window, in twips.
inline constexpr int kWindowWidthTwips = 4200;  // client area
inline constexpr int kWindowHeightTwips = 2688;
inline constexpr int kLabelLeftTwips = 960;
inline constexpr int kLabelTopTwips = 960;
inline constexpr int kLabelWidthTwips = 2652;
inline constexpr int kLabelHeightTwips = 792;
inline constexpr int kLabelPoints = 24;

// Twips and points to whole pixels at `dpi` dots per inch (15 twips per pixel
// at 96 DPI).
int twips_to_pixels(int twips, double dpi);
int points_to_pixels(int points, double dpi);

// The window layer on the display that DISPLAY names, with `title` as the
// title of both windows; nullptr when DISPLAY is unset or the display cannot
// be opened. Once a display is open the process keeps using it.
std::unique_ptr<Ui> make_window_ui(const std::string& title);

}  // namespace binario
