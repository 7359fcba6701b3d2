// The layout of the run's waiting window, shared by every window layer. It is
// given in twips (1/1440 inch) and points, and converted to pixels at the
// screen's resolution.
#pragma once

#include <cmath>

namespace binario {

inline constexpr int kWindowWidthTwips = 4200;  // client area
inline constexpr int kWindowHeightTwips = 2688;
inline constexpr int kLabelLeftTwips = 960;
inline constexpr int kLabelTopTwips = 960;
inline constexpr int kLabelWidthTwips = 2652;
inline constexpr int kLabelHeightTwips = 792;
inline constexpr int kLabelPoints = 24;

// The title of the waiting window and of the error box.
inline constexpr char kWindowTitle[] = "binario";

// Twips and points to whole pixels at `dpi` dots per inch (15 twips per pixel
// at 96 DPI).
inline int twips_to_pixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
inline int points_to_pixels(int points, double dpi) {
  return static_cast<int>(std::lround(points * dpi / 72.0));
}

}  // namespace binario
