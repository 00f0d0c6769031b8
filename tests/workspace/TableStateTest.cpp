// The regular stakes state of the workspace and kivra-cli's regular commands: the back-test's
// stakes in their order, checked and rated; the tab's visibility governing loading and saving; the
// add, delete and one-stake commands; the rules through the cli.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;

// Draw d (1..20) holds d, d+10, d+20, d+30 and 45 (45 only for d < 15 where it is free).
TComb DrawNums(int d) { return {uint8_t(d), uint8_t(d + 10), uint8_t(d + 20), uint8_t(d + 24), 45}; }

TTableData Rule(std::string_view comment, uint8_t mode, TComb start, int32_t step) {
  TTableData r;
  r.Comment = Utf8ToCp1251(comment);
  r.Mode = mode;
  r.Start = r.Current = start;
  r.Step = step;
  return r;
}

class TableStateTest : public ::testing::Test {
 protected:
  TableStateTest() {
    ws.LoadSettingsAndConfig();
    ws.Config().Data.Cost = 10 * MoneyScale;
    ws.Config().Data.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 100 * MoneyScale}, {4, 0}, {5, 0}};
    for (int d = 1; d <= 20; ++d) ws.Archive().Append(MakeDraw(d, DrawNums(d)));
    ws.Combs().ReserveLists();
    tables.SetViewHandler([this] { ++views; });
    EXPECT_TRUE(ws.Stakes().Load());
    tables.Load();
  }
  std::vector<TStakeData> Journal() {
    std::vector<TStakeData> records;
    for (int i = 0; i < ws.Stakes().Journal().Count(); ++i)
      records.push_back(ws.Stakes().Journal().Read(TStakeOrigin::Begin, i));
    return records;
  }
  std::string FileBytes() { return test::ReadBytes(tables.Tables().File()); }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
  TTableState& tables = ws.Tables();
  int views = 0;
};

TEST_F(TableStateTest, BackTestStakesEveryRuleForEveryDrawAndChecksThemAtOnce) {
  tables.Add(Rule("Сдвиг", 0, {41, 42, 43, 44, 45}, 1), std::vector<TListComb>{{0, {41, 42, 43, 44, 45}}});
  tables.Add(Rule("Тираж", 1, {}, -3), std::vector<TListComb>{});
  tables.Add(Rule("Лишний", 1, {}, 7), std::vector<TListComb>{});
  ASSERT_EQ(tables.Count(), 3);
  ws.SetDrawsOffset(2);
  ASSERT_TRUE(tables.Test({0, 1}, 5));

  // a = 5..1: the rules in list order, each stake for the draw after the one at offset a.
  const std::vector<TStakeData> records = Journal();
  ASSERT_EQ(records.size(), 10u);
  TComb shifted = {41, 42, 43, 44, 45};
  for (int k = 0; k < 5; ++k) {
    const int draw = 20 - (5 - k);  // the draw at offset a = 5 - k
    const TStakeData& moved = records[2 * k];
    const TStakeData& fromDraw = records[2 * k + 1];
    for (uint8_t& n : shifted) n = n % 45 + 1;
    TComb sorted = shifted;
    std::sort(sorted.begin(), sorted.end());
    TComb expected = DrawNums(draw);
    for (uint8_t& n : expected) n = n > 3 ? n - 3 : n + 42;
    std::sort(expected.begin(), expected.end());
    for (const auto& [record, comment, numbers] :
         {std::tuple{moved, "Сдвиг", sorted}, std::tuple{fromDraw, "Тираж", expected}}) {
      EXPECT_EQ(record.Kind, StakeRegular);
      EXPECT_EQ(record.DrawNumber, draw + 1) << k;
      EXPECT_EQ(record.Comment, comment);
      EXPECT_EQ(record.Numbers.Count, 5);
      EXPECT_TRUE(std::equal(numbers.begin(), numbers.end(), record.Numbers.Values.begin())) << k << comment;
      EXPECT_EQ(record.Checked, 1) << k;
      EXPECT_EQ(record.DrawResult, DrawNums(draw + 1));
    }
  }
  // The rules moved on and were saved; the third was not selected; the analysis point is back.
  EXPECT_EQ(tables.Tables().Rows()[0].Count, 5);
  EXPECT_EQ(tables.Tables().Rows()[1].Count, 5);
  EXPECT_EQ(tables.Tables().Rows()[2].Count, 0);
  EXPECT_EQ(tables.Tables().Rows()[0].Current, (TComb{1, 2, 3, 4, 5}));
  EXPECT_EQ(ws.Archive().DrawsOffset(), 2);
  TTables saved(port, tables.Tables().File());
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Rows(), tables.Tables().Rows());
  // The ratings got one row per rule with its five stakes.
  ASSERT_EQ(ws.Ratings().Ratings().Count(), 2);
  for (const TRatingData& row : ws.Ratings().Ratings().Rows()) EXPECT_EQ(row.Stakes, 5) << row.CommentText();
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(port.BusyCount(), 0);

  // No tests: nothing happens.
  ASSERT_TRUE(tables.Test({0, 1}, 0));
  EXPECT_EQ(ws.Stakes().Journal().Count(), 10);
}

