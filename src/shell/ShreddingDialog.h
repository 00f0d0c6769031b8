// The dialog "Методы шинковки": the three formulas of the shredding statistic, each with the
// number of digits after the point it uses. The texts are taken as typed (a formula that does not
// evaluate gives 0).
#pragma once

#include <QDialog>
#include <array>

#include "core/Config.h"

class QLineEdit;
class QSpinBox;

namespace kivra::shell {

class TShreddingDialog : public QDialog {
  Q_OBJECT
 public:
  TShreddingDialog(QWidget* parent, const TShreddingConfig& shredding);

  TShreddingConfig Result() const;
  QLineEdit* FormulaField(int k) const { return formulas_[size_t(k)]; }
  QSpinBox* DigitsField(int k) const { return digits_[size_t(k)]; }

 private:
  std::array<QLineEdit*, 3> formulas_{};
  std::array<QSpinBox*, 3> digits_{};
};

}  // namespace kivra::shell
