// The script interpreter: variant expansion and its texts, the condition tests, the stake modes
// with the records they write, the stop modes, forecasts and back-tests with their offsets, the
// log of one small run against a hand-written fixture, and the corrections to the described
// behaviour (MaxStake clamped, variant count refused before anything is made, ClearStakes in a
// back-test checking the due stakes first).
#include <gtest/gtest.h>

#include <fstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"
#include "stakes/Systems.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;
using Lines = std::vector<std::string>;

std::string Line(std::string options, std::vector<std::string> commands, std::string comment = {}) {
  TScriptLineText line;
  line.Options = std::move(options);
  for (size_t k = 0; k < commands.size(); ++k) line.Commands[k] = commands[k];
  line.Comment = std::move(comment);
  return WriteScriptLine(line);
}

// Records the panels, answers Pump with an action the test sets.
class TTestHost : public TScriptHost {
 public:
  void Pump() override {
    ++Pumps;
    if (OnPump) OnPump();
  }
  void ShowStatus(int panel, std::string_view text) override { Panels[panel] = std::string(text); }
  void RunningChanged(bool running) override { Running.push_back(running); }
  std::function<void()> OnPump;
  std::array<std::string, 5> Panels;
  std::vector<bool> Running;
  int Pumps = 0;
};

class ScriptRunnerTest : public ::testing::Test {
 protected:
  ScriptRunnerTest() {
    ws.LoadSettingsAndConfig();
    ws.Config().Data.Cost = 10 * MoneyScale;
    ws.Config().Data.Profits = {
        {0, 0}, {1, 0}, {2, 0}, {3, 10 * MoneyScale}, {4, 100 * MoneyScale}, {5, 1000 * MoneyScale}};
    // 40 draws from a fixed sequence.
    uint32_t x = 12345;
    for (int d = 1; d <= 40; ++d) {
      TNumSet used;
      TComb c{};
      for (int k = 0; k < 5;) {
        x = x * 1103515245u + 12345u;
        const auto n = static_cast<uint8_t>(1 + (x >> 16) % 45);
        if (used.Contains(n)) continue;
        used.Include(n);
        c[k++] = n;
      }
      ws.Archive().Append(MakeDraw(d, c));
    }
    ws.Combs().ReserveLists();
    EXPECT_TRUE(ws.Stakes().Load());
    ws.Ratings().Load();
    runner.SetHost(&host);
  }

  // The journal's stakes (separators left out).
  std::vector<TStakeData> Stakes() {
    std::vector<TStakeData> result;
    auto& journal = ws.Stakes().Journal();
    for (int i = 0; i < journal.Count(); ++i) {
      TStakeData r = journal.Read(TStakeOrigin::Begin, i);
      if (!IsSeparator(r)) result.push_back(r);
    }
    return result;
  }
  static std::string Numbers(const TStakeData& r) { return StakeNumbersText(r.Numbers, " "); }
  // The log's entries without their time prefixes.
  Lines LogEntries() {
    const auto logs = FindScriptLogs(dir.Path());
    EXPECT_EQ(logs.size(), 1u);
    if (logs.empty()) return {};
    Lines entries;
    const std::string text = Cp1251ToUtf8(ReadWholeFile(logs.back()));
    size_t b = 0;
    for (size_t e; (e = text.find("\r\n", b)) != std::string::npos; b = e + 2) {
      const std::string line = text.substr(b, e - b);
      entries.push_back(line.size() >= 23 ? line.substr(23) : line);
    }
    return entries;
  }
  void UseSevenNumbers() { ws.Config().Gen = {2, "1;2;3;4;5;6;7"}; }  // 21 combinations

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
  TScriptRunner& runner = ws.Runner();
  TTestHost host;
};

// --- Variants and texts ---

