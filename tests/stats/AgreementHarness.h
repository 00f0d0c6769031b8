// The agreement of every statistic's fast passes with its per-combination reference.
//
// A family of statistics is described once (the archive and configuration its members read, the
// filter passes it is run with, selections of its own); the one parameterised test
// StatAgreement.FastPassesAgreeWithTheReference then checks each member, as the class list gives
// it, on the cross-check set with invalid, unsorted and repeated-number combinations mixed in:
//   - keeping and removing, on one and on two threads, into a separate list, give exactly the
//     combinations the reference test CombMatches keeps (removing: drops; the period statistics,
//     option P, are asked with Remove set, the others must ignore it); for the selection of many
//     values and for nothing selected also in place;
//   - counting the values of bare combinations, on one and on two threads, gives the
//     distribution CombValues builds (nothing for statistics without option N).
// A family file instantiates it:
//   INSTANTIATE_TEST_SUITE_P(Numbers, StatAgreement, ValuesIn(test::AgreementMembers(setup)),
//                            test::AgreementName);
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "stats/CustomStat.h"
#include "stats/StatPasses.h"

namespace kivra::test {

// Lists equal element by element; the message names the first difference.
::testing::AssertionResult SameCombs(std::span<const TComb> got, std::span<const TComb> expected);
// Distributions equal record by record (keys and counts in order).
::testing::AssertionResult SameDistribution(const TStatDrawArray& got, const TStatDrawArray& expected);

// Selection records with the given keys and zero counts.
TStatDrawArray Selected(std::initializer_list<TStatKey> keys);

// Combinations no generator makes: bytes 0 and 46..255, repeated numbers, numbers out of order.
const TCombsArray& OddCombinations();

// The input of the agreement checks, built once per step and kept: a first whole block of numbers
// 1..45 with repeats and out of order (the vector kernels take it, not the scalar fallback), the odd
// combinations, every step-th combination of the cross-check set with odd ones spread over several
// blocks and some combinations written backwards, then the odd ones again in reverse; its length is
// not a whole number of blocks.
const TCombsArray& AgreementCombinations(size_t step = 1);

// One filter pass: the newest draw in use, drawn or sorted draws, and every Step-th combination of
// the family's input.
struct TFilterPass {
  int RefIndex = -1;
  bool Sorted = false;
  size_t Step = 1;
};

// A selection a family adds to the generic ones, made for the statistic and the pass.
using TSelectionMaker = std::function<TStatDrawArray(TCustomStat& stat, const TFilterPass& pass)>;

// The values the statistic shows (FilterViewValues) for the combinations, in the pass.
TSelectionMaker ShownBy(std::vector<TComb> combs);
// These keys.
TSelectionMaker Keys(std::initializer_list<TStatKey> keys);
// Every value of the window from the first draw to the pass's RefIndex (none before the archive).
TSelectionMaker WholeWindow();
// The values the statistic enumerates for this draw index, whatever the pass.
TSelectionMaker Enumerated(int refIndex);
// The selections of the makers one after the other.
TSelectionMaker Joined(std::vector<TSelectionMaker> parts);

// How a family (or several that share their needs) is cross-checked.
struct TAgreementSetup {
  std::string Name;  // a prefix of the test names (letters and digits)
  std::vector<std::span<const TStatListEntry>> Families;
  TDrawsArray Draws;  // the archive the statistics read
  TConfigData Config;
  TShreddingConfig Shredding;
  // The parameters of a parameterised class: the ends of its range (the members in between run
  // the same code with another index; 1 as well when the range is empty), or every one of them;
  // or, when OnlyParams is not empty, just those.
  bool EveryParam = false;
  std::vector<int32_t> OnlyParams;
  size_t Step = 1;  // every Step-th combination of the cross-check set
  std::vector<TFilterPass> Passes = {TFilterPass{}};
  // The selections every family is checked with: nothing (on the last combinations); in the first
  // pass a few values (what one combination shows, with two that never occur), many (what many
  // combinations show, the window and the domain, keys of other views and keys that never occur)
  // and only values that never occur (on every 16th combination); in the later passes what the
  // statistic shows there. A setup that only varies what its statistics compute (not how they
  // look values up) may leave all but nothing to a sibling setup.
  bool GenericSelections = true;
  // Keys of the family's own views added to the selections of many values (every pass).
  std::vector<TStatKey> ManyKeys;
  std::vector<TSelectionMaker> ExtraSelections;
};

struct TAgreementMember {
  const TAgreementSetup* Setup;
  const TStatClass* Class;
  int32_t Param;
};

void PrintTo(const TAgreementMember& m, std::ostream* os);
// "<setup>_<code>", with '+' written as P, '-' as N and other signs as '_'.
std::string AgreementName(const ::testing::TestParamInfo<TAgreementMember>& info);

// The members of the setup's families. The setup must outlive the tests (a static object). Each
// class is also recorded as cross-checked (see CrossCheckedClasses).
std::vector<TAgreementMember> AgreementMembers(const TAgreementSetup& setup);
std::vector<TAgreementMember> AgreementMembers(std::initializer_list<const TAgreementSetup*> setups);

// Every class some instantiation of StatAgreement checks (filled when the tests are registered).
const std::vector<const TStatClass*>& CrossCheckedClasses();

// The checks themselves, for a statistic created in the setup's environment.
void ExpectFastPassesAgree(TCustomStat& stat, const TAgreementSetup& setup);

class StatAgreement : public ::testing::TestWithParam<TAgreementMember> {};

}  // namespace kivra::test
