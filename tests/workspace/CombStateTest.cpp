// The combination state of the workspace: storage and undo, snapshot, generation, the filters, the
// combination files and the clipboard text.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "TempDir.h"
#include "TestDraws.h"
#include "stats/StatPasses.h"
#include "combs/CombFiles.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;

std::vector<TComb> ListOf(const TCombList& list) { return {list.Items().begin(), list.Items().end()}; }

class CombListTest : public ::testing::Test {
 protected:
  CombListTest() {
    ws.LoadSettingsAndConfig();
    ws.Combs().ReserveLists();
  }
  void Generate(uint8_t mode, std::string param = "") { ASSERT_TRUE(ws.Combs().GenerateList(true, {mode, param})); }
  // The window distribution record of a statistic value, as a statistics table row holds it.
  TStatDrawRec Row(std::string_view code, std::string_view caption) {
    auto stat = ws.Stats().CreateStat(ws.Stats().FindCode(code));
    for (const auto& r : ComputeWindow(*stat, 0, ws.Archive().High(), false))
      if (stat->ValueCaption(r) == caption) return r;
    ADD_FAILURE() << "no row " << caption;
    return {};
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : port.Messages) texts.push_back(m.Text);
    return texts;
  }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
  TCombList& list = ws.Combs().List();
};

TEST_F(CombListTest, GenerationModes) {
  struct TCase {
    uint8_t Mode;
    const char* Param;
    uint32_t Count;
  } cases[] = {
      {0, "", 1221759},
      {9, "1;2", 1221759},  // any mode outside 1..4 is the full set
      {1, "", 0},
      {3, "", 1221759},
      {2, "1;2;3;4;5;6", 6},
      {2, "1;2;3;4", 0},
      {1, "45", 135751},                         // C(44,4)
      {1, "1;2", 259161},                        // C(45,5) - C(43,5)
      {3, "1,2", 962598},                        // C(43,5)
      {2, "x;1;;2,300; 3 ;-1;4;5;0;46;255", 1},  // words that are not numbers, out of 0..255, 0, 46..255
      {2, "10,20,30,40,44", 1},
      {2, "1 2 3 4 5 6 7", 21},  // blanks separate as "," and ";" do
      {2, "\t1 ,2;  3\t4 , 5 ", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Mode) + " " + c.Param);
    Generate(c.Mode, c.Param);
    ASSERT_EQ(list.Count(), c.Count);
    const auto items = ListOf(list);
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
    EXPECT_EQ(std::adjacent_find(items.begin(), items.end()), items.end());
    for (const TComb& comb : items)
      ASSERT_TRUE(std::is_sorted(comb.begin(), comb.end()) && comb[0] >= 1 && comb[4] <= 45);
  }
  Generate(0);
  EXPECT_EQ(list[0], (TComb{1, 2, 3, 4, 5}));
  EXPECT_EQ(list[1], (TComb{1, 2, 3, 4, 6}));
  EXPECT_EQ(list[list.Count() - 1], (TComb{41, 42, 43, 44, 45}));
  Generate(2, "10,20,30,40,44");
  EXPECT_EQ(list[0], (TComb{10, 20, 30, 40, 44}));
  Generate(1, "45");
  for (const TComb& comb : list.Items()) ASSERT_EQ(comb[4], 45);
  Generate(3, "1,2");
  for (const TComb& comb : list.Items()) ASSERT_GT(comb[0], 2);
}

