// The interface languages as the program names them: a Windows language identifier (1049 for
// Russian) and its three-letter name ("RUS"), which the names file's sections, the update texts and
// the language modules use.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kivra {

struct TLanguageName {
  int32_t Lcid;
  std::string_view Abbr;  // three-letter name
  std::string_view Iso;   // ISO 639-1 code, for the locale of a language without its own name
};

// Every language the program knows a three-letter name for.
std::span<const TLanguageName> LanguageNames();
// The entry of an identifier, or null.
const TLanguageName* FindLanguage(int32_t lcid);
// The three-letter name of an identifier; empty when unknown.
std::string_view LanguageAbbr(int32_t lcid);
// The identifier of a three-letter name (letter case ignored); 0 when unknown.
int32_t LanguageLcid(std::string_view abbr);

}  // namespace kivra
