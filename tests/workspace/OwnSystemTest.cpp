// Own systems in the workspace and in kivra-cli: saving as the local system for N (checked again,
// asking before another system of that N goes, nothing written for a design that fails), and
// `systems make` / `systems verify` with their output, files and refusals.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/FileUtils.h"
#include "stakes/CoverDesign.h"
#include "workspace/Workspace.h"

namespace kivra {
namespace {

class OwnSystemTest : public ::testing::Test {
 protected:
  OwnSystemTest() { ws.LoadSettingsAndConfig(); }
  test::TTempDir dir;
  TRecordingPort port;
  TWorkspace ws{dir.Path(), port};
};

TEST_F(OwnSystemTest, SavedAsTheLocalSystemForNAfterTheQuestion) {
  const TCoverSpec wanted{10, 2, 3};
  const std::vector<TComb> design = {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}};
  auto& systems = ws.Systems();
  // No other system of that N: written without a question.
  ASSERT_TRUE(systems.SaveOwn(wanted, design));
  EXPECT_TRUE(port.Messages.empty());
  EXPECT_EQ(systems.OwnFile(10), systems.Folder() / "5-10-0_0000.dat");
  EXPECT_EQ(test::ReadBytes(systems.OwnFile(10)), "01 02 03 04 05\r\n06 07 08 09 10\r\n");

  // A downloaded system of that N: the question; No keeps everything as it was, Yes replaces it.
  std::filesystem::remove(systems.OwnFile(10));
  WriteFileAtomic(systems.Folder() / "5-10-2_0031.dat", "1 2 3 4 5\r\n");
  port.Answers = {false, true};
  EXPECT_FALSE(systems.SaveOwn(wanted, design));
  EXPECT_FALSE(std::filesystem::exists(systems.OwnFile(10)));
  EXPECT_TRUE(std::filesystem::exists(systems.Folder() / "5-10-2_0031.dat"));
  EXPECT_TRUE(systems.SaveOwn(wanted, design));
  EXPECT_FALSE(std::filesystem::exists(systems.Folder() / "5-10-2_0031.dat"));
  ASSERT_EQ(port.Messages.size(), 2u);
  EXPECT_EQ(port.Messages[0].Kind, TMessageKind::Question);
  EXPECT_EQ(port.Messages[0].Text, "Для 10 чисел уже есть система \"5-10-2_0031\".\r\rЗаменить ее новой системой?");
  // System play takes it.
  const TByteArray numbers = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  const TSystemExpansion play = SystemExpand(systems.Folder(), numbers);
  ASSERT_TRUE(play.Ok);
  EXPECT_EQ(play.Combs, (std::vector<TComb>{{11, 12, 13, 14, 15}, {16, 17, 18, 19, 20}}));
}

TEST_F(OwnSystemTest, AFailingDesignOrBadParametersWriteNothing) {
  auto& systems = ws.Systems();
  WriteFileAtomic(dir / "keep", "");
  // One block leaves 1 6 7 uncovered; a bad guarantee is refused before anything else.
  EXPECT_FALSE(systems.SaveOwn({10, 2, 3}, std::vector<TComb>{{1, 2, 3, 4, 5}}));
  EXPECT_FALSE(systems.SaveOwn({10, 4, 3}, std::vector<TComb>{{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}));
  TCoverOptions none;
  none.Seconds = 0;
  EXPECT_FALSE(systems.Make({10, 2, 3}, none, nullptr));
  EXPECT_FALSE(std::filesystem::exists(systems.Folder()));
  ASSERT_EQ(port.Messages.size(), 3u);
  EXPECT_EQ(port.Messages[0].Text,
            "Система не сохранена: гарантия \"2 если 3\" для 10 чисел не выполнена (не покрыто сочетание 1 6 7)!");
  EXPECT_EQ(port.Messages[1].Text,
            "Гарантия \"4 если 3\" невозможна: совпадений (4) не может быть больше, чем угаданных чисел (3)!");
  EXPECT_EQ(port.Messages[2].Text, "Время поиска системы должно быть больше нуля!");
  for (const auto& m : port.Messages) EXPECT_EQ(m.Kind, TMessageKind::Error);
}

class OwnSystemCli : public ::testing::Test {
 protected:
  test::TCliRun Run(const std::string& args) { return test::RunCli(dir.Path(), args, dir / "stderr.txt"); }
  test::TTempDir dir;
};

TEST_F(OwnSystemCli, MakePrintsWritesAndVerifies) {
  const auto made = Run("systems make 12 --guarantee 3 --if 4 --seconds 1 --seed 3 --threads 1 --out '" +
                        (dir / "12.dat").string() + "'");
  ASSERT_EQ(made.Status, 0) << made.Err;
  // The blocks one a line (ascending positions, lines ascending), then the summary.
  std::istringstream lines(made.Out);
  std::vector<TComb> blocks;
  std::string line, last;
  while (std::getline(lines, line)) {
    int p[5];
    if (std::sscanf(line.c_str(), "%d %d %d %d %d", &p[0], &p[1], &p[2], &p[3], &p[4]) == 5 &&
        line == fmt::format("{} {} {} {} {}", p[0], p[1], p[2], p[3], p[4])) {
      blocks.push_back({uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2]), uint8_t(p[3]), uint8_t(p[4])});
      EXPECT_TRUE(std::is_sorted(blocks.back().begin(), blocks.back().end())) << line;
    } else {
      last = line;
    }
  }
  EXPECT_TRUE(std::is_sorted(blocks.begin(), blocks.end()));
  EXPECT_TRUE(VerifyCover({12, 3, 4}, blocks).Ok);
  EXPECT_EQ(last, fmt::format("Комбинаций: {}, нижняя граница: {}, гарантия проверена", blocks.size(),
                              CoverLowerBound({12, 3, 4})));
  EXPECT_EQ(test::ReadBytes(dir / "12.dat"), CoverFileText(blocks));

