#include "shell/ShreddingDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

TShreddingDialog::TShreddingDialog(QWidget* parent, const TShreddingConfig& shredding) : QDialog(parent) {
  setObjectName("TFormShredding");
  setWindowTitle(QStringLiteral("Методы шинковки"));
  auto* v = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const QString formulaHint = QStringLiteral("Используемая формула");
  const QString digitsHint = QStringLiteral("Количество используемых знаков после запятой");
  for (int k = 0; k < 3; ++k) {
    auto* label = new QLabel(QStringLiteral("Формула %1:").arg(k + 1));
    auto* edit = new QLineEdit(ToQ(shredding.Formulas[size_t(k)]));
    edit->setObjectName(QStringLiteral("edFormula%1").arg(k + 1));
    edit->setMinimumWidth(280);
    edit->setToolTip(formulaHint);
    edit->setStatusTip(formulaHint);
    auto* spin = new QSpinBox;
    spin->setObjectName(QStringLiteral("edDigits%1").arg(k + 1));
    spin->setRange(1, 5);
    spin->setValue(std::clamp(shredding.Digits[size_t(k)], 1, 5));
    spin->setToolTip(digitsHint);
    spin->setStatusTip(digitsHint);
    label->setBuddy(edit);
    grid->addWidget(label, k, 0);
    grid->addWidget(edit, k, 1);
    grid->addWidget(spin, k, 2);
    formulas_[size_t(k)] = edit;
    digits_[size_t(k)] = spin;
  }
  v->addLayout(grid);
  auto* info =
      new QLabel(QStringLiteral("Используемые переменные:\n"
                                "n1, n2, n3, ..., nX - числа текущего тиража\n"
                                "p1, p2, p3, ..., pX - числа предыдущего тиража"));
  info->setObjectName("lbVariables");
  v->addWidget(info);
  v->addWidget(MakeOkCancel(this));
}

TShreddingConfig TShreddingDialog::Result() const {
  TShreddingConfig result;
  for (size_t k = 0; k < 3; ++k) {
    result.Formulas[k] = FromQ(formulas_[k]->text());
    result.Digits[k] = digits_[k]->value();
  }
  return result;
}

}  // namespace kivra::shell
