// The stakes state of the workspace and the cli's stakes commands: records made as the window makes
// them, the check after draws arrive, batches and the view, and the journal through kivra-cli.
#include <gtest/gtest.h>

#include <map>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;

TStakeNumbers Nums(std::initializer_list<int> values) {
  TStakeNumbers n;
  n.Count = static_cast<int32_t>(values.size());
  int i = 0;
  for (int v : values) n.Values[i++] = static_cast<uint8_t>(v);
  return n;
}

class StakeStateTest : public ::testing::Test {
 protected:
  StakeStateTest() {
    ws.LoadSettingsAndConfig();
    ws.Config().Data.Cost = 10 * MoneyScale;
    for (int d = 1; d <= 499; ++d) ws.Archive().Append(MakeDraw(d, {1, 2, 3, 4, 5}));
    ws.Combs().ReserveLists();
    stakes.SetViewHandler([this](int rows, bool refresh, bool scroll, bool changed) {
      views.push_back({rows, refresh, scroll, changed});
    });
    EXPECT_TRUE(stakes.Load());
  }
  struct TView {
    int rows;
    bool refresh, scroll, changed;
    bool operator==(const TView&) const = default;
  };

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
  TStakeState& stakes = ws.Stakes();
  std::vector<TView> views;
};

TEST_F(StakeStateTest, NewStakesFollowTheAnalysisPointAndArePricedByTheirOwnNumbers) {
  EXPECT_EQ(port.Status[4], "Ставок: 0");
  ASSERT_TRUE(ws.Combs().GenerateList(true, {2, "1;2;3;4;5;6;7"}));
  ws.SetDrawsOffset(9);
  TStakeData r = stakes.NewRecord(StakeManual, ManualStakeComment, Nums({1, 2, 3, 4, 5}));
  EXPECT_EQ(r.DrawNumber, 491);
  EXPECT_EQ(r.SampleSize, 21);
  EXPECT_EQ(r.Profit, -10 * MoneyScale);
  // The dialog changed the numbers to seven: the cost is that of 21 combinations.
  r.Numbers = Nums({1, 2, 3, 4, 5, 6, 7});
  stakes.PriceRecord(r);
  EXPECT_EQ(r.Profit, -210 * MoneyScale);
  EXPECT_EQ(MoneyText(r.Profit), "-210.00");
}

TEST_F(StakeStateTest, AStakeWaitsForItsDrawAndIsCheckedWhenTheDrawArrives) {
  ws.Config().Data.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 1000 * MoneyScale}};
  ws.SetDrawsOffset(3);
  TStakeData r = stakes.NewRecord(StakeManual, ManualStakeComment, Nums({1, 2, 3, 4, 5}));
  r.DrawNumber = 500;
  ASSERT_TRUE(stakes.AddOne(r, 1));
  EXPECT_EQ(stakes.Journal().Read(TStakeOrigin::End, -1).Checked, 0);
  EXPECT_EQ(views.back(), (TView{1, true, true, true}));
  EXPECT_EQ(port.Status[4], "Ставок: 1");

  // With the check after each line off, a new draw leaves it for the manual check.
  stakes.SetCheckOnLine(false);
  ASSERT_TRUE(ws.AddDraw(MakeDraw(500, {5, 4, 3, 2, 1})));
  EXPECT_EQ(stakes.Journal().Read(TStakeOrigin::End, -1).Checked, 0);
  stakes.CheckManual();
  const TStakeData checked = stakes.Journal().Read(TStakeOrigin::End, -1);
  EXPECT_EQ(checked.Checked, 1);
  EXPECT_EQ(checked.Profit, 990 * MoneyScale);

  // On: the next arriving draw completes its stake at once.
  stakes.SetCheckOnLine(true);
  r.DrawNumber = 501;
  ASSERT_TRUE(stakes.AddOne(r, 1));
  ASSERT_TRUE(ws.AddDraw(MakeDraw(501, {40, 41, 42, 43, 44})));
  EXPECT_EQ(stakes.Journal().Read(TStakeOrigin::End, -1).Checked, 1);
  EXPECT_EQ(stakes.Journal().Read(TStakeOrigin::End, -1).Profit, -10 * MoneyScale);
}