TEST_F(CombListTest, GenerationRefreshAndDefaults) {
  Generate(0);
  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Week, {7, {{}}}, false));
  list.SaveSnapshot(3, 4);
  port.Progress.clear();

  // Without refresh the log, the undo copy and the snapshot stay.
  ASSERT_TRUE(ws.Combs().GenerateList(false, {2, "1;2;3;4;5;6"}));
  EXPECT_EQ(list.Count(), 6u);
  EXPECT_EQ(list.Log().size(), 1u);
  EXPECT_TRUE(list.CanUndo());
  EXPECT_GT(list.SnapshotCount(), 0u);
  EXPECT_TRUE(port.Progress.empty());

  std::vector<uint32_t> viewCounts;
  list.OnViewChanged = [&](uint32_t count) { viewCounts.push_back(count); };
  ASSERT_TRUE(ws.Combs().GenerateList(true, {2, "1;2;3;4;5;6"}));
  EXPECT_EQ(viewCounts, std::vector<uint32_t>{6});
  EXPECT_TRUE(list.Log().empty());
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(list.SnapshotCount(), 0u);
  EXPECT_EQ(list.SnapshotKey(), (TCombList::TSnapshotKey{3, 4}));
  EXPECT_EQ(port.Status[3], "Комбинаций: 6");
  EXPECT_EQ(port.Progress, (std::vector<std::string>{"Генерация возможных комбинаций...", ""}));
  EXPECT_TRUE(port.IsIdle());

  // Mode 4 with a missing file: the read message and an empty list.
  const auto missing = dir / "missing.lcv";
  EXPECT_FALSE(ws.Combs().GenerateList(true, {4, missing.string()}));
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(MessageTexts().back().rfind("Ошибка чтения файла \"" + missing.string() + "\"!\r\r", 0), 0u);

  // The command stores its parameters (cut to 255 characters) as the defaults when asked.
  std::string longParam = "1;2;";
  while (longParam.size() < 600) longParam += "ю";
  ASSERT_TRUE(ws.Combs().GenerateCommand({1, longParam}, true));
  EXPECT_EQ(list.Count(), 259161u);
  EXPECT_FALSE(list.CanUndo());
  TRecordingPort port2;
  TWorkspace ws2(dir.Path(), port2);
  ws2.LoadSettingsAndConfig();
  const TGenParams defaults = ws2.Combs().GenDefaults();
  EXPECT_EQ(defaults.Mode, 1);
  EXPECT_EQ(defaults.Param, longParam.substr(0, 4 + 251 * 2));
}

TEST_F(CombListTest, UndoAndLog) {
  Generate(2, "1;2;3;4;5;6;7");
  EXPECT_FALSE(ws.Combs().Undo());  // nothing to undo right after generation
  const auto before = ListOf(list);

  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Card, {1, {{"7", ""}}}, false));
  EXPECT_EQ(list.Count(), 15u);  // C(6,4)
  ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0}));
  EXPECT_EQ(list.Log(), (std::vector<TFilterLogRow>{{"Карта", "7", 15, LogIconKeep},
                                                    {"Выделенные комбинации", "1", 14, LogIconRemove}}));
  port.Progress.clear();
  ASSERT_TRUE(ws.Combs().Undo());
  EXPECT_EQ(list.Count(), 15u);
  EXPECT_EQ(list.Log().size(), 1u);
  EXPECT_EQ(port.Progress, (std::vector<std::string>{"Отмена изменений...", ""}));
  EXPECT_FALSE(ws.Combs().Undo());  // one level only

  // A filter with no values changes nothing, so undo still belongs to the last log row.
  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Card, {1, {{"6"}}}, true));
  EXPECT_FALSE(ws.Combs().FilterByGrid(TGridKind::Card, {1, {{"", ""}}}, true));
  EXPECT_FALSE(ws.Combs().FilterByValues(ws.Stats().FindCode("EVEN"), nullptr, {}, "", false));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"В выделенном диапазоне нет значений для фильтра!"}));
  EXPECT_EQ(list.Log().size(), 2u);
  ASSERT_TRUE(ws.Combs().Undo());
  EXPECT_EQ(list.Count(), 15u);
  EXPECT_EQ(list.Log().size(), 1u);

  list.AddUndoLog();
  EXPECT_EQ(list.Log().back(), (TFilterLogRow{"Отмена последней операции", "", 15, LogIconUndo}));
  list.ClearFilterLog();
  list.RemoveLastFilterLog();
  EXPECT_TRUE(list.Log().empty());
  EXPECT_NE(ListOf(list), before);
}

