// The "Графики" tab's state: its keys, the inputs whose change makes an unforced refresh build,
// a hidden tab, and entries that give no chart.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/IniFile.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using test::MakeDraw;

class GraphsState : public ::testing::Test {
 protected:
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};

  void SetUp() override {
    test::WriteBytes(dir / "Kivra_5x45.ldr",
                     ArchiveToBytes({MakeDraw(10, {1, 2, 3, 4, 5}), MakeDraw(11, {3, 6, 7, 8, 9}),
                                     MakeDraw(12, {1, 3, 10, 11, 12})}));
    ws.LoadSettingsAndConfig();
    ws.LoadArchive();
    ws.Graphs().LoadSettings();
  }
  int Entry(std::string_view code) const { return ws.Stats().FindCode(code); }
  std::string Setting(const char* key) const {
    return TIniFile::FromText(test::ReadBytes(dir / "Kivra_5x45.frm")).ReadString("TFormMain", key, "");
  }
};

TEST_F(GraphsState, UnforcedRefreshBuildsOnlyWhenAnInputChanged) {
  TGraphsState& g = ws.Graphs();
  EXPECT_TRUE(g.Shown());
  EXPECT_EQ(g.Length(), 100);
  const int sums = Entry("SUMS"), even = Entry("EVEN");
  ASSERT_GE(sums, 0);
  ASSERT_GE(even, 0);

  EXPECT_TRUE(g.Refresh(false, sums, "Суммы"));
  EXPECT_EQ(g.Chart().Values, (std::vector<int32_t>{15, 33, 37}));
  EXPECT_EQ(g.Chart().Chart.Series.at(0).Title, "Суммы");
  EXPECT_TRUE(g.Chart().Chart.Series.at(0).ValueLabels);
  EXPECT_EQ(port.BusyCount(), 0);

  // Each input in turn: the archive count, the offset, the length, the entry; then nothing new.
  struct Step {
    const char* what;
    std::function<void()> change;
    int entry;
    bool builds;
    std::vector<int32_t> draws;
  };
  const Step steps[] = {
      {"unchanged", [] {}, sums, false, {10, 11, 12}},
      {"offset", [&] { ws.SetDrawsOffset(1); }, sums, true, {10, 11}},
      {"length", [&] { g.SetLength(1); }, sums, true, {11}},
      {"entry", [] {}, even, true, {11}},
      {"new draw",
       [&] {
         ASSERT_TRUE(ws.AddDraw(MakeDraw(13, {2, 4, 6, 8, 10})));
       },
       even,
       true,
       {12}},
      {"unchanged again", [] {}, even, false, {12}},
  };
  for (const Step& s : steps) {
    s.change();
    EXPECT_EQ(g.Refresh(false, s.entry, "x"), s.builds) << s.what;
    EXPECT_EQ(g.Chart().DrawNumbers, s.draws) << s.what;
  }
  EXPECT_TRUE(g.Refresh(true, even, "x"));
}

TEST_F(GraphsState, HiddenTabAndEntriesWithoutAChart) {
  TGraphsState& g = ws.Graphs();
  const int sums = Entry("SUMS");
  ASSERT_TRUE(g.Refresh(true, sums, "x"));

  // Hidden: nothing builds, the chart stays; the switch is written at once.
  g.SetShown(false);
  EXPECT_EQ(Setting("TabGraphs"), "0");
  EXPECT_FALSE(g.Refresh(true, -1, "x"));
  EXPECT_EQ(g.Chart().Count(), 3);
  g.SetShown(true);

  // No entry, or an entry that draws no chart: an empty chart.
  int table = -1;
  for (int i = 0; i < ws.Stats().Count() && table < 0; ++i)
    if (!ws.Stats().Item(i).StatClass->IsGraph()) table = i;
  ASSERT_GE(table, 0);
  for (int entry : {-1, table}) {
    EXPECT_TRUE(g.Refresh(false, entry, "x")) << entry;
    EXPECT_TRUE(g.Chart().Chart.Series.empty()) << entry;
  }

  // The length is written when the window closes and read at the next start.
  g.SetLength(0);  // at least 1
  EXPECT_EQ(Setting("DrawsGraphLen"), "");
  g.SaveSettings();
  EXPECT_EQ(Setting("DrawsGraphLen"), "1");
  TRecordingPort port2;
  TWorkspace again(dir.Path(), port2);
  again.LoadSettingsAndConfig();
  again.Graphs().LoadSettings();
  EXPECT_EQ(again.Graphs().Length(), 1);
  EXPECT_TRUE(again.Graphs().Shown());
}

}  // namespace
}  // namespace kivra
