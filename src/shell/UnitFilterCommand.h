// The dialog "Фильтр": one filter command of a script line edited field by field, and checked
// before it is accepted.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "scripts/ScriptText.h"
#include "stats/StatList.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

// What the editors take from the main window when they open.
struct TScriptEditContext {
  const TStatList* Stats = nullptr;
  TUserPort* Port = nullptr;  // shows the check messages
  // The statistics selector's entries in its order, and its current entry (-1: none).
  std::vector<TStatList::TSelectorItem> Methods;
  int CurrentMethod = -1;
  int SampleLength = 1;  // the statistics tab's number of draws
  int DrawsExclude = 0;  // the combinations tab's "exclude the latest draws" field
};

class TFilterCommandDialog : public QDialog {
  Q_OBJECT
 public:
  TFilterCommandDialog(QWidget* parent, const TScriptEditContext& context, const TFilterItem& item);

  // The command the controls describe (meaningful after OK).
  TFilterItem Item() const;

 public slots:
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateEnabled();
  // The first failing check's message with its control focused; empty when every check passes.
  std::string Check();

  const TScriptEditContext& context_;
  QComboBox* method_;
  QLineEdit* drawsLen_;
  QComboBox* sortColumn_;
  QComboBox* direction_;
  QComboBox* mode_;
  QCheckBox* multi_;
  QComboBox* level_;
  QLineEdit* levelValue_;
  QComboBox* stop_;
  QSpinBox* stopValue_;
  QCheckBox* override_;
  QDoubleSpinBox* coefCount_;
  QDoubleSpinBox* coefDeviation_;
  QDoubleSpinBox* coefLevel_;
  QCheckBox* percents_;
  QCheckBox* abs_;
};

}  // namespace kivra::shell
