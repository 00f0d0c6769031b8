#include "shell/ChartWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/ShellPort.h"
#include "shell/StatChart.h"

namespace kivra::shell {

namespace {
constexpr int DesignWidth = 860;
constexpr int DesignHeight = 580;
}  // namespace

TChartWindow::TChartWindow(const TChartData& data, QWidget* parent)
    : QDialog(parent),
      chart_(new TStatChart),
      labelsBox_(new QCheckBox(QStringLiteral("Отображать метки на графиках"))) {
  setObjectName("TFormGraph");
  setWindowTitle(data.Title.empty() ? QStringLiteral("График") : ToQ(data.Title));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  setSizeGripEnabled(true);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 4, 4, 4);
  auto* panel = new QHBoxLayout;
  labelsBox_->setObjectName("chkLabels");
  labelsBox_->setChecked(true);
  panel->addWidget(labelsBox_);
  panel->addStretch();
  v->addLayout(panel);
  chart_->setObjectName("chart");
  chart_->SetTitle(ToQ(data.Title));
  chart_->SetSeries(data.Series);
  v->addWidget(chart_, 1);
  connect(labelsBox_, &QCheckBox::toggled, chart_, &TStatChart::SetValueLabelsVisible);
  // A chart without value labels has nothing for the box to do.
  labelsBox_->setEnabled(chart_->LabelledSeriesCount() > 0);
  resize(DesignWidth, DesignHeight);
}

void TChartWindow::ShowModal(const TChartData& data, QWidget* parent) {
  TChartWindow window(data, parent);
  window.exec();
}

}  // namespace kivra::shell
