// Regular table stakes in the engine: moving a rule on (both modes, the cyclic step, damaged
// values), the rules the add command makes, the start combination text, the 276-byte record and
// the rules file.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/TextCodec.h"
#include "stakes/Tables.h"

namespace kivra {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

TTableData Rule(std::string_view comment, uint8_t mode, TComb start, int32_t step) {
  TTableData r;
  r.Comment = Utf8ToCp1251(comment);
  r.Mode = mode;
  r.Start = start;
  r.Current = start;
  r.Step = step;
  return r;
}

TEST(Tables, AdvancingShiftsCyclicallyAndSorts) {
  struct TCase {
    const char* name;
    uint8_t mode;
    TComb current;
    int32_t step;
    TComb previousDraw;
    std::vector<TComb> stakes;  // the Current after each advance
  };
  const TComb draw{2, 10, 20, 30, 44};
  const TCase cases[] = {
      {"mode 0 wraps past 45", 0, {41, 42, 43, 44, 45}, 1, draw, {{1, 42, 43, 44, 45}, {1, 2, 43, 44, 45}}},
      // 2 - 3 + 45 = 44 and 44 - 3 = 41; the draw 2 10 20 30 4 gives 1 7 17 27 44.
      {"mode 1 shifts the previous draw back", 1, {}, -3, draw, {{7, 17, 27, 41, 44}, {7, 17, 27, 41, 44}}},
      {"mode 1 wraps below 1", 1, {}, -3, {2, 10, 20, 30, 4}, {{1, 7, 17, 27, 44}}},
      {"mode 1 step 0 repeats the draw", 1, {5, 6, 7, 8, 9}, 0, {44, 2, 30, 10, 20}, {{2, 10, 20, 30, 44}}},
      {"mode 0 step 0 stands still", 0, {3, 9, 12, 40, 45}, 0, draw, {{3, 9, 12, 40, 45}, {3, 9, 12, 40, 45}}},
      {"step 45 is a full turn", 0, {1, 2, 3, 4, 45}, 45, draw, {{1, 2, 3, 4, 45}}},
      {"step -45 is a full turn", 0, {1, 2, 3, 4, 45}, -45, draw, {{1, 2, 3, 4, 45}}},
      {"step 44 is one back", 0, {1, 2, 3, 4, 45}, 44, draw, {{1, 2, 3, 44, 45}}},
      // Damaged files: a step beyond one turn, a mode other than 0 and 1 (works as 0).
      {"step 47 is two on", 0, {1, 2, 3, 4, 45}, 47, draw, {{2, 3, 4, 5, 6}}},
      {"step -91 is one back", 0, {1, 2, 3, 4, 45}, -91, draw, {{1, 2, 3, 44, 45}}},
      {"mode 7 works as mode 0", 7, {10, 11, 12, 13, 14}, 1, draw, {{11, 12, 13, 14, 15}}},
  };
  for (const TCase& c : cases) {
    TTableData rule = Rule("r", c.mode, c.current, c.step);
    for (size_t i = 0; i < c.stakes.size(); ++i) {
      EXPECT_EQ(AdvanceTable(rule, c.previousDraw), c.stakes[i]) << c.name << ", stake " << i + 1;
      EXPECT_EQ(rule.Current, c.stakes[i]) << c.name;
      EXPECT_EQ(rule.Count, static_cast<int32_t>(i + 1)) << c.name;
    }
    EXPECT_EQ(rule.Start, c.current) << c.name << ": the start never changes";
  }
}

TEST(Tables, ADamagedRuleNeverStakesANumberOutsideTheRange) {
  for (int32_t step : {INT32_MIN, INT32_MIN + 1, -1000, -46, 46, 1000, INT32_MAX})
    for (int n : {0, 1, 45, 46, 200, 255}) {
      const uint8_t shifted = ShiftTableNumber(n, step);
      EXPECT_TRUE(shifted >= 1 && shifted <= 45) << n << " by " << step;
    }
  // Within one turn the shift is the one-wrap shift of the program's arithmetic.
  for (int32_t step = -45; step <= 45; ++step)
    for (int n = 1; n <= 45; ++n) ASSERT_EQ(ShiftTableNumber(n, step), ShiftNumber(static_cast<uint8_t>(n), step));
  TTableData rule = Rule("r", 0, {0, 46, 90, 200, 255}, 3);
  rule.Count = INT32_MAX;
  EXPECT_EQ(AdvanceTable(rule, TComb{}), (TComb{3, 3, 4, 23, 33}));
  EXPECT_EQ(rule.Count, INT32_MAX);
}

TEST(Tables, ModeOneTakesTheDrawAtTheOffsetOfTheArchive) {
  TDrawsArchive archive;
  for (int d = 1; d <= 5; ++d) archive.Append(test::MakeDraw(d, {uint8_t(d), 11, 21, 31, 41}));
  TTableData rule = Rule("r", 1, {}, 1);
  EXPECT_EQ(AdvanceTable(rule, archive, 0), (TComb{6, 12, 22, 32, 42}));  // draw 5
  EXPECT_EQ(AdvanceTable(rule, archive, 3), (TComb{3, 12, 22, 32, 42}));  // draw 2
}

TEST(Tables, RulesMadeByTheAddCommand) {
  const TListComb a{4, {9, 3, 1, 2, 5}}, b{9, {6, 7, 8, 9, 10}}, c{20, {11, 12, 13, 14, 15}};
  struct TCase {
    const char* name;
    uint8_t mode;
    std::vector<TListComb> selected;
    std::vector<std::pair<std::string, TComb>> rules;  // comment and start (= current)
  };
  const TCase cases[] = {
      {"three selected, mode 0",
       0,
       {a, b, c},
       {{"Test (5)", {1, 2, 3, 5, 9}}, {"Test (10)", {6, 7, 8, 9, 10}}, {"Test (21)", {11, 12, 13, 14, 15}}}},
      {"three selected, mode 1", 1, {a, b, c}, {{"Test", {40, 41, 42, 43, 44}}}},
      {"one selected, mode 0: the dialog's start", 0, {a}, {{"Test", {40, 41, 42, 43, 44}}}},
      {"none selected, mode 0", 0, {}, {}},
      {"none selected, mode 1", 1, {}, {{"Test", {40, 41, 42, 43, 44}}}},
  };
  for (const TCase& t : cases) {
    TTableData dialog = Rule("Test", t.mode, {44, 43, 42, 41, 40}, -2);
    dialog.Current = {};
    dialog.Count = 9;
    const TTablesArray rules = MakeTableRules(dialog, t.selected);
    ASSERT_EQ(rules.size(), t.rules.size()) << t.name;
    for (size_t i = 0; i < rules.size(); ++i) {
      EXPECT_EQ(rules[i].CommentText(), t.rules[i].first) << t.name;
      EXPECT_EQ(rules[i].Start, t.rules[i].second) << t.name;
      EXPECT_EQ(rules[i].Current, t.rules[i].second) << t.name;
      EXPECT_EQ(rules[i].Count, 0) << t.name;
      EXPECT_EQ(rules[i].Step, -2) << t.name;
      EXPECT_EQ(rules[i].Mode, t.mode) << t.name;
    }
  }
}

TEST(Tables, StartCombinationText) {
  struct TCase {
    const char* text;
    std::optional<TComb> comb;
  };
  const TCase cases[] = {
      {"5;4;3;2;1", TComb{1, 2, 3, 4, 5}},
      {" 45 , 1; 2 ,3;44 ", TComb{1, 2, 3, 44, 45}},
      {"1;2;3;4", std::nullopt},
      {"1;2;3;4;5;6", std::nullopt},
      {"1;2;3;4;5;", std::nullopt},
      {"1;2;3;4;4", std::nullopt},
      {"0;2;3;4;5", std::nullopt},
      {"1;2;3;4;46", std::nullopt},
      {"1 2 3 4 5", std::nullopt},
      {"1;2;x;4;5", std::nullopt},
      {"", std::nullopt},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseTableStart(c.text), c.comb) << c.text;
}

TEST(Tables, RecordBytesAndTheRulesFile) {
  TTableData rule = Rule("Рег 1", 1, {1, 2, 3, 4, 5}, -3);
  rule.Current = {6, 7, 8, 9, 10};
  rule.Count = 0x01020304;
  const TTableBytes b = EncodeTable(rule);
  TTableBytes expected{};
  const std::string comment = Utf8ToCp1251("Рег 1");
  expected[0] = static_cast<uint8_t>(comment.size());
  std::copy(comment.begin(), comment.end(), expected.begin() + 1);
  expected[256] = 1;
  for (int i = 0; i < 5; ++i) expected[257 + i] = static_cast<uint8_t>(1 + i), expected[262 + i] = uint8_t(6 + i);
  const uint8_t step[4] = {0xFD, 0xFF, 0xFF, 0xFF}, count[4] = {4, 3, 2, 1};
  std::copy(step, step + 4, expected.begin() + 268);
  std::copy(count, count + 4, expected.begin() + 272);
  EXPECT_EQ(b, expected);
  EXPECT_EQ(DecodeTable(b), rule);

  // A long comment is cut to 255 bytes, the rest of the record stays in place.
  TTableData longComment = rule;
  longComment.Comment.assign(300, 'x');
  EXPECT_EQ(DecodeTable(EncodeTable(longComment)).Comment.size(), 255u);
  EXPECT_EQ(DecodeTable(EncodeTable(longComment)).Step, -3);

  // The file: records back to back in list order; a trailing partial record is ignored.
  TTempDir dir;
  TRecordingPort port;
  TTables tables(port, dir / "Kivra_5x45.ltb");
  EXPECT_TRUE(tables.Load());  // no file yet
  tables.Append(rule);
  tables.Append(Rule("Второй", 0, {11, 12, 13, 14, 15}, 45));
  ASSERT_TRUE(tables.Save());
  const std::string bytes = ReadBytes(dir / "Kivra_5x45.ltb");
  ASSERT_EQ(bytes.size(), 2 * TableRecordSize);
  EXPECT_EQ(bytes.substr(0, TableRecordSize), std::string(b.begin(), b.end()));
  WriteBytes(dir / "Kivra_5x45.ltb", bytes + std::string(100, '\x7'));
  TTables again(port, dir / "Kivra_5x45.ltb");
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.Rows(), tables.Rows());
  EXPECT_TRUE(again.CommentTaken("рЕГ 1"));
  EXPECT_FALSE(again.CommentTaken("Рег"));
  EXPECT_TRUE(port.Messages.empty());

