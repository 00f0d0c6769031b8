// What the card, layout and week tabs share: a grid of texts and colours read from the engine on
// demand (row 0 and column 0 of the engine's grid become the table's headers, so they stay in view
// while the data scrolls), the delegate that paints the current cell as selected, and the
// selected rectangle as the combination filter takes it.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>
#include <string>
#include <vector>

#include "combs/CombFilters.h"
#include "views/ViewColors.h"
#include "workspace/ViewsState.h"

class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;

// Shows or hides a page of the right page control (a shown page becomes the current one).
using TShowPage = std::function<void(QWidget* page, bool shown)>;

class TGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The engine's grid: cell texts and backgrounds by grid row and column (headers included).
  using TText = std::function<std::string(int row, int column)>;
  using TColor = std::function<TCellColor(int row, int column)>;
  TGridModel(TText text, TColor color, QObject* parent);

  // The grid's size, headers included; the table shows (rows - 1) x (columns - 1) data cells.
  void SetGridSize(int rows, int columns);
  int GridRows() const { return rows_; }
  int GridColumns() const { return columns_; }
  // Every cell read again (after a colour switch or a change of the texts).
  void Repaint();
  std::string GridText(int row, int column) const { return text_(row, column); }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : std::max(0, rows_ - 1); }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : std::max(0, columns_ - 1);
  }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TText text_;
  TColor color_;
  int rows_ = 0;
  int columns_ = 0;
};

// Paints a cell as the grids show it: its background (the selection colour for a selected or
// the current cell) and its text centred, 2 pixels below the cell's top, without the margins that
// would not leave room for two digits in an 18-pixel column.
class TGridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// A grid view: one selected rectangle of cells, fixed row heights, no editing, its own delegate.
QTableView* NewGridView(const char* name, QAbstractItemModel* model);
// The show/hide command of a view tab ("TabCard", ...): toggles the switch (written at once),
// shows or hides the page and, when shown, runs `refresh` (forced); checked while shown.
void AddTabCommand(TCommandMap& commands, TWorkspace& ws, TViewTab tab, const QString& name, const QString& caption,
                   const QString& hint, QWidget* page, const TShowPage& showPage, std::function<void()> refresh);
// "<prefix>_Include" and "<prefix>_Exclude": the grid's selection kept or removed from the
// combination list, enabled while the tab is shown, the list is not empty and (`needsCell`) the
// grid has a current cell. `what` ends their hints ("... с выделенными в карте числами").
void AddGridFilterCommands(TCommandMap& commands, TWorkspace& ws, TViewTab tab, TGridKind kind, const QString& prefix,
                           const QTableView* view, const TGridModel& model, bool needsCell, const QString& what);
// Gives a grid its context menu: the named commands, "" for a separator.
void AddContextMenu(QWidget* view, const TCommandMap& commands, const std::vector<QString>& names);
// Pixels of the design scaled to the screen's resolution (96 dpi is 1:1).
int ScaledPx(const QWidget* widget, int pixels);

// The selected rectangle (or the current cell when nothing is selected): its texts column by column
// with Left as the engine grid's column index. False when there is neither.
bool GridSelection(const QTableView* view, const TGridModel& model, TGridSelection& selection);

}  // namespace kivra::shell
