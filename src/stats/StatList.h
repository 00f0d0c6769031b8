// The registry of statistic methods: one entry per class of the class list, or one per parameter
// value of a parameterised class; the user's favourites and names, kept in the names file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stats/CustomStat.h"

namespace kivra {

class TUserPort;

struct TStatMethod {
  const TStatClass* StatClass = nullptr;
  int32_t Param = 0;
  bool Favorite = true;
  std::string CustomName;  // empty: the default caption
  std::string ShredName;   // group 12 only: the text of shredding formula Param
};

class TStatList {
 public:
  TStatList() = default;
  TStatList(const TStatList&) = delete;
  TStatList& operator=(const TStatList&) = delete;

  // What statistics read when created: the archive (stored order) and the configuration.
  void SetDraws(const TDrawsArray* draws) { env_.Draws = draws; }
  void SetConfig(const TConfigData& config, const TShreddingConfig& shredding);
  const TStatEnv& Env() const { return env_; }

  // Rebuilds the entries from the class list (parameter ranges from the configuration) and resets
  // the options: not ordered, group names and option letters shown, every entry offered.
  void Build();

  int Count() const { return static_cast<int>(methods_.size()); }
  const TStatMethod& Item(int index) const { return methods_[index]; }
  TStatMethod& Item(int index) { return methods_[index]; }
  bool IsVisible(int index) const { return AllFavorites || methods_[index].Favorite; }

  std::string Code(int index) const;  // CodeFor(Param)
  std::string DefaultName(const TStatMethod& m) const { return m.StatClass->CaptionFor(m.Param); }
  std::string DisplayName(const TStatMethod& m) const;
  // DisplayName; for group 12 with "%s" replaced by the formula text (other "%" stay as they are).
  std::string MethodName(const TStatMethod& m) const;
  // The text of an entry in the selectors: "{ tag } name [ SNG ]" as the options say.
  std::string ListCaption(int index, bool withFlags) const;
  // "{ num } Числа тиража"; "#ERROR#" outside 0..12.
  static std::string GroupCaption(int group);

  // The entry whose code equals the text without regard to letter case, or -1.
  int FindCode(std::string_view code) const;
  std::unique_ptr<TCustomStat> CreateStat(int index) const;

  // The entries offered in the statistics selector (or, with charts true, the chart selector):
  // available, enabled and visible, sorted by caption when Ordered.
  struct TSelectorItem {
    int Index;
    std::string Caption;
  };
  std::vector<TSelectorItem> SelectorItems(bool charts) const;

  std::string FavoritesText() const;
  void SetFavoritesText(std::string_view text);
  void SelectAll();
  void NormalizeFavorites();

  // The names file: options in section FILTERS, names in STRINGS_<language>.
  bool LoadNames(const std::filesystem::path& file, bool withOptions, TUserPort& port);
  bool SaveNames(const std::filesystem::path& file, bool withOptions, bool allNames, TUserPort& port) const;
  std::string NamesSection() const { return "STRINGS_" + Language; }

  bool Ordered = false;
  bool ShowGroupName = true;
  bool ShowMethodFlags = true;
  bool AllFavorites = true;
  std::string Language = "RUS";  // three-letter name of the interface language
  TCDLCoefs Coefs;               // weight coefficients of the statistics table

 private:
  TStatEnv env_;
  std::vector<TStatMethod> methods_;
};

}  // namespace kivra
