#include "shell/UnitHelp.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/SysFormat.h"
#include "shell/ShellPort.h"
#include "stats/StatList.h"

namespace kivra::shell {

TDescriptionViewer::TDescriptionViewer(QWidget* parent, const QString& pageFile) : QDialog(parent) {
  setObjectName("DescriptionViewer");
  setWindowTitle(QStringLiteral("Описание методики расчета"));

  auto* browser = new QTextBrowser(this);
  browser->setObjectName("tbDescription");
  // Links to other local pages open inside; web links go to the browser.
  browser->setOpenExternalLinks(true);
  if (!pageFile.isEmpty() && QFileInfo(pageFile).isFile()) browser->setSource(QUrl::fromLocalFile(pageFile));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->setObjectName("buttons");
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setText(QStringLiteral("Закрыть"));
  close->setObjectName("btnClose");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* main = new QVBoxLayout(this);
  main->addWidget(browser);
  main->addWidget(buttons);
  resize(720, 540);
}

QString StatHelpPage(const std::filesystem::path& helpDir, const TStatList& stats, int entry) {
  if (helpDir.empty() || entry < 0 || entry >= stats.Count()) return {};
  const TStatMethod& method = stats.Item(entry);
  const std::string code = SysFormat(method.StatClass->GetHelpCode(), {method.Param});
  const std::filesystem::path page = helpDir / SysFormat("Filters_%.4d_%s.htm", {1049, code});
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) return {};
  return QString::fromStdString(page.string());
}

}  // namespace kivra::shell
