// The "Графики" tab: the value one chartable statistic gives each draw of a window of recent draws,
// with the window's mean and its most frequent value, on the program's chart.
#pragma once

#include <QWidget>
#include <vector>

#include "shell/ViewGrid.h"
#include "stats/StatList.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QSpinBox;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;
class TStatChart;

class TGraphsTab : public QWidget {
  Q_OBJECT
 public:
  explicit TGraphsTab(TWorkspace& ws, QWidget* parent = nullptr);

  QComboBox* Selector() const { return cbType_; }
  QSpinBox* LengthField() const { return edLen_; }
  QCheckBox* MarksBox() const { return chkMarks_; }
  TStatChart* Chart() const { return chart_; }

  // The switch and the length from the settings; the field shows the length.
  void LoadSettings();
  // The length the field shows, written to the settings.
  void SaveSettings();
  // The selector lists the chartable entries (the statistics tab's chart items), keeping the chosen
  // position when it still exists, else choosing the first.
  void FillSelector(const std::vector<TStatList::TSelectorItem>& items);
  // The registry entry chosen (-1: none).
  int SelectedEntry() const;
  // The chart built again when forced or when its inputs changed (nothing while hidden).
  void Refresh(bool force);
  // "TabGraps" (the "Вид" switch) and "DrawsGraphDraw" ("Обновить").
  void AddCommands(TCommandMap& commands, TShowPage showPage);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The field's text committed and its value given to the state.
  void ApplyLength();
  bool CanDraw() const;

  TWorkspace& ws_;
  QComboBox* cbType_;
  QSpinBox* edLen_;
  QCheckBox* chkMarks_;
  TStatChart* chart_;
  QHBoxLayout* panel_;  // the selector's row; the command button joins it
};

}  // namespace kivra::shell