TEST_F(TableStateTest, HidingTheTabDropsTheRulesAndShowingItReadsThemAgain) {
  tables.Add(Rule("Один", 0, {1, 2, 3, 4, 5}, 2), std::vector<TListComb>{{0, {1, 2, 3, 4, 5}}});
  const std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), TableRecordSize);

  tables.SetShown(false);
  EXPECT_EQ(tables.Count(), 0);
  EXPECT_FALSE(ws.Settings().ReadSetting(StateSettingsSection, "TabTables", true));
  // Nothing is written while hidden.
  EXPECT_FALSE(tables.Save());
  EXPECT_EQ(FileBytes(), bytes);
  // A start-up with the tab hidden reads nothing.
  TRecordingPort otherPort;
  TWorkspace other(dir.Path(), otherPort);
  other.LoadSettingsAndConfig();
  other.Tables().Load();
  EXPECT_FALSE(other.Tables().Shown());
  EXPECT_EQ(other.Tables().Count(), 0);

  tables.SetShown(true);
  ASSERT_EQ(tables.Count(), 1);
  EXPECT_EQ(tables.Tables().Rows()[0].CommentText(), "Один");
  EXPECT_TRUE(ws.Settings().ReadSetting(StateSettingsSection, "TabTables", false));
}

TEST_F(TableStateTest, AddDeleteAndOneStake) {
  ASSERT_TRUE(ws.Combs().GenerateList(true, {2, "1;2;3;4;5;6"}));  // six combinations
  // Three selected in mode 0: one rule per combination, named by its position.
  TTableData dialog = tables.NewRule({0, 2, 5});
  EXPECT_EQ(dialog.CommentText(), "Регулярная ставка");
  EXPECT_EQ(dialog.Start, TComb{});
  dialog.Comment = Utf8ToCp1251("Test");
  EXPECT_EQ(tables.Add(dialog, std::vector<uint32_t>{0, 2, 5}), 3);
  // One selected: the dialog's rule starts from it.
  EXPECT_EQ(tables.NewRule({1}).Start, ws.Combs().List()[1]);
  std::vector<std::string> comments;
  for (const TTableData& r : tables.Tables().Rows()) comments.push_back(r.CommentText());
  EXPECT_EQ(comments, (std::vector<std::string>{"Test (1)", "Test (3)", "Test (6)"}));
  EXPECT_EQ(tables.Tables().Rows()[2].Start, ws.Combs().List()[5]);
  EXPECT_EQ(FileBytes().size(), 3 * TableRecordSize);

  // A stake from the second rule: nothing changes until it is committed.
  ws.SetDrawsOffset(4);
  const auto draft = tables.Draft(1);
  ASSERT_TRUE(draft);
  EXPECT_EQ(tables.Tables().Rows()[1].Count, 0);
  EXPECT_EQ(draft->Record.Kind, StakeRegular);
  EXPECT_EQ(draft->Record.DrawNumber, 17);
  EXPECT_EQ(draft->Record.Comment, "Test (3)");
  EXPECT_EQ(draft->Record.SampleSize, 6);
  EXPECT_EQ(draft->Record.Profit, -10 * MoneyScale);
  EXPECT_EQ(draft->Advanced.Count, 1);
  ASSERT_TRUE(tables.Commit(*draft, draft->Record, 1));
  EXPECT_EQ(tables.Tables().Rows()[1], draft->Advanced);
  EXPECT_EQ(ws.Stakes().Journal().Count(), 1);
  EXPECT_EQ(Journal()[0].Checked, 1);  // draw 17 is in the archive
  EXPECT_FALSE(tables.Draft(3));

  // Deleting the first and the last keeps the middle one.
  ASSERT_TRUE(tables.Delete({2, 0}));
  ASSERT_EQ(tables.Count(), 1);
  EXPECT_EQ(tables.Tables().Rows()[0].CommentText(), "Test (3)");
  EXPECT_EQ(FileBytes(),
            std::string(reinterpret_cast<const char*>(EncodeTable(draft->Advanced).data()), TableRecordSize));
  EXPECT_FALSE(tables.Delete({1}));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Запись со индексом 1 в файле данных не найдена!");
}

