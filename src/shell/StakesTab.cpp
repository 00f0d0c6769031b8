#include "shell/StakesTab.h"

#include <QAction>
#include <QHeaderView>
#include <QPainter>
#include <QRandomGenerator>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/XlsxExport.h"
#include "shell/ShellPort.h"
#include "shell/UnitStake.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

// Gaps of the cell drawing, in pixels.
constexpr int TextTop = 2;     // text starts this far below the cell top
constexpr int TextMargin = 2;  // from the left (and the right for the profit)
constexpr int NumberGap = 3;   // between the numbers of columns 2 and 4

const QColor MatchedColor(0x00, 0x00, 0xFF);
const QColor GainColor(0x00, 0x80, 0x00);
const QColor LossColor(0xFF, 0x00, 0x00);

constexpr int ColNumbers = 2, ColDraw = 4, ColMatches = 5, ColProfit = 7, ColComment = 8;

// The numbers a cell of column 2 or 4 shows one by one.
std::vector<uint8_t> CellNumbers(const TStakeData& r, int column) {
  std::vector<uint8_t> numbers;
  if (column == ColNumbers) {
    numbers.assign(r.Numbers.Values.begin(), r.Numbers.Values.begin() + r.Numbers.Visible());
  } else if (r.Checked) {
    numbers.assign(r.DrawResult.begin(), r.DrawResult.end());
  }
  return numbers;
}

bool IsMatched(const TStakeData& r, uint8_t n) {
  if (!r.Checked) return false;
  const auto end = r.Matched.Values.begin() + r.Matched.Visible();
  return std::find(r.Matched.Values.begin(), end, n) != end;
}

// The left edge of a text of this width: centred, or at the margin when it is wider than the cell.
int CentredLeft(const QRect& cell, int width) {
  return width > cell.width() - 2 * TextMargin ? cell.left() + TextMargin : cell.left() + (cell.width() - width) / 2;
}

}  // namespace

// --- Model ---

TStakesModel::TStakesModel(TStakeState& stakes, QObject* parent) : QAbstractTableModel(parent), stakes_(stakes) {}

int TStakesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : StakeColumnCount; }

QVariant TStakesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < StakeColumnCount)
    return ToQ(StakeColumnCaptions[static_cast<size_t>(section)]);
  // The wide comment column's caption stands at its left edge, where its text starts (centred it
  // would sit off the screen).
  if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section == ColComment)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

QVariant TStakesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  if (role == Qt::ToolTipRole && index.column() != ColComment && index.column() != ColNumbers) return {};
  TStakeData r;
  if (!Record(index.row(), r)) return {};
  return ToQ(StakeCellText(r, index.column()));
}

bool TStakesModel::Record(int row, TStakeData& record) const {
  // The journal may be shorter than the grid for a moment (a deletion under way repaints).
  if (row < 0 || row >= stakes_.Journal().Count()) return false;
  record = stakes_.Journal().Read(TStakeOrigin::Begin, row);
  return true;
}

void TStakesModel::SetRowCount(int rows) {
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows({}, rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
  Repaint();
}

void TStakesModel::Repaint() {
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, StakeColumnCount - 1));
}

// --- Drawing ---

void TStakesDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  TStakeData r;
  const bool real = model_.Record(index.row(), r) && !IsSeparator(r);
  const bool selected = option.state & QStyle::State_Selected;
  const QRect cell = option.rect;
  const uint32_t rgb = real ? StakeKindRgb(r.Kind) : 0;
  painter->save();
  painter->fillRect(cell, selected ? option.palette.highlight().color()
                          : rgb    ? QColor::fromRgb(rgb)
                                   : option.palette.base().color());
  if (!real) {
    painter->restore();
    return;
  }
  painter->setClipRect(cell);
  const QColor normal = selected ? option.palette.highlightedText().color() : option.palette.text().color();
  const int column = index.column();
  const QFontMetrics fm(option.font);
  const int baseline = cell.top() + TextTop + fm.ascent();

  if (column == ColNumbers || column == ColDraw) {
    // The numbers one by one, without separators; the drawn ones bold and blue.
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics fmBold(bold);
    const std::vector<uint8_t> numbers = CellNumbers(r, column);
    int width = 0;
    for (uint8_t n : numbers)
      width += (IsMatched(r, n) ? fmBold : fm).horizontalAdvance(QString::number(n)) + NumberGap;
    width -= numbers.empty() ? 0 : NumberGap;
    int x = CentredLeft(cell, width);
    for (uint8_t n : numbers) {
      const bool matched = IsMatched(r, n);
      const QString text = QString::number(n);
      painter->setFont(matched ? bold : option.font);
      painter->setPen(matched && !selected ? MatchedColor : normal);
      painter->drawText(x, baseline, text);
      x += (matched ? fmBold : fm).horizontalAdvance(text) + NumberGap;
    }
    painter->restore();
    return;
  }

  const QString text = ToQ(StakeCellText(r, column));
  const int width = fm.horizontalAdvance(text);
  const int x = column == ColProfit    ? cell.right() - TextMargin - width
                : column == ColComment ? cell.left() + TextMargin
                                       : CentredLeft(cell, width);
  QColor pen = normal;
  if (r.Checked && column >= ColMatches && column <= ColProfit && !selected) pen = r.Profit > 0 ? GainColor : LossColor;
  painter->setFont(option.font);
  painter->setPen(pen);
  painter->drawText(x, baseline, text);
  painter->restore();
}

// --- Tab ---

TStakesTab::TStakesTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable, QWidget* parent)
    : QWidget(parent), ws_(ws) {
  setObjectName("tsStakes");
  model_ = new TStakesModel(ws.Stakes(), this);
  grid_ = newTable(model_);
  grid_->setItemDelegate(new TStakesDelegate(*model_, grid_));
  // The selection is one block of rows, as deletion takes it.
  grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid_->horizontalHeader()->setStretchLastSection(false);
  // The design widths, widened where the caption would not fit in the font in use.
  const QFontMetrics header(grid_->horizontalHeader()->font());
  for (int c = 0; c < StakeColumnCount; ++c)
    grid_->setColumnWidth(c, std::max(StakeColumnWidths[static_cast<size_t>(c)],
                                      header.horizontalAdvance(ToQ(StakeColumnCaptions[static_cast<size_t>(c)])) + 12));
  // A stake of twelve two-digit numbers shows whole.
  grid_->setColumnWidth(ColNumbers, std::max(grid_->columnWidth(ColNumbers),
                                             grid_->fontMetrics().horizontalAdvance(
                                                 QStringLiteral("45;45;45;45;45;45;45;45;45;45;45;45")) +
                                                 12));

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  notice_ = new TNoticeBar(QStringLiteral("lbStakesNotice"), this);
  v->addWidget(notice_);
  v->addWidget(grid_);

  model_->SetRowCount(ws.Stakes().ViewRows());
  ws.Stakes().SetViewHandler(
      [this](int rows, bool refresh, bool scroll, bool changed) { UpdateView(rows, refresh, scroll, changed); });
}

bool TStakesTab::SelectedRecords(int& first, int& last) const {
  const QItemSelection selection = grid_->selectionModel()->selection();
  if (selection.isEmpty()) return false;
  first = selection.front().top();
  last = selection.front().bottom();
  for (const QItemSelectionRange& range : selection) {
    first = std::min(first, range.top());
    last = std::max(last, range.bottom());
  }
  last = std::min(last, ws_.Stakes().Journal().Count() - 1);
  return first <= last;
}

void TStakesTab::UpdateView(int rows, bool refresh, bool scroll, bool changed) {
  if (changed || rows != model_->rowCount()) model_->SetRowCount(rows);
  else if (refresh) grid_->viewport()->update();
  if (scroll) {
    const QModelIndex last = model_->index(rows - 1, 0);
    grid_->setCurrentIndex(last);
    grid_->scrollTo(last);
  } else if (!ws_.Stakes().Journal().HasRecords()) {
    // The empty journal's one row is the current one, without a selection.
    grid_->selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::Clear);
  }
}

// --- Commands ---

