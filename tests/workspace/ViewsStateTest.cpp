// The views state (switches, lengths, the skipping of unforced refreshes, hidden tabs) and the
// kivra-cli commands that print the card, layout, compare tables and week as the tabs show them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/IniFile.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;

// Draws 10 (Wednesday), 11 (undated), 12 (Sunday).
TDrawsArray ThreeDraws() {
  return {MakeDraw(10, {1, 2, 3, 4, 5}, "2026-01-07"), MakeDraw(11, {3, 6, 7, 8, 9}),
          MakeDraw(12, {1, 3, 10, 11, 12}, "2026-01-11")};
}

class ViewsState : public ::testing::Test {
 protected:
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};

  void SetUp() override {
    test::WriteBytes(dir / "Kivra_5x45.ldr", ArchiveToBytes(ThreeDraws()));
    ws.LoadSettingsAndConfig();
    ws.LoadArchive();
  }
  std::string Settings() const { return test::ReadBytes(dir / "Kivra_5x45.frm"); }
};

TEST_F(ViewsState, DefaultsSwitchesAndLengthsInTheSettings) {
  TViewsState& v = ws.Views();
  EXPECT_TRUE(v.TabShown(TViewTab::Card) && v.TabShown(TViewTab::Layout) && v.TabShown(TViewTab::Week));
  EXPECT_TRUE(v.ColorCard() && v.ColorCardSequences() && v.LayoutGradient());
  EXPECT_EQ(v.WeekChartMode(), 0);
  EXPECT_FALSE(v.WeekChartLine());
  EXPECT_EQ(v.LayoutLength(), 100);
  EXPECT_EQ(v.WeekLength(), 1000);
  const std::array<int, 5> compareLengths{50, 100, 200, 300, 400};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(v.CompareLength(k), compareLengths[size_t(k)]);

  // Switches are written at once; lengths when the window closes.
  v.SetTabShown(TViewTab::Week, false);
  v.SetColorCardSequences(false);
  v.SetLayoutGradient(false);
  v.SetWeekChartMode(1);
  v.SetWeekChartLine(true);
  v.SetLayoutLength(0);  // at least 1
  v.SetCompareLength(4, 7);
  v.SetWeekLength(30);
  TIniFile ini = TIniFile::FromText(Settings());
  for (auto [key, value] : {std::pair{"TabWeek", "0"},
                            {"ColorCardSequences", "0"},
                            {"LayoutGradient", "0"},
                            {"WeekChartMode", "1"},
                            {"WeekChartType", "1"}})
    EXPECT_EQ(ini.ReadString("TFormMain", key, ""), value) << key;
  EXPECT_EQ(ini.ReadString("TFormMain", "LayoutLen", ""), "");
  v.SaveSettings();
  ini = TIniFile::FromText(Settings());
  EXPECT_EQ(ini.ReadString("TFormMain", "LayoutLen", ""), "1");
  EXPECT_EQ(ini.ReadString("TFormMain", "LayoutCompareLen5", ""), "7");
  EXPECT_EQ(ini.ReadString("TFormMain", "WeekLen", ""), "30");

  TRecordingPort port2;
  TWorkspace again(dir.Path(), port2);
  again.LoadSettingsAndConfig();
  EXPECT_FALSE(again.Views().TabShown(TViewTab::Week));
  EXPECT_TRUE(again.Views().TabShown(TViewTab::Card));
  EXPECT_EQ(again.Views().WeekChartMode(), 1);
  EXPECT_TRUE(again.Views().WeekChartLine());
  EXPECT_EQ(again.Views().CompareLength(4), 7);
  EXPECT_EQ(again.Views().WeekLength(), 30);
}

