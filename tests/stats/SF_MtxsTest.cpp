#include "stats/SF_Mtxs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "StatTestUtil.h"
#include "stats/ColumnKernel.h"
#include "stats/StatList.h"
#include "stats/StatPasses.h"

namespace kivra {
namespace {

using test::Captions;
using test::ShownValues;
using test::Texts;

// Every tuple of a combination, in the order the statistic adds them.
template <class Tuples>
Texts TupleSequence(const TCustomStat& stat, const TComb& c) {
  const auto& tuples = static_cast<const Tuples&>(stat);
  Texts sequence;
  tuples.FilterValues(c, TMatchContext{},
                      [&](TStatKey k, bool) { sequence.push_back(tuples.ValueCaption(TStatDrawRec{.Key = k})); });
  return sequence;
}

class MatrixStats : public test::TStatFixture {
 protected:
  void SetWidth(int32_t width) { env_.Config.MatrixCols = width; }
};

// The draw 3 8 12 14 41 in the matrix of width 5: columns 3 3 2 4 1, rows 1 2 3 3 9.
TEST_F(MatrixStats, ValuesOfADrawWithTheWidth5) {
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    std::string Shown;
  };
  const Case cases[] = {
      {&StatClassOf<TstColumns>(), 0, "3 *2, 2, 4, 1"},
      {&StatClassOf<TstRows>(), 0, "1, 2, 3 *2, 9"},
      {&StatClassOf<TstColValues>(), 0, "1 x 1, 2 x 1, 3 x 2, 4 x 1, 5 x 0"},
      {&StatClassOf<TstRowValues>(), 0, "1 x 1, 2 x 1, 3 x 2, 4 x 0, 5 x 0, 6 x 0, 7 x 0, 8 x 0, 9 x 1"},
      {&StatClassOf<TstColCount>(), 0, "4"},
      {&StatClassOf<TstRowCount>(), 0, "4"},
      {&StatClassOf<TstColMask>(), 0, "11110 (030)"},
      {&StatClassOf<TstRowMask>(), 0, "111000001 (449)"},
      {&StatClassOf<TstColAjacent>(), 0, "3 x 2"},
      {&StatClassOf<TstRowAjacent>(), 0, ""},  // 12 and 14 lie two columns apart
      {&StatClassOf<TstColAjacentCnt>(), 0, "1"},
      {&StatClassOf<TstRowAjacentCnt>(), 0, "0"},
      {&StatClassOf<TstColValCnt>(), 3, "2"},
      {&StatClassOf<TstColValCnt>(), 5, "0"},
      {&StatClassOf<TstRowValCnt>(), 3, "2"},
      {&StatClassOf<TstRowValCnt>(), 9, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Class->CodeFor(c.Param));
    auto stat = Make(*c.Class, c.Param);
    EXPECT_EQ(ShownValues(*stat, {3, 8, 12, 14, 41}), c.Shown);
    if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get())) {
      EXPECT_EQ(std::to_string(graph->CombValue({3, 8, 12, 14, 41}, -1, -1, false)), c.Shown);
    }
  }

  const TComb draw = {3, 8, 12, 14, 41};
  EXPECT_EQ(TupleSequence<TstCombColMix2>(*Make(StatClassOf<TstCombColMix2>()), draw),
            (Texts{"3:3", "3:2", "3:4", "3:1", "3:2", "3:4", "3:1", "2:4", "2:1", "4:1"}));
  EXPECT_EQ(TupleSequence<TstCombColSeq2>(*Make(StatClassOf<TstCombColSeq2>()), draw),
            (Texts{"3:3", "3:2", "2:4", "4:1"}));
  EXPECT_EQ(TupleSequence<TstCombRowSeq3>(*Make(StatClassOf<TstCombRowSeq3>()), draw),
            (Texts{"1:2:3", "2:3:3", "3:3:9"}));
  EXPECT_EQ(TupleSequence<TstCombRowMix4>(*Make(StatClassOf<TstCombRowMix4>()), draw),
            (Texts{"1:2:3:3", "1:2:3:9", "1:2:3:9", "1:3:3:9", "2:3:3:9"}));
}

