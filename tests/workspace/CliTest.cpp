// kivra-cli end to end: each test runs the program in its own data folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <fmt/format.h>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/DrawsArchive.h"

namespace kivra {
namespace {

using TRun = test::TCliRun;

class Cli : public ::testing::Test {
 protected:
  TRun Run(const std::string& args) { return test::RunCli(data, args, dir / "stderr.txt"); }
  std::filesystem::path Write(std::string_view name, std::string_view bytes) {
    test::WriteBytes(dir / name, bytes);
    return dir / name;
  }

  test::TTempDir dir;
  std::filesystem::path data = dir / "data";
};

TEST_F(Cli, InfoOnEmptyFolder) {
  const TRun r = Run("info");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "Архив тиражей: 0\nСледующий тираж: 1\n\n");
}

TEST_F(Cli, ImportInfoExport) {
  std::string csv;
  for (int n = 1; n <= 10; ++n)
    csv += std::to_string(n) + ";\"2020-01-" + (n < 10 ? "0" : "") + std::to_string(n) + "\";" + std::to_string(n) +
           ";11;12;13;" + std::to_string(45 - n) + "\r\n";
  const auto in = Write("in.csv", csv);
  TRun r = Run("import-csv '" + in.string() + "'");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "Добавлено тиражей: 10\n");
  EXPECT_EQ(std::filesystem::file_size(data / "Kivra_5x45.ldr"), 200u);

  r = Run("info --offset 3");
  EXPECT_EQ(r.Out, "Архив тиражей: 10\nСледующий тираж: 8\n8;11;12;13;37\n");
  r = Run("info --offset 10");
  EXPECT_EQ(r.Out, "Архив тиражей: 10\nСледующий тираж: -1\n\n");

  EXPECT_EQ(Run("import-csv '" + in.string() + "'").Out, "Добавлено тиражей: 0\n");
  const auto out = dir / "out.csv";
  r = Run("export-csv '" + out.string() + "'");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(test::ReadBytes(out), csv);
}

TEST_F(Cli, ConfigAndErrors) {
  std::filesystem::create_directories(data);
  test::WriteBytes(data / "Kivra_5x45.ini", "[GLOBAL]\r\nChannelSize=7\r\n");
  TRun r = Run("config");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("\nGLOBAL.ChannelSize=7\n"), std::string::npos);
  EXPECT_NE(r.Out.find("\nPROXY.ProxyMode=0\n"), std::string::npos);

  r = Run("import-csv '" + (dir / "missing.csv").string() + "'");
  EXPECT_NE(r.Status, 0);
  EXPECT_NE(r.Err.find("Ошибка импорта тиражей из файла"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Out, "");

  EXPECT_EQ(Run("frobnicate").Status, 2);
  EXPECT_EQ(Run("info --offset -2").Status, 2);
  EXPECT_EQ(Run("info extra").Status, 2);

  // A truncated archive record is ignored; a garbage record is kept as it is and still reported.
  test::WriteBytes(data / "Kivra_5x45.ldr", std::string(20, '\xFF') + "abc");
  r = Run("info");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "Архив тиражей: 1\nСледующий тираж: 0\n\n");
}

TEST_F(Cli, StatisticsCommands) {
  std::string csv;
  const char* draws[] = {"2;4;6;8;10", "1;3;5;7;9", "45;1;44;2;43", "5;8;20;21;33"};
  for (int n = 1; n <= 4; ++n)
    csv += std::to_string(n) + ";\"2020-01-0" + std::to_string(n) + "\";" + draws[n - 1] + "\r\n";
  ASSERT_EQ(Run("import-csv '" + Write("in.csv", csv).string() + "'").Status, 0);

  TRun r = Run("stats");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out.rfind("NUMS;{ num } Числа тиража [ N ]\n", 0), 0u);
  EXPECT_NE(r.Out.find("\nPOS1;{ num } Число в 1 позиции тиража [ SNG ]\n"), std::string::npos);
  EXPECT_NE(r.Out.find("\nSUM2;{ sum } Сумма тиража: диапазон 2 (1/2) [ NG ]\n"), std::string::npos);

  // A name from the names file replaces the caption.
  test::WriteBytes(data / "Kivra_5x45.flt", "[STRINGS_RUS]\r\nEVEN=Even numbers\r\n");
  EXPECT_NE(Run("stats").Out.find("\nEVEN;{ num } Even numbers [ NG ]\n"), std::string::npos);

  EXPECT_EQ(Run("values EVEN 1,2,3,4,5").Out, "2:3\n");
  EXPECT_EQ(Run("values KDS2 5,8,20,21,33").Out, "3:12\n12:1\n1:12\n");
  EXPECT_EQ(Run("values pos1 45,3,22,15,38").Out, "45\n");
  // The sum change as the filter sees it: from the newest draw's sum (87) to this one's (15).
  EXPECT_EQ(Run("values SUMC 1,2,3,4,5").Out, "- 72 : 87 - 72 = 15\n");
  EXPECT_NE(Run("values NOPE 1,2,3,4,5").Status, 0);
  EXPECT_NE(Run("values EVEN 1,2,3,4").Status, 0);

  r = Run("window EVEN --len 3");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "value;count;depth;last_draw;min_period;max_period\n"
            "1:4;0;0;0;0;0\n2:3;2;1;4;1;1\n3:2;0;0;0;0;0\n4:1;0;0;0;0;0\n5:0;0;0;0;0;0\n"
            "0:5;1;3;2;0;0\n");
  r = Run("window POS1 --len 2 --offset 1 --sorted");  // draws 2 and 3 in ascending order: 1 both times
  EXPECT_EQ(r.Out.substr(r.Out.find('\n') + 1, 9), "1;2;1;3;1");
  r = Run("window EVEN --len 5 --offset 9");  // beyond the archive: an empty window
  EXPECT_EQ(r.Out, "value;count;depth;last_draw;min_period;max_period\n");
  EXPECT_EQ(Run("window EVEN").Status, 2);
}

