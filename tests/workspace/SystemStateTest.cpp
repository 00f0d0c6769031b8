// System play from the local folder: the kind-4 stakes of both modes with their sample sizes and
// comments, a missing system, and the tab's switch.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/FileUtils.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

class SystemStateTest : public ::testing::Test {
 protected:
  SystemStateTest() {
    ws.LoadSettingsAndConfig();
    ws.Config().Data.Cost = 10 * MoneyScale;
    for (int d = 1; d <= 20; ++d) ws.Archive().Append(test::MakeDraw(d, {1, 12, 23, 34, 45}));
    ws.Combs().ReserveLists();
    EXPECT_TRUE(ws.Stakes().Load());
    // Distinct numbers in first-seen order: 3 5 1 2 4 6 7.
    EXPECT_TRUE(ws.Combs().PasteText("3 5 1 2 4\r\n3 4 5 6 7\r\n1 2 3 6 7\r\n"));
    std::filesystem::create_directories(ws.Systems().Folder());
    WriteFileAtomic(ws.Systems().Folder() / "5-07-1_0042.dat", "1 2 3 4 5\r\n2 5 6 7 1\r\n3 4 5 6 7\r\n");
  }
  std::vector<TStakeData> Stakes() {
    std::vector<TStakeData> result;
    for (int i = 0; i < ws.Stakes().Journal().Count(); ++i) {
      TStakeData r = ws.Stakes().Journal().Read(TStakeOrigin::Begin, i);
      if (!IsSeparator(r)) result.push_back(r);
    }
    return result;
  }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

TEST_F(SystemStateTest, BothModesStakeTheExpansionSorted) {
  const auto system = ws.Systems().ExpandList();
  ASSERT_TRUE(system);
  EXPECT_EQ(TSystemState::PlayComment(TSystemPlayMode::All, *system),
            "Системная игра для 7 чисел [вся система]: 5-07-1_0042");
  EXPECT_EQ(TSystemState::PlayComment(TSystemPlayMode::Filter, *system),
            "Системная игра для 7 чисел [комбинации]: 5-07-1_0042");

  ASSERT_TRUE(ws.Systems().Play(TSystemPlayMode::All, *system, 21, 1, "все"));
  auto stakes = Stakes();
  ASSERT_EQ(stakes.size(), 3u);
  // Positions 1..5 are 3 5 1 2 4; 2 5 6 7 1 are 5 4 6 7 3; 3 4 5 6 7 are 1 2 4 6 7.
  EXPECT_EQ(StakeNumbersText(stakes[0].Numbers, " "), "1 2 3 4 5");
  EXPECT_EQ(StakeNumbersText(stakes[1].Numbers, " "), "3 4 5 6 7");
  EXPECT_EQ(StakeNumbersText(stakes[2].Numbers, " "), "1 2 4 6 7");
  for (const auto& r : stakes) {
    EXPECT_EQ(r.Kind, StakeSystem);
    EXPECT_EQ(r.DrawNumber, 21);
    EXPECT_EQ(r.SampleSize, 3);  // the system's combinations
    EXPECT_EQ(r.Comment, "все");
  }

  ws.Stakes().Clear();
  ASSERT_TRUE(ws.Systems().Play(TSystemPlayMode::Filter, *system, 22, 1, "комб"));
  stakes = Stakes();
  // 1 2 4 6 7 is not in the list, and 1 2 3 4 5 only as 3 5 1 2 4: an entry must have the same
  // numbers in the same places.
  ASSERT_EQ(stakes.size(), 1u);
  EXPECT_EQ(StakeNumbersText(stakes[0].Numbers, " "), "3 4 5 6 7");
  EXPECT_EQ(stakes[0].SampleSize, 3);  // the list's combinations
}

TEST_F(SystemStateTest, WithoutASystemNothingIsStaked) {
  ASSERT_TRUE(ws.Combs().PasteText("1 2 3 4 5\r\n1 2 3 4 6\r\n"));
  EXPECT_FALSE(ws.Systems().ExpandList());
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text.rfind("Система для 6 чисел не найдена или не загружена на компьютер!\r\r", 0), 0u);
  EXPECT_TRUE(Stakes().empty());
}

TEST_F(SystemStateTest, TheSwitchIsWrittenAtOnce) {
  EXPECT_TRUE(ws.Systems().Enabled());
  ws.Systems().SetEnabled(false);
  TRecordingPort port2;
  TWorkspace again(dir.Path(), port2);
  again.LoadSettingsAndConfig();
  EXPECT_FALSE(again.Systems().Enabled());
  ws.Systems().LoadList();
  ASSERT_EQ(ws.Systems().Rows().size(), 1u);
  EXPECT_EQ(ws.Systems().Rows()[0].Id, -1);
}

}  // namespace
}  // namespace kivra
