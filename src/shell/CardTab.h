// The "Карта" tab: the whole archive as a grid of draws by numbers, read from the engine on demand
// and coloured by channels, repeats and neighbours; the selected cells filter the combination list.
#pragma once

#include <QWidget>
#include <functional>

#include "shell/ViewGrid.h"

class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;
class TXlsxExporter;

class TCardTab : public QWidget {
  Q_OBJECT
 public:
  // `firstColumnWidth` is the width of the draws list's first column, which column 0 follows.
  TCardTab(TWorkspace& ws, std::function<int()> firstColumnWidth, QWidget* parent = nullptr);

  QTableView* Grid() const { return grid_; }
  TGridModel* Model() const { return model_; }

  // The card's refresh: nothing while the tab is hidden; the grid laid out again when forced or
  // when the archive's row count changed, else repainted.
  void Refresh(bool force);
  // Registers the tab's commands (show/hide, filters, colour switches) and gives the grid its
  // context menu.
  void AddCommands(TCommandMap& commands, TShowPage showPage, TXlsxExporter& xlsx);

 private:
  TWorkspace& ws_;
  std::function<int()> firstColumnWidth_;
  TGridModel* model_;
  QTableView* grid_;
};

}  // namespace kivra::shell
