// The dialog "Система": one catalogue system with its content. Editable for an own or a new
// system (OK checks the fields in order), read-only without OK for another author's.
#pragma once

#include <QDialog>

#include "online/Catalog.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TSystemDialog : public QDialog {
  Q_OBJECT
 public:
  TSystemDialog(QWidget* parent, const TSystemData& data, bool editable, TUserPort& port);

  // The dialog's values (after OK).
  const TSystemData& Data() const { return data_; }
  // The content normalised as when it loses focus: lines rewritten, "Числа:" and "Комбинаций:".
  void NormaliseContent();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void accept() override;

 private:
  QLineEdit* AddLine(const char* name, const QString& text, bool readOnly);

  TSystemData data_;
  bool editable_;
  TUserPort& port_;
  QLineEdit* edTitle_ = nullptr;
  QPlainTextEdit* edDescr_ = nullptr;
  QLineEdit* edAuthor_ = nullptr;
  QLineEdit* edUrl_ = nullptr;
  QPushButton* btnUrl_ = nullptr;
  QPlainTextEdit* edContent_ = nullptr;
  QLineEdit* edCreated_ = nullptr;
  QLineEdit* edCount_ = nullptr;
  QLineEdit* edNums_ = nullptr;
  QLineEdit* edBlock_ = nullptr;
};

}  // namespace kivra::shell
