#include "shell/StatChart.h"

#include <QBarSeries>
#include <QBarSet>
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
#include <array>
#include <cmath>
#include <map>

#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {
QColor Q(const TRgb& c) { return QColor(c.R, c.G, c.B); }
// Captions are written under the points only while they stay readable.
constexpr size_t MaxCaptionLabels = 40;
// Colours of the series that leave the choice to the chart, in turn: distinct on white.
constexpr std::array<QRgb, 10> AutoColors = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E, 0x9467BD,
                                             0x8C564B, 0xE377C2, 0x17BECF, 0xBCBD22, 0x000080};

// A step of 1, 2 or 5 times a power of ten, at least 1, near `raw`.
double IntegerStep(double raw) {
  if (raw <= 1) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * power >= raw) return m * power;
  return 10 * power;
}
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

int TStatChart::SeriesCount() const { return static_cast<int>(lines_.size() + bars_.size()); }

QColor TStatChart::SeriesColor(int index) const {
  if (index < 0 || index >= SeriesCount()) return QColor();
  return bars_.empty() ? lines_[size_t(index)]->pen().color() : bars_[size_t(index)]->color();
}

void TStatChart::SetLegendVisible(bool visible) { chart_->legend()->setVisible(visible); }

void TStatChart::SetTitle(const QString& title) {
  QFont font = chart_->titleFont();
  font.setBold(true);
  chart_->setTitleFont(font);
  chart_->setTitle(title);
}

void TStatChart::Clear() {
  lines_.clear();
  bars_.clear();
  labelled_.clear();
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
}

void TStatChart::SetValueLabelsVisible(bool visible) {
  labelsVisible_ = visible;
  for (QXYSeries* s : labelled_) s->setPointLabelsVisible(visible);
}

void TStatChart::SetSeries(const std::vector<TChartSeries>& series) {
  Clear();
  if (series.empty()) return;
  if (std::all_of(series.begin(), series.end(), [](const TChartSeries& s) { return s.Bars; })) {
    SetBars(series);
    return;
  }

  double minX = 0, maxX = 1, minY = 0, maxY = 1;
  bool first = true;
  for (const auto& s : series)
    for (const auto& p : s.Points) {
      const double x = static_cast<double>(p.X), y = static_cast<double>(p.Y);
      minX = first ? x : std::min(minX, x);
      maxX = first ? x : std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
      first = false;
    }
  if (maxX <= minX) maxX = minX + 1;

  // The x axis: the points' captions when there are few places on it, else plain integers. Each
  // place takes the caption of the longest series that has a point there.
  std::vector<const TChartSeries*> byLength;
  for (const auto& s : series) byLength.push_back(&s);
  std::stable_sort(byLength.begin(), byLength.end(),
                   [](const TChartSeries* a, const TChartSeries* b) { return a->Points.size() > b->Points.size(); });
  std::map<double, QString> captions;
  for (const TChartSeries* s : byLength)
    for (const auto& p : s->Points) captions.emplace(static_cast<double>(p.X), ToQ(p.Label));
  QAbstractAxis* axisX = nullptr;
  if (!captions.empty() && captions.size() <= MaxCaptionLabels) {
    auto* cat = new QCategoryAxis;
    cat->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (auto [x, caption] : captions) {
      // Category labels must be unique; repeated captions get an invisible distinction.
      while (cat->categoriesLabels().contains(caption)) caption += QChar(0x200B);
      cat->append(caption, x);
    }
    cat->setRange(minX - 0.5, maxX + 0.5);
    if (captions.size() > 15) cat->setLabelsAngle(-90);
    axisX = cat;
  } else {
    auto* val = new QValueAxis;
    val->setRange(minX, maxX);
    val->setLabelFormat("%.0f");
    const double step = IntegerStep((maxX - minX) / 10);
    val->setTickType(QValueAxis::TicksDynamic);
    val->setTickAnchor(std::floor(minX / step) * step);
    val->setTickInterval(step);
    axisX = val;
  }
  auto* axisY = new QValueAxis;
  axisY->setRange(minY < 0 ? minY * 1.05 : 0, maxY * 1.05);
  axisY->applyNiceNumbers();
  axisY->setLabelFormat("%g");
  chart_->addAxis(axisX, Qt::AlignBottom);
  chart_->addAxis(axisY, Qt::AlignLeft);

  QFont labelFont = font();
  labelFont.setPointSizeF(std::max(6.0, labelFont.pointSizeF() - 1));
  size_t autoColor = 0;
  for (const auto& s : series) {
    const QColor color = s.AutoColor ? QColor(AutoColors[autoColor++ % AutoColors.size()]) : Q(s.Color);
    auto* line = new QLineSeries;
    line->setName(ToQ(s.Title));
    QPen pen(color);
    pen.setWidth(s.LineWidth);
    line->setPen(pen);
    for (const auto& p : s.Points) line->append(static_cast<double>(p.X), static_cast<double>(p.Y));
    chart_->addSeries(line);
    line->attachAxis(axisX);
    line->attachAxis(axisY);
    lines_.push_back(line);
    if (s.PointMarks && !s.Points.empty()) {
      auto* marks = new QScatterSeries;
      marks->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
      marks->setMarkerSize(std::max(2, s.PointSize) + 2);
      marks->setColor(color);
      marks->setBorderColor(s.AutoColor ? color.darker(130) : Q(s.PointOutline));
      for (const auto& p : s.Points) marks->append(static_cast<double>(p.X), static_cast<double>(p.Y));
      chart_->addSeries(marks);
      marks->attachAxis(axisX);
      marks->attachAxis(axisY);
      // The marks belong to their line: no legend entry of their own.
      for (auto* marker : chart_->legend()->markers(marks)) marker->setVisible(false);
    }
    if (s.ValueLabels) {
      // The value above each point, without a frame.
      line->setPointLabelsFormat(QStringLiteral("@yPoint"));
      line->setPointLabelsFont(labelFont);
      line->setPointLabelsColor(color.darker(150));
      line->setPointLabelsClipping(true);
      line->setPointLabelsVisible(labelsVisible_);
      labelled_.push_back(line);
    }
  }
}