TEST(ScriptVariants, ExpandDepthFirstWithTheFirstCommandSlowest) {
  TStatList stats;
  stats.Build();
  const TMethodLookup methods(stats);
  const TLineVariants v({"TSD1#SUMS:10,20#LMV:1-3;1#SF:0", "BMF2#EVEN:5#LNO:#ST:2"}, methods);
  ASSERT_EQ(v.Count(), 6u);
  std::vector<std::string> texts;
  for (uint64_t i = 0; i < v.Count(); ++i) texts.push_back(VariantText(v.Variant(i), methods));
  EXPECT_EQ(texts,
            (std::vector<std::string>{
                "TSD#SUMS:10#LMV:1#SF:0 + BMF#EVEN:5#LNO:#ST:2", "TSD#SUMS:10#LMV:2#SF:0 + BMF#EVEN:5#LNO:#ST:2",
                "TSD#SUMS:10#LMV:3#SF:0 + BMF#EVEN:5#LNO:#ST:2", "TSD#SUMS:20#LMV:1#SF:0 + BMF#EVEN:5#LNO:#ST:2",
                "TSD#SUMS:20#LMV:2#SF:0 + BMF#EVEN:5#LNO:#ST:2", "TSD#SUMS:20#LMV:3#SF:0 + BMF#EVEN:5#LNO:#ST:2"}));
  const auto first = v.Variant(0);
  EXPECT_EQ(first[0].SortColumn, 1);
  EXPECT_EQ(first[1].SortColumn, 2);
  EXPECT_TRUE(first[1].FromBottom && first[1].MultiSelect && first[1].KeepSelected);
  EXPECT_FALSE(first[2].Active);

  struct TCase {
    std::string Command;
    uint64_t Count;
    std::string Value, Text, Description;
  };
  for (const TCase& c : std::vector<TCase>{
           // A list condition is never expanded: it tests its values as parsed.
           {"TSD1#NUMS:10#LDV:1-9;2#SF:0", 1, "1,3,5,7,9", "1-9;2", "TSD#NUMS:10#LDV:1-9;2#SF:0"},
           {"TSD1#NUMS:10#WDV:2,4#SF:0", 1, "2,4", "2,4", "TSD#NUMS:10#WDV:2,4#SF:0"},
           {"TSD1#NUMS:1-3;1#LNO:x#SF:0", 3, "x", "x", "TSD#NUMS:1#LNO:x#SF:0"},
           {"BMF8#EVEN:30#WMV:5#ST:2#1:-1:0,5:0:1", 1, "5", "5", "BMF#EVEN:30#WMV:5#ST:2#1:-1:0.5:0:1"},
       }) {
    SCOPED_TRACE(c.Command);
    const TLineVariants one({c.Command}, methods);
    EXPECT_EQ(one.Count(), c.Count);
    const auto parts = one.Variant(0);
    EXPECT_EQ(parts[0].LevelValue, c.Value);
    EXPECT_EQ(parts[0].LevelText, c.Text);
    EXPECT_EQ(FilterPartText(parts[0], methods), c.Description);
  }

  // A command that cannot be expanded is refused with the writer's text of it.
  for (const char* bad : {"TSD1#NOPE:10#LNO:#SF:0", "TSD1#SUMS:x#LNO:#SF:0", "TSD1#SUMS:10#LMV:#SF:0"}) {
    try {
      TLineVariants({" ", bad}, methods);
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(),
                "Некорректное описание фильтра: " + WriteFilterItem(ReadFilterItem(bad, methods), methods) + "!");
    }
  }
  // Counts are products that saturate instead of wrapping.
  const TLineVariants many({"TSD1#SUMS:1-1000000;1#LMV:1-1000000;1#SF:0", "TSD1#SUMS:1-1000000;1#LMV:1-1000000;1#SF:0"},
                           methods);
  EXPECT_EQ(many.Count(), UINT64_MAX);
  EXPECT_EQ(TLineVariants({" ", " "}, methods).Count(), 0u);
}

TEST(ScriptVariants, StakeDescriptions) {
  EXPECT_EQ(StakeDescription(3, 2, "мой сценарий", "FULL#EXT + TSD#SUMS:10#LMV:3#SF:0"),
            "03.002: мой сценарий @ FULL#EXT + TSD#SUMS:10#LMV:3#SF:0");
  EXPECT_EQ(StakeDescription(12, 0, "", "EXCL:5#RAND#NEX"), "12.000: @ EXCL:5#RAND#NEX");
}

// --- Conditions ---

TEST(ScriptConditions, EveryConditionReadsItsColumn) {
  std::array<std::string, StatColumnCount> cells;
  cells.fill("-");
  cells[ColValue] = "7";
  cells[ColCount] = "4";
  cells[ColCountPct] = "12,5";
  cells[ColDeviation] = "-2";
  cells[ColDeviationPct] = "-33.33333";
  cells[ColDepth] = "3";
  cells[ColDepthPct] = "60.00";
  cells[ColWeight] = "2.50";
  cells[ColMinPeriod] = "1";
  cells[ColPeriod] = "-";
  cells[ColMaxPeriod] = "9";
  const TStatValues row{&cells, 7};
  struct TCase {
    int Mode;
    std::string Value;
    bool Expected;
  };
  for (const TCase& c : std::vector<TCase>{
           {0, "", true},      {1, "3", true},          {1, "4", false},    {2, "60", true},  {2, "61", false},
           {3, "3", true},     {3, "2", false},         {4, "60", true},    {5, "1,3", true}, {5, "1,2", false},
           {6, "60", true},    {7, "-2", true},         {8, "-33", false},  {9, "-3", false}, {10, "-33", true},
           {11, "-2", true},   {12, "-33.33333", true}, {13, "4", true},    {14, "12", true}, {15, "3", false},
           {16, "13", true},   {17, "4", true},         {18, "12.5", true}, {19, "2", true},  {20, "2", false},
           {21, "2,5", false}, {21, "2.5", true},       {22, "1", true},    {23, "0", false}, {24, "1", true},
           {25, "0", true},    {26, "0", true},         {28, "10", false},  {29, "9", true},  {30, "8;9", true},
           {31, "6,7", true},  {31, "6", false},
           // A cell that is not a number takes the default: 0 for "≥" and for "≤" on "Период", 65535 else.
       }) {
    SCOPED_TRACE(testing::Message() << LevelModeCode(c.Mode) << " " << c.Value);
    EXPECT_EQ(RowMatches(row, static_cast<uint8_t>(c.Mode), c.Value), c.Expected);
  }
  // "-" tested by a list condition, and a threshold that is no whole number, stop the script.
  EXPECT_THROW(RowMatches(row, 27, "1"), std::runtime_error);
  EXPECT_THROW(RowMatches(row, 1, "2.5"), std::runtime_error);
  EXPECT_THROW(RowMatches(row, 17, "a"), std::runtime_error);
}

// --- Runs ---

