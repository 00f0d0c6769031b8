#include "shell/RepeatsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "core/SysFormat.h"
#include "shell/ShellPort.h"
#include "shell/StatChart.h"
#include "shell/UnitWait.h"
#include "shell/WindowPlacement.h"
#include "views/RepeatsView.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr int MaxLength = 1000000;
constexpr int DesignWidth = 760;
constexpr int DesignHeight = 600;
constexpr int DesignChartHeight = 250;
constexpr std::string_view CollectProgress = "Идет сбор статистики....";
constexpr std::string_view ChartProgress = "Создание графиков...";
// From this many draw comparisons on the computation shows a wait window with "Отмена".
constexpr int64_t LongComparisons = 2'000'000;

QSpinBox* LengthSpin(const char* name, const QString& hint) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(1, MaxLength);
  spin->setMinimumWidth(70);
  spin->setToolTip(hint);
  spin->setStatusTip(hint);
  return spin;
}

int ReadLength(const TWindowSettings& settings, std::string_view key) {
  return static_cast<int>(std::clamp<int64_t>(settings.ReadSetting(RepeatsSection, key, int64_t{100}), 1, MaxLength));
}
}  // namespace

TRepeatsWindow::TRepeatsWindow(TWorkspace& ws, QWidget* parent)
    : QDialog(parent),
      ws_(ws),
      edLength_(
          LengthSpin("edDrawsLength", QStringLiteral("Количество тиражей, использующихся для расчета статистики"))),
      edDeep_(LengthSpin("edDrawsDeep",
                         QStringLiteral("Количество тиражей, просматриваемых \"в глубину\" для поиска совпадений"))),
      list_(new QTableWidget(0, int(RepeatsCaptions.size()))),
      chart_(new TStatChart),
      splitter_(new QSplitter(Qt::Vertical)) {
  setObjectName(QString::fromUtf8(RepeatsSection.data(), RepeatsSection.size()));
  setWindowTitle(QStringLiteral("Количество повторов в зависимости от тиража"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  setSizeGripEnabled(true);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 4, 4, 4);
  auto* panel = new QHBoxLayout;
  auto* lengthLabel = new QLabel(QStringLiteral("Тиражей:"));
  lengthLabel->setBuddy(edLength_);
  auto* deepLabel = new QLabel(QStringLiteral("Глубина поиска:"));
  deepLabel->setBuddy(edDeep_);
  auto* calc = new QPushButton(QStringLiteral("Рассчитать"));
  calc->setObjectName("btnCalculate");
  calc->setAutoDefault(false);
  panel->addWidget(lengthLabel);
  panel->addWidget(edLength_);
  panel->addSpacing(12);
  panel->addWidget(deepLabel);
  panel->addWidget(edDeep_);
  panel->addSpacing(12);
  panel->addWidget(calc);
  panel->addStretch();
  v->addLayout(panel);

  list_->setObjectName("lvRepeats");
  QStringList captions;
  for (std::string_view c : RepeatsCaptions) captions << ToQ(c);
  list_->setHorizontalHeaderLabels(captions);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->setColumnWidth(0, 70);
  list_->setColumnWidth(1, 90);
  list_->setColumnWidth(2, 110);
  list_->horizontalHeader()->setStretchLastSection(true);
  chart_->setObjectName("chartRepeats");
  splitter_->setObjectName("repeatsSplitter");
  splitter_->addWidget(list_);
  splitter_->addWidget(chart_);
  splitter_->setChildrenCollapsible(false);
  v->addWidget(splitter_, 1);

  edLength_->installEventFilter(this);
  edDeep_->installEventFilter(this);
  connect(calc, &QPushButton::clicked, this, [this] { Calculate(); });
  resize(DesignWidth, DesignHeight);
  LoadSettings();
}

void TRepeatsWindow::LoadSettings() {
  const TWindowSettings& s = ws_.Settings();
  edLength_->setValue(ReadLength(s, "DrawsLength"));
  edDeep_->setValue(ReadLength(s, "DrawsDeep"));
  bool maximized = false;
  RestoreWindowPlacement(s, RepeatsSection, this, maximized);
  if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
  const int chart = static_cast<int>(
      std::clamp<int64_t>(s.ReadSetting(RepeatsSection, "GraphHeight", int64_t{DesignChartHeight}), 50, 4000));
  splitter_->setSizes({std::max(100, height() - chart), chart});
}

void TRepeatsWindow::SaveSettings() {
  TWindowSettings& s = ws_.Settings();
  edLength_->interpretText();
  edDeep_->interpretText();
  s.WriteSetting(RepeatsSection, "DrawsLength", int64_t{edLength_->value()});
  s.WriteSetting(RepeatsSection, "DrawsDeep", int64_t{edDeep_->value()});
  s.WriteSetting(RepeatsSection, "GraphHeight", int64_t{splitter_->sizes().value(1, DesignChartHeight)});
  SaveWindowPlacement(s, RepeatsSection, this);
}

void TRepeatsWindow::done(int result) {
  SaveSettings();
  QDialog::done(result);
}

void TRepeatsWindow::Calculate() {
  edLength_->interpretText();
  edDeep_->interpretText();
  TUserPort& port = ws_.Port();
  TBusyScope busy(port, CollectProgress);
  list_->setRowCount(0);
  chart_->Clear();
  const TDrawsArchive& archive = ws_.Archive();
  const int steps = archive.Empty() ? 0 : std::min(edLength_->value(), archive.Count());
  // A long computation (many draws compared with a deep history) can be cancelled from a small
  // wait window; the list and the chart then stay empty.
  struct TCancelled {};
  std::unique_ptr<TWaitWindow> wait;
  if (int64_t{steps} * std::min(edDeep_->value(), archive.Count()) >= LongComparisons) {
    wait = std::make_unique<TWaitWindow>(ToQ(CollectProgress), this, QStringLiteral("Повторы"));
    wait->show();
  }
  TRepeatsResult result;
  try {
    result = AnalyzeRepeats(archive, edLength_->value(), edDeep_->value(), [&](int done) {
      port.ShowProgress(SysFormat("%s %d/%d", {CollectProgress, done, steps}));
      if (wait && wait->Cancelled()) throw TCancelled{};
    });
  } catch (const TCancelled&) {
    return;
  }
  wait.reset();
  port.ShowProgress(ChartProgress);
  list_->setRowCount(static_cast<int>(result.Rows.size()));
  for (int r = 0; r < list_->rowCount(); ++r) {
    const TRepeatsRow& row = result.Rows[size_t(r)];
    const QString cells[] = {QString::number(row.Draw), QString::number(row.Matches), QString::number(row.Count),
                             ToQ(row.List)};
    for (int c = 0; c < 4; ++c) list_->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
  std::mt19937 random(std::random_device{}());
  chart_->SetSeries(RepeatsChart(result, random).Series);
}

bool TRepeatsWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == edLength_ || watched == edDeep_) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (static_cast<QSpinBox*>(watched)->hasAcceptableInput() && ws_.Port().IsIdle()) Calculate();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TRepeatsWindow::ShowModal(TWorkspace& ws, QWidget* parent) {
  TRepeatsWindow window(ws, parent);
  // Modal from the start: it shows while it computes, before its event loop runs.
  window.setWindowModality(Qt::ApplicationModal);
  window.show();
  window.Calculate();
  window.exec();
}

}  // namespace kivra::shell