// Same column and rows one apart (in a row: same row, columns one apart), width 5.
TEST_F(MatrixStats, AdjacentNumbers) {
  struct Case {
    TComb Comb;
    std::string Columns, Rows;
  };
  const Case cases[] = {
      {{1, 6, 11, 30, 45}, "1 x 3", ""},  // a run of three in column 1
      {{1, 6, 21, 26, 45}, "1 x 3", ""},  // two separate pairs in one column also give 3
      {{5, 6, 7, 8, 44}, "", "2 x 3"},    // 5 and 6 lie in different rows
      {{2, 7, 3, 8, 40}, "2 x 2, 3 x 2", "1 x 2, 2 x 2"},
      {{8, 3, 2, 7, 40}, "3 x 2, 2 x 2", "2 x 2, 1 x 2"},  // in the order the pairs are found
      {{7, 7, 12, 0, 255}, "2 x 3", ""},                   // the same number twice is not adjacent to itself
      {{4, 9, 14, 19, 24}, "4 x 5", ""},
      {{41, 42, 43, 44, 45}, "", "9 x 5"},
      {{1, 2, 3, 4, 5}, "", "1 x 5"},
  };
  auto cols = Make(StatClassOf<TstColAjacent>());
  auto rows = Make(StatClassOf<TstRowAjacent>());
  auto colCount = Make(StatClassOf<TstColAjacentCnt>());
  auto rowCount = Make(StatClassOf<TstRowAjacentCnt>());
  for (const Case& c : cases) {
    SCOPED_TRACE(CombToText(c.Comb));
    EXPECT_EQ(ShownValues(*cols, c.Comb), c.Columns);
    EXPECT_EQ(ShownValues(*rows, c.Comb), c.Rows);
    const auto listed = [](const std::string& s) { return s.empty() ? 0 : 1 + std::count(s.begin(), s.end(), ','); };
    EXPECT_EQ(ShownValues(*colCount, c.Comb), std::to_string(listed(c.Columns)));
    EXPECT_EQ(ShownValues(*rowCount, c.Comb), std::to_string(listed(c.Rows)));
  }
  // A draw without adjacent numbers adds nothing.
  draws_ = {TDraw{.Number = 1, .Nums = {3, 8, 12, 14, 41}}, TDraw{.Number = 2, .Nums = {1, 3, 5, 7, 9}}};
  EXPECT_EQ(Captions(*rows, ComputeWindow(*rows, 0, 1, false)), Texts{});
  EXPECT_EQ(Captions(*cols, ComputeWindow(*cols, 0, 1, false)), Texts{"3 x 2"});
}

