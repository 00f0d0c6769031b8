// The chart window "График": one chart given as data, under a panel with the check box that shows or
// hides the value labels, and under the table of figures and the notes the data brings, if any. The
// stake charts of the ratings, the draw charts and the comparison with chance open it.
#pragma once

#include <QDialog>

#include "core/ChartData.h"

class QCheckBox;

namespace kivra::shell {

class TStatChart;

class TChartWindow : public QDialog {
  Q_OBJECT
 public:
  // The window's title is the chart's title.
  explicit TChartWindow(const TChartData& data, QWidget* parent = nullptr);

  TStatChart* Chart() const { return chart_; }
  QCheckBox* LabelsBox() const { return labelsBox_; }

  // Shows the chart modally; the window is freed when it closes.
  static void ShowModal(const TChartData& data, QWidget* parent);

 private:
  TStatChart* chart_;
  QCheckBox* labelsBox_;
};

}  // namespace kivra::shell
