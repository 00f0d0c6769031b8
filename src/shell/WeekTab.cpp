#include "shell/WeekTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShowEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
#include "shell/StatChart.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr std::string_view Section = StateSettingsSection;
constexpr int DesignChartHeight = 220;
constexpr int MaxLength = 1000000;
}  // namespace

TWeekTab::TWeekTab(TWorkspace& ws, QWidget* parent)
    : QWidget(parent),
      ws_(ws),
      model_(new TGridModel([&ws](int r, int c) { return WeekCellText(ws.Views().Week(), r, c); },
                            [&ws](int r, int c) { return WeekCellColor(ws.Views().Week(), r, c); }, this)),
      grid_(NewGridView("sgWeek", model_)),
      edLen_(new QSpinBox),
      chart_(new TStatChart),
      splitter_(new QSplitter(Qt::Vertical)) {
  setObjectName("tsWeek");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Количество тиражей:"));
  const QString hint = QStringLiteral("Количество тиражей, использующихся для расчета статистики");
  edLen_->setObjectName("edWeekLen");
  edLen_->setRange(1, MaxLength);
  edLen_->setMinimumWidth(80);
  edLen_->setStatusTip(hint);
  edLen_->setToolTip(hint);
  edLen_->installEventFilter(this);
  label->setBuddy(edLen_);
  row->addWidget(label);
  row->addWidget(edLen_);
  v->addLayout(row);

  chart_->setObjectName("chartWeek");
  chart_->SetLegendVisible(false);
  splitter_->setObjectName("weekSplitter");
  splitter_->addWidget(grid_);
  splitter_->addWidget(chart_);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  v->addWidget(splitter_, 1);

  // The grid is laid out once: 8 rows, the numbers across.
  model_->SetGridSize(WeekRowCount, WeekColumnCount);
  const QFontMetrics fm(grid_->font());
  grid_->horizontalHeader()->setMinimumSectionSize(ScaledPx(this, 20));
  SizeColumns();
  grid_->verticalHeader()->setFixedWidth(std::max(ScaledPx(this, 30), fm.horizontalAdvance(QStringLiteral("Пн")) + 14));
  grid_->setMinimumHeight(grid_->verticalHeader()->defaultSectionSize() * 3);
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (ws_.Port().IsIdle()) DrawCurrentChart();
  });
}

void TWeekTab::LoadSettings() {
  edLen_->setValue(std::min(ws_.Views().WeekLength(), MaxLength));
  const int h = static_cast<int>(ws_.Settings().ReadSetting(Section, "WeekHeight", int64_t{DesignChartHeight}));
  // The grid's eight rows and its header, the chart the rest.
  const int gridHeight = grid_->verticalHeader()->defaultSectionSize() * 8 +
                         grid_->horizontalHeader()->sizeHint().height() +
                         grid_->horizontalScrollBar()->sizeHint().height() + 4;
  splitter_->setSizes({gridHeight, std::max(60, h)});
}

void TWeekTab::SaveSettings() {
  edLen_->interpretText();
  ws_.Views().SetWeekLength(edLen_->value());
  ws_.Settings().WriteSetting(Section, "WeekHeight", int64_t{splitter_->sizes().value(1, DesignChartHeight)});
}

void TWeekTab::SizeColumns() {
  // One width for every number: the widest count (or the number captions) with a little room.
  const QFontMetrics fm(grid_->font());
  int width = std::max(ScaledPx(this, 20), fm.horizontalAdvance(QStringLiteral("45")) + ScaledPx(this, 8));
  width = std::max(width, fm.horizontalAdvance(QString::number(ws_.Views().Week().Max)) + ScaledPx(this, 8));
  grid_->horizontalHeader()->setDefaultSectionSize(width);
}

void TWeekTab::Refresh(bool force) {
  if (!ws_.Views().RefreshWeek(force)) return;
  SizeColumns();
  model_->Repaint();
  if (isVisible()) DrawCurrentChart();
  else chartStale_ = true;
}

void TWeekTab::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (chartStale_) DrawCurrentChart();
}

void TWeekTab::DrawChart(int column, int row) {
  chartStale_ = false;
  TBusyScope busy(ws_.Port(), "Построение статистики по дням недели...");
  chart_->SetSeries({ws_.Views().WeekChartSeries(column, row)});
}

void TWeekTab::DrawCurrentChart() {
  const QModelIndex current = grid_->currentIndex();
  DrawChart(current.isValid() ? current.column() + 1 : 1, current.isValid() ? current.row() + 1 : 1);
}

bool TWeekTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edLen_ && event->type() == QEvent::KeyPress && ws_.Port().IsIdle()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (edLen_->hasAcceptableInput()) {
        edLen_->interpretText();
        ws_.Views().SetWeekLength(edLen_->value());
        Refresh(false);
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TWeekTab::AddCommands(TCommandMap& commands, TShowPage showPage) {
  TWorkspace& ws = ws_;
  TViewsState& views = ws.Views();
  auto shown = [&views] { return views.TabShown(TViewTab::Week); };
  // clang-format off
  AddTabCommand(commands, ws, TViewTab::Week, "TabWeek", "Вкладка \"Неделя\"",
                "Показать или скрыть вкладку со статистикой по дням недели", this, showPage, [this] { Refresh(true); });
  AddGridFilterCommands(commands, ws, TViewTab::Week, TGridKind::Week, "WeekFilter", grid_, *model_, false,
                        "с выделенными числами (столбцами)");
  commands.Add({"WeekStatCalc", "Обновить", "Построение статистики по дням недели", {},
                [this, &views] {
                  edLen_->interpretText();
                  views.SetWeekLength(edLen_->value());
                  Refresh(true);
                },
                [&ws, shown] { return shown() && !ws.Archive().Empty(); }, nullptr});
  commands.Add({"ViewWeekChartMode", "График по дням недели",
                "График выделенного числа по дням недели вместо графика выделенного дня недели по числам", {},
                [this, &views] {
                  views.SetWeekChartMode(views.WeekChartMode() == 1 ? 0 : 1);
                  DrawCurrentChart();
                },
                shown, [&views] { return views.WeekChartMode() == 1; }});
  commands.Add({"ViewWeekChartType", "График / диаграмма", "Линейный график вместо диаграммы", {},
                [this, &views] {
                  views.SetWeekChartLine(!views.WeekChartLine());
                  DrawCurrentChart();
                },
                shown, [&views] { return views.WeekChartLine(); }});
  // clang-format on
  auto* row = static_cast<QHBoxLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout());
  row->addWidget(CommandButton(QStringLiteral("Обновить"), "WeekStatCalc", commands));
  row->addStretch();
  row->addWidget(CommandButton(QStringLiteral("Оставить выделенные"), "WeekFilter_Include", commands));
  row->addWidget(CommandButton(QStringLiteral("Удалить выделенные"), "WeekFilter_Exclude", commands));
  AddContextMenu(grid_, commands,
                 {"WeekFilter_Include", "WeekFilter_Exclude", "", "ViewWeekChartMode", "ViewWeekChartType"});
}

}  // namespace kivra::shell
