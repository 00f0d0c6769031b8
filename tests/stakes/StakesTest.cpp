// The stakes engine: the record layout, the journal's operations and files, profits and the check.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <vector>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"
#include "stakes/StakeLogs.h"
#include "stakes/StakesJournal.h"

namespace kivra {
namespace {

using test::MakeDraw;
using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

TStakeNumbers Nums(std::initializer_list<int> values) {
  TStakeNumbers n;
  n.Count = static_cast<int32_t>(values.size());
  int i = 0;
  for (int v : values) n.Values[i++] = static_cast<uint8_t>(v);
  return n;
}

TStakeData Stake(int32_t draw, std::initializer_list<int> numbers, std::string comment = "c") {
  TStakeData r;
  r.Kind = StakeManual;
  r.DrawNumber = draw;
  r.Numbers = Nums(numbers);
  r.Matched.Count = -1;
  r.Comment = std::move(comment);
  return r;
}

// A journal in a temporary folder, opened as at start-up.
struct TJournalFixture {
  TTempDir dir;
  TRecordingPort port;
  TStakesJournal journal{port, dir / "Kivra_5x45.lsk", dir / "Kivra_5x45.~tmp"};

  explicit TJournalFixture(bool load = true) {
    if (load) {
      EXPECT_TRUE(journal.Load());
    }
  }
  // Draw numbers of the records in file order (separators as 0).
  std::vector<int32_t> Draws() {
    std::vector<int32_t> draws;
    for (int i = 0; i < journal.Count(); ++i) {
      const TStakeData r = journal.Read(TStakeOrigin::Begin, i);
      draws.push_back(IsSeparator(r) ? 0 : r.DrawNumber);
    }
    return draws;
  }
  std::string LastMessage() const { return port.Messages.empty() ? std::string() : port.Messages.back().Text; }
};

TEST(StakeRecord, FieldsSitAtTheirOffsetsAndReadBack) {
  TStakeData r;
  r.Version = 2;
  r.Kind = StakeSystem;
  r.DrawNumber = 0x01020304;
  r.Checked = 1;
  r.SampleSize = -2;
  r.Numbers = Nums({1, 2, 3, 40, 45, 7});
  r.DrawResult = {45, 3, 9, 1, 20};
  r.Matched = Nums({1, 3, 45});
  r.Profit = -0x0102030405060708;
  r.Comment = "Ставка №1";
  const TStakeBytes b = EncodeStake(r);

  TStakeBytes expected{};
  expected[0] = 2;
  expected[1] = 4;
  expected[4] = 4, expected[5] = 3, expected[6] = 2, expected[7] = 1;
  expected[8] = 1;
  expected[12] = 0xFE, expected[13] = 0xFF, expected[14] = 0xFF, expected[15] = 0xFF;
  expected[16] = 6;
  const uint8_t numbers[] = {1, 2, 3, 40, 45, 7};
  std::copy(std::begin(numbers), std::end(numbers), expected.begin() + 20);
  const uint8_t draw[] = {45, 3, 9, 1, 20};
  std::copy(std::begin(draw), std::end(draw), expected.begin() + 32);
  expected[40] = 3;
  expected[44] = 1, expected[45] = 3, expected[46] = 45;
  const uint64_t profit = static_cast<uint64_t>(r.Profit);
  for (int i = 0; i < 8; ++i) expected[56 + i] = static_cast<uint8_t>(profit >> (8 * i));
  const uint8_t comment[] = {9, 0xD1, 0xF2, 0xE0, 0xE2, 0xEA, 0xE0, ' ', 0xB9, '1'};  // cp1251
  std::copy(std::begin(comment), std::end(comment), expected.begin() + 64);
  EXPECT_EQ(b, expected);
  EXPECT_EQ(DecodeStake(b), r);

  // A separator, and a comment past 255 cp1251 bytes cut on writing.
  const TStakeBytes sep = EncodeStake(SeparatorRecord());
  EXPECT_EQ(sep[0], 2);
  EXPECT_EQ(sep[4], 0xFF);
  EXPECT_EQ(sep[40], 0xFF);
  TStakeData longComment = r;
  longComment.Comment = std::string(300, 'x');
  EXPECT_EQ(DecodeStake(EncodeStake(longComment)).Comment, std::string(255, 'x'));
}

TEST(StakeRecord, HostileCountsAreClampedForDisplayAndNeverDue) {
  TStakeData r = Stake(5, {1, 2, 3, 4, 5});
  EXPECT_TRUE(IsDue(r));
  struct TCase {
    int32_t count;
    int number;
  };
  for (const TCase c : {TCase{4, 1}, TCase{13, 1}, TCase{-7, 1}, TCase{INT32_MAX, 1}, TCase{5, 46}, TCase{5, 0}}) {
    TStakeData h = r;
    h.Numbers.Count = c.count;
    h.Numbers.Values[4] = static_cast<uint8_t>(c.number);
    EXPECT_FALSE(IsDue(h)) << c.count << " " << c.number;
    h.Checked = 1;
    h.Matched.Count = c.count;
    for (int col = 0; col < StakeColumnCount; ++col) (void)StakeCellText(h, col);  // never reads past 12
  }
  TStakeData h = r;
  h.Numbers.Count = 1000;
  EXPECT_EQ(StakeCellText(h, 2), "1;2;3;4;5;0;0;0;0;0;0;0");
}

TEST(StakesJournal, AppendPatterns) {
  struct TCase {
    const char* name;
    std::vector<TStakeData> before;
    int draws;
    std::vector<int32_t> expected;  // separators as 0
  };
  const std::vector<TCase> cases = {
      {"one draw after a stake", {Stake(100, {1, 2, 3, 4, 5})}, 1, {100, 101}},
      {"three draws after a stake", {Stake(100, {1, 2, 3, 4, 5})}, 3, {100, 0, 101, 0, 102, 0, 103}},
      {"three draws on an empty journal", {}, 3, {101, 0, 102, 0, 103}},
      {"three draws after a separator",
       {Stake(100, {1, 2, 3, 4, 5}), SeparatorRecord()},
       3,
       {100, 0, 101, 0, 102, 0, 103}},
  };
  for (const TCase& c : cases) {
    TJournalFixture f;
    for (const TStakeData& r : c.before) ASSERT_TRUE(f.journal.Append(r, 1));
    EXPECT_TRUE(f.journal.Append(Stake(101, {1, 2, 3, 4, 5}), c.draws)) << c.name;
    EXPECT_EQ(f.Draws(), c.expected) << c.name;
    EXPECT_TRUE(f.port.Messages.empty()) << c.name;
  }
}

TEST(StakesJournal, AppendRefusesCheckedStakesAndDrawNumbersPastTheLimit) {
  TJournalFixture f;
  TStakeData checked = Stake(5, {1, 2, 3, 4, 5});
  checked.Checked = 1;
  EXPECT_FALSE(f.journal.Append(checked, 1));
  EXPECT_EQ(f.LastMessage(),
            "Ошибка добавления записи в файл ставок!\r\rДобавление в конец файла уже проверенной ставки!");
  EXPECT_FALSE(f.journal.Append(Stake(INT32_MAX - 1, {1, 2, 3, 4, 5}), 3));
  EXPECT_EQ(f.journal.Count(), 0);
  EXPECT_EQ(std::filesystem::file_size(f.journal.File()), 0u);
  EXPECT_TRUE(f.journal.Append(Stake(INT32_MAX - 1, {1, 2, 3, 4, 5}), 2));
  EXPECT_EQ(f.Draws(), (std::vector<int32_t>{INT32_MAX - 1, 0, INT32_MAX}));
}

TEST(StakesJournal, ReadsFromEitherEndAndReportsPositionsOutside) {
  TJournalFixture f;
  for (int d = 1; d <= 5; ++d) ASSERT_TRUE(f.journal.Append(Stake(d, {1, 2, 3, 4, 5}), 1));
  EXPECT_EQ(f.journal.Read(TStakeOrigin::End, -1).DrawNumber, 5);
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 0).DrawNumber, 1);
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 5).DrawNumber, 0);
  EXPECT_EQ(f.LastMessage(),
            "Ошибка чтения записи из файла ставок!\r\rЗапись со индексом 5 в файле данных не найдена!");
  // The cache never serves a record the file no longer holds.
  TStakeData changed = Stake(77, {1, 2, 3, 4, 6});
  ASSERT_TRUE(f.journal.Write(TStakeOrigin::Begin, 0, changed));
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 0).DrawNumber, 77);
  EXPECT_TRUE(f.journal.Exists(77, Nums({6, 4, 3, 2, 1})));
  EXPECT_FALSE(f.journal.Exists(77, Nums({1, 2, 3, 4, 5})));
  f.journal.Close();
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 0).DrawNumber, 0);
  EXPECT_EQ(f.LastMessage(), "Ошибка чтения записи из файла ставок!\r\rФайл ставок не открыт!");
}