// Generation by the command, opening a file and pasting replace the whole list and start an empty
// log; undo brings back the list and the log they replaced (one level). Refused numbers change
// nothing.
TEST_F(CombListTest, ReplacementsCanBeUndone) {
  const auto file = dir / "three.lcv";
  test::WriteBytes(file, "1;2;3;4;5\r\n6;7;8;9;10\r\n11;12;13;14;15\r\n");
  const std::vector<std::pair<const char*, std::function<bool()>>> replacements = {
      {"generate",
       [&] {
         return ws.Combs().GenerateCommand({GenOnlyMine, "1 2 3 4 5 6"}, false);
       }},
      {"open", [&] { return ws.Combs().OpenFile(file); }},
      {"paste", [&] { return ws.Combs().PasteText("1 2 3 4 5\r\n6 7 8 9 10\r\n"); }},
  };
  for (const auto& [name, replace] : replacements) {
    SCOPED_TRACE(name);
    Generate(2, "1;2;3;4;5;6;7");
    ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Card, {1, {{"7", ""}}}, false));
    ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0}));
    const auto before = ListOf(list);
    const auto log = list.Log();
    ASSERT_EQ(log.size(), 2u);

    ASSERT_TRUE(replace());
    EXPECT_NE(ListOf(list), before);
    EXPECT_TRUE(list.Log().empty());
    ASSERT_TRUE(list.CanUndo());
    ASSERT_TRUE(ws.Combs().Undo());
    EXPECT_EQ(ListOf(list), before);
    EXPECT_EQ(list.Log(), log);
    EXPECT_FALSE(ws.Combs().Undo());

    // The next filter's undo removes only its own row again.
    ASSERT_TRUE(replace());
    ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0}));
    ASSERT_TRUE(ws.Combs().Undo());
    EXPECT_EQ(list.Log().size(), 0u);
    EXPECT_FALSE(ws.Combs().Undo());
  }

  // Numbers that cannot make a useful list: the message, and the list, its log and its undo copy
  // stay.
  const auto before = ListOf(list);
  port.Messages.clear();
  EXPECT_FALSE(ws.Combs().GenerateCommand({GenOnlyMine, "1 2 3 46"}, true));
  EXPECT_EQ(ListOf(list), before);
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{GenNumbersProblem({GenOnlyMine, "1 2 3 46"})});
  EXPECT_EQ(ws.Combs().GenDefaults().Mode, GenFullSet);  // not stored as the defaults either
}

TEST_F(CombListTest, StorageAndSnapshot) {
  EXPECT_EQ(list.StorageBytes(), 3 * size_t{FullSetSize} * 5);
  Generate(0);
  EXPECT_TRUE(list.Contains({41, 42, 43, 44, 45}));
  EXPECT_FALSE(list.Contains({45, 44, 43, 42, 41}));  // same bytes in the same positions only

  // The snapshot: a matching key with count 0 is not restored; the same key copies only once.
  EXPECT_FALSE(list.RestoreSnapshot(-1, -1));
  list.SaveSnapshot(0, 10);
  ASSERT_TRUE(ws.Combs().RemoveLatestDraws(0));
  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Week, {1, {{}}}, false));
  const uint32_t filtered = list.Count();
  list.SaveSnapshot(0, 10);
  ASSERT_TRUE(ws.Combs().GenerateList(false, {2, "1;2;3;4;5"}));
  EXPECT_FALSE(list.RestoreSnapshot(0, 11));
  EXPECT_EQ(list.Count(), 1u);
  ASSERT_TRUE(list.RestoreSnapshot(0, 10));
  EXPECT_EQ(list.Count(), 1221759u);
  list.SaveSnapshot(0, 11);
  ASSERT_TRUE(ws.Combs().GenerateList(false, {2, "1;2;3;4;5"}));
  ASSERT_TRUE(list.RestoreSnapshot(0, 11));
  EXPECT_EQ(list.Count(), 1221759u);
  EXPECT_NE(filtered, list.Count());
  list.InvalidateSnapshot();
  EXPECT_FALSE(list.RestoreSnapshot(0, 11));
  EXPECT_EQ(list.SnapshotKey(), (TCombList::TSnapshotKey{}));

  // Storage only grows; the three arrays stay within the room reserved at start-up after a
  // session of filters, undos and snapshots.
  list.ResizeList(10, 3);
  EXPECT_EQ(list.Storage(), size_t{FullSetSize});
  EXPECT_EQ(list.Count(), 3u);
  ASSERT_TRUE(ws.Combs().Undo());
  EXPECT_LE(list.StorageBytes(), size_t{3 * 6'200'000});
  list.FreeSnapshot();
  EXPECT_EQ(list.SnapshotStorage(), 0u);
}

