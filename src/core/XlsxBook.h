// Spreadsheet books (.xlsx) of the program's lists and grids: one table (a title, the column
// captions, rows of cell texts and, for the coloured grids, cell backgrounds) written on as many
// sheets as its rows need. The rows are read one at a time from the caller and streamed to the file,
// so the full combination list is written in constant memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// A cell background: 0xRRGGBB, or nullopt for none.
using TXlsxColor = std::optional<uint32_t>;

struct TXlsxTable {
  std::string Title;                  // the sheet name (cut to 31 characters)
  std::vector<std::string> Captions;  // row 1 of every sheet
  uint32_t RowCount = 0;
  bool Backgrounds = false;  // whether Row fills the colours
  // Fills the texts of one row (one per caption) and, when Backgrounds is set, their colours (the
  // vectors come sized to the captions and reset).
  std::function<void(uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>& colors)> Row;
};

struct TXlsxOptions {
  // Rows of one sheet, the caption row included (the format's limit). Tests lower it.
  uint32_t SheetRows = 1048576;
  // Called every few thousand rows with the rows written so far and the total; false stops the
  // export (the target is left as it was).
  std::function<bool(uint32_t done, uint32_t total)> Progress;
};

// Writes the table to `file` through a temporary file beside it, renamed over the target when the
// book is complete. False with a message in `error` when it could not be written or was stopped.
bool WriteXlsxBook(const std::filesystem::path& file, const TXlsxTable& table, const TXlsxOptions& options,
                   std::string& error);

// The name of sheet `index` (1-based) of a book titled `title`: the title for the first, then
// "<title> (2)", "<title> (3)", ...; characters a sheet name cannot hold become "_", and the title
// is cut so that the whole name has at most 31 characters.
std::string XlsxSheetName(std::string_view title, int index);

// A cell text that is a plain decimal number (an optional "-", digits with no 0 before another
// digit, optional decimals after "." or the configured decimal separator, at most 15 digits):
// its value and the number of decimals shown. Anything else is written as text.
struct TXlsxNumber {
  double Value = 0;
  int Decimals = 0;
};
std::optional<TXlsxNumber> XlsxNumberCell(std::string_view text);

}  // namespace kivra
