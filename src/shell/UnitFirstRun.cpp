#include "shell/UnitFirstRun.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QMessageBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/WebLinks.h"

namespace kivra::shell {

std::vector<std::pair<QString, QString>> TFirstRunDialog::WebPages() {
  return {
      {QStringLiteral("Статьи о программе"), QStringLiteral("AuthText")},
      {QStringLiteral("Блог"), QStringLiteral("Blog")},
      {QStringLiteral("Видеоканал"), QStringLiteral("YT")},
      {QStringLiteral("Группа пользователей"), QStringLiteral("VK")},
      {QStringLiteral("Группа обсуждений"), QStringLiteral("OK")},
      {QStringLiteral("Канал новостей"), QStringLiteral("TG")},
  };
}

TFirstRunDialog::TFirstRunDialog(QWidget* parent, const QString& helpFile, const std::map<QString, QString>& links,
                                 std::function<void()> openHelp)
    : QDialog(parent) {
  setObjectName("FirstRunDialog");
  setWindowTitle(QStringLiteral("Справочная информация"));

  auto* text =
      new QLabel(QStringLiteral("Если Вы запускаете программу в первый раз, рекомендуем Вам ознакомиться со справочной "
                                "информацией:"),
                 this);
  text->setObjectName("lblText");
  text->setWordWrap(true);

  auto* help = new QPushButton(QStringLiteral("Открыть файл встроенной справочной системы"), this);
  help->setObjectName("btnHelpFile");
  help->setEnabled(!helpFile.isEmpty() && QFileInfo(helpFile).isFile());
  connect(help, &QPushButton::clicked, this, [this, helpFile, openHelp] {
    if (openHelp) openHelp();
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)))
      QMessageBox::warning(this, QStringLiteral("Внимание!"),
                           QStringLiteral("Не найдена программа, которая открывает файл %1.").arg(helpFile));
  });

  // The web pages in two columns of three.
  auto* pages = new QGridLayout;
  const auto list = WebPages();
  for (size_t i = 0; i < list.size(); ++i) {
    auto* button = new QPushButton(list[i].first, this);
    button->setObjectName(QStringLiteral("btnWeb%1").arg(i + 1));
    const auto it = links.find(list[i].second);
    const QString address = it == links.end() ? QString() : it->second;
    button->setEnabled(IsWebAddress(address));
    button->setToolTip(address);
    connect(button, &QPushButton::clicked, this, [this, address] { OpenWebPageOrSay(QUrl(address), this); });
    pages->addWidget(button, static_cast<int>(i % 3), static_cast<int>(i / 3));
  }

  dontShow_ = new QCheckBox(QStringLiteral("Больше не показывать данный диалог"), this);
  dontShow_->setObjectName("chkDontShow");

  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  close->setObjectName("btnClose");
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(dontShow_);
  bottom->addStretch(1);
  bottom->addWidget(close);

  auto* main = new QVBoxLayout(this);
  main->addWidget(text);
  main->addWidget(help);
  main->addSpacing(6);
  main->addLayout(pages);
  main->addSpacing(6);
  main->addLayout(bottom);
  main->setSizeConstraint(QLayout::SetFixedSize);
  text->setFixedWidth(440);
}

bool TFirstRunDialog::DontShowAgain() const { return dontShow_->isChecked(); }

}  // namespace kivra::shell