TEST_F(StakeStateTest, ABatchAppendsEveryCombinationAndUpdatesTheViewOnce) {
  ASSERT_TRUE(ws.Combs().GenerateList(true, {2, "1;2;3;4;5;6"}));
  views.clear();
  const std::vector<uint32_t> rows = {1, 4, 99};  // a position past the list is skipped
  ASSERT_TRUE(stakes.AddCombinations(&rows, 600, 2, "Пакет"));
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0], (TView{7, true, true, true}));  // stake, separator, stake for each
  ASSERT_TRUE(stakes.AddCombinations(nullptr, 700, 1, "Все"));
  EXPECT_EQ(stakes.Journal().Count(), 7 + 6);
  const TStakeData last = stakes.Journal().Read(TStakeOrigin::End, -1);
  EXPECT_EQ(last.DrawNumber, 700);
  EXPECT_EQ(last.Comment, "Все");
  EXPECT_EQ(last.SampleSize, 6);
  EXPECT_EQ(StakeCellText(last, 2), "2;3;4;5;6");
  EXPECT_EQ(port.Status[4], "Ставок: 13");

  stakes.Clear();
  EXPECT_EQ(stakes.Journal().Count(), 0);
  EXPECT_EQ(views.back(), (TView{1, true, false, true}));
  EXPECT_EQ(port.Status[4], "Ставок: 0");
}

TEST_F(StakeStateTest, DeletionByConditionAsksWithTheCountFirst) {
  for (int d = 495; d <= 501; ++d) {  // 495..499 checked (no match), 500 and 501 not yet
    TStakeData r = stakes.NewRecord(StakeManual, ManualStakeComment, Nums({41, 42, 43, 44, 45}));
    r.DrawNumber = d;
    ASSERT_TRUE(stakes.AddOne(r, 1));
  }
  const int before = stakes.Journal().Count();
  port.Messages.clear();
  // No is the default answer: nothing goes.
  EXPECT_FALSE(stakes.DeleteWhereAsked(TStakeCondition::Less, 0));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Удалить ставок: 2?");
  EXPECT_FALSE(port.Messages[0].DefaultYes);
  EXPECT_EQ(stakes.Journal().Count(), before);
  port.Answers = {true};
  EXPECT_TRUE(stakes.DeleteWhereAsked(TStakeCondition::Equal, 0));
  EXPECT_EQ(port.Messages.back().Text, "Удалить ставок: 5?");
  EXPECT_EQ(stakes.Journal().Count(), before - 5);
  // Nothing meets the condition: it says so and asks nothing.
  EXPECT_FALSE(stakes.DeleteWhereAsked(TStakeCondition::Greater, 3));
  EXPECT_EQ(port.Messages.back().Kind, TMessageKind::Info);
  EXPECT_EQ(stakes.Journal().Count(), before - 5);
}

TEST_F(StakeStateTest, ChecksFeedTheRatingsAndTheChartsReadTheJournal) {
  ws.Config().Data.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 90 * MoneyScale}, {4, 0}, {5, 0}};
  auto add = [&](int32_t draw, TStakeNumbers numbers, std::string_view comment) {
    TStakeData r = stakes.NewRecord(StakeScript, comment, numbers);
    r.DrawNumber = draw;
    ASSERT_TRUE(stakes.AddOne(r, 1));
  };
  add(498, Nums({1, 2, 3, 40, 41}), "Тест");     // 3 matches: +80.00
  add(499, Nums({40, 41, 42, 43, 44}), "ТЕСТ");  // 0 matches: -10.00
  add(499, Nums({1, 40, 41, 42, 43}), "Другой");
  auto& ratings = ws.Ratings();
  ASSERT_EQ(ratings.Ratings().Count(), 2);
  // Sorted by "Среднее" descending, and saved.
  EXPECT_EQ(ratings.CellText(0, 0), "Тест");
  EXPECT_EQ(ratings.CellText(0, 3), "1.500");
  EXPECT_EQ(ratings.CellText(0, 5), "35.00");
  EXPECT_EQ(std::filesystem::file_size(dir / "Kivra_5x45.lrt"), 2 * RatingRecordSize);
  EXPECT_EQ(port.Status[5], "Рейтинг: 2");

  const auto profits = ratings.ProfitByDrawChart();
  ASSERT_TRUE(profits.has_value());
  ASSERT_EQ(profits->Series.size(), 3u);
  EXPECT_EQ(profits->Series[0].Title, "Суммарный профит ставок по тиражу");
  EXPECT_EQ(profits->Series[0].Points, (std::vector<TChartPoint>{{498, 80, "498"}, {499, -20, "499"}}));
  EXPECT_EQ(profits->Series[1].Points[1].Y, 30);
  EXPECT_EQ(profits->Series[2].Points[1].Y, 60);
  const auto matches = ratings.StakesByDrawChart({0, 1}, false);
  ASSERT_TRUE(matches.has_value());
  ASSERT_EQ(matches->Series.size(), 2u);
  EXPECT_EQ(matches->Series[0].Title, "Тест");  // "ТЕСТ" joins the series of the same caption
  EXPECT_EQ(matches->Series[0].Points.size(), 2u);
  const auto counts = ratings.MatchCountChart({0});
  ASSERT_TRUE(counts.has_value());
  EXPECT_EQ(counts->Series[0].Title, "Нормальные значения");
  EXPECT_NEAR(static_cast<double>(counts->Series[0].Points[0].Y), 2 * 658008.0 / 1221759, 1e-12);

  // Rebuilding asks first; No keeps the rows.
  port.Answers = {false};
  EXPECT_FALSE(ratings.Refresh());
  EXPECT_EQ(ratings.Ratings().Count(), 2);
  stakes.Clear();  // clearing rebuilds them from the empty journal (after Yes)
  EXPECT_EQ(ratings.Ratings().Count(), 0);
  EXPECT_FALSE(ratings.ProfitByDrawChart().has_value());
  EXPECT_EQ(port.Messages.back().Text,
            "Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!");
}

