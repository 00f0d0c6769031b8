// The text forms of script lines: options, filter commands, lines, the code tables and the check.
#include <gtest/gtest.h>

#include <random>

#include "scripts/ScriptText.h"
#include "scripts/ScriptRegistry.h"

namespace kivra {
namespace {

class ScriptTextTest : public ::testing::Test {
 protected:
  test::TScriptRegistry registry;
  TMethodLookup methods{registry.list};
  int Entry(std::string_view code) const { return registry.list.FindCode(code); }
};

TEST(ScriptWordsTest, RunsOfSeparatorsCountAsOneAndWordsAreTrimmed) {
  struct TCase {
    std::string_view Text, Seps;
    int K;
    std::string_view Word;
  } cases[] = {
      {"a#b#c", "#", 2, "b"},
      {"##a###b#", "#", 2, "b"},
      {"a#b", "#", 3, ""},
      {" a | b ", "|", 2, "b"},
      {"x| |y", "|", 2, ""},
      {"x| |y", "|", 3, "y"},
      {"x||y", "|", 2, "y"},
      {"", "#", 1, ""},
      {"SUMS:10,20", ":", 2, "10,20"},
      {"a:b;c", ":;", 3, "c"},
      {"\t\x01w\x1f", "#", 1, "w"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScriptWord(c.Text, c.Seps, c.K), c.Word) << c.Text << " word " << c.K;
}

TEST(ScriptTablesTest, CodesAndTextsAndTheErrorText) {
  EXPECT_EQ(StartCombsCode(1), "EXCL");
  EXPECT_EQ(StartCombsLongText(2), "Текущий список (для последовательного выполнения)");
  EXPECT_EQ(ResultModeCode(9), "NONE");
  EXPECT_EQ(ResultModeShortText(6), "Система [комб]");
  EXPECT_EQ(LevelModeCode(31), "LVA");
  EXPECT_EQ(LevelModeText(19), "\"Вес\": не менее заданного значения");
  EXPECT_EQ(StopModeText(3), "Пока список не будет пуст и откатить на шаг");
  EXPECT_EQ(SortColumnCaption(19), "+/- КРН");
  for (auto text : {StartCombsCode(3), StartCombsLongText(-1), StartCombsShortText(3), ResultModeCode(10),
                    ResultModeLongText(255), ResultModeShortText(-5), LevelModeCode(32), LevelModeText(-1),
                    StopModeCode(7), StopModeText(100), SortColumnCaption(20), SortColumnCaption(-1)})
    EXPECT_EQ(text, "# ERROR #");
  int lists = 0;
  for (int m = 0; m < LevelModeCount; ++m) lists += IsListLevelMode(m);
  EXPECT_EQ(lists, 11);
  EXPECT_TRUE(IsListLevelMode(31));
  EXPECT_FALSE(IsListLevelMode(0));
}

TEST(ScriptOptionsTest, ReaderTakesPrefixesCodesAndFlags) {
  struct TCase {
    std::string_view Text;
    TScriptOptions Want;
  } cases[] = {
      {"FULL:0#EXT", {0, StartFull, ResultExtended, false, false}},
      {"EXCL:5#RAND#CLR#NEX", {5, StartExclude, ResultRandom, true, true}},
      {"excl:3#rand#nex", {3, StartExclude, ResultRandom, false, true}},
      {"EXCLUDE:3", {3, StartExclude, ResultExtended, false, false}},
      {"CURR:2#XYZ", {2, StartCurrent, ResultExtended, false, false}},
      {"ABC:7#LAST", {7, StartFull, ResultLast, false, false}},
      {"EXCL#SKIP", {0, StartExclude, ResultSkip, false, false}},
      {"EXCL:x#SYSC#nex#foo#clr", {0, StartExclude, ResultSystemCombs, true, true}},
      {"EXCL:99999999999#STOP", {0, StartExclude, ResultStop, false, false}},  // beyond 32 bits
      {"EXCL:-4#FIRSTX", {-4, StartExclude, ResultExtended, false, false}},    // word 2 must equal a code
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadOptions(c.Text), c.Want) << c.Text;
}

TEST(ScriptOptionsTest, WrittenShortAndDisplayForms) {
  struct TCase {
    TScriptOptions Options;
    std::string_view Written, Short, Display;
  } cases[] = {
      {{0, StartFull, ResultExtended, false, false},
       "FULL:0#EXT",
       "FULL#EXT",
       "Исходный список; Расширенная; Все создаваемые ставки"},
      {{5, StartExclude, ResultRandom, true, true},
       "EXCL:5#RAND#CLR#NEX",
       "EXCL:5#RAND#NEX",
       "Исключить 5 тиражей; Случайно; Удалить ставки; Только новые ставки"},
      {{3, StartCurrent, ResultNone, true, false},
       "CURR:3#NONE#CLR",
       "CURR#NONE",
       "Текущий список; Не делать ставок; Удалить ставки; Все создаваемые ставки"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WriteOptions(c.Options), c.Written);
    EXPECT_EQ(OptionsShortForm(c.Options), c.Short);
    EXPECT_EQ(OptionsDisplayForm(c.Options), c.Display);
    EXPECT_EQ(ReadOptions(WriteOptions(c.Options)), c.Options);
  }
}

TEST_F(ScriptTextTest, CommandReaderFieldByField) {
  const TFilterItem a = ReadFilterItem("TSD1#SUMS:10,20#LMV:3#SF:0", methods);
  EXPECT_TRUE(a.Active);
  EXPECT_FALSE(a.FromBottom);
  EXPECT_FALSE(a.MultiSelect);
  EXPECT_FALSE(a.KeepSelected);
  EXPECT_EQ(a.SortColumn, 1);
  EXPECT_EQ(a.StatText, "SUMS:10,20");
  EXPECT_EQ(a.Method, Entry("SUMS"));
  EXPECT_EQ(a.DrawsLen, "10,20");
  EXPECT_EQ(a.LevelMode, 1);
  EXPECT_EQ(a.LevelValue, "3");
  EXPECT_EQ(a.StopMode, StopAll);
  EXPECT_EQ(a.StopValue, 0);
  EXPECT_FALSE(a.CDLOverride);

  const TFilterItem b = ReadFilterItem("BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1", methods);
  EXPECT_TRUE(b.FromBottom && b.MultiSelect && b.KeepSelected);
  EXPECT_EQ(b.SortColumn, 8);
  EXPECT_EQ(b.Method, Entry("EVEN"));
  EXPECT_EQ(b.LevelMode, 19);
  EXPECT_EQ(b.StopMode, StopBySteps);
  EXPECT_EQ(b.StopValue, 2);
  EXPECT_TRUE(b.CDLOverride);
  EXPECT_EQ(b.Coefs, (TCDLCoefs{1, -1, 1, false, true}));
}

TEST_F(ScriptTextTest, CommandReaderEdgeCases) {
  struct TCase {
    std::string_view Text;
    int32_t SortColumn;
    bool Bottom, Multi, Keep;
    std::string_view Method;  // "" none
    std::string_view DrawsLen;
    int Level;
    std::string_view LevelValue;
    int Stop;
    int32_t StopValue;
  } cases[] = {
      {"TS#SUMS:5", 1, false, false, false, "SUMS", "5", 0, "", 0, 0},            // short mode word, no words 3 and 4
      {"bsd2#sums:5#lno:#sf", 2, false, false, false, "SUMS", "5", 0, "", 0, 1},  // letters are case-sensitive
      {"TSD#SUMS:5#LNO:#ST", 1, false, false, false, "SUMS", "5", 0, "", 4, 1},   // "ST" without a value
      {"TSDx#SUMS:5#LNO#ST:abc", 1, false, false, false, "SUMS", "5", 0, "", 4, 1},
      {"TSD12#SUMS:5#CDP:1-3;1#SP:7", 12, false, false, false, "SUMS", "5", 18, "1-3;1", 6, 7},
      {"TSD25#SUMS:5#XYZ:4#QQ:9", 25, false, false, false, "SUMS", "5", 0, "", 0, 0},  // no matching codes
      {"TSD-3#SUMS:5", -3, false, false, false, "SUMS", "5", 0, "", 0, 0},
      {"TSD99999999999#SUMS:5", 1, false, false, false, "SUMS", "5", 0, "", 0, 0},  // beyond 32 bits
      {"FMB0#CHN1:10#LMVX:2", 0, true, true, true, "CHN1", "10", 1, "2", 0, 0},
      {"TSD1#CHN12:10", 1, false, false, false, "", "", 0, "", 0, 0},  // CHN12 is no code of its own
      {"TSD1#NOPE:10", 1, false, false, false, "", "", 0, "", 0, 0},
      {"TSD1#SUMS", 1, false, false, false, "SUMS", "", 0, "", 0, 0},
      {"ЖЖЖ5#SUMS:1", 5, false, false, false, "SUMS", "1", 0, "", 0, 0},  // characters, not bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const TFilterItem f = ReadFilterItem(c.Text, methods);
    EXPECT_TRUE(f.Active);
    EXPECT_EQ(f.SortColumn, c.SortColumn);
    EXPECT_EQ(f.FromBottom, c.Bottom);
    EXPECT_EQ(f.MultiSelect, c.Multi);
    EXPECT_EQ(f.KeepSelected, c.Keep);
    EXPECT_EQ(f.Method, c.Method.empty() ? -1 : Entry(c.Method));
    EXPECT_EQ(f.DrawsLen, c.DrawsLen);
    EXPECT_EQ(f.LevelMode, c.Level);
    EXPECT_EQ(f.LevelValue, c.LevelValue);
    EXPECT_EQ(f.StopMode, c.Stop);
    EXPECT_EQ(f.StopValue, c.StopValue);
  }
  EXPECT_EQ(ReadFilterItem("", methods), TFilterItem{});
  EXPECT_EQ(ReadFilterItem("  ", methods), TFilterItem{});
}

TEST(ScriptCoefTest, ReadingAndWriting) {
  struct TRead {
    std::string_view Text;
    long double Value;
  } reads[] = {{"0,5", 0.5L},          {"0.5", 0.5L}, {"abc", 0}, {"-1", -1},   {"1E-6", 0},  // "1-6": no number
               {"1 000,25", 1000.25L}, {"", 0},       {"-", 0},   {"1.2.3", 0}, {"--1", 0},  {".5", 0.5L}, {"7.", 7}};
  for (const auto& r : reads)
    EXPECT_EQ(ReadCoef(r.Text), static_cast<long double>(static_cast<double>(r.Value))) << r.Text;

  struct TWrite {
    long double Value;
    std::string_view Text;
  } writes[] = {{0, "0"},
                {1, "1"},
                {-1, "-1"},
                {0.5L, "0.5"},
                {1e-6L, "0.000001"},
                {1e20L, "100000000000000000000"},
                {0.1L, "0.1"},
                {1.0L / 3, "0.333333333333333"},
                {123456.789L, "123456.789"},
                {-0.0L, "0"}};
  for (const auto& w : writes) EXPECT_EQ(CoefText(w.Value), w.Text);
  // Whatever is written reads back as the value written.
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  for (int i = 0; i < 1000; ++i) {
    const double v = dist(gen) / std::pow(10.0, i % 12);
    const std::string text = CoefText(v);
    EXPECT_EQ(CoefText(ReadCoef(text)), text);
    EXPECT_NEAR(static_cast<double>(ReadCoef(text)), v, std::fabs(v) * 1e-14 + 1e-300);
  }
}

TEST_F(ScriptTextTest, CommandsRoundTripThroughTheirText) {
  TFilterItem f;
  f.Active = true;
  f.Method = Entry("EVEN");
  f.StatText = "EVEN:30";
  f.DrawsLen = "30";
  f.SortColumn = 12;
  f.FromBottom = true;
  f.KeepSelected = true;
  f.LevelMode = 21;
  f.LevelValue = "1, 2, 3";
  f.StopMode = StopByValue;
  f.StopValue = 4;
  f.CDLOverride = true;
  f.Coefs = {0.25L, -1, 2.5L, true, false};
  const std::string text = WriteFilterItem(f, methods);
  EXPECT_EQ(text, "BSF12#EVEN:30#WDV:1, 2, 3#SV:4#0.25:-1:2.5:1:0");
  EXPECT_EQ(ReadFilterItem(text, methods), f);

  for (std::string_view written : {"TSD1#SUMS:10,20#LMV:3#SF:0", "BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1",
                                   "TSD25#SUMS:1-10;2#LVA:1,2#SC:100", "TSD-1#NUMS:#LNO:#SZ:1"})
    EXPECT_EQ(WriteFilterItem(ReadFilterItem(written, methods), methods), written);
  EXPECT_EQ(WriteFilterItem(TFilterItem{}, methods), "");
}

TEST_F(ScriptTextTest, CanonicalTextResolvesCaseAndKeepsUnresolvedCodes) {
  struct TCase {
    std::string_view Text, Canonical;
  } cases[] = {
      {"tsd1#sums:10#lmv:3#sf:0", "TSD1#SUMS:10#LMV:3#SF:0"},
      {"TS#SUMS:10", "TSD1#SUMS:10#LNO:#SF:0"},
      {"TSD1#XYZ:10#LMV:3", "TSD1#XYZ:10#LMV:3#SF:0"},
      {"TSD1#SUMS:5#LNO#SF#0,5:abc:1E-6:1:2", "TSD1#SUMS:5#LNO:#SF:1#0.5:0:0:1:0"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CanonicalFilterText(c.Text, methods), c.Canonical) << c.Text;
}

TEST(ScriptLineTest, WriterKeepsSlotsAndReaderTakesNineFields) {
  TScriptLineText line;
  line.Options = "FULL:0#EXT";
  line.Commands[1] = "TSD1#SUMS:10#LNO:#SF:0";
  const std::string text = WriteScriptLine(line);
  EXPECT_EQ(text, "FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | |");
  const TScriptLineText back = ReadScriptLine(text);
  EXPECT_EQ(back.Options, "FULL:0#EXT");
  EXPECT_EQ(back.Commands[0], "");
  EXPECT_EQ(back.Commands[1], "TSD1#SUMS:10#LNO:#SF:0");
  for (int k = 2; k < ScriptCommandCount; ++k) EXPECT_EQ(back.Commands[k], "");
  EXPECT_EQ(back.Comment, "");

  line.Commands[6] = " TSD2#NUMS:5 ";  // written untrimmed, read trimmed
  line.Comment = "комментарий|хвост";
  const std::string withComment = WriteScriptLine(line);
  EXPECT_EQ(withComment, "FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | TSD2#NUMS:5 |комментарий|хвост");
  const TScriptLineText back2 = ReadScriptLine(withComment);
  EXPECT_EQ(back2.Commands[6], "TSD2#NUMS:5");
  EXPECT_EQ(back2.Comment, "комментарий");  // cut at the first "|"

  line.Comment = "  ";
  EXPECT_EQ(WriteScriptLine(line).back(), '|');
  EXPECT_TRUE(IsSeparatorLine(" \t "));
  EXPECT_FALSE(IsSeparatorLine("|"));
}

TEST_F(ScriptTextTest, CheckRefusesWhatTheInterpreterWouldRefuse) {
  struct TCase {
    std::string_view Command;
    bool Refused;
  } cases[] = {
      {"TSD1#SUMS:10#LMV:3#SF:0", false},
      {"TSD1#SUMS:10#LNO:#SF:0", false},  // no condition, no value needed
      {"TSD1#SUMS:1-10;2#LDV:1,2,3", false},
      {"TSD1#XYZ:10#LNO:", true},  // unresolved code
      {"TSD1#SUMS#LNO:", true},    // no sample length
      {"TSD1#SUMS:abc#LNO:", true},
      {"TSD1#SUMS:10#LMV:#SF:0", true},  // a condition without a value
      {"TSD20#SUMS:10", true},           // no such column
      {"TSD-1#SUMS:10", true},
      {"TSD19#SUMS:10", false},
  };
  for (const auto& c : cases) {
    const std::string problem = FilterItemProblem(ReadFilterItem(c.Command, methods), methods);
    EXPECT_EQ(!problem.empty(), c.Refused) << c.Command;
    if (c.Refused) {
      EXPECT_EQ(problem, "Некорректное описание фильтра: " + CanonicalFilterText(c.Command, methods) + "!");
    }
  }
  EXPECT_EQ(ScriptLineProblem("FULL:0#EXT| |TSD1#SUMS:10|TSD1#XYZ:1|TSD1#SUMS#LNO:| | | |", methods),
            "Некорректное описание фильтра: TSD1#XYZ:1#LNO:#SF:0!");
  EXPECT_EQ(ScriptLineProblem("   ", methods), "");
  EXPECT_EQ(ScriptLineProblem("CURR:0#NONE| | | | | | | |", methods), "");
}

TEST_F(ScriptTextTest, HostileLinesNeverCrashTheReaders) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 400), pick(0, 9);
  const std::string alphabet = "|#:,;-. 0123456789TSDBMFSUMSLNOWMVSFSTCLRNEXEXCL\r\n\t";
  for (int i = 0; i < 20000; ++i) {
    std::string line(length(gen), '\0');
    for (char& c : line) c = pick(gen) < 7 ? alphabet[byte(gen) % alphabet.size()] : static_cast<char>(byte(gen));
    const TScriptLineText fields = ReadScriptLine(line);
    ReadOptions(fields.Options);
    OptionsDisplayForm(ReadOptions(fields.Options));
    for (const auto& command : fields.Commands) CanonicalFilterText(command, methods);
    ScriptLineProblem(line, methods);
  }
}

}  // namespace
}  // namespace kivra
