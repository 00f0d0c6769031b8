#include "workspace/ViewsState.h"

#include <algorithm>
#include <climits>
#include <string>

#include "workspace/ProgramFiles.h"

namespace kivra {

namespace {
constexpr std::string_view Section = StateSettingsSection;
constexpr std::array<const char*, 3> TabKeys = {"TabCard", "TabLayout", "TabWeek"};
constexpr const char* LayoutBusyText = "Построение схемы выпадения номеров...";
constexpr const char* WeekBusyText = "Построение статистики по дням недели...";

std::string CompareKey(int table) { return "LayoutCompareLen" + std::to_string(table + 1); }
}  // namespace

TViewsState::TViewsState(TUserPort& port, const TDrawsArchive& archive, const TConfiguration& config,
                         TWindowSettings& settings)
    : port_(port), archive_(archive), config_(config), settings_(settings) {}

void TViewsState::LoadSettings() {
  auto length = [this](std::string_view key, int def) {
    return static_cast<int>(std::clamp<int64_t>(settings_.ReadSetting(Section, key, int64_t{def}), 1, INT_MAX));
  };
  for (size_t t = 0; t < shown_.size(); ++t) shown_[t] = settings_.ReadSetting(Section, TabKeys[t], true);
  colorCard_ = settings_.ReadSetting(Section, "ColorCard", true);
  colorSequences_ = settings_.ReadSetting(Section, "ColorCardSequences", true);
  gradient_ = settings_.ReadSetting(Section, "LayoutGradient", true);
  weekChartMode_ = settings_.ReadSetting(Section, "WeekChartMode", int64_t{0}) == 1 ? 1 : 0;
  weekChartLine_ = settings_.ReadSetting(Section, "WeekChartType", false);
  layoutLen_ = length("LayoutLen", 100);
  const std::array<int, CompareTableCount> defaults{50, 100, 200, 300, 400};
  for (int t = 0; t < CompareTableCount; ++t) compareLen_[size_t(t)] = length(CompareKey(t), defaults[size_t(t)]);
  weekLen_ = length("WeekLen", 1000);
  ResetKeys();
}

void TViewsState::SaveSettings() {
  settings_.WriteSetting(Section, "LayoutLen", int64_t{layoutLen_});
  for (int t = 0; t < CompareTableCount; ++t)
    settings_.WriteSetting(Section, CompareKey(t), int64_t{compareLen_[size_t(t)]});
  settings_.WriteSetting(Section, "WeekLen", int64_t{weekLen_});
}

void TViewsState::ResetKeys() {
  cardRows_ = 0;
  layoutKey_ = compareKey_ = weekKey_ = TKey{};
}

void TViewsState::Write(const char* key, bool value, bool store) {
  if (store) settings_.WriteSetting(Section, key, value, &port_);
}

void TViewsState::SetTabShown(TViewTab tab, bool shown, bool store) {
  shown_[size_t(tab)] = shown;
  Write(TabKeys[size_t(tab)], shown, store);
}

void TViewsState::SetColorCard(bool on, bool store) {
  colorCard_ = on;
  Write("ColorCard", on, store);
}

void TViewsState::SetColorCardSequences(bool on, bool store) {
  colorSequences_ = on;
  Write("ColorCardSequences", on, store);
}

void TViewsState::SetLayoutGradient(bool on, bool store) {
  gradient_ = on;
  Write("LayoutGradient", on, store);
}

void TViewsState::SetWeekChartMode(int mode, bool store) {
  weekChartMode_ = mode == 1 ? 1 : 0;
  if (store) settings_.WriteSetting(Section, "WeekChartMode", int64_t{weekChartMode_}, &port_);
}

void TViewsState::SetWeekChartLine(bool on, bool store) {
  weekChartLine_ = on;
  Write("WeekChartType", on, store);
}

TCardOptions TViewsState::CardOptions() const { return {colorCard_, colorSequences_, config_.Data.ChannelSize}; }

bool TViewsState::RefreshCard(bool force) {
  if (!TabShown(TViewTab::Card)) return false;
  const int rows = CardRowCount(archive_);
  if (!force && cardRows_ == rows) return false;
  TBusyScope busy(port_, "Обновление карты тиражей...");
  cardRows_ = rows;
  return true;
}

bool TViewsState::RefreshLayout(bool force) {
  if (!TabShown(TViewTab::Layout)) return false;
  const TKey key = Key(layoutLen_);
  if (!force && key == layoutKey_) return false;
  TBusyScope busy(port_, LayoutBusyText);
  layout_ = BuildLayoutGrid(archive_, layoutLen_, archive_.HiddenDrawSet());
  layoutKey_ = key;
  return true;
}

bool TViewsState::RefreshLayoutCompare(bool force) {
  if (!TabShown(TViewTab::Layout)) return false;
  const TKey key = Key(0);
  if (!force && key == compareKey_) return false;
  TBusyScope busy(port_, LayoutBusyText);
  for (int t = 0; t < CompareTableCount; ++t) {
    compare_[size_t(t)] = BuildCompareTable(archive_, compareLen_[size_t(t)]);
    compareSort_[size_t(t)] = TSort{};
  }
  compareKey_ = key;
  return true;
}

void TViewsState::ClickCompareColumn(int table, int column) {
  if (table < 0 || table >= CompareTableCount || column < 0 || column > 1) return;
  TSort& sort = compareSort_[size_t(table)];
  sort.Descending = sort.Column == column ? !sort.Descending : false;
  sort.Column = column;
  SortCompareTable(compare_[size_t(table)], column, sort.Descending);
}

bool TViewsState::RefreshWeek(bool force) {
  if (!TabShown(TViewTab::Week)) return false;
  const TKey key = Key(weekLen_);
  if (!force && key == weekKey_) return false;
  TBusyScope busy(port_, WeekBusyText);
  week_ = CountWeekdays(archive_, weekLen_);
  weekKey_ = key;
  return true;
}

TChartSeries TViewsState::WeekChartSeries(int column, int row) const {
  return WeekChart(week_, column, row, weekChartMode_, weekChartLine_);
}

}  // namespace kivra