class StakesCliTest : public ::testing::Test {
 protected:
  StakesCliTest() {
    test::WriteBytes(dir / "d.csv", "1;01.01.2020;1;2;3;4;5\r\n2;02.01.2020;6;7;8;9;10\r\n");
    EXPECT_EQ(Run("import-csv '" + (dir / "d.csv").string() + "'").Status, 0);
  }
  test::TCliRun Run(const std::string& args) { return test::RunCli(dir.Path(), args, dir / "stderr.txt"); }

  test::TTempDir dir;
};

TEST_F(StakesCliTest, AddCheckListAndDelete) {
  test::WriteBytes(dir / "Kivra_5x45.ini", "[STAKES]\nCost=1\n");
  EXPECT_EQ(Run("stakes add 6,1,2,3,4,5 --draw 2 --draws 3 --comment 'Мой выбор'").Status, 0);
  EXPECT_EQ(Run("stakes list").Out,
            "2;Вручную;1;2;3;4;5;6;0;6;7;8;9;10;1;6;-6.00;Мой выбор\n"
            ";;;;;;;;\n"
            "3;Вручную;1;2;3;4;5;6;0;;;;-6.00;Мой выбор\n"
            ";;;;;;;;\n"
            "4;Вручную;1;2;3;4;5;6;0;;;;-6.00;Мой выбор\n");
  EXPECT_EQ(Run("stakes add 1,2,3,4,45 --draw 1 --kind 3").Status, 0);
  const auto rows = Run("stakes list").Out;
  EXPECT_NE(rows.find("1;Сценарий;1;2;3;4;45;0;1;2;3;4;5;4;1 2 3 4;-1.00;Ставка \"вручную\"\n"), std::string::npos)
      << rows;

  EXPECT_EQ(Run("stakes check").Out, "Проверено ставок: 0\n");
  EXPECT_EQ(Run("stakes delete --where matched '<' 4").Status, 0);
  EXPECT_EQ(Run("stakes list").Out,
            ";;;;;;;;\n;;;;;;;;\n1;Сценарий;1;2;3;4;45;0;1;2;3;4;5;4;1 2 3 4;-1.00;Ставка \"вручную\"\n");
  EXPECT_EQ(Run("stakes delete --rows 1-2").Status, 0);
  EXPECT_EQ(std::filesystem::file_size(dir / "Kivra_5x45.lsk"), 320u);
  EXPECT_EQ(Run("stakes clear").Status, 0);
  EXPECT_EQ(std::filesystem::file_size(dir / "Kivra_5x45.lsk"), 0u);

  // Refused entries change nothing.
  for (const char* bad :
       {"stakes add 1,2,3,4 --draw 1", "stakes add 1,2,3,4,46 --draw 1", "stakes add 5,5,6,7,8 --draw 1",
        "stakes add 1,2,3,4,5 --draw 0", "stakes add 1,2,3,4,5 --draw 1 --comment ''", "stakes delete --rows 1-1",
        "stakes delete --where matched '=' 6"})
    EXPECT_NE(Run(bad).Status, 0) << bad;
  EXPECT_EQ(std::filesystem::file_size(dir / "Kivra_5x45.lsk"), 0u);
}

