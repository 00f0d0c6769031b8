#include "core/SortaUtils.h"

#include <gtest/gtest.h>

#include <numeric>

#include "TestDraws.h"

namespace kivra {
namespace {

TEST(SortaUtils, BinomialsAndMatchTable) {
  EXPECT_EQ(Binomial(45, 5), 1221759u);
  EXPECT_EQ(FullSetSize, 1221759u);
  EXPECT_EQ(Binomial(5, 5), 1u);
  EXPECT_EQ(Binomial(4, 5), 1u);
  EXPECT_EQ(Binomial(12, 5), 792u);
  EXPECT_EQ(Binomial(255, 2), 32385u);
  EXPECT_EQ(Factorial(0), 1.0L);

  const auto table = BuildMatchDistribution();
  const uint64_t expected[] = {658008, 456950, 98800, 7800, 200, 1};
  uint64_t total = 0;
  long double probability = 0;
  for (int m = 0; m <= 5; ++m) {
    EXPECT_EQ(table[m].Count, expected[m]) << m;
    total += table[m].Count;
    probability += table[m].Probability;
  }
  EXPECT_EQ(total, FullSetSize);
  EXPECT_NEAR(static_cast<double>(probability), 1.0, 1e-15);
  EXPECT_EQ(ExactMatches(5, 5, 5), 1u);  // m >= n
  EXPECT_EQ(ExactMatches(45, 5, 6), 0u);
}

TEST(SortaUtils, DivisionAndPositions) {
  EXPECT_EQ(CeilDiv(45, 7), 7);
  EXPECT_EQ(CeilDiv(45, 5), 9);
  EXPECT_EQ(CeilDiv(45, 0), 0);  // an unusable size never divides by zero
  EXPECT_EQ(GroupCount(1, 45, 5), 9);
  EXPECT_EQ(GroupCount(1, 45, 7), 7);
  EXPECT_EQ(GroupCount(0, 45, 7), 7);
  EXPECT_EQ(MatrixColumn(45, 7), 3);
  EXPECT_EQ(MatrixRow(45, 7), 7);
  EXPECT_EQ(MatrixColumn(1, 1), 1);
  EXPECT_EQ(MatrixCellNumber(1, 2, 3, 7), 18);
  EXPECT_EQ(ChannelOf(45, 5), 9);
  EXPECT_EQ(ChannelOf(1, 45), 1);
}

TEST(SortaUtils, NumberColors) {
  EXPECT_EQ(NumberColor(0, 5), NoNumberColor);
  EXPECT_EQ(NumberColor(46, 3), NoNumberColor);
  EXPECT_EQ(ColorToRgb(NumberColor(45, 5)), 0xAAD5FFu);  // channel 9
  EXPECT_EQ(ColorToRgb(NumberColor(1, 3)), 0xAAFFAAu);   // channel 1
  EXPECT_EQ(ColorToRgb(NumberColor(45, 3)), 0xD5D5FFu);  // channel 15
  EXPECT_EQ(ColorToRgb(NumberColor(40, 2)), 0xAAFFAAu);  // channel 20 wraps to colour 1
  EXPECT_EQ(ColorToRgb(NumberColor(10, 0)), 0xFFFFFFu);  // no channel at all: white, no crash
  EXPECT_EQ(NoNumberColor, 255u);
}

TEST(SortaUtils, Shifts) {
  struct Case {
    int n, d, expected;
  };
  for (const Case c : {Case{44, 3, 2}, Case{2, -3, 44}, Case{10, 0, 10}, Case{45, 1, 1}, Case{1, -1, 45},
                       Case{1, 44, 45}, Case{45, -44, 1}}) {
    EXPECT_EQ(ShiftNumber(static_cast<uint8_t>(c.n), c.d), c.expected) << c.n << " " << c.d;
  }
  TComb comb{44, 1, 20, 45, 3};
  ShiftComb(comb, 2);
  EXPECT_EQ(comb, (TComb{1, 3, 22, 2, 5}));  // not re-sorted
}

TEST(SortaUtils, MembershipAndCommonCount) {
  TDraw d;
  d.Nums = {7, 1, 45, 13, 22};
  EXPECT_TRUE(NumberInDraw(d, 45));
  EXPECT_FALSE(NumberInDraw(d, 2));
  EXPECT_TRUE(ChannelHit(d, 9, 5));
  EXPECT_FALSE(ChannelHit(d, 4, 5));
  std::array<uint8_t, MaxNumber> map{};
  map[12] = 3;  // number 13
  EXPECT_TRUE(MappedHit(d, map, 3));
  EXPECT_FALSE(MappedHit(d, map, 4));
  EXPECT_EQ(CommonCount(d.Nums, TComb{1, 2, 3, 7, 45}), 3);
  EXPECT_EQ(CommonCount(TComb{1, 1, 2, 3, 4}, TComb{1, 5, 6, 7, 8}), 2);  // counts pairs
  SortDraw(d);
  EXPECT_EQ(d.Nums, (TComb{1, 7, 13, 22, 45}));
}

TEST(SortaUtils, UniqueNumbers) {
  TByteArray list{3};
  AddUnique(list, 3);
  AddUnique(list, 9);
  EXPECT_EQ(list, (TByteArray{3, 9}));

  EXPECT_EQ(UniqueNumberCount({}, 0), 0);
  TCombsArray combs = {{5, 1, 2, 3, 4}, {4, 6, 1, 7, 8}};
  EXPECT_EQ(UniqueNumberCount(combs, 2), 8);
  EXPECT_EQ(UniqueNumberCount(combs, 1), 5);
  EXPECT_EQ(UniqueNumberCount(combs, 99), 8);  // count beyond the list is clipped
  EXPECT_EQ(CollectUniqueNumbers(combs, 2), (TByteArray{5, 1, 2, 3, 4, 6, 7, 8}));

  TCombsArray all;
  for (uint8_t a = 1; a <= 41; ++a)
    for (uint8_t b = a + 1; b <= 42; ++b)
      for (uint8_t c = b + 1; c <= 43; ++c)
        for (uint8_t d = c + 1; d <= 44; ++d)
          for (uint8_t e = d + 1; e <= 45; ++e) all.push_back({a, b, c, d, e});
  ASSERT_EQ(all.size(), FullSetSize);
  EXPECT_EQ(UniqueNumberCount(all, all.size()), 45);
}

TEST(SortaUtils, CombinationTexts) {
  const TComb c{3, 15, 22, 38, 45};
  EXPECT_EQ(CombToText(c), "3;15;22;38;45");
  EXPECT_EQ(CombToPaddedText(c), "03 15 22 38 45");
  EXPECT_EQ(IntListToText({}, ";"), "");
  EXPECT_EQ(IntListToText({-1, 2, 30}, ", "), "-1, 2, 30");

  EXPECT_EQ(TextToComb("1, 2,,3 ; 4|5"), (TComb{1, 2, 3, 4, 5}));
  EXPECT_EQ(TextToComb("5\t4.3:2-1"), (TComb{5, 4, 3, 2, 1}));
  EXPECT_EQ(TextToComb("1 x 3 4 5"), (TComb{1, 0, 3, 4, 5}));
  EXPECT_EQ(TextToComb("1 2 3 4 300"), (TComb{1, 2, 3, 4, 44}));  // stored as one byte
  try {
    TextToComb("1 2 3 4");
    FAIL() << "four numbers accepted";
  } catch (const TConvertError& e) {
    EXPECT_STREQ(e.what(), "Некорректная комбинация: \"1 2 3 4\"!");
  }
  EXPECT_THROW(TextToComb("1 2 3 4 5 6"), TConvertError);
  EXPECT_THROW(TextToComb(""), TConvertError);

  EXPECT_EQ(DrawDescription(test::MakeDraw(17, {9, 1, 2, 3, 4}, "2021-03-07")),
            "Тираж № 17 от 2021-03-07, значения: 9;1;2;3;4");
}

TEST(SortaUtils, IntegerListsAndRanges) {
  struct Case {
    const char* text;
    TIntArray expected;
  };
  const Case cases[] = {
      {"3;7;12", {3, 7, 12}},
      {" 3 , 7;;12 ", {3, 7, 12}},
      {"1-10;2", {1, 3, 5, 7, 9}},
      {"1-10,3", {1, 4, 7, 10}},
      {"-3;4", {-3, 4}},  // a leading minus belongs to the number
      {"-5--1;2", {-5, -3, -1}},
      {"5-1;1", {}},   // B < A
      {"1-10;0", {}},  // step 0
      {"1-10", {}},    // no step
      {"1-x;1", {}},
      {"3;x", {}},
      {"", {}},
      {";;", {}},
      {"0x10;$F", {16, 15}},
      {"1-2000000000;1", {}},  // too long a run is refused, not allocated
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntListOrRange(c.text), c.expected) << c.text;
  EXPECT_EQ(ParseIntList("1-10;2"), TIntArray{});
  EXPECT_EQ(ParseIntRange("3;7"), TIntArray{});

  int32_t v;
  EXPECT_FALSE(StrToIntStrict("2147483648", v));
  EXPECT_TRUE(StrToIntStrict("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_FALSE(StrToIntStrict(" 1", v));
  EXPECT_FALSE(StrToIntStrict("", v));
  EXPECT_FALSE(StrToIntStrict("-", v));
  EXPECT_EQ(StrToIntDef(" 12 ", 0), 12);
  EXPECT_EQ(StrToIntDef("12a", -1), -1);
}

TEST(SortaUtils, Dates) {
  const TDateTime t = TextToDate("2021-03-07");
  int y, m, d;
  DecodeDate(t, y, m, d);
  EXPECT_EQ(y, 2021);
  EXPECT_EQ(m, 3);
  EXPECT_EQ(d, 7);
  EXPECT_EQ(t, 44262.0);                          // days since 1899-12-30
  EXPECT_EQ(DateToText(t + 0.75), "2021-03-07");  // the time of day is dropped
  EXPECT_EQ(DateToText(0), "");
  EXPECT_EQ(DateToText(-5), "");
  EXPECT_EQ(TextToDate("   "), 0);
  EXPECT_EQ(DateToText(TextToDate("2024-02-29")), "2024-02-29");
  EXPECT_THROW(TextToDate("2023-02-29"), TConvertError);
  EXPECT_THROW(TextToDate("07.03.2021"), TConvertError);
  EXPECT_THROW(TextToDate("20"), TConvertError);
  EXPECT_GT(Now(), 40000.0);
}

TEST(SortaUtils, DrawDateField) {
  TDraw d;
  d.SetDateText("2021-03-07 12:00");
  EXPECT_EQ(d.DateLen, 10);
  EXPECT_EQ(d.DateText(), "2021-03-07");
  d.SetDateText("Среда");  // cp1251: one byte per letter
  EXPECT_EQ(d.DateLen, 5);
  EXPECT_EQ(d.DateText(), "Среда");
  EXPECT_EQ(d.Date[5], 0);
}

}  // namespace
}  // namespace kivra
