#include "core/DrawsArchive.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/UserPort.h"

namespace kivra {
namespace {

using test::MakeDraw;

// Draws numbered first..last with distinct numbers derived from the draw number.
TDrawsArchive Numbered(int first, int last) {
  TDrawsArchive a;
  for (int n = first; n <= last; ++n) {
    const uint8_t b = static_cast<uint8_t>(n % 40 + 1);
    a.Append(MakeDraw(n, {b, uint8_t(b + 1), uint8_t(b + 2), uint8_t(b + 3), uint8_t(b + 4)}));
  }
  return a;
}

TEST(DrawsArchive, FindDrawIndex) {
  TDrawsArchive a = Numbered(1, 10);
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(a.FindDrawIndex(n), n - 1);
  EXPECT_EQ(a.FindDrawIndex(11), -1);
  EXPECT_EQ(a.FindDrawIndex(0), -1);

  a.DeleteDrawAt(1);  // 1, 3, 4, ... 10: the guess for 4 is index 3 (holding 5), the walk steps down once
  EXPECT_EQ(a.FindDrawIndex(4), 2);
  EXPECT_EQ(a.FindDrawIndex(2), -1);
  EXPECT_EQ(a.FindDrawIndex(10), 8);

  TDrawsArchive descending;
  for (int n = 20; n >= 1; --n) descending.Append(MakeDraw(n, {1, 2, 3, 4, 5}));
  for (int n = 1; n <= 20; ++n) EXPECT_EQ(descending.FindDrawIndex(n), 20 - n) << n;

  TDrawsArchive empty;
  EXPECT_EQ(empty.FindDrawIndex(1), -1);

  TDrawsArchive extremes;  // the guess arithmetic must not overflow
  extremes.Append(MakeDraw(INT32_MIN, {1, 2, 3, 4, 5}));
  extremes.Append(MakeDraw(0, {1, 2, 3, 4, 5}));
  extremes.Append(MakeDraw(INT32_MAX, {1, 2, 3, 4, 5}));
  EXPECT_EQ(extremes.FindDrawIndex(0), 1);
  EXPECT_EQ(extremes.FindDrawIndex(5), -1);
}

TEST(DrawsArchive, DeleteOutsideFails) {
  TDrawsArchive a = Numbered(1, 3);
  try {
    a.DeleteDrawAt(-1);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Запись со индексом -1 в файле данных не найдена!");
  }
  EXPECT_THROW(a.DeleteDrawAt(3), std::out_of_range);
  EXPECT_EQ(a.Count(), 3);
}

TEST(DrawsArchive, OffsetsAndStatusTexts) {
  TDrawsArchive empty;
  EXPECT_EQ(empty.NextDrawNumber(0), 1);
  EXPECT_EQ(empty.StatusTexts(), (std::array<std::string, 3>{"Архив тиражей: 0", "Следующий тираж: 1", ""}));

  TDrawsArchive a = Numbered(1, 10);
  EXPECT_EQ(a.NextDrawNumber(0), 11);
  EXPECT_EQ(a.NextDrawNumber(9), 2);
  EXPECT_EQ(a.NextDrawNumber(10), -1);
  EXPECT_EQ(a.NextDrawNumber(-1), -1);
  EXPECT_EQ(a.StatusTexts()[2], "");
  EXPECT_TRUE(a.HiddenDrawSet().Empty());

  EXPECT_TRUE(a.SetDrawsOffset(3));
  EXPECT_FALSE(a.SetDrawsOffset(3));
  const auto texts = a.StatusTexts();
  EXPECT_EQ(texts[0], "Архив тиражей: 10");
  EXPECT_EQ(texts[1], "Следующий тираж: 8");
  EXPECT_EQ(texts[2], CombToText(a.Stored(7).Nums));  // draw 8
  EXPECT_EQ(a.AnalysisEnd(), 6);
  const TNumSet hidden = a.HiddenDrawSet();
  for (uint8_t n : a.Stored(7).Nums) EXPECT_TRUE(hidden.Contains(n));

  a.SetDrawsOffset(10);  // beyond the archive: analyses use element 0
  EXPECT_EQ(a.AnalysisEnd(), 0);
  EXPECT_EQ(a.HiddenDrawText(10), "");
  EXPECT_TRUE(a.HiddenDrawSet().Empty());
  EXPECT_EQ(a.StatusTexts()[1], "Следующий тираж: -1");
}

TEST(DrawsArchive, SortedReadsKeepStoredOrder) {
  TDrawsArchive a;
  a.Append(MakeDraw(1, {5, 4, 3, 2, 1}));
  a.Append(MakeDraw(2, {45, 7, 30, 1, 2}));
  a.SetDrawsOffset(1);
  EXPECT_EQ(a.Draw(0).Nums, (TComb{5, 4, 3, 2, 1}));
  a.SetSortedDraws(true);
  EXPECT_EQ(a.Draw(0).Nums, (TComb{1, 2, 3, 4, 5}));
  EXPECT_EQ(a.DrawNumsAt(0), (TComb{1, 2, 7, 30, 45}));
  EXPECT_EQ(a.DrawNumsAt(2), (TComb{}));
  EXPECT_EQ(a.Stored(0).Nums, (TComb{5, 4, 3, 2, 1}));
  EXPECT_EQ(a.HiddenDrawText(1), "45;7;30;1;2");  // always drawn order
}

TEST(DrawsArchive, FileRecords) {
  TDrawsArray draws = {MakeDraw(1, {5, 4, 3, 2, 1}, "2020-01-01"), MakeDraw(0x01020304, {45, 7, 30, 1, 2}, "Дата")};
  draws[1].Date[8] = 'x';  // bytes beyond the length are kept as they are
  const std::string bytes = ArchiveToBytes(draws);
  ASSERT_EQ(bytes.size(), 40u);
  EXPECT_EQ(bytes.substr(20, 10), std::string("\x04\x03\x02\x01\x2D\x07\x1E\x01\x02\x04", 10));
  EXPECT_EQ(bytes.substr(0, 20), std::string("\x01\0\0\0\x05\x04\x03\x02\x01\x0A"
                                             "2020-01-01",
                                             20));

  const TDrawsArray back = ParseArchiveBytes(bytes + std::string(1, '\x7F'));  // 41 bytes: 2 draws
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(ArchiveToBytes(back), bytes);
  EXPECT_EQ(back[1].DateText(), "Дата");
  EXPECT_TRUE(ParseArchiveBytes("").empty());
  EXPECT_TRUE(ParseArchiveBytes(std::string(19, 'z')).empty());

  TDraw garbage = ParseArchiveBytes(std::string(20, '\xFF'))[0];  // length byte 255: cut to 10
  EXPECT_EQ(garbage.Number, -1);
  EXPECT_EQ(garbage.DateText().size(), 20u);  // ten cp1251 "я" letters
}

TEST(DrawsArchive, LoadAndSave) {
  test::TTempDir dir;
  TRecordingPort port;
  TDrawsArchive a;
  a.LoadArchive(dir / "missing.ldr", port);  // a missing file: empty, silent
  EXPECT_TRUE(a.Empty());
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_TRUE(port.Progress.empty());

  a = Numbered(1, 5);
  ASSERT_TRUE(a.SaveArchive(dir / "a.ldr", port));
  EXPECT_EQ(port.Progress, (std::vector<std::string>{"Сохранение файла тиражей...", ""}));
  EXPECT_TRUE(port.IsIdle());

  TDrawsArchive b;
  b.LoadArchive(dir / "a.ldr", port);
  EXPECT_EQ(ArchiveToBytes(b.StoredDraws()), ArchiveToBytes(a.StoredDraws()));
  EXPECT_EQ(port.Progress[2], "Загрузка файла тиражей...");

  // A folder in place of the file: the read message, nothing loaded.
  std::filesystem::create_directory(dir / "dir.ldr");
  TDrawsArchive c;
  c.LoadArchive(dir / "dir.ldr", port);
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Caption, "Ошибка");
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка чтения файла тиражей!\r\r", 0), 0u);
  EXPECT_TRUE(c.Empty());

