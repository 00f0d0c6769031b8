// The dialog "Параметры online-сервисов": the name and e-mail the catalogues know the user by
// (asked before the first publish or rating), and the command EditOnline that opens it.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;

class TOnlineDialog : public QDialog {
  Q_OBJECT
 public:
  TOnlineDialog(QWidget* parent, const TWorkspace& ws);
  QString Name() const;
  QString Mail() const;

 protected:
  void accept() override;

 private:
  QLineEdit* edName_;
  QLineEdit* edMail_;
};

// Shows the dialog and saves what it gives. False when cancelled or not saved.
bool EditOnlineIdentity(TWorkspace& ws, QWidget* parent);
// True when the name and e-mail are known, else after the dialog gave them.
bool EnsureIdentity(TWorkspace& ws, QWidget* parent);

// Registers EditOnline ("Параметры online-сервисов").
void AddOnlineCommand(TCommandMap& commands, TWorkspace& ws, QWidget* parent);

}  // namespace kivra::shell