TEST_F(ScriptRunnerTest, StakeModesOverAListOfTwentyOneCombinations) {
  UseSevenNumbers();
  ws.Config().Data.MaxStake = 40;  // used as 12
  struct TCase {
    std::string Mode;
    std::vector<std::string> Stakes;
  };
  for (const TCase& c : std::vector<TCase>{
           {"FIRST", {"1 2 3 4 5"}},
           {"LAST", {"3 4 5 6 7"}},
           {"EXT", {"1 2 3 4 5 6 7"}},  // 7 numbers, first-seen order, within MaxStake
           {"NONE", {}},
           {"SKIP", {}},
       }) {
    SCOPED_TRACE(c.Mode);
    ws.Stakes().Clear();
    ASSERT_TRUE(runner.Forecast({Line("FULL:0#" + c.Mode, {}, "комментарий")}));
    std::vector<std::string> made;
    for (const auto& r : Stakes()) made.push_back(Numbers(r));
    EXPECT_EQ(made, c.Stakes);
  }
  ws.Stakes().Clear();
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#ALL", {})}));
  const auto all = Stakes();
  ASSERT_EQ(all.size(), 21u);
  EXPECT_EQ(runner.StakeCount(), 21);
  EXPECT_EQ(host.Panels[3], "Ставок: 21");
  const TStakeData& r = all[0];
  EXPECT_EQ(r.Kind, StakeScript);
  EXPECT_EQ(r.DrawNumber, 41);
  EXPECT_EQ(r.SampleSize, 21);
  EXPECT_EQ(r.Checked, 0);
  EXPECT_EQ(r.Profit, -10 * MoneyScale);
  EXPECT_EQ(r.Comment, "01.000: @ FULL#ALL");

  // The description is the comment cut to 255 characters, as the journal keeps it.
  ws.Stakes().Clear();
  std::string stakeComment;
  runner.OnStakeAdded = [&](const TStakeData& added) { stakeComment = added.Comment; };
  const std::string longComment(300, 'x');
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#FIRST", {}, longComment)}));
  EXPECT_EQ(Stakes().at(0).Comment, ("01.000: " + longComment).substr(0, 255));
  EXPECT_EQ(stakeComment, Stakes().at(0).Comment);
  runner.OnStakeAdded = nullptr;

  // STOP with more than one combination stops the run with the warning.
  ws.Stakes().Clear();
  port.Messages.clear();
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#STOP", {}), Line("FULL:0#FIRST", {})}));
  EXPECT_TRUE(Stakes().empty());
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Caption, "Внимание!");
  EXPECT_EQ(port.Messages[0].Text,
            "Выполнение сценария прервано, т.к. после применения всех фильтров в списке комбинаций их осталось более "
            "одной: 21!\r\rФильтры: 01.000: @ FULL#STOP");
}

TEST_F(ScriptRunnerTest, OneCombinationIsStakedEvenUnderStopAndSkipButNeverUnderNone) {
  ws.Config().Gen = {2, "4;9;17;23;41"};
  for (const std::string mode : {"STOP", "SKIP", "NONE"}) {
    ws.Stakes().Clear();
    ASSERT_TRUE(runner.Forecast({Line("FULL:0#" + mode, {})}));
    EXPECT_EQ(Stakes().size(), mode == "NONE" ? 0u : 1u) << mode;
  }
  EXPECT_TRUE(port.Messages.empty());
}

TEST_F(ScriptRunnerTest, ExtendedStakeIsCutToMaxStakeClampedToItsRange) {
  ws.Config().Gen = {2, "1-15"};  // 15 distinct numbers
  ws.Config().Gen.Parameters = "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15";
  struct TCase {
    int32_t MaxStake;
    int Expected;
  };
  for (const TCase& c : std::vector<TCase>{{12, 12}, {9, 9}, {99, 12}, {3, 6}, {-5, 6}}) {
    ws.Stakes().Clear();
    ws.Config().Data.MaxStake = c.MaxStake;
    runner.SetSeed(7);
    ASSERT_TRUE(runner.Forecast({Line("FULL:0#EXT", {})}));
    const auto stakes = Stakes();
    ASSERT_EQ(stakes.size(), 1u);
    const TStakeNumbers& n = stakes[0].Numbers;
    EXPECT_EQ(n.Count, c.Expected) << c.MaxStake;
    // What is left keeps the first-seen order.
    EXPECT_TRUE(std::is_sorted(n.Values.begin(), n.Values.begin() + n.Count));
  }
  // The same seed gives the same stake.
  const auto once = Stakes()[0].Numbers;
  ws.Stakes().Clear();
  runner.SetSeed(7);
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#EXT", {})}));
  EXPECT_EQ(Stakes()[0].Numbers, once);
}

TEST_F(ScriptRunnerTest, NewOnlySkipsStakesTheJournalHas) {
  UseSevenNumbers();
  ws.Script().Log().SetEnabled(true);
  const Lines script = {Line("FULL:0#FIRST#NEX", {}), Line("FULL:0#FIRST#NEX", {})};
  ASSERT_TRUE(runner.Forecast(script));
  EXPECT_EQ(Stakes().size(), 1u);
  const Lines log = LogEntries();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "{-} Ставка на тираж 41 не добавлена, так как уже имеется в списке ставок: [1;2;3;4;5]"),
            log.end());
}