TEST_F(ViewsState, UnforcedRefreshesComputeOnlyWhenTheirInputsChanged) {
  TViewsState& v = ws.Views();
  // The first refreshes compute, with their busy texts.
  port.Progress.clear();
  EXPECT_TRUE(v.RefreshCard(false));
  EXPECT_TRUE(v.RefreshLayout(false));
  EXPECT_TRUE(v.RefreshLayoutCompare(false));
  EXPECT_TRUE(v.RefreshWeek(false));
  EXPECT_EQ(port.Progress,
            (std::vector<std::string>{"Обновление карты тиражей...", "", "Построение схемы выпадения номеров...", "",
                                      "Построение схемы выпадения номеров...", "",
                                      "Построение статистики по дням недели...", ""}));
  EXPECT_EQ(port.BusyCount(), 0);
  EXPECT_EQ(v.CardRows(), 4);
  EXPECT_EQ(v.Week().At(1, 3), 1);                      // Wednesday
  EXPECT_EQ(v.Week().At(1, 7), 1);                      // Sunday
  EXPECT_EQ(v.Week().At(6, 7) + v.Week().At(6, 6), 0);  // draw 11 is undated

  // Nothing changed: nothing computes; forced, everything does.
  EXPECT_FALSE(v.RefreshCard(false) || v.RefreshLayout(false) || v.RefreshLayoutCompare(false) || v.RefreshWeek(false));
  EXPECT_TRUE(v.RefreshCard(true) && v.RefreshLayout(true) && v.RefreshLayoutCompare(true) && v.RefreshWeek(true));

  // The offset: not the card's input.
  ws.SetDrawsOffset(1);
  EXPECT_FALSE(v.RefreshCard(false));
  EXPECT_TRUE(v.RefreshLayout(false));
  EXPECT_EQ(v.LayoutGrid().At(1, 1), "[3]");
  EXPECT_TRUE(v.RefreshLayoutCompare(false));
  EXPECT_TRUE(v.RefreshWeek(false));
  EXPECT_EQ(v.Week().At(1, 7), 0);

  // A length: the layout's and the week's inputs, not the compare tables' (their Enter forces).
  v.SetLayoutLength(1);
  v.SetCompareLength(0, 1);
  v.SetWeekLength(1);
  EXPECT_TRUE(v.RefreshLayout(false));
  EXPECT_FALSE(v.RefreshLayoutCompare(false));
  EXPECT_TRUE(v.RefreshWeek(false));
  EXPECT_EQ(v.Week().Max, 0);  // draw 11 alone, undated

  // A new draw: the card's row count.
  ASSERT_TRUE(ws.AddDraw(MakeDraw(13, {40, 41, 42, 43, 44}, "2026-01-14")));
  EXPECT_TRUE(v.RefreshCard(false));
  EXPECT_EQ(v.CardRows(), 5);
}

TEST_F(ViewsState, HiddenTabsComputeNothingAndKeepTheirTables) {
  TViewsState& v = ws.Views();
  ASSERT_TRUE(v.RefreshLayout(true) && v.RefreshLayoutCompare(true) && v.RefreshWeek(true));
  const TTextGrid before = v.LayoutGrid();
  const std::string caption = v.CompareTables()[0].Caption;
  for (TViewTab tab : {TViewTab::Card, TViewTab::Layout, TViewTab::Week}) v.SetTabShown(tab, false);
  ws.SetDrawsOffset(2);
  port.Progress.clear();
  EXPECT_FALSE(v.RefreshCard(true) || v.RefreshLayout(true) || v.RefreshLayoutCompare(true) || v.RefreshWeek(true));
  EXPECT_TRUE(port.Progress.empty());
  EXPECT_EQ(v.LayoutGrid().Cells, before.Cells);
  EXPECT_EQ(v.CompareTables()[0].Caption, caption);
  EXPECT_EQ(v.Week().At(1, 7), 1);
  // Shown again, the unforced refresh sees the new offset.
  v.SetTabShown(TViewTab::Layout, true);
  EXPECT_TRUE(v.RefreshLayout(false));
  EXPECT_EQ(v.LayoutGrid().At(0, 1), "10");
}

TEST_F(ViewsState, CompareHeaderClicksSortAndARebuildRestoresTheOrder) {
  TViewsState& v = ws.Views();
  v.SetCompareLength(0, 3);
  ASSERT_TRUE(v.RefreshLayoutCompare(true));
  auto counts = [&v] {
    std::vector<std::string> c;
    for (const auto& row : v.CompareTables()[0].Rows) c.push_back(row[0]);
    return c;
  };
  EXPECT_EQ(counts(), (std::vector<std::string>{"2", "3", "1"}));
  v.ClickCompareColumn(0, 0);
  EXPECT_EQ(counts(), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_FALSE(v.CompareSortDescending(0));
  v.ClickCompareColumn(0, 0);
  EXPECT_EQ(counts(), (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_TRUE(v.CompareSortDescending(0));
  v.ClickCompareColumn(0, 1);  // another column starts ascending
  EXPECT_EQ(v.CompareSortColumn(0), 1);
  EXPECT_FALSE(v.CompareSortDescending(0));
  ASSERT_TRUE(v.RefreshLayoutCompare(true));
  EXPECT_EQ(counts(), (std::vector<std::string>{"2", "3", "1"}));
  EXPECT_EQ(v.CompareSortColumn(0), -1);
}

// --- kivra-cli ---

class CliViews : public ::testing::Test {
 protected:
  test::TTempDir dir;
  std::filesystem::path data = dir / "data";
  void SetUp() override {
    std::filesystem::create_directories(data);
    TDrawsArray draws = ThreeDraws();
    draws.push_back(MakeDraw(13, {13, 0, 46, 12, 200}, "bad"));  // odd bytes, a bad date
    test::WriteBytes(data / "Kivra_5x45.ldr", ArchiveToBytes(draws));
  }
  std::pair<int, std::string> Run(const std::string& args) {
    test::TCliRun r = test::RunCli(data, args, dir / "err");
    return {r.Status, std::move(r.Out)};
  }
  static bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
  // The first `n` cells of each line.
  static std::string Cut(const std::string& text, int n) {
    std::string out, line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
      size_t pos = 0;
      for (int i = 0; i < n && pos != std::string::npos; ++i) pos = line.find(';', pos + (i > 0 ? 1 : 0));
      out += line.substr(0, pos) + "\n";
    }
    return out;
  }
};

TEST_F(CliViews, CardRowsAndColours) {
  auto [status, out] = Run("card --len 2");
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Cut(out, 14), ";1;2;3;4;5;6;7;8;9;10;11;12;13\n13;;;;;;;;;;;;12;13\n12;1;;3;;;;;;;10;11;12;\n");
  auto [s2, colors] = Run("card --len 2 --colors --channels off");
  ASSERT_EQ(s2, 0);
  // Draw 13: 12 beside 13 and repeated below (yellow), 13 beside 12 only (aqua; the header's "13"
  // above is no repeat); draw 12: 1 alone, 3 repeated from draw 11 (lime), 10 and 11 neighbours,
  // 12 both; empty cells plain with the channels off.
  EXPECT_EQ(Cut(colors, 14),
            ";1;2;3;4;5;6;7;8;9;10;11;12;13\n13;;;;;;;;;;;;#FFFF00;#00FFFF\n"
            "12;;;#00FF00;;;;;;;#00FFFF;#00FFFF;#FFFF00;\n");
  const std::string all = Run("card").second;
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 5);
}

