#include "stats/StatList.h"

#include <algorithm>
#include <fmt/format.h>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "stats/StatFamilies.h"

namespace kivra {

namespace {

constexpr std::string_view FiltersSection = "FILTERS";

}  // namespace

void TStatList::SetConfig(const TConfigData& config, const TShreddingConfig& shredding) {
  env_.Config = config;
  env_.Shredding = shredding;
  Coefs = config.Coefs;
}

void TStatList::Build() {
  Ordered = false;
  ShowGroupName = true;
  ShowMethodFlags = true;
  AllFavorites = true;
  methods_.clear();
  for (const TStatClass* cls : StatClassList()) {
    if (cls == nullptr || !cls->IsAvailable(env_)) continue;
    auto add = [&](int32_t param) {
      TStatMethod m;
      m.StatClass = cls;
      m.Param = param;
      if (cls->GetGroup() == 12 && param >= 1 && param <= 3) m.ShredName = env_.Shredding.Formulas[param - 1];
      methods_.push_back(std::move(m));
    };
    if (cls->HasParam()) {
      const auto [min, max] = cls->GetParamRange(env_);
      for (int64_t p = min; p <= max; ++p) add(static_cast<int32_t>(p));
    } else {
      add(0);
    }
  }
}

std::string TStatList::Code(int index) const {
  const TStatMethod& m = methods_[index];
  return m.StatClass->CodeFor(m.Param);
}

std::string TStatList::DisplayName(const TStatMethod& m) const {
  return m.CustomName.empty() ? DefaultName(m) : m.CustomName;
}

std::string TStatList::MethodName(const TStatMethod& m) const {
  std::string name = DisplayName(m);
  if (m.StatClass->GetGroup() != 12) return name;
  // The name is a template for the formula text. Only "%s" is substituted, so that a user's name
  // with other "%" signs shows them instead of failing.
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 1 < name.size() && name[i + 1] == 's') {
      out += m.ShredName;
      ++i;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::string TStatList::ListCaption(int index, bool withFlags) const {
  const TStatMethod& m = methods_[index];
  std::string text = MethodName(m);
  if (ShowGroupName) text = SysFormat("{ %1:s } %0:s", {text, GroupTag(m.StatClass->GetGroup())});
  if (withFlags && ShowMethodFlags) {
    const std::string letters = OptionLetters(m.StatClass->GetFlags());
    if (!letters.empty()) text = SysFormat("%0:s [ %1:s ]", {text, letters});
  }
  return text;
}

std::string TStatList::GroupCaption(int group) {
  if (group < 0 || group >= StatGroupCount) return "#ERROR#";
  return SysFormat("{ %1:s } %0:s", {GroupName(group), GroupTag(group)});
}

int TStatList::FindCode(std::string_view code) const {
  const std::string wanted = FoldName(code);
  for (int i = 0; i < Count(); ++i)
    if (FoldName(Code(i)) == wanted) return i;
  return -1;
}

std::unique_ptr<TCustomStat> TStatList::CreateStat(int index) const {
  const TStatMethod& m = methods_[index];
  return m.StatClass->Create(env_, m.Param);
}

std::vector<TStatList::TSelectorItem> TStatList::SelectorItems(bool charts) const {
  std::vector<TSelectorItem> items;
  for (int i = 0; i < Count(); ++i) {
    const TStatClass& cls = *methods_[i].StatClass;
    if (!cls.IsAvailable(env_) || !cls.IsEnabled() || !IsVisible(i)) continue;
    if (charts && !cls.IsGraph()) continue;
    items.push_back({i, ListCaption(i, true)});
  }
  if (Ordered)
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.Caption < b.Caption; });
  return items;
}

std::string TStatList::FavoritesText() const {
  if (AllFavorites) return {};
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (!methods_[i].Favorite) continue;
    if (!text.empty()) text += ',';
    text += Code(i);
  }
  return text;
}

void TStatList::SetFavoritesText(std::string_view text) {
  text = Trim(text);
  if (text.empty()) {
    SelectAll();
    return;
  }
  AllFavorites = false;
  std::vector<std::string> words;  // not trimmed: "NUMS, EVEN" names NUMS and " EVEN"
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    words.push_back(FoldName(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  for (int i = 0; i < Count(); ++i)
    methods_[i].Favorite = std::find(words.begin(), words.end(), FoldName(Code(i))) != words.end();
}

void TStatList::SelectAll() {
  AllFavorites = true;
  for (auto& m : methods_) m.Favorite = true;
}

void TStatList::NormalizeFavorites() {
  if (methods_.empty()) return;
  const bool first = methods_.front().Favorite;
  const bool same = std::all_of(methods_.begin(), methods_.end(), [&](const auto& m) { return m.Favorite == first; });
  if (!same) {
    AllFavorites = false;
    return;
  }
  AllFavorites = true;
  if (!first) SelectAll();
}

bool TStatList::LoadNames(const std::filesystem::path& file, bool withOptions, TUserPort& port) {
  try {
    const TIniFile ini = TIniFile::Load(file);
    if (withOptions) {
      SetFavoritesText(ini.ReadString(FiltersSection, "Favorites", FavoritesText()));
      Ordered = ini.ReadBool(FiltersSection, "Ordered", Ordered);
      ShowGroupName = ini.ReadBool(FiltersSection, "ShowGroupName", ShowGroupName);
      ShowMethodFlags = ini.ReadBool(FiltersSection, "ShowMethodFlags", ShowMethodFlags);
    }
    const std::string section = NamesSection();
    for (int i = 0; i < Count(); ++i) methods_[i].CustomName = std::string(Trim(ini.ReadString(section, Code(i), "")));
    return true;
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка загрузки списка фильтров!\r\r{}", ErrorText(e)));
    return false;
  }
}

bool TStatList::SaveNames(const std::filesystem::path& file, bool withOptions, bool allNames, TUserPort& port) const {
  try {
    TIniFile ini = TIniFile::Load(file);
    if (withOptions) {
      ini.WriteString(FiltersSection, "Favorites", FavoritesText());
      ini.WriteBool(FiltersSection, "Ordered", Ordered);
      ini.WriteBool(FiltersSection, "ShowGroupName", ShowGroupName);
      ini.WriteBool(FiltersSection, "ShowMethodFlags", ShowMethodFlags);
    }
    const std::string section = NamesSection();
    ini.EraseSection(section);
    for (int i = 0; i < Count(); ++i) {
      const TStatMethod& m = methods_[i];
      if (allNames) ini.WriteString(section, Code(i), DisplayName(m));
      else if (!m.CustomName.empty()) ini.WriteString(section, Code(i), m.CustomName);
    }
    ini.Save(file);
    return true;
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка сохранения списка фильтров!\r\r{}", ErrorText(e)));
    return false;
  }
}

}  // namespace kivra
