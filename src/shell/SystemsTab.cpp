#include "shell/SystemsTab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "shell/CommandMap.h"
#include "shell/MakeSystemDialog.h"
#include "core/SysFormat.h"
#include "shell/ShellPort.h"
#include "shell/SystemDialog.h"
#include "shell/UnitOnline.h"
#include "shell/UnitStake.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

QStringList SystemColumns() {
  QStringList s;
  for (std::string_view c : SystemColumnCaptions) s << ToQ(c);
  return s;
}

// System play with the stake dialog between the expansion and the stakes.
void PlaySystem(TWorkspace& ws, QWidget* parent, TSystemPlayMode mode) {
  const auto system = ws.Systems().ExpandList();
  if (!system) return;
  TMultiStakeDialog dialog(parent, ws.Archive().NextDrawNumber(ws.Archive().DrawsOffset()),
                           TSystemState::PlayComment(mode, *system), ws.Port());
  if (dialog.exec() != QDialog::Accepted) return;
  ws.Systems().Play(mode, *system, dialog.DrawNumber(), dialog.Draws(), dialog.Comment());
}

// A row's icon: a disc coloured by whose system it is (own green, another author's blue, without
// an author's e-mail grey), filled when the system is downloaded and hollow when it is not.
QIcon SystemIcon(bool downloaded, int owner) {
  static QIcon icons[2][3];
  QIcon& icon = icons[downloaded ? 1 : 0][owner];
  if (icon.isNull()) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colors[] = {QColor(0x2e, 0x8b, 0x3e), QColor(0x2a, 0x5d, 0xb0), QColor(0x88, 0x88, 0x88)};
    p.setPen(QPen(colors[owner], 2));
    p.setBrush(downloaded ? QBrush(colors[owner]) : QBrush(Qt::white));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    icon = QIcon(pixmap);
  }
  return icon;
}

}  // namespace

TSystemsModel::TSystemsModel(const TWorkspace& ws, QObject* parent) : TArrayModel(SystemColumns(), parent), ws_(ws) {}

QVariant TSystemsModel::data(const QModelIndex& index, int role) const {
  const auto& rows = ws_.Systems().Rows();
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
  const TSystemInfo& info = rows[index.row()];
  if (role == Qt::DecorationRole && index.column() == 0 && info.Id >= 0) {
    const int owner = Trim(info.AuthorMail).empty() ? 2 : ws_.Catalog().IsOwn(info.AuthorMail) ? 0 : 1;
    return SystemIcon(ws_.Systems().Downloaded(info), owner);
  }
  if (role != Qt::DisplayRole) return {};
  return ToQ(SystemCellText(info, index.column(), ws_.Systems().Downloaded(info)));
}

TSystemsTab::TSystemsTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
                         QWidget* parent)
    : QWidget(parent), ws_(ws), model_(new TSystemsModel(ws, this)), list_(newTable(model_)) {
  // Initially sorted by "Числа" ascending.
  list_->horizontalHeader()->setSortIndicatorShown(true);
  list_->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  list_->horizontalHeader()->setSectionsClickable(true);
  connect(list_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
    const int row = SelectedRow();
    const int32_t id = row >= 0 ? ws_.Systems().Rows()[row].Id : -1;
    ws_.Catalog().SortSystems(column, order == Qt::DescendingOrder);
    Refresh();
    const auto& rows = ws_.Systems().Rows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (row >= 0 && rows[i].Id == id) SelectRow(static_cast<int>(i));
  });
  // Names and descriptions are the long texts.
  list_->setColumnWidth(0, 240);
  list_->setColumnWidth(9, 240);
  list_->setColumnWidth(5, 150);
  list_->setColumnWidth(8, 150);
  buttons_ = new QHBoxLayout;
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->addLayout(buttons_);
  v->addWidget(list_);
}

std::vector<int> TSystemsTab::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TSystemsTab::SelectedRow() const {
  const QModelIndex current = list_->selectionModel()->currentIndex();
  if (current.isValid() && list_->selectionModel()->isRowSelected(current.row(), {})) return current.row();
  const auto rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void TSystemsTab::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  list_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(model_->index(row, 0));
}

void TSystemsTab::AddCommandButtons(TCommandMap& commands) {
  for (const char* name : {"SystemsRefresh", "SystemsDownload", "SystemsAdd", "SystemsProp", "SystemsDel", "SystemMake"}) {
    QAction* action = commands.Action(QString::fromLatin1(name));
    buttons_->addWidget(CommandButton(action->text(), name, commands));
    list_->addAction(action);
  }
  buttons_->addStretch(1);
}

