// Local systems: file names and masks, the expansion of a system file over concrete numbers with
// its line separators and failures, and the texts of the systems list.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "core/SortaUtils.h"
#include "stakes/Systems.h"

namespace kivra {
namespace {

TEST(Systems, NamesAndMasks) {
  EXPECT_EQ(SystemFileName(6, 2, 3), "5-06-2_0003.dat");
  EXPECT_EQ(SystemFileName(12, 0, 12345), "5-12-0_12345.dat");
  EXPECT_EQ(SystemFileMask(9), "5-09-*_*.dat");
  EXPECT_EQ(SystemShortName("/x/Systems/5-06-2_0003.dat"), "5-06-2_0003");
}

TEST(Systems, PositionsStandForTheNumbersInFirstSeenOrder) {
  test::TTempDir dir;
  const TByteArray numbers = {7, 3, 9, 1, 12, 20};
  // The example: position 6 is the sixth number seen.
  WriteFileAtomic(dir / "5-06-2_0003.dat", "1 2 3 4 6\r\n\r\n6*5+4,3-2\r\n1.2/3:4;5\n2=3\\4_5|6\r3~4 5 6 1\r\n");
  // Another system for 6 numbers comes later by name; one for 7 numbers does not count.
  WriteFileAtomic(dir / "5-06-3_0009.dat", "6 5 4 3 2\r\n");
  WriteFileAtomic(dir / "5-07-2_0001.dat", "1 2 3 4 7\r\n");
  const TSystemExpansion r = SystemExpand(dir.Path(), numbers);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Nums, 6);
  EXPECT_EQ(r.File, dir / "5-06-2_0003.dat");
  const std::vector<TComb> expected = {
      {7, 3, 9, 1, 20}, {20, 12, 1, 9, 3}, {7, 3, 9, 1, 12}, {3, 9, 1, 12, 20}, {9, 1, 12, 20, 7}};
  EXPECT_EQ(r.Combs, expected);
  TComb staked = r.Combs[0];
  std::sort(staked.begin(), staked.end());
  EXPECT_EQ(staked, (TComb{1, 3, 7, 9, 20}));
}

TEST(Systems, FailuresGiveTheShortAndTheLongMessage) {
  test::TTempDir dir;
  const TByteArray seven = {1, 2, 3, 4, 5, 6, 7};
  TSystemExpansion r = SystemExpand(dir.Path(), seven);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "Система для 7 чисел не найдена или не загружена на компьютер!");
  EXPECT_EQ(r.LongMessage,
            "Система для 7 чисел не найдена или не загружена на компьютер!\r\rПеред системной игрой необходимо "
            "предварительно загрузить системы на Ваш компьютер через меню \"Системы\" - \"Загрузить\".");

  // A position past N, or a line without five positions, fails the whole expansion.
  for (const std::string line : {"1 2 3 4 8", "1 2 3 4", "1 2 3 4 x", "0 1 2 3 4"}) {
    WriteFileAtomic(dir / "5-07-1_0002.dat", "1 2 3 4 5\r\n" + line + "\r\n");
    r = SystemExpand(dir.Path(), seven);
    EXPECT_FALSE(r.Ok) << line;
    EXPECT_TRUE(r.Combs.empty());
    EXPECT_EQ(r.Message.rfind("Ошибка загрузки комбинаций системы!\r\r", 0), 0u) << r.Message;
  }
  WriteFileAtomic(dir / "5-07-1_0002.dat", "\r\n \r\n");
  EXPECT_FALSE(SystemExpand(dir.Path(), seven).Ok);
  // The mask ignores letter case.
  WriteFileAtomic(dir / "5-07-1_0002.dat", "");
  std::filesystem::remove(dir / "5-07-1_0002.dat");
  WriteFileAtomic(dir / "5-07-1_0002.DAT", "1 2 3 4 5\r\n");
  EXPECT_TRUE(SystemExpand(dir.Path(), seven).Ok);
}

TEST(Systems, ListTexts) {
  const TSystemInfo placeholder = SystemPlaceholder();
  std::vector<std::string> cells;
  for (int c = 0; c < SystemColumnCount; ++c) cells.push_back(SystemCellText(placeholder, c, false));
  EXPECT_EQ(cells, (std::vector<std::string>{"Список систем не доступен!", "", "", "", "", "", "", "", "", "", ""}));
  TSystemInfo info;
  info.Id = 3;
  info.Nums = 6;
  info.Block = 2;
  info.Count = 14;
  info.Downloads = 5;
  info.Created = EncodeDate(2024, 3, 9) + (21 * 3600 + 5 * 60 + 7) / 86400.0;
  EXPECT_EQ(SystemCellText(info, 2, false), "06");
  EXPECT_EQ(SystemCellText(info, 3, false), "2");
  EXPECT_EQ(SystemCellText(info, 4, false), "14");
  EXPECT_EQ(SystemCellText(info, 5, false), "2024-03-09 21:05:07");
  EXPECT_EQ(SystemCellText(info, 6, true), "Загружена");
  EXPECT_EQ(SystemCellText(info, 8, true), "");
}

}  // namespace
}  // namespace kivra