TEST_F(ScriptRunnerTest, BackTestRunsTheOldestOffsetFirstAndRestoresTheOffset) {
  UseSevenNumbers();
  ws.SetDrawsOffset(5);
  std::vector<int> offsets;
  host.OnPump = [&] {
    if (offsets.empty() || offsets.back() != ws.Archive().DrawsOffset()) offsets.push_back(ws.Archive().DrawsOffset());
  };
  ASSERT_TRUE(runner.BackTest({Line("FULL:0#FIRST", {})}, 3));
  EXPECT_EQ(offsets, (std::vector<int>{5, 3, 2, 1, 5}));
  EXPECT_EQ(ws.Archive().DrawsOffset(), 5);
  std::vector<int32_t> draws;
  for (const auto& r : Stakes()) draws.push_back(r.DrawNumber);
  EXPECT_EQ(draws, (std::vector<int32_t>{38, 39, 40}));
  // Each was due and checked after its line.
  for (const auto& r : Stakes()) EXPECT_EQ(r.Checked, 1);
  EXPECT_EQ(host.Running, (std::vector<bool>{true, false}));
  EXPECT_EQ(runner.Cycle(), 0);
  EXPECT_FALSE(runner.Running());

  EXPECT_EQ(host.Panels[4], "Сценарий завершен!");

  // Stopped during offset 2 (cycle 2): the archive returns to its offset all the same, so that a
  // forecast after it is for the next draw, and the panel names the cycle.
  host.OnPump = [&] {
    if (ws.Archive().DrawsOffset() == 2) runner.RequestStop();
  };
  ASSERT_TRUE(runner.BackTest({Line("FULL:0#FIRST", {})}, 3));
  EXPECT_EQ(ws.Archive().DrawsOffset(), 5);
  EXPECT_FALSE(runner.StopRequested());
  EXPECT_EQ(host.Panels[4], "Тест остановлен на цикле 2 из 3.");
}

TEST_F(ScriptRunnerTest, StopAsksFirstWithNoAsTheDefault) {
  UseSevenNumbers();
  bool asked = false;
  host.OnPump = [&] {
    if (asked) return;
    asked = true;
    port.Answers = {false};
    EXPECT_FALSE(runner.AskStop());
    port.Answers.push_back(true);
    EXPECT_TRUE(runner.AskStop());
  };
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#FIRST", {}), Line("FULL:0#LAST", {})}));
  EXPECT_TRUE(Stakes().empty());
  ASSERT_EQ(port.Messages.size(), 2u);
  EXPECT_EQ(port.Messages[0].Text, "Остановить выполнение сценария?");
  EXPECT_EQ(port.Messages[0].Caption, "Подтверждение");
  EXPECT_FALSE(port.Messages[0].DefaultYes);
  EXPECT_FALSE(runner.AskStop());  // not running
}

TEST_F(ScriptRunnerTest, ClearStakesInABackTestLetsTheDueStakesReachTheRatings) {
  UseSevenNumbers();
  ws.Stakes().SetCheckOnLine(false);
  ASSERT_TRUE(runner.BackTest({Line("FULL:0#FIRST#CLR", {}, "чистка")}, 3));
  // Each offset's stake was checked before the next offset cleared the journal.
  ASSERT_EQ(ws.Ratings().Ratings().Count(), 1);
  EXPECT_EQ(ws.Ratings().Ratings().Rows()[0].Stakes, 3);
  // Only the last offset's stake is left.
  EXPECT_EQ(Stakes().size(), 1u);
}

TEST_F(ScriptRunnerTest, TooManyVariantsAreRefusedBeforeAnythingIsMade) {
  const std::string command = "TSD1#SUMS:1-1001;1#LMV:1-1000;1#SF:0";
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#FIRST", {command})}));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(
      port.Messages[0].Text,
      "Вы задали слишком много вариантов фильтров - программа не сможет обработать их все!\rПожалуйста, уменьшите "
      "в каждом из фильтров количество вариантов длины выборки и глубины, а затем повторите попытку.\r\r"
      "Количество вариантов фильтров в строке 1: 1001000, допустимо не более 1000000.");
  EXPECT_TRUE(Stakes().empty());
}

TEST_F(ScriptRunnerTest, ErrorsStopTheRunWithTheirMessage) {
  UseSevenNumbers();
  ws.Stats().AllFavorites = false;
  ws.Stats().SetFavoritesText("NUMS");
  const std::string sums = "TSD1#SUMS:10#LNO:#SF:0";
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#FIRST", {sums}), Line("FULL:0#FIRST", {})}));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Метод расчета статистики \"SUMS\" на найден!\r" +
                                       ws.Stats().MethodName(ws.Stats().Item(ws.Stats().FindCode("SUMS"))) +
                                       "\r\rВозможно, Вы отключили данных метод расчета либо использовали сценарий от "
                                       "другой модификации программы.");
  EXPECT_TRUE(Stakes().empty());
  // The registry's coefficients come back after the run.
  EXPECT_FALSE(runner.Running());
  EXPECT_EQ(host.Panels[4], "Сценарий прерван из-за ошибки.");

  // In a back-test: the offset comes back and the panel names the cycle.
  ws.SetDrawsOffset(4);
  ASSERT_TRUE(runner.BackTest({Line("FULL:0#FIRST", {sums})}, 3));
  EXPECT_EQ(ws.Archive().DrawsOffset(), 4);
  EXPECT_EQ(host.Panels[4], "Тест прерван из-за ошибки на цикле 1 из 3.");

  // A command the interpreter refuses names the line to mend.
  port.Messages.clear();
  ws.Stats().AllFavorites = true;
  ASSERT_TRUE(runner.Forecast({"", Line("FULL:0#FIRST", {"TSD1#SUMS:10#LMV:#SF:0"})}));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Некорректное описание фильтра: TSD1#SUMS:10#LMV:#SF:0!\rСтрока сценария: 2.");
}

