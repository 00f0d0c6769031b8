// The stakes journal's record: its fields, its 320-byte little-endian layout, the stake kinds and
// the texts the grid and the cli show for a record.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/Config.h"

namespace kivra {

constexpr int MinStakeNumbers = 5;
constexpr int MaxStakeNumbers = 12;
// The stake dialog's refusal of its numbers, with what to type on the second line.
inline constexpr std::string_view BadStakeNumbersHint =
    "Введена некорректная комбинация!\rУкажите от 5 до 12 разных чисел от 1 до 45 через точку с запятой или "
    "запятую.";

// A short list of numbers (16 bytes on disk: signed count, then 12 bytes).
struct TStakeNumbers {
  int32_t Count = 0;  // 0..12; -1 in a stake's Matched list: not checked yet
  std::array<uint8_t, MaxStakeNumbers> Values{};

  // The entries a reader may use: Count clamped to 0..12 (records are untrusted).
  int Visible() const { return Count < 0 ? 0 : (Count > MaxStakeNumbers ? MaxStakeNumbers : Count); }
  bool operator==(const TStakeNumbers&) const = default;
};

enum TStakeKind : uint8_t {
  StakeSeparator = 0,
  StakeManual = 1,
  StakeRegular = 2,
  StakeScript = 3,
  StakeSystem = 4,
};

// One journal record.
struct TStakeData {
  uint8_t Version = 2;
  uint8_t Kind = StakeSeparator;
  int32_t DrawNumber = 0;  // <= 0: a separator
  uint8_t Checked = 0;
  int32_t SampleSize = 0;  // combinations in the list when the stake was made
  TStakeNumbers Numbers;
  std::array<uint8_t, 5> DrawResult{};  // the checked draw in archive order
  TStakeNumbers Matched{-1, {}};        // the staked numbers drawn, ascending; Count -1 until checked
  TMoney Profit = 0;
  std::string Comment;  // UTF-8 here; at most 255 cp1251 bytes on disk

  bool operator==(const TStakeData&) const = default;
};

constexpr size_t StakeRecordSize = 320;
using TStakeBytes = std::array<uint8_t, StakeRecordSize>;

// Field offsets of the record on disk.
namespace StakeField {
constexpr size_t Version = 0, Kind = 1, DrawNumber = 4, Checked = 8, SampleSize = 12, Numbers = 16, DrawResult = 32,
                 Matched = 40, Profit = 56, Comment = 64;
}

// Writes the record field by field; unused bytes are 0, the comment is cut to 255 cp1251 bytes.
void EncodeStake(const TStakeData& record, std::span<uint8_t, StakeRecordSize> out);
TStakeBytes EncodeStake(const TStakeData& record);
// Reads a record field by field; any bytes are accepted (the counts are kept as stored).
TStakeData DecodeStake(std::span<const uint8_t, StakeRecordSize> in);

// The separator record: Version 2, Kind 0, DrawNumber -1, Matched Count -1, all else empty.
TStakeData SeparatorRecord();
// A separator is any record of Kind 0 or with a DrawNumber <= 0.
inline bool IsSeparator(const TStakeData& r) { return r.Kind == StakeSeparator || r.DrawNumber <= 0; }
// A stake the check may complete: not checked, for a draw > 0, of 5..12 numbers all within 1..45.
bool IsDue(const TStakeData& r);
// True when the numbers are 5..12 distinct values 1..45.
bool ValidStakeNumbers(const TStakeNumbers& numbers);

// The kind's name in the grid ("Вручную", ...; empty for separators and unknown kinds) and its row
// colour as 0xRRGGBB (0: the window colour).
std::string StakeKindName(int kind);
uint32_t StakeKindRgb(int kind);

// Numbers joined by `separator` (the visible entries).
std::string StakeNumbersText(const TStakeNumbers& numbers, std::string_view separator);
std::string StakeDrawText(const std::array<uint8_t, 5>& draw);  // joined by ";"

// The grid's columns.
constexpr int StakeColumnCount = 9;
extern const std::array<const char*, StakeColumnCount> StakeColumnCaptions;
extern const std::array<int, StakeColumnCount> StakeColumnWidths;
// The text of a grid cell for a record: empty cells for separators; the draw's cells (result,
// matches, matched numbers) only for checked stakes; the profit in money form.
std::string StakeCellText(const TStakeData& r, int column);

}  // namespace kivra