TEST_F(CombListTest, FilterByValuesSplitsTheList) {
  std::mt19937 rng(45);
  TDrawsArray draws;
  for (int i = 1; i <= 60; ++i) {
    std::array<uint8_t, 45> pool;
    for (int n = 0; n < 45; ++n) pool[n] = static_cast<uint8_t>(n + 1);
    std::shuffle(pool.begin(), pool.end(), rng);
    draws.push_back(MakeDraw(i, {pool[0], pool[1], pool[2], pool[3], pool[4]}));
  }
  ws.Archive().Assign(draws);
  ws.SetDrawsOffset(4);
  ws.Combs().SetFilterThreads(2);

  // Statistics whose test reads the draws (SUMC compares with the newest visible draw) and ones
  // that do not: keep and remove of one selection split the list, in order, as the
  // per-combination test says.
  for (const std::string code : {"EVEN", "SUMS", "SUMC", "POS1"}) {
    SCOPED_TRACE(code);
    Generate(3, "1;2;3;4;5;6;7;8;9;10");  // 324632 combinations
    const int entry = ws.Stats().FindCode(code);
    auto table = ws.Stats().CreateStat(entry);
    TStatDrawArray values;
    std::string text;
    // The values two combinations of the list show: both halves are then non-empty.
    for (const TComb& c : {list[0], list[list.Count() / 2]}) {
      TStatDrawArray shown;
      ASSERT_TRUE(table->FilterViewValues(c, ws.Archive().AnalysisEnd(), false, shown));
      values.push_back(shown.at(0));
      text += (text.empty() ? "" : "; ") + table->ValueCaption(shown[0]);
    }
    const auto before = ListOf(list);
    ASSERT_TRUE(ws.Combs().FilterByValues(entry, nullptr, values, text, false));
    const auto kept = ListOf(list);
    ASSERT_TRUE(ws.Combs().Undo());
    ASSERT_TRUE(ws.Combs().FilterByValues(entry, nullptr, values, text, true));
    const auto removed = ListOf(list);
    EXPECT_EQ(list.Log().back(), (TFilterLogRow{ws.Stats().ListCaption(entry, true), text,
                                                static_cast<uint32_t>(removed.size()), LogIconRemove}));

    auto stat = ws.Stats().CreateStat(entry);
    stat->LoadDraws(-1, ws.Archive().AnalysisEnd(), false);
    std::vector<TComb> expectKept, expectRemoved;
    for (const TComb& c : before)
      (stat->CombMatches(c, values, ws.Archive().AnalysisEnd(), false, false) ? expectKept : expectRemoved)
          .push_back(c);
    EXPECT_EQ(kept, expectKept);
    EXPECT_EQ(removed, expectRemoved);
    EXPECT_GT(kept.size(), 0u);
    EXPECT_EQ(kept.size() + removed.size(), before.size());
  }

  // An empty list stays empty and gets no log row.
  Generate(1, "");
  ASSERT_TRUE(ws.Combs().FilterByValues(ws.Stats().FindCode("EVEN"), nullptr, {Row("EVEN", "3:2")}, "3:2", false));
  EXPECT_TRUE(list.Log().empty());
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_FALSE(list.CanUndo());
}

TEST_F(CombListTest, FilterByGrid) {
  Generate(0);
  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Layout, {1, {{"[12], 7"}}}, true));
  EXPECT_EQ(list.Count(), 962598u);
  for (const TComb& comb : list.Items()) ASSERT_FALSE(NumberInComb(comb, 12) || NumberInComb(comb, 7));
  EXPECT_EQ(list.Log().back(), (TFilterLogRow{"Схема", "12; 7", 962598, LogIconRemove}));
}

