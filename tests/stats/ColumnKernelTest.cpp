#include <gtest/gtest.h>

#include <algorithm>

#include "StatTestUtil.h"
#include "stats/ColumnKernel.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

// Every fourth cross-check combination with a few the vector kernels must leave to the scalar test
// (numbers outside 1..45) spread over several blocks, some unsorted and repeated numbers, and a
// length that is not a whole number of blocks.
TCombsArray MixedInput() {
  TCombsArray in;
  const TCombsArray& all = test::CrossCheckCombinations();
  for (size_t i = 0; i < all.size(); i += 4) in.push_back(all[i]);
  const TComb odd[] = {{0, 1, 2, 3, 4}, {46, 1, 2, 3, 4}, {1, 2, 3, 4, 255}, {45, 44, 3, 2, 1}, {7, 7, 7, 7, 7}};
  for (size_t k = 0; k < std::size(odd); ++k) in.insert(in.begin() + static_cast<ptrdiff_t>(1000 + 700 * k), odd[k]);
  in.push_back({5, 4, 3, 2, 1});
  return in;
}

class KernelSwitch {
 public:
  explicit KernelSwitch(bool on) { EnableColumnKernel(on); }
  ~KernelSwitch() { EnableColumnKernel(true); }
};

// Into a separate list, or in place.
TCombsArray Filter(TCustomStat& stat, const TCombsArray& in, const TStatDrawArray& sel, int ref, bool remove,
                   bool vector, unsigned threads = 1, bool inPlace = false) {
  KernelSwitch use(vector);
  TCombsArray out(in.size());
  if (inPlace) out = in;
  out.resize(FilterCombs(stat, inPlace ? out : in, out.data(), sel, ref, false, remove, threads));
  return out;
}

// Every registered statistic keeps and removes the same combinations, and counts the same
// distribution, with the vector kernels as with the scalar ones, on one thread and on two.
TEST(ColumnKernel, EveryStatisticAsWithScalarKernels) {
  if (!EnableColumnKernel(true)) GTEST_SKIP() << "this processor has no vector kernels";
  const TDrawsArray draws = test::RandomDraws(400, 4545);
  const int ref = static_cast<int>(draws.size()) - 1;
  TStatList stats;
  stats.SetDraws(&draws);
  stats.Build();
  const TCombsArray in = MixedInput();
  for (int i = 0; i < stats.Count(); ++i) {
    auto stat = stats.CreateStat(i);
    SCOPED_TRACE(stats.Code(i));
    TStatDrawArray window = ComputeWindow(*stat, ref - 199, ref, false);
    std::stable_sort(window.begin(), window.end(), [](const auto& a, const auto& b) { return a.Count > b.Count; });
    TStatDrawArray top(window.begin(), window.begin() + std::min<ptrdiff_t>(3, std::ssize(window)));
    TStatDrawArray everyOther;
    for (size_t k = 0; k < window.size(); k += 2) everyOther.push_back(window[k]);
    for (const TStatDrawArray* sel : {&top, &everyOther, &window})
      for (bool remove : {false, true}) {
        const TCombsArray scalar = Filter(*stat, in, *sel, ref, remove, false);
        // One thread, two threads into a separate list (kept-combination masks), two in place.
        for (auto [threads, inPlace] : {std::pair{1u, false}, {2u, false}, {2u, true}}) {
          const TCombsArray vector = Filter(*stat, in, *sel, ref, remove, true, threads, inPlace);
          ASSERT_EQ(vector.size(), scalar.size())
              << "selection of " << sel->size() << ", remove " << remove << ", threads " << threads;
          ASSERT_TRUE(std::equal(vector.begin(), vector.end(), scalar.begin()));
        }
      }
    if (stat->Class().CanPrefetch()) {
      TStatDrawArray scalar;
      {
        KernelSwitch off(false);
        scalar = CountCombValues(*stat, in, 1);
      }
      ASSERT_EQ(CountCombValues(*stat, in, 1), scalar);
      ASSERT_EQ(CountCombValues(*stat, in, 2), scalar);
    }
  }
}

}  // namespace
}  // namespace kivra