TEST_F(StakesCliTest, RatingsAcrossRuns) {
  // Each run's check adds to the rows the file already holds.
  EXPECT_EQ(Run("stakes add 1,2,3,6,7 --draw 1 --comment Тест").Status, 0);
  EXPECT_EQ(Run("stakes add 1,2,3,6,7 --draw 2 --comment ТЕСТ").Status, 0);
  EXPECT_EQ(Run("stakes add 6,7,8,9,45 --draw 2 --comment B").Status, 0);
  EXPECT_EQ(Run("ratings --mode 0").Out,
            "B;1;4;4.000;0.00;0.00;0;0;0;0;1;0;1;0;0;0;0;0\n"
            "Тест;2;5;2.500;0.00;0.00;0;0;1;1;0;0;1;1;0;0;0;0\n");
  EXPECT_EQ(Run("ratings sort Комментарий").Status, 0);
  EXPECT_EQ(Run("ratings").Out.substr(0, 2), "B;");
  EXPECT_EQ(Run("ratings sort 1 --desc").Status, 0);
  EXPECT_EQ(Run("ratings").Out.substr(0, 9), "Тест;");
  EXPECT_EQ(Run("ratings export '" + (dir / "r.csv").string() + "'").Status, 0);
  EXPECT_EQ(test::ReadBytes(dir / "r.csv").substr(0, 14), "\"\xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\";");
  EXPECT_EQ(Run("ratings refresh").Out, "Рейтинг: 2\n");
  EXPECT_EQ(Run("ratings sort E2").Status, 2);
}

// The "key;value" lines of `stakes chance` as pairs, in order.
std::vector<std::pair<std::string, std::string>> KeyValues(const std::string& out) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = out.substr(start, end - start);
    const size_t semi = line.find(';');
    pairs.emplace_back(line.substr(0, semi), semi == std::string::npos ? "" : line.substr(semi + 1));
  }
  return pairs;
}

TEST_F(StakesCliTest, ChanceComparesTheCheckedStakes) {
  test::WriteBytes(dir / "Kivra_5x45.ini",
                   "[STAKES]\nCost=1\nProfits=6\nProfit_0_Overlap=0\nProfit_0_Profit=0\nProfit_1_Overlap=1\n"
                   "Profit_1_Profit=0\nProfit_2_Overlap=2\nProfit_2_Profit=2\nProfit_3_Overlap=3\nProfit_3_Profit=20\n"
                   "Profit_4_Overlap=4\nProfit_4_Profit=200\nProfit_5_Overlap=5\nProfit_5_Profit=20000\n");
  // Draw 1 is 1..5, draw 2 is 6..10: three checked stakes (a 6-number one with 4 matches), one for
  // a draw not yet drawn.
  EXPECT_EQ(Run("stakes add 1,2,3,4,40,41 --draw 1 --comment Тест").Status, 0);
  EXPECT_EQ(Run("stakes add 6,7,30,31,32 --draw 2 --comment Другой").Status, 0);
  EXPECT_EQ(Run("stakes add 11,12,13,14,15 --draw 2 --comment ТЕСТ").Status, 0);
  EXPECT_EQ(Run("stakes add 1,2,3,4,5 --draw 3 --comment Тест").Status, 0);

  const auto all = Run("stakes chance --runs 2000 --seed 9");
  ASSERT_EQ(all.Status, 0) << all.Err;
  const auto pairs = KeyValues(all.Out);
  std::vector<std::string> keys;
  for (const auto& [key, value] : pairs) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"stakes", "draws", "profit", "matches_2", "matches_3", "matches_4",
                                            "matches_5", "random_mean", "random_p05", "random_p95", "exact_mean",
                                            "beats_share", "p_value", "runs", "seed"}));
  const std::map<std::string, std::string> figures(pairs.begin(), pairs.end());
  // -6 + 200, -1 + 2, -1: as the journal shows them.
  EXPECT_EQ(figures.at("stakes"), "3");
  EXPECT_EQ(figures.at("draws"), "2");
  EXPECT_EQ(figures.at("profit"), "194.00");
  EXPECT_EQ(figures.at("matches_2"), "1");
  EXPECT_EQ(figures.at("matches_4"), "1");
  EXPECT_EQ(figures.at("runs"), "2000");
  EXPECT_EQ(figures.at("seed"), "9");
  // Exact: C(d,m) C(45-d,5-m) / 1221759 for each stake's d numbers, prices as above.
  double exact = 0;
  for (int d : {6, 5, 5}) {
    const double cost = d == 6 ? -6 : -1;
    const double prize[] = {0, 0, 2, 20, 200, 20000};
    for (int m = 0; m <= 5; ++m)
      exact += (cost + prize[m]) * static_cast<double>(Binomial(d, m) * Binomial(45 - d, 5 - m)) / 1221759.0;
  }
  EXPECT_EQ(figures.at("exact_mean"), SysFormat("%.2f", {exact}));
  EXPECT_EQ(figures.at("beats_share").size(), 6u);
  // The same seed, the same figures; the rows and a ratings row choose the stakes.
  EXPECT_EQ(Run("stakes chance --runs 2000 --seed 9").Out, all.Out);
  EXPECT_EQ(KeyValues(Run("stakes chance --rows 2-4 --runs 100").Out)[0].second, "2");
  ASSERT_EQ(Run("ratings sort Комментарий").Status, 0);  // Другой, Тест (with ТЕСТ)
  const auto rating = KeyValues(Run("stakes chance --rating 2 --runs 100").Out);
  ASSERT_GE(rating.size(), 3u);
  EXPECT_EQ(rating[0].second, "2");
  EXPECT_EQ(rating[2].second, "193.00");

  // Refusals: their messages, and no figures.
  struct TCase {
    const char* Args;
    int Status;
    const char* Message;
  };
  const TCase refused[] = {
      {"stakes chance --runs 99", 1, "Количество прогонов должно быть от 100 до 1000000 (задано 99)!"},
      {"stakes chance --runs 1000001", 1, "Количество прогонов должно быть от 100 до 1000000 (задано 1000001)!"},
      {"stakes chance --rows 3-9", 1, "Строк 3-9 нет в журнале ставок (записей в журнале: 4)!"},
      {"stakes chance --rows 4-4", 1, "Нет проверенных ставок для сравнения со случайной игрой!"},
      {"stakes chance --rating 3", 1, "Строки 3 нет в рейтинге (строк в рейтинге: 2)!"},
      {"stakes chance --rows 1-2 --rating 1", 2, "Неизвестный параметр: --rating"},
      {"stakes chance --runs many", 2, "Некорректное значение параметра --runs: many"},
  };
  for (const TCase& c : refused) {
    const auto r = Run(c.Args);
    EXPECT_EQ(r.Status, c.Status) << c.Args;
    EXPECT_EQ(r.Out, "") << c.Args;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << c.Args << ": " << r.Err;
  }
}