TEST_F(CombListTest, RemoveLatestDraws) {
  ws.Archive().Assign({MakeDraw(1, {1, 2, 3, 4, 5}), MakeDraw(2, {6, 7, 8, 9, 10}), MakeDraw(3, {15, 11, 14, 12, 13}),
                       MakeDraw(4, {16, 17, 18, 19, 20}), MakeDraw(5, {21, 22, 23, 24, 25}),
                       MakeDraw(6, {26, 27, 28, 29, 30})});
  const auto removedOf = [&](int n, int offset) {
    ws.SetDrawsOffset(offset);
    Generate(0);
    EXPECT_TRUE(ws.Combs().RemoveLatestDraws(n));
    std::vector<int> gone;
    for (int i = 0; i < ws.Archive().Count(); ++i) {
      TComb c = ws.Archive().Stored(i).Nums;
      SortComb(c);
      if (!list.Contains(c)) gone.push_back(i + 1);
    }
    EXPECT_EQ(list.Count() + gone.size(), 1221759u);
    return gone;
  };
  EXPECT_EQ(removedOf(3, 2), (std::vector<int>{2, 3, 4}));  // before the two hidden draws; 3 in any order
  EXPECT_EQ(removedOf(100, 1), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(removedOf(2, 6), (std::vector<int>{}));  // the offset hides the whole archive
  port.Progress.clear();
  EXPECT_EQ(removedOf(0, 0), (std::vector<int>{}));
  EXPECT_EQ(list.Log().back(), (TFilterLogRow{"Последние тиражи", "0", 1221759, LogIconRemove}));
  // At most about 100 progress texts, each with the share done.
  EXPECT_LE(std::count_if(port.Progress.begin(), port.Progress.end(),
                          [](const std::string& p) { return p.find("завершено") != std::string::npos; }),
            101);
  EXPECT_NE(std::find(port.Progress.begin(), port.Progress.end(),
                      "Удаление из списка комбинаций 0 последних тиражей ( завершено 0 % )..."),
            port.Progress.end());
  EXPECT_NE(std::find(port.Progress.begin(), port.Progress.end(),
                      "Удаление из списка комбинаций 0 последних тиражей ( завершено 99 % )..."),
            port.Progress.end());

  // An empty list still gets its log row, with count 0.
  Generate(1, "");
  ASSERT_TRUE(ws.Combs().RemoveLatestDraws(5));
  EXPECT_EQ(list.Log(), (std::vector<TFilterLogRow>{{"Последние тиражи", "5", 0, LogIconRemove}}));
}

TEST_F(CombListTest, RemoveSelectedAndReadOnlyCommands) {
  Generate(2, "1;2;3;4;5;6;7");
  ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{20, 0, 2, 2, 4000000000u}));
  EXPECT_EQ(list.Count(), 18u);
  EXPECT_EQ(list[0], (TComb{1, 2, 3, 4, 6}));
  EXPECT_EQ(list[1], (TComb{1, 2, 3, 5, 6}));
  EXPECT_EQ(list.Log().back(), (TFilterLogRow{"Выделенные комбинации", "3", 18, LogIconRemove}));

  // A combination drawn 30 times (in any order): the 26 newest draws, newest first.
  TDrawsArray draws;
  for (int i = 1; i <= 40; ++i)
    draws.push_back(MakeDraw(i, i % 4 == 0 ? TComb{10, 20, 30, 40, 41} : TComb{7, 3, 5, 1, 2}));
  ws.Archive().Assign(draws);
  ws.SetDrawsOffset(30);  // the search ignores the offset
  port.Messages.clear();
  ws.Combs().FindInDraws({1, 2, 3, 5, 7});
  ws.Combs().FindInDraws({1, 2, 3, 5, 8});
  ASSERT_EQ(port.Messages.size(), 2u);
  std::string expect = "Выделенная комбинация найдена в следующих тиражах:\r";
  for (int i = 39, n = 0; n < 26; --i)
    if (i % 4 != 0) {
      expect += "\rТираж № " + std::to_string(i) + " от , значения: 7;3;5;1;2";
      ++n;
    }
  EXPECT_EQ(port.Messages[0].Text, expect);
  EXPECT_EQ(port.Messages[0].Caption, "Информация");
  EXPECT_EQ(port.Messages[1].Text, "Выделенная комбинация не найдена архиве тиражей!");
  EXPECT_TRUE(port.IsIdle());
}

TEST_F(CombListTest, CheckNumsCounts) {
  ws.Combs().CheckNums();
  Generate(2, "1;2;3;4;5;6;7");
  ws.Combs().CheckNums();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"В текущем списке комбинаций содержится 0 уникальных номеров",
                                                      "В текущем списке комбинаций содержится 7 уникальных номеров"}));
}

