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
    if (wideMask_ == 0) return None;
    for (size_t i = Hash(raw) & wideMask_;; i = (i + 1) & wideMask_) {
      if (wideIds_[i] == None) return None;
      if (wideKeys_[i] == raw) return wideIds_[i];
    }
  }
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

  std::vector<int32_t> dense_;
  std::vector<uint64_t> wideKeys_;
  std::vector<int32_t> wideIds_;
  size_t wideMask_ = 0;
  size_t distinct_ = 0;
  std::vector<int32_t> rowIds_;
  std::vector<uint64_t> idKeys_;
};

}  // namespace kivra
