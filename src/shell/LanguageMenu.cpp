#include "shell/LanguageMenu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>
#include <algorithm>

#include "core/Languages.h"

namespace kivra::shell {

namespace {

QString OwnName(const QLocale& locale) {
  QString name = locale.nativeLanguageName();
  if (name.isEmpty()) name = QLocale::languageToString(locale.language());
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

}  // namespace

QString LanguageAbbr(int lcid) {
  const std::string_view abbr = kivra::LanguageAbbr(lcid);
  return QString::fromLatin1(abbr.data(), static_cast<qsizetype>(abbr.size()));
}

int LanguageLcid(const QString& abbr) { return kivra::LanguageLcid(abbr.toStdString()); }

std::vector<TLanguageModule> FindLanguages(const std::filesystem::path& langDir) {
  std::vector<TLanguageModule> languages{
      {RussianLanguage, QStringLiteral("RUS"), OwnName(QLocale(QLocale::Russian)), QString()}};
  if (langDir.empty()) return languages;
  const QDir dir(QString::fromStdString(langDir.string()));
  const QString prefix = QStringLiteral("Kivra_5x45_");
  for (const QString& file : dir.entryList({prefix + QStringLiteral("*.qm")}, QDir::Files, QDir::Name)) {
    const QString abbr = file.mid(prefix.size(), file.size() - prefix.size() - 3);
    const int lcid = LanguageLcid(abbr);
    if (lcid == 0 || lcid == RussianLanguage) continue;
    QTranslator probe;
    const QString path = dir.filePath(file);
    if (!probe.load(path)) continue;
    // The module names its language; the file name's language when it does not.
    const QLocale locale(probe.language().isEmpty() ? QString::fromLatin1(FindLanguage(lcid)->Iso.data(), 2)
                                                    : probe.language());
    languages.push_back({lcid, LanguageAbbr(lcid), OwnName(locale), path});
  }
  std::sort(languages.begin() + 1, languages.end(),
            [](const TLanguageModule& a, const TLanguageModule& b) { return a.Lcid < b.Lcid; });
  return languages;
}

const TLanguageModule& ChooseLanguage(const std::vector<TLanguageModule>& languages, int wanted) {
  for (const TLanguageModule& l : languages)
    if (l.Lcid == wanted) return l;
  return languages.front();
}

bool InstallLanguage(const TLanguageModule& language) {
  if (language.File.isEmpty()) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(language.File)) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

void FillLanguageMenu(QMenu* menu, const std::vector<TLanguageModule>& languages, int current,
                      const std::function<void(int)>& choose) {
  auto* group = new QActionGroup(menu);
  for (const TLanguageModule& l : languages) {
    QAction* action = menu->addAction(l.Name);
    action->setObjectName(QStringLiteral("Language_%1").arg(l.Abbr));
    action->setCheckable(true);
    action->setChecked(l.Lcid == current);
    group->addAction(action);
    const int lcid = l.Lcid;
    QObject::connect(action, &QAction::triggered, menu, [choose, lcid, current] {
      if (lcid != current) choose(lcid);
    });
  }
}

}  // namespace kivra::shell
