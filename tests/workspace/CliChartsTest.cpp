// kivra-cli's draw chart, repeats, sums and information commands on a four-draw archive whose
// newest record is damaged (bytes 0, 46 and 200 are no lottery numbers).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"

namespace kivra {
namespace {

using test::MakeDraw;

class CliCharts : public ::testing::Test {
 protected:
  test::TTempDir dir;
  std::filesystem::path data = dir / "data";
  void SetUp() override {
    std::filesystem::create_directories(data);
    const TDrawsArray draws = {MakeDraw(10, {1, 2, 3, 4, 5}, "2026-01-07"), MakeDraw(11, {9, 6, 7, 8, 3}),
                               MakeDraw(12, {1, 3, 10, 11, 12}, "2026-01-11"),
                               MakeDraw(13, {13, 0, 46, 12, 200}, "bad")};
    test::WriteBytes(data / "Kivra_5x45.ldr", ArchiveToBytes(draws));
  }
  std::pair<int, std::string> Run(const std::string& args) {
    test::TCliRun r = test::RunCli(data, args, dir / "err");
    return {r.Status, std::move(r.Out)};
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The value of the information row titled `property`, or "<none>".
  static std::string Value(const std::string& out, const std::string& property) {
    for (const auto& line : Lines(out))
      if (line.rfind(property + ";", 0) == 0) return line.substr(property.size() + 1);
    return "<none>";
  }
};

TEST_F(CliCharts, GraphWindowsAndSortedRead) {
  struct Case {
    const char* args;
    const char* out;
  } cases[] = {
      {"graph SUMS --len 3 --offset 1", "draw;value;mean;mode\n10;15;28.3333;15\n11;33;28.3333;15\n12;37;28.3333;15\n"},
      {"graph POS1 --len 2 --offset 1", "draw;value;mean;mode\n11;9;5.0000;9\n12;1;5.0000;9\n"},
      {"graph POS1 --len 2 --offset 1 --sorted", "draw;value;mean;mode\n11;3;2.0000;3\n12;1;2.0000;3\n"},
      {"graph EVEN --len 1 --offset 2", "draw;value;mean;mode\n11;2;2.0000;2\n"},
  };
  for (const Case& c : cases) {
    auto [status, out] = Run(c.args);
    EXPECT_EQ(status, 0) << c.args;
    EXPECT_EQ(out, c.out) << c.args;
  }
  EXPECT_EQ(Run("graph NUMS --len 3").first, 1);  // not chartable
  EXPECT_EQ(Run("graph SUMS").first, 2);
}

TEST_F(CliCharts, RepeatsAndSums) {
  // The offset never applies; the damaged draw 13 shares 12 with draw 12.
  EXPECT_EQ(Run("repeats --len 4 --deep 4").second,
            "Тираж;Совпадений;Кол-во повторов;Список тиражей\n13;1;1;12\n12;1;1;11\n12;2;1;10\n11;1;1;10\n");
  EXPECT_EQ(Run("repeats --len 2 --deep 1").second,
            "Тираж;Совпадений;Кол-во повторов;Список тиражей\n13;1;1;12\n12;1;1;11\n");

  const auto lines = Lines(Run("sums").second);
  ASSERT_EQ(lines.size(), 1u + 201u + 3u);
  EXPECT_EQ(lines[0], "sum;combinations;draws");
  EXPECT_EQ(lines[1], "15;1;1");
  EXPECT_EQ(lines[2], "16;1;");
  EXPECT_EQ(lines[1 + 33 - 15], "33;141;1");
  EXPECT_EQ(lines[1 + 115 - 15], "115;17053;");
  EXPECT_EQ(lines[201], "215;1;");  // the damaged draw's sum 271 has no line
  EXPECT_EQ(lines[202], "Диапазон 1 (от 1/3 и выше по оси Y) - суммы 73-157;5685");
  EXPECT_EQ(lines[204], "Диапазон 3 (от 2/3 и выше по оси Y) - суммы 89-141;11369");
}

TEST_F(CliCharts, DrawAndCombinationInformation) {
  const std::string pos1 = "Число в 1 позиции тиража";
  const std::string sumc = "Сумма тиража: изменения (точно)";
  auto [status, draw] = Run("draw-info 11");
  ASSERT_EQ(status, 0);
  const auto lines = Lines(draw);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Свойство;Значение");
  EXPECT_EQ(lines[1], "Номер тиража:;11");
  EXPECT_EQ(lines[2], "Количество четных чисел в тираже (Ч:Н);2");  // undated: no date row
  EXPECT_EQ(Value(draw, pos1), "9");
  EXPECT_EQ(Value(draw, sumc), "18");  // 33 - 15
  EXPECT_EQ(Value(draw, "Сумма тиража: все значения"), "33");
  EXPECT_EQ(Value(draw, "Количество чисел в тираже"), "<none>");  // not chartable
  EXPECT_EQ(Value(Run("draw-info 11 --sorted").second, pos1), "3");
  EXPECT_EQ(Value(Run("draw-info 12").second, "Дата тиража:"), "2026-01-11");

  // A combination: no draw rows; it follows the latest visible draw.
  const std::string comb = Run("comb-info 5,4,3,2,1 --offset 1").second;
  EXPECT_EQ(Lines(comb)[1], "Количество четных чисел в тираже (Ч:Н);2");
  EXPECT_EQ(Value(comb, sumc), "-22");  // 15 - 37 (draw 12)
  EXPECT_EQ(Value(comb, pos1), "5");
  // The combination is taken as given, the sorted switch only passed on.
  EXPECT_EQ(Value(Run("comb-info 5,4,3,2,1 --offset 1 --sorted").second, pos1), "5");
  EXPECT_EQ(Value(Run("comb-info 5,4,3,2,1 --offset 2").second, sumc), "-18");  // 15 - 33 (draw 11)

  // The placement follows an empty line; the damaged draw places only 12 and 13.
  const std::string placed = Run("comb-info 4,7,12,33,40 --cols 9").second;
  EXPECT_NE(placed.find("\n\n;;;4;;;7;;\n;;12;;;;;;\n;;;;;;;;\n;;;;;33;;;\n;;;40;;;;;\n"), std::string::npos);
  const auto damaged = Lines(Run("draw-info 13 --cols 5").second);
  ASSERT_GE(damaged.size(), 10u);
  const std::vector<std::string> grid(damaged.end() - 9, damaged.end());
  EXPECT_EQ(grid,
            (std::vector<std::string>{";;;;", ";;;;", ";12;13;;", ";;;;", ";;;;", ";;;;", ";;;;", ";;;;", ";;;;"}));
  EXPECT_EQ(*(damaged.end() - 10), "");
  EXPECT_EQ(Run("draw-info 99").first, 1);
}

}  // namespace
}  // namespace kivra
