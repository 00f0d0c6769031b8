#include "shell/ShellPort.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace kivra::shell {

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FromQ(const QString& text) { return text.toUtf8().toStdString(); }

QString MessageText(std::string_view text) { return ToQ(MessageForTerminal(text)); }

void TShellPort::ShowProgress(std::string_view text) {
  progress_ = ToQ(text);
  if (panels_[6]) {
    panels_[6]->setText(progress_);
    panels_[6]->setToolTip(progress_);
    panels_[6]->repaint();
  }
  // Lets the window repaint. Input waits until the operation ends: no command may start, and no
  // list may change under the operation that is running.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TShellPort::SetStatusText(int panel, std::string_view text) {
  if (panel >= 0 && panel < 7 && panels_[panel]) {
    // The tool tip shows the whole text when the panel is too narrow for it.
    panels_[panel]->setText(ToQ(text));
    panels_[panel]->setToolTip(panels_[panel]->text());
  }
}

bool TShellPort::Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) {
  const QString qcaption = ToQ(caption);
  const QString qtext = MessageText(text);
  if (interceptor_) return interceptor_(kind, qcaption, qtext, defaultYes);

  QMessageBox box(owner_);
  box.setWindowTitle(qcaption);
  box.setText(qtext);
  switch (kind) {
    case TMessageKind::Error: box.setIcon(QMessageBox::Critical); break;
    case TMessageKind::Info: box.setIcon(QMessageBox::Information); break;
    case TMessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMessageKind::Question: box.setIcon(QMessageBox::Question); break;
  }
  QPushButton* yes = nullptr;
  if (kind == TMessageKind::Question) {
    yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(defaultYes ? yes : no);
    box.setEscapeButton(no);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // A box shown while busy still gets the normal cursor.
  const bool busy = !IsIdle();
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  return yes && box.clickedButton() == yes;
}

void TShellPort::BusyChanged(bool busy) {
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
  emit BusyStateChanged(busy);
}

}  // namespace kivra::shell
