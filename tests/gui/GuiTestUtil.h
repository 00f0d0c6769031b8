// Helpers shared by the Qt Test programs.
#pragma once

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace kivra::guitest {

// Saves what the widget shows as <build>/screens/<name>.png, for people to look at.
inline void SaveScreen(QWidget* widget, const QString& name) {
  QDir().mkpath(QStringLiteral(KIVRA_SCREENS));
  widget->grab().save(QStringLiteral(KIVRA_SCREENS) + "/" + name + ".png");
}

}  // namespace kivra::guitest
