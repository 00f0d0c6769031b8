// The "Системы" tab: the systems list (the catalogue's rows; the placeholder row until a catalogue
// fills it) and the commands of system play from the local folder Systems.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "shell/ListModels.h"

class QAbstractItemModel;
class QAction;
class QBoxLayout;
class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;

// The rows of the systems list, their texts from the systems state.
class TSystemsModel : public TArrayModel {
  Q_OBJECT
 public:
  TSystemsModel(const TWorkspace& ws, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TWorkspace& ws_;
};

class TSystemsTab : public QWidget {
  Q_OBJECT
 public:
  // `newTable` makes the window's kind of list over a model (name "lvSystems").
  TSystemsTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
              QWidget* parent = nullptr);

  QTableView* List() const { return list_; }
  // The selected rows in order, and the current (first) one, -1 when none.
  std::vector<int> SelectedRows() const;
  int SelectedRow() const;
  // Makes the row the only selected one and scrolls to it.
  void SelectRow(int row);
  // The catalogue's commands' button row and the list's context menu.
  void AddCommandButtons(TCommandMap& commands);
  TSystemsModel* Model() const { return model_; }
  // The list shown again from the systems state.
  void Refresh();
  // The list and the two play commands follow the switch "SystemsEnabled": loaded and shown, or
  // emptied and hidden.
  void FollowSwitch();
  // The commands shown only with the tab: the two play commands and "Создать систему...".
  void SetPlayActions(QAction* all, QAction* filter, QAction* make) { playActions_ = {all, filter, make}; }

 private:
  TWorkspace& ws_;
  TSystemsModel* model_;
  QTableView* list_;
  std::array<QAction*, 3> playActions_{};
  QBoxLayout* buttons_ = nullptr;
};

// What the system commands take from the main window.
struct TSystemsHost {
  // Shows or hides the tab (shown: it becomes the active page).
  std::function<void(bool show)> ShowTab;
};

// Registers SystemsOn, SystemStakeAll, SystemStakeFilter, SystemMake and the catalogue's SystemsRefresh,
// SystemsDownload, SystemsAdd, SystemsProp (also a double click on a row) and SystemsDel.
void AddSystemCommands(TCommandMap& commands, TSystemsTab& tab, TWorkspace& ws, TSystemsHost host);

}  // namespace kivra::shell
