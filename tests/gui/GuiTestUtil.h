// Helpers shared by the Qt Test programs.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "shell/MainWindow.h"

namespace kivra::guitest {

// The bound of every wait for something the window does: it only catches a hang, so it is far
// above what a sanitized build on a busy machine needs.
inline constexpr int StallMs = 120000;

// What the window's port showed instead of a message box.
struct TShownMessage {
  TMessageKind Kind;
  QString Caption;
  QString Text;
};

// Takes the place of the window's message boxes: the messages shown, in order, and the answers
// queued for the questions (each question takes the next one, or its default when none is left).
class TMessageLog : public std::vector<TShownMessage> {
 public:
  std::vector<bool> Answers;

  void Attach(shell::TTemplateMain& window) {
    window.Port().SetInterceptor([this](TMessageKind kind, const QString& caption, const QString& text, bool def) {
      push_back({kind, caption, text});
      if (kind != TMessageKind::Question) return false;
      if (Answers.empty()) return def;
      const bool answer = Answers.front();
      Answers.erase(Answers.begin());
      return answer;
    });
  }
  // The texts in the order shown.
  std::vector<QString> Texts() const {
    std::vector<QString> texts;
    for (const auto& m : *this) texts.push_back(m.Text);
    return texts;
  }
};

// Shows the window at its saved place (at the given size, when one is given) and, unless told not
// to, waits until its initialisation is done (archive loaded, list made, tables shown).
inline bool StartWindow(shell::TTemplateMain& window, QSize size = {}, bool waitInit = true) {
  QSignalSpy ready(&window, &shell::TTemplateMain::InitialisationDone);
  if (size.isValid()) window.resize(size);
  window.ShowPlaced();
  return !waitInit || ready.wait(StallMs);
}

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

// Acts once on the named widget of type W under root as soon as it is visible (the command that
// shows it keeps processing events meanwhile). The watch ends with root at the latest.
template <class W>
void WhenVisible(QObject* root, const char* name, std::function<void(W*)> act) {
  auto* timer = new QTimer(root);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, root, name, act] {
    auto* widget = root->findChild<W*>(name);
    if (!widget || !widget->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(widget);
  });
  timer->start();
}

}  // namespace kivra::guitest