TEST_F(MatrixStats, MaskCaptionsAndParsing) {
  struct Case {
    int32_t Width;
    const TStatClass* Class;
    int32_t Mask;
    std::string Caption;
  };
  const Case cases[] = {
      {5, &StatClassOf<TstColMask>(), 30, "11110 (030)"},
      {5, &StatClassOf<TstColMask>(), 0, "00000 (000)"},
      {5, &StatClassOf<TstRowMask>(), 449, "111000001 (449)"},
      {9, &StatClassOf<TstRowMask>(), 25, "11001 (025)"},
      {2, &StatClassOf<TstRowMask>(), 0x400001, "10000000000000000000001 (4194305)"},
      {31, &StatClassOf<TstColMask>(), 0x40000000, "1000000000000000000000000000000 (1073741824)"},
      {0, &StatClassOf<TstColMask>(), 0, " (000)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Caption);
    SetWidth(c.Width);
    auto stat = Make(*c.Class);
    EXPECT_EQ(stat->ValueCaption(TStatDrawRec{.Key = TStatKey::Longs(c.Mask)}), c.Caption);
    EXPECT_EQ(stat->ParseValue(c.Caption), c.Mask);
    EXPECT_EQ(stat->ValueFromText(c.Caption), c.Mask);
  }
  SetWidth(5);
  auto cols = Make(StatClassOf<TstColMask>());
  EXPECT_EQ(cols->ParseValue("1"), 16);      // a short text reads as if padded
  EXPECT_EQ(cols->ParseValue("1x1yy"), 20);  // anything but "1" is a 0
  EXPECT_EQ(cols->ParseValue("н1111"), 15);  // one letter, however many bytes it takes
  EXPECT_EQ(cols->ParseValue(""), 0);
  EXPECT_EQ(ShownValues(*cols, {5, 4, 3, 2, 1}), "11111 (031)");
  EXPECT_EQ(ShownValues(*cols, {0, 46, 100, 255, 1}), "10001 (017)");  // 46 is in column 1, 100 and 255 in 5
}

TEST_F(MatrixStats, EnumeratedDomains) {
  struct Case {
    int32_t Width;
    const TStatClass* Class;
    int32_t Param;
    Texts Domain;
  };
  const Case cases[] = {
      {5, &StatClassOf<TstColumns>(), 0, {"1", "2", "3", "4", "5"}},
      {5, &StatClassOf<TstRows>(), 0, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
      {5, &StatClassOf<TstColCount>(), 0, {"1", "2", "3", "4", "5"}},
      {5, &StatClassOf<TstColValCnt>(), 2, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},  // not bounded by 5
      {5, &StatClassOf<TstRowValCnt>(), 2, {"1", "2", "3", "4", "5"}},
      {2,
       &StatClassOf<TstColValues>(),
       0,
       {"1 x 0", "1 x 1", "1 x 2", "1 x 3", "1 x 4", "1 x 5", "2 x 0", "2 x 1", "2 x 2", "2 x 3", "2 x 4", "2 x 5"}},
      {9, &StatClassOf<TstRowCount>(), 0, {"1", "2", "3", "4", "5"}},
      {45, &StatClassOf<TstRowCount>(), 0, {"1"}},
      {45, &StatClassOf<TstRowValues>(), 0, {"1 x 0", "1 x 1", "1 x 2", "1 x 3", "1 x 4", "1 x 5"}},
      {1, &StatClassOf<TstColValues>(), 0, {"1 x 0", "1 x 1", "1 x 2", "1 x 3", "1 x 4", "1 x 5"}},
      {1, &StatClassOf<TstColCount>(), 0, {"1"}},
      {0, &StatClassOf<TstColumns>(), 0, {}},
      {0, &StatClassOf<TstColValCnt>(), 1, {}},
      {5, &StatClassOf<TstColMask>(), 0, {}},
      {5, &StatClassOf<TstColAjacent>(), 0, {}},
      {5, &StatClassOf<TstRowAjacentCnt>(), 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Class->CodeFor(c.Param)) + " width " + std::to_string(c.Width));
    SetWidth(c.Width);
    auto stat = Make(*c.Class, c.Param);
    TStatDrawArray values;
    stat->EnumValues(0, values);
    EXPECT_EQ(Captions(*stat, values), c.Domain);
  }
  // The occupancy lists: (line, 0..min(lines across, 5)) for every line.
  const auto enumerated = [&](int32_t width, const TStatClass& cls) {
    SetWidth(width);
    TStatDrawArray values;
    Make(cls)->EnumValues(0, values);
    return values.size();
  };
  EXPECT_EQ(enumerated(7, StatClassOf<TstColValues>()), 7u * 6u);
  EXPECT_EQ(enumerated(7, StatClassOf<TstRowValues>()), 7u * 6u);
  EXPECT_EQ(enumerated(9, StatClassOf<TstColValues>()), 9u * 6u);
  EXPECT_EQ(enumerated(9, StatClassOf<TstRowValues>()), 5u * 6u);
  EXPECT_EQ(enumerated(1, StatClassOf<TstRowValues>()), 45u * 2u);
}

// The width is copied when a statistic is created: a change applies to statistics created later
// and, after the registry is rebuilt, to the entries: "COL%d" and "ROW%d" once per column and row,
// and the masks only while their lines fit 31 bits.
TEST_F(MatrixStats, WidthFromTheConfiguration) {
  const TComb comb = {3, 4, 12, 14, 41};
  auto before = Make(StatClassOf<TstColumns>());
  struct Case {
    int32_t Width;
    std::string Columns, Rows, ColMask, RowMask, ColAdjacent, RowAdjacent;
    int ColEntries, RowEntries;
    bool ColMaskEntry, RowMaskEntry;
  };
  const Case cases[] = {
      {1, "1 *5", "3, 4, 12, 14, 41", "1 (001)", "", "1 x 2", "", 1, 45, true, false},
      {7, "3, 4, 5, 7, 6", "1 *2, 2 *2, 6", "0011111 (031)", "1100010 (098)", "", "1 x 2", 7, 7, true, true},
      {9, "3 *2, 4, 5 *2", "1 *2, 2 *2, 5", "001110000 (112)", "11001 (025)", "3 x 2", "1 x 2", 9, 5, true, true},
      {32, "3, 4, 12, 14, 9", "1 *4, 2", "", "11 (003)", "", "1 x 2", 32, 2, false, true},
      {46, "3, 4, 12, 14, 41", "1 *5", "", "1 (001)", "", "1 x 2", 46, 1, false, true},
      // Not a width: every number in column 0 and row 0, no entries.
      {0, "0 *5", "0 *5", " (000)", " (000)", "", "", 0, 0, true, true},
      {-3, "0 *5", "0 *5", " (000)", " (000)", "", "", 0, 0, true, true},
      // Held in a byte: a larger width is taken as 255.
      {1000, "3, 4, 12, 14, 41", "1 *5", "", "1 (001)", "", "1 x 2", 255, 1, false, true},
  };
  TStatList registry;
  registry.SetDraws(&draws_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Width);
    SetWidth(c.Width);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstColumns>()), comb), c.Columns);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstRows>()), comb), c.Rows);
    if (c.ColMaskEntry) {
      EXPECT_EQ(ShownValues(*Make(StatClassOf<TstColMask>()), comb), c.ColMask);
    }
    if (c.RowMaskEntry) {
      EXPECT_EQ(ShownValues(*Make(StatClassOf<TstRowMask>()), comb), c.RowMask);
    }
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstColAjacent>()), comb), c.ColAdjacent);
    EXPECT_EQ(ShownValues(*Make(StatClassOf<TstRowAjacent>()), comb), c.RowAdjacent);

    TConfigData config;
    config.MatrixCols = c.Width;
    registry.SetConfig(config, {});
    registry.Build();
    Texts cols, rows;
    bool colMask = false, rowMask = false;
    for (int i = 0; i < registry.Count(); ++i) {
      const TStatClass* cls = registry.Item(i).StatClass;
      if (cls == &StatClassOf<TstColValCnt>()) cols.push_back(registry.Code(i));
      if (cls == &StatClassOf<TstRowValCnt>()) rows.push_back(registry.Code(i));
      colMask |= cls == &StatClassOf<TstColMask>();
      rowMask |= cls == &StatClassOf<TstRowMask>();
    }
    ASSERT_EQ(static_cast<int>(cols.size()), c.ColEntries);
    ASSERT_EQ(static_cast<int>(rows.size()), c.RowEntries);
    if (c.ColEntries > 0) {
      EXPECT_EQ(cols.back(), "COL" + std::to_string(c.ColEntries));
    }
    if (c.RowEntries > 0) {
      EXPECT_EQ(rows.back(), "ROW" + std::to_string(c.RowEntries));
    }
    EXPECT_EQ(colMask, c.ColMaskEntry);
    EXPECT_EQ(rowMask, c.RowMaskEntry);
  }
  EXPECT_EQ(ShownValues(*before, comb), "3, 4 *2, 2, 1");
}

