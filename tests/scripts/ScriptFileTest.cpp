// Script files: line ends, cp1251, the round trip and the messages of failed reads and writes.
#include <gtest/gtest.h>

#include <random>

#include "TempDir.h"
#include "core/FileUtils.h"
#include "core/UserPort.h"
#include "scripts/ScriptFile.h"

namespace kivra {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptFileTest, LinesEndAtCrLfLoneCrOrLoneLf) {
  struct TCase {
    std::string_view Bytes;
    Lines Want;
  } cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\n\r\nd", {"a", "b", "c", "", "d"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then a lone CR
      {"\r\r", {"", ""}},
      {"\xcf\xf0\xe8\xe2\xe5\xf2|x", {"Привет|x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ScriptLinesFromBytes(c.Bytes), c.Want) << c.Bytes;
}

TEST(ScriptFileTest, WritingPutsCrLfAfterEveryLineInCp1251) {
  EXPECT_EQ(ScriptBytesFromLines(Lines{}), "");
  EXPECT_EQ(ScriptBytesFromLines(Lines{""}), "\r\n");
  EXPECT_EQ(ScriptBytesFromLines(Lines{"Привет", "a\rb\nc", "日本"}), "\xcf\xf0\xe8\xe2\xe5\xf2\r\na b c\r\n??\r\n");
  // Files written with CR LF come back byte for byte.
  const std::string bytes = "FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | |\xea\xee\xec\r\n\r\n  \r\nEXCL:5#RAND|\r\n";
  EXPECT_EQ(ScriptBytesFromLines(ScriptLinesFromBytes(bytes)), bytes);
}

TEST(ScriptFileTest, SaveAndLoadWithProgressAndFailures) {
  test::TTempDir dir;
  TRecordingPort port;
  const Lines lines = {"FULL:0#EXT| | | | | | | |Первая", "", "CURR:0#NONE| | | | | | | |"};
  ASSERT_TRUE(SaveScriptFile(dir / "a.lsc", lines, port));
  Lines back = {"old"};
  ASSERT_TRUE(LoadScriptFile(dir / "a.lsc", back, port));
  EXPECT_EQ(back, lines);
  const std::string path = (dir / "a.lsc").string();
  EXPECT_EQ(port.Progress,
            (Lines{"Сохранение файла \"" + path + "\"...", "", "Загрузка файла \"" + path + "\"...", ""}));
  EXPECT_TRUE(port.Messages.empty());

  Lines kept = {"kept"};
  EXPECT_FALSE(LoadScriptFile(dir / "missing.lsc", kept, port));
  EXPECT_EQ(kept, Lines{"kept"});
  ASSERT_EQ(port.Messages.size(), 1u);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Error);
  EXPECT_EQ(port.Messages[0].Text.rfind("Ошибка чтения файла \"" + (dir / "missing.lsc").string() + "\"!\r\r", 0), 0u);

  EXPECT_FALSE(SaveScriptFile(dir / "no-such-folder" / "b.lsc", lines, port));
  ASSERT_EQ(port.Messages.size(), 2u);
  EXPECT_EQ(port.Messages[1].Text.rfind("Ошибка записи в файл \"", 0), 0u);
  EXPECT_EQ(port.Progress.back(), "");
}

TEST(ScriptFileTest, AnyBytesReadWithoutFault) {
  // Hostile files: lines of any bytes and lengths, also very long ones.
  std::mt19937 gen(99);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 5000);
  for (int i = 0; i < 300; ++i) {
    std::string bytes(length(gen) * (i % 10 == 0 ? 40 : 1), '\0');
    for (char& c : bytes) c = static_cast<char>(byte(gen));
    const Lines lines = ScriptLinesFromBytes(bytes);
    for (const auto& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    // What was read writes back without CR or LF inside a line.
    const std::string written = ScriptBytesFromLines(lines);
    EXPECT_EQ(ScriptLinesFromBytes(written).size(), lines.size());
  }
}

}  // namespace
}  // namespace kivra
