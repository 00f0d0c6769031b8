// The rows of a statistics table looked up by the raw key of their value: a dense table for keys
// below 65536 (the values of most statistics), an open-addressing hash for wider keys.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "stats/StatTypes.h"

namespace kivra {

class TRowKeyIndex {
 public:
  static constexpr int32_t None = -1;
  static constexpr uint64_t DenseLimit = 65536;

  // Ids 0.. in order of first appearance of each distinct key; RowId(i) is the id of keys[i].
  explicit TRowKeyIndex(std::span<const TStatKey> keys);

  int32_t Find(uint64_t raw) const {
    if (raw < DenseLimit) return dense_[raw];
    if ((raw & ~PairMask) == 0) return pairs_.empty() ? None : pairs_[PairSlot(raw)];
    if (wideMask_ == 0) return None;
    const uint64_t h = Hash(raw);
    if ((filter_[FilterWord(h)] & FilterBit(h)) == 0) return None;
    for (size_t i = h & wideMask_;; i = (i + 1) & wideMask_) {
      if (wideIds_[i] == None) return None;
      if (wideKeys_[i] == raw) return wideIds_[i];
    }
  }
  // Dense keys and pairs have a cell: a dense key itself, a pair DenseLimit + K1 + 256 K2.
  static bool CellOf(uint64_t raw, size_t& cell) {
    if (raw < DenseLimit) {
      cell = raw;
      return true;
    }
    cell = DenseLimit + PairSlot(raw);
    return (raw & ~PairMask) == 0;
  }
  // 1 + the largest cell of the keys when every key has one; 0 otherwise and without keys.
  size_t CellLimit() const { return cellLimit_; }
  // The number of distinct keys (ids are 0..Size()-1).
  size_t Size() const { return distinct_; }
  int32_t RowId(size_t i) const { return rowIds_[i]; }
  // The raw key of an id.
  uint64_t Key(int32_t id) const { return idKeys_[static_cast<size_t>(id)]; }

 private:
  static uint64_t Hash(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    return k;
  }

  // Keys of two byte words (K2 not 0: the others are dense): K1 | K2 << 8.
  static constexpr uint64_t PairMask = 0xFF'00FF;
  static size_t PairSlot(uint64_t raw) { return (raw & 0xFF) | (raw >> 8 & 0xFF00); }
  // The filter bit of a hash: bits 32..37 pick the bit, the ones above the word.
  size_t FilterWord(uint64_t h) const { return (h >> 38) & (filterMask_ >> 6); }
  static uint64_t FilterBit(uint64_t h) { return uint64_t{1} << (h >> 32 & 63); }

  std::vector<int32_t> dense_;
  std::vector<int32_t> pairs_;  // empty when no key is such a pair
  // Wider keys: a bit per hash value set by the keys (most keys a list shows are no row's, and
  // are turned away here), then open addressing.
  std::vector<uint64_t> filter_;
  uint64_t filterMask_ = 0;  // bits - 1
  std::vector<uint64_t> wideKeys_;
  std::vector<int32_t> wideIds_;
  size_t wideMask_ = 0;
  size_t distinct_ = 0;
  size_t cellLimit_ = 0;
  std::vector<int32_t> rowIds_;
  std::vector<uint64_t> idKeys_;
};

}  // namespace kivra
