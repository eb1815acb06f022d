// How the windows look: their sizes and fonts, their colours, the optional
// skin and the application icon.
//
// Window layouts are given in twips, at 15 twips to the pixel, and fonts in
// points at 96 dots per inch, so that a page looks the same at any screen
// setting.
#pragma once

#include <QFont>
#include <QRect>
#include <string>

#include "ledgerfen/status.h"

class QColor;
class QIcon;
class QPixmap;
class QWidget;

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

// The system colour of button faces.
QColor buttonFaceColor();

// Gives the window and its frames, labels, check boxes and option buttons
// the button-face background.
void applyWindowColors(QWidget& window);

// When the program folder holds the skin file (an ordinary file), gives the
// page the button-face colours and applies the file, read as a Qt style
// sheet, to the whole application, so windows opened later take it too.
// Without the file nothing changes. A skin file that cannot be read fails.
Status applySkin(QWidget& page, const std::string& programFolder);

// The application's icon, drawn in code.
QIcon applicationIcon();
// The icon at `size` pixels square (the sizes the desktop's icon theme
// installs, below), drawn in code; app/desktop/ holds the same as SVG.
inline constexpr int kApplicationIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
QPixmap drawApplicationIcon(int size);

}  // namespace ledgerfen::shell
