#include "stats/Selection.h"

#include <algorithm>

namespace kivra {

void TKeyHashSet::Build(const std::vector<uint64_t>& keys) {
  slots_.clear();
  used_.clear();
  mask_ = 0;
  if (keys.empty()) return;
  const size_t capacity = std::bit_ceil(keys.size() * 2 + 2);
  slots_.assign(capacity, 0);
  used_.assign(capacity, 0);
  mask_ = capacity - 1;
  for (uint64_t k : keys) {
    size_t i = Hash(k) & mask_;
    while (used_[i] && slots_[i] != k) i = (i + 1) & mask_;
    slots_[i] = k;
    used_[i] = 1;
  }
}

void TLongSet::Build(const std::vector<int32_t>& values) {
  if (values.empty()) {
    base_ = 0;
    wide_ = false;
    return;  // the window holds no bit, so nothing is found
  }
  // The window starts at the smallest value; values beyond it go to the hash.
  base_ = static_cast<uint32_t>(*std::min_element(values.begin(), values.end()));
  std::vector<uint64_t> wide;
  for (int32_t v : values) {
    const uint32_t offset = static_cast<uint32_t>(v) - base_;
    if (offset < 65536) window_.Set(offset);
    else wide.push_back(static_cast<uint32_t>(v));
  }
  wide_ = !wide.empty();
  hash_.Build(wide);
}

TFastSelection::TFastSelection(const TStatDrawArray& selected) : sel_(selected), empty_(selected.empty()) {
  std::vector<uint64_t> wide;
  std::vector<int32_t> l1, l2;
  for (const auto& r : selected) {
    const TStatKey k = r.Key;
    if (k.Raw() < 65536) narrow_.Set(static_cast<uint32_t>(k.Raw()));
    else {
      wide.push_back(k.Raw());
      wideFilter_.Set(WideFilterSlot(k.Raw()));
    }
    for (int w = 1; w <= 4; ++w) words_[w - 1].Set(k.K(w));
    for (int b = 1; b <= 8; ++b) bytes_[b - 1][k.B(b) >> 6] |= uint64_t{1} << (k.B(b) & 63);
    l1.push_back(k.L1());
    l2.push_back(k.L2());
  }
  wideKeys_.Build(wide);
  longs_[0].Build(l1);
  longs_[1].Build(l2);
}

}  // namespace kivra
