#include "shell/LanguageMenu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>
#include <algorithm>

namespace kivra::shell {

namespace {

struct TLanguageName {
  int Lcid;
  const char* Abbr;
  QLocale::Language Language;
};

// The Windows identifiers and three-letter names of the languages a module may carry.
constexpr TLanguageName Names[] = {
    {1025, "ARA", QLocale::Arabic},    {1026, "BGR", QLocale::Bulgarian},  {1029, "CSY", QLocale::Czech},
    {1030, "DAN", QLocale::Danish},    {1031, "DEU", QLocale::German},     {1032, "ELL", QLocale::Greek},
    {1033, "ENU", QLocale::English},   {1034, "ESP", QLocale::Spanish},    {1035, "FIN", QLocale::Finnish},
    {1036, "FRA", QLocale::French},    {1037, "HEB", QLocale::Hebrew},     {1038, "HUN", QLocale::Hungarian},
    {1040, "ITA", QLocale::Italian},   {1043, "NLD", QLocale::Dutch},      {1045, "PLK", QLocale::Polish},
    {1048, "ROM", QLocale::Romanian},  {1049, "RUS", QLocale::Russian},    {1050, "HRV", QLocale::Croatian},
    {1051, "SKY", QLocale::Slovak},    {1053, "SVE", QLocale::Swedish},    {1055, "TRK", QLocale::Turkish},
    {1058, "UKR", QLocale::Ukrainian}, {1059, "BEL", QLocale::Belarusian}, {1061, "ETI", QLocale::Estonian},
    {1062, "LVI", QLocale::Latvian},   {1063, "LTH", QLocale::Lithuanian}, {1067, "HYE", QLocale::Armenian},
    {1079, "KAT", QLocale::Georgian},  {1087, "KKZ", QLocale::Kazakh},     {1091, "UZB", QLocale::Uzbek},
    {2052, "CHS", QLocale::Chinese},   {1041, "JPN", QLocale::Japanese},   {1042, "KOR", QLocale::Korean},
};

const TLanguageName* Find(int lcid) {
  for (const auto& n : Names)
    if (n.Lcid == lcid) return &n;
  return nullptr;
}

QString OwnName(const QLocale& locale) {
  QString name = locale.nativeLanguageName();
  if (name.isEmpty()) name = QLocale::languageToString(locale.language());
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

}  // namespace

QString LanguageAbbr(int lcid) {
  const TLanguageName* n = Find(lcid);
  return n ? QString::fromLatin1(n->Abbr) : QString();
}

int LanguageLcid(const QString& abbr) {
  for (const auto& n : Names)
    if (abbr.compare(QLatin1String(n.Abbr), Qt::CaseInsensitive) == 0) return n.Lcid;
  return 0;
}

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
    const QLocale locale = probe.language().isEmpty() ? QLocale(Find(lcid)->Language) : QLocale(probe.language());
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
