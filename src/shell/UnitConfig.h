// The dialog "Параметры системы": stake cost and prizes, the weight coefficients of the statistics
// table, the matrix with its segments and the channel width. It edits a copy of the configuration.
#pragma once

#include <QDialog>

#include "core/Config.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TEditConfigDialog : public QDialog {
  Q_OBJECT
 public:
  TEditConfigDialog(QWidget* parent, const TConfigData& data, TUserPort& port);

  // The copy filled from the controls: the prize table gets one entry per row (the row's key and
  // its value times 10000, rounded); fields that were not changed keep their exact values.
  TConfigData Result() const;

 private:
  // The segment values of the grid in number order (an empty cell reads as 1).
  std::array<uint8_t, MaxNumber> ReadSegments() const;
  // Lays the grid out for the column count and writes the values in number order.
  void FillSegments(int cols, const std::array<uint8_t, MaxNumber>& segments);
  void ColumnsChanged(int cols);
  void SegmentEdited(QTableWidgetItem* item);

  TConfigData data_;
  TUserPort& port_;

  QDoubleSpinBox* cost_;
  QSpinBox* maxStake_;
  QTableWidget* profits_;
  QDoubleSpinBox* coefCount_;
  QDoubleSpinBox* coefDeviation_;
  QDoubleSpinBox* coefLevel_;
  QCheckBox* usePercents_;
  QCheckBox* useAbsValues_;
  QSpinBox* cols_;
  QLineEdit* rows_;
  QTableWidget* segments_;
  QSpinBox* channel_;

  // What the number fields showed at the start: an untouched field keeps the exact value.
  double shownCost_ = 0;
  double shownCoefs_[3] = {};
  bool fillingSegments_ = false;
};

}  // namespace kivra::shell