// The walk over the table of "NUMS" (one row per number) on the list of the 21 combinations of 1..7.
// Sort column 0 is descending in a script, so walking from the bottom meets 1, 2, 3, ...: removing 1
// leaves the 6 combinations of 2..7, removing 2 the one of 3..7, and every later removal of 3..7
// would empty the list and is undone (two rows of the list's log each).
TEST_F(ScriptRunnerTest, StopModesEndTheWalkWhereTheyShould) {
  UseSevenNumbers();
  struct TCase {
    std::string Command;
    uint32_t Left;
    size_t LogRows;
  };
  for (const TCase& c : std::vector<TCase>{
           {"BSD0#NUMS:40#LNO:#SF:0", 1, 50},     // every row: 2 steps, 5 undone, 38 that change nothing
           {"BSD0#NUMS:40#LNO:#SZ:0", 1, 4},      // ends at the first step that is undone
           {"BSD0#NUMS:40#LNO:#ST:1", 6, 1},      // one successful step
           {"BSD0#NUMS:40#LNO:#SC:6", 6, 1},      // 6 or fewer combinations left
           {"BSD0#NUMS:40#LNO:#SE:6", 6, 1},      // 6 or fewer distinct numbers left
           {"BSD0#NUMS:40#LNO:#SE:99", 21, 0},    // a target above MaxStake is MaxStake (12): 7 are few enough
           {"BSD0#NUMS:40#LNO:#SV:1000", 1, 50},  // walking up stops at Количество >= 1000: never
           {"TSD0#NUMS:40#LNO:#SV:1000", 21, 0},  // walking down stops at Количество <= 1000: at once
           {"BSD0#NUMS:40#LNO:#SP:0", 21, 0},     // Кол-во в % >= 0 walking up: at once
           {"BMD0#NUMS:40#LNO:#ST:2", 1, 1},      // multiple: rows 1 and 2 removed at once
           {"BMF0#NUMS:40#LNO:#ST:2", 20, 1},     // keeping them: every combination with 1 or 2
           {"BMD0#NUMS:40#LNO:#SF:0", 21, 2},     // removing every number empties the list: undone
       }) {
    SCOPED_TRACE(c.Command);
    ASSERT_TRUE(runner.Forecast({Line("FULL:0#NONE", {c.Command})}));
    EXPECT_EQ(ws.Combs().List().Count(), c.Left);
    EXPECT_EQ(ws.Combs().List().Log().size(), c.LogRows);
  }
}

TEST_F(ScriptRunnerTest, TheLogOfASmallRun) {
  UseSevenNumbers();
  ws.Script().Log().SetEnabled(true);
  ws.SetDrawsOffset(2);
  ASSERT_TRUE(
      runner.Forecast({Line("FULL:0#FIRST", {"TSD1#EVEN:4#CMV:1-3;2#ST:1"}, "мой"), "", Line("CURR:0#NONE", {})}));
  // Descending by "Количество", ties by "Значение" descending. Variant 1 (at least 1): the walk
  // from the top removes the 12 combinations of 1..7 with two even numbers and stops after one
  // step. Variant 2 (at least 3): no row matches, the list stays whole.
  const std::string expected =
      R"LOG(### ЗАПУСК СЦЕНАРИЯ ##########################################################################
==============================================================================================
=== Выполнение сценария для смещения 000002 ==================================================
==============================================================================================
----------------------------------------------------------------------------------------------
Выполнение строки 001: "FULL:0#FIRST|TSD1#EVEN:4#CMV:1-3;2#ST:1| | | | | | |мой"
----------------------------------------------------------------------------------------------
Создание всех вариантов фильтров...
Создано 2 вариантов фильтров.

----------------------------------------------------------------------------------------------
Применение набора фильтров 001: "TSD#EVEN:4#CMV:1#ST:1"
----------------------------------------------------------------------------------------------
Создание начального списка комбинаций...
Количество комбинаций в списке: 21
Анализ тиражей и расчет статистики "{ num } Количество четных чисел в тираже (Ч:Н) [ NG ]" для выборки в 4 тиражей...
< [2:3] кол-во: 2 (50.00000 %), отклонение: - (- %), глубина: 3 (100.00 %), вес: 3.00 >
< [4:1] кол-во: 1 (25.00000 %), отклонение: - (- %), глубина: 2 (66.67 %), вес: 2.00 >
< [3:2] кол-во: 1 (25.00000 %), отклонение: - (- %), глубина: 1 (33.33 %), вес: 1.00 >
< [5:0] кол-во: 0 (0.00000 %), отклонение: - (- %), глубина: - (- %), вес: - >
< [1:4] кол-во: 0 (0.00000 %), отклонение: - (- %), глубина: - (- %), вес: - >
Шаг 001. Выделение строки: < [2:3] кол-во: 2 (50.00000 %), отклонение: - (- %), глубина: 3 (100.00 %), вес: 3.00 >
Удаляем выделенные значения...
Количество комбинаций в списке: 9
{*} Добавление ставки, режим: "Выбрать первую комбинацию в списке"
{+} Ставка на тираж 39 добавлена в список ставок: [1;2;3;4;6]
----------------------------------------------------------------------------------------------

----------------------------------------------------------------------------------------------
Применение набора фильтров 002: "TSD#EVEN:4#CMV:3#ST:1"
----------------------------------------------------------------------------------------------
Создание начального списка комбинаций...
Количество комбинаций в списке: 21
Анализ тиражей и расчет статистики "{ num } Количество четных чисел в тираже (Ч:Н) [ NG ]" для выборки в 4 тиражей...
< [2:3] кол-во: 2 (50.00000 %), отклонение: - (- %), глубина: 3 (100.00 %), вес: 3.00 >
< [4:1] кол-во: 1 (25.00000 %), отклонение: - (- %), глубина: 2 (66.67 %), вес: 2.00 >
< [3:2] кол-во: 1 (25.00000 %), отклонение: - (- %), глубина: 1 (33.33 %), вес: 1.00 >
< [5:0] кол-во: 0 (0.00000 %), отклонение: - (- %), глубина: - (- %), вес: - >
< [1:4] кол-во: 0 (0.00000 %), отклонение: - (- %), глубина: - (- %), вес: - >
{*} Добавление ставки, режим: "Выбрать первую комбинацию в списке"
{+} Ставка на тираж 39 добавлена в список ставок: [1;2;3;4;5]
----------------------------------------------------------------------------------------------
----------------------------------------------------------------------------------------------
Выполнение строки 003: "CURR:0#NONE| | | | | | | |"
----------------------------------------------------------------------------------------------
Создание всех вариантов фильтров...
Создано 0 вариантов фильтров.
{ERROR} Фильтры не применялись!

Количество комбинаций в списке: 21
{*} Добавление ставки, режим: "Не делать ставок (для последовательного выполнения)"
### ЗАВЕРШЕНИЕ СЦЕНАРИЯ ######################################################################
)LOG";
  Lines lines;
  for (size_t b = 0, e; (e = expected.find('\n', b)) != std::string::npos; b = e + 1)
    lines.push_back(expected.substr(b, e - b));
  EXPECT_EQ(LogEntries(), lines);
}

