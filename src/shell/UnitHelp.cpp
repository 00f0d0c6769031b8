#include "shell/UnitHelp.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "shell/WebLinks.h"
#include "stats/StatList.h"

namespace kivra::shell {

namespace {

QString LocalFile(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).toLocalFile(); }

}  // namespace

TDescriptionViewer::TDescriptionViewer(QWidget* parent, const QString& pageFile, const QString& title)
    : QDialog(parent) {
  setObjectName("DescriptionViewer");
  setWindowTitle(title);

  browser_ = new QTextBrowser(this);
  browser_->setObjectName("tbDescription");
  // Every link passes through FollowLink: local pages open here, web pages in the browser.
  browser_->setOpenLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, &TDescriptionViewer::FollowLink);

  back_ = new QPushButton(QStringLiteral("Назад"), this);
  back_->setObjectName("btnBack");
  back_->setEnabled(false);
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);

  contents_ = new QPushButton(QStringLiteral("Содержание"), this);
  contents_->setObjectName("btnContents");
  contents_->setEnabled(false);
  connect(contents_, &QPushButton::clicked, this,
          [this] { OpenPage(QUrl::fromLocalFile(QFileInfo(LocalFile(CurrentPage())).dir().filePath("index.html"))); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->setObjectName("buttons");
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setText(QStringLiteral("Закрыть"));
  close->setObjectName("btnClose");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(back_);
  bottom->addWidget(contents_);
  bottom->addStretch(1);
  bottom->addWidget(buttons);

  auto* main = new QVBoxLayout(this);
  main->addWidget(browser_);
  main->addLayout(bottom);
  resize(760, 580);

  if (!pageFile.isEmpty()) OpenPage(QUrl::fromLocalFile(QFileInfo(pageFile).absoluteFilePath()));
}

bool TDescriptionViewer::OpenPage(const QUrl& page) {
  const QString file = LocalFile(page);
  if (file.isEmpty() || !QFileInfo(file).isFile()) return false;
  browser_->setSource(page);
  contents_->setEnabled(QFileInfo(QFileInfo(file).dir().filePath("index.html")).isFile());
  return true;
}

QUrl TDescriptionViewer::CurrentPage() const { return browser_->source(); }

void TDescriptionViewer::FollowLink(const QUrl& link) {
  const QString scheme = link.scheme().toLower();
  if (scheme == "http" || scheme == "https") {
    OpenWebPageOrSay(link, this);
    return;
  }
  // Relative links and file links lead to other pages of the help folder; other schemes
  // (mailto, javascript, ...) are ignored.
  if (!scheme.isEmpty() && scheme != "file") return;
  OpenPage(link.isRelative() ? CurrentPage().resolved(link) : link);
}

QString StatHelpPage(const std::filesystem::path& helpDir, const TStatList& stats, int entry) {
  if (helpDir.empty() || entry < 0 || entry >= stats.Count()) return {};
  const TStatMethod& method = stats.Item(entry);
  const std::filesystem::path page = helpDir / method.StatClass->HelpPageFor(method.Param);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) return {};
  return QString::fromStdString(page.string());
}

QString AboutText(const QString& version, const std::filesystem::path& dataDir, const std::filesystem::path& helpDir) {
  const auto folder = [](const std::filesystem::path& p) {
    return p.empty() ? QStringLiteral("не найдена") : QString::fromStdString(p.string()).toHtmlEscaped();
  };
  return QStringLiteral(
             "<b>Kivra_5x45</b> версия %1<br><br>"
             "Анализ статистики лотереи \"5 из 45\": архив тиражей, статистики, "
             "фильтрация комбинаций.<br><br>"
             "Папка данных: %2<br>Папка справки: %3")
      .arg(version.toHtmlEscaped(), folder(dataDir), folder(helpDir));
}

}  // namespace kivra::shell
