// The web pages the program opens: the lottery's site and the project's pages. Their addresses are
// configuration (section "LINKS" of the configuration file, empty by default); a command or button
// for a page is enabled only when its address is an http:// or https:// address.
#pragma once

#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

class QWidget;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TCommandMap;

struct TWebLink {
  const char* Command;  // "" for a page only the first-run dialog shows
  const char* Key;      // the key of section LINKS
  const char* Caption;
};

// The commands of the menu "Справка" that open pages, in the menu's order.
const std::vector<TWebLink>& WebLinkCommands();

// The addresses of section LINKS, by key (keys without a value are missing).
std::map<QString, QString> ReadWebLinks(const std::filesystem::path& configPath);

// True for an absolute http:// or https:// address with a host.
bool IsWebAddress(const QString& address);

// Opens an address in the desktop's browser; tests replace the opener (null: the browser again).
// False when no program opened it (no browser).
bool OpenWebPage(const QUrl& url);
// OpenWebPage, and a warning box over `parent` when no browser opened the page.
void OpenWebPageOrSay(const QUrl& url, QWidget* parent);
void SetWebPageOpener(std::function<void(const QUrl&)> opener);

// Registers `OpenLotoSite` and the url* commands over the given addresses.
void AddWebLinkCommands(TCommandMap& commands, std::function<QString(const char* key)> address, TUserPort& port);

}  // namespace kivra::shell