// The reuse of tables, starting lists and the states after shared parts changes nothing that can be
// seen: the journal, the log, the list and its log are those of a run that makes everything anew.
TEST_F(ScriptRunnerTest, ReuseChangesNothingThatCanBeSeen) {
  const Lines script = {
      Line("EXCL:2#FIRST", {"TSD1#NUMS:10#CMV:1#ST:2", "BMD2#EVEN:5,8#LNO:#ST:1-2;1", "TSD0#SUMS:6#LMV:1#SC:5"}, "a"),
      Line("FULL:0#LAST#CLR", {"BSF1#NUMS:12#CLV:0-1;1#SC:200", "TMD8#PRIM:10,20#WMV:1#SF:0"}), "",
      Line("CURR:0#EXT", {"TSD1#SMAL:7#LNO:#SE:9"}, "b"),
      Line("EXCL:4#ALL", {"TSD1#NUMS:10#CMV:1#SC:3", "TSD1#SUMS:10#LNO:#SC:1"})};
  test::TTempDir other;
  TRecordingPort otherPort;
  TWorkspace plain(other.Path(), otherPort);
  plain.LoadSettingsAndConfig();
  for (int i = 0; i < ws.Archive().Count(); ++i) plain.Archive().Append(ws.Archive().Stored(i));
  plain.Combs().ReserveLists();
  ASSERT_TRUE(plain.Stakes().Load());
  plain.Ratings().Load();
  plain.Runner().SetReuse(false);
  for (TWorkspace* w : {&ws, &plain}) {
    w->Config().Data = ws.Config().Data;
    w->Script().Log().SetEnabled(true);
    w->Runner().SetSeed(3);
    ASSERT_TRUE(w->Runner().BackTest(script, 3));
  }
  EXPECT_LT(runner.TablesComputed(), plain.Runner().TablesComputed());
  const auto journal = [](TWorkspace& w) {
    std::vector<TStakeData> records;
    for (int i = 0; i < w.Stakes().Journal().Count(); ++i)
      records.push_back(w.Stakes().Journal().Read(TStakeOrigin::Begin, i));
    return records;
  };
  const auto a = journal(ws), b = journal(plain);
  EXPECT_GT(a.size(), 10u);
  EXPECT_EQ(a, b);
  const auto log = [](const std::filesystem::path& folder) {
    const std::string text = ReadWholeFile(FindScriptLogs(folder).at(0));
    std::string entries;
    for (size_t b = 0, e; (e = text.find("\r\n", b)) != std::string::npos; b = e + 2)
      entries += text.substr(b + 23, e - b - 23) + "\n";
    return entries;
  };
  EXPECT_EQ(log(dir.Path()), log(other.Path()));
  EXPECT_TRUE(std::ranges::equal(ws.Combs().List().Items(), plain.Combs().List().Items()));
  EXPECT_EQ(ws.Combs().List().Log(), plain.Combs().List().Log());
  EXPECT_EQ(ws.Ratings().Ratings().Rows(), plain.Ratings().Ratings().Rows());
}