  // Deleting outside the array fails with the program's text; a folder in the file's place cannot
  // be read or written.
  EXPECT_THROW(
      {
        try {
          again.Delete(2);
        } catch (const std::out_of_range& e) {
          EXPECT_STREQ(e.what(), "Запись со индексом 2 в файле данных не найдена!");
          throw;
        }
      },
      std::out_of_range);
  std::filesystem::create_directories(dir / "folder.ltb");
  TTables broken(port, dir / "folder.ltb");
  EXPECT_FALSE(broken.Load());
  EXPECT_FALSE(broken.Save());
  ASSERT_EQ(port.Messages.size(), 2u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка чтения файла регулярных ставок!\r\r", 0), 0u);
  EXPECT_EQ(port.Messages[1].Text.rfind("Ошибка записи в файл регулярных ставок!\r\r", 0), 0u);
}

TEST(Tables, ListTexts) {
  TTableData rule = Rule("Регуляр", 0, {1, 2, 3, 4, 5}, -3);
  rule.Count = 2;
  std::vector<std::string> texts;
  for (int c = 0; c < TableColumnCount; ++c) texts.push_back(TableCellText(rule, c));
  EXPECT_EQ(texts, (std::vector<std::string>{"Регуляр", "1;2;3;4;5", "1;2;3;4;5", "-3", "2"}));
  // Mode 1 starts from the previous draw; no stake yet: no current combination.
  const TTableData draw = Rule("По тиражу", 1, {}, 1);
  EXPECT_EQ(TableCellText(draw, 1), "Предыдущий тираж");
  EXPECT_EQ(TableCellText(draw, 2), "");
}

}  // namespace
}  // namespace kivra
