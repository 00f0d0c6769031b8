// kivra-cli script show / script check on script files written byte by byte.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"

namespace kivra {
namespace {

class CliScriptTest : public ::testing::Test {
 protected:
  test::TCliRun Run(const std::string& args) { return test::RunCli(dir / "data", args, dir / "err.txt"); }
  std::filesystem::path Write(const std::string& name, std::string_view utf8) {
    WriteFileAtomic(dir / name, Utf8ToCp1251(utf8));
    return dir / name;
  }
  test::TTempDir dir;
};

TEST_F(CliScriptTest, ShowPrintsEachLineReadAndWrittenBack) {
  const auto file = Write("a.lsc",
                          "FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | |\r\n"
                          "excl:3#rand#nex|tsd12#sums:1-10;2#ldv:1,2|BMF8#EVEN:30#WMV:5#ST:2#0,5:-1:1:0:1| | | | | "
                          "|Прогноз; основной\r\n"
                          "  \r\n");
  const auto r = Run("script show '" + file.string() + "'");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "line;kind;slot;text;description;method;draws;sort_column;direction;selection;mode;condition;values;stop;"
            "stop_value;coefs\n"
            "1;line;;FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | |;;;;;;;;;;;;\n"
            "1;options;;FULL:0#EXT;\"Исходный список; Расширенная; Все создаваемые ставки\";;;;;;;;;;;\n"
            "1;filter;2;TSD1#SUMS:10#LNO:#SF:0;;SUMS;10;1;T;S;D;LNO;;SF;0;\n"
            "2;line;;\"EXCL:3#RAND#NEX|TSD12#SUMS:1-10;2#LDV:1,2#SF:0|BMF8#EVEN:30#WMV:5#ST:2#0.5:-1:1:0:1| | | | | "
            "|Прогноз; основной\";;;;;;;;;;;;\n"
            "2;options;;EXCL:3#RAND#NEX;\"Исключить 3 тиражей; Случайно; Только новые ставки\";;;;;;;;;;;\n"
            "2;filter;1;\"TSD12#SUMS:1-10;2#LDV:1,2#SF:0\";;SUMS;\"1-10;2\";12;T;S;D;LDV;1,2;SF;0;\n"
            "2;filter;2;BMF8#EVEN:30#WMV:5#ST:2#0.5:-1:1:0:1;;EVEN;30;8;B;M;F;WMV;5;ST;2;0.5:-1:1:0:1\n"
            "2;comment;;\"Прогноз; основной\";;;;;;;;;;;;\n"
            "3;separator;;;;;;;;;;;;;;\n");
}

TEST_F(CliScriptTest, CanonicalLinesComeBackByteForByte) {
  const std::string lines[] = {
      "FULL:0#EXT| |TSD1#SUMS:10#LNO:#SF:0| | | | | |",
      "EXCL:5#RAND#CLR#NEX|BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1| | | | | |TSD1#NUMS:1-100;10#LMV:1#SC:5|Комментарий",
      "CURR:0#NONE| | | | | | | |",
  };
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  const auto r = Run("script show '" + Write("b.lsc", text).string() + "'");
  ASSERT_EQ(r.Status, 0) << r.Err;
  for (const auto& l : lines) {
    const std::string quoted = l.find(';') != std::string::npos ? "\"" + l + "\"" : l;
    EXPECT_NE(r.Out.find(";line;;" + quoted + ";"), std::string::npos) << l;
  }
}

TEST_F(CliScriptTest, CheckReportsEveryRefusedLine) {
  const auto good = Write("good.lsc", "FULL:0#EXT|TSD1#SUMS:10#LMV:3#SF:0| | | | | | |\r\n\r\n");
  auto r = Run("script check '" + good.string() + "'");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "Строк: 2, некорректных: 0\n");

  const auto bad = Write("bad.lsc",
                         "FULL:0#EXT|TSD1#XYZ:10| | | | | | |\r\n"
                         "FULL:0#EXT|TSD1#SUMS:10#LMV:#SF:0| | | | | | |\r\n"
                         "FULL:0#EXT|TSD1#SUMS:10| | | | | | |\r\n"
                         "FULL:0#EXT|TSD25#SUMS:10|TSD1#SUMS:abc| | | | | |\r\n");
  r = Run("script check '" + bad.string() + "'");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out,
            "Строка 1: Некорректное описание фильтра: TSD1#XYZ:10#LNO:#SF:0!\n"
            "Строка 2: Некорректное описание фильтра: TSD1#SUMS:10#LMV:#SF:0!\n"
            "Строка 4: Некорректное описание фильтра: TSD25#SUMS:10#LNO:#SF:0!\n"
            "Строк: 4, некорректных: 3\n");

  r = Run("script check '" + (dir / "missing.lsc").string() + "'");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Ошибка чтения файла"), std::string::npos);
  EXPECT_EQ(Run("script run x").Status, 2);
}

}  // namespace
}  // namespace kivra
