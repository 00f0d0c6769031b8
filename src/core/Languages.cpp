#include "core/Languages.h"

#include <algorithm>
#include <array>

namespace kivra {

namespace {

constexpr std::array<TLanguageName, 34> Names = {{
    {1025, "ARA", "ar"}, {1026, "BGR", "bg"}, {1029, "CSY", "cs"}, {1030, "DAN", "da"}, {1031, "DEU", "de"},
    {1032, "ELL", "el"}, {1033, "ENU", "en"}, {1034, "ESP", "es"}, {1035, "FIN", "fi"}, {1036, "FRA", "fr"},
    {1037, "HEB", "he"}, {1038, "HUN", "hu"}, {1040, "ITA", "it"}, {1041, "JPN", "ja"}, {1042, "KOR", "ko"},
    {1043, "NLD", "nl"}, {1045, "PLK", "pl"}, {1048, "ROM", "ro"}, {1049, "RUS", "ru"}, {1050, "HRV", "hr"},
    {1051, "SKY", "sk"}, {1053, "SVE", "sv"}, {1055, "TRK", "tr"}, {1058, "UKR", "uk"}, {1059, "BEL", "be"},
    {1061, "ETI", "et"}, {1062, "LVI", "lv"}, {1063, "LTH", "lt"}, {1067, "HYE", "hy"}, {1079, "KAT", "ka"},
    {1087, "KKZ", "kk"}, {1091, "UZB", "uz"}, {2052, "CHS", "zh"}, {2057, "ENG", "en"},
}};

}  // namespace

std::span<const TLanguageName> LanguageNames() { return Names; }

const TLanguageName* FindLanguage(int32_t lcid) {
  for (const TLanguageName& n : Names)
    if (n.Lcid == lcid) return &n;
  return nullptr;
}

std::string_view LanguageAbbr(int32_t lcid) {
  const TLanguageName* n = FindLanguage(lcid);
  return n ? n->Abbr : std::string_view();
}

int32_t LanguageLcid(std::string_view abbr) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (const TLanguageName& n : Names)
    if (std::ranges::equal(abbr, n.Abbr, {}, upper)) return n.Lcid;
  return 0;
}

}  // namespace kivra
