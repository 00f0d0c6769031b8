#include "core/XlsxBook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>
#include <unistd.h>

#include "core/FileUtils.h"
#include "core/SysFormat.h"

namespace kivra {

namespace {

// The spreadsheet library's error in Russian (its own texts are English); the original goes to the
// standard error stream.
std::string XlsxErrorText(lxw_error error) {
  std::fprintf(stderr, "xlsx error %d: %s\n", static_cast<int>(error), lxw_strerror(error));
  switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return "недостаточно памяти.";
    case LXW_ERROR_CREATING_XLSX_FILE: return "не удалось создать файл (обычно нет прав на запись в эту папку).";
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE: return "ошибка временного файла (нет места на диске или прав на запись).";
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: return "ошибка упаковки файла (возможно, на диске нет места).";
    default: return "ошибка библиотеки записи таблиц (код " + std::to_string(static_cast<int>(error)) + ").";
  }
}

}  // namespace

namespace {

constexpr int MaxSheetName = 31;
constexpr int MaxNumberDigits = 15;  // what a double keeps exactly
constexpr uint32_t ProgressStep = 4096;
constexpr uint32_t WidthSampleRows = 200;
constexpr double MinColumnWidth = 4, MaxColumnWidth = 60;
constexpr double GeneralIntegerLimit = 1e11;

// Characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The first `count` characters of a UTF-8 text.
std::string_view Utf8Prefix(std::string_view text, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] & 0xC0) != 0x80) {
      if (chars == count) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

// The book's formats, made once per (caption | decimals, background) and reused for every cell.
class TFormats {
 public:
  explicit TFormats(lxw_workbook* book) : book_(book) {
    caption_ = workbook_add_format(book);
    format_set_bold(caption_);
    format_set_bottom(caption_, LXW_BORDER_THIN);
  }
  lxw_format* Caption() const { return caption_; }
  // A text cell (decimals < 0) or a number cell with that many decimals, with the background.
  lxw_format* Cell(int decimals, const TXlsxColor& color) {
    if (decimals < 0 && !color.has_value()) return nullptr;
    const uint32_t rgb = color.value_or(0) & 0xFFFFFF;
    const uint64_t key = (static_cast<uint64_t>(decimals + 1) << 32) | (color.has_value() ? rgb | 0x1000000 : 0);
    auto [it, added] = formats_.try_emplace(key, nullptr);
    if (added) {
      lxw_format* f = workbook_add_format(book_);
      if (decimals >= 0) {
        std::string code = decimals == 0 ? "0" : "0.";
        code.append(static_cast<size_t>(decimals), '0');
        format_set_num_format(f, code.c_str());
      }
      if (color.has_value()) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, rgb);
      }
      it->second = f;
    }
    return it->second;
  }

 private:
  lxw_workbook* book_;
  lxw_format* caption_;
  std::map<uint64_t, lxw_format*> formats_;
};

// Column widths from the captions and the first rows (in characters, with a margin).
std::vector<double> ColumnWidths(const TXlsxTable& table) {
  const size_t columns = table.Captions.size();
  std::vector<double> widths(columns, MinColumnWidth);
  auto fit = [&](size_t c, std::string_view text) {
    widths[c] = std::clamp(static_cast<double>(Utf8Length(text)) + 2, widths[c], MaxColumnWidth);
  };
  for (size_t c = 0; c < columns; ++c) fit(c, table.Captions[c]);
  std::vector<std::string> cells(columns);
  std::vector<TXlsxColor> colors(columns);
  for (uint32_t r = 0; r < std::min(table.RowCount, WidthSampleRows); ++r) {
    std::fill(cells.begin(), cells.end(), std::string());
    table.Row(r, cells, colors);
    for (size_t c = 0; c < columns; ++c) fit(c, cells[c]);
  }
  return widths;
}

}  // namespace

std::string XlsxSheetName(std::string_view title, int index) {
  std::string clean;
  for (char c : title) clean += std::string_view("[]:*?/\\").find(c) == std::string_view::npos ? c : '_';
  // A name may not begin or end with an apostrophe, nor be empty.
  if (!clean.empty() && clean.front() == '\'') clean.front() = '_';
  if (clean.empty()) clean = "Лист";
  const std::string suffix = index > 1 ? " (" + std::to_string(index) + ")" : "";
  std::string name(Utf8Prefix(clean, static_cast<size_t>(MaxSheetName) - suffix.size()));
  if (name.back() == '\'') name.back() = '_';
  return name + suffix;
}

