// The dialog that adds or edits one draw of the archive: its number, its five numbers in drawn
// order and its date.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/SortaUtils.h"

class QDateEdit;
class QLineEdit;
class QSpinBox;
class QTimeEdit;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TEditDrawDialog : public QDialog {
  Q_OBJECT
 public:
  // `numberTaken` (optional) gives the message refusing a draw number, or an empty text when the
  // number is free.
  using TNumberCheck = std::function<std::string(int32_t number)>;
  TEditDrawDialog(QWidget* parent, const QString& caption, const TDraw& draw, TUserPort& port,
                  TNumberCheck numberTaken = {});

  // The record built when the dialog was accepted: the number, the numbers in the order written
  // and the date text "yyyy-mm-dd".
  TDraw Result() const { return result_; }

 public slots:
  // Checks the numbers and the draw number first; a bad text or a taken number shows the
  // program's message and keeps the dialog open.
  void accept() override;

 private:
  TUserPort& port_;
  TNumberCheck numberTaken_;
  QSpinBox* number_;
  QLineEdit* numbers_;
  QDateEdit* date_;
  QTimeEdit* time_;
  TDraw result_{};
};

}  // namespace kivra::shell
