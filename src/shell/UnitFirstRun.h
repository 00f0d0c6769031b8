// The dialog "Справочная информация" shown at start until the user asks not to see it again: the
// built-in help file and the program's web pages.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <utility>
#include <vector>

class QCheckBox;

namespace kivra::shell {

class TFirstRunDialog : public QDialog {
  Q_OBJECT
 public:
  TFirstRunDialog(QWidget* parent, const QString& helpFile /* empty when none */);

  bool DontShowAgain() const;

  // The web pages the buttons open: caption and address.
  static std::vector<std::pair<QString, QUrl>> WebPages();

 private:
  QCheckBox* dontShow_;
};

}  // namespace kivra::shell
