// The "Неделя" tab: how often each number came on each weekday over a window of recent draws, as
// a heat map, with the chart of the current cell's weekday row or number column below; the
// selected columns (numbers) filter the combination list.
#pragma once

#include <QWidget>

#include "shell/ViewGrid.h"

class QSpinBox;
class QSplitter;
class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;
class TStatChart;

class TWeekTab : public QWidget {
  Q_OBJECT
 public:
  explicit TWeekTab(TWorkspace& ws, QWidget* parent = nullptr);

  QTableView* Grid() const { return grid_; }
  TGridModel* Model() const { return model_; }
  TStatChart* Chart() const { return chart_; }
  QSpinBox* LengthField() const { return edLen_; }

  void LoadSettings();
  void SaveSettings();

  // The week's refresh (nothing while the tab is hidden), then the chart of the current cell (at
  // once while the page is in sight, else when it shows).
  void Refresh(bool force);
  // Draws the chart of the grid cell (engine grid indexes, 1 and more).
  void DrawChart(int column, int row);
  // The chart of the current cell (the first data cell when there is none).
  void DrawCurrentChart();
  void AddCommands(TCommandMap& commands, TShowPage showPage);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void SizeColumns();

  TWorkspace& ws_;
  TGridModel* model_;
  QTableView* grid_;
  QSpinBox* edLen_;
  TStatChart* chart_;
  QSplitter* splitter_;
  // The counts changed while the page was out of sight: the chart is drawn when it shows.
  bool chartStale_ = false;
};

}  // namespace kivra::shell