  // A failed write keeps the old file whole and memory unchanged.
  EXPECT_FALSE(a.SaveArchive(dir / "no-such-folder" / "a.ldr", port));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка записи в файл тиражей!\r\r", 0), 0u);
  EXPECT_TRUE(port.IsIdle());
  EXPECT_EQ(port.Progress.back(), "");
}

TEST(DrawsArchive, DialogNumberCheck) {
  for (const char* bad : {"1;2;3;4", "1;2;3;4;46", "1;2;2;4;5", "0;1;2;3;4", "1;2;3;4;5;6", "a;b;c;d;e", "",
                          "1 2 3 4 5 6", "1 2 3 4", "1;2;3;4;-5", "1;2;3;4;5x"}) {
    EXPECT_FALSE(CheckDrawNumbersText(bad).has_value()) << bad;
  }
  EXPECT_EQ(CheckDrawNumbersText("5, 4, 3, 2, 1"), (TComb{5, 4, 3, 2, 1}));
  EXPECT_EQ(CheckDrawNumbersText(";;45;1,,2;3;4;"), (TComb{45, 1, 2, 3, 4}));
  // Blanks separate as "," and ";" do, alone or mixed with them.
  EXPECT_EQ(CheckDrawNumbersText("7 8 9 10 11"), (TComb{7, 8, 9, 10, 11}));
  EXPECT_EQ(CheckDrawNumbersText("\t7 ,8;  9\t10 , 11 "), (TComb{7, 8, 9, 10, 11}));
}

}  // namespace
}  // namespace kivra
