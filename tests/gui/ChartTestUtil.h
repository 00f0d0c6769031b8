// Checks of what the program's chart shows: x axis captions that do not run into each other and a
// legend whose titles show in full.
#pragma once

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <algorithm>

#include "shell/StatChart.h"

namespace kivra::guitest {

// Runs the posted events a resize leaves: the widgets' layouts, then the chart's, which the first
// round posts.
inline void SettleLayout() {
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
}

// Empty when every caption the category x axis shows is upright, has its whole share of the axis
// and leaves a gap to its neighbours at the plot's width (and the axis shows at least one); else
// what is wrong.
inline QString CaptionsOverlap(shell::TStatChart* chart) {
  QCategoryAxis* axis = nullptr;
  for (QAbstractAxis* a : chart->Chart()->axes(Qt::Horizontal))
    if (auto* c = qobject_cast<QCategoryAxis*>(a)) axis = c;
  if (!axis) return QStringLiteral("no category axis");
  const QStringList labels = axis->categoriesLabels();
  if (labels.isEmpty()) return QStringLiteral("no captions");
  if (labels != chart->AxisCaptions()) return QStringLiteral("the axis and the chart's list differ");
  if (axis->labelsAngle() != 0) return QStringLiteral("captions turned");
  const double width = chart->Chart()->plotArea().width();
  const double perUnit = width / (axis->max() - axis->min());
  const QFontMetrics metrics(axis->labelsFont());
  // The chart library shows "..." for each caption when the axis's width shared among the captions
  // (one share more) is less than the widest and its padding.
  int widest = 0;
  for (const QString& label : labels) widest = std::max(widest, metrics.horizontalAdvance(label));
  if ((labels.size() + 1) * (widest + 10) > width)
    return QStringLiteral("%1 captions of %2 px in %3 px").arg(labels.size()).arg(widest).arg(width);
  for (int i = 1; i < labels.size(); ++i) {
    const double gap = (axis->endValue(labels[i]) - axis->endValue(labels[i - 1])) * perUnit;
    const double need = (metrics.horizontalAdvance(labels[i]) + metrics.horizontalAdvance(labels[i - 1])) / 2.0;
    if (gap <= need)
      return QStringLiteral("%1 and %2: %3 px apart, %4 needed").arg(labels[i - 1], labels[i]).arg(gap).arg(need);
  }
  return {};
}

// Empty when the legend shows each title whole: an entry of that text, visible, as wide as its text
// needs, inside the chart widget; else what is wrong.
inline QString LegendCut(shell::TStatChart* chart, const QStringList& titles) {
  const QList<QLabel*> texts = chart->Legend()->findChildren<QLabel*>("legendText");
  for (const QString& title : titles) {
    QLabel* shown = nullptr;
    for (QLabel* t : texts)
      if (t->text() == title) shown = t;
    if (!shown) return QStringLiteral("no entry: ") + title;
    if (!shown->isVisible()) return QStringLiteral("hidden: ") + title;
    if (shown->width() < shown->sizeHint().width()) return QStringLiteral("cut: ") + title;
    if (shown->toolTip() != title) return QStringLiteral("no tool tip: ") + title;
    const QRect at(shown->mapTo(chart, QPoint(0, 0)), shown->size());
    if (!chart->rect().contains(at)) return QStringLiteral("outside the chart: ") + title;
  }
  return {};
}

}  // namespace kivra::guitest
