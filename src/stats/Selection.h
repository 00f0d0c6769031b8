// Two forms of a set of selected values with the same five tests:
// TLinearSelection scans the records as the selected-set tests do; TFastSelection answers from
// lookups built once before a filter pass (bitmaps over 16-bit views, hashes for wide keys).
// A statistic's filter test is written once as a template over the selection, so both forms give
// the same answers by construction.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "stats/StatTypes.h"

namespace kivra {

class TLinearSelection {
 public:
  explicit TLinearSelection(const TStatDrawArray& selected) : sel_(selected) {}

  bool Key(uint16_t k1, uint16_t k2 = 0, uint16_t k3 = 0, uint16_t k4 = 0) const {
    return ContainsKey(sel_, k1, k2, k3, k4);
  }
  bool KeyRaw(uint64_t raw) const {
    const TStatKey k(raw);
    return ContainsKey(sel_, k.K1(), k.K2(), k.K3(), k.K4());
  }
  bool Word(int which, uint16_t w) const { return ContainsWord(sel_, which, w); }
  bool Byte(int which, uint8_t b) const { return ContainsByte(sel_, which, b); }
  bool Long(int which, int32_t v) const { return ContainsLong(sel_, which, v); }
  bool Pair(uint16_t a, uint16_t b) const { return ContainsPair(sel_, a, b); }
  bool Empty() const { return sel_.empty(); }
  const TStatDrawArray& Records() const { return sel_; }

 private:
  const TStatDrawArray& sel_;
};

// 65,536 bits.
class TWordBitmap {
 public:
  void Set(uint32_t v) { bits_[v >> 6] |= uint64_t{1} << (v & 63); }
  bool Test(uint32_t v) const { return (bits_[v >> 6] >> (v & 63)) & 1; }

 private:
  std::array<uint64_t, 1024> bits_{};
};

// An open-addressing hash set of 64-bit values, built once, then only read.
class TKeyHashSet {
 public:
  void Build(const std::vector<uint64_t>& keys);
  bool Contains(uint64_t key) const {
    if (mask_ == 0) return false;
    for (size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
      if (!used_[i]) return false;
      if (slots_[i] == key) return true;
    }
  }

 private:
  static uint64_t Hash(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    return k;
  }
  std::vector<uint64_t> slots_;
  std::vector<uint8_t> used_;
  size_t mask_ = 0;
};

// A set of 32-bit values: a bitmap over a 65,536-wide window when the values fit one, else a hash.
class TLongSet {
 public:
  void Build(const std::vector<int32_t>& values);
  bool Contains(int32_t v) const {
    const uint32_t offset = static_cast<uint32_t>(v) - base_;
    if (offset < 65536) return window_.Test(offset);
    return wide_ && hash_.Contains(static_cast<uint32_t>(v));
  }

 private:
  uint32_t base_ = 0;
  bool wide_ = false;
  TWordBitmap window_;
  TKeyHashSet hash_;
};

class TFastSelection {
 public:
  explicit TFastSelection(const TStatDrawArray& selected);

  bool Key(uint16_t k1, uint16_t k2 = 0, uint16_t k3 = 0, uint16_t k4 = 0) const {
    return Exact(TStatKey::Words(k1, k2, k3, k4).Raw());
  }
  bool KeyRaw(uint64_t raw) const { return Exact(raw); }
  bool Word(int which, uint16_t w) const { return which >= 1 && which <= 4 && words_[which - 1].Test(w); }
  bool Byte(int which, uint8_t b) const {
    return which >= 1 && which <= 8 && ((bytes_[which - 1][b >> 6] >> (b & 63)) & 1);
  }
  bool Long(int which, int32_t v) const { return which >= 1 && which <= 2 && longs_[which - 1].Contains(v); }
  bool Pair(uint16_t a, uint16_t b) const { return Exact(TStatKey::Longs(a, b).Raw()); }
  bool Empty() const { return empty_; }
  const TStatDrawArray& Records() const { return sel_; }

 private:
  // Wide keys pass a one-bit-per-hash filter first: most combinations show no selected value, and
  // for them the answer costs one bit test instead of a hash probe.
  static uint32_t WideFilterSlot(uint64_t key) { return static_cast<uint32_t>((key * 0x9E3779B97F4A7C15ULL) >> 48); }
  bool Exact(uint64_t key) const {
    if (key < 65536) return narrow_.Test(static_cast<uint32_t>(key));
    return wideFilter_.Test(WideFilterSlot(key)) && wideKeys_.Contains(key);
  }

  const TStatDrawArray& sel_;
  bool empty_;
  TWordBitmap narrow_;  // keys with only K1 set
  TWordBitmap wideFilter_;
  TKeyHashSet wideKeys_;
  std::array<TWordBitmap, 4> words_;
  std::array<std::array<uint64_t, 4>, 8> bytes_{};
  std::array<TLongSet, 2> longs_;
};

}  // namespace kivra
