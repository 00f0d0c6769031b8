// The archive of past draws: the records in file order, the offset that hides the latest draws
// from analysis, and the sorted-read switch.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/SortaUtils.h"

namespace kivra {

class TUserPort;

class TDrawsArchive {
 public:
  int Count() const { return static_cast<int>(draws_.size()); }
  int High() const { return Count() - 1; }
  bool Empty() const { return draws_.empty(); }

  // The record as stored (drawn order).
  const TDraw& Stored(int index) const { return draws_[index]; }
  const TDrawsArray& StoredDraws() const { return draws_; }
  // The record as analyses read it: a copy with sorted numbers when SortedDraws is on.
  TDraw Draw(int index) const;

  void Append(const TDraw& draw) { draws_.push_back(draw); }
  void Replace(int index, const TDraw& draw);  // throws std::out_of_range
  // Removes the element; throws std::out_of_range with "Запись со индексом %d в файле данных не найдена!".
  void DeleteDrawAt(int index);
  void Clear() { draws_.clear(); }
  void Assign(TDrawsArray draws) { draws_ = std::move(draws); }

  // Index of the element with that draw number, or -1: an interpolation guess, a walk from it and a
  // final scan, built for an ascending, nearly gap-free archive.
  int FindDrawIndex(int32_t number) const;
  // 1 for an empty archive; -1 when the offset is outside 0..count-1; else the number of element
  // High - offset, plus 1.
  int32_t NextDrawNumber(int offset) const;
  // The numbers of element High - p (p counted back from the latest), zeros when p is outside.
  TComb DrawNumsAt(int p) const;
  // The numbers of the first hidden draw (element High - offset + 1) joined by ";" in drawn order,
  // or the empty text when the offset is not within 1..count-1.
  std::string HiddenDrawText(int offset) const;

  int DrawsOffset() const { return offset_; }
  // Stores the offset (negative values become 0); true when it changed.
  bool SetDrawsOffset(int offset);
  // Index of the latest draw analyses may use; 0 when the offset exceeds High.
  int AnalysisEnd() const;
  // The numbers of the first hidden draw when 0 < offset < count; empty otherwise.
  TNumSet HiddenDrawSet() const;

  bool SortedDraws() const { return sorted_; }
  void SetSortedDraws(bool on) { sorted_ = on; }

  // Status panels 0..2: "Архив тиражей: %d", "Следующий тираж: %d", the hidden draw's numbers.
  std::array<std::string, 3> StatusTexts() const;

  // Reads the archive file (no message when it does not exist). Read failures show the program's
  // message; the records read so far stay.
  void LoadArchive(const std::filesystem::path& path, TUserPort& port);
  // Rewrites the archive file atomically; false after showing the message when it fails.
  bool SaveArchive(const std::filesystem::path& path, TUserPort& port) const;

 private:
  TDrawsArray draws_;
  int offset_ = 0;
  bool sorted_ = false;
};

// Archive file records: 20 bytes each, little-endian, no header; a trailing partial record is
// ignored.
TDrawsArray ParseArchiveBytes(std::string_view bytes);
std::string ArchiveToBytes(const TDrawsArray& draws);

// The number check of the draw dialog: five words split by runs of ",", ";" or blanks, each 1..45,
// all different. The numbers in the order written, or nothing ("Введена некорректная комбинация!").
std::optional<TComb> CheckDrawNumbersText(std::string_view text);
inline constexpr std::string_view BadDrawNumbersMessage = "Введена некорректная комбинация!";
// The refusals of the dialogs with what to type on the second line: a draw's numbers (separated
// by ";", "," or blanks) and a regular stake's start (";" or ",").
inline constexpr std::string_view BadDrawNumbersHint =
    "Введена некорректная комбинация!\rУкажите пять разных чисел от 1 до 45 через точку с запятой, запятую или "
    "пробел.";
inline constexpr std::string_view BadStartNumbersHint =
    "Введена некорректная комбинация!\rУкажите пять разных чисел от 1 до 45 через точку с запятой или запятую.";

// True when the five numbers are 1..45 and all different.
bool IsValidDrawNumbers(const TComb& nums);

}  // namespace kivra