void TSystemsTab::Refresh() {
  model_->SetRowCount(static_cast<int>(ws_.Systems().Rows().size()));
  model_->Repaint();
}

void TSystemsTab::FollowSwitch() {
  const bool on = ws_.Systems().Enabled();
  for (QAction* a : playActions_)
    if (a) a->setVisible(on);
  if (on) ws_.Catalog().LoadSystems();
  else ws_.Systems().ClearList();
  Refresh();
}

namespace {

// Reloads the list keeping the selected system selected.
void ReloadSystems(TSystemsTab& tab, TWorkspace& ws) {
  const int row = tab.SelectedRow();
  const int32_t id = row >= 0 && row < static_cast<int>(ws.Systems().Rows().size()) ? ws.Systems().Rows()[row].Id : -1;
  ws.Catalog().LoadSystems();
  tab.Refresh();
  const auto& rows = ws.Systems().Rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].Id == id) tab.SelectRow(static_cast<int>(i));
}

void DownloadSystems(TSystemsTab& tab, TWorkspace& ws) {
  const std::vector<int> rows = tab.SelectedRows();
  const int first = tab.SelectedRow();
  for (int row : rows) {
    if (!ws.Catalog().DownloadSystem(row)) break;
    // Only the first selected row stays selected once its system is down.
    if (row != first)
      tab.List()->selectionModel()->select(tab.Model()->index(row, 0),
                                           QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    tab.Model()->Repaint();
  }
  tab.Refresh();
}

// Publishes a new system; `made` fills in an own system made by the program.
void AddSystem(TSystemsTab& tab, TWorkspace& ws, QWidget* parent = nullptr,
               const std::optional<std::pair<TCoverSpec, std::vector<TComb>>>& made = std::nullopt) {
  if (!parent) parent = tab.window();
  if (!EnsureIdentity(ws, parent)) return;
  TSystemData data = ws.Catalog().NewSystem();
  if (made) {
    const auto& [wanted, blocks] = *made;
    const std::string guarantee = GuaranteeText(wanted.Guarantee, wanted.Drawn);
    data.Title = SysFormat("Система \"%s\" для %d чисел", {guarantee, wanted.Nums});
    data.Description = SysFormat("Гарантия \"%s\" на %d числах, %d комбинаций; проверена по всем сочетаниям.",
                                 {guarantee, wanted.Nums, blocks.size()});
    const TNormalisedSystem content = NormaliseSystemContent(CoverFileText(blocks));
    data.Content = content.Content;
    data.Count = content.Count;
    data.Nums = static_cast<uint8_t>(wanted.Nums);
  }
  TSystemDialog dialog(parent, data, true, ws.Port());
  int row = -1;
  dialog.SetSaver([&](const TSystemData& saved) { return (row = ws.Catalog().AddSystem(saved)) >= 0; });
  if (dialog.exec() != QDialog::Accepted) return;
  tab.Refresh();
  if (row >= 0) tab.SelectRow(row);
}

void ShowSystem(TSystemsTab& tab, TWorkspace& ws) {
  const int row = tab.SelectedRow();
  if (row < 0 || ws.Systems().Rows()[row].Id < 0) return;
  const bool own = ws.Catalog().IsOwn(ws.Systems().Rows()[row].AuthorMail);
  const auto content = ws.Catalog().SystemContent(row, "Ошибка изменения системы!");
  if (!content) return;
  TSystemDialog dialog(tab.window(), ws.Catalog().SystemData(row, *content), own, ws.Port());
  if (own) dialog.SetSaver([&](const TSystemData& data) { return ws.Catalog().EditSystem(row, data); });
  if (dialog.exec() != QDialog::Accepted || !own) return;
  tab.Refresh();
}

void AddSystemCatalogCommands(TCommandMap& commands, TSystemsTab& tab, TWorkspace& ws) {
  auto shown = [&ws] { return ws.Systems().Enabled(); };
  auto online = [&ws, shown] { return shown() && ws.Catalog().HasCatalog(); };
  auto selectedRow = [&ws, &tab] {
    const int row = tab.SelectedRow();
    return row >= 0 && row < static_cast<int>(ws.Systems().Rows().size()) && ws.Systems().Rows()[row].Id >= 0 ? row
                                                                                                              : -1;
  };
  commands.Add({"SystemsRefresh", QStringLiteral("Обновить"), QStringLiteral("Обновить список систем из каталога"),
                QKeySequence(Qt::Key_F5), [&tab, &ws] { ReloadSystems(tab, ws); }, online, nullptr});
  commands.Add({"SystemsDownload",
                QStringLiteral("Загрузить"),
                QStringLiteral("Загрузить выбранные системы на компьютер"),
                {},
                [&tab, &ws] { DownloadSystems(tab, ws); },
                [online, selectedRow] { return online() && selectedRow() >= 0; },
                nullptr});
  commands.Add({"SystemsAdd",
                QStringLiteral("Добавить"),
                QStringLiteral("Опубликовать новую систему в каталоге"),
                {},
                [&tab, &ws] { AddSystem(tab, ws); },
                online,
                nullptr});
  commands.Add({"SystemsProp",
                QStringLiteral("Свойства"),
                QStringLiteral("Свойства выбранной системы"),
                {},
                [&tab, &ws] { ShowSystem(tab, ws); },
                [online, selectedRow] { return online() && selectedRow() >= 0; },
                nullptr});
  commands.Add({"SystemsDel",
                QStringLiteral("Удалить"),
                QStringLiteral("Удалить свою систему из каталога"),
                {},
                [&tab, &ws] {
                  if (ws.Catalog().DeleteSystem(tab.SelectedRow())) tab.Refresh();
                },
                [online, selectedRow, &ws] {
                  const int row = selectedRow();
                  return online() && row >= 0 && ws.Catalog().IsOwn(ws.Systems().Rows()[row].AuthorMail);
                },
                nullptr});
  QObject::connect(tab.List(), &QTableView::doubleClicked, &tab, [&commands] { commands.Trigger("SystemsProp"); });
  // F5 is the statistics refresh elsewhere in the window; in the list it reloads the systems.
  MakeShortcutLocal(commands, "SystemsRefresh", tab.List());
  tab.AddCommandButtons(commands);
}

}  // namespace

