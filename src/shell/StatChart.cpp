#include "shell/StatChart.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPixmap>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "shell/FlowLayout.h"
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

TStatChart::TStatChart(QWidget* parent)
    : QWidget(parent), chart_(new QChart), view_(new QChartView(chart_, this)), legend_(new QWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(view_, 1);
  layout->addWidget(legend_);
  view_->setRenderHint(QPainter::Antialiasing);
  // The chart's own legend cuts long titles on one line; the legend below wraps them instead.
  chart_->legend()->hide();
  chart_->setMargins(QMargins(4, 4, 4, 4));
  chart_->setBackgroundRoundness(0);
  legend_->setObjectName("legend");
  auto* flow = new TFlowLayout(legend_, 14);
  flow->setContentsMargins(6, 0, 6, 2);
  legend_->hide();
  connect(chart_, &QChart::plotAreaChanged, this, [this] { FitCaptions(); });
}

void TStatChart::AddLegendEntry(const QString& title, const QColor& color) {
  if (title.isEmpty()) return;
  auto* entry = new QWidget(legend_);
  entry->setToolTip(title);
  auto* row = new QHBoxLayout(entry);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  const int side = std::max(8, fontMetrics().height() * 2 / 3);
  QPixmap mark(side, side);
  mark.fill(color);
  {
    QPainter painter(&mark);
    painter.setPen(color.darker(150));
    painter.drawRect(0, 0, side - 1, side - 1);
  }
  auto* markLabel = new QLabel(entry);
  markLabel->setPixmap(mark);
  auto* text = new QLabel(title, entry);
  text->setObjectName("legendText");
  text->setToolTip(title);
  row->addWidget(markLabel);
  row->addWidget(text);
  legend_->layout()->addWidget(entry);
  legend_->setVisible(legendWanted_);
}

QStringList TStatChart::AxisCaptions() const { return shownCaptions_; }

void TStatChart::FitCaptions() {
  if (!captionAxis_ || captions_.empty()) return;
  const double width = chart_->plotArea().width();
  const double span = captionMax_ - captionMin_;
  // Before the first layout every caption is a candidate; the layout calls again.
  const double perUnit = width > 0 && span > 0 ? width / span : 0;
  const QFontMetrics metrics(captionAxis_->labelsFont());
  int widest = 0;
  for (const auto& c : captions_) widest = std::max(widest, metrics.horizontalAdvance(c.second));
  // The chart library cuts a caption to "..." when the axis's width shared among all of its
  // captions (one share more than there are) leaves less than the text and its padding of 4 px on
  // each side; neighbours keep the gap of two spaces besides.
  const double share = widest + 14;
  const double gap = std::max(share, widest + 2.0 * metrics.horizontalAdvance(QLatin1Char(' ')));
  const size_t n = captions_.size();
  // Every step-th caption, numeric ones at the multiples of the step (5, 10, 15... rather than 1, 6,
  // 11...), leaving out those that come too close to the one before (uneven places).
  auto pick = [&](size_t step) {
    bool numeric = false;
    const int first = captions_.front().second.toInt(&numeric);
    size_t phase = numeric && first >= 0 ? (step - size_t(first) % step) % step : 0;
    if (phase >= n) phase = 0;
    std::vector<std::pair<double, QString>> kept;
    for (size_t i = phase; i < n; i += step)
      if (kept.empty() || (captions_[i].first - kept.back().first) * perUnit >= gap) kept.push_back(captions_[i]);
    return kept;
  };
  // The least step whose even spacing leaves the gap and whose captions get their share.
  const double meanGap = n > 1 ? (captions_.back().first - captions_.front().first) / double(n - 1) : 1;
  std::vector<std::pair<double, QString>> kept = pick(1);
  bool fits = perUnit <= 0 || (meanGap * perUnit >= gap && double(kept.size() + 1) * share <= width);
  for (size_t m = 1; !fits && m < 10 * n; m *= 10)
    for (size_t k : {m, 2 * m, 5 * m}) {
      if (double(k) * meanGap * perUnit < gap) continue;
      kept = pick(k);
      fits = double(kept.size() + 1) * share <= width;
      if (fits) break;
    }
  QStringList shown;
  for (const auto& c : kept) shown << c.second;
  if (shown == shownCaptions_) return;
  shownCaptions_ = shown;
  for (const QString& label : captionAxis_->categoriesLabels()) captionAxis_->remove(label);
  for (const auto& [x, caption] : kept) captionAxis_->append(caption, x);
  captionAxis_->setRange(captionMin_, captionMax_);
}

int TStatChart::SeriesCount() const { return static_cast<int>(lines_.size() + bars_.size()); }

QColor TStatChart::SeriesColor(int index) const {
  if (index < 0 || index >= SeriesCount()) return QColor();
  return bars_.empty() ? lines_[size_t(index)]->pen().color() : bars_[size_t(index)]->color();
}

void TStatChart::SetLegendVisible(bool visible) {
  legendWanted_ = visible;
  legend_->setVisible(visible && legend_->layout()->count() > 0);
}

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
  captionAxis_ = nullptr;
  captions_.clear();
  shownCaptions_.clear();
  while (QLayoutItem* item = legend_->layout()->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  legend_->hide();
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
    QStringList seen;
    for (auto [x, caption] : captions) {
      // Category labels must be unique; repeated captions get an invisible distinction.
      while (seen.contains(caption)) caption += QChar(0x200B);
      seen << caption;
      captions_.emplace_back(x, caption);
    }
    captionMin_ = minX - 0.5;
    captionMax_ = maxX + 0.5;
    captionAxis_ = cat;
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
  FitCaptions();

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
    AddLegendEntry(line->name(), color);
    // Pointing at the line names it with the value there.
    connect(line, &QXYSeries::hovered, this, [line](const QPointF& at, bool over) {
      if (over)
        QToolTip::showText(QCursor::pos(), line->name() + QStringLiteral(": ") + QString::number(at.y(), 'g', 6));
      else QToolTip::hideText();
    });
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
    AddLegendEntry(set->label(), set->color());
    connect(set, &QBarSet::hovered, this, [set](bool over, int index) {
      if (over)
        QToolTip::showText(QCursor::pos(),
                           set->label() + QStringLiteral(": ") + QString::number(set->at(index), 'g', 6));
      else QToolTip::hideText();
    });
  }
  bars->setBarWidth(0.7);
  // The bars stand at 0, 1, ...; each carries its point's caption, upright when many share the width.
  auto* axisX = new QCategoryAxis;
  axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  const auto& points = series.front().Points;
  QStringList seen;
  for (size_t i = 0; i < points.size(); ++i) {
    QString caption = ToQ(points[i].Label);
    while (seen.contains(caption)) caption += QChar(0x200B);
    seen << caption;
    captions_.emplace_back(static_cast<double>(i), caption);
  }
  captionMin_ = -0.5;
  captionMax_ = static_cast<double>(points.size()) - 0.5;
  captionAxis_ = axisX;
  auto* axisY = new QValueAxis;
  axisY->setRange(minY < 0 ? minY * 1.05 : 0, maxY * 1.05);
  axisY->applyNiceNumbers();
  axisY->setLabelFormat("%g");
  chart_->addSeries(bars);
  chart_->addAxis(axisX, Qt::AlignBottom);
  chart_->addAxis(axisY, Qt::AlignLeft);
  bars->attachAxis(axisX);
  bars->attachAxis(axisY);
  FitCaptions();
}

}  // namespace kivra::shell
