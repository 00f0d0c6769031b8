#include "shell/LayoutTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/XlsxExport.h"
#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr std::string_view Section = StateSettingsSection;
constexpr int DesignCompareHeight = 240;
constexpr int MaxLength = 1000000;
const QString LengthHint = QStringLiteral("Количество тиражей, использующихся для расчета статистики");

QSpinBox* LengthSpin(const QString& name) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(1, MaxLength);
  spin->setMinimumWidth(70);
  spin->setStatusTip(LengthHint);
  spin->setToolTip(LengthHint);
  return spin;
}
}  // namespace

// --- Compare model ---

TCompareModel::TCompareModel(const TViewsState& views, int table, QObject* parent)
    : QAbstractTableModel(parent), views_(views), table_(table) {}

int TCompareModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

void TCompareModel::Reset() {
  beginResetModel();
  rows_ = static_cast<int>(views_.CompareTables()[size_t(table_)].Rows.size());
  endResetModel();
  emit headerDataChanged(Qt::Horizontal, 0, 1);
}

QVariant TCompareModel::data(const QModelIndex& index, int role) const {
  const auto& rows = views_.CompareTables()[size_t(table_)].Rows;
  if (!index.isValid() || size_t(index.row()) >= rows.size()) return {};
  if (role == Qt::DisplayRole) return ToQ(rows[size_t(index.row())][size_t(index.column())]);
  if (role == Qt::TextAlignmentRole)
    return index.column() == 0 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
  if (role == Qt::ToolTipRole && index.column() == 1) return ToQ(rows[size_t(index.row())][1]);
  return {};
}

QVariant TCompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  if (section == 0) return ToQ(CompareCountCaption);
  QString caption = ToQ(views_.CompareTables()[size_t(table_)].Caption);
  // The range ("1401 - 1500") on two lines, so that it shows whole in the narrow tables side by side.
  if (role == Qt::DisplayRole) caption.replace(QStringLiteral(" - "), QStringLiteral(" -\n"));
  return caption;
}

// --- Tab ---

