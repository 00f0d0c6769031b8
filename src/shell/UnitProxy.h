// The dialog "Параметры proxy-сервера": no proxy, automatic discovery, or a server given by hand.
#pragma once

#include <QDialog>

#include "core/Config.h"

class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kivra::shell {

class TEditProxyDialog : public QDialog {
  Q_OBJECT
 public:
  TEditProxyDialog(QWidget* parent, const TProxyConfig& proxy);

  // The fields and the mode of the choice; the automatic choice empties server, user and password
  // and sets the port to 0.
  TProxyConfig Result() const;

 private:
  void UpdateEnabled();

  QRadioButton* none_;
  QRadioButton* automatic_;
  QRadioButton* manual_;
  QWidget* manualBox_;
  QLineEdit* server_;
  QSpinBox* port_;
  QLineEdit* user_;
  QLineEdit* password_;
};

}  // namespace kivra::shell