TEST(StakesJournal, DeletesRowsAndByConditionKeepingSeparators) {
  TJournalFixture f;
  for (int d = 1; d <= 5; ++d) ASSERT_TRUE(f.journal.Append(Stake(d, {1, 2, 3, 4, 5}), 1));
  EXPECT_TRUE(f.journal.DeleteRows(2, 3));
  EXPECT_EQ(f.Draws(), (std::vector<int32_t>{1, 4, 5}));
  EXPECT_FALSE(std::filesystem::exists(f.dir / "Kivra_5x45.~tmp"));

  // Matched counts -1 (unchecked), 0, 1, 3 and two kinds of separator.
  auto withMatches = [](int32_t draw, int32_t m) {
    TStakeData r = Stake(draw, {1, 2, 3, 4, 5});
    if (m >= 0) r.Checked = 1;
    r.Matched.Count = m;
    return r;
  };
  TStakeData kindZero = withMatches(60, 0);
  kindZero.Kind = StakeSeparator;
  const std::vector<TStakeData> records = {withMatches(10, -1), SeparatorRecord(), withMatches(20, 0), kindZero,
                                           withMatches(30, 1),  withMatches(40, 3)};
  struct TCase {
    TStakeCondition condition;
    int value;
    std::vector<int32_t> kept;
  };
  const std::vector<TCase> cases = {
      {TStakeCondition::Less, 1, {0, 0, 30, 40}},       {TStakeCondition::Equal, 0, {10, 0, 0, 30, 40}},
      {TStakeCondition::NotLess, 1, {10, 0, 20, 0}},    {TStakeCondition::Greater, 1, {10, 0, 20, 0, 30}},
      {TStakeCondition::NotGreater, 0, {0, 0, 30, 40}},
  };
  for (const TCase& c : cases) {
    TJournalFixture g;
    for (const TStakeData& r : records) {
      ASSERT_TRUE(g.journal.Write(TStakeOrigin::End, 0, r));
    }
    EXPECT_TRUE(g.journal.DeleteWhere(c.condition, c.value));
    EXPECT_EQ(g.Draws(), c.kept) << StakeConditionCaptions[static_cast<int>(c.condition)] << " " << c.value;
  }
  TJournalFixture empty;
  EXPECT_FALSE(empty.journal.DeleteRows(1, 1));
  EXPECT_EQ(empty.LastMessage(), "Ошибка удаления записи из файла ставок!\r\rФайл ставок не открыт!");
}

