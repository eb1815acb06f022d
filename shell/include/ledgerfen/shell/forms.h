// Sizes and fonts of the windows. Window layouts are given in twips, at 15
// twips to the pixel, and fonts in points at 96 dots per inch, so that a
// page looks the same at any screen setting.
#pragma once

#include <QFont>
#include <QRect>

namespace ledgerfen::shell {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value) {
  return (value + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Arial (or a face with the same metrics) at a size in points.
QFont arialFont(double points, bool bold);

// Centres a window on the screen it is on.
void centreOnScreen(QWidget& window);

}  // namespace ledgerfen::shell
