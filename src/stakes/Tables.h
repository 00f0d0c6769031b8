// Regular table stakes: standing rules that make one five-number stake per draw by shifting a
// combination (the rule's own or the previous draw's) cyclically by a step. The rules live in
// Kivra_5x45.ltb as 276-byte little-endian records, back to back, in list order.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/DrawsArchive.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"

namespace kivra {

// How a rule finds the combination it shifts.
enum TTableMode : uint8_t {
  TableFromCurrent = 0,  // its own last stake (initially the start combination)
  TableFromDraw = 1,     // the numbers of the previous draw
};

struct TTableData {
  std::string Comment;              // cp1251 bytes as stored (at most 255); the comment of the rule's stakes
  uint8_t Mode = TableFromCurrent;  // as stored; any value but 1 works as 0
  TComb Start{};                    // ascending
  TComb Current{};                  // the combination of the last stake, ascending
  int32_t Step = 1;                 // -45..45 when made here; any value works (see ShiftTableNumber)
  int32_t Count = 0;                // stakes made by the rule

  std::string CommentText() const;  // UTF-8
  bool operator==(const TTableData&) const = default;
};
using TTablesArray = std::vector<TTableData>;

constexpr size_t TableRecordSize = 276;
using TTableBytes = std::array<uint8_t, TableRecordSize>;
namespace TableField {
constexpr size_t Comment = 0, Mode = 256, Start = 257, Current = 262, Step = 268, Count = 272;
}
// Writes the record field by field: the comment cut to 255 bytes, bytes after it and byte 267 zero.
void EncodeTable(const TTableData& rule, std::span<uint8_t, TableRecordSize> out);
TTableBytes EncodeTable(const TTableData& rule);
// Reads a record field by field; any bytes are accepted.
TTableData DecodeTable(std::span<const uint8_t, TableRecordSize> in);

// A number moved by the step, cyclically within 1..45: ((n - 1 + step) mod 45 + 45) mod 45 + 1.
// For n in 1..45 and a step within -45..45 this is the one-wrap shift; any input gives 1..45, so a
// damaged rule never stakes a number outside the range.
uint8_t ShiftTableNumber(int n, int32_t step);
// Moves the rule on: the base (its Current, or `previousDraw` in mode 1) shifted by the step and
// sorted ascending becomes Current; Count + 1. Returns the new Current.
TComb AdvanceTable(TTableData& rule, const TComb& previousDraw);
// As above with the previous draw taken `offset` draws before the newest one of the archive (zeros
// when the offset lies outside it).
TComb AdvanceTable(TTableData& rule, const TDrawsArchive& archive, int offset);

// The start combination as the rule dialog accepts it: exactly five words separated by ';' or ','
// (blanks around them ignored), each an integer 1..45, all different; sorted ascending.
std::optional<TComb> ParseTableStart(std::string_view text);

// The comment of a new rule and of the rule dialog.
inline constexpr std::string_view DefaultTableComment = "Регулярная ставка";
// The longest comment the dialog accepts, in characters.
constexpr int TableCommentLength = 64;
inline constexpr std::string_view DuplicateTableComment =
    "Запись с таким комментарием уже присутствует в списке!\rВыберите другой комментарий.";

// A combination of the combination list: its 0-based position and its numbers.
struct TListComb {
  uint32_t Position = 0;
  TComb Numbers{};
};
// The rules the add command makes from the rule the dialog returned: one rule (Current = Start,
// Count 0) when its mode is 1 or exactly one combination was selected; otherwise one rule per
// selected combination, in list order, commented "<comment> (<1-based position>)", starting from
// that combination sorted ascending. Nothing when the mode is 0 and no combination was selected.
TTablesArray MakeTableRules(const TTableData& rule, std::span<const TListComb> selected);

// The list's columns and their texts.
constexpr int TableColumnCount = 5;
extern const std::array<const char*, TableColumnCount> TableColumnCaptions;
std::string TableCellText(const TTableData& rule, int column);

// The rules with their file.
class TTables {
 public:
  TTables(TUserPort& port, std::filesystem::path file);

  const TTablesArray& Rows() const { return rows_; }
  TTableData& Row(size_t i) { return rows_[i]; }
  int Count() const { return static_cast<int>(rows_.size()); }
  const std::filesystem::path& File() const { return file_; }

  void Clear() { rows_.clear(); }
  void Append(const TTableData& rule) { rows_.push_back(rule); }
  // Removes the rule at the index; throws std::out_of_range with "Запись со индексом %d в файле
  // данных не найдена!" when there is none.
  void Delete(int index);
  // True when a rule has the comment (UTF-8), letter case ignored.
  bool CommentTaken(std::string_view comment) const;

  // Appends the file's whole records (busy "Загрузка файла регулярных ставок..."); the rules read
  // so far stay after a failure. True when the file was read or does not exist.
  bool Load();
  // Rewrites the file with every rule, atomically (busy "Сохранение файла регулярных ставок...").
  bool Save();

 private:
  TUserPort& port_;
  std::filesystem::path file_;
  TTablesArray rows_;
};

}  // namespace kivra
