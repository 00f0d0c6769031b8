// Window placement keys of the settings file: "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
// "NormPos" and their variants for one screen size ("NormPos_1280x800").
#pragma once

#include <QRect>
#include <QSize>
#include <string>
#include <string_view>

class QWidget;

namespace kivra {
class TWindowSettings;
}

namespace kivra::shell {

// "%d,%d,%d,%d" split at "," or blanks; a missing or bad value keeps the one of `current`.
QRect ParsePlacementRect(std::string_view text, const QRect& current);  // left, top, right, bottom

struct TPlacement {
  int ShowCmd = 1;           // 1, 5, 9 normal; 2, 6, 7 minimised; 3 maximised
  bool HasPosition = false;  // the normal position applies (same pixels per inch, left < right)
  QRect Normal;              // the normal position (QRect with right/bottom exclusive)
};

// Reads the keys for a screen of `screen` size (falling back to the plain keys).
TPlacement ReadPlacement(const TWindowSettings& settings, std::string_view section, QSize screen, int ppi,
                         const QRect& current);

// Writes the keys of the widget's placement for its screen.
void SaveWindowPlacement(TWindowSettings& settings, std::string_view section, const QWidget* window);
// Applies the keys to the window (position, then the show state for the coming show()); true when
// a saved position was applied. `maximized` is set from "ShowCmd".
bool RestoreWindowPlacement(const TWindowSettings& settings, std::string_view section, QWidget* window,
                            bool& maximized);

}  // namespace kivra::shell
