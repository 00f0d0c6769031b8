// kivra-cli export-xlsx: each book read back and compared with the text table of the same view, a
// number cell compared as it shows (its value with its format's decimals).
#include <gtest/gtest.h>

#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "core/XlsxReader.h"

namespace kivra {
namespace {

using test::TXlsxReader;
using test::TXlsxSheet;

using test::XlsxColumnName;

// What a cell shows (see TXlsxSheet::Shown).
std::string Shown(const TXlsxSheet& sheet, size_t row, size_t column) { return sheet.Shown(row, column); }

std::vector<std::vector<std::string>> Rows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    rows.emplace_back();
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ';');) rows.back().push_back(cell);
    if (!line.empty() && line.back() == ';') rows.back().push_back("");
  }
  return rows;
}

class CliXlsx : public ::testing::Test {
 protected:
  test::TTempDir dir;
  std::filesystem::path data = dir / "data";
  void SetUp() override {
    std::filesystem::create_directories(data);
    TDrawsArray draws;
    for (int i = 0; i < 40; ++i) {
      const auto n = [i](int k) { return uint8_t(1 + (i * 7 + k * 11) % 45); };
      draws.push_back(
          test::MakeDraw(100 + i, {n(0), n(1), n(2), n(3), n(4)}, "2026-01-" + std::to_string(10 + i % 20)));
    }
    test::WriteBytes(data / "Kivra_5x45.ldr", ArchiveToBytes(draws));
  }
  std::string Run(const std::string& args) {
    const test::TCliRun r = test::RunCli(data, args, dir / "err");
    EXPECT_EQ(r.Status, 0) << args << "\n" << r.Err;
    return r.Out;
  }
};

TEST_F(CliXlsx, BooksHoldTheTextTablesOfTheirViews) {
  struct TCase {
    const char* Text;  // the text command
    const char* Book;  // the export of the same view
    const char* Sheet;
  };
  const TCase cases[] = {
      {"card --len 12", "export-xlsx card --len 12", "Карта"},
      {"layout --len 15 --offset 2", "export-xlsx layout --len 15 --offset 2", "Схема"},
      {"table SUMS --len 25 --compare --sort 1 --desc", "export-xlsx stats SUMS --len 25 --compare --sort 1 --desc",
       "Статистика"},
  };
  for (const TCase& c : cases) {
    const auto text = Rows(Run(c.Text));
    const auto file = dir / "book.xlsx";
    Run(std::string(c.Book) + " '" + file.string() + "'");
    const TXlsxReader book(file);
    ASSERT_EQ(book.Sheets.size(), 1u) << c.Book;
    const TXlsxSheet& sheet = book.Sheets[0];
    EXPECT_EQ(sheet.Name, c.Sheet);
    ASSERT_GT(text.size(), 2u) << c.Text;
    EXPECT_EQ(sheet.Rows, static_cast<int>(text.size())) << c.Book;
    for (size_t r = 0; r < text.size(); ++r)
      for (size_t col = 0; col < text[r].size(); ++col)
        EXPECT_EQ(Shown(sheet, r, col), text[r][col]) << c.Book << " " << XlsxColumnName(col) << r + 1;
  }
}

TEST_F(CliXlsx, CardBackgroundsAreTheGridColours) {
  const auto colors = Rows(Run("card --len 10 --colors"));
  const auto file = dir / "card.xlsx";
  Run("export-xlsx card --len 10 '" + file.string() + "'");
  const TXlsxSheet sheet = TXlsxReader(file).Sheets.at(0);
  int coloured = 0;
  for (size_t r = 1; r < colors.size(); ++r) {
    // The row header keeps no colour.
    EXPECT_FALSE(sheet.At(std::string("A").append(std::to_string(r + 1)))->Fill.has_value());
    for (size_t c = 1; c < colors[r].size(); ++c) {
      const auto* cell = sheet.At(XlsxColumnName(c) + std::to_string(r + 1));
      char shown[8] = "";
      if (cell && cell->Fill) std::snprintf(shown, sizeof shown, "#%06X", *cell->Fill), ++coloured;
      EXPECT_EQ(shown, colors[r][c]) << XlsxColumnName(c) << r + 1;
    }
  }
  EXPECT_GT(coloured, 0);
}

TEST_F(CliXlsx, DrawsNewestFirstAndHiddenComparisonColumns) {
  const auto file = dir / "b.xlsx";
  Run("export-xlsx draws '" + file.string() + "'");
  const TXlsxSheet draws = TXlsxReader(file).Sheets.at(0);
  EXPECT_EQ(draws.Name, "Архив тиражей");
  EXPECT_EQ(draws.Rows, 41);
  const std::vector<std::string> first = {"Тираж", "1", "2", "3", "4", "5", "S", "Дата тиража"};
  for (size_t c = 0; c < first.size(); ++c) EXPECT_EQ(Shown(draws, 0, c), first[c]);
  EXPECT_EQ(Shown(draws, 1, 0), "139");
  EXPECT_EQ(Shown(draws, 40, 0), "100");
  EXPECT_FALSE(draws.At("H2")->Number);  // a date stays text

  // Without the comparison its three columns are hidden in the window and left out of the book.
  Run("export-xlsx stats SUMS --len 25 '" + file.string() + "'");
  const TXlsxSheet stats = TXlsxReader(file).Sheets.at(0);
  const auto text = Rows(Run("table SUMS --len 25"));
  std::vector<std::string> captions;
  for (size_t c = 0; Shown(stats, 0, c) != ""; ++c) captions.push_back(Shown(stats, 0, c));
  ASSERT_EQ(captions.size(), text[0].size() - 3);
  EXPECT_EQ(captions[2], text[0][2]);
  EXPECT_EQ(captions[3], text[0][6]);
  EXPECT_EQ(Shown(stats, 1, 3), text[1][6]);

  // A combination file: its rows numbered in file order with their sums.
  Run("filter --gen 2:1,2,3,4,5,6,7 --out '" + (dir / "f.lcv").string() + "'");
  Run("export-xlsx combs '" + (dir / "f.lcv").string() + "' '" + file.string() + "'");
  const TXlsxSheet combs = TXlsxReader(file).Sheets.at(0);
  EXPECT_EQ(combs.Name, "Комбинации");
  EXPECT_EQ(combs.Rows, 22);
  const std::vector<std::vector<std::string>> rows = {{"№ п.п.", "1", "2", "3", "4", "5", "S"},
                                                      {"1", "1", "2", "3", "4", "5", "15"},
                                                      {"21", "3", "4", "5", "6", "7", "25"}};
  for (size_t c = 0; c < 7; ++c) {
    EXPECT_EQ(Shown(combs, 0, c), rows[0][c]);
    EXPECT_EQ(Shown(combs, 1, c), rows[1][c]);
    EXPECT_EQ(Shown(combs, 21, c), rows[2][c]);
  }

  // A wrong view is a usage error.
  EXPECT_EQ(test::RunCli(data, "export-xlsx week '" + file.string() + "'", dir / "err").Status, 2);
}

}  // namespace
}  // namespace kivra
