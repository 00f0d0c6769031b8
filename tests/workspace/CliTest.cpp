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

}  // namespace
}  // namespace kivra
