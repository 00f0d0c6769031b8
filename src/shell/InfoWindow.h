// The window "Подробная информация": a draw's or a combination's numbers placed on the number
// matrix (the column count can be changed), and the value every chartable statistic gives it.
#pragma once

#include <QDialog>

#include "views/InfoView.h"

class QSpinBox;
class QTableWidget;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TInfoWindow : public QDialog {
  Q_OBJECT
 public:
  TInfoWindow(TWorkspace& ws, const TInfoSubject& subject, QWidget* parent = nullptr);

  QTableWidget* Card() const { return card_; }
  QSpinBox* ColumnsField() const { return edColumns_; }
  QTableWidget* List() const { return list_; }

  // Opens the window for the subject modally; it is freed when it closes.
  static void ShowModal(TWorkspace& ws, const TInfoSubject& subject, QWidget* parent);

 private:
  // Empties the card and places the numbers on the field's column count.
  void FillCard();

  TWorkspace& ws_;
  TInfoSubject subject_;
  QTableWidget* card_;
  QSpinBox* edColumns_;
  QTableWidget* list_;
};

}  // namespace kivra::shell
