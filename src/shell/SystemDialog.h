// The dialog "Система": one catalogue system with its content. Editable for an own or a new
// system (OK checks the fields in order), read-only without OK for another author's.
#pragma once

#include <QDialog>
#include <functional>

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
  // Sends the checked values on OK; when it fails (its message shown) the dialog stays open with
  // what was typed.
  using TSaver = std::function<bool(const TSystemData&)>;
  void SetSaver(TSaver saver) { saver_ = std::move(saver); }
  // The content normalised as when it loses focus: lines rewritten, "Числа:" and "Комбинаций:".
  void NormaliseContent();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void accept() override;

 private:
  QLineEdit* AddLine(const char* name, const QString& text, bool readOnly);

  TSystemData data_;
  TSaver saver_;
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
