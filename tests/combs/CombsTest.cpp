// The combination library on its own: the list's storage, the grid selections read as filter
// values, the matcher that finds drawn combinations and the check of the user's numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TestDraws.h"
#include "combs/CombFiles.h"
#include "combs/CombFilters.h"
#include "combs/CombGen.h"
#include "combs/CombList.h"
#include "core/UserPort.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::MakeDraw;

TEST(CombList, GrowingKeepsTheEntries) {
  TRecordingPort port;
  TCombList small(port);
  for (uint8_t i = 1; i <= 40; ++i) small.Append({i, 1, 1, 1, 1});
  small.ResizeList(5000, 40);
  EXPECT_EQ(small.Storage(), 5000u);
  EXPECT_EQ(small[39], (TComb{40, 1, 1, 1, 1}));
}

// The user's numbers of modes 1-3 are refused when the list they make would be empty or when no
// number 1..45 is recognised; the message says which.
TEST(GenNumbers, RefusedWhenTheyCannotMakeAList) {
  struct TCase {
    uint8_t Mode;
    const char* Param;
    const char* Problem;  // the start of the message, "" when accepted
  } cases[] = {
      {GenOnlyMine, "1 2 3 4 5 6 7", ""},
      {GenOnlyMine, "1,2;3 4\t5", ""},
      {GenOnlyMine, "1 2 3 4 46 0 x", "Распознано чисел от 1 до 45: 4.\r\rДля комбинаций только из указанных"},
      {GenOnlyMine, "1-2-3-4-5-6-7", "Не указано ни одного числа"},
      {GenAnyOfMine, "45", ""},
      {GenAnyOfMine, "", "Не указано ни одного числа"},
      {GenNoneOfMine, "1;2", ""},
      {GenNoneOfMine, "abc", "Не указано ни одного числа"},
      {GenNoneOfMine,
       "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 "
       "37 38 39 40 41",
       "Распознано чисел от 1 до 45: 41.\r\rПосле исключения"},
      {GenNoneOfMine,
       "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 "
       "37 38 39 40",
       ""},
      {GenFullSet, "", ""},
      {GenFromFile, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Mode) + " " + c.Param);
    const std::string problem = GenNumbersProblem({c.Mode, c.Param});
    EXPECT_EQ(problem.rfind(c.Problem, 0), 0u) << problem;
    EXPECT_EQ(problem.empty(), *c.Problem == 0);
  }
}

TEST(GridValues, ReadFromSelections) {
  struct TCase {
    TGridKind Kind;
    TGridSelection Sel;
    std::vector<uint16_t> Keys;
    std::string Text;
  } cases[] = {
      {TGridKind::Card, {3, {{"5", "", "12"}, {"x", "5", ""}}}, {5, 12, 0}, "5; 12; x"},
      {TGridKind::Card, {3, {{"", ""}, {""}}}, {}, ""},
      {TGridKind::Layout, {1, {{"[12], 7", "7,[[3]],,"}, {" 44 "}}}, {12, 7, 3, 44}, "12; 7; 3; 44"},
      {TGridKind::Week, {44, {{}, {"", "z"}, {}}}, {44, 45, 46}, "44; 45; 46"},
  };
  for (const auto& c : cases) {
    const TGridValues v = CollectGridValues(c.Kind, c.Sel);
    std::vector<uint16_t> keys;
    for (const auto& r : v.Values) keys.push_back(r.Key.K1());
    EXPECT_EQ(keys, c.Keys);
    EXPECT_EQ(v.Text, c.Text);
  }
}

TEST(DrawMatcher, AgreesWithCommonCount) {
  // Random draws and a few that are not five different numbers 1..45: the answer must be
  // CommonCount = 5 for every combination, including entries that are not proper combinations.
  std::mt19937 rng(7);
  std::vector<TDraw> draws;
  for (int i = 0; i < 300; ++i) {
    TDraw d;
    for (auto& n : d.Nums) n = static_cast<uint8_t>(1 + rng() % 45);
    draws.push_back(d);
  }
  draws.push_back(MakeDraw(0, {1, 1, 2, 3, 4}));  // shares 5 pairs with 1 2 3 4 x
  draws.push_back(MakeDraw(0, {0, 200, 7, 7, 9}));
  std::vector<TComb> combs;
  for (size_t i = 0; i < FullSetSize; i += 97) combs.push_back(FullCombinationSet()[i]);
  for (const TDraw& d : draws) {
    TComb c = d.Nums;
    std::shuffle(c.begin(), c.end(), rng);
    combs.push_back(c);
  }
  combs.push_back({1, 2, 3, 4, 5});
  combs.push_back({7, 7, 0, 9, 200});
  combs.push_back({9, 9, 9, 9, 9});

  for (const auto& set : {std::span<const TDraw>(draws), std::span<const TDraw>(draws).first(300)}) {
    const TDrawMatcher matcher(set);
    std::vector<TComb> expectKept;
    for (const TComb& c : combs) {
      bool drawn = false;
      for (const TDraw& d : set) drawn |= CommonCount(d.Nums, c) == 5;
      ASSERT_EQ(matcher.Drawn(c), drawn) << CombToText(c);
      if (!drawn) expectKept.push_back(c);
    }
    EXPECT_LT(expectKept.size() + 290, combs.size());
    std::vector<TComb> kept = combs;
    kept.resize(matcher.KeepUndrawn(kept, kept.data()));
    EXPECT_EQ(kept, expectKept);
  }
  std::vector<TComb> copy = combs;
  EXPECT_EQ(TDrawMatcher({}).KeepUndrawn(combs, copy.data()), combs.size());
}

// The one-pass reader of combination files gives what reading line by line gives, on the usual
// lines and on everything around them.
TEST(CombsFile, OnePassReaderMatchesTheLineReader) {
  auto byLines = [](std::string_view bytes) {
    std::vector<TComb> combs;
    for (std::string_view line : SplitTextLines(bytes))
      if (const auto c = ParseCombsFileLine(line)) combs.push_back(*c);
    return combs;
  };
  const std::vector<std::string> cases = {
      "1;2;3;4;5\r\n01,02,03,04,05\n45;44;43;42;41\r6;7;8;9;10",
      ";1;2;3;4;5\r\n1;2;3;4;5;\r\n1;;2;3;4;5\r\n 1;2;3;4;5\r\n1;2;3;4;5 \r\n",
      "1;2;3;4;100\r\n1;2;3;4;5;6\r\n1;1;2;3;4\r\n0;1;2;3;4\r\n1;2;3;4\r\n007;1;2;3;4\r\n46;1;2;3;4",
      "", "\r\n\r\n", "1;2;3;4;5\r\r\n6;7;8;9;10\n\r", "a;b;c;d;e\r\n+1;2;3;4;5\r\n-1;2;3;4;5"};
  for (const std::string& bytes : cases) EXPECT_EQ(ParseCombsFileBytes(bytes), byLines(bytes)) << bytes;
  EXPECT_EQ(ParseCombsFileBytes(cases[0]).size(), 4u);

  // Random texts of numbers, separators and line ends, mostly near the usual form.
  std::mt19937 rng(45);
  const std::vector<std::string> pieces = {";", ";", ";", ",", "\r\n", "\n", "\r", " ", "a", "0", "07", "100"};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const int length = static_cast<int>(rng() % 40);
    for (int i = 0; i < length; ++i)
      bytes += rng() % 2 ? std::to_string(1 + rng() % 46) : pieces[rng() % pieces.size()];
    ASSERT_EQ(ParseCombsFileBytes(bytes), byLines(bytes)) << bytes;
  }
}

}  // namespace
}  // namespace kivra
