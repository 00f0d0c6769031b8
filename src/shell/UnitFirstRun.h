// The dialog "Справочная информация" shown at start until the user asks not to see it again: the
// built-in help file and the program's web pages.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QCheckBox;

namespace kivra::shell {

class TFirstRunDialog : public QDialog {
  Q_OBJECT
 public:
  // `links`: the addresses of section LINKS by key (a page without an http or https address has its
  // button disabled). `openHelp` shows the help index (the desktop's handler of helpFile when empty).
  TFirstRunDialog(QWidget* parent, const QString& helpFile /* empty when none */,
                  const std::map<QString, QString>& links = {}, std::function<void()> openHelp = {});

  bool DontShowAgain() const;

  // The web pages the buttons open: caption and key of section LINKS.
  static std::vector<std::pair<QString, QString>> WebPages();

 private:
  QCheckBox* dontShow_;
};

}  // namespace kivra::shell
