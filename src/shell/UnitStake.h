// The dialogs of the "Ставки" tab: one stake ("Добавление ставки"), stakes for several combinations
// ("Добавление мультиставки") and deletion by match count ("Удаление по условию").
#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "stakes/StakeData.h"
#include "stakes/StakesJournal.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

// The numbers of the stake dialog's text: words separated by ';' or ',' (blanks around them
// ignored), 5..12 distinct integers 1..45, sorted ascending. Empty when the text is not such a list.
std::optional<TStakeNumbers> ParseStakeNumbers(const QString& text);
// The sum the dialog shows for the text: a word that is not a number counts 0.
long long StakeTextSum(const QString& text);

// The longest comment the dialogs accept.
constexpr int StakeCommentLength = 64;

// Edits one stake: its draw number, the number of consecutive draws, the numbers and the comment.
class TStakeDialog : public QDialog {
  Q_OBJECT
 public:
  TStakeDialog(QWidget* parent, const TStakeData& record, TUserPort& port);

  // After OK: the record with the draw number, the comment and the sorted numbers taken.
  const TStakeData& Record() const { return record_; }
  int Draws() const { return draws_; }

 public slots:
  // Refuses a wrong combination (focus to the numbers), then an empty comment (focus to it).
  void accept() override;

 private:
  void UpdateSum();

  TUserPort& port_;
  TStakeData record_;
  int draws_ = 1;
  QSpinBox* number_;
  QSpinBox* count_;
  QLineEdit* numbers_;
  QLineEdit* sum_;
  QLineEdit* comment_;
};

// The draw number, draw count and comment of stakes made for many combinations at once.
class TMultiStakeDialog : public QDialog {
  Q_OBJECT
 public:
  TMultiStakeDialog(QWidget* parent, int32_t drawNumber, std::string_view comment, TUserPort& port);

  int32_t DrawNumber() const;
  int Draws() const;
  std::string Comment() const;

 public slots:
  void accept() override;

 private:
  TUserPort& port_;
  QSpinBox* number_;
  QSpinBox* count_;
  QLineEdit* comment_;
};

// The condition and match count of deletion by condition; opens with "Равно [ = ]" and 0.
class TStakeConditionDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TStakeConditionDialog(QWidget* parent);

  TStakeCondition Condition() const;
  int32_t Value() const;

 private:
  QComboBox* condition_;
  QSpinBox* value_;
};

}  // namespace kivra::shell