void TStatChart::SetBars(const std::vector<TChartSeries>& series) {
  // One bar set per series over the categories of the first one's points.
  auto* bars = new QBarSeries;
  double maxY = 1, minY = 0;
  for (const auto& s : series) {
    auto* set = new QBarSet(ToQ(s.Title));
    set->setColor(s.AutoColor ? QColor(AutoColors[bars_.size() % AutoColors.size()]) : Q(s.Color));
    set->setBorderColor(set->color());
    for (const auto& p : s.Points) {
      set->append(static_cast<double>(p.Y));
      maxY = std::max(maxY, static_cast<double>(p.Y));
      minY = std::min(minY, static_cast<double>(p.Y));
    }
    bars->append(set);
    bars_.push_back(set);
  }
  bars->setBarWidth(0.7);
  // The bars stand at 0, 1, ...; each carries its point's caption, upright when many share the width.
  auto* axisX = new QCategoryAxis;
  axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  const auto& points = series.front().Points;
  for (size_t i = 0; i < points.size(); ++i) {
    QString caption = ToQ(points[i].Label);
    while (axisX->categoriesLabels().contains(caption)) caption += QChar(0x200B);
    axisX->append(caption, static_cast<double>(i));
  }
  axisX->setRange(-0.5, static_cast<double>(points.size()) - 0.5);
  if (points.size() > 15) axisX->setLabelsAngle(-90);
  auto* axisY = new QValueAxis;
  axisY->setRange(minY < 0 ? minY * 1.05 : 0, maxY * 1.05);
  axisY->applyNiceNumbers();
  axisY->setLabelFormat("%g");
  chart_->addSeries(bars);
  chart_->addAxis(axisX, Qt::AlignBottom);
  chart_->addAxis(axisY, Qt::AlignLeft);
  bars->attachAxis(axisX);
  bars->attachAxis(axisY);
}

}  // namespace kivra::shell
