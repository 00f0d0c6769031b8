#include "shell/StatChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {
QColor Q(const TRgb& c) { return QColor(c.R, c.G, c.B); }
// Captions are written under the points only while they stay readable.
constexpr size_t MaxCaptionLabels = 40;
}  // namespace

TStatChart::TStatChart(QWidget* parent) : QWidget(parent), chart_(new QChart), view_(new QChartView(chart_, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  view_->setRenderHint(QPainter::Antialiasing);
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chart_->setMargins(QMargins(4, 4, 4, 4));
  chart_->setBackgroundRoundness(0);
}

int TStatChart::SeriesCount() const { return static_cast<int>(chart_->series().size()); }

void TStatChart::Clear() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
}

void TStatChart::SetSeries(const std::vector<TChartSeries>& series) {
  Clear();
  if (series.empty()) return;

  double minX = 0, maxX = 1, maxY = 1;
  bool first = true;
  for (const auto& s : series)
    for (const auto& p : s.Points) {
      const double x = static_cast<double>(p.X), y = static_cast<double>(p.Y);
      minX = first ? x : std::min(minX, x);
      maxX = first ? x : std::max(maxX, x);
      maxY = std::max(maxY, y);
      first = false;
    }
  if (maxX <= minX) maxX = minX + 1;

  // The x axis: the captions of the longest series when there are few points, else plain numbers.
  const TChartSeries* labelled = nullptr;
  for (const auto& s : series)
    if (!labelled || s.Points.size() > labelled->Points.size()) labelled = &s;
  QAbstractAxis* axisX = nullptr;
  if (labelled && !labelled->Points.empty() && labelled->Points.size() <= MaxCaptionLabels) {
    auto* cat = new QCategoryAxis;
    cat->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (const auto& p : labelled->Points) {
      QString label = ToQ(p.Label);
      // Category labels must be unique; repeated captions get an invisible distinction.
      while (cat->categoriesLabels().contains(label)) label += QChar(0x200B);
      cat->append(label, static_cast<double>(p.X));
    }
    cat->setRange(minX - 0.5, maxX + 0.5);
    if (labelled->Points.size() > 15) cat->setLabelsAngle(-90);
    axisX = cat;
  } else {
    auto* val = new QValueAxis;
    val->setRange(minX, maxX);
    val->applyNiceNumbers();
    val->setLabelFormat("%g");
    axisX = val;
  }
  auto* axisY = new QValueAxis;
  axisY->setRange(0, maxY * 1.05);
  axisY->applyNiceNumbers();
  axisY->setLabelFormat("%g");
  chart_->addAxis(axisX, Qt::AlignBottom);
  chart_->addAxis(axisY, Qt::AlignLeft);

  for (const auto& s : series) {
    auto* line = new QLineSeries;
    line->setName(ToQ(s.Title));
    QPen pen(Q(s.Color));
    pen.setWidth(s.LineWidth);
    line->setPen(pen);
    for (const auto& p : s.Points) line->append(static_cast<double>(p.X), static_cast<double>(p.Y));
    chart_->addSeries(line);
    line->attachAxis(axisX);
    line->attachAxis(axisY);
    if (s.PointMarks && !s.Points.empty()) {
      auto* marks = new QScatterSeries;
      marks->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
      marks->setMarkerSize(std::max(2, s.PointSize) + 2);
      marks->setColor(Q(s.Color));
      marks->setBorderColor(Q(s.PointOutline));
      for (const auto& p : s.Points) marks->append(static_cast<double>(p.X), static_cast<double>(p.Y));
      chart_->addSeries(marks);
      marks->attachAxis(axisX);
      marks->attachAxis(axisY);
      // The marks belong to their line: no legend entry of their own.
      for (auto* marker : chart_->legend()->markers(marks)) marker->setVisible(false);
    }
  }
}

}  // namespace kivra::shell
