// The "Ставки" tab: the grid of the stakes journal and the commands that make, check and delete
// stakes. The grid's model reads each record it shows from the open journal through the journal's
// one-record cache; nothing of the journal is kept in the widgets, so a journal of a million stakes
// opens and scrolls as fast as a small one.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/NoticeBar.h"
#include "stakes/StakeData.h"

class QTableView;

namespace kivra {
class TStakeState;
class TWorkspace;
}  // namespace kivra

namespace kivra::shell {

class TCommandMap;
class TXlsxExporter;

// The grid's rows: the journal's records in file order (one empty row for an empty journal).
class TStakesModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TStakesModel(TStakeState& stakes, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The cell texts (the delegate draws the cells from the record itself).
  QVariant data(const QModelIndex& index, int role) const override;

  // The record at a row; false for the empty row and for rows the journal no longer has.
  bool Record(int row, TStakeData& record) const;
  // Rows appended or removed at the end; the rows kept are repainted.
  void SetRowCount(int rows);
  void Repaint();

 private:
  TStakeState& stakes_;
  int rows_ = 0;
};

// Draws a cell: the kind's background, the numbers of "Моя ставка" and "Результаты тиража" one by
// one with the matched ones bold and blue, the draw's columns of a checked stake green for a gain
// and red otherwise.
class TStakesDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TStakesDelegate(const TStakesModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const TStakesModel& model_;
};

class TStakesTab : public QWidget {
  Q_OBJECT
 public:
  // `newTable` makes the window's kind of list over a model (name "sgStakes"). The tab becomes the
  // stakes state's view: every view update of the state reaches the grid.
  TStakesTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
             QWidget* parent = nullptr);

  QTableView* Grid() const { return grid_; }
  TStakesModel* Model() const { return model_; }

  // The selected records as 0-based journal indexes (the selection is one block of rows); false
  // when no record is selected.
  bool SelectedRecords(int& first, int& last) const;

  // The stakes state's view update: the row count, the repaint, the scroll to the newest record.
  void UpdateView(int rows, bool refresh, bool scroll, bool changed);
  // The notice above the grid (an empty prize table); hidden when empty.
  TNoticeBar* Notice() const { return notice_; }

 private:
  TWorkspace& ws_;
  TNoticeBar* notice_;
  TStakesModel* model_;
  QTableView* grid_;
};

// What the stake commands need of the combination list: its selected rows (ascending) and clearing
// its selection.
struct TCombSelection {
  std::function<std::vector<uint32_t>()> Rows;
  std::function<bool()> Any;
  std::function<void()> Clear;
};

// Registers the commands of the tab in the window's command map and gives the grid its context
// menu.
void AddStakeCommands(TCommandMap& commands, TStakesTab& tab, TWorkspace& ws, TCombSelection combs,
                      TXlsxExporter& xlsx);
// The "Ставки" menu in order ("" a separator); commands not registered are left out by the map.
const std::vector<QString>& StakeMenuCommands();

}  // namespace kivra::shell
