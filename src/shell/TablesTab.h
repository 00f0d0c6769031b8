// The "Регуляры" tab: the list of the regular stake rules in file order (read from the engine's
// rules on demand), with the commands that add and delete rules, make a stake from a rule and
// back-test rules. The tab can be hidden from the "Вид" menu; hidden, it keeps no rules.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "shell/ListModels.h"

class QTableView;

namespace kivra {
class TTableState;
class TWorkspace;
}  // namespace kivra

namespace kivra::shell {

class TCommandMap;
struct TCombSelection;

// The rules in list order, their texts from the rules state.
class TTablesModel : public TArrayModel {
  Q_OBJECT
 public:
  TTablesModel(const TTableState& tables, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TTableState& tables_;
};

class TTablesTab : public QWidget {
  Q_OBJECT
 public:
  // `newTable` makes the window's kind of list over a model (name "lvTables"). The tab becomes the
  // rules' view: every load, save and hiding of the rules reaches the list.
  TTablesTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
             QWidget* parent = nullptr);

  QTableView* List() const { return list_; }
  TTablesModel* Model() const { return model_; }
  // The selected rows, ascending.
  std::vector<int> SelectedRows() const;
  bool HasSelection() const;

  // The list shows the rules the state holds.
  void UpdateView();

 private:
  TTableState& tables_;
  TTablesModel* model_;
  QTableView* list_;
};

// Shows or hides the tab in the window (and makes it the current page when `activate`).
using TTabPlacer = std::function<void(bool shown, bool activate)>;

// Registers the tab's commands (and "TabTables" of the "Вид" menu) in the window's command map and
// gives the list its context menu.
void AddTableCommands(TCommandMap& commands, TTablesTab& tab, TWorkspace& ws, TCombSelection combs, TTabPlacer place);
// The "Регуляры" menu in order ("" a separator).
const std::vector<QString>& TableMenuCommands();

}  // namespace kivra::shell
