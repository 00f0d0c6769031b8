// The "Схема" tab: the layout grid of a window of recent draws (numbers by how often and how
// lately they came) above the five compare tables of those counts over five window lengths; the
// selected cells of the grid filter the combination list.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <array>

#include "shell/ViewGrid.h"
#include "views/LayoutView.h"

class QSpinBox;
class QSplitter;
class QTableView;

namespace kivra {
class TWorkspace;
class TViewsState;
}  // namespace kivra

namespace kivra::shell {

class TCommandMap;
class TXlsxExporter;

// One compare table of the views state: "Кол-во" and the window's draw range.
class TCompareModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TCompareModel(const TViewsState& views, int table, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The table's rows were rebuilt or reordered.
  void Reset();

 private:
  const TViewsState& views_;
  int table_;
  int rows_ = 0;
};

class TLayoutTab : public QWidget {
  Q_OBJECT
 public:
  explicit TLayoutTab(TWorkspace& ws, QWidget* parent = nullptr);

  QTableView* Grid() const { return grid_; }
  TGridModel* Model() const { return model_; }
  QTableView* CompareTable(int k) const { return tables_[size_t(k)]; }
  QSpinBox* LengthField() const { return edLen_; }
  QSpinBox* CompareLengthField(int k) const { return edCmpLen_[size_t(k)]; }

  // The fields and the panel height from the views state and the window settings (at creation);
  // written back at closing.
  void LoadSettings();
  void SaveSettings();

  // The layout grid's and the compare tables' refreshes (nothing while the tab is hidden).
  void RefreshLayout(bool force);
  void RefreshCompare(bool force);
  // A header click on a compare table.
  void ClickCompareColumn(int k, int column);
  void AddCommands(TCommandMap& commands, TShowPage showPage, TXlsxExporter& xlsx);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The lengths the fields show (their typed text taken first).
  void ApplyLength();
  void ApplyCompareLengths();
  void SizeColumns();

  TWorkspace& ws_;
  TGridModel* model_;
  QTableView* grid_;
  QSpinBox* edLen_;
  QSplitter* splitter_;
  std::array<QSpinBox*, CompareTableCount> edCmpLen_{};
  std::array<TCompareModel*, CompareTableCount> cmpModels_{};
  std::array<QTableView*, CompareTableCount> tables_{};
  QWidget* cmpPanel_;
};

}  // namespace kivra::shell