TEST(StakesJournal, AFailedReplacementKeepsTheJournal) {
  // The temporary file on another file system: the rename cannot move it over the journal.
  struct stat shm {
  }, tmp{};
  TTempDir dir;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.Path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system for the temporary file";
  const std::filesystem::path temp = "/dev/shm/kivra-test-" + std::to_string(::getpid()) + ".~tmp";
  TRecordingPort port;
  TStakesJournal journal(port, dir / "Kivra_5x45.lsk", temp);
  ASSERT_TRUE(journal.Load());
  for (int d = 1; d <= 3; ++d) ASSERT_TRUE(journal.Append(Stake(d, {1, 2, 3, 4, 5}), 1));
  const std::string before = ReadBytes(journal.File());
  EXPECT_FALSE(journal.DeleteRows(1, 1));
  EXPECT_EQ(ReadBytes(journal.File()), before);
  EXPECT_FALSE(std::filesystem::exists(temp));
  ASSERT_FALSE(port.Messages.empty());
  EXPECT_EQ(
      port.Messages.back().Text.rfind("Ошибка удаления записи из файла ставок!\r\rОшибка переименования / удаления "
                                      "временного файла ставок " +
                                          temp.string() + "!\r\r",
                                      0),
      0u)
      << port.Messages.back().Text;
  // Reopened: still usable.
  EXPECT_TRUE(journal.IsOpen());
  EXPECT_EQ(journal.Read(TStakeOrigin::End, -1).DrawNumber, 3);
}

