// Own systems: the exhaustive check against a naive one, the lower bounds, the search (designs
// that pass the check, the known optima, the same design for the same seed and work, a stop that
// keeps a valid design) and the parameter checks.
#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "stakes/CoverDesign.h"

namespace kivra {
namespace {

uint64_t Mask(const TComb& b) {
  uint64_t m = 0;
  for (uint8_t p : b) m |= uint64_t(1) << (p - 1);
  return m;
}

// The naive check: every M-subset in lexicographic order against every block.
std::vector<uint8_t> NaiveFirstUncovered(const TCoverSpec& s, const std::vector<TComb>& blocks) {
  std::vector<int> c(size_t(s.Drawn));
  for (int k = 0; k < s.Drawn; ++k) c[size_t(k)] = k;
  while (true) {
    uint64_t m = 0;
    for (int p : c) m |= uint64_t(1) << p;
    bool covered = false;
    for (const TComb& b : blocks) covered = covered || std::popcount(m & Mask(b)) >= s.Guarantee;
    if (!covered) {
      std::vector<uint8_t> r;
      for (int p : c) r.push_back(static_cast<uint8_t>(p + 1));
      return r;
    }
    int k = s.Drawn - 1;
    while (k >= 0 && c[size_t(k)] == s.Nums - s.Drawn + k) --k;
    if (k < 0) return {};
    ++c[size_t(k)];
    for (int q = k + 1; q < s.Drawn; ++q) c[size_t(q)] = c[size_t(q - 1)] + 1;
  }
}

std::vector<TComb> RandomBlocks(int n, int count, std::mt19937& rng) {
  std::vector<TComb> blocks;
  std::vector<uint8_t> pool(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) pool[size_t(i)] = static_cast<uint8_t>(i + 1);
  for (int i = 0; i < count; ++i) {
    std::shuffle(pool.begin(), pool.end(), rng);
    TComb b{};
    std::copy_n(pool.begin(), CombSize, b.begin());
    blocks.push_back(b);
  }
  return blocks;
}

TEST(CoverDesign, CheckAgreesWithTheNaiveCheck) {
  std::mt19937 rng(35);
  const std::vector<TCoverSpec> specs = {{6, 2, 2}, {8, 3, 4}, {9, 2, 3}, {10, 4, 5}, {11, 3, 5}, {12, 2, 4}, {7, 5, 5}};
  for (const TCoverSpec& s : specs)
    for (int count : {1, 3, 8, 20, 60}) {
      const auto blocks = RandomBlocks(s.Nums, count, rng);
      const TCoverCheck check = VerifyCover(s, blocks);
      const auto naive = NaiveFirstUncovered(s, blocks);
      EXPECT_EQ(check.Ok, naive.empty()) << s.Nums << " " << s.Guarantee << " " << s.Drawn << " x" << count;
      EXPECT_EQ(check.FirstUncovered, naive);
      if (check.Ok) {
        EXPECT_EQ(check.Subsets, CoverBinom(s.Nums, s.Drawn));
      }
    }
  // A block with a repeated or out-of-range position, and no blocks at all, never pass.
  EXPECT_FALSE(VerifyCover({6, 2, 2}, std::vector<TComb>{{1, 2, 3, 4, 4}}).Ok);
  EXPECT_FALSE(VerifyCover({6, 2, 2}, std::vector<TComb>{{1, 2, 3, 4, 7}}).Ok);
  EXPECT_FALSE(VerifyCover({6, 2, 2}, std::vector<TComb>{}).Ok);
}

TEST(CoverDesign, LowerBounds) {
  struct TRow {
    TCoverSpec Wanted;
    int64_t Bound;
  };
  // Schönheim for T = M (the first three are the sizes of S(4,5,11), PG(2,4) and AG(2,5)); the
  // full system; for T < M the best of counting and Turán (10 "2 если 3": two disjoint blocks reach it).
  const std::vector<TRow> rows = {{{11, 4, 4}, 66}, {{21, 2, 2}, 21}, {{25, 2, 2}, 30}, {{12, 4, 4}, 113},
                                  {{9, 5, 5}, 126}, {{10, 2, 3}, 2},   {{14, 2, 3}, 5},   {{6, 2, 5}, 1}};
  for (const TRow& r : rows)
    EXPECT_EQ(CoverLowerBound(r.Wanted), r.Bound) << r.Wanted.Nums << " " << r.Wanted.Guarantee << " " << r.Wanted.Drawn;
  // 10 "2 если 3" needs two blocks: one block leaves the triple of three positions outside it.
  EXPECT_FALSE(VerifyCover({10, 2, 3}, std::vector<TComb>{{1, 2, 3, 4, 5}}).Ok);
  EXPECT_TRUE(VerifyCover({10, 2, 3}, std::vector<TComb>{{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}).Ok);
}

TEST(CoverDesign, SearchGivesCheckedDesignsNoSmallerThanTheBound) {
  const std::vector<TCoverSpec> specs = {{6, 2, 2}, {8, 3, 3}, {9, 2, 3}, {10, 3, 4}, {10, 4, 5},
                                         {12, 2, 4}, {13, 3, 5}, {7, 5, 5}, {14, 2, 5}, {15, 3, 4},
                                         {19, 3, 5}};
  for (const TCoverSpec& s : specs) {
    TCoverOptions options;
    options.Seconds = 60;
    options.MaxMoves = 20000;
    const TCoverResult r = MakeCover(s, options);
    ASSERT_TRUE(r.Verified) << s.Nums << " " << s.Guarantee << " " << s.Drawn;
    EXPECT_TRUE(NaiveFirstUncovered(s, r.Blocks).empty());
    EXPECT_GE(int64_t(r.Blocks.size()), r.LowerBound);
    EXPECT_EQ(r.LowerBound, CoverLowerBound(s));
    // Ascending within a block and block by block.
    for (const TComb& b : r.Blocks) EXPECT_TRUE(std::is_sorted(b.begin(), b.end()));
    EXPECT_TRUE(std::is_sorted(r.Blocks.begin(), r.Blocks.end()));
  }
}

TEST(CoverDesign, KnownOptimaAndTheSameDesignForTheSameSeed) {
  for (const TCoverSpec& s : {TCoverSpec{11, 4, 4}, TCoverSpec{21, 2, 2}}) {
    TCoverOptions options;
    options.Seconds = 600;
    options.MaxMoves = 20'000'000;
    options.Seed = 7;
    const TCoverResult a = MakeCover(s, options);
    ASSERT_TRUE(a.Verified);
    EXPECT_EQ(int64_t(a.Blocks.size()), a.LowerBound) << s.Nums;
    EXPECT_EQ(MakeCover(s, options).Blocks, a.Blocks);
  }
  // With two chains, and with work cut short: the same again for the same seed.
  TCoverOptions options;
  options.Seconds = 600;
  options.MaxMoves = 30000;
  options.Threads = 2;
  const TCoverSpec s{16, 3, 4};
  const TCoverResult a = MakeCover(s, options);
  ASSERT_TRUE(a.Verified);
  EXPECT_EQ(MakeCover(s, options).Blocks, a.Blocks);
}

class TStopAt : public TCoverObserver {
 public:
  explicit TStopAt(int calls) : left_(calls) {}
  bool Progress(const TCoverProgress& p) override {
    last = p;
    ++seen;
    return --left_ > 0;
  }
  TCoverProgress last;
  int seen = 0;

 private:
  int left_;
};

TEST(CoverDesign, StopKeepsTheBestDesignSoFar) {
  // Stopped at the first report, and after a few rounds: either way a checked design comes back.
  for (const TCoverSpec& s : {TCoverSpec{20, 3, 4}, TCoverSpec{16, 3, 5}}) {
    for (int calls : {1, 4}) {
      TStopAt stop(calls);
      TCoverOptions options;
      options.Seconds = 600;
      const TCoverResult r = MakeCover(s, options, &stop);
      EXPECT_TRUE(r.Stopped);
      EXPECT_EQ(stop.seen, calls);
      ASSERT_TRUE(r.Verified) << s.Nums;
      EXPECT_TRUE(VerifyCover(s, r.Blocks).Ok);
      EXPECT_EQ(stop.last.LowerBound, r.LowerBound);
    }
  }
}

TEST(CoverDesign, ParametersOutOfRange) {
  const std::vector<std::pair<TCoverSpec, std::string>> bad = {
      {{5, 2, 3}, "Количество чисел системы должно быть от 6 до 45 (указано 5)!"},
      {{46, 2, 3}, "Количество чисел системы должно быть от 6 до 45 (указано 46)!"},
      {{14, 2, 6}, "Количество угаданных чисел (\"если M\") должно быть от 2 до 5 (указано 6)!"},
      {{14, 1, 3}, "Гарантия должна быть не меньше 2 совпадений (указано 1)!"},
      {{14, 4, 3}, "Гарантия \"4 если 3\" невозможна: совпадений (4) не может быть больше, чем угаданных чисел (3)!"}};
  for (const auto& [wanted, message] : bad) {
    EXPECT_EQ(CoverSpecError(wanted), message);
    EXPECT_FALSE(MakeCover(wanted, {}).Verified);
    EXPECT_TRUE(MakeCover(wanted, {}).Blocks.empty());
  }
  EXPECT_EQ(CoverSpecError({45, 2, 5}), "");
  EXPECT_EQ(CoverSpecError({6, 5, 5}), "");
  for (double seconds : {0.0, -1.0}) {
    EXPECT_EQ(CoverBudgetError(seconds), "Время поиска системы должно быть больше нуля!");
    TCoverOptions options;
    options.Seconds = seconds;
    EXPECT_FALSE(MakeCover({10, 3, 4}, options).Verified);
  }
}

TEST(CoverDesign, Texts) {
  EXPECT_EQ(CoverResultText(66, 66), "Комбинаций: 66, нижняя граница: 66, гарантия проверена");
  const std::vector<TComb> blocks = {{1, 2, 3, 4, 5}, {2, 7, 9, 10, 11}};
  EXPECT_EQ(CoverFileText(blocks), "01 02 03 04 05\r\n02 07 09 10 11\r\n");
  EXPECT_EQ(GuaranteeText(3, 4), "3 если 4");
}

}  // namespace
}  // namespace kivra
