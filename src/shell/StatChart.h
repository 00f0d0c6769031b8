// The program's chart: titled line series given as data (titles, colours, points, labels, point
// marks and value labels). The statistics tab and the chart window draw with it; this class is the
// only place that knows the chart library.
#pragma once

#include <QWidget>
#include <vector>

#include "core/ChartData.h"

QT_BEGIN_NAMESPACE
class QBarSet;
class QChart;
class QChartView;
class QXYSeries;
QT_END_NAMESPACE

namespace kivra::shell {

class TStatChart : public QWidget {
  Q_OBJECT
 public:
  explicit TStatChart(QWidget* parent = nullptr);
  void SetSeries(const std::vector<TChartSeries>& series);
  void SetTitle(const QString& title);
  void Clear();
  // Series of the data (the point marks drawn beside a line are not counted).
  int SeriesCount() const;
  // True when the series were given as bars (drawn over the points' labels as categories).
  bool ShowsBars() const { return !bars_.empty(); }
  void SetLegendVisible(bool visible);
  QChart* Chart() const { return chart_; }

  // Shows or hides the value labels of the series that were given with them.
  void SetValueLabelsVisible(bool visible);
  bool ValueLabelsVisible() const { return labelsVisible_; }
  // The series given with value labels.
  int LabelledSeriesCount() const { return static_cast<int>(labelled_.size()); }
  // The colour a series is drawn in (its own or the automatic one), by its index in the data.
  QColor SeriesColor(int index) const;

 private:
  void SetBars(const std::vector<TChartSeries>& series);

  QChart* chart_;
  QChartView* view_;
  std::vector<QXYSeries*> lines_;
  std::vector<QBarSet*> bars_;
  std::vector<QXYSeries*> labelled_;
  bool labelsVisible_ = true;
};

}  // namespace kivra::shell
