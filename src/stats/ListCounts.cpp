#include "stats/ListCounts.h"

#include <algorithm>

#include "stats/StatPasses.h"

namespace kivra {
namespace {

// Up to this many distinct rows, a statistic with a vector filter program counts each row by a
// filter pass of its own when the list is long.
constexpr size_t VectorPassRows = 6;
constexpr size_t VectorPassList = 400000;

}  // namespace

TRowKeyIndex::TRowKeyIndex(std::span<const TStatKey> keys) : dense_(DenseLimit, None) {
  size_t wide = 0, pairs = 0;
  for (const TStatKey& k : keys) {
    const uint64_t raw = k.Raw();
    if (raw < DenseLimit) continue;
    if ((raw & ~PairMask) == 0) ++pairs;
    else ++wide;
  }
  if (pairs > 0) pairs_.assign(65536, None);
  if (wide > 0) {
    size_t slots = 16;
    while (slots < wide * 2) slots *= 2;
    wideKeys_.assign(slots, 0);
    wideIds_.assign(slots, None);
    wideMask_ = slots - 1;
    // About 32 bits per key: a key no row has gets past with a chance of about 1/32.
    size_t bits = 1024;
    while (bits < wide * 32 && bits < (size_t{1} << 30)) bits *= 2;
    filter_.assign(bits / 64, 0);
    filterMask_ = bits - 1;
  }
  if (wide == 0)
    for (const TStatKey& k : keys) {
      size_t cell = 0;
      CellOf(k.Raw(), cell);
      cellLimit_ = std::max(cellLimit_, cell + 1);
    }
  rowIds_.reserve(keys.size());
  for (const TStatKey& k : keys) {
    const uint64_t raw = k.Raw();
    int32_t id = Find(raw);
    if (id == None) {
      id = static_cast<int32_t>(distinct_++);
      idKeys_.push_back(raw);
      if (raw < DenseLimit) {
        dense_[raw] = id;
      } else if ((raw & ~PairMask) == 0) {
        pairs_[PairSlot(raw)] = id;
      } else {
        const uint64_t h = Hash(raw);
        filter_[FilterWord(h)] |= FilterBit(h);
        size_t i = h & wideMask_;
        while (wideIds_[i] != None) i = (i + 1) & wideMask_;
        wideKeys_[i] = raw;
        wideIds_[i] = id;
      }
    }
    rowIds_.push_back(id);
  }
}

TListCountMethod ListCountMethod(const TCustomStat& stat) {
  if (stat.CountsKeepsByValue()) return TListCountMethod::Counted;
  // A probe without combinations answers whether the statistic counts shown rows at all.
  const TRowKeyIndex none({});
  if (stat.CountShownRows({}, TMatchContext{}, none, nullptr)) return TListCountMethod::Shown;
  return TListCountMethod::PerRow;
}

std::vector<uint32_t> CountRowsInList(TCustomStat& stat, std::span<const TComb> list,
                                      std::span<const TStatDrawRec> rows, int refIndex, bool sorted, unsigned threads) {
  std::vector<uint32_t> result(rows.size(), 0);
  if (rows.empty() || list.empty()) return result;
  TListCountMethod method = ListCountMethod(stat);
  const TMatchContext ctx{refIndex, sorted, false};
  // Each row is counted by the key a combination must show to be kept by it; a row that keeps
  // nothing counts 0.
  if (method == TListCountMethod::Shown) stat.PrepareFilter(ctx);
  std::vector<TStatKey> keys;
  std::vector<char> keeps(rows.size(), 1);
  keys.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    TStatKey key = rows[i].Key;
    if (method == TListCountMethod::Shown) keeps[i] = stat.RowCountKey(rows[i], ctx, key);
    keys.push_back(key);
  }
  const TRowKeyIndex index(keys);
  std::vector<uint32_t> perKey(index.Size(), 0);

  if (method == TListCountMethod::Shown && index.Size() <= VectorPassRows && list.size() >= VectorPassList) {
    // A vector filter pass costs about a millisecond over the full set: for a handful of rows of a
    // long list less than the scalar pass over the values shown.
    const TStatDrawArray none;
    const TFastSelection sel(none);
    uint64_t mask = 0;
    if (stat.FilterMasks(list.first(std::min<size_t>(list.size(), 64)), sel, ctx, &mask))
      method = TListCountMethod::PerRow;
  }
  switch (method) {
    case TListCountMethod::Counted:
      for (const TStatDrawRec& r : CountCombValues(stat, list, threads)) {
        const int32_t id = index.Find(r.Key.Raw());
        if (id != TRowKeyIndex::None) perKey[static_cast<size_t>(id)] = static_cast<uint32_t>(r.Count);
      }
      break;
    case TListCountMethod::Shown: {
      const unsigned parts = PassParts(list.size(), threads);
      std::vector<std::vector<uint32_t>> partCounts(parts);
      RunPassParts(parts, [&](unsigned i) {
        const size_t from = list.size() * i / parts, to = list.size() * (i + 1) / parts;
        std::vector<uint32_t>& counts = i == 0 ? perKey : partCounts[i];
        counts.resize(index.Size(), 0);
        stat.CountShownRows(list.subspan(from, to - from), ctx, index, counts.data());
      });
      for (unsigned i = 1; i < parts; ++i)
        for (size_t k = 0; k < perKey.size(); ++k) perKey[k] += partCounts[i][k];
      break;
    }
    case TListCountMethod::PerRow: {
      // Rows of one key keep the same combinations: a filter pass per key, the first row of each
      // key standing for it (its record is what a keep by it would read).
      std::vector<char> done(index.Size(), 0);
      for (size_t row = 0; row < rows.size(); ++row) {
        const auto id = static_cast<size_t>(index.RowId(row));
        if (!keeps[row] || done[id]) continue;
        done[id] = 1;
        const TStatDrawArray selected{rows[row]};
        perKey[id] = static_cast<uint32_t>(CountKept(stat, list, selected, refIndex, sorted, false, threads));
      }
      break;
    }
  }
  for (size_t i = 0; i < rows.size(); ++i)
    if (keeps[i]) result[i] = perKey[static_cast<size_t>(index.RowId(i))];
  return result;
}

size_t CountSelectedInList(TCustomStat& stat, std::span<const TComb> list, const TStatDrawArray& rows, int refIndex,
                           bool sorted, unsigned threads) {
  if (rows.empty() || list.empty()) return 0;
  return CountKept(stat, list, rows, refIndex, sorted, false, threads);
}

}  // namespace kivra
