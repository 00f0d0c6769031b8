#include "core/XlsxBook.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/SysFormat.h"
#include "core/XlsxReader.h"

namespace kivra {
namespace {

using test::TTempDir;
using test::TXlsxReader;

// A table whose row r holds "r+1" and the given texts; the colours come from `colors` when set.
TXlsxTable Table(std::string title, std::vector<std::string> captions, uint32_t rows,
                 std::vector<std::vector<std::string>> texts = {}, std::vector<std::vector<TXlsxColor>> colors = {}) {
  TXlsxTable t;
  t.Title = std::move(title);
  t.Captions = std::move(captions);
  t.RowCount = rows;
  t.Backgrounds = !colors.empty();
  t.Row = [texts, colors](uint32_t r, std::vector<std::string>& cells, std::vector<TXlsxColor>& cellColors) {
    cells[0] = std::to_string(r + 1);
    if (r < texts.size())
      for (size_t c = 0; c < texts[r].size(); ++c) cells[c + 1] = texts[r][c];
    if (r < colors.size())
      for (size_t c = 0; c < colors[r].size(); ++c) cellColors[c] = colors[r][c];
  };
  return t;
}

TEST(XlsxBook, NumberCellsFollowTheWholeText) {
  struct TCase {
    const char* Text;
    bool Number;
    double Value;
    int Decimals;
  };
  const TCase cases[] = {
      {"0", true, 0, 0},        {"7", true, 7, 0},
      {"-12", true, -12, 0},    {"1221759", true, 1221759, 0},
      {"12.50", true, 12.5, 2}, {"0.125", true, 0.125, 3},
      {"-3.5", true, -3.5, 1},  {"123456789012345", true, 123456789012345, 0},
      {"01", false, 0, 0},      {"00", false, 0, 0},
      {"-", false, 0, 0},       {"", false, 0, 0},
      {"12%", false, 0, 0},     {"05.03.2024", false, 0, 0},
      {"1.2.3", false, 0, 0},   {"1.", false, 0, 0},
      {".5", false, 0, 0},      {" 1", false, 0, 0},
      {"1 ", false, 0, 0},      {"+1", false, 0, 0},
      {"-0", false, 0, 0},      {"-0.00", false, 0, 0},
      {"1E5", false, 0, 0},     {"1234567890123456", false, 0, 0},
      {"3,25", false, 0, 0},    {"01.5", false, 0, 0},
      {"2-5", false, 0, 0},
  };
  for (const TCase& c : cases) {
    const auto n = XlsxNumberCell(c.Text);
    EXPECT_EQ(n.has_value(), c.Number) << '"' << c.Text << '"';
    if (n && c.Number) {
      EXPECT_DOUBLE_EQ(n->Value, c.Value) << c.Text;
      EXPECT_EQ(n->Decimals, c.Decimals) << c.Text;
    }
  }
  // The configured decimal separator is a decimal point too.
  SetDecimalSeparator(',');
  const auto comma = XlsxNumberCell("3,25");
  SetDecimalSeparator('.');
  ASSERT_TRUE(comma.has_value());
  EXPECT_DOUBLE_EQ(comma->Value, 3.25);
  EXPECT_EQ(comma->Decimals, 2);
}

TEST(XlsxBook, SheetNamesAreCutToThirtyOneCharacters) {
  const std::string long31 = "Экспорт карты тиражей за период";  // 31 characters
  struct TCase {
    std::string Title;
    int Index;
    std::string Name;
  };
  const TCase cases[] = {
      {"Архив тиражей", 1, "Архив тиражей"},
      {"Архив тиражей", 2, "Архив тиражей (2)"},
      {long31, 1, long31},
      {long31 + "ы", 1, long31},
      {long31, 3, "Экспорт карты тиражей за пе (3)"},
      {"a[b]:c*d?e/f\\g", 1, "a_b__c_d_e_f_g"},
      {"'Ставки'", 1, "_Ставки_"},
      {"", 1, "Лист"},
  };
  for (const TCase& c : cases) EXPECT_EQ(XlsxSheetName(c.Title, c.Index), c.Name) << c.Title << " " << c.Index;
}

TEST(XlsxBook, CaptionsCellTypesAndBackgroundsReadBack) {
  TTempDir dir;
  const auto file = dir / "book.xlsx";
  const TXlsxTable table =
      Table("Карта", {"Тираж", "1", "S", "Дата тиража", "Сумма"}, 3,
            {{"7", "12.50", "05.03.2024", "123456789012"}, {"01", "", "-"}, {"", "-4", "нет & <да>"}},
            {{std::nullopt, 0xFFFF00}, {0x00FFFF, 0x123456, 0xFF0000}});
  std::string error;
  ASSERT_TRUE(WriteXlsxBook(file, table, {}, error)) << error;

  const TXlsxReader book(file);
  ASSERT_EQ(book.Sheets.size(), 1u);
  const auto& sheet = book.Sheets[0];
  EXPECT_EQ(sheet.Name, "Карта");
  EXPECT_EQ(sheet.Rows, 4);
  // The caption row is text, even where a caption looks like a number.
  const char* captions[] = {"Тираж", "1", "S", "Дата тиража"};
  for (int c = 0; c < 4; ++c) {
    const auto* cell = sheet.At(std::string(1, char('A' + c)) + "1");
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->Number);
    EXPECT_EQ(cell->Text, captions[c]);
  }
  struct TExpect {
    const char* Ref;
    bool Number;
    const char* Text;
    const char* Format;
    std::optional<uint32_t> Fill;
  };
  const TExpect cells[] = {
      // Integers up to 11 digits show as they are in the general format; longer ones get "0".
      {"A2", true, "1", "General", std::nullopt},      {"B2", true, "7", "General", 0xFFFF00},
      {"C2", true, "12.5", "0.00", std::nullopt},      {"D2", false, "05.03.2024", "General", std::nullopt},
      {"A3", true, "2", "General", 0x00FFFF},          {"B3", false, "01", "General", 0x123456},
      {"D3", false, "-", "General", std::nullopt},     {"C4", true, "-4", "General", std::nullopt},
      {"E2", true, "123456789012", "0", std::nullopt}, {"D4", false, "нет & <да>", "General", std::nullopt},
  };
  for (const TExpect& e : cells) {
    const auto* cell = sheet.At(e.Ref);
    ASSERT_NE(cell, nullptr) << e.Ref;
    EXPECT_EQ(cell->Number, e.Number) << e.Ref;
    EXPECT_EQ(cell->Text, e.Text) << e.Ref;
    EXPECT_EQ(cell->Format, e.Format) << e.Ref;
    EXPECT_EQ(cell->Fill, e.Fill) << e.Ref;
  }
  // An empty cell without a background is not written; with one it is a blank coloured cell.
  EXPECT_EQ(sheet.At("B4"), nullptr);
  ASSERT_NE(sheet.At("C3"), nullptr);
  EXPECT_EQ(sheet.At("C3")->Text, "");
  EXPECT_EQ(sheet.At("C3")->Fill, 0xFF0000u);
}

TEST(XlsxBook, RowsPastTheSheetLimitContinueOnFurtherSheets) {
  // Three data rows per sheet: the sheet counts at and around the limit.
  struct TCase {
    uint32_t Rows;
    std::vector<int> SheetRows;  // rows of each sheet, the caption row included
  };
  const TCase cases[] = {{0, {1}}, {3, {4}}, {4, {4, 2}}, {6, {4, 4}}, {7, {4, 4, 2}}};
  for (const TCase& c : cases) {
    TTempDir dir;
    std::string error;
    TXlsxOptions options;
    options.SheetRows = 4;
    ASSERT_TRUE(WriteXlsxBook(dir / "b.xlsx", Table("Комбинации", {"№ п.п.", "1"}, c.Rows), options, error));
    const TXlsxReader book(dir / "b.xlsx");
    ASSERT_EQ(book.Sheets.size(), c.SheetRows.size()) << c.Rows;
    uint32_t next = 1;
    for (size_t s = 0; s < book.Sheets.size(); ++s) {
      const auto& sheet = book.Sheets[s];
      EXPECT_EQ(sheet.Name, s == 0 ? "Комбинации" : "Комбинации (" + std::to_string(s + 1) + ")");
      EXPECT_EQ(sheet.Rows, c.SheetRows[s]) << c.Rows << " sheet " << s;
      ASSERT_NE(sheet.At("A1"), nullptr);
      EXPECT_EQ(sheet.At("A1")->Text, "№ п.п.");
      for (int r = 2; r <= sheet.Rows; ++r, ++next)
        EXPECT_EQ(sheet.At(std::string("A").append(std::to_string(r)))->Text, std::to_string(next));
    }
    EXPECT_EQ(next, c.Rows + 1);
  }
}

TEST(XlsxBook, WrittenThroughATemporaryFileAndStoppable) {
  TTempDir dir;
  const auto file = dir / "book.xlsx";
  test::WriteBytes(file, "old");
  std::string error;
  // A stop from the progress leaves the old file as it was and no temporary file behind.
  TXlsxOptions options;
  std::vector<uint32_t> seen;
  options.Progress = [&seen](uint32_t done, uint32_t total) {
    EXPECT_EQ(total, 10000u);
    seen.push_back(done);
    return done < 8192;
  };
  EXPECT_FALSE(WriteXlsxBook(file, Table("T", {"A"}, 10000), options, error));
  EXPECT_EQ(seen, (std::vector<uint32_t>{4096, 8192}));
  EXPECT_EQ(test::ReadBytes(file), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  // A complete book replaces it; the progress ends at the total.
  seen.clear();
  options.Progress = [&seen](uint32_t done, uint32_t) { return seen.push_back(done), true; };
  ASSERT_TRUE(WriteXlsxBook(file, Table("T", {"A"}, 10000), options, error)) << error;
  EXPECT_EQ(seen.back(), 10000u);
  EXPECT_EQ(TXlsxReader(file).Sheets.at(0).Rows, 10001);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  // A folder that does not exist is an error with the file named.
  EXPECT_FALSE(WriteXlsxBook(dir / "missing" / "b.xlsx", Table("T", {"A"}, 1), {}, error));
  EXPECT_NE(error.find("b.xlsx"), std::string::npos) << error;
}

}  // namespace
}  // namespace kivra
