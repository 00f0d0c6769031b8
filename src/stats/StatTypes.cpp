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

namespace {

thread_local TStatKeyIndexScope* openScope = nullptr;

uint64_t SlotHash(uint64_t key) {
  key ^= key >> 29;
  key *= 0xBF58476D1CE4E5B9ULL;
  return key ^ (key >> 32);
}

// Merges an occurrence into the record with its key.
void MergeStatValue(TStatDrawRec& e, const TStatDrawRec& v, bool track) {
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
}

void AppendStatValue(TStatDrawArray& values, const TStatDrawRec& v) {
  TStatDrawRec added = v;
  added.Norm = 0;
  values.push_back(added);
}

}  // namespace

TStatKeyIndexScope::TStatKeyIndexScope(TStatDrawArray& values) : values_(&values), outer_(openScope) {
  openScope = this;
  Rebuild();
}

TStatKeyIndexScope::~TStatKeyIndexScope() { openScope = outer_; }

void TStatKeyIndexScope::Insert(uint64_t key, uint32_t position) {
  if ((used_ + 1) * 2 > keys_.size()) {  // at most half full
    std::vector<uint64_t> keys = std::move(keys_);
    std::vector<uint32_t> positions = std::move(positions_);
    const size_t size = std::max<size_t>(64, keys.size() * 2);
    keys_.assign(size, 0);
    positions_.assign(size, 0);
    used_ = 0;
    for (size_t i = 0; i < keys.size(); ++i)
      if (positions[i] != 0) Insert(keys[i], positions[i] - 1);
  }
  const size_t mask = keys_.size() - 1;
  for (size_t i = SlotHash(key) & mask;; i = (i + 1) & mask) {
    if (positions_[i] == 0) {
      keys_[i] = key;
      positions_[i] = position + 1;
      ++used_;
      return;
    }
    if (keys_[i] == key) return;  // an earlier record keeps the key
  }
}

void TStatKeyIndexScope::Rebuild() {
  keys_.assign(64, 0);
  positions_.assign(64, 0);
  used_ = 0;
  indexed_ = 0;
  Catch();
}

void TStatKeyIndexScope::Catch() {
  if (indexed_ > values_->size()) {  // the array shrank
    Rebuild();
    return;
  }
  for (; indexed_ < values_->size(); ++indexed_)
    Insert((*values_)[indexed_].Key.Raw(), static_cast<uint32_t>(indexed_));
}

TStatDrawRec* TStatKeyIndexScope::Find(TStatDrawArray& values, uint64_t key) {
  Catch();
  const size_t mask = keys_.size() - 1;
  for (size_t i = SlotHash(key) & mask; positions_[i] != 0; i = (i + 1) & mask) {
    if (keys_[i] != key) continue;
    const uint32_t at = positions_[i] - 1;
    if (at < values.size() && values[at].Key.Raw() == key) return &values[at];
    Rebuild();  // the array was changed behind the index
    return Find(values, key);
  }
  return nullptr;
}

void TStatKeyIndexScope::Appended(const TStatDrawArray& values) {
  if (indexed_ + 1 == values.size()) {
    Insert(values.back().Key.Raw(), static_cast<uint32_t>(indexed_));
    ++indexed_;
  }
}

void AddStatValue(TStatDrawArray& values, const TStatDrawRec& v, bool track) {
  if (TStatKeyIndexScope* scope = openScope; scope != nullptr && scope->Array() == &values) {
    if (TStatDrawRec* e = scope->Find(values, v.Key.Raw())) {
      MergeStatValue(*e, v, track);
    } else {
      AppendStatValue(values, v);
      scope->Appended(values);
    }
    return;
  }
  for (auto& e : values) {
    if (e.Key != v.Key) continue;
    MergeStatValue(e, v, track);
    return;
  }
  AppendStatValue(values, v);
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