// The latest draws left out of a prepared generation by search give what a pass over the list
// gives, also when one of them is damaged (a repeated number) or stored out of order.
TEST_F(ScriptRunnerTest, ExcludedDrawsMatchAPassOverTheList) {
  const int last = ws.Archive().High();
  for (const TComb damaged : {TComb{9, 9, 10, 11, 12}, TComb{40, 2, 33, 7, 18}}) {
    ws.Archive().Replace(last - 1, MakeDraw(ws.Archive().Stored(last - 1).Number, damaged));
    std::vector<std::vector<TComb>> lists;
    std::vector<std::vector<TFilterLogRow>> logs;
    for (bool reuse : {true, false}) {
      runner.SetReuse(reuse);
      ASSERT_TRUE(runner.Forecast({Line("EXCL:3#NONE", {"TSD1#NUMS:10#CMV:1#ST:1"})}));
      lists.emplace_back(ws.Combs().List().Items().begin(), ws.Combs().List().Items().end());
      logs.push_back(ws.Combs().List().Log());
    }
    EXPECT_TRUE(lists[0] == lists[1]);
    EXPECT_EQ(logs[0], logs[1]);
    ASSERT_FALSE(logs[0].empty());
    // A draw with a repeated number is compared by shared numbers, as the list's own removal does.
    EXPECT_EQ(logs[0][0].Count, damaged[0] == 9 ? 1221759u - 2 - 41 : 1221759u - 3);
  }
}

// Offsets computed on two threads and committed in order leave the journal, the ratings, the log,
// the messages, the list and the statistics tab as one thread does; a script whose first line
// continues the previous offset's list runs on one thread.
TEST_F(ScriptRunnerTest, TwoThreadsCommitWhatOneThreadDoes) {
  ws.Config().Data.MaxStake = 7;
  const std::vector<Lines> scripts = {
      {Line("EXCL:2#FIRST", {"TSD1#NUMS:10#CMV:1#ST:2", "BMD2#EVEN:5,8#LNO:#ST:1-2;1", "TSD0#SUMS:6#LMV:1#SC:5"}, "a"),
       Line("FULL:0#LAST#CLR", {"BSF1#NUMS:12#CLV:0-1;1#SC:200", "TMD8#PRIM:10,20#WMV:1#SF:0"}), "",
       Line("CURR:0#EXT", {"TSD1#SMAL:7#LNO:#SE:9"}, "b"), Line("FULL:0#RAND", {"TSD1#SUMS:10#LNO:#ST:4"}),
       Line("EXCL:4#ALL", {"TSD1#NUMS:10#CMV:1#SC:3", "TSD1#SUMS:10#LNO:#SC:1"})},
      // Stopped by STOP in some offset: the offsets after it are not committed.
      {Line("FULL:0#STOP", {"TSD1#NUMS:10#LNO:#ST:1"})},
      {Line("CURR:0#FIRST", {"TSD1#NUMS:10#LNO:#SC:1"})}};
  for (size_t s = 0; s < scripts.size(); ++s) {
    struct TRun {
      std::vector<TStakeData> Journal;
      Lines Log;
      std::vector<TComb> List;
      std::vector<TFilterLogRow> ListLog;
      TRatingsArray Ratings;
      std::vector<std::string> Messages;
      int Offset, Item, Length, Threads;
    };
    std::vector<TRun> runs;
    for (int threads : {1, 2}) {
      test::TTempDir folder;
      TRecordingPort port;
      TWorkspace w(folder.Path(), port);
      w.LoadSettingsAndConfig();
      for (int i = 0; i < ws.Archive().Count(); ++i) w.Archive().Append(ws.Archive().Stored(i));
      w.Config().Data = ws.Config().Data;
      w.Combs().ReserveLists();
      ASSERT_TRUE(w.Stakes().Load());
      w.Ratings().Load();
      w.Script().Log().SetEnabled(true);
      w.Runner().SetSeed(5);
      w.Runner().SetThreads(threads);
      ASSERT_TRUE(w.Runner().BackTest(scripts[s], 6));
      TRun run;
      for (int i = 0; i < w.Stakes().Journal().Count(); ++i)
        run.Journal.push_back(w.Stakes().Journal().Read(TStakeOrigin::Begin, i));
      const std::string text = ReadWholeFile(FindScriptLogs(folder.Path()).at(0));
      for (size_t b = 0, e; (e = text.find("\r\n", b)) != std::string::npos; b = e + 2)
        run.Log.push_back(text.substr(b + 23, e - b - 23));
      run.List.assign(w.Combs().List().Items().begin(), w.Combs().List().Items().end());
      run.ListLog = w.Combs().List().Log();
      run.Ratings = w.Ratings().Ratings().Rows();
      for (const auto& m : port.Messages) run.Messages.push_back(m.Text);
      run.Offset = w.Archive().DrawsOffset();
      run.Item = w.StatTab().Item();
      run.Length = w.StatTab().WindowLength();
      run.Threads = w.Runner().ThreadsUsed();
      runs.push_back(std::move(run));
    }
    const TRun &one = runs[0], &two = runs[1];
    EXPECT_EQ(one.Threads, 1);
    EXPECT_EQ(two.Threads, s == 2 ? 1 : 2) << "script " << s;
    if (s == 0) {
      EXPECT_GT(one.Journal.size(), 10u);
    }
    if (s == 1) {
      EXPECT_EQ(one.Messages.size(), 1u);  // STOP in the first cycle
    }
    EXPECT_EQ(one.Journal, two.Journal) << "script " << s;
    EXPECT_EQ(one.Log, two.Log) << "script " << s;
    EXPECT_TRUE(one.List == two.List) << "script " << s;
    EXPECT_EQ(one.ListLog, two.ListLog) << "script " << s;
    EXPECT_EQ(one.Ratings, two.Ratings) << "script " << s;
    EXPECT_EQ(one.Messages, two.Messages) << "script " << s;
    EXPECT_EQ(one.Offset, two.Offset) << "script " << s;
    EXPECT_EQ(one.Item, two.Item) << "script " << s;
    EXPECT_EQ(one.Length, two.Length) << "script " << s;
  }
}

