#include "shell/WebLinks.h"

#include <QDesktopServices>
#include <QMessageBox>

#include "core/IniFile.h"
#include "core/SortaUtils.h"
#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "shell/CommandMap.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

bool OpenInBrowser(const QUrl& url) { return QDesktopServices::openUrl(url); }

std::function<bool(const QUrl&)>& Opener() {
  static std::function<bool(const QUrl&)> opener = OpenInBrowser;
  return opener;
}

}  // namespace

const std::vector<TWebLink>& WebLinkCommands() {
  static const std::vector<TWebLink> links = {
      {"OpenLotoSite", "LotoSite", "Сайт лотереи"},
      {"urlMainSite", "MainSite", "Официальный сайт проекта"},
      {"urlBlog", "Blog", "Наш блог"},
      {"urlYT", "YT", "Наш видеоблог"},
      {"urlAuthText", "AuthText", "Статьи для начинающих"},
      {"urlVK", "VK", "Страница в соцсети \"В контакте\""},
      {"urlOK", "OK", "Страница в соцсети \"Одноклассники\""},
      {"urlAuthSite", "AuthSite", "Страница автора"},
      {"urlTG", "TG", "Канал в Telegram"},
  };
  return links;
}

std::map<QString, QString> ReadWebLinks(const std::filesystem::path& configPath) {
  std::map<QString, QString> links;
  try {
    const TIniFile ini = TIniFile::Load(configPath);
    for (const TWebLink& link : WebLinkCommands()) {
      const std::string value(Trim(ini.ReadString("LINKS", link.Key, "")));
      if (!value.empty()) links[QString::fromLatin1(link.Key)] = QString::fromStdString(value);
    }
  } catch (const std::exception&) {
    // An unreadable configuration leaves every page without an address.
  }
  return links;
}

bool IsWebAddress(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !url.host().isEmpty();
}

bool OpenWebPage(const QUrl& url) { return Opener()(url); }

void OpenWebPageOrSay(const QUrl& url, QWidget* parent) {
  if (!OpenWebPage(url))
    QMessageBox::warning(parent, QStringLiteral("Внимание!"),
                         QStringLiteral("Не удалось открыть страницу %1: не найден браузер.\nОткройте адрес вручную.")
                             .arg(url.toString()));
}

void SetWebPageOpener(std::function<void(const QUrl&)> opener) {
  if (!opener) {
    Opener() = OpenInBrowser;
    return;
  }
  Opener() = [opener = std::move(opener)](const QUrl& url) {
    opener(url);
    return true;
  };
}

void AddWebLinkCommands(TCommandMap& commands, std::function<QString(const char* key)> address, TUserPort& port) {
  for (const TWebLink& link : WebLinkCommands()) {
    const char* key = link.Key;
    commands.Add({QString::fromLatin1(link.Command),
                  QString::fromUtf8(link.Caption),
                  {},
                  {},
                  [address, key, &port] {
                    const QString page = address(key);
                    // Without a browser the desktop opens nothing and says nothing: the user is told.
                    if (!OpenWebPage(QUrl(page)))
                      port.ShowWarning(SysFormat("Не удалось открыть страницу %s: не найден браузер.\rОткройте "
                                                 "адрес вручную.",
                                                 {FromQ(page)}));
                  },
                  [address, key] { return IsWebAddress(address(key)); },
                  nullptr,
                  true});
  }
}

}  // namespace kivra::shell