std::optional<TXlsxNumber> XlsxNumberCell(std::string_view text) {
  const char separator = DecimalSeparator();
  size_t pos = text.size() > 0 && text[0] == '-' ? 1 : 0;
  const size_t intStart = pos;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
  const size_t intDigits = pos - intStart;
  if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0')) return std::nullopt;
  int decimals = 0;
  if (pos < text.size() && (text[pos] == '.' || text[pos] == separator)) {
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos, ++decimals;
    if (decimals == 0) return std::nullopt;
  }
  if (pos != text.size() || intDigits + static_cast<size_t>(decimals) > MaxNumberDigits) return std::nullopt;
  std::string plain(text);
  if (decimals > 0) plain[text.size() - static_cast<size_t>(decimals) - 1] = '.';
  TXlsxNumber n;
  n.Decimals = decimals;
  if (std::from_chars(plain.data(), plain.data() + plain.size(), n.Value).ec != std::errc()) return std::nullopt;
  // "-0" (or "-0.00") would show without its sign: it stays text, as shown.
  if (n.Value == 0 && text[0] == '-') return std::nullopt;
  return n;
}

bool WriteXlsxBook(const std::filesystem::path& file, const TXlsxTable& table, const TXlsxOptions& options,
                   std::string& error) {
  const size_t columns = table.Captions.size();
  const uint32_t perSheet = std::max<uint32_t>(options.SheetRows, 2) - 1;
  const uint32_t sheets = std::max<uint32_t>(1, (table.RowCount + perSheet - 1) / perSheet);
  const std::vector<double> widths = ColumnWidths(table);

  // The folder is checked first: the library would report a missing one on its own as well.
  std::error_code folderError;
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  if (!std::filesystem::is_directory(folder, folderError)) {
    error = "Не удалось записать файл \"" + file.string() + "\": папка не существует";
    return false;
  }
  const std::filesystem::path temp =
      file.parent_path() / ("." + file.filename().string() + "." + std::to_string(getpid()) + ".tmp");
  lxw_workbook_options bookOptions{};
  bookOptions.constant_memory = LXW_TRUE;
  bookOptions.use_zip64 = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(temp.c_str(), &bookOptions);
  if (!book) {
    error = "Не удалось создать файл \"" + temp.string() + "\"";
    return false;
  }
  lxw_doc_properties properties{};
  std::string title = table.Title;
  properties.title = title.data();
  workbook_set_properties(book, &properties);
  TFormats formats(book);

  std::vector<std::string> cells(columns);
  std::vector<TXlsxColor> colors(columns);
  bool stopped = false;
  uint32_t row = 0;
  for (uint32_t s = 1; s <= sheets && !stopped; ++s) {
    const std::string name = XlsxSheetName(table.Title, static_cast<int>(s));
    lxw_worksheet* sheet = workbook_add_worksheet(book, name.c_str());
    for (size_t c = 0; c < columns; ++c)
      worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    for (size_t c = 0; c < columns; ++c)
      worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), table.Captions[c].c_str(), formats.Caption());
    const uint32_t end = std::min(table.RowCount, row + perSheet);
    for (lxw_row_t line = 1; row < end; ++row, ++line) {
      std::fill(cells.begin(), cells.end(), std::string());
      std::fill(colors.begin(), colors.end(), std::nullopt);
      table.Row(row, cells, colors);
      if (!table.Backgrounds) std::fill(colors.begin(), colors.end(), std::nullopt);
      for (size_t c = 0; c < columns; ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        const std::string& text = cells[c];
        const TXlsxColor& color = colors[c];
        if (const auto number = XlsxNumberCell(text)) {
          // The general format shows an integer of up to 11 digits as it is; leaving its format out
          // keeps the full list's sheets a good deal smaller and faster to pack.
          const bool general = number->Decimals == 0 && std::fabs(number->Value) < GeneralIntegerLimit;
          worksheet_write_number(sheet, line, col, number->Value, formats.Cell(general ? -1 : number->Decimals, color));
        } else if (!text.empty()) {
          worksheet_write_string(sheet, line, col, text.c_str(), formats.Cell(-1, color));
        } else if (color) {
          worksheet_write_blank(sheet, line, col, formats.Cell(-1, color));
        }
      }
      if (options.Progress && (row + 1) % ProgressStep == 0 && !options.Progress(row + 1, table.RowCount)) {
        stopped = true;
        break;
      }
    }
  }
  if (!stopped && options.Progress) stopped = !options.Progress(table.RowCount, table.RowCount);

  const lxw_error closed = workbook_close(book);
  std::error_code ec;
  if (stopped) {
    std::filesystem::remove(temp, ec);
    error = "Экспорт прерван";
    return false;
  }
  if (closed != LXW_NO_ERROR) {
    std::filesystem::remove(temp, ec);
    error = "Не удалось записать файл \"" + file.string() + "\": " + XlsxErrorText(closed);
    return false;
  }
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    error = "Не удалось записать файл \"" + file.string() + "\": " + SystemErrorText(ec.value());
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace kivra
