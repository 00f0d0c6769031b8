// The archive commands of the workspace: a draw number belongs to one draw only.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

TDraw Numbered(int32_t number, TComb nums) {
  TDraw d;
  d.Number = number;
  d.Nums = nums;
  d.SetDateText("2026-01-01");
  return d;
}

TEST(WorkspaceDraws, ANumberAnotherDrawHasIsRefused) {
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws(dir.Path(), port);
  ws.Archive().Assign(
      {Numbered(1499, {1, 2, 3, 4, 5}), Numbered(1500, {6, 7, 8, 9, 10}), Numbered(1501, {11, 12, 13, 14, 15})});
  const std::string taken = "Тираж № 1499 уже есть в архиве!\r\rУ каждого тиража должен быть свой номер.";
  EXPECT_EQ(ws.DrawNumberTaken(2, 1499), taken);
  EXPECT_EQ(ws.DrawNumberTaken(-1, 1499), taken);
  EXPECT_EQ(ws.DrawNumberTaken(0, 1499), "");  // its own number
  EXPECT_EQ(ws.DrawNumberTaken(-1, 1502), "");

  // Editing draw 1501 to 1499 and adding a second 1500 change nothing and write nothing.
  EXPECT_FALSE(ws.EditDraw(2, Numbered(1499, {20, 21, 22, 23, 24})));
  EXPECT_FALSE(ws.AddDraw(Numbered(1500, {20, 21, 22, 23, 24})));
  ASSERT_EQ(port.Messages.size(), 2u);
  EXPECT_EQ(port.Messages[0].Text, taken);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Error);
  EXPECT_EQ(port.Messages[1].Text.rfind("Тираж № 1500 уже есть в архиве!", 0), 0u);
  EXPECT_EQ(ws.Archive().Count(), 3);
  EXPECT_EQ(ws.Archive().Stored(2).Number, 1501);
  EXPECT_FALSE(std::filesystem::exists(ws.ArchivePath()));

  // A free number, or the draw's own one with new numbers, is taken.
  EXPECT_TRUE(ws.EditDraw(2, Numbered(1501, {20, 21, 22, 23, 24})));
  EXPECT_TRUE(ws.AddDraw(Numbered(1502, {25, 26, 27, 28, 29})));
  EXPECT_EQ(ws.Archive().Count(), 4);
  EXPECT_EQ(port.Messages.size(), 2u);

  // An archive that already holds a number twice: editing either of them keeps being refused.
  ws.Archive().Assign({Numbered(7, {1, 2, 3, 4, 5}), Numbered(7, {6, 7, 8, 9, 10})});
  EXPECT_FALSE(ws.DrawNumberTaken(0, 7).empty());
  EXPECT_FALSE(ws.DrawNumberTaken(1, 7).empty());
  EXPECT_EQ(ws.DrawNumberTaken(1, 8), "");
}

}  // namespace
}  // namespace kivra