TLayoutTab::TLayoutTab(TWorkspace& ws, QWidget* parent)
    : QWidget(parent),
      ws_(ws),
      model_(new TGridModel(
          [&ws](int r, int c) {
            const TTextGrid& g = ws.Views().LayoutGrid();
            return r < g.Rows && c < g.Columns ? g.At(r, c) : std::string();
          },
          [&ws](int r, int c) { return LayoutCellColor(ws.Views().LayoutGrid(), r, c, ws.Views().LayoutGradient()); },
          this)),
      grid_(NewGridView("sgLayout", model_)),
      edLen_(LengthSpin("edLayoutLen")),
      splitter_(new QSplitter(Qt::Vertical)),
      cmpPanel_(new QWidget) {
  setObjectName("tsLayout");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Количество тиражей:"));
  label->setBuddy(edLen_);
  row->addWidget(label);
  row->addWidget(edLen_);
  v->addLayout(row);
  edLen_->installEventFilter(this);

  auto* cmp = new QGridLayout(cmpPanel_);
  cmp->setContentsMargins(0, 2, 0, 0);
  cmp->setHorizontalSpacing(ScaledPx(this, 4));
  for (int k = 0; k < CompareTableCount; ++k) {
    edCmpLen_[size_t(k)] = LengthSpin(QStringLiteral("edLayoutCmpLen%1").arg(k + 1));
    edCmpLen_[size_t(k)]->installEventFilter(this);
    cmpModels_[size_t(k)] = new TCompareModel(ws.Views(), k, this);
    auto* table = new QTableView;
    table->setObjectName(QStringLiteral("lvLayoutCmp%1").arg(k + 1));
    table->setModel(cmpModels_[size_t(k)]);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    auto* header = table->horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    table->setColumnWidth(0,
                          std::max(ScaledPx(this, 40), fontMetrics().horizontalAdvance(ToQ(CompareCountCaption)) + 12));
    connect(header, &QHeaderView::sectionClicked, this, [this, k](int column) { ClickCompareColumn(k, column); });
    tables_[size_t(k)] = table;
    cmp->addWidget(edCmpLen_[size_t(k)], 0, k);
    // The last table also takes the column of the button above it: it gets the rest of the width.
    cmp->addWidget(table, 1, k, 1, k + 1 == CompareTableCount ? 2 : 1);
    cmp->setColumnStretch(k, 1);
  }
  splitter_->setObjectName("layoutSplitter");
  splitter_->addWidget(grid_);
  splitter_->addWidget(cmpPanel_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setChildrenCollapsible(false);
  v->addWidget(splitter_, 1);

  grid_->verticalHeader()->setFixedWidth(ScaledPx(this, 50));
  grid_->horizontalHeader()->setMinimumSectionSize(ScaledPx(this, 20));
}

void TLayoutTab::LoadSettings() {
  const TViewsState& views = ws_.Views();
  edLen_->setValue(std::min(views.LayoutLength(), MaxLength));
  for (int k = 0; k < CompareTableCount; ++k)
    edCmpLen_[size_t(k)]->setValue(std::min(views.CompareLength(k), MaxLength));
  const int h =
      static_cast<int>(ws_.Settings().ReadSetting(Section, "LayoutCompareHeight", int64_t{DesignCompareHeight}));
  splitter_->setSizes({std::max(100, 600 - h), std::max(60, h)});
}

void TLayoutTab::SaveSettings() {
  edLen_->interpretText();
  ws_.Views().SetLayoutLength(edLen_->value());
  ApplyCompareLengths();
  ws_.Settings().WriteSetting(Section, "LayoutCompareHeight",
                              int64_t{splitter_->sizes().value(1, DesignCompareHeight)});
}

void TLayoutTab::ApplyLength() {
  edLen_->interpretText();
  ws_.Views().SetLayoutLength(edLen_->value());
}

void TLayoutTab::ApplyCompareLengths() {
  for (int k = 0; k < CompareTableCount; ++k) {
    edCmpLen_[size_t(k)]->interpretText();
    ws_.Views().SetCompareLength(k, edCmpLen_[size_t(k)]->value());
  }
}

void TLayoutTab::SizeColumns() {
  const TTextGrid& g = ws_.Views().LayoutGrid();
  const QFontMetrics fm(grid_->font());
  const QFontMetrics header(grid_->horizontalHeader()->font());
  for (int c = 1; c < g.Columns; ++c) {
    int width = ScaledPx(this, 40);
    width = std::max(width, header.horizontalAdvance(ToQ(g.At(0, c))) + ScaledPx(this, 10));
    for (int r = 1; r < g.Rows; ++r)
      width = std::max(width, fm.horizontalAdvance(ToQ(g.At(r, c))) + ScaledPx(this, 10));
    grid_->setColumnWidth(c - 1, width);
  }
}

void TLayoutTab::RefreshLayout(bool force) {
  TViewsState& views = ws_.Views();
  if (!views.RefreshLayout(force)) return;
  grid_->clearSelection();
  model_->SetGridSize(views.LayoutGrid().Rows, views.LayoutGrid().Columns);
  SizeColumns();
}

void TLayoutTab::RefreshCompare(bool force) {
  if (!ws_.Views().RefreshLayoutCompare(force)) return;
  for (int k = 0; k < CompareTableCount; ++k) {
    cmpModels_[size_t(k)]->Reset();
    tables_[size_t(k)]->horizontalHeader()->setSortIndicatorShown(false);
  }
}

void TLayoutTab::ClickCompareColumn(int k, int column) {
  TViewsState& views = ws_.Views();
  views.ClickCompareColumn(k, column);
  cmpModels_[size_t(k)]->Reset();
  auto* header = tables_[size_t(k)]->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(views.CompareSortColumn(k),
                           views.CompareSortDescending(k) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool TLayoutTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && ws_.Port().IsIdle()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == edLen_) {
        // A value within the field's limits: the unforced refresh (it computes when the length changed).
        if (edLen_->hasAcceptableInput()) {
          ApplyLength();
          RefreshLayout(false);
        }
        return true;
      }
      for (QSpinBox* field : edCmpLen_)
        if (watched == field) {
          if (field->hasAcceptableInput()) {
            ApplyCompareLengths();
            RefreshCompare(true);
          }
          return true;
        }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TLayoutTab::AddCommands(TCommandMap& commands, TShowPage showPage, TXlsxExporter& xlsx) {
  TWorkspace& ws = ws_;
  TViewsState& views = ws.Views();
  auto shown = [&views] { return views.TabShown(TViewTab::Layout); };
  auto canCalc = [&ws, shown] { return shown() && !ws.Archive().Empty(); };
  // clang-format off
  AddTabCommand(commands, ws, TViewTab::Layout, "TabLayout", "Вкладка \"Схема\"",
                "Показать или скрыть вкладку со схемой выпадения номеров", this, showPage, [this] {
                  RefreshLayout(true);
                  RefreshCompare(true);
                });
  AddGridFilterCommands(commands, ws, TViewTab::Layout, TGridKind::Layout, "LayoutFilter", grid_, *model_, true,
                        "с выделенными в схеме числами");
  commands.Add({"LayoutCalc", "Обновить", "Построение схемы выпадения номеров", {},
                [this] {
                  ApplyLength();
                  RefreshLayout(true);
                },
                canCalc, nullptr});
  commands.Add({"LayoutCmpCalc", "Обновить", "Построение таблиц сравнения схемы", {},
                [this] {
                  ApplyCompareLengths();
                  RefreshCompare(true);
                },
                canCalc, nullptr});
  commands.Add({"ViewShemaGradient", "Градиентная раскраска схемы", "Раскраска схемы выпадения номеров градиентом", {},
                [this, &views] {
                  views.SetLayoutGradient(!views.LayoutGradient());
                  model_->Repaint();
                },
                shown, [&views] { return views.LayoutGradient(); }});
  // clang-format on
  auto* row = static_cast<QHBoxLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout());
  row->addWidget(CommandButton(QStringLiteral("Обновить"), "LayoutCalc", commands));
  row->addStretch();
  row->addWidget(CommandButton(QStringLiteral("Оставить выделенные"), "LayoutFilter_Include", commands));
  row->addWidget(CommandButton(QStringLiteral("Удалить выделенные"), "LayoutFilter_Exclude", commands));
  static_cast<QGridLayout*>(cmpPanel_->layout())
      ->addWidget(CommandButton(QStringLiteral("Обновить"), "LayoutCmpCalc", commands), 0, CompareTableCount);
  AddXlsxCommand(
      commands, xlsx, "LayoutXlsExport", "Экспорт схемы в Microsoft Excel",
      "Экспорт схемы выпадения номеров в книгу Microsoft Excel",
      [this] { return GridTable(grid_, *model_, QStringLiteral("Схема")); },
      [shown, this] { return shown() && model_->GridColumns() > 2; });
  AddContextMenu(grid_, commands,
                 {"LayoutFilter_Include", "LayoutFilter_Exclude", "", "LayoutXlsExport", "", "ViewShemaGradient"});
}

}  // namespace kivra::shell
