#include "shell/WebLinks.h"

#include <QDesktopServices>

#include "core/IniFile.h"
#include "core/SortaUtils.h"
#include "shell/CommandMap.h"

namespace kivra::shell {

namespace {

void OpenInBrowser(const QUrl& url) { QDesktopServices::openUrl(url); }

std::function<void(const QUrl&)>& Opener() {
  static std::function<void(const QUrl&)> opener = OpenInBrowser;
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

void OpenWebPage(const QUrl& url) { Opener()(url); }

void SetWebPageOpener(std::function<void(const QUrl&)> opener) {
  Opener() = opener ? std::move(opener) : OpenInBrowser;
}

void AddWebLinkCommands(TCommandMap& commands, std::function<QString(const char* key)> address) {
  for (const TWebLink& link : WebLinkCommands()) {
    const char* key = link.Key;
    commands.Add({QString::fromLatin1(link.Command),
                  QString::fromUtf8(link.Caption),
                  {},
                  {},
                  [address, key] { OpenWebPage(QUrl(address(key))); },
                  [address, key] { return IsWebAddress(address(key)); },
                  nullptr,
                  true});
  }
}

}  // namespace kivra::shell
