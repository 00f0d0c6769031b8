#include "shell/UnitWait.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivra::shell {

TWaitWindow::TWaitWindow(const QString& text, QWidget* parent, const QString& title, const QString& button)
    : QDialog(parent) {
  setObjectName("WaitWindow");
  setWindowTitle(title);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(text);
  label->setObjectName("lbWait");
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumWidth(280);
  layout->addWidget(label);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText(button);
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnStop");
  connect(buttons, &QDialogButtonBox::rejected, this, &TWaitWindow::reject);
  layout->addWidget(buttons);
  setModal(false);
}

void TWaitWindow::SetText(const QString& text) {
  if (auto* label = findChild<QLabel*>("lbWait")) label->setText(text);
}

void TWaitWindow::reject() {
  cancelled_ = true;
  if (auto* button = findChild<QPushButton*>()) button->setEnabled(false);
}

}  // namespace kivra::shell