namespace {

const std::vector<QString> GridMenu = {
    "StakeDel", "StakeFilter", "StakeClear", "", "StakesCheckManual", "", "StakesXlsExport", "", "StakesScroll"};

TStakeNumbers CombNumbers(const TComb& comb) {
  TStakeNumbers numbers;
  numbers.Count = CombSize;
  std::copy(comb.begin(), comb.end(), numbers.Values.begin());
  return numbers;
}

// The stake dialog for a manual stake of these numbers; on OK the stake is made.
void MakeStake(TStakesTab& tab, TWorkspace& ws, const TStakeNumbers& numbers) {
  TStakeState& stakes = ws.Stakes();
  TStakeDialog dialog(tab.window(), stakes.NewRecord(StakeManual, ManualStakeComment, numbers), ws.Port());
  if (dialog.exec() != QDialog::Accepted) return;
  TStakeData record = dialog.Record();
  // Priced by the numbers it is stored with (the dialog may have changed them).
  stakes.PriceRecord(record);
  stakes.AddOne(record, dialog.Draws());
}

// The multi-stake dialog, then one stake per combination (the selected ones or all).
void MakeStakes(TStakesTab& tab, TWorkspace& ws, const TCombSelection& combs, bool selected) {
  TStakeState& stakes = ws.Stakes();
  const int32_t drawNumber = stakes.NewRecord(StakeManual, ManualStakeComment, {}).DrawNumber;
  TMultiStakeDialog dialog(tab.window(), drawNumber, ManualStakeComment, ws.Port());
  if (dialog.exec() != QDialog::Accepted) return;
  if (selected) {
    const std::vector<uint32_t> rows = combs.Rows();
    stakes.AddCombinations(&rows, dialog.DrawNumber(), dialog.Draws(), dialog.Comment());
    combs.Clear();
  } else {
    stakes.AddCombinations(nullptr, dialog.DrawNumber(), dialog.Draws(), dialog.Comment());
  }
}

}  // namespace

