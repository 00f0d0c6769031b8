#include "AgreementHarness.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "stats/ColumnKernel.h"
#include "stats/StatFamilies.h"

namespace kivra::test {

::testing::AssertionResult SameCombs(std::span<const TComb> got, std::span<const TComb> expected) {
  if (got.size() == expected.size() &&
      (got.empty() || std::memcmp(got.data(), expected.data(), got.size() * sizeof(TComb)) == 0))
    return ::testing::AssertionSuccess();
  const size_t n = std::min(got.size(), expected.size());
  for (size_t i = 0; i < n; ++i)
    if (got[i] != expected[i])
      return ::testing::AssertionFailure()
             << "first difference at " << i << ": " << CombToText(got[i]) << " instead of " << CombToText(expected[i]);
  if (got.size() != expected.size())
    return ::testing::AssertionFailure() << got.size() << " combinations instead of " << expected.size();
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameDistribution(const TStatDrawArray& got, const TStatDrawArray& expected) {
  const size_t n = std::min(got.size(), expected.size());
  for (size_t i = 0; i < n; ++i)
    if (!(got[i] == expected[i]))
      return ::testing::AssertionFailure()
             << "entry " << i << ": key " << got[i].Key.Raw() << " count " << got[i].Count << " instead of key "
             << expected[i].Key.Raw() << " count " << expected[i].Count;
  if (got.size() != expected.size())
    return ::testing::AssertionFailure() << got.size() << " values instead of " << expected.size();
  return ::testing::AssertionSuccess();
}

TStatDrawArray Selected(std::initializer_list<TStatKey> keys) {
  TStatDrawArray sel;
  for (TStatKey k : keys) sel.push_back(TStatDrawRec{.Key = k});
  return sel;
}

TSelectionMaker ShownBy(std::vector<TComb> combs) {
  return [combs = std::move(combs)](TCustomStat& stat, const TFilterPass& pass) {
    TStatDrawArray sel;
    for (const TComb& c : combs) stat.FilterViewValues(c, pass.RefIndex, pass.Sorted, sel);
    return sel;
  };
}

TSelectionMaker Keys(std::initializer_list<TStatKey> keys) {
  return [sel = Selected(keys)](TCustomStat&, const TFilterPass&) { return sel; };
}

TSelectionMaker WholeWindow() {
  return [](TCustomStat& stat, const TFilterPass& pass) {
    return pass.RefIndex >= 0 ? ComputeWindow(stat, 0, pass.RefIndex, pass.Sorted) : TStatDrawArray{};
  };
}

TSelectionMaker Enumerated(int refIndex) {
  return [refIndex](TCustomStat& stat, const TFilterPass&) {
    TStatDrawArray sel;
    stat.EnumValues(refIndex, sel);
    return sel;
  };
}

TSelectionMaker Joined(std::vector<TSelectionMaker> parts) {
  return [parts = std::move(parts)](TCustomStat& stat, const TFilterPass& pass) {
    TStatDrawArray sel;
    for (const auto& part : parts) {
      const TStatDrawArray more = part(stat, pass);
      sel.insert(sel.end(), more.begin(), more.end());
    }
    return sel;
  };
}

const TCombsArray& OddCombinations() {
  static const TCombsArray odd = {
      // bytes outside 1..45
      {0, 0, 0, 0, 0},
      {46, 47, 100, 200, 255},
      {0, 46, 99, 128, 255},
      {255, 254, 253, 252, 251},
      {23, 22, 0, 45, 46},
      {10, 20, 30, 40, 0},
      {101, 110, 111, 199, 209},
      {0, 1, 2, 3, 4},
      {46, 47, 48, 49, 50},
      {255, 255, 255, 255, 255},
      {200, 100, 46, 0, 45},
      {1, 255, 1, 255, 1},
      {90, 60, 30, 0, 120},
      {128, 127, 129, 64, 1},
      {255, 7, 6, 8, 0},
      {200, 100, 46, 45, 44},
      {255, 0, 1, 2, 3},
      {3, 2, 1, 0, 255},
      {46, 1, 2, 3, 4},
      {1, 2, 3, 4, 255},
      // repeated numbers
      {7, 7, 7, 7, 7},
      {45, 45, 1, 1, 22},
      {7, 7, 8, 9, 9},
      {3, 3, 3, 3, 3},
      {2, 2, 1, 1, 3},
      {1, 1, 1, 1, 1},
      {44, 44, 45, 45, 1},
      {7, 6, 7, 6, 7},
      {6, 1, 6, 1, 6},
      {43, 43, 44, 2, 2},
      {45, 1, 45, 1, 45},
      // numbers out of order
      {45, 3, 22, 15, 38},
      {45, 1, 44, 2, 43},
      {41, 3, 8, 12, 14},
      {6, 1, 11, 16, 21},
      {41, 30, 17, 9, 4},
      {8, 7, 6, 13, 14},
      {45, 44, 43, 42, 41},
      {45, 44, 3, 2, 1},
      {5, 4, 3, 2, 1},
      // ordinary ones some families look at closely
      {1, 2, 3, 5, 7},
      {2, 4, 6, 8, 10},
      {5, 10, 15, 20, 25},
      {5, 8, 20, 21, 33},
  };
  return odd;
}

namespace {

// 64 combinations of numbers 1..45 only, with repeats, runs up and down and numbers out of order:
// a whole block, which the vector kernels take instead of leaving it to the scalar test.
TCombsArray RepeatedNumbersBlock() {
  TCombsArray block = {{5, 5, 6, 6, 10}, {1, 2, 1, 2, 1},     {6, 1, 11, 16, 21}, {45, 44, 40, 35, 30},
                       {7, 7, 7, 7, 7},  {3, 8, 3, 8, 13},    {2, 3, 2, 3, 2},    {20, 15, 10, 5, 4},
                       {1, 1, 1, 1, 1},  {44, 44, 45, 45, 1}, {8, 7, 6, 13, 14},  {7, 6, 7, 6, 7},
                       {6, 1, 6, 1, 6},  {43, 43, 44, 2, 2},  {45, 1, 45, 1, 45}, {45, 44, 43, 42, 41}};
  for (int i = 0; i < 24; ++i) {
    const auto n = [&](int k) { return static_cast<uint8_t>(1 + (i * 7 + k * 3) % 15); };
    block.push_back({n(0), n(i % 3), n(2), n(i % 5 == 0 ? 2 : 3), n(i % 2 == 0 ? 0 : 4)});
  }
  for (int i = 0; i < 24; ++i) {
    const auto n = static_cast<uint8_t>(1 + i % 40);
    block.push_back({n, static_cast<uint8_t>(n + i % 2), static_cast<uint8_t>(n + 1 + i % 3),
                     static_cast<uint8_t>(n + 1), static_cast<uint8_t>(n + 2 + i % 4)});
  }
  return block;
}

TCombsArray BuildAgreementCombinations(size_t step) {
  const TCombsArray& odd = OddCombinations();
  const TCombsArray block = RepeatedNumbersBlock();
  const TCombsArray& sample = CrossCheckCombinations();
  TCombsArray all = block;
  all.insert(all.end(), odd.begin(), odd.end());
  size_t nextOdd = 0;
  for (size_t i = 0, taken = 0; i < sample.size(); i += step, ++taken) {
    all.push_back(sample[i]);
    if (taken % 4099 == 2048) all.push_back(odd[nextOdd++ % odd.size()]);  // inside some block
  }
  for (size_t i = 0; i < sample.size(); i += 97 * step) {
    const TComb& c = sample[i];
    all.push_back({c[4], c[3], c[2], c[1], c[0]});
  }
  for (size_t i = 0; i < sample.size(); i += 997 * step) {
    const TComb& c = sample[i];
    all.push_back({c[4], c[2], c[0], c[3], c[1]});
  }
  all.insert(all.end(), odd.rbegin(), odd.rend());
  // The block once more at a block boundary further on.
  if (all.size() > 20 * ColumnBlock) all.insert(all.begin() + 20 * ColumnBlock, block.begin(), block.end());
  if (all.size() % ColumnBlock == 0) all.push_back({9, 8, 7, 6, 5});
  return all;
}

// Values that show a number, a value of another view and wide keys, which the statistics' tests
// look up by different means (whole keys, single words, longs, pairs).
const TStatKey OtherViewKeys[] = {
    TStatKey::Words(0),         TStatKey::Words(1),          TStatKey::Words(5),
    TStatKey::Words(17),        TStatKey::Words(45),         TStatKey::Words(200),
    TStatKey::Words(255),       TStatKey::Words(3, 1),       TStatKey::Longs(10),
    TStatKey::Words(7, 3),      TStatKey::Words(44, 45),     TStatKey::Words(1, 2, 3),
    TStatKey::Words(12, 1, 12), TStatKey::Words(2, 2, 2, 2), TStatKey::Words(42, 43, 44, 45),
    TStatKey::Longs(-1),        TStatKey::Longs(30),         TStatKey::Longs(449),
    TStatKey::Longs(-1, 7),     TStatKey::Longs(100, 112),
};

// Keys no statistic gives, narrow and wide.
const TStatKey NeverKeys[] = {TStatKey::Words(65534), TStatKey::Words(60001, 3),
                              TStatKey::Words(65535, 65535, 65535, 65535), TStatKey::Longs(2000000000, -2),
                              TStatKey::Words(50000, 0, 0, 1)};

// Combinations whose shown values make up the selections.
const TComb ShowCombs[] = {{5, 8, 20, 21, 33},  {1, 2, 3, 4, 5},      {45, 1, 44, 2, 43},   {7, 7, 8, 9, 9},
                           {41, 30, 17, 9, 4},  {3, 8, 12, 14, 41},   {20, 22, 24, 40, 45}, {0, 46, 99, 128, 255},
                           {45, 12, 30, 7, 21}, {20, 21, 22, 23, 24}, {6, 1, 11, 16, 21}};

struct TNamedSelection {
  std::string Name;
  TStatDrawArray Sel;
  bool InPlace = false;  // also filtered in place (the passes move the results differently)
  // Checked on the last combinations only (0), on all (1) or on every Sparse-th (still enough to
  // be split over threads).
  size_t Sparse = 1;
};

// The generic selections of a pass (see TAgreementSetup::GenericSelections), then the family's
// own. The first pass takes every kind; the later ones, which change what the statistics read
// rather than how they look values up, take what the statistic shows there (the window, the
// domain and the values of some combinations).
std::vector<TNamedSelection> SelectionsFor(TCustomStat& stat, const TAgreementSetup& setup, const TFilterPass& pass) {
  std::vector<TNamedSelection> selections = {{"nothing", {}, true, 0}};
  if (setup.GenericSelections) {
    const int high = static_cast<int>(setup.Draws.size()) - 1;
    TStatDrawArray window, domain;
    if (pass.RefIndex >= 0 && pass.RefIndex <= high) {
      window = ComputeWindow(stat, 0, pass.RefIndex, pass.Sorted);
      stat.EnumValues(pass.RefIndex, domain);
    }
    TStatDrawArray shown;
    for (const TComb& c : ShowCombs) stat.FilterViewValues(c, pass.RefIndex, pass.Sorted, shown);
    if (high >= 0)
      stat.FilterViewValues(setup.Draws[static_cast<size_t>(high)].Nums, pass.RefIndex, pass.Sorted, shown);
    TStatDrawArray derived = shown;
    derived.insert(derived.end(), window.begin(), window.end());
    derived.insert(derived.end(), domain.begin(), domain.end());
    // The reference scans the selection for every combination: keep it to some dozens of values.
    constexpr size_t MaxDerived = 32;
    TStatDrawArray many;
    const size_t stride = std::max<size_t>(1, (derived.size() + MaxDerived - 1) / MaxDerived);
    for (size_t i = 0; i < derived.size(); i += stride) many.push_back(derived[i]);
    for (TStatKey k : setup.ManyKeys) many.push_back(TStatDrawRec{.Key = k});
    if (&pass != &setup.Passes.front()) {
      selections.push_back({"shown", many});
    } else {
      TStatDrawArray few;
      stat.FilterViewValues(ShowCombs[0], pass.RefIndex, pass.Sorted, few);
      if (few.empty()) {
        TStatDrawArray top = window.empty() ? domain : window;
        std::stable_sort(top.begin(), top.end(), [](const auto& a, const auto& b) { return a.Count > b.Count; });
        few.assign(top.begin(), top.begin() + std::min<ptrdiff_t>(2, std::ssize(top)));
      }
      if (few.empty()) few = Selected({TStatKey::Words(1)});
      for (TStatKey k : OtherViewKeys) many.push_back(TStatDrawRec{.Key = k});
      for (TStatKey k : NeverKeys) many.push_back(TStatDrawRec{.Key = k});
      TStatDrawArray never;
      for (TStatKey k : NeverKeys) never.push_back(TStatDrawRec{.Key = k});
      // Values that never occur are looked up among the others; alone, where nothing matches,
      // on a sparser list.
      for (TStatKey k : {NeverKeys[0], NeverKeys[2]}) few.push_back(TStatDrawRec{.Key = k});
      selections.push_back({"few", few});
      selections.push_back({"many", many, true});
      selections.push_back({"never", never, false, 16});
    }
  }
  for (size_t i = 0; i < setup.ExtraSelections.size(); ++i)
    selections.push_back({"extra " + std::to_string(i + 1), setup.ExtraSelections[i](stat, pass)});
  return selections;
}

std::vector<const TStatClass*>& CheckedClasses() {
  static std::vector<const TStatClass*> classes;
  return classes;
}

}  // namespace

const TCombsArray& AgreementCombinations(size_t step) {
  static std::mutex mutex;
  static std::map<size_t, std::unique_ptr<const TCombsArray>> built;
  std::lock_guard lock(mutex);
  auto& slot = built[step];
  if (!slot) slot = std::make_unique<const TCombsArray>(BuildAgreementCombinations(step));
  return *slot;
}

void PrintTo(const TAgreementMember& m, std::ostream* os) { *os << m.Setup->Name << " " << m.Class->CodeFor(m.Param); }

std::string AgreementName(const ::testing::TestParamInfo<TAgreementMember>& info) {
  std::string name = info.param.Setup->Name + "_";
  for (char ch : info.param.Class->CodeFor(info.param.Param)) {
    if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
    else name += ch == '+' ? 'P' : ch == '-' ? 'N' : '_';
  }
  return name;
}

std::vector<TAgreementMember> AgreementMembers(const TAgreementSetup& setup) {
  std::vector<TAgreementMember> members;
  const TStatEnv env{&setup.Draws, setup.Config, setup.Shredding};
  for (std::span<const TStatListEntry> family : setup.Families)
    for (const TStatListEntry& e : family) {
      CheckedClasses().push_back(e.Class);
      if (!e.Class->HasParam()) {
        members.push_back({&setup, e.Class, 0});
        continue;
      }
      std::vector<int32_t> params = setup.OnlyParams;
      if (params.empty()) {
        const auto [lo, hi] = e.Class->GetParamRange(env);
        if (setup.EveryParam) {
          for (int32_t p = lo; p <= hi; ++p) params.push_back(p);
        } else {
          params = {lo, hi};
        }
        if (lo > hi) params = {1};  // an empty range is never registered, still must behave
        std::sort(params.begin(), params.end());
        params.erase(std::unique(params.begin(), params.end()), params.end());
      }
      for (int32_t p : params) members.push_back({&setup, e.Class, p});
    }
  return members;
}

std::vector<TAgreementMember> AgreementMembers(std::initializer_list<const TAgreementSetup*> setups) {
  std::vector<TAgreementMember> members;
  for (const TAgreementSetup* s : setups) {
    auto more = AgreementMembers(*s);
    members.insert(members.end(), more.begin(), more.end());
  }
  return members;
}

const std::vector<const TStatClass*>& CrossCheckedClasses() { return CheckedClasses(); }

void ExpectFastPassesAgree(TCustomStat& stat, const TAgreementSetup& setup) {
  const TCombsArray& input = AgreementCombinations(setup.Step);
  // The period statistics' test depends on Remove; every other removes exactly what it would not
  // keep (the reference is asked once).
  const bool removeChangesTest = (stat.Class().GetOptions() & OptP) != 0;
  // One output buffer for every run, left uninitialised: the passes write what they keep.
  const auto out = std::make_unique_for_overwrite<TComb[]>(input.size());
  TCombsArray kept, removeKept;
  for (const TFilterPass& pass : setup.Passes) {
    for (const TNamedSelection& s : SelectionsFor(stat, setup, pass)) {
      const TCombsArray& combs = AgreementCombinations(setup.Step * pass.Step * std::max<size_t>(s.Sparse, 1));
      const std::span<const TComb> list =
          s.Sparse == 0 ? std::span<const TComb>(combs).last(std::min<size_t>(2000, combs.size())) : std::span(combs);
      kept.clear();
      removeKept.clear();
      for (const TComb& c : list) {
        const bool keep = stat.CombMatches(c, s.Sel, pass.RefIndex, pass.Sorted, false);
        if (keep) kept.push_back(c);
        const bool removed = removeChangesTest ? stat.CombMatches(c, s.Sel, pass.RefIndex, pass.Sorted, true) : keep;
        if (!removed) removeKept.push_back(c);
      }
      if (s.Sel.empty()) {
        EXPECT_TRUE(kept.empty()) << "nothing selected matches nothing";
      }
      for (bool remove : {false, true})
        for (unsigned threads : {1u, 2u})
          for (bool inPlace : {false, true}) {
            if (inPlace && !s.InPlace) continue;
            if (inPlace) std::copy(list.begin(), list.end(), out.get());
            const std::span<const TComb> in = inPlace ? std::span<const TComb>(out.get(), list.size()) : list;
            const size_t n = FilterCombs(stat, in, out.get(), s.Sel, pass.RefIndex, pass.Sorted, remove, threads);
            EXPECT_TRUE(SameCombs({out.get(), n}, remove ? removeKept : kept))
                << "RefIndex " << pass.RefIndex << (pass.Sorted ? " sorted" : "") << ", " << s.Name << " selection ("
                << s.Sel.size() << " values), " << (remove ? "remove" : "keep") << ", " << threads << " thread(s)"
                << (inPlace ? ", in place" : "") << " over " << list.size() << " combinations";
          }
    }
  }

  if (!stat.Class().CanPrefetch()) {
    EXPECT_TRUE(CountCombValues(stat, input, 1).empty()) << "no values of bare combinations without option N";
    return;
  }
  TStatDrawArray expected;
  {
    TStatKeyIndexScope index(expected);
    for (const TComb& c : input) stat.CombValues(c, expected);
  }
  for (unsigned threads : {1u, 2u})
    EXPECT_TRUE(SameDistribution(CountCombValues(stat, input, threads), expected)) << threads << " thread(s)";
}

TEST_P(StatAgreement, FastPassesAgreeWithTheReference) {
  const TAgreementMember& m = GetParam();
  const TStatEnv env{&m.Setup->Draws, m.Setup->Config, m.Setup->Shredding};
  auto stat = m.Class->Create(env, m.Param);
  ASSERT_NE(stat, nullptr);
  ExpectFastPassesAgree(*stat, *m.Setup);
}

// A family added to the class list is cross-checked too.
TEST(StatAgreementCoverage, EveryListedClassIsCrossChecked) {
  const auto& checked = CrossCheckedClasses();
  for (int no = 1; no <= StatClassListSize; ++no) {
    const TStatClass* cls = StatClassList()[no];
    if (cls == nullptr) continue;
    EXPECT_NE(std::find(checked.begin(), checked.end(), cls), checked.end())
        << "class " << no << " " << cls->ClassName() << " has no agreement check";
  }
}

}  // namespace kivra::test