  // verify: N from --nums, from the file's name or from its largest position.
  const std::string file = "'" + (dir / "12.dat").string() + "'";
  const auto ok = Run("systems verify " + file + " --guarantee 3 --if 4 --nums 12");
  EXPECT_EQ(ok.Status, 0) << ok.Err;
  EXPECT_EQ(ok.Out, last + "\n");
  std::filesystem::copy_file(dir / "12.dat", dir / "5-13-0_0000.dat");
  const auto wider = Run("systems verify '" + (dir / "5-13-0_0000.dat").string() + "' --guarantee 3 --if 4");
  EXPECT_EQ(wider.Status, 1);
  EXPECT_EQ(wider.Err.rfind("Гарантия \"3 если 4\" для 13 чисел не выполнена: не покрыто сочетание ", 0), 0u)
      << wider.Err;
  const auto stronger = Run("systems verify " + file + " --guarantee 4 --if 4");
  EXPECT_EQ(stronger.Status, 1);
  EXPECT_EQ(stronger.Err.rfind("Гарантия \"4 если 4\" для 12 чисел не выполнена: не покрыто сочетание 1 2 3 ", 0), 0u)
      << stronger.Err;
}

TEST_F(OwnSystemCli, BadInputIsRefusedAndNothingWritten) {
  const std::string out = " --out '" + (dir / "out.dat").string() + "'";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"systems make 14 --guarantee 4 --if 3",
       "Гарантия \"4 если 3\" невозможна: совпадений (4) не может быть больше, чем угаданных чисел (3)!\n"},
      {"systems make 14 --guarantee 3 --if 6", "Количество угаданных чисел (\"если M\") должно быть от 2 до 5 (указано 6)!\n"},
      {"systems make 14 --guarantee 1 --if 3", "Гарантия должна быть не меньше 2 совпадений (указано 1)!\n"},
      {"systems make 5 --guarantee 2 --if 3", "Количество чисел системы должно быть от 6 до 45 (указано 5)!\n"},
      {"systems make 46 --guarantee 2 --if 3", "Количество чисел системы должно быть от 6 до 45 (указано 46)!\n"},
      {"systems make 14 --guarantee 3 --if 4 --seconds 0", "Время поиска системы должно быть больше нуля!\n"},
      {"systems make 14 --guarantee 3 --if 4 --seconds -2", "Время поиска системы должно быть больше нуля!\n"}};
  for (const auto& [args, message] : cases) {
    const auto r = Run(args + out);
    EXPECT_EQ(r.Status, 1) << args;
    EXPECT_EQ(r.Err, message) << args;
    EXPECT_TRUE(r.Out.empty()) << args;
  }
  EXPECT_NE(Run("systems make 14 --if 4" + out).Status, 0);
  EXPECT_NE(Run("systems make x --guarantee 2 --if 3" + out).Status, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.dat"));

  // A file with a position outside 1..N, or a repeated one.
  WriteFileAtomic(dir / "5-14-0_0000.dat", "1 2 3 4 5\r\n1 2 3 4 15\r\n");
  auto r = Run("systems verify '" + (dir / "5-14-0_0000.dat").string() + "' --guarantee 2 --if 3");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "Ошибка загрузки комбинаций системы!\n\nСтрока 2: \"1 2 3 4 15\": ожидаются пять позиций от 1 до 14\n");
  WriteFileAtomic(dir / "x.dat", "1 2 3 4 4\r\n");
  r = Run("systems verify '" + (dir / "x.dat").string() + "' --guarantee 2 --if 3");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "Ошибка загрузки комбинаций системы!\n\nСтрока 1: \"1 2 3 4 4\": позиции повторяются\n");
}

}  // namespace
}  // namespace kivra
