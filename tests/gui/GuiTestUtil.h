// Helpers shared by the Qt Test programs.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kivra::guitest {

// Saves what the widget shows as <build>/screens/<name>.png, for people to look at.
inline void SaveScreen(QWidget* widget, const QString& name) {
  QDir().mkpath(QStringLiteral(KIVRA_SCREENS));
  widget->grab().save(QStringLiteral(KIVRA_SCREENS) + "/" + name + ".png");
}

// The child widget of that name and type; stops the test program when there is none.
template <class T>
T* Child(QWidget* parent, const char* name) {
  T* w = parent->findChild<T*>(name);
  if (!w) qFatal("no child %s", name);
  return w;
}

// Clicks the named push button of a dialog or window.
inline void ClickButton(QWidget* parent, const char* name) {
  QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

// Confirms a dialog with its OK button.
inline void ClickOk(QWidget* dialog) { ClickButton(dialog, "btnOk"); }

// Acts on the next modal dialog of type D once it shows (the command's exec() waits meanwhile).
template <class D>
void WhenModal(std::function<void(D*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    }
  });
  timer->start();
}

}  // namespace kivra::guitest
