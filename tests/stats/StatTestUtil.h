// Shared inputs and helpers of the statistics tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/SortaUtils.h"
#include "stats/CustomStat.h"
#include "stats/StatPasses.h"

namespace kivra::test {

using Texts = std::vector<std::string>;

// The combinations the fast kernels are checked against their reference on: the full set in the
// optimised build; under the sanitizers, whose reference passes are many times slower, every 13th
// combination of it (still large enough to be split over threads).
inline const TCombsArray& CrossCheckCombinations() {
#ifdef KIVRA_SANITIZED_BUILD
  static const TCombsArray sample = [] {
    TCombsArray s;
    const TCombsArray& all = FullCombinationSet();
    for (size_t i = 0; i < all.size(); i += 13) s.push_back(all[i]);
    return s;
  }();
  return sample;
#else
  return FullCombinationSet();
#endif
}

// `count` draws numbered 1.. with five different numbers each, drawn at random from the seed.
inline TDrawsArray RandomDraws(size_t count, unsigned seed) {
  std::mt19937 rng(seed);
  TDrawsArray draws(count);
  for (size_t i = 0; i < count; ++i) {
    std::array<uint8_t, MaxNumber> pool;
    for (int n = 0; n < MaxNumber; ++n) pool[n] = static_cast<uint8_t>(n + 1);
    std::shuffle(pool.begin(), pool.end(), rng);
    draws[i].Number = static_cast<int32_t>(i + 1);
    std::copy_n(pool.begin(), CombSize, draws[i].Nums.begin());
  }
  return draws;
}

// The values of a combination as the filter sees them (for the draw at refIndex), in the order
// they are added, " *n" after a value added n times.
inline Texts ShownValueList(TCustomStat& stat, const TComb& c, int refIndex = -1) {
  TStatDrawArray values;
  EXPECT_TRUE(stat.FilterViewValues(c, refIndex, false, values));
  Texts texts;
  for (const auto& v : values) {
    texts.push_back(stat.ValueCaption(v));
    if (v.Count != 1) texts.back() += " *" + std::to_string(v.Count);
  }
  return texts;
}

// The same, joined by ", ".
inline std::string ShownValues(TCustomStat& stat, const TComb& c, int refIndex = -1) {
  std::string text;
  for (const std::string& value : ShownValueList(stat, c, refIndex)) text += (text.empty() ? "" : ", ") + value;
  return text;
}

inline Texts Captions(const TCustomStat& stat, const TStatDrawArray& values) {
  Texts captions;
  for (const auto& v : values) captions.push_back(stat.ValueCaption(v));
  return captions;
}

// One line per entry of a distribution: caption, count, newest draw and depth.
inline Texts Rows(const TCustomStat& stat, const TStatDrawArray& values) {
  Texts rows;
  for (const auto& v : values)
    rows.push_back(stat.ValueCaption(v) + " n=" + std::to_string(v.Count) + " last=" + std::to_string(v.LastDraw) +
                   " depth=" + std::to_string(v.Depth));
  return rows;
}

// The same with the shortest and the longest period; with drawnOnly, of the entries some draw
// shows (Count > 0) only.
inline Texts PeriodRows(const TCustomStat& stat, const TStatDrawArray& values, bool drawnOnly = false) {
  Texts rows;
  for (const auto& v : values)
    if (!drawnOnly || v.Count > 0)
      rows.push_back(stat.ValueCaption(v) + " n=" + std::to_string(v.Count) + " last=" + std::to_string(v.LastDraw) +
                     " depth=" + std::to_string(v.Depth) + " per=" + std::to_string(v.MinPeriod) + "-" +
                     std::to_string(v.MaxPeriod));
  return rows;
}

// The answer of the reference test CombMatches; the fast pass must keep the combination exactly
// when that answer differs from `remove`.
inline bool Matches(TCustomStat& stat, const TComb& c, const TStatDrawArray& sel, int refIndex, bool remove = false) {
  const bool reference = stat.CombMatches(c, sel, refIndex, false, remove);
  TComb out;
  const bool kept = FilterCombs(stat, {&c, 1}, &out, sel, refIndex, false, remove) == 1;
  EXPECT_EQ(kept, reference != remove) << CombToText(c);
  return reference;
}

// The same for one selected value.
inline bool Matches(TCustomStat& stat, const TComb& c, TStatKey key, int refIndex) {
  return Matches(stat, c, TStatDrawArray{TStatDrawRec{.Key = key}}, refIndex);
}

// The value a filter pass sees for a combination: the one K1 of 0..maxKey whose selection alone
// matches, by the reference test and by the fast pass alike; -1 when none does, -2 when the two
// disagree, -3 when several match.
inline int FilterValue(TCustomStat& stat, const TComb& c, int refIndex, bool sorted, uint16_t maxKey) {
  int found = -1;
  for (uint16_t v = 0; v <= maxKey; ++v) {
    const TStatDrawArray sel{TStatDrawRec{.Key = TStatKey::Words(v)}};
    const bool reference = stat.CombMatches(c, sel, refIndex, sorted, false);
    TComb out;
    const bool fast = FilterCombs(stat, {&c, 1}, &out, sel, refIndex, sorted, false) == 1;
    if (reference != fast) return -2;
    if (reference) found = found == -1 ? v : -3;
  }
  return found;
}

// A fixture of statistics over its own draws (none unless the derived fixture gives them) and the
// default configuration.
class TStatFixture : public ::testing::Test {
 protected:
  explicit TStatFixture(TDrawsArray draws = {}) : draws_(std::move(draws)) {}

  std::unique_ptr<TCustomStat> Make(const TStatClass& cls, int32_t param = 0) { return cls.Create(env_, param); }
  template <class T>
  std::unique_ptr<TCustomStat> Make(int32_t param = 0) {
    return Make(StatClassOf<T>(), param);
  }
  // For the statistics with a chart value.
  std::unique_ptr<TCustomGraphStat> MakeGraph(const TStatClass& cls, int32_t param = 0) {
    return std::unique_ptr<TCustomGraphStat>(static_cast<TCustomGraphStat*>(Make(cls, param).release()));
  }
  template <class T>
  std::unique_ptr<TCustomGraphStat> MakeGraph(int32_t param = 0) {
    return MakeGraph(StatClassOf<T>(), param);
  }

  TDrawsArray draws_;
  TStatEnv env_{&draws_, {}, {}};
};

}  // namespace kivra::test
