// The statistics tab of the workspace: the table's refresh rules, its filter commands and the
// full-set distribution files it reads and builds.
#include <gtest/gtest.h>

#include <random>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "stats/StatPasses.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

// The file as the straightforward builder writes it: CombValues of every combination into one
// distribution.
std::string ReferenceCacheBytes(TCustomStat& stat) {
  TStatDrawArray values;
  for (const TComb& c : FullCombinationSet()) stat.CombValues(c, values);
  SortStatValues(values);
  return CacheBytes(values);
}

class StatTab : public ::testing::Test {
 protected:
  StatTab() {
    ws.LoadSettingsAndConfig();
    ws.Combs().ReserveLists();
    std::mt19937 rng(7);
    TDrawsArray draws(40);
    for (size_t i = 0; i < draws.size(); ++i) {
      std::array<uint8_t, 45> pool;
      for (int n = 0; n < 45; ++n) pool[n] = static_cast<uint8_t>(n + 1);
      std::shuffle(pool.begin(), pool.end(), rng);
      draws[i].Number = static_cast<int32_t>(i + 1);
      std::copy_n(pool.begin(), 5, draws[i].Nums.begin());
    }
    ws.Archive().Assign(std::move(draws));
  }
  int Entry(std::string_view code) { return ws.Stats().FindCode(code); }
  void SmallListWithUndo() {
    ASSERT_TRUE(ws.Combs().GenerateList(false, {GenAnyOfMine, "1;2;3;4;5;6"}));
    ws.Combs().List().SaveUndo(false);
  }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

TEST_F(StatTab, OpenCacheBuildsMissingFilesAndLeavesTheListAlone) {
  const int even = Entry("EVEN");
  const auto path = ws.StatTab().CacheFileName(even);
  EXPECT_EQ(path, dir.Path() / "Prefetchs" / "Kivra_5x45_EVEN.dfc");
  // The switch off, or a statistic without option N: no file.
  EXPECT_FALSE(ws.StatTab().OpenCache(even));
  ws.StatTab().SetPrefetchsEnabled(true, false);
  EXPECT_FALSE(ws.StatTab().OpenCache(Entry("SUMC")));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Prefetchs" / "Kivra_5x45_SUMC.dfc"));

  SmallListWithUndo();
  const std::vector<TComb> before(ws.Combs().List().Items().begin(), ws.Combs().List().Items().end());
  ws.StatTab().SetItem(even);
  ASSERT_TRUE(ws.StatTab().Refresh(true));
  EXPECT_TRUE(ws.StatTab().View().ComparisonActive());
  const auto stat = ws.Stats().CreateStat(even);
  EXPECT_EQ(test::ReadBytes(path), ReferenceCacheBytes(*stat));
  EXPECT_EQ(std::vector<TComb>(ws.Combs().List().Items().begin(), ws.Combs().List().Items().end()), before);
  EXPECT_FALSE(ws.Combs().List().CanUndo());  // the build replaced the undo step
  EXPECT_TRUE(std::find(port.Progress.begin(), port.Progress.end(),
                        "Создание файла предварительной выборки Kivra_5x45_EVEN.dfc...") != port.Progress.end());

  // An existing file is trusted as it is; an empty one is built again.
  test::WriteBytes(path, std::string("\0\0\0\0\0\0\0\0\x07\0\0\0\x07\0\0\0\x07\0\0\0\0\0\0\0", 24));
  ASSERT_EQ(ws.StatTab().OpenCache(even)->Records.size(), 1u);
  test::WriteBytes(path, "");
  ASSERT_EQ(ws.StatTab().OpenCache(even)->Records.size(), 6u);
  EXPECT_TRUE(port.Messages.empty());
}

TEST_F(StatTab, CacheFailuresAreReportedAndTheTableGoesOnWithoutComparison) {
  ws.StatTab().SetPrefetchsEnabled(true, false);
  test::WriteBytes(dir.Path() / "Prefetchs", "a file where the folder should be");
  const int nums = Entry("NUMS");
  ws.StatTab().SetItem(nums);
  ASSERT_TRUE(ws.StatTab().Refresh(true));
  EXPECT_FALSE(ws.StatTab().View().ComparisonActive());
  EXPECT_EQ(ws.StatTab().View().Rows().size(), 45u);
  ASSERT_EQ(port.Messages.size(), 1u);
  const std::string head = "Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: " +
                           ws.StatTab().CacheFileName(nums).string() + "\r\r";
  EXPECT_EQ(port.Messages[0].Text.substr(0, head.size()), head);
  EXPECT_GT(port.Messages[0].Text.size(), head.size());
  EXPECT_EQ(port.Messages[0].Caption, "Ошибка");
  EXPECT_EQ(port.BusyCount(), 0);
  EXPECT_EQ(port.Progress.back(), "");
}

TEST_F(StatTab, BuildAllCachesBuildsMissingFilesAndRebuildsGroups) {
  EXPECT_EQ(ws.StatTab().BuildAllCaches(false, 0), 0);  // the switch is off
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Prefetchs"));

  // Placeholder files for every entry with option N except EVEN and DIGS (group 0) and one of
  // another group.
  std::filesystem::create_directories(dir.Path() / "Prefetchs");
  const int even = Entry("EVEN"), digs = Entry("DIGS"), other = Entry("SUMS");
  ASSERT_NE(ws.Stats().Item(other).StatClass->GetGroup(), 0);
  int group0 = 0;
  for (int i = 0; i < ws.Stats().Count(); ++i) {
    const TStatClass& cls = *ws.Stats().Item(i).StatClass;
    if (!cls.CanPrefetch()) continue;
    group0 += cls.GetGroup() == 0;
    if (i != even && i != digs && i != other) test::WriteBytes(ws.StatTab().CacheFileName(i), "old");
  }
  ws.Combs().SetFilterThreads(2);
  EXPECT_EQ(ws.StatTab().BuildAllCaches(true, 0), 3);
  for (int i : {even, digs, other}) {
    const auto stat = ws.Stats().CreateStat(i);
    EXPECT_EQ(test::ReadBytes(ws.StatTab().CacheFileName(i)), ReferenceCacheBytes(*stat)) << ws.Stats().Code(i);
  }
  EXPECT_TRUE(std::find(port.Progress.begin(), port.Progress.end(),
                        "Создание файлов для полного набора комбинаций... 3/3") != port.Progress.end());
  EXPECT_EQ(ws.StatTab().BuildAllCaches(true, 0), 0);

  // Group 0 again: its placeholders are rebuilt, the others stay.
  EXPECT_EQ(ws.StatTab().BuildAllCaches(true, 1u << 0), group0);
  for (int i = 0; i < ws.Stats().Count(); ++i) {
    if (!ws.Stats().Item(i).StatClass->CanPrefetch()) continue;
    const bool old = test::ReadBytes(ws.StatTab().CacheFileName(i)) == "old";
    EXPECT_EQ(old, ws.Stats().Item(i).StatClass->GetGroup() != 0 && i != other) << ws.Stats().Code(i);
  }
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(port.BusyCount(), 0);
}

TEST_F(StatTab, RefreshRulesAndFilterBySelectedRows) {
  // Nothing selected: no rows.
  EXPECT_TRUE(ws.StatTab().Refresh(false));
  EXPECT_TRUE(ws.StatTab().View().Rows().empty());

  const int even = Entry("EVEN");
  ws.StatTab().SetItem(even);
  ws.StatTab().SetWindowLength(30);
  ASSERT_TRUE(ws.StatTab().Refresh(false));
  ASSERT_EQ(ws.StatTab().View().Rows().size(), 6u);
  const std::string weight = ws.StatTab().View().Rows()[5].Cells[ColWeight];
  // An input the key does not hold: an unforced refresh keeps the table, a forced one recomputes.
  ws.Stats().Coefs.Level = 2;
  ASSERT_TRUE(ws.StatTab().Refresh(false));
  EXPECT_EQ(ws.StatTab().View().Rows()[5].Cells[ColWeight], weight);
  ASSERT_TRUE(ws.StatTab().Refresh(true));
  EXPECT_NE(ws.StatTab().View().Rows()[5].Cells[ColWeight], weight);
  ws.Stats().Coefs.Level = 1;
  ws.SetDrawsOffset(3);  // the key changed
  ASSERT_TRUE(ws.StatTab().Refresh(false));
  EXPECT_EQ(ws.StatTab().View().Last(), 36);

  // Keep the combinations with no even number ("0:5"), then remove those with five.
  ASSERT_TRUE(ws.Combs().GenerateList(false, {GenFullSet, ""}));
  std::vector<size_t> rows;
  for (size_t r = 0; r < ws.StatTab().View().Rows().size(); ++r)
    if (ws.StatTab().View().Rows()[r].Cells[ColValue] == "0:5" ||
        ws.StatTab().View().Rows()[r].Cells[ColValue] == "5:0")
      rows.push_back(r);
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_TRUE(ws.StatTab().FilterByRows(rows, false));
  EXPECT_EQ(ws.Combs().List().Count(), 33649u + 26334u);
  ASSERT_EQ(ws.Combs().List().Log().size(), 1u);
  EXPECT_EQ(ws.Combs().List().Log()[0].Values, ws.StatTab().View().SelectedText(rows));
  EXPECT_FALSE(ws.StatTab().FilterByRows({}, true));  // no rows: nothing happens
  EXPECT_EQ(ws.Combs().List().Log().size(), 1u);

  // An empty archive: no rows.
  ws.Archive().Clear();
  ASSERT_TRUE(ws.StatTab().Refresh(true));
  EXPECT_TRUE(ws.StatTab().View().Rows().empty());
}

TEST_F(StatTab, InListCountsWhatAKeepByTheRowsWouldLeave) {
  ws.StatTab().SetItem(Entry("DIGS"));  // a digit can show twice in a combination
  ws.StatTab().SetWindowLength(30);
  ws.SetDrawsOffset(3);
  ASSERT_TRUE(ws.Combs().GenerateList(false, {GenFullSet, ""}));
  TStatTab& tab = ws.StatTab();
  const auto& rows = tab.View().Rows();

  // Off (as it starts): no counts.
  ASSERT_FALSE(tab.ShowInList());
  ASSERT_TRUE(tab.Refresh(true));
  ASSERT_EQ(rows.size(), 10u);
  for (const auto& r : rows) EXPECT_EQ(r.InList, "");

  tab.SetShowInList(true, false);
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::string caption = rows[r].Cells[ColValue], inList = rows[r].InList;
    ASSERT_TRUE(tab.FilterByRows(std::vector<size_t>{r}, false));
    EXPECT_EQ(inList, std::to_string(ws.Combs().List().Count())) << caption;
    ASSERT_TRUE(ws.Combs().Undo());
  }
  // Two rows together: the combinations that show both count once.
  const std::vector<size_t> two = {0, 5};
  const size_t both = tab.InListOfRows(two);
  EXPECT_LT(both, std::stoul(rows[0].InList) + std::stoul(rows[5].InList));
  ASSERT_TRUE(tab.FilterByRows(two, false));
  EXPECT_EQ(both, ws.Combs().List().Count());

  // The list changed: the counts follow; sorted by the column, numerically.
  tab.RefreshInList();
  tab.View().ClickColumn(ColInList);
  uint64_t total = 0, previous = 0;
  for (const auto& r : rows) {
    const uint64_t n = std::stoul(r.InList);
    EXPECT_GE(n, previous);
    previous = n;
    total += n;
  }
  EXPECT_GE(total, ws.Combs().List().Count());
  EXPECT_EQ(tab.View().SortColumn(), ColInList);

  // Off again: the column is cleared and the sort goes back to "Количество"; the switch is stored.
  tab.SetShowInList(false);
  EXPECT_EQ(rows[0].InList, "");
  EXPECT_EQ(tab.View().SortColumn(), ColCount);
  tab.SetShowInList(true);
  tab.LoadSettings();
  EXPECT_TRUE(tab.ShowInList());
}

}  // namespace
}  // namespace kivra
