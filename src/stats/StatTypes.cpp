#include "stats/StatTypes.h"

#include <algorithm>
#include <cstdlib>

namespace kivra {

void AddSimpleValue(TStatSimpleArray& values, int32_t key, int32_t amount) {
  for (auto& v : values) {
    if (v.Key != key) continue;
    if (amount > 0) v.Amount += amount;
    return;
  }
  values.push_back({key, amount});
}

void SortSimpleValues(TStatSimpleArray& values) {
  std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.Key < b.Key; });
}

void AddStatValue(TStatDrawArray& values, const TStatDrawRec& v, bool track) {
  for (auto& e : values) {
    if (e.Key != v.Key) continue;
    e.Count += v.Count;
    if (e.Depth == 0 || (v.Depth > 0 && v.Depth <= e.Depth)) {
      e.LastDraw = v.LastDraw;
      e.Depth = v.Depth;
    }
    if (track && v.LastDraw > 0 && e.PrevDraw > 0) {
      const int64_t gap = std::llabs(int64_t{e.PrevDraw} - v.LastDraw);
      const auto g = static_cast<uint16_t>(gap);  // the record keeps 16 bits
      if (g < e.MinPeriod || e.MinPeriod == 0) e.MinPeriod = g;
      if (g > e.MaxPeriod || e.MaxPeriod == 0) e.MaxPeriod = g;
    }
    e.PrevDraw = v.LastDraw;
    return;
  }
  TStatDrawRec added = v;
  added.Norm = 0;
  values.push_back(added);
}

TStatAggregate AggregateStats(const TStatDrawArray& values) {
  TStatAggregate a;
  for (const auto& e : values) {
    a.Total += e.Count;
    a.MinCount = std::min(a.MinCount, e.Count);
    a.MaxCount = std::max(a.MaxCount, e.Count);
    if (a.MaxDepth == 0 || (e.Depth > 0 && e.Depth > a.MaxDepth)) a.MaxDepth = e.Depth;
  }
  return a;
}

void SortStatValues(TStatDrawArray& values) {
  if (values.size() < 2) return;
  std::stable_sort(values.begin(), values.end(),
                   [](const TStatDrawRec& a, const TStatDrawRec& b) { return a.Key.SortKey() < b.Key.SortKey(); });
}

int32_t NoteLastSeen(const TLastSeenRec& rec, TLastValueArray& seen) {
  for (auto& e : seen) {
    if (e.Key != rec.Key) continue;
    const int32_t distance = rec.Draw - e.Draw;
    e.Draw = rec.Draw;
    return distance;
  }
  seen.push_back({rec.Draw, 0, rec.Key});
  return -1;
}

bool ContainsKey(const TStatDrawArray& sel, uint16_t k1, uint16_t k2, uint16_t k3, uint16_t k4) {
  const TStatKey key = TStatKey::Words(k1, k2, k3, k4);
  return std::any_of(sel.begin(), sel.end(), [&](const TStatDrawRec& r) { return r.Key == key; });
}

bool ContainsWord(const TStatDrawArray& sel, int which, uint16_t w) {
  if (which < 1 || which > 4) return false;
  return std::any_of(sel.begin(), sel.end(), [&](const TStatDrawRec& r) { return r.Key.K(which) == w; });
}

bool ContainsByte(const TStatDrawArray& sel, int which, uint8_t b) {
  if (which < 1 || which > 8) return false;
  return std::any_of(sel.begin(), sel.end(), [&](const TStatDrawRec& r) { return r.Key.B(which) == b; });
}

bool ContainsLong(const TStatDrawArray& sel, int which, int32_t v) {
  if (which < 1 || which > 2) return false;
  return std::any_of(sel.begin(), sel.end(), [&](const TStatDrawRec& r) { return r.Key.L(which) == v; });
}

bool ContainsPair(const TStatDrawArray& sel, uint16_t a, uint16_t b) {
  return std::any_of(sel.begin(), sel.end(),
                     [&](const TStatDrawRec& r) { return r.Key.L1() == int32_t{a} && r.Key.L2() == int32_t{b}; });
}

}  // namespace kivra

