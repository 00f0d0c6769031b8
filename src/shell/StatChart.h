// The program's chart: titled line series given as data (titles, colours, points, labels, point
// marks and value labels). The statistics tab and the chart window draw with it; this class is the
// only place that knows the chart library. Its legend lies under the chart and wraps its entries
// onto further lines, so each series title shows in full; the x axis shows only as many of the
// points' captions as fit side by side at the chart's width.
#pragma once

#include <QStringList>
#include <QWidget>
#include <utility>
#include <vector>

#include "core/ChartData.h"

QT_BEGIN_NAMESPACE
class QBarSet;
class QCategoryAxis;
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
  // The legend under the chart: one entry per series, a colour mark and the full title (also its
  // tool tip).
  QWidget* Legend() const { return legend_; }
  // The points' captions the x axis shows now (empty when it shows plain numbers).
  QStringList AxisCaptions() const;

  // Shows or hides the value labels of the series that were given with them.
  void SetValueLabelsVisible(bool visible);
  bool ValueLabelsVisible() const { return labelsVisible_; }
  // The series given with value labels.
  int LabelledSeriesCount() const { return static_cast<int>(labelled_.size()); }
  // The colour a series is drawn in (its own or the automatic one), by its index in the data.
  QColor SeriesColor(int index) const;

 private:
  void SetBars(const std::vector<TChartSeries>& series);
  void AddLegendEntry(const QString& title, const QColor& color);
  // Puts on the category axis every k-th caption, k the least of 1, 2, 5, 10, 20, 50... whose
  // captions keep a gap between them at the plot's width; captions that still come too close to
  // the one before (uneven places) are left out.
  void FitCaptions();

  QChart* chart_;
  QChartView* view_;
  QWidget* legend_;
  bool legendWanted_ = true;
  QCategoryAxis* captionAxis_ = nullptr;
  std::vector<std::pair<double, QString>> captions_;  // every caption of the category axis, by place
  double captionMin_ = 0, captionMax_ = 0;            // the category axis's range
  QStringList shownCaptions_;
  std::vector<QXYSeries*> lines_;
  std::vector<QBarSet*> bars_;
  std::vector<QXYSeries*> labelled_;
  bool labelsVisible_ = true;
};

}  // namespace kivra::shell
