// The window "Количество повторов в зависимости от тиража": for each recent draw, how many earlier
// draws within a depth shared 1, 2, ... numbers with it, as a list and a chart below it. Its
// lengths, chart height and placement live in its own settings section, read when it opens and
// written when it closes.
#pragma once

#include <QDialog>
#include <string_view>

class QSpinBox;
class QSplitter;
class QTableWidget;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TStatChart;

inline constexpr std::string_view RepeatsSection = "TFormRepeats";

class TRepeatsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TRepeatsWindow(TWorkspace& ws, QWidget* parent = nullptr);

  QSpinBox* LengthField() const { return edLength_; }
  QSpinBox* DeepField() const { return edDeep_; }
  QTableWidget* List() const { return list_; }
  TStatChart* Chart() const { return chart_; }

  // Computes the list and the chart for the fields' values.
  void Calculate();
  // Opens the window, computes it once and shows it modally.
  static void ShowModal(TWorkspace& ws, QWidget* parent);

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadSettings();
  void SaveSettings();

  TWorkspace& ws_;
  QSpinBox* edLength_;
  QSpinBox* edDeep_;
  QTableWidget* list_;
  TStatChart* chart_;
  QSplitter* splitter_;
};

}  // namespace kivra::shell
