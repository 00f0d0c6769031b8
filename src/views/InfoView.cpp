#include "views/InfoView.h"

#include <algorithm>

#include "core/SortaUtils.h"

namespace kivra {

TInfoSubject DrawInfoSubject(const TDrawsArchive& archive, int index, bool sorted) {
  const TDraw& draw = archive.Stored(index);
  TInfoSubject s;
  s.DrawNumber = draw.Number;
  s.Date = draw.DateText();
  s.Nums = draw.Nums;
  if (sorted) SortComb(s.Nums);
  s.Index = s.RefIndex = index;
  s.Sorted = sorted;
  return s;
}

TInfoSubject CombInfoSubject(const TDrawsArchive& archive, const TComb& comb, bool sorted) {
  TInfoSubject s;
  s.Nums = comb;
  s.Index = s.RefIndex = archive.AnalysisEnd() + 1;
  s.Sorted = sorted;
  return s;
}

TInfoRows BuildInfoRows(const TStatList& stats, const TInfoSubject& subject) {
  TInfoRows rows;
  if (subject.DrawNumber >= 0) rows.emplace_back("Номер тиража:", std::to_string(subject.DrawNumber));
  if (!subject.Date.empty()) rows.emplace_back("Дата тиража:", subject.Date);
  for (int i = 0; i < stats.Count(); ++i) {
    const TStatClass& cls = *stats.Item(i).StatClass;
    if (!cls.IsGraph() || !cls.IsEnabled()) continue;
    auto stat = stats.CreateStat(i);
    auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
    if (graph == nullptr) continue;
    rows.emplace_back(graph->GetTitle(),
                      std::to_string(graph->CombValue(subject.Nums, subject.Index, subject.RefIndex, subject.Sorted)));
  }
  return rows;
}

TTextGrid PlaceNumbers(const TComb& nums, int columns) {
  columns = std::clamp(columns, 1, int{MaxNumber});
  TTextGrid grid(GroupCount(1, MaxNumber, columns), columns);
  for (uint8_t n : nums) {
    if (n < 1 || n > MaxNumber) continue;
    grid.At((n - 1) / columns, (n - 1) % columns) = std::to_string(n);
  }
  return grid;
}

TCellColor PlacementCellColor(int row, int column, int columns, int channelSize) {
  const int32_t n = MatrixCellNumber(1, row, column, columns);
  if (n < 1 || n > MaxNumber) return std::nullopt;
  return ColorToRgb(NumberColor(n, channelSize));
}

}  // namespace kivra
