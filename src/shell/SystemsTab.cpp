#include "shell/SystemsTab.h"

#include <QAction>
#include <QHeaderView>
#include <optional>
#include <QTableView>
#include <QVBoxLayout>

#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
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

}  // namespace

TSystemsModel::TSystemsModel(const TWorkspace& ws, QObject* parent) : TArrayModel(SystemColumns(), parent), ws_(ws) {}

QVariant TSystemsModel::data(const QModelIndex& index, int role) const {
  const auto& rows = ws_.Systems().Rows();
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
  if (role != Qt::DisplayRole) return {};
  const TSystemInfo& info = rows[index.row()];
  return ToQ(SystemCellText(info, index.column(), ws_.Systems().Downloaded(info)));
}

TSystemsTab::TSystemsTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
                         QWidget* parent)
    : QWidget(parent), ws_(ws), model_(new TSystemsModel(ws, this)), list_(newTable(model_)) {
  // Initially sorted by "Числа" ascending.
  list_->horizontalHeader()->setSortIndicatorShown(true);
  list_->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  // Names and descriptions are the long texts.
  list_->setColumnWidth(0, 240);
  list_->setColumnWidth(9, 240);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->addWidget(list_);
}

void TSystemsTab::Refresh() { model_->SetRowCount(static_cast<int>(ws_.Systems().Rows().size())); }

void TSystemsTab::FollowSwitch() {
  const bool on = ws_.Systems().Enabled();
  for (QAction* a : playActions_)
    if (a) a->setVisible(on);
  if (on) ws_.Systems().LoadList();
  else ws_.Systems().ClearList();
  Refresh();
}

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
  tab.SetPlayActions(all, filter);
  commands.Add({"SystemsOn",
                QStringLiteral("Системная игра"),
                QStringLiteral("Показать или скрыть вкладку \"Системы\""),
                {},
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
                nullptr,
                [&systems] { return systems.Enabled(); }});
}

}  // namespace kivra::shell
