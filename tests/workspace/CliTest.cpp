// kivra-cli end to end: each test runs the program in its own data folder.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

#include "TempDir.h"
#include "core/DrawsArchive.h"

namespace kivra {
namespace {

struct TRun {
  int Status;
  std::string Out;
  std::string Err;
};

class Cli : public ::testing::Test {
 protected:
  TRun Run(const std::string& args) {
    const auto errFile = dir / "stderr.txt";
    const std::string cmd = std::string(KIVRA_CLI) + " --data-dir '" + data.string() + "' " + args + " 2>'" +
                            errFile.string() + "'";
    TRun r{};
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
    const int status = pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Err = test::ReadBytes(errFile);
    return r;
  }
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
    csv += std::to_string(n) + ";\"2020-01-" + (n < 10 ? "0" : "") + std::to_string(n) + "\";" +
           std::to_string(n) + ";11;12;13;" + std::to_string(45 - n) + "\r\n";
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
  for (int n = 1; n <= 4; ++n) csv += std::to_string(n) + ";\"2020-01-0" + std::to_string(n) + "\";" + draws[n - 1] + "\r\n";
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

}  // namespace
}  // namespace kivra
