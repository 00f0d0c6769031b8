// The "Графики" tab's state: its switch and window length (window-settings keys of "TFormMain"),
// the chart it built last and the inputs of that build, so that an unforced refresh builds only
// when the archive count, the offset, the length or the chosen entry changed. A hidden tab builds
// nothing and keeps what it shows.
#pragma once

#include <string_view>

#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "workspace/ProgramFiles.h"
#include "stats/StatList.h"
#include "views/DrawChart.h"

namespace kivra {

class TGraphsState {
 public:
  TGraphsState(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats, TWindowSettings& settings);
  TGraphsState(const TGraphsState&) = delete;
  TGraphsState& operator=(const TGraphsState&) = delete;

  // Reads "TabGraphs" and "DrawsGraphLen" at start-up and forgets the last build's inputs.
  void LoadSettings();
  // Writes "DrawsGraphLen" (at closing).
  void SaveSettings();
  // Forgets the inputs of the last build, so that the next refresh builds.
  void ResetKey() { key_ = {}; }

  bool Shown() const { return shown_; }
  // "TabGraphs", written at once when `store`.
  void SetShown(bool shown, bool store = true);
  int Length() const { return length_; }
  void SetLength(int length) { length_ = std::max(length, 1); }

  // The chart of registry entry `entry` (-1: none chosen), series 1 titled `title`, over the
  // Length() draws up to AnalysisEnd, read sorted as the archive's switch says; series 1 always
  // carries its value labels (the tab shows or hides them). Nothing while hidden; unforced,
  // nothing when the inputs are those of the last build. True when the chart was built anew (it is
  // empty when no chartable entry is chosen or the archive is empty).
  bool Refresh(bool force, int entry, std::string_view title);
  const TDrawChart& Chart() const { return chart_; }

 private:
  struct TKey {
    int Count = -1, Offset = -1, Length = -1, Entry = -2;
    bool operator==(const TKey&) const = default;
  };

  TUserPort& port_;
  const TDrawsArchive& archive_;
  const TStatList& stats_;
  TWindowSettings& settings_;
  bool shown_ = true;
  int length_ = 100;
  TKey key_;
  TDrawChart chart_;
};

}  // namespace kivra
