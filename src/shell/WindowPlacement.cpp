#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <fmt/format.h>

#include "core/SortaUtils.h"
#include "core/WindowSettings.h"

namespace kivra::shell {

namespace {

QScreen* ScreenOf(const QWidget* w) {
  QScreen* s = w ? w->screen() : nullptr;
  return s ? s : QGuiApplication::primaryScreen();
}

QSize ScreenSize(const QScreen* s) { return s ? s->geometry().size() : QSize(1280, 800); }
int ScreenPpi(const QScreen* s) { return s ? qRound(s->logicalDotsPerInch()) : 96; }

std::string SizedKey(std::string_view key, QSize screen) {
  return fmt::format("{}_{}x{}", key, screen.width(), screen.height());
}

std::string ReadSized(const TWindowSettings& settings, std::string_view section, std::string_view key, QSize screen) {
  std::string v = settings.ReadSetting(section, SizedKey(key, screen), "");
  if (v.empty()) v = settings.ReadSetting(section, key, "");
  return v;
}

}  // namespace

QRect ParsePlacementRect(std::string_view text, const QRect& current) {
  int v[4] = {current.left(), current.top(), current.left() + current.width(), current.top() + current.height()};
  int n = 0;
  size_t i = 0;
  while (i < text.size() && n < 4) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
    size_t j = i;
    while (j < text.size() && text[j] != ',' && text[j] != ' ' && text[j] != '\t') ++j;
    if (j > i) {
      v[n] = StrToIntDef(text.substr(i, j - i), v[n]);
      ++n;
    }
    i = j;
  }
  return QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
}

TPlacement ReadPlacement(const TWindowSettings& settings, std::string_view section, QSize screen, int ppi,
                         const QRect& current) {
  TPlacement p;
  p.ShowCmd = static_cast<int>(settings.ReadSetting(section, "ShowCmd", int64_t{1}));
  const std::string norm = ReadSized(settings, section, "NormPos", screen);
  const int savedPpi = static_cast<int>(settings.ReadSetting(section, "PixelsPerInch", int64_t{0}));
  if (!norm.empty() && savedPpi == ppi) {
    p.Normal = ParsePlacementRect(norm, current);
    p.HasPosition = p.Normal.width() > 0;
  }
  return p;
}

void SaveWindowPlacement(TWindowSettings& settings, std::string_view section, const QWidget* window) {
  const QScreen* screen = ScreenOf(window);
  const QSize size = ScreenSize(screen);
  const QRect g = window->isMaximized() || window->isMinimized() ? window->normalGeometry() : window->geometry();
  const int showCmd = window->isMinimized() ? 2 : window->isMaximized() ? 3 : 1;
  const std::string norm = fmt::format("{},{},{},{}", g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
  const std::string minMax = "-1,-1,-1,-1";
  settings.WriteSetting(section, "Flags", int64_t{0});
  settings.WriteSetting(section, "ShowCmd", int64_t{showCmd});
  settings.WriteSetting(section, "PixelsPerInch", int64_t{ScreenPpi(screen)});
  settings.WriteSetting(section, "MinMaxPos", minMax);
  settings.WriteSetting(section, SizedKey("MinMaxPos", size), minMax);
  settings.WriteSetting(section, "NormPos", norm);
  settings.WriteSetting(section, SizedKey("NormPos", size), norm);
}

bool RestoreWindowPlacement(const TWindowSettings& settings, std::string_view section, QWidget* window,
                            bool& maximized) {
  const QScreen* screen = ScreenOf(window);
  const TPlacement p = ReadPlacement(settings, section, ScreenSize(screen), ScreenPpi(screen), window->geometry());
  if (p.HasPosition) {
    // A window that cannot be resized keeps its size and only moves.
    if (window->minimumSize() == window->maximumSize()) window->move(p.Normal.topLeft());
    else window->setGeometry(p.Normal);
    // Positions saved on another screen arrangement may lie outside this one: the window is
    // brought back onto the screen so its caption can be reached.
    if (screen) {
      const QRect avail = screen->availableGeometry();
      QRect g = window->geometry();
      g.setSize(g.size().boundedTo(avail.size()));
      g.moveLeft(std::clamp(g.left(), avail.left(), avail.right() - g.width() + 1));
      g.moveTop(std::clamp(g.top(), avail.top(), avail.bottom() - g.height() + 1));
      if (g != window->geometry()) window->setGeometry(g);
    }
  }
  maximized = p.ShowCmd == 3;
  return p.HasPosition;
}

}  // namespace kivra::shell
