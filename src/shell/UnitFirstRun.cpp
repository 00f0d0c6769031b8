#include "shell/UnitFirstRun.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivra::shell {

std::vector<std::pair<QString, QUrl>> TFirstRunDialog::WebPages() {
  return {
      {QStringLiteral("Статьи о программе"), QUrl("https://example.org/kivra/articles/")},
      {QStringLiteral("Блог"), QUrl("https://example.org/kivra/blog/")},
      {QStringLiteral("Видеоканал"), QUrl("https://example.org/kivra/video/")},
      {QStringLiteral("Группа пользователей"), QUrl("https://example.org/kivra/community/")},
      {QStringLiteral("Группа обсуждений"), QUrl("https://example.org/kivra/forum/")},
      {QStringLiteral("Канал новостей"), QUrl("https://example.org/kivra/news/")},
  };
}

TFirstRunDialog::TFirstRunDialog(QWidget* parent, const QString& helpFile) : QDialog(parent) {
  setObjectName("FirstRunDialog");
  setWindowTitle(QStringLiteral("Справочная информация"));

  auto* text =
      new QLabel(QStringLiteral("Если Вы запускаете программу в первый раз, рекомендуем Вам ознакомится со справочной "
                                "инфомацией:"),
                 this);
  text->setObjectName("lblText");
  text->setWordWrap(true);

  auto* help = new QPushButton(QStringLiteral("Открыть файл встроенной справочной системы"), this);
  help->setObjectName("btnHelpFile");
  help->setEnabled(!helpFile.isEmpty() && QFileInfo(helpFile).isFile());
  connect(help, &QPushButton::clicked, this, [helpFile] { QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)); });

  // The web pages in two columns of three.
  auto* pages = new QGridLayout;
  const auto list = WebPages();
  for (size_t i = 0; i < list.size(); ++i) {
    auto* button = new QPushButton(list[i].first, this);
    button->setObjectName(QStringLiteral("btnWeb%1").arg(i + 1));
    button->setToolTip(list[i].second.toString());
    const QUrl url = list[i].second;
    connect(button, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
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