void AddStakeCommands(TCommandMap& commands, TStakesTab& tab, TWorkspace& ws, TCombSelection combs,
                      TXlsxExporter& xlsx) {
  TStakeState& stakes = ws.Stakes();
  TUserPort& port = ws.Port();
  auto add = [&commands](QString name, QString caption, QString hint, QKeySequence key, std::function<void()> run,
                         std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr) {
    return commands.Add({std::move(name), std::move(caption), std::move(hint), std::move(key), std::move(run),
                         std::move(enabled), std::move(checked)});
  };
  auto open = [&stakes] { return stakes.Journal().IsOpen(); };
  auto notEmpty = [&stakes] { return stakes.Journal().HasRecords(); };
  auto listNotEmpty = [&stakes, &ws] { return stakes.Journal().IsOpen() && ws.Combs().List().Count() > 0; };
  QTableView* grid = tab.Grid();

  // clang-format off
  add("StakeAdd", "Сделать ставку", "Сделать ставку для выделенной комбинации", QKeySequence(Qt::Key_F4),
      [&tab, &ws, combs] {
        const std::vector<uint32_t> rows = combs.Rows();
        const TCombList& list = ws.Combs().List();
        MakeStake(tab, ws, !rows.empty() && rows.front() < list.Count() ? CombNumbers(list[rows.front()])
                                                                        : TStakeNumbers{});
      }, open);
  add("StakeAddRandom", "Сделать случайную ставку", "Сделать ставку для случайной комбинации из списка",
      QKeySequence(Qt::CTRL | Qt::Key_F4),
      [&tab, &ws] {
        const TCombList& list = ws.Combs().List();
        if (list.Count() == 0) return;
        const auto at = static_cast<uint32_t>(QRandomGenerator::global()->bounded(static_cast<quint32>(list.Count())));
        MakeStake(tab, ws, CombNumbers(list[at]));
      }, listNotEmpty);
  add("StakeAddSelected", "Сделать ставки для выделенных комбинаций",
      "Сделать отдельную ставку для каждой выделенной комбинации списка", QKeySequence(Qt::ALT | Qt::Key_F4),
      [&tab, &ws, combs] { MakeStakes(tab, ws, combs, true); },
      [&stakes, combs] { return stakes.Journal().IsOpen() && combs.Any(); });
  add("StakeAddAll", "Сделать ставки для всех комбинаций", "Сделать отдельную ставку для каждой комбинации списка",
      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F4), [&tab, &ws, combs] { MakeStakes(tab, ws, combs, false); },
      listNotEmpty);
  add("StakeDel", "Удалить ставку", "Удаление выделенных ставок", QKeySequence(Qt::CTRL | Qt::Key_Delete),
      [&tab, &stakes, &port, grid] {
        int first = 0, last = 0;
        if (!tab.SelectedRecords(first, last) || !port.ConfirmDelete(last - first + 1)) return;
        stakes.DeleteRows(first + 1, last + 1);
        grid->viewport()->update();
      },
      [&tab, notEmpty] {
        int first = 0, last = 0;
        return notEmpty() && tab.SelectedRecords(first, last);
      });
  add("StakeFilter", "Удалить по условию", "Удаление ставок по количеству совпадений", QKeySequence(Qt::ALT | Qt::Key_D),
      [&tab, &stakes, grid] {
        TStakeConditionDialog dialog(tab.window());
        if (dialog.exec() != QDialog::Accepted) return;
        if (!stakes.DeleteWhereAsked(dialog.Condition(), dialog.Value())) return;
        // The rows selected before now show other stakes.
        grid->clearSelection();
        grid->viewport()->update();
      }, notEmpty);
  add("StakeClear", "Удалить все ставки", "Удаление всех ставок из журнала",
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete),
      [&stakes, &port, grid] {
        if (!port.ConfirmDelete(stakes.Journal().Count())) return;
        stakes.Clear();
        grid->viewport()->update();
      }, notEmpty);
  add("StakesCheckManual", "Проверить ставки", "Проверка ставок по архиву тиражей", QKeySequence(Qt::CTRL | Qt::Key_F5),
      [&stakes] { stakes.CheckManual(); }, notEmpty);
  add("LogStakes", "Журналы ставок", "Записывать проверенные ставки в журналы по количеству совпадений", {},
      [&stakes] { stakes.SetLogEnabled(!stakes.LogEnabled()); }, nullptr, [&stakes] { return stakes.LogEnabled(); });
  add("LogStakesDelete", "Удалить журналы ставок", "Удаление всех журналов ставок", {},
      [&stakes] { stakes.Logs().DeleteAll(); });
  add("StakesScroll", "Прокручивать список при добавлении", "Показывать последнюю ставку после добавления ставок", {},
      [&stakes] { stakes.SetScrollEnabled(!stakes.ScrollEnabled()); }, nullptr,
      [&stakes] { return stakes.ScrollEnabled(); });
  add("StakesCheckLine", "Проверять ставки после каждой строки сценария",
      "Проверять ставки после каждой строки сценария, а не только после всего сценария", {},
      [&stakes] { stakes.SetCheckOnLine(!stakes.CheckOnLine()); }, nullptr,
      [&stakes] { return stakes.CheckOnLine(); });
  // clang-format on

  AddXlsxCommand(
      commands, xlsx, "StakesXlsExport", "Экспорт ставок в Microsoft Excel",
      "Экспорт журнала ставок в книгу Microsoft Excel", [grid] { return ViewTable(grid, QStringLiteral("Ставки")); },
      notEmpty);

  // Alt+F4 stays the key of leaving the program: the menus show it beside the command only.
  ShowShortcutOnly(commands, "StakeAddSelected");
  // Ctrl+Del deletes stakes only in the grid; the combination and script lists have their own.
  MakeShortcutLocal(commands, "StakeDel", grid);

  for (const QString& name : GridMenu) {
    if (name.isEmpty()) {
      auto* sep = new QAction(grid);
      sep->setSeparator(true);
      grid->addAction(sep);
    } else if (QAction* a = commands.Action(name)) {
      grid->addAction(a);
    }
  }
}

const std::vector<QString>& StakeMenuCommands() {
  static const std::vector<QString> menu = {"StakeAdd",
                                            "StakeAddRandom",
                                            "StakeAddSelected",
                                            "StakeAddAll",
                                            "SystemStakeFilter",
                                            "SystemStakeAll",
                                            "SystemMake",
                                            "",
                                            "StakeDel",
                                            "StakeFilter",
                                            "StakeClear",
                                            "",
                                            "StakesGraphDraws",
                                            "StakesChance",
                                            "",
                                            "StakesXlsExport",
                                            "",
                                            "StakesCheckManual",
                                            "",
                                            "LogStakes",
                                            "LogStakesDelete",
                                            "StakesScroll",
                                            "StakesCheckLine"};
  return menu;
}

}  // namespace kivra::shell
