// The dialog "Создание нового списка комбинаций": the generation mode, the user's numbers or the
// file to load, and whether these become the defaults.
#pragma once

#include <QDialog>

#include "combs/CombGen.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;

namespace kivra::shell {

class TGenerateDialog : public QDialog {
  Q_OBJECT
 public:
  TGenerateDialog(QWidget* parent, const TGenParams& defaults);

  // The chosen mode and the text cut to 255 characters.
  TGenParams Params() const;
  bool SaveAsDefaults() const;

 private:
  void UpdateEnabled();
  void BrowseFile();

  QComboBox* mode_;
  QLineEdit* param_;
  QToolButton* browse_;
  QCheckBox* saveDefaults_;
};

}  // namespace kivra::shell
