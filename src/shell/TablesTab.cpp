#include "shell/TablesTab.h"

#include <QAction>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
#include "shell/StakesTab.h"
#include "shell/UnitStake.h"
#include "shell/UnitTable.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

QStringList Captions() {
  QStringList captions;
  for (const char* c : TableColumnCaptions) captions << QString::fromUtf8(c);
  return captions;
}

constexpr std::array<int, TableColumnCount> DesignWidths = {220, 150, 150, 50, 60};

}  // namespace

// --- Model ---

TTablesModel::TTablesModel(const TTableState& tables, QObject* parent)
    : TArrayModel(Captions(), parent), tables_(tables) {}

QVariant TTablesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= tables_.Count()) return {};
  switch (role) {
    case Qt::DisplayRole: return ToQ(tables_.CellText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      return index.column() >= 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                 : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole: return index.column() == 0 ? ToQ(tables_.CellText(index.row(), 0)) : QVariant();
    default: return {};
  }
}

// --- Tab ---

TTablesTab::TTablesTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable, QWidget* parent)
    : QWidget(parent), tables_(ws.Tables()), model_(new TTablesModel(ws.Tables(), this)), list_(newTable(model_)) {
  setObjectName("tsTables");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->addWidget(list_, 1);
  const QFontMetrics header(list_->horizontalHeader()->font());
  for (int c = 0; c < TableColumnCount; ++c)
    list_->setColumnWidth(c, std::max(DesignWidths[static_cast<size_t>(c)],
                                      header.horizontalAdvance(ToQ(TableColumnCaptions[static_cast<size_t>(c)])) + 16));
  list_->horizontalHeader()->setStretchLastSection(false);
  tables_.SetViewHandler([this] { UpdateView(); });
  UpdateView();
}

std::vector<int> TTablesTab::SelectedRows() const {
  std::vector<int> rows;
  if (!list_->selectionModel()) return rows;
  for (const QItemSelectionRange& r : list_->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

bool TTablesTab::HasSelection() const { return list_->selectionModel() && list_->selectionModel()->hasSelection(); }

void TTablesTab::UpdateView() { model_->SetRowCount(tables_.Shown() ? tables_.Count() : 0); }

// --- Commands ---

void AddTableCommands(TCommandMap& commands, TTablesTab& tab, TWorkspace& ws, TCombSelection combs, TTabPlacer place) {
  TTableState& tables = ws.Tables();
  TUserPort& port = ws.Port();
  auto add = [&commands](QString name, QString caption, QString hint, QKeySequence key, std::function<void()> run,
                         std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr) {
    return commands.Add({std::move(name), std::move(caption), std::move(hint), std::move(key), std::move(run),
                         std::move(enabled), std::move(checked)});
  };
  auto shown = [&tables] { return tables.Shown(); };
  auto selected = [&tables, &tab] { return tables.Shown() && tab.HasSelection(); };
  QTableView* list = tab.List();

  // clang-format off
  add("TabTables", "Вкладка \"Регуляры\"", "Показать или скрыть вкладку регулярных ставок", {},
      [&tables, place, list] {
        const bool show = !tables.Shown();
        list->clearSelection();
        tables.SetShown(show);
        place(show, show);
      }, nullptr, shown);
  add("TablesAdd", "Добавить регулярную ставку",
      "Добавить регулярную ставку (от выделенной комбинации, выделенных комбинаций или предыдущего тиража)", {},
      [&tab, &tables, &port, combs] {
        const std::vector<uint32_t> rows = combs.Rows();
        TTableDialog dialog(tab.window(), tables.NewRule(rows), rows.size() == 1, tables.Tables(), port);
        if (dialog.exec() != QDialog::Accepted) return;
        tables.Add(dialog.Rule(), rows);
      }, shown);
  add("TablesDel", "Удалить регулярную ставку", "Удаление выделенных регулярных ставок", {},
      [&tab, &tables, &port, list] {
        const std::vector<int> rows = tab.SelectedRows();
        if (rows.empty() || !port.ConfirmDelete(static_cast<int>(rows.size()))) return;
        list->clearSelection();
        tables.Delete(rows);
      }, selected);
  add("TablesStakeAdd", "Сделать ставку по регуляру", "Сделать ставку на следующий тираж по выделенной регулярной ставке",
      {},
      [&tab, &tables, &ws] {
        const std::vector<int> rows = tab.SelectedRows();
        const auto draft = rows.empty() ? std::nullopt : tables.Draft(rows.front());
        if (!draft) return;
        TStakeDialog dialog(tab.window(), draft->Record, ws.Port());
        if (dialog.exec() != QDialog::Accepted) return;
        TStakeData record = dialog.Record();
        // Priced by the numbers it is stored with (the dialog may have changed them).
        ws.Stakes().PriceRecord(record);
        tables.Commit(*draft, record, dialog.Draws());
      }, selected);
  add("TablesStakeTest", "Тест регуляров",
      "Ставки по выделенным регулярным ставкам на последние тиражи архива с их проверкой", {},
      [&tab, &tables] {
        TTestCountDialog dialog(tab.window(), tables.MaxTests());
        if (dialog.exec() != QDialog::Accepted || dialog.Count() <= 0) return;
        tables.Test(tab.SelectedRows(), dialog.Count());
      }, selected);
  // clang-format on

  for (const QString& name : TableMenuCommands()) {
    if (name.isEmpty()) {
      auto* sep = new QAction(list);
      sep->setSeparator(true);
      list->addAction(sep);
    } else if (QAction* a = commands.Action(name)) {
      list->addAction(a);
    }
  }
  QObject::connect(list, &QTableView::doubleClicked, list, [&commands] { commands.Trigger("TablesStakeAdd"); });
}

const std::vector<QString>& TableMenuCommands() {
  static const std::vector<QString> menu = {"TablesAdd", "TablesDel", "", "TablesStakeAdd", "TablesStakeTest"};
  return menu;
}

}  // namespace kivra::shell