// With the width 1 the row occupancy lists 45 values per combination; counting over the full
// set, split over two threads, still gives the distribution in first-seen order.
TEST_F(MatrixStats, FortyFiveRowsCountInFirstSeenOrder) {
  SetWidth(1);
  auto stat = Make(StatClassOf<TstRowValues>());
  const TCombsArray& combs = test::CrossCheckCombinations();
  TStatDrawArray expected;
  for (const TComb& c : combs) stat->CombValues(c, expected);
  ASSERT_EQ(expected.size(), 90u);
  EXPECT_EQ(CountCombValues(*stat, combs, 1), expected);
  EXPECT_EQ(CountCombValues(*stat, combs, 2), expected);
}

// The adjacency statistics run as vector programs whose places and tables depend on the width:
// for every kind of matrix (one column or row, lines of two or three cells, lines too many for
// the narrow form, more columns than numbers), counting and filtering with the vector kernels give
// what the statistic's own values give, also for unsorted and repeated numbers.
TEST_F(MatrixStats, AdjacencyProgramsForEveryWidth) {
  if (!EnableColumnKernel(true)) GTEST_SKIP() << "this processor has no vector kernels";
  TCombsArray in;
  const TCombsArray& all = test::CrossCheckCombinations();
  for (size_t i = 0; i < all.size(); i += 11) in.push_back(all[i]);
  // Repeated and unsorted numbers in whole blocks, so that the vector kernels take them.
  const TComb odd[] = {{5, 5, 6, 6, 10}, {1, 2, 1, 2, 1},  {6, 1, 11, 16, 21}, {45, 44, 40, 35, 30},
                       {7, 7, 7, 7, 7},  {3, 8, 3, 8, 13}, {2, 3, 2, 3, 2},    {20, 15, 10, 5, 4}};
  for (int k = 0; k < 64; ++k) in.insert(in.begin() + 640 + k, odd[k % std::size(odd)]);
  in.insert(in.begin() + 1000, TComb{0, 1, 2, 3, 4});

  const TStatClass* classes[] = {&StatClassOf<TstColAjacent>(), &StatClassOf<TstRowAjacent>(),
                                 &StatClassOf<TstColAjacentCnt>(), &StatClassOf<TstRowAjacentCnt>()};
  for (int32_t width : {0, 1, 2, 3, 4, 5, 7, 9, 15, 19, 20, 22, 23, 25, 30, 44, 45, 46, 255}) {
    SetWidth(width);
    for (const TStatClass* cls : classes) {
      SCOPED_TRACE(std::string(cls->GetCode()) + " width " + std::to_string(width));
      auto stat = Make(*cls);
      TStatDrawArray expected;
      for (const TComb& c : in) stat->CombValues(c, expected);
      ASSERT_EQ(CountCombValues(*stat, in, 1), expected);
      ASSERT_EQ(CountCombValues(*stat, in, 2), expected);

      TStatDrawArray top = expected, everyOther;
      std::stable_sort(top.begin(), top.end(), [](const auto& a, const auto& b) { return a.Count > b.Count; });
      if (top.size() > 3) top.resize(3);
      for (size_t k = 0; k < expected.size(); k += 2) everyOther.push_back(expected[k]);
      for (const TStatDrawArray* sel : {&top, &everyOther})
        for (bool remove : {false, true}) {
          TCombsArray scalar;
          for (const TComb& c : in)
            if (stat->CombMatches(c, *sel, -1, false, remove) != remove) scalar.push_back(c);
          TCombsArray vector(in.size());
          vector.resize(FilterCombs(*stat, in, vector.data(), *sel, -1, false, remove));
          ASSERT_EQ(vector, scalar) << "selection of " << sel->size() << ", remove " << remove;
        }
    }
  }
}

}  // namespace
}  // namespace kivra