TEST_F(StakesCliTest, RefusedWhileAnotherProgramHoldsTheJournal) {
  TRecordingPort port;
  TStakesJournal held(port, dir / "Kivra_5x45.lsk", dir / "x.~tmp");
  ASSERT_TRUE(held.Load());
  const auto run = Run("stakes list");
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("занят другой копией программы"), std::string::npos) << run.Err;
  held.Close();
  EXPECT_EQ(Run("stakes list").Status, 0);
}

}  // namespace
}  // namespace kivra

namespace kivra {
namespace {

TEST(RatingsToScript, CaptionsTurnBackIntoScriptLines) {
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
  ws.LoadSettingsAndConfig();
  const TMethodLookup methods(ws.Stats());
  struct TCase {
    std::string caption;
    std::optional<std::string> line;
  };
  const std::vector<TCase> cases = {
      {"03.002: мой сценарий @ FULL#EXT + TSD1#SUMS:10#LNO:#SF:0",
       "FULL#EXT|TSD1#SUMS:10#LNO:#SF:0| | | | | | |03.002: мой сценарий"},
      {"01.001: @ EXCL:3#FIRST + TS#SUMS:5 + TS#SUMS:7", "EXCL:3#FIRST|TS#SUMS:5|TS#SUMS:7| | | | | |01.001:"},
      {"a@b @ FULL#EXT + TS#SUMS:5", "FULL#EXT|TS#SUMS:5| | | | | | |a@b"},  // split at the last "@"
      {"Ставка \"вручную\"", std::nullopt},                                     // no filters
      {"x @ FULL#EXT + TS#NOSUCH:5", std::nullopt},                          // no known statistic
      {std::string(240, 'z') + " @ FULL#EXT + TS#SUMS:5", std::nullopt},     // 255 characters: maybe cut
  };
  for (const TCase& c : cases) EXPECT_EQ(RatingCaptionToScriptLine(c.caption, methods), c.line) << c.caption;

  ws.Ratings().Ratings().Add(Utf8ToCp1251(cases[0].caption), 1, 0);
  ws.Ratings().Ratings().Add("no filters", 1, 0);
  EXPECT_EQ(ws.Ratings().ToScript({0, 1}, ws.Script(), methods), 1);
  ASSERT_EQ(ws.Script().Count(), 1);
  EXPECT_EQ(ws.Script().Line(0), *cases[0].line);
  EXPECT_EQ(port.Messages.back().Text, "Строку\r\rno filters\r\rневозможно добавить в сценарий!");
}

}  // namespace
}  // namespace kivra