class RegularCliTest : public ::testing::Test {
 protected:
  RegularCliTest() {
    std::string csv;
    for (int d = 1; d <= 20; ++d) {
      const TComb n = DrawNums(d);
      csv += std::to_string(d) + ";01.01.2020;" + CombToText(n) + "\r\n";
    }
    test::WriteBytes(dir / "d.csv", csv);
    test::WriteBytes(dir / "Kivra_5x45.ini", "[STAKES]\nCost=10\n");
    EXPECT_EQ(Run("import-csv '" + (dir / "d.csv").string() + "'").Status, 0);
  }
  test::TCliRun Run(const std::string& args) { return test::RunCli(dir.Path(), args, dir / "stderr.txt"); }

  test::TTempDir dir;
};

TEST_F(RegularCliTest, RulesTheirStakesAndTheBackTest) {
  EXPECT_EQ(Run("regular add --start 45,44,43,42,41 --comment 'Сдвиг'").Out,
            "Сдвиг;41;42;43;44;45;41;42;43;44;45;1;0\n");
  EXPECT_EQ(Run("regular add --mode 1 --step -3 --comment 'Тираж'").Out, "Тираж;Предыдущий тираж;;-3;0\n");
  // The dialog's checks.
  for (const char* bad :
       {"regular add --comment 'тираж' --mode 1", "regular add --comment X", "regular add --start 1,2,3,4,4",
        "regular add --start 1,2,3,4,5 --comment ''", "regular add --mode 1 --step 46 --comment Y",
        "regular add --mode 2 --comment Y", "regular del 3", "regular test 20", "regular stake --rules 0"})
    EXPECT_EQ(Run(bad).Status, 2) << bad;
  EXPECT_NE(
      Run("regular add --comment 'тираж' --mode 1").Err.find("Запись с таким комментарием уже присутствует в списке!"),
      std::string::npos);

  // A stake for draw 21 from the first rule, then a back-test of both rules over three draws.
  EXPECT_EQ(Run("regular stake --rules 1").Out, "21;Регуляр;1;42;43;44;45;0;;;;-10.00;Сдвиг\n");
  const test::TCliRun test = Run("regular test 3");
  EXPECT_EQ(test.Status, 0) << test.Err;
  EXPECT_EQ(test.Out.substr(0, test.Out.find('\n')), "18;Регуляр;1;2;43;44;45;0;18;28;38;42;45;1;45;-10.00;Сдвиг");
  EXPECT_EQ(std::count(test.Out.begin(), test.Out.end(), '\n'), 6);
  EXPECT_EQ(Run("regular").Out, "Сдвиг;41;42;43;44;45;1;2;3;4;45;1;4\nТираж;Предыдущий тираж;16;26;36;40;42;-3;3\n");
  EXPECT_EQ(Run("regular del 1").Status, 0);
  EXPECT_EQ(Run("regular list").Out, "Тираж;Предыдущий тираж;16;26;36;40;42;-3;3\n");
  EXPECT_EQ(std::filesystem::file_size(dir / "Kivra_5x45.ltb"), TableRecordSize);
}

}  // namespace
}  // namespace kivra
