#include "core/UserPort.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/IniFile.h"
#include "core/WindowSettings.h"

namespace kivra {
namespace {

TEST(UserPort, BusyCounter) {
  TRecordingPort port;
  EXPECT_TRUE(port.IsIdle());
  port.BeginBusy();
  port.BeginBusy();
  port.EndBusy();
  EXPECT_FALSE(port.IsIdle());
  port.EndBusy();
  port.EndBusy();  // once more than begun: stays at 0
  EXPECT_EQ(port.BusyCount(), 0);
  port.BeginBusy();
  EXPECT_EQ(port.BusyCount(), 1);
  EXPECT_EQ(port.BusyChanges, (std::vector<bool>{true, false, true}));
}

TEST(UserPort, BusyScopeEndsOnFailure) {
  TRecordingPort port;
  try {
    TBusyScope busy(port, "Работа...");
    throw std::runtime_error("сбой");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(port.IsIdle());
  EXPECT_EQ(port.Progress, (std::vector<std::string>{"Работа...", ""}));
}

TEST(UserPort, MessageBoxes) {
  TRecordingPort port;
  port.ShowError("e");
  port.ShowInfo("i");
  port.ShowWarning("w");
  port.ShowWarning("w2", CaptionWarningAlt);
  EXPECT_TRUE(port.AskYesNo("q"));      // Yes is the default
  EXPECT_FALSE(port.ConfirmDelete(1));  // No is the default
  EXPECT_FALSE(port.ConfirmDelete(3));
  port.Answers = {false, true};
  EXPECT_FALSE(port.AskYesNo("q2"));
  EXPECT_TRUE(port.ConfirmDelete(2));

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Ошибка", "e"},
      {"Информация", "i"},
      {"Внимание!", "w"},
      {"Предупреждение", "w2"},
      {"Подтверждение", "q"},
      {"Предупреждение", "Удалить выделенную запись?"},
      {"Предупреждение", "Удалить все выделенные записи (всего будет удалено 3 записи(ей))?"},
      {"Подтверждение", "q2"},
      {"Предупреждение", "Удалить все выделенные записи (всего будет удалено 2 записи(ей))?"},
  };
  ASSERT_EQ(port.Messages.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(port.Messages[i].Caption, expected[i].first) << i;
    EXPECT_EQ(port.Messages[i].Text, expected[i].second) << i;
  }
  EXPECT_FALSE(port.Messages[5].DefaultYes);
  EXPECT_TRUE(port.Messages[4].DefaultYes);
  EXPECT_EQ(MessageForTerminal("Ошибка!\r\rтекст\r\nещё"), "Ошибка!\n\nтекст\nещё");
}

TEST(WindowSettings, ReadAndWrite) {
  test::TTempDir dir;
  TWindowSettings s(dir / "Kivra_5x45.frm");
  EXPECT_EQ(s.ReadSetting("TFormMain", "SortedDraws", false), false);  // no file: defaults
  EXPECT_EQ(s.ReadSetting("TFormMain", "DrawsStatLen", 100), 100);

  ASSERT_TRUE(s.WriteSetting("TFormOther", "Left", 10));
  ASSERT_TRUE(s.WriteSetting("TFormMain", "SortedDraws", true));
  ASSERT_TRUE(s.WriteSetting("TFormMain", "Caption", "Текст"));
  ASSERT_TRUE(s.WriteSetting("tformmain", "sorteddraws", false));  // names without regard to case
  EXPECT_EQ(test::ReadBytes(s.Path()),
            "[TFormOther]\r\nLeft=10\r\n\r\n[TFormMain]\r\nSortedDraws=0\r\nCaption=\xD2\xE5\xEA\xF1\xF2\r\n");
  EXPECT_EQ(s.ReadSetting("TFormMain", "Caption", ""), "Текст");
  EXPECT_EQ(s.ReadSetting("TFormOther", "Left", 0), 10);
  EXPECT_EQ(s.ReadSetting("TFormMain", "Caption", 7), 7);  // does not convert: default
  test::WriteBytes(s.Path(), "[TFormMain]\r\nSortedDraws=5\r\n");
  EXPECT_TRUE(s.ReadSetting("TFormMain", "SortedDraws", false));  // true when not 0

  TRecordingPort port;
  TWindowSettings bad(dir / "missing-folder" / "x.frm");
  EXPECT_FALSE(bad.WriteSetting("TFormMain", "A", 1, &port));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Error);
}

// A batch writes its keys with one rewrite when it closes; until then reads see them and the file
// is untouched; a file changed meanwhile by someone else keeps its other keys.
TEST(WindowSettings, BatchWritesOnce) {
  test::TTempDir dir;
  TWindowSettings s(dir / "Kivra_5x45.frm");
  ASSERT_TRUE(s.WriteSetting("TFormMain", "A", 1));
  const std::string before = test::ReadBytes(s.Path());
  {
    TSettingsBatch batch(s);
    ASSERT_TRUE(s.WriteSetting("TFormMain", "A", 2));
    {
      TSettingsBatch inner(s);
      ASSERT_TRUE(s.WriteSetting("TFormMain", "B", "Текст"));
    }
    ASSERT_TRUE(s.WriteSetting("TFormMain", "C", true));
    EXPECT_EQ(s.ReadSetting("TFormMain", "A", 0), 2);
    EXPECT_EQ(s.ReadSetting("TFormMain", "B", ""), "Текст");
    EXPECT_EQ(test::ReadBytes(s.Path()), before);  // the inner batch wrote nothing
    test::WriteBytes(s.Path(), "[Other]\r\nX=1\r\n\r\n[TFormMain]\r\nA=1\r\n");
  }
  EXPECT_EQ(test::ReadBytes(s.Path()), "[Other]\r\nX=1\r\n\r\n[TFormMain]\r\nA=2\r\nB=\xD2\xE5\xEA\xF1\xF2\r\nC=1\r\n");

  // A batch that cannot be written reports once, when it closes.
  TRecordingPort port;
  TWindowSettings bad(dir / "missing-folder" / "x.frm");
  {
    TSettingsBatch batch(bad, &port);
    EXPECT_TRUE(bad.WriteSetting("TFormMain", "A", 1));
    EXPECT_TRUE(bad.WriteSetting("TFormMain", "B", 2));
    EXPECT_TRUE(port.Messages.empty());
  }
  EXPECT_EQ(port.Messages.size(), 1u);
}

}  // namespace
}  // namespace kivra
