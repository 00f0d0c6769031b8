// The interface languages: Russian (1049) is built in; every other language is a module
// "lang/Kivra_5x45_<ABBR>.qm", a Qt translation of the window's texts. The setting "Language" holds
// a Windows language identifier; "no-language" or an identifier without a module means Russian.
#pragma once

#include <QMenu>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

namespace kivra::shell {

inline constexpr int RussianLanguage = 1049;

struct TLanguageModule {
  int Lcid = RussianLanguage;
  QString Abbr;  // the three-letter name ("RUS", "ENU", ...) of the names file's sections
  QString Name;  // as the menu shows it: the language's own name
  QString File;  // the module; empty for the built-in Russian
};

// The three-letter name of a language identifier ("RUS" for 1049); empty when unknown (the
// program's table, core/Languages.h).
QString LanguageAbbr(int lcid);
// The identifier of a three-letter name (case ignored); 0 when unknown.
int LanguageLcid(const QString& abbr);

// Russian first, then one entry per readable module of `langDir` with a known three-letter name,
// in the order of their identifiers.
std::vector<TLanguageModule> FindLanguages(const std::filesystem::path& langDir);

// The language to use: `wanted` when it is present, else Russian.
const TLanguageModule& ChooseLanguage(const std::vector<TLanguageModule>& languages, int wanted);

// Loads and installs the module's translation (nothing for Russian). False when it cannot be read.
bool InstallLanguage(const TLanguageModule& language);

// Fills `menu` with one radio item per language, the current one checked; choosing another calls
// `choose` with its identifier.
void FillLanguageMenu(QMenu* menu, const std::vector<TLanguageModule>& languages, int current,
                      const std::function<void(int)>& choose);

}  // namespace kivra::shell
