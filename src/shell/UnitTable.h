// The dialogs of the "Регуляры" tab: the rule dialog ("Добавление регулярной ставки") and the
// count of the back-test ("Количество тестов").
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "stakes/Tables.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kivra {
class TTables;
class TUserPort;
}  // namespace kivra

namespace kivra::shell {

// Edits a new rule: its comment, its mode (a fixed start combination or the previous draw) and its
// step. The start combination can be typed only when exactly one combination of the list was
// selected; otherwise the rules start from the selected combinations.
class TTableDialog : public QDialog {
  Q_OBJECT
 public:
  // `existing` answers whether a comment is taken by a rule already (letter case ignored).
  TTableDialog(QWidget* parent, const TTableData& rule, bool oneSelected, const TTables& existing, TUserPort& port);

  // After OK: the rule with the comment, mode, step and (when it could be typed) start taken.
  const TTableData& Rule() const { return rule_; }

 public slots:
  // Refuses a wrong start combination (focus to it), then an empty or taken comment (focus to it).
  void accept() override;

 private:
  void UpdateStartField();

  TUserPort& port_;
  const TTables& existing_;
  TTableData rule_;
  bool oneSelected_;
  QLineEdit* comment_;
  QRadioButton* fromStart_;
  QRadioButton* fromDraw_;
  QLineEdit* start_;
  QSpinBox* step_;
};

// Asks the number of draws of the back-test: 1..`max` (default 10). With an archive of fewer than
// two draws only 0 can be given, which ends the test.
class TTestCountDialog : public QDialog {
  Q_OBJECT
 public:
  TTestCountDialog(QWidget* parent, int max);
  // The count typed; 0 when the field is empty or holds 0 (the test then does not run).
  int Count() const;

 private:
  QSpinBox* count_;
};

}  // namespace kivra::shell
