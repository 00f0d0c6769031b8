#include "shell/GraphsTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
#include "shell/StatChart.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr int MaxLength = 1000000;
}

TGraphsTab::TGraphsTab(TWorkspace& ws, QWidget* parent)
    : QWidget(parent),
      ws_(ws),
      cbType_(new QComboBox),
      edLen_(new QSpinBox),
      chkMarks_(new QCheckBox(QStringLiteral("Отображать метки на графике"))),
      chart_(new TStatChart),
      panel_(new QHBoxLayout) {
  setObjectName("tsGraphs");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  auto* typeLabel = new QLabel(QStringLiteral("Тип графика:"));
  cbType_->setObjectName("cbGraphType");
  cbType_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbType_->setMinimumContentsLength(30);
  cbType_->setMaxVisibleItems(30);
  typeLabel->setBuddy(cbType_);
  const QString lengthHint = QStringLiteral("Количество тиражей, использующихся для построения графиков");
  edLen_->setObjectName("edGraphLen");
  edLen_->setRange(1, MaxLength);
  edLen_->setMinimumWidth(70);
  edLen_->setToolTip(lengthHint);
  edLen_->setStatusTip(lengthHint);
  edLen_->installEventFilter(this);
  chkMarks_->setObjectName("chkGraphMarks");
  chkMarks_->setChecked(true);
  panel_->addWidget(typeLabel);
  panel_->addWidget(cbType_, 1);
  panel_->addWidget(edLen_);
  panel_->addWidget(chkMarks_);
  v->addLayout(panel_);
  chart_->setObjectName("chartGraphs");
  v->addWidget(chart_, 1);

  connect(cbType_, &QComboBox::currentIndexChanged, this, [this] {
    if (CanDraw()) {
      ApplyLength();
      Refresh(false);
    }
  });
  connect(chkMarks_, &QCheckBox::toggled, chart_, &TStatChart::SetValueLabelsVisible);
}

void TGraphsTab::LoadSettings() {
  ws_.Graphs().LoadSettings();
  edLen_->setValue(std::min(ws_.Graphs().Length(), MaxLength));
}

void TGraphsTab::SaveSettings() {
  ApplyLength();
  ws_.Graphs().SaveSettings();
}

void TGraphsTab::ApplyLength() {
  edLen_->interpretText();
  ws_.Graphs().SetLength(edLen_->value());
}

void TGraphsTab::FillSelector(const std::vector<TStatList::TSelectorItem>& items) {
  const QSignalBlocker block(cbType_);
  const int remembered = cbType_->currentIndex();
  cbType_->clear();
  for (const auto& item : items) cbType_->addItem(ToQ(item.Caption), item.Index);
  // The tab opens with a chart drawn: the first entry until the user chooses another.
  cbType_->setCurrentIndex(remembered >= 0 && remembered < cbType_->count() ? remembered : 0);
}

int TGraphsTab::SelectedEntry() const { return cbType_->currentIndex() < 0 ? -1 : cbType_->currentData().toInt(); }

bool TGraphsTab::CanDraw() const { return ws_.Port().IsIdle() && !ws_.Archive().Empty() && SelectedEntry() >= 0; }

void TGraphsTab::Refresh(bool force) {
  TGraphsState& graphs = ws_.Graphs();
  // Series 1 is titled with the selector's text as shown.
  if (!graphs.Refresh(force, SelectedEntry(), FromQ(cbType_->currentText()))) return;
  chart_->SetSeries(graphs.Chart().Chart.Series);
  chart_->SetValueLabelsVisible(chkMarks_->isChecked());
}

bool TGraphsTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edLen_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // A value within the field's limits: the unforced refresh (it builds when the length changed).
      if (edLen_->hasAcceptableInput() && CanDraw()) {
        ApplyLength();
        Refresh(false);
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TGraphsTab::AddCommands(TCommandMap& commands, TShowPage showPage) {
  TGraphsState& graphs = ws_.Graphs();
  commands.Add({"TabGraps",
                QStringLiteral("Вкладка \"Графики\""),
                QStringLiteral("Показать или скрыть вкладку с графиками статистик"),
                {},
                [this, &graphs, showPage] {
                  const bool show = !graphs.Shown();
                  graphs.SetShown(show);
                  showPage(this, show);
                  if (show) {
                    ApplyLength();
                    Refresh(true);
                  }
                },
                nullptr,
                [&graphs] { return graphs.Shown(); }});
  commands.Add({"DrawsGraphDraw",
                QStringLiteral("Обновить"),
                QStringLiteral("Построение графика выбранной статистики"),
                {},
                [this] {
                  ApplyLength();
                  Refresh(true);
                },
                [this] { return !ws_.Archive().Empty() && SelectedEntry() >= 0; },
                nullptr});
  panel_->addWidget(CommandButton(QStringLiteral("Обновить"), "DrawsGraphDraw", commands));
}

}  // namespace kivra::shell