TEST_F(ScriptRunnerTest, SystemModesExpandTheLocalSystem) {
  UseSevenNumbers();  // distinct numbers 1..7 in first-seen order
  ws.Script().Log().SetEnabled(true);
  std::filesystem::create_directories(SystemsFolder(dir.Path()));
  WriteFileAtomic(SystemsFolder(dir.Path()) / SystemFileName(7, 3, 12), "1 2 3 4 5\r\n7-6-5-4-3\r\n\r\n1,2,3,4,7\r\n");
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#SYSA", {}), Line("FULL:0#SYSC", {})}));
  std::vector<std::string> made;
  for (const auto& r : Stakes()) made.push_back(Numbers(r));
  // SYSC stakes the same three: every one is in the list of all combinations of 1..7.
  EXPECT_EQ(made,
            (std::vector<std::string>{"1 2 3 4 5", "3 4 5 6 7", "1 2 3 4 7", "1 2 3 4 5", "3 4 5 6 7", "1 2 3 4 7"}));
  const Lines log = LogEntries();
  EXPECT_NE(
      std::find(log.begin(), log.end(), "{#} Системная игра для 7 чисел [все система]: загружен файл \"5-07-3_0012\""),
      log.end());

  // No system for 6 numbers: only the short message in the log.
  ws.Config().Gen = {2, "1;2;3;4;5;6"};
  ws.Script().Log().SetEnabled(false);
  std::filesystem::remove_all(dir.Path() / "unused");
  port.Messages.clear();
  ws.Stakes().Clear();
  ASSERT_TRUE(runner.Forecast({Line("FULL:0#SYSA", {})}));
  EXPECT_TRUE(Stakes().empty());
  EXPECT_TRUE(port.Messages.empty());
}

}  // namespace
}  // namespace kivra

namespace kivra {
namespace {

// kivra-cli runs the working script, or a file, on the data folder as the window would.
TEST(ScriptRunnerCli, ForecastTestAndSystemsExpand) {
  test::TTempDir dir;
  const auto data = dir / "data";
  const auto run = [&](const std::string& args) { return test::RunCli(data, args, dir / "err.txt"); };
  std::string csv;
  for (int d = 1; d <= 30; ++d)
    csv += std::to_string(d) + ";\"2020-01-01\";" + std::to_string(1 + d % 40) + ";" + std::to_string(2 + d % 40) +
           ";" + std::to_string(3 + d % 40) + ";" + std::to_string(4 + d % 40) + ";" + std::to_string(5 + d % 40) +
           "\n";
  WriteFileAtomic(dir / "draws.csv", csv);
  ASSERT_EQ(run("import-csv '" + (dir / "draws.csv").string() + "'").Status, 0);
  WriteFileAtomic(data / "Kivra_5x45.ini",
                  "[GLOBAL]\r\nCombsGenerateMode=2\r\nCombsGenerateParameters=1;2;3;4;5;6;7\r\n");
  WriteFileAtomic(dir / "a.lsc", Utf8ToCp1251("FULL:0#LAST| | | | | | | |тест\r\n"));

  auto r = run("forecast --script '" + (dir / "a.lsc").string() + "' --offset 4 --log");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "27;3 4 5 6 7;01.000: тест @ FULL#LAST\nСтавок: 1, смещение: 4, комбинаций: 21\n");
  EXPECT_EQ(FindScriptLogs(data).size(), 1u);

  // The working script; the offset comes back after the test.
  WriteFileAtomic(data / "Kivra_5x45.lss", Utf8ToCp1251("FULL:0#FIRST| | | | | | | |\r\n"));
  r = run("test 2");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "29;1 2 3 4 5;01.000: @ FULL#FIRST\n30;1 2 3 4 5;01.000: @ FULL#FIRST\nСтавок: 2, смещение: 0, "
            "комбинаций: 21\n");
  r = run("stakes list");
  EXPECT_NE(r.Out.find("29"), std::string::npos);
  EXPECT_EQ(run("test 30").Status, 2);
  // The stakes this test made, compared with chance after its summary line.
  r = run("test 2 --chance --runs 200 --seed 3");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("комбинаций: 21\nstakes;2\ndraws;2\nprofit;0.00\nmatches_2;0\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("\nruns;200\nseed;3\n"), std::string::npos) << r.Out;
  r = run("test 2 --chance --runs 50");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Количество прогонов должно быть от 100 до 1000000 (задано 50)!"), std::string::npos);

  std::filesystem::create_directories(data / "Systems");
  WriteFileAtomic(data / "Systems" / "5-06-2_0003.dat", "1 2 3 4 6\r\n");
  r = run("systems expand 7,3,9,1,12,20");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "5-06-2_0003\n1;3;7;9;20\n");
  r = run("systems expand 1,2,3,4,5,6,7");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Система для 7 чисел не найдена или не загружена на компьютер!"), std::string::npos);
}

}  // namespace
}  // namespace kivra