void AddSystemCommands(TCommandMap& commands, TSystemsTab& tab, TWorkspace& ws, TSystemsHost host) {
  TSystemState& systems = ws.Systems();
  auto playable = [&ws, &systems] {
    return systems.Enabled() && ws.Combs().List().Count() > 0 && ws.Stakes().Journal().IsOpen();
  };
  QAction* all = commands.Add({"SystemStakeAll", QStringLiteral("Cистемная игра по списку системы"),
                               QStringLiteral("Сделать ставки по всем комбинациям системы для чисел списка комбинаций"),
                               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_J),
                               [&ws, &tab] { PlaySystem(ws, tab.window(), TSystemPlayMode::All); }, playable, nullptr});
  QAction* filter =
      commands.Add({"SystemStakeFilter", QStringLiteral("Cистемная игра по списку комбинаций"),
                    QStringLiteral("Сделать ставки по комбинациям системы, которые есть в списке комбинаций"),
                    QKeySequence(Qt::ALT | Qt::Key_J),
                    [&ws, &tab] { PlaySystem(ws, tab.window(), TSystemPlayMode::Filter); }, playable, nullptr});
  QAction* make = commands.Add(
      {"SystemMake", QStringLiteral("Создать систему..."),
       QStringLiteral("Создать свою систему с проверенной гарантией \"T если M\" для N чисел"),
       {},
       [&ws, &tab] {
         std::function<void(const TCoverSpec&, const std::vector<TComb>&)> publish;
         TMakeSystemDialog* shown = nullptr;
         if (ws.Catalog().HasCatalog())
           publish = [&ws, &tab, &shown](const TCoverSpec& wanted, const std::vector<TComb>& blocks) {
             AddSystem(tab, ws, shown, std::make_pair(wanted, blocks));
           };
         TMakeSystemDialog dialog(tab.window(), ws, publish);
         shown = &dialog;
         QObject::connect(&dialog, &TMakeSystemDialog::Saved, &tab, [&tab] { tab.Refresh(); });
         dialog.exec();
       },
       [&systems] { return systems.Enabled(); }, nullptr});
  tab.SetPlayActions(all, filter, make);
  commands.Add({"SystemsOn", QStringLiteral("Системная игра"),
                QStringLiteral("Показать или скрыть вкладку \"Системы\""), QKeySequence(Qt::CTRL | Qt::Key_J),
                [&systems, &ws, &tab, host] {
                  const bool on = !systems.Enabled();
                  systems.SetEnabled(on);
                  {
                    std::optional<TBusyScope> busy;
                    if (on) busy.emplace(ws.Port(), "Подождите пожалуйста...");
                    tab.FollowSwitch();
                  }
                  if (host.ShowTab) host.ShowTab(on);
                },
                nullptr, [&systems] { return systems.Enabled(); }});
  AddSystemCatalogCommands(commands, tab, ws);
}

}  // namespace kivra::shell