TEST(StakesJournal, AnOutdatedJournalIsKeptAsideBeforeItIsEmptied) {
  struct TCase {
    const char* name;
    std::string bytes;
    bool outdated;
  };
  std::string versionOne =
      std::string(reinterpret_cast<const char*>(EncodeStake(Stake(1, {1, 2, 3, 4, 5})).data()), 320);
  versionOne[0] = 1;
  const std::vector<TCase> cases = {
      {"torn", std::string(321, '\2'), true}, {"version 1", versionOne, true}, {"empty", std::string(), false}};
  for (const TCase& c : cases) {
    TJournalFixture f(false);
    WriteBytes(f.dir / "Kivra_5x45.lsk", c.bytes);
    WriteBytes(f.dir / "Kivra_5x45.lsk.bak", "older copy");
    ASSERT_TRUE(f.journal.Load()) << c.name;
    EXPECT_EQ(f.journal.Count(), 0) << c.name;
    EXPECT_EQ(std::filesystem::file_size(f.journal.File()), 0u) << c.name;
    EXPECT_EQ(std::filesystem::exists(f.dir / "Kivra_5x45.lsk.bak1"), c.outdated) << c.name;
    if (!c.outdated) {
      EXPECT_TRUE(f.port.Messages.empty()) << c.name;
      continue;
    }
    EXPECT_EQ(ReadBytes(f.dir / "Kivra_5x45.lsk.bak1"), c.bytes) << c.name;
    EXPECT_EQ(ReadBytes(f.dir / "Kivra_5x45.lsk.bak"), "older copy") << c.name;
    ASSERT_EQ(f.port.Messages.size(), 1u);
    EXPECT_EQ(f.port.Messages[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(f.port.Messages[0].Text,
              "Обнаружен файл ставок устаревшей версии - имеющиеся в файле ставки будут удалены!\r\rКопия прежнего "
              "файла сохранена: " +
                  (f.dir / "Kivra_5x45.lsk.bak1").string());
  }
}

TEST(StakesJournal, ASecondProgramCannotTakeTheJournal) {
  TJournalFixture f;
  TRecordingPort port;
  TStakesJournal second(port, f.journal.File(), f.dir / "other.~tmp");
  EXPECT_FALSE(second.Load());
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_NE(port.Messages[0].Text.find("занят другой копией программы"), std::string::npos);
  // The lock follows the journal through a replacement and is free once it is closed.
  ASSERT_TRUE(f.journal.Append(Stake(1, {1, 2, 3, 4, 5}), 2));
  ASSERT_TRUE(f.journal.DeleteRows(1, 1));
  EXPECT_FALSE(second.Load());
  f.journal.Close();
  EXPECT_TRUE(second.Load());
}

TEST(StakesMoney, ProfitsAndTexts) {
  TConfigData config;
  config.Cost = 10 * MoneyScale;
  struct TCase {
    std::vector<TProfitItem> table;
    int n, m;
    TMoney expected;
  };
  const std::vector<TProfitItem> table = {
      {0, 0}, {1, 0}, {2, 0}, {3, 15 * MoneyScale}, {4, 100 * MoneyScale}, {5, 10000 * MoneyScale}};
  const std::vector<TCase> cases = {
      {{}, 5, -1, -10 * MoneyScale},
      {{}, 5, 2, -10 * MoneyScale},
      {table, 6, 4, 40 * MoneyScale},
      {table, 12, -1, -7920 * MoneyScale},
      {table, 7, 3, -195 * MoneyScale},
      {table, 4, 5, 9990 * MoneyScale},
      {{{3, 1 * MoneyScale}, {3, 99 * MoneyScale}}, 5, 3, -9 * MoneyScale},       // the first entry counts
      {{{256, 50 * MoneyScale}, {-1, 50 * MoneyScale}}, 5, 0, -10 * MoneyScale},  // not cut to a byte
  };
  for (const TCase& c : cases) {
    config.Profits = c.table;
    EXPECT_EQ(StakeProfit(config, c.n, c.m), c.expected) << c.n << " " << c.m;
  }
  config.Cost = INT64_MAX / 100;
  EXPECT_EQ(StakeProfit(config, 12, -1), INT64_MIN + 1);  // saturated, then negated
  EXPECT_EQ(MoneyAdd(INT64_MAX, 1), INT64_MAX);

  struct TText {
    TMoney amount;
    const char* text;
  };
  for (const TText t :
       {TText{10050, "1.01"}, TText{-100050, "-10.01"}, TText{0, "0.00"}, TText{-49, "0.00"}, TText{-50, "-0.01"},
        TText{400000, "40.00"}, TText{INT64_MIN, "-922337203685477.58"}, TText{INT64_MAX, "922337203685477.58"}})
    EXPECT_EQ(MoneyText(t.amount), t.text) << t.amount;
  SetDecimalSeparator(',');
  EXPECT_EQ(MoneyText(-100000), "-10,00");
  SetDecimalSeparator('.');
}

TEST(StakesCheck, CompletesDueStakesOnly) {
  TJournalFixture f;
  TDrawsArchive archive;
  archive.Append(MakeDraw(498, {1, 2, 3, 4, 5}));
  archive.Append(MakeDraw(499, {45, 10, 3, 22, 7}));
  TConfigData config;
  config.Cost = 10 * MoneyScale;
  config.Profits = {{0, 0}, {1, 0}, {2, 0}, {3, 15 * MoneyScale}, {4, 100 * MoneyScale}, {5, 10000 * MoneyScale}};

  TStakeData hostile = Stake(499, {3, 7, 10, 22, 45});
  hostile.Numbers.Values[0] = 46;
  TStakeData few = Stake(499, {3, 7, 10, 22, 45});
  few.Numbers.Count = 4;
  const std::vector<TStakeData> records = {
      Stake(499, {7, 45, 3, 22, 1, 2}), SeparatorRecord(), Stake(500, {1, 2, 3, 4, 5}), hostile, few,
      Stake(498, {40, 41, 42, 43, 44})};
  for (const TStakeData& r : records) ASSERT_TRUE(f.journal.Append(r, 1));
  std::vector<TStakeData> completed;
  EXPECT_TRUE(f.journal.Check(archive, config, [&](const TStakeData& r) { completed.push_back(r); }));
  EXPECT_EQ(f.journal.LastChecked(), 2);
  ASSERT_EQ(completed.size(), 2u);

  const TStakeData a = f.journal.Read(TStakeOrigin::Begin, 0);
  EXPECT_EQ(a.Checked, 1);
  EXPECT_EQ(a.DrawResult, (std::array<uint8_t, 5>{45, 10, 3, 22, 7}));
  EXPECT_EQ(a.Matched, Nums({3, 7, 22, 45}));
  EXPECT_EQ(a.Profit, 40 * MoneyScale);
  EXPECT_EQ(completed[0], a);
  EXPECT_EQ(StakeCellText(a, 6), "3 7 22 45");
  EXPECT_EQ(StakeCellText(a, 7), "40.00");
  const TStakeData none = f.journal.Read(TStakeOrigin::End, -1);
  EXPECT_EQ(none.Matched.Count, 0);
  EXPECT_EQ(none.Profit, -10 * MoneyScale);
  for (int i : {2, 3, 4}) EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, i).Checked, 0) << i;

  // Nothing due any more; draw 500 arrives and its stake completes.
  EXPECT_FALSE(f.journal.Check(archive, config, nullptr));
  archive.Append(MakeDraw(500, {1, 2, 3, 4, 5}));
  archive.SetDrawsOffset(1);
  EXPECT_TRUE(f.journal.Check(archive, config, nullptr));
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 2).Profit, 9990 * MoneyScale);

  // A check starts after the records it knows are done, but a record written in place before them,
  // or a replaced journal, is looked at again.
  EXPECT_FALSE(f.journal.Check(archive, config, nullptr));
  ASSERT_TRUE(f.journal.Write(TStakeOrigin::Begin, 0, Stake(498, {1, 2, 3, 40, 41})));
  EXPECT_TRUE(f.journal.Check(archive, config, nullptr));
  EXPECT_EQ(f.journal.LastChecked(), 1);
  EXPECT_EQ(f.journal.Read(TStakeOrigin::Begin, 0).Matched.Count, 3);
  ASSERT_TRUE(f.journal.Append(Stake(499, {3, 7, 10, 22, 45}), 1));
  ASSERT_TRUE(f.journal.DeleteRows(2, 2));
  EXPECT_TRUE(f.journal.Check(archive, config, nullptr));
  EXPECT_EQ(f.journal.LastChecked(), 1);
}

