// The chart of the statistics tab. The engine gives the series as data (titles, colours, points,
// labels); this class is the only place that knows the chart library.
#pragma once

#include <QWidget>
#include <vector>

#include "stats/StatView.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace kivra::shell {

class TStatChart : public QWidget {
  Q_OBJECT
 public:
  explicit TStatChart(QWidget* parent = nullptr);
  void SetSeries(const std::vector<TChartSeries>& series);
  void Clear();
  int SeriesCount() const;

 private:
  QChart* chart_;
  QChartView* view_;
};

}  // namespace kivra::shell
