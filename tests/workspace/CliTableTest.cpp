// kivra-cli table and caches, end to end in a data folder of their own.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "TempDir.h"
#include "core/DrawsArchive.h"

namespace kivra {
namespace {

class CliTable : public ::testing::Test {
 protected:
  // The exit status and stdout.
  std::pair<int, std::string> Run(const std::string& args) {
    test::TCliRun r = test::RunCli(data, args, dir / "err");
    return {r.Status, std::move(r.Out)};
  }
  void SetUp() override {
    std::filesystem::create_directories(data);
    // Draws 1..6: 1 2 3 4 5, then 2 4 6 8 10 twice, then three draws without even numbers.
    const std::vector<TComb> nums = {{1, 2, 3, 4, 5}, {2, 4, 6, 8, 10},     {2, 4, 6, 8, 10},
                                     {1, 3, 5, 7, 9}, {11, 13, 15, 17, 19}, {21, 23, 25, 27, 29}};
    TDrawsArray draws(nums.size());
    for (size_t i = 0; i < nums.size(); ++i) {
      draws[i].Number = static_cast<int32_t>(i + 1);
      draws[i].Nums = nums[i];
    }
    test::WriteBytes(data / "Kivra_5x45.ldr", ArchiveToBytes(draws));
  }
  test::TTempDir dir;
  std::filesystem::path data = dir / "data";
};

constexpr const char* Header =
    "Значение;Количество;Кол-во в %;Норма;Отклонение;Откл-ие в %;Глубина;Глубина в %;Вес;Посл. тираж;Период min;"
    "Период;Период max;Ожд. ПРД;Ожд. СТФ;Ожд. КРН;Факт;+/- ПРД;+/- СТФ;+/- КРН\n";

TEST_F(CliTable, TableAndCaches) {
  // Draws 2..5: "5:0" twice (2, 3), "0:5" twice (4, 5); the hidden draw 6 shows "0:5" again.
  // СТФ of "5:0": 3 * 3 / 2 = 4.5 rounds to the even 4; of "0:5": 3 * 5 / 2 = 7.5 to 8.
  auto [status, out] = Run("table EVEN --len 4 --offset 1 --sort 0 --desc --decimal-separator ,");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, std::string(Header) +
                     "5:0;2;50,00000;-;-;-;3;100,00;3,00;3;1;2,0000;1;5;4;5;-;-;-;-\n"
                     "4:1;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-\n"
                     "3:2;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-\n"
                     "2:3;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-\n"
                     "1:4;0;0,00000;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-;-\n"
                     "0:5;2;50,00000;-;-;-;1;33,33;1,00;5;1;2,0000;1;7;8;8;6;+1;+2;+2\n");

  // With the comparison the file is built on the way: Norm = Round(full-set count * 2 / 409101)
  // (window maximum over file maximum); weight = depth - deviation.
  std::tie(status, out) = Run("table EVEN --len 4 --offset 1 --compare --sort Значение");
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(std::filesystem::exists(data / "Prefetchs" / "Kivra_5x45_EVEN.dfc"));
  EXPECT_NE(out.find("\n0:5;2;50.00000;0;2;100.00000;1;33.33;-1.00;5;"), std::string::npos) << out;
  EXPECT_NE(out.find("\n2:3;0;0.00000;2;-2;-100.00000;-;"), std::string::npos) << out;

  std::tie(status, out) = Run("caches");  // the switch is off: nothing to do
  EXPECT_EQ(out, "Создано файлов: 0\n");
  std::tie(status, out) = Run("caches --force --groups num");
  EXPECT_EQ(status, 0);
  EXPECT_NE(out, "Создано файлов: 0\n");
  EXPECT_EQ(Run("table EVEN --len 4 --sort Нет").first, 2);
  EXPECT_EQ(Run("caches --groups 13").first, 2);
}

TEST_F(CliTable, InListCountsTheCombinationsOfAFile) {
  // A list made and saved by the filter command.
  const std::string gen = "filter --gen 3:1,2,3,4,5,6,7,8,9,10,11,12";
  const std::string file = (dir / "list.lcv").string();
  ASSERT_EQ(Run(gen + " --out '" + file + "'").first, 0);
  auto [status, out] = Run("table EVEN --len 4 --offset 1 --sort 0 --desc --in-list '" + file + "'");
  EXPECT_EQ(status, 0);
  const std::string header(Header);
  EXPECT_EQ(out.substr(0, out.find('\n') + 1), "Значение;В списке;" + header.substr(header.find(';') + 1));
  // Each count is the filter command's keep by that value over the same list.
  auto kept = [&](const std::string& value) {
    const std::string total = Run(gen + " --offset 1 --keep EVEN:4 '" + value + "'").second;
    const size_t colon = total.rfind(": ") + 2;
    return total.substr(colon, total.size() - colon - 1);
  };
  for (const char* value : {"5:0", "3:2", "0:5"})
    EXPECT_NE(out.find(std::string("\n") + value + ";" + kept(value) + ";"), std::string::npos) << value << "\n" << out;

  // Sorted by the column, descending: the largest count first.
  std::tie(status, out) = Run("table EVEN --len 4 --sort 'В списке' --desc --in-list '" + file + "'");
  std::vector<long> counts;
  for (size_t at = out.find('\n'); at + 1 < out.size(); at = out.find('\n', at + 1)) {
    const size_t from = out.find(';', at) + 1;
    counts.push_back(std::stol(out.substr(from, out.find(';', from) - from)));
  }
  ASSERT_EQ(counts.size(), 6u);
  EXPECT_TRUE(std::is_sorted(counts.rbegin(), counts.rend()));
  EXPECT_EQ(Run("table EVEN --len 4 --sort 20").first, 2);  // no list to count
  EXPECT_EQ(Run("table EVEN --len 4 --in-list '" + (dir / "none.lcv").string() + "'").first, 1);
}

}  // namespace
}  // namespace kivra