TEST_F(Cli, FilterCommand) {
  std::string csv;
  for (int n = 1; n <= 12; ++n)
    csv += fmt::format("{};\"2020-02-{:02}\";{};{};{};{};{}\r\n", n, n, 22 + n, 2 + n, 45, 16 + n % 2, 35 + n % 10);
  ASSERT_EQ(Run("import-csv '" + Write("in.csv", csv).string() + "'").Status, 0);

  // Generation modes.
  for (const auto& [gen, count] : std::vector<std::pair<std::string, int>>{
           {"0", 1221759}, {"1:45", 135751}, {"2:1;2;3;4;5;6", 6}, {"3:1,2", 962598}, {"1", 0}, {"7", 1221759}}) {
    const TRun r = Run("filter --gen '" + gen + "'");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, fmt::format("Комбинаций: {}\n", count)) << gen;
  }

  // Keep and remove of one selection split the list left by the removal of the latest draws; the
  // offset hides the newest two draws, so the five removed are draws 6..10.
  const std::string start = "filter --gen 3:1,2 --offset 2 --exclude-latest 5 ";
  const TRun keep = Run(start + "--keep EVEN:8 '2:3; 3:2' --out '" + (dir / "keep.lcv").string() + "'");
  const TRun remove = Run(start + "--remove EVEN:8 '3:2;2:3' --sorted");
  ASSERT_EQ(keep.Status, 0) << keep.Err;
  ASSERT_EQ(remove.Status, 0) << remove.Err;
  const auto lines = [](const std::string& out) {
    std::vector<std::string> v;
    for (size_t b = 0, e; (e = out.find('\n', b)) != std::string::npos; b = e + 1) v.push_back(out.substr(b, e - b));
    return v;
  };
  const auto k = lines(keep.Out), r = lines(remove.Out);
  ASSERT_EQ(k.size(), 3u);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(k[0], "Последние тиражи;5;962593");
  EXPECT_EQ(r[0], k[0]);
  const std::string caption = "{ num } Количество четных чисел в тираже (Ч:Н) [ NG ]";
  const int kept = std::stoi(k[2].substr(k[2].find(' ') + 1)), removed = std::stoi(r[2].substr(r[2].find(' ') + 1));
  EXPECT_EQ(k[1], fmt::format("{};2:3; 3:2;{}", caption, kept));
  EXPECT_EQ(r[1], fmt::format("{};3:2; 2:3;{}", caption, removed));
  EXPECT_EQ(kept + removed, 962593);
  EXPECT_GT(kept, 0);
  EXPECT_GT(removed, 0);

  // The written list reads back through generation mode 4.
  const std::string file = test::ReadBytes(dir / "keep.lcv");
  EXPECT_EQ(static_cast<int>(std::count(file.begin(), file.end(), '\n')), kept);
  EXPECT_EQ(file.substr(0, 12), "3;4;5;6;7\r\n3");
  EXPECT_EQ(Run("filter --gen '4:" + (dir / "keep.lcv").string() + "'").Out, fmt::format("Комбинаций: {}\n", kept));

  // Errors: a value the table does not show, a step without its window length, an unknown code.
  TRun bad = Run("filter --gen 0 --keep EVEN:8 '9:9'");
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Err.find("Значение \"9:9\" не найдено"), std::string::npos) << bad.Err;
  EXPECT_EQ(bad.Out, "");
  EXPECT_EQ(Run("filter --gen 0 --keep EVEN '2:3'").Status, 2);
  EXPECT_EQ(Run("filter --gen 0 --remove NOPE:5 '1'").Status, 2);
  EXPECT_EQ(Run("filter --gen x").Status, 2);
  bad = Run("filter --gen '4:" + (dir / "missing.lcv").string() + "'");
  EXPECT_EQ(bad.Status, 1);
  EXPECT_EQ(bad.Out, "Комбинаций: 0\n");
}

}  // namespace
}  // namespace kivra
