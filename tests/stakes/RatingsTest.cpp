// The ratings: rows fed by checked stakes, their texts in the three efficiency modes, the sort with
// its comparison, the file and the CSV export.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Ratings.h"

namespace kivra {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

TRatingData Row(std::string utf8, int32_t stakes, int32_t guessed = 0, TMoney profit = 0) {
  TRatingData r;
  r.Comment = Utf8ToCp1251(utf8);
  r.Stakes = stakes;
  r.Guessed = guessed;
  r.Profit = profit;
  return r;
}

std::vector<std::string> Order(const TRatingsArray& rows) {
  std::vector<std::string> names;
  for (const auto& r : rows) names.push_back(r.CommentText());
  return names;
}

TEST(Ratings, RowsFromStakesAndTheirTexts) {
  TTempDir dir;
  TRecordingPort port;
  TRatings ratings(port, dir / "Kivra_5x45.lrt");
  ratings.Add(Utf8ToCp1251("Тест"), 3, 90 * MoneyScale);
  ratings.Add(Utf8ToCp1251("ТЕСТ"), 0, -10 * MoneyScale);
  ratings.Add(Utf8ToCp1251("тёст"), 6, 0);  // a match count outside 0..5 adds nothing
  ratings.Add(Utf8ToCp1251("тЁст"), -1, 0);
  ASSERT_EQ(ratings.Count(), 1);
  const TRatingData& row = ratings.Rows()[0];
  EXPECT_EQ(row.CommentText(), "Тест");
  EXPECT_EQ(row.Hits, (std::array<int32_t, 6>{1, 0, 0, 1, 0, 0}));
  const TMatchDistribution p = BuildMatchDistribution();
  std::vector<std::string> texts;
  for (int c = 0; c < 12; ++c) texts.push_back(RatingCellText(row, c, 1, p));
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Тест", "2", "3", "1.500", "80.00", "40.00", "1", "0", "0", "1", "0", "0"}));
  struct TCase {
    int mode;
    int column;
    const char* text;
  };
  for (const TCase c : {TCase{1, 12, "-3.857%"}, TCase{2, 12, "92.838%"}, TCase{0, 12, "1"}, TCase{7, 12, "1"},
                        TCase{0, 17, "0"}, TCase{1, 15, "49.362%"}})
    EXPECT_EQ(RatingCellText(row, c.column, c.mode, p), c.text) << c.mode << " " << c.column;
  // No stakes: the ratio columns are empty.
  EXPECT_EQ(RatingCellText(Row("x", 0), 3, 1, p), "");
  EXPECT_EQ(RatingCellText(Row("x", 0), 12, 1, p), "");
  // The average profit rounds to 1/10000 with halves to even: 5/2 -> 2, 7/2 -> 4 units.
  EXPECT_EQ(AverageProfit(Row("x", 2, 0, 5)), 2);
  EXPECT_EQ(AverageProfit(Row("x", 2, 0, 7)), 4);
  EXPECT_EQ(AverageProfit(Row("x", 2, 0, -7)), -4);
}

TEST(Ratings, CaptionCollation) {
  struct TCase {
    const char* a;
    const char* b;
    int expected;
  };
  const TCase cases[] = {
      {"a", "B", -1},    {"B", "a", 1},     {"9", "a", -1},      {"z", "а", -1},  // Latin before Cyrillic
      {"!", "0", -1},    {"е", "ё", -1},    {"ё", "ж", -1},      {"Ё", "ж", -1},       {"abc", "Abc", -1},
      {"Abc", "abc", 1}, {"ab", "abc", -1}, {"Тест", "Тест", 0}, {"тЕст", "Тест", -1},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(CompareRatingCaptions(Utf8ToCp1251(c.a), Utf8ToCp1251(c.b)), c.expected) << c.a << " " << c.b;
}

TEST(Ratings, ComparisonAndTheProgramsQuicksort) {
  // Averages 1.2341 and 1.2349 differ by less than 0.005: equal. Profits within half a hundredth: equal.
  EXPECT_EQ(CompareRatings(Row("a", 10000, 12341), Row("b", 10000, 12349), 3), 0);
  EXPECT_EQ(CompareRatings(Row("a", 100, 130), Row("b", 100, 120), 3), 1);
  EXPECT_EQ(CompareRatings(Row("a", 1, 0, 50), Row("b", 1, 0, 0), 4), 0);
  EXPECT_EQ(CompareRatings(Row("a", 1, 0, 51), Row("b", 1, 0, 0), 4), 1);
  // Differences past 32 bits keep their sign.
  EXPECT_EQ(CompareRatings(Row("a", 1, 0, INT64_MAX), Row("b", 1, 0, INT64_MIN), 4), 1);
  EXPECT_EQ(CompareRatings(Row("a", 1, 0, INT64_MAX), Row("b", 1, 0, INT64_MIN), 5), 1);
  EXPECT_EQ(CompareRatings(Row("a", 0, 5), Row("b", 3, 0), 1), 0);  // no stakes: equal

  struct TCase {
    int column;
    bool descending;
    std::vector<TRatingData> rows;
    std::vector<std::string> expected;
  };
  const std::vector<TCase> cases = {
      // Worked by hand through the quicksort: equal rows do not keep their order.
      {1, false, {Row("A", 2), Row("B", 1), Row("C", 2), Row("D", 1)}, {"D", "B", "A", "C"}},
      {1, true, {Row("A", 2), Row("B", 1), Row("C", 3)}, {"C", "A", "B"}},
      {0, false, {Row("б", 1), Row("Б", 1), Row("a", 1), Row("1", 1)}, {"1", "a", "б", "Б"}},
      {14, false, {Row("b", 1), Row("a", 2)}, {"b", "a"}},  // an E column: unchanged
  };
  for (const TCase& c : cases) {
    TRatingsArray rows = c.rows;
    SortRatings(rows, c.column, c.descending);
    EXPECT_EQ(Order(rows), c.expected) << c.column;
  }
}

// With every row staked the caption comparison is a total order, so the quicksort must leave the
// captions in that order both ways: mixed case, ё, digits, Latin, punctuation and common prefixes.
TEST(Ratings, CaptionSortFollowsTheCollation) {
  const std::vector<std::string> letters = {"а", "А", "е", "ё", "Ё", "ж", "я", "Я", "a", "Z", "0", "9", "!", " "};
  uint32_t x = 11;
  TRatingsArray rows;
  for (int i = 0; i < 2000; ++i) {
    std::string caption = i % 3 ? "Сценарий " : "";
    for (int k = 0, n = 1 + i % 4; k < n; ++k) {
      x = x * 1103515245u + 12345u;
      caption += letters[(x >> 16) % letters.size()];
    }
    rows.push_back(Row(caption, 1 + i % 7));
  }
  for (const bool descending : {false, true}) {
    TRatingsArray sorted = rows;
    SortRatings(sorted, 0, descending);
    ASSERT_EQ(sorted.size(), rows.size());
    for (size_t i = 1; i < sorted.size(); ++i) {
      const int c = CompareRatingCaptions(sorted[i - 1].Comment, sorted[i].Comment);
      ASSERT_LE(descending ? -c : c, 0) << i << ": " << sorted[i - 1].CommentText() << " / " << sorted[i].CommentText();
    }
  }
}

TEST(Ratings, FileAndCsv) {
  TTempDir dir;
  TRecordingPort port;
  TRatings ratings(port, dir / "Kivra_5x45.lrt");
  ratings.Add(Utf8ToCp1251("Ставка \"вручную\""), 2, -10 * MoneyScale);
  ratings.Add("B", 5, 100000 * MoneyScale);
  ratings.Sort(2, true);
  EXPECT_EQ(port.Status[5], "Рейтинг: 2");
  const std::string bytes = ReadBytes(ratings.File());
  ASSERT_EQ(bytes.size(), 2 * RatingRecordSize);
  EXPECT_EQ(bytes.substr(0, 2), "\1B");  // the comment's length byte and text
  EXPECT_EQ(static_cast<uint8_t>(bytes[RatingRecordSize]), 16);
  EXPECT_EQ(static_cast<uint8_t>(bytes[RatingRecordSize + 264 + 8]), 1);  // Hits[2] of row 2

  // A torn last record: the whole ones are read.
  WriteBytes(ratings.File(), bytes + std::string(100, 'x'));
  TRatings reread(port, ratings.File());
  ASSERT_TRUE(reread.Load());
  EXPECT_EQ(reread.Rows(), ratings.Rows());

  reread.Add("C", 0, 0);
  const std::string header =
      "\"Комментарий\";\"Ставок\";\"Угадано\";\"Среднее\";\"Профит\";\"Ср. профит\";\"0\";\"1\";\"2\";\"3\";\"4\";"
      "\"5\";\"E0\";\"E1\";\"E2\";\"E3\";\"E4\";\"E5\"\r\n";
  SetDecimalSeparator(',');
  EXPECT_EQ(reread.CsvText(), Utf8ToCp1251(header + "\"B\";1;5;5,000;100000,00;100000,00;0;0;0;0;0;1\r\n"
                                                    "\"Ставка \"\"вручную\"\"\";1;2;2,000;-10,00;-10,00;0;0;1;0;0;0\r\n"
                                                    "\"C\";1;0;0,000;0,00;0,00;1;0;0;0;0;0\r\n"));
  SetDecimalSeparator('.');
}

}  // namespace
}  // namespace kivra
