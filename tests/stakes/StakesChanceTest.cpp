// The comparison of checked stakes with chance: the fast runs against the plain recount, the same
// result on any number of threads, the exact expectation, the statistics of the resampling, a
// journal made after the fact, the report's lines and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <map>
#include <random>

#include "core/SysFormat.h"
#include "stakes/Prizes.h"
#include "stakes/StakesChance.h"

namespace kivra {
namespace {

constexpr TMoney Units = MoneyScale;

// Cost 10; prizes for 0..5 matches 1, 0, 2, 15, 100, 10000 (0 and 1 matches paid, so that every
// match count shows in the profit).
TConfigData Prizes() {
  TConfigData c;
  c.Cost = 10 * Units;
  c.Profits = {{0, 1 * Units}, {1, 0}, {2, 2 * Units}, {3, 15 * Units}, {4, 100 * Units}, {5, 10000 * Units}};
  return c;
}

uint64_t Mask(std::initializer_list<int> numbers) {
  uint64_t m = 0;
  for (int n : numbers) m |= uint64_t{1} << n;
  return m;
}

// A stake of `size` numbers for the draw, priced as the check prices it against `drawn`.
TChanceStake Stake(int32_t draw, uint8_t size, uint64_t mask, uint64_t drawn, const TConfigData& config) {
  const int m = std::popcount(mask & drawn);
  return {draw, size, mask, static_cast<uint8_t>(m), StakeProfit(config, size, m)};
}

// `count` stakes of 5..12 random numbers over `draws` draws numbered from 1000, checked against
// random draws.
std::vector<TChanceStake> RandomStakes(int count, int draws, uint32_t seed, const TConfigData& config) {
  std::mt19937 rng(seed);
  std::vector<uint64_t> drawn;
  for (int d = 0; d < draws; ++d) drawn.push_back(TChanceRng(seed, 1000000 + d).DrawMask());
  std::vector<TChanceStake> stakes;
  for (int i = 0; i < count; ++i) {
    const auto size = static_cast<uint8_t>(5 + rng() % 8);
    uint64_t mask = 0;
    while (std::popcount(mask) < size) mask |= uint64_t{1} << (1 + rng() % 45);
    const int d = static_cast<int>(rng() % draws);
    stakes.push_back(Stake(1000 + d, size, mask, drawn[d], config));
  }
  return stakes;
}

TChanceReport Compare(std::span<const TChanceStake> stakes, const TConfigData& config, int runs, uint64_t seed,
                      int threads = 1) {
  TRecordingPort port;
  const auto report = CompareWithChance(port, stakes, config, {runs, seed, threads});
  EXPECT_TRUE(report.has_value());
  EXPECT_TRUE(port.Messages.empty());
  return report.value_or(TChanceReport{});
}

TEST(StakesChance, RandomDrawsAreFiveDistinctNumbersFixedBySeedAndRun) {
  std::array<int64_t, MaxNumber + 1> hits{};
  for (uint64_t run = 0; run < 9000; ++run) {
    const uint64_t m = TChanceRng(7, run).DrawMask();
    ASSERT_EQ(std::popcount(m), 5);
    ASSERT_EQ(m & ~(((uint64_t{1} << 46) - 1) & ~uint64_t{1}), 0u);
    for (int n = 1; n <= MaxNumber; ++n) hits[n] += m >> n & 1;
    EXPECT_EQ(m, TChanceRng(7, run).DrawMask());
  }
  // Every number about 9000 * 5 / 45 = 1000 times (sd about 30).
  for (int n = 1; n <= MaxNumber; ++n) EXPECT_NEAR(hits[n], 1000, 150) << n;
  EXPECT_NE(TChanceRng(7, 1).DrawMask(), TChanceRng(8, 1).DrawMask());
}

TEST(StakesChance, RunsEqualThePlainRecountOnAnyThreadCount) {
  const TConfigData config = Prizes();
  std::vector<TChanceStake> stakes = RandomStakes(400, 7, 11, config);
  // A repeated number (stored by some makers, counted once by the check) and 5,000 copies of one
  // stake: more than one block of one register's counts.
  stakes.push_back({1003, 6, Mask({1, 2, 3, 4, 5}), 0, StakeProfit(config, 6, 0)});
  for (int i = 0; i < 5000; ++i) stakes.push_back({1001, 5, Mask({4, 9, 17, 30, 41}), 1, StakeProfit(config, 5, 1)});
  const int runs = 150;
  const std::vector<TMoney> reference = ChanceReferenceProfits(stakes, config, runs, 99);
  const TChanceReport one = Compare(stakes, config, runs, 99, 1);
  EXPECT_EQ(one.RandomProfits, reference);
  EXPECT_EQ(one.Stakes, 5401);
  EXPECT_EQ(one.Draws, 7);
  for (int threads : {2, 3}) {
    const TChanceReport many = Compare(stakes, config, runs, 99, threads);
    EXPECT_EQ(many.RandomProfits, one.RandomProfits);
    EXPECT_EQ(many.RandomMatches, one.RandomMatches);
    EXPECT_EQ(ChanceReportLines(many), ChanceReportLines(one));
  }
  // Another seed, other runs.
  EXPECT_NE(Compare(stakes, config, runs, 100).RandomProfits, one.RandomProfits);
}

TEST(StakesChance, ExactExpectationFollowsTheHypergeometricLaw) {
  // Cost 1; only five matches paid, with C(45,5) = 1221759: a 5-number stake hits 1 of the 1221759
  // draws and a 6-number stake 6 of them, so each expects exactly its cost back.
  TConfigData config;
  config.Cost = 1 * Units;
  config.Profits = {{5, 1221759 * Units}};
  const std::vector<TChanceStake> stakes = {{1, 5, Mask({1, 2, 3, 4, 5}), 0, -Units},
                                            {1, 6, Mask({1, 2, 3, 4, 5, 6}), 0, -6 * Units}};
  const TChanceReport r = Compare(stakes, config, 100, 1);
  EXPECT_EQ(r.ExactMean, 0);
  EXPECT_EQ(r.Profit, -7 * Units);
  // Stakes with 2 matches: 98800 / 1221759 for five numbers, C(6,2) C(39,3) / 1221759 for six.
  EXPECT_NEAR(static_cast<double>(r.MatchFigures[0].Exact), (98800.0 + 15 * 9139.0) / 1221759.0, 1e-12);
}

TEST(StakesChance, ResampledMeanAgreesWithTheExactExpectation) {
  const TConfigData config = Prizes();
  const std::vector<TChanceStake> stakes = RandomStakes(1000, 20, 3, config);
  const int runs = 10000;
  const TChanceReport r = Compare(stakes, config, runs, 2026);
  const long double error = r.RandomSd / std::sqrt(static_cast<long double>(runs));
  ASSERT_GT(error, 0);
  EXPECT_LE(std::fabs(r.RandomMeanValue - r.ExactMeanValue), 3 * error)
      << static_cast<double>(r.RandomMeanValue) << " vs " << static_cast<double>(r.ExactMeanValue);
  // The counts of stakes with 2..5 matches likewise (their spread taken from the runs).
  for (size_t m = 0; m < 4; ++m) {
    long double squares = 0;
    for (const auto& run : r.RandomMatches) {
      const long double dev = run[m] - r.MatchFigures[m].RandomMean;
      squares += dev * dev;
    }
    const long double se = std::sqrt(squares / (runs - 1) / runs);
    EXPECT_LE(std::fabs(r.MatchFigures[m].RandomMean - r.MatchFigures[m].Exact), 3 * se + 1e-9) << m + 2;
  }
  // The band holds the mean; an honest random journal sits inside the runs.
  EXPECT_LE(r.RandomP05, r.RandomMean);
  EXPECT_GE(r.RandomP95, r.RandomMean);
  EXPECT_GT(r.PValue, 0);
}

TEST(StakesChance, PValueAgreesWithAnIndependentResampling) {
  // The same journal resampled with another generator and the plain count: the p-values agree
  // within four Monte-Carlo standard errors.
  const TConfigData config = Prizes();
  const std::vector<TChanceStake> stakes = RandomStakes(60, 8, 21, config);
  const int runs = 20000;
  const TChanceReport r = Compare(stakes, config, runs, 5);
  std::mt19937_64 rng(123);
  std::array<int, 45> pool;
  for (int n = 0; n < 45; ++n) pool[n] = n + 1;
  std::map<int32_t, uint64_t> drawn;
  int atLeast = 0;
  for (int run = 0; run < runs; ++run) {
    drawn.clear();
    TMoney profit = 0;
    for (const TChanceStake& s : stakes) {
      auto [it, added] = drawn.emplace(s.Draw, 0);
      if (added) {
        std::shuffle(pool.begin(), pool.end(), rng);
        for (int k = 0; k < 5; ++k) it->second |= uint64_t{1} << pool[k];
      }
      profit += StakeProfit(config, s.Size, std::popcount(s.Mask & it->second));
    }
    atLeast += profit >= r.Profit;
  }
  const double p1 = r.PValue / 10000.0, p2 = static_cast<double>(atLeast) / runs;
  const double p = (p1 + p2) / 2;
  // This journal sits in the middle of the runs (p about 0.5), where a bias would show most.
  EXPECT_GT(p2, 0.1);
  EXPECT_LT(p2, 0.9);
  EXPECT_LE(std::fabs(p1 - p2), 4 * std::sqrt(p * (1 - p) * 2.0 / runs) + 1e-4) << p1 << " vs " << p2;
}

TEST(StakesChance, StakesMadeAfterTheDrawsBeatChance) {
  // Each stake holds three numbers of its draw's real result: what a "forecast" made after the
  // fact looks like.
  const TConfigData config = Prizes();
  std::mt19937 rng(5);
  std::vector<TChanceStake> stakes;
  for (int d = 0; d < 30; ++d) {
    const uint64_t drawn = TChanceRng(77, d).DrawMask();
    std::vector<int> numbers;
    for (int n = 1; n <= MaxNumber; ++n)
      if (drawn >> n & 1) numbers.push_back(n);
    for (int i = 0; i < 30; ++i) {
      std::shuffle(numbers.begin(), numbers.end(), rng);
      uint64_t mask = Mask({numbers[0], numbers[1], numbers[2]});
      while (std::popcount(mask) < 6) {
        const int n = 1 + static_cast<int>(rng() % 45);
        if (!(drawn >> n & 1)) mask |= uint64_t{1} << n;
      }
      stakes.push_back(Stake(500 + d, 6, mask, drawn, config));
    }
  }
  const TChanceReport r = Compare(stakes, config, 10000, 1);
  EXPECT_GT(r.BeatsShare, 9990);
  EXPECT_LT(r.PValue, 10);
  EXPECT_EQ(r.Matches[3], 900);
  EXPECT_GT(r.Profit, r.RandomP95);
}

TEST(StakesChance, ReportLinesInTheirOrder) {
  // No prizes: every run costs what the stakes cost, so every figure is known.
  TConfigData config;
  config.Cost = MoneyFromFloat(2.5L);
  const std::vector<TChanceStake> stakes = {{7, 5, Mask({1, 2, 3, 4, 5}), 2, -25000},
                                            {7, 7, Mask({1, 2, 3, 4, 5, 6, 7}), 3, -99},
                                            {8, 5, Mask({10, 11, 12, 13, 14}), 5, -25000}};
  // A stake no check can make (4 numbers, 6 matches) is left out.
  std::vector<TChanceStake> withBad = stakes;
  withBad.push_back({9, 4, Mask({1, 2, 3, 4}), 0, 0});
  withBad.push_back({9, 6, Mask({1, 2, 3, 4, 5, 6}), 6, 0});
  const TChanceReport r = Compare(withBad, config, 100, 42);
  const std::vector<std::string> expected = {"stakes;3",
                                             "draws;2",
                                             "profit;-57.50",
                                             "matches_2;1",
                                             "matches_3;1",
                                             "matches_4;0",
                                             "matches_5;1",
                                             "random_mean;-57.50",
                                             "random_p05;-57.50",
                                             "random_p95;-57.50",
                                             "exact_mean;-57.50",
                                             "beats_share;0.5000",
                                             "p_value;1.0000",
                                             "runs;100",
                                             "seed;42"};
  EXPECT_EQ(ChanceReportLines(r), expected);
  // The journal held another profit for one of them.
  EXPECT_EQ(r.Repriced, 1);
  const TChartData chart = ChanceChart(r, "Все ставки журнала");
  EXPECT_EQ(chart.Title, "Сравнение со случайной игрой");
  ASSERT_EQ(chart.Table.size(), 6u);
  EXPECT_EQ(chart.Table[1], (std::vector<std::string>{"Профит", "-57.50", "-57.50", "-57.50 … -57.50", "-57.50"}));
  EXPECT_EQ(chart.Notes.front(), "Все ставки журнала: ставок 3, тиражей 2, прогонов 100 (начальное число 42).");
  EXPECT_TRUE(std::any_of(chart.Notes.begin(), chart.Notes.end(),
                          [](const std::string& note) { return note.find("у 1 ставок") != std::string::npos; }));
  // The histogram: one bar of all 100 runs, and the real profit marked in it.
  ASSERT_EQ(chart.Series.size(), 2u);
  long double runs = 0;
  for (const auto& p : chart.Series[0].Points) runs += p.Y;
  EXPECT_EQ(runs, 100);
  EXPECT_EQ(chart.Series[1].Points.size(), chart.Series[0].Points.size());
}

TEST(StakesChance, RefusalsAndStop) {
  const TConfigData config = Prizes();
  const std::vector<TChanceStake> stakes = RandomStakes(10, 2, 1, config);
  struct TCase {
    std::span<const TChanceStake> Stakes;
    int Runs;
    std::string Message;
  };
  const TCase cases[] = {
      {stakes, 99, "Количество прогонов должно быть от 100 до 1000000 (задано 99)!"},
      {stakes, 1000001, "Количество прогонов должно быть от 100 до 1000000 (задано 1000001)!"},
      {{},
       100,
       "Нет проверенных ставок для сравнения со случайной игрой!\r\rСравнивать можно только ставки, уже проверенные "
       "по архиву тиражей."},
  };
  for (const TCase& c : cases) {
    TRecordingPort port;
    EXPECT_FALSE(CompareWithChance(port, c.Stakes, config, {c.Runs, 0, 1}));
    ASSERT_EQ(port.Messages.size(), 1u);
    EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(port.Messages[0].Text, c.Message);
  }
  // A stop after the first batch: nothing, no message, the busy state left.
  TRecordingPort port;
  int asked = 0;
  EXPECT_FALSE(CompareWithChance(port, stakes, config, {1000000, 0, 1}, [&] { return ++asked == 2; }));
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_TRUE(port.IsIdle());
  EXPECT_EQ(port.Progress.at(1), "Сравнение со случайной игрой ( завершено 2 % )...");
}

TEST(StakesChance, OnlyCheckedRealStakesCount) {
  TStakeData r;
  r.Kind = StakeManual;
  r.DrawNumber = 10;
  r.Checked = 1;
  r.Numbers = {6, {1, 2, 3, 3, 40, 45}};
  r.Matched = {2, {3, 40}};
  r.Profit = -60000;
  const auto stake = ChanceStakeOf(r);
  ASSERT_TRUE(stake);
  EXPECT_EQ(stake->Size, 6);
  EXPECT_EQ(stake->Mask, Mask({1, 2, 3, 40, 45}));
  EXPECT_EQ(stake->Matched, 2);
  const auto checked = ChanceStakeChecked(r, {3, 40, 45, 7, 8}, Prizes());
  ASSERT_TRUE(checked);
  EXPECT_EQ(checked->Matched, 3);
  EXPECT_EQ(checked->Stored, StakeProfit(Prizes(), 6, 3));
  struct TCase {
    const char* What;
    std::function<void(TStakeData&)> Change;
  };
  const TCase refused[] = {
      {"unchecked", [](TStakeData& s) { s.Checked = 0; }},
      {"separator", [](TStakeData& s) { s.Kind = StakeSeparator; }},
      {"no draw", [](TStakeData& s) { s.DrawNumber = -1; }},
      {"matches unknown", [](TStakeData& s) { s.Matched.Count = -1; }},
      {"matches above 5", [](TStakeData& s) { s.Matched.Count = 6; }},
      {"four numbers", [](TStakeData& s) { s.Numbers.Count = 4; }},
      {"number 46", [](TStakeData& s) { s.Numbers.Values[0] = 46; }},
  };
  for (const TCase& c : refused) {
    TStakeData s = r;
    c.Change(s);
    EXPECT_FALSE(ChanceStakeOf(s)) << c.What;
  }
}

}  // namespace
}  // namespace kivra
