// The working script: its list operations with their questions, the working file written after
// each change, opening and appending files, and the journal switch.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "scripts/ScriptFile.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

using Lines = std::vector<std::string>;

class ScriptState : public ::testing::Test {
 protected:
  ScriptState() { ws.LoadSettingsAndConfig(); }
  TScriptState& Script() { return ws.Script(); }
  // What the working file holds now.
  Lines Working() { return ScriptLinesFromBytes(ReadWholeFile(dir / "Kivra_5x45.lss")); }
  void WriteScript(const std::string& name, const Lines& lines) {
    WriteFileAtomic(dir / name, ScriptBytesFromLines(lines));
  }

  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

TEST_F(ScriptState, EveryChangeIsMirroredInTheWorkingFile) {
  EXPECT_EQ(Script().Append("A| | | | | | | |"), 0);
  EXPECT_EQ(Script().Append(""), 1);
  EXPECT_EQ(Script().Append("C| | | | | | | |"), 2);
  EXPECT_EQ(Working(), (Lines{"A| | | | | | | |", "", "C| | | | | | | |"}));
  EXPECT_TRUE(Script().IsSeparator(1));

  Script().Replace(1, "B");
  EXPECT_EQ(Working(), (Lines{"A| | | | | | | |", "B", "C| | | | | | | |"}));
  EXPECT_EQ(Script().MoveUp(2), 1);
  EXPECT_EQ(Script().MoveUp(0), -1);
  EXPECT_EQ(Script().MoveDown(0), 1);
  EXPECT_EQ(Script().MoveDown(2), -1);
  EXPECT_EQ(Working(), (Lines{"C| | | | | | | |", "A| | | | | | | |", "B"}));

  EXPECT_THROW(Script().Replace(3, "x"), TScriptIndexError);
  try {
    Script().Line(-1);
    ADD_FAILURE();
  } catch (const TScriptIndexError& e) {
    EXPECT_STREQ(e.what(), "Запись со индексом -1 в файле данных не найдена!");
  }

  // A new workspace on the same folder starts with the working script.
  TRecordingPort port2;
  TWorkspace again(dir.Path(), port2);
  again.Script().LoadWorkingScript();
  EXPECT_EQ(again.Script().Lines(), Script().Lines());
}

TEST_F(ScriptState, DeletingAsksWithTheCount) {
  for (auto l : {"0", "1", "2", "3", "4"}) Script().Append(l);
  port.Answers = {false, true, true};
  const int three[] = {4, 1, 3, 1};  // a repeat counts once
  EXPECT_FALSE(Script().Delete(three));
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Text, "Удалить все выделенные записи (всего будет удалено 3 записи(ей))?");
  EXPECT_EQ(Script().Count(), 5);

  EXPECT_TRUE(Script().Delete(three));
  EXPECT_EQ(Script().Lines(), (Lines{"0", "2"}));
  EXPECT_EQ(Working(), (Lines{"0", "2"}));
  EXPECT_NE(std::find(port.Progress.begin(), port.Progress.end(), "Удаление строк..."), port.Progress.end());

  EXPECT_TRUE(Script().Clear());
  EXPECT_EQ(port.Messages.back().Text, "Удалить все выделенные записи (всего будет удалено 2 записи(ей))?");
  EXPECT_TRUE(Script().Lines().empty());
  EXPECT_EQ(ReadWholeFile(dir / "Kivra_5x45.lss"), "");  // an empty script is an empty file

  Script().Append("x");
  port.Answers.push_back(true);
  const int one[] = {0};
  EXPECT_TRUE(Script().Delete(one));
  EXPECT_EQ(port.Messages.back().Text, "Удалить выделенную запись?");
}

TEST_F(ScriptState, OpeningAndAppendingFiles) {
  const std::string a1 = "FULL:0#FIRST| | | | | | | |a1", a2 = "excl:3#LAST|x", b1 = "CURR:0#ALL";
  WriteScript("a.lsc", {a1, a2});
  WriteScript("b.lsc", {b1});
  WriteScript("empty.lsc", {});
  WriteScript("draws.csv", {"1;\"01.01.2024\";1;2;3;4;5", "2;\"04.01.2024\";6;7;8;9;10"});
  test::WriteBytes(dir / "random.lsc", std::string("\x7f" "ELF\x02\x01\0\0\r\n|||\xff\xfe", 15));

  EXPECT_TRUE(Script().AppendFile(dir / "a.lsc"));  // into an empty script: as opening
  EXPECT_EQ(Script().Lines(), (Lines{a1, a2}));
  EXPECT_TRUE(Script().AppendFile(dir / "b.lsc"));  // exactly one separator before the new lines
  EXPECT_EQ(Script().Lines(), (Lines{a1, a2, "", b1}));
  Script().Append(" ");
  EXPECT_TRUE(Script().AppendFile(dir / "b.lsc"));  // the last line already separates
  EXPECT_EQ(Script().Lines(), (Lines{a1, a2, "", b1, " ", b1}));
  EXPECT_EQ(Working(), Script().Lines());

  // Files without a single script line are refused whole; the working script stays.
  for (const char* name : {"empty.lsc", "draws.csv", "random.lsc"}) {
    port.Messages.clear();
    EXPECT_FALSE(Script().AppendFile(dir / name)) << name;
    EXPECT_FALSE(Script().Open(dir / name)) << name;
    EXPECT_EQ(Script().Count(), 6) << name;
    ASSERT_EQ(port.Messages.size(), 2u) << name;
    EXPECT_EQ(port.Messages[0].Text, "Ошибка чтения файла \"" + (dir / name).string() +
                                         "\"!\r\rВ файле нет ни одной строки сценария.");
  }
  EXPECT_EQ(Working(), Script().Lines());

  EXPECT_FALSE(Script().Open(dir / "missing.lsc"));
  EXPECT_EQ(Script().Count(), 6);
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка чтения файла \"", 0), 0u);
  EXPECT_TRUE(Script().Open(dir / "b.lsc"));
  EXPECT_EQ(Script().Lines(), Lines{b1});

  EXPECT_TRUE(Script().Save(dir / "c.lsc"));
  EXPECT_EQ(ReadWholeFile(dir / "c.lsc"), b1 + "\r\n");
  EXPECT_FALSE(Script().Save(dir / "no" / "c.lsc"));
  EXPECT_EQ(port.Messages.back().Text.rfind("Ошибка записи в файл \"", 0), 0u);
}

TEST_F(ScriptState, JournalSwitchIsKeptInTheSettings) {
  EXPECT_FALSE(Script().LogEnabled());
  Script().ToggleLog();
  EXPECT_TRUE(Script().LogEnabled());
  EXPECT_TRUE(ws.Settings().ReadSetting(StateSettingsSection, "ScriptLogEnabled", false));

  TRecordingPort port2;
  TWorkspace again(dir.Path(), port2);
  again.LoadSettingsAndConfig();
  EXPECT_TRUE(again.Script().LogEnabled());
  again.Script().Log().Write("entry");
  EXPECT_EQ(FindScriptLogs(dir.Path()).size(), 1u);
  EXPECT_TRUE(again.Script().DeleteLogs());
  EXPECT_TRUE(FindScriptLogs(dir.Path()).empty());
}

}  // namespace
}  // namespace kivra