TEST_F(CliViews, LayoutCompareTablesAndWeek) {
  auto [status, out] = Run("layout --len 3 --offset 1");
  ASSERT_EQ(status, 0);
  // Draw 13 is hidden: its 12 in brackets (its bytes 0, 46, 200 are no numbers).
  EXPECT_EQ(out, ";12;11;10\n3;3;;\n2;1;;\n1;10, 11, [12];6, 7, 8, 9;2, 4, 5\n");
  EXPECT_EQ(Run("layout --len 3 --offset 1 --colors --gradient off").second,
            ";12;11;10\n3;#EAFFEA;#EAFFEA;#EAFFEA\n2;#EAFFEA;#EAFFEA;#EAFFEA\n1;#00FF00;#EAFFEA;#EAFFEA\n");

  EXPECT_EQ(Run("layout-compare --lens 1,2,3,4,100 --offset 1").second,
            "Кол-во;12 - 12\n1;1, 3, 10, 11, 12\n\n"
            "Кол-во;11 - 12\n1;1, 10, 11, 12, 6, 7, 8, 9\n2;3\n\n"
            "Кол-во;10 - 12\n2;1\n3;3\n1;10, 11, 12, 6, 7, 8, 9, 2, 4, 5\n\n"
            "Кол-во;10 - 12\n2;1\n3;3\n1;10, 11, 12, 6, 7, 8, 9, 2, 4, 5\n\n"
            "Кол-во;10 - 12\n2;1\n3;3\n1;10, 11, 12, 6, 7, 8, 9, 2, 4, 5\n");
  EXPECT_TRUE(StartsWith(Run("layout-compare --lens 3,3,3,3,3 --offset 1 --sort 0 --desc").second,
                         "Кол-во;10 - 12\n3;3\n2;1\n1;"));

  const std::string week = Run("week --len 100").second;
  EXPECT_EQ(std::count(week.begin(), week.end(), '\n'), 8);
  EXPECT_EQ(Cut(week, 6), ";1;2;3;4;5\nПн;;;;;\nВт;;;;;\nСр;1;1;1;1;1\nЧт;;;;;\nПт;;;;;\nСб;;;;;\nВс;1;;1;;\n");
  EXPECT_TRUE(StartsWith(Cut(Run("week --len 100 --colors").second, 3), ";1;2\nПн;;\nВт;;\nСр;#FF0000;#FF0000\n"));
  EXPECT_EQ(Run("week --len 100 --chart 3,7 --mode 1").second,
            "1;0;Пн\n2;0;Вт\n3;1;Ср\n4;0;Чт\n5;0;Пт\n6;0;Сб\n7;1;Вс\n");
  const std::string byNumber = Run("week --len 100 --chart 3,7 --mode 0").second;
  EXPECT_EQ(byNumber.substr(0, 24), "1;1;1\n2;0;2\n3;1;3\n4;0;4\n");
  EXPECT_EQ(std::count(byNumber.begin(), byNumber.end(), '\n'), 45);
  EXPECT_EQ(Run("week --chart 3,7").first, 2);
  EXPECT_EQ(Run("week --len 5 --chart 46,1").first, 2);
}

}  // namespace
}  // namespace kivra
