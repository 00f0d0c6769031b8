// The dialog "Создание нового списка комбинаций": the generation mode, the user's numbers or the
// file to load, and whether these become the defaults.
#pragma once

#include <QDialog>

#include "combs/CombGen.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TGenerateDialog : public QDialog {
  Q_OBJECT
 public:
  // With a port, OK refuses numbers that cannot make a useful list (GenNumbersProblem's message)
  // and keeps the dialog open.
  TGenerateDialog(QWidget* parent, const TGenParams& defaults, TUserPort* port = nullptr);

  // The chosen mode and the text cut to 255 characters.
  TGenParams Params() const;
  bool SaveAsDefaults() const;

 public slots:
  void accept() override;

 private:
  void UpdateEnabled();
  void BrowseFile();

  QComboBox* mode_;
  QLineEdit* param_;
  QToolButton* browse_;
  QCheckBox* saveDefaults_;
  TUserPort* port_;
};

}  // namespace kivra::shell