TEST(StakesJournal, RecentDraws) {
  TJournalFixture f;
  auto checked = [](int32_t draw) {
    TStakeData r = Stake(draw, {1, 2, 3, 4, 5});
    r.Checked = 1;
    r.Matched.Count = 0;
    return r;
  };
  for (const TStakeData& r :
       {checked(1), checked(2), SeparatorRecord(), checked(2), checked(3), Stake(4, {1, 2, 3, 4, 5})})
    ASSERT_TRUE(f.journal.Write(TStakeOrigin::End, 0, r));
  struct TCase {
    int n, draws, first;
  };
  for (const TCase c : {TCase{1, 1, 4}, TCase{2, 2, 1}, TCase{3, 3, 0}, TCase{9, 3, 0}}) {
    const auto found = f.journal.SeekRecentDraws(c.n);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->Draws, c.draws) << c.n;
    EXPECT_EQ(found->First, c.first) << c.n;
  }
}

TEST(StakeLogs, OneLinePerCheckedStakeInTheFileOfItsMatches) {
  TTempDir dir;
  TRecordingPort port;
  TStakeLogs logs(port, dir.Path(), "Kivra_5x45", [] { return TLogTime{2026, 3, 4, 5, 6, 7}; });
  TStakeData r = Stake(12, {1, 2, 3, 4, 5}, "Тест\r\nдва");
  r.Checked = 1;
  r.SampleSize = 99;
  r.DrawResult = {9, 8, 7, 6, 1};
  r.Matched = Nums({1});
  r.Profit = -100000;
  logs.Write(r);  // off: nothing
  EXPECT_FALSE(std::filesystem::exists(logs.LogPath(1)));
  logs.SetEnabled(true);
  logs.Write(r);
  logs.Write(r);
  const std::string line =
      "2026.03.04 05:06:07: Тираж № 12. Ставка: \"Тест  два\" [1;2;3;4;5] {99}. Результаты тиража: [9;8;7;6;1]. "
      "Совпадений: 1. Профит: -10.00.";
  EXPECT_EQ(ReadBytes(logs.LogPath(1)), Utf8ToCp1251(line) + "\r\n" + Utf8ToCp1251(line) + "\r\n");
  EXPECT_EQ(FindFilesByMask(dir.Path(), "Kivra_5x45-*.log").size(), 1u);

  WriteBytes(dir / "KIVRA_5X45-3.LOG", "x");
  WriteBytes(dir / "Kivra_5x45-1.log.txt", "x");
  std::filesystem::create_directory(dir / "Kivra_5x45-9.log");
  logs.DeleteAll();
  EXPECT_EQ(port.Messages.back().Text, "Удалено файлов журналов: 2 из 2.\r\rОшибок нет.");
  EXPECT_TRUE(std::filesystem::exists(dir / "Kivra_5x45-1.log.txt"));
  logs.DeleteAll();
  EXPECT_EQ(port.Messages.back().Text, "Файлы журналов не найдены!");
}

}  // namespace
}  // namespace kivra
