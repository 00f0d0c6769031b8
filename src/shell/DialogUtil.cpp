#include "shell/DialogUtil.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "core/SysFormat.h"

namespace kivra::shell {

QDialogButtonBox* MakeOkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->setObjectName("buttons");
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  ok->setObjectName("btnOk");
  cancel->setText(QStringLiteral("Отмена"));
  cancel->setObjectName("btnCancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLocale NumberLocale() {
  // Russian writes "1 234,56"; the C locale "1,234.56".
  QLocale locale = DecimalSeparator() == ',' ? QLocale(QLocale::Russian, QLocale::Russia) : QLocale::c();
  locale.setNumberOptions(QLocale::DefaultNumberOptions);
  return locale;
}

}  // namespace kivra::shell
