#include "workspace/GraphsState.h"

#include <algorithm>
#include <limits>

namespace kivra {

namespace {
constexpr std::string_view Section = StateSettingsSection;
constexpr std::string_view BuildProgress = "Анализ тиражей и построение графиков...";
}  // namespace

TGraphsState::TGraphsState(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats,
                           TWindowSettings& settings)
    : port_(port), archive_(archive), stats_(stats), settings_(settings) {}

void TGraphsState::LoadSettings() {
  shown_ = settings_.ReadSetting(Section, "TabGraphs", true);
  const int64_t length = settings_.ReadSetting(Section, "DrawsGraphLen", int64_t{100});
  SetLength(static_cast<int>(std::clamp<int64_t>(length, 1, std::numeric_limits<int>::max())));
  ResetKey();
}

void TGraphsState::SaveSettings() { settings_.WriteSetting(Section, "DrawsGraphLen", int64_t{length_}); }

void TGraphsState::SetShown(bool shown, bool store) {
  shown_ = shown;
  if (store) settings_.WriteSetting(Section, "TabGraphs", shown, &port_);
}

bool TGraphsState::Refresh(bool force, int entry, std::string_view title) {
  if (!shown_) return false;
  const TKey key{archive_.Count(), archive_.DrawsOffset(), length_, entry};
  if (!force && key == key_) return false;
  key_ = key;
  chart_ = {};
  if (entry < 0 || entry >= stats_.Count() || archive_.Empty()) return true;
  const TStatClass& cls = *stats_.Item(entry).StatClass;
  if (!cls.IsGraph()) return true;
  TBusyScope busy(port_, BuildProgress);
  auto stat = stats_.CreateStat(entry);
  auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
  if (graph != nullptr) chart_ = BuildDrawChart(*graph, archive_, length_, archive_.SortedDraws(), title, true);
  return true;
}

}  // namespace kivra