TEST_F(CombListTest, CombinationFiles) {
  Generate(2, "1;2;3;4;5;6;7");
  ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0, 1, 2}));
  const auto saved = ListOf(list);
  const auto file = dir / "list.lcv";
  ASSERT_TRUE(ws.Combs().SaveFile(file));
  ASSERT_TRUE(ws.Combs().OpenFile(file));
  EXPECT_EQ(ListOf(list), saved);
  EXPECT_TRUE(list.Log().empty());
  EXPECT_TRUE(list.CanUndo());  // the replaced list (ReplacementsCanBeUndone)

  list.ResizeList(0, 3);
  ASSERT_TRUE(ws.Combs().SaveFile(file));
  EXPECT_EQ(test::ReadBytes(file), "1;2;3;5;6\r\n1;2;3;5;7\r\n1;2;3;6;7\r\n");

  // Lines that are not five different numbers 1..45 are skipped without a message.
  test::WriteBytes(file,
                   "1 2 3 4 5\r\n1;2;3;4;5;6\r\n1;2;x;4;5\r\n1;2;3;4;46\r\n1;2;3;4;4\r\n1;2;3;4;257\r\n\r\n"
                   " 45 ;1,,9;;20,3 \r\n7;8;9;10;11\n12;13;14;15;16\r17;18;19;20;21");
  port.Messages.clear();
  port.Progress.clear();
  ASSERT_TRUE(ws.Combs().OpenFile(file));
  EXPECT_EQ(ListOf(list),
            (std::vector<TComb>{{45, 1, 9, 20, 3}, {7, 8, 9, 10, 11}, {12, 13, 14, 15, 16}, {17, 18, 19, 20, 21}}));
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(port.Progress[0], "Создание файла отката...");
  EXPECT_EQ(port.Progress[2], "Загрузка файла \"" + file.string() + "\"...");

  // A file that cannot be read: the message, the previous list and log, nothing to undo.
  ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0}));
  const auto previous = ListOf(list);
  const auto previousLog = list.Log();
  EXPECT_FALSE(ws.Combs().OpenFile(dir / "nope.lcv"));
  EXPECT_EQ(ListOf(list), previous);
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(list.Log(), previousLog);
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка чтения файла \"" + (dir / "nope.lcv").string() + "\"!\r\r", 0), 0u);
  // Nor does a file without a single combination (random bytes, a draws CSV), which says so.
  const char junk[] = "\x89PNG\r\n\x1a\n\0\0;;7\r\n1;01.01.2024;1;2;3;4;5\r\n";
  test::WriteBytes(dir / "junk.lcv", std::string(junk, sizeof junk - 1));
  EXPECT_FALSE(ws.Combs().OpenFile(dir / "junk.lcv"));
  EXPECT_EQ(ListOf(list), previous);
  EXPECT_EQ(list.Log(), previousLog);
  EXPECT_EQ(port.Messages.back().Text, "В файле \"" + (dir / "junk.lcv").string() + "\" нет ни одной комбинации!");

  // A file that cannot be written: the message; an existing file is left whole.
  EXPECT_FALSE(ws.Combs().SaveFile(dir.Path()));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка записи в файл \"", 0), 0u);
  EXPECT_TRUE(port.IsIdle());
}

TEST_F(CombListTest, ClipboardText) {
  Generate(2, "3;15;22;38;45;7");
  EXPECT_EQ(ws.Combs().CopyText(std::vector<uint32_t>{5, 0, 0, 99}), "03 07 15 22 38\r\n07 15 22 38 45\r\n");
  EXPECT_EQ(ws.Combs().CopyText({}), "");

  std::vector<uint32_t> all(list.Count());
  for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
  const std::string text = ws.Combs().CopyText(all);
  const auto before = ListOf(list);
  ASSERT_TRUE(ws.Combs().FilterByGrid(TGridKind::Week, {3, {{}}}, true));
  ASSERT_TRUE(ws.Combs().PasteText(text));
  EXPECT_EQ(ListOf(list), before);
  EXPECT_TRUE(list.Log().empty());
  EXPECT_TRUE(list.CanUndo());  // the replaced list (ReplacementsCanBeUndone)

  ASSERT_TRUE(ws.Combs().PasteText("1\t2 3,4|5\n45-44.43:42;41\r9 8 7 6 5\r\n"));
  EXPECT_EQ(ListOf(list), (std::vector<TComb>{{1, 2, 3, 4, 5}, {45, 44, 43, 42, 41}, {9, 8, 7, 6, 5}}));

  // The first line that is not a combination aborts the paste; the previous list comes back.
  ASSERT_TRUE(ws.Combs().RemoveSelected(std::vector<uint32_t>{0}));
  const auto previous = ListOf(list);
  for (const char* bad :
       {"1 2 3 4 5\r\n\r\n6 7 8 9 10", "1 2 3 4 5\r\n1 2 3 4 301", "1 2 3 4 4", "1 2 3 4 5 6", "1 2 x 4 5"}) {
    port.Messages.clear();
    EXPECT_FALSE(ws.Combs().PasteText(bad)) << bad;
    EXPECT_EQ(ListOf(list), previous);
    EXPECT_FALSE(list.CanUndo());
    ASSERT_EQ(port.Messages.size(), 1u);
    EXPECT_EQ(port.Messages[0].Text.rfind("Некорректная комбинация: \"", 0), 0u);
  }
  EXPECT_EQ(port.Messages[0].Text, "Некорректная комбинация: \"1 2 x 4 5\"!");
  EXPECT_EQ(list.Log().size(), 1u);  // a failed paste leaves the log alone
  port.Messages.clear();
  EXPECT_FALSE(ws.Combs().PasteText(""));
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_TRUE(port.IsIdle());
}

}  // namespace
}  // namespace kivra
