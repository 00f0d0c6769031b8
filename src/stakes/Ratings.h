// The ratings: one row per stake source (the stakes' comment, compared without regard to letter
// case), summing its checked stakes, matches and profit; kept in Kivra_5x45.lrt in display order.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Config.h"
#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "stakes/StakeData.h"

namespace kivra {

struct TRatingData {
  std::string Comment;  // cp1251 bytes as stored (at most 255)
  int32_t Stakes = 0;
  int32_t Guessed = 0;
  std::array<int32_t, CombSize + 1> Hits{};
  TMoney Profit = 0;

  std::string CommentText() const;  // UTF-8
  bool operator==(const TRatingData&) const = default;
};
using TRatingsArray = std::vector<TRatingData>;

constexpr size_t RatingRecordSize = 296;
using TRatingBytes = std::array<uint8_t, RatingRecordSize>;
void EncodeRating(const TRatingData& row, std::span<uint8_t, RatingRecordSize> out);
TRatingData DecodeRating(std::span<const uint8_t, RatingRecordSize> in);

// The comparison of two rows for a column (0..17), in 64-bit or wider arithmetic: negative, zero
// or positive. Rows compare equal when either has no stakes, and for the E columns (12 and up).
int CompareRatings(const TRatingData& a, const TRatingData& b, int column);
// The collation of column 0 on cp1251 texts: an alphabet key without regard to case (other
// characters by code < digits < Latin < Cyrillic, Ё between Е and Ж), then lower case first at the
// first difference, then the bytes.
int CompareRatingCaptions(std::string_view a, std::string_view b);
// Sorts the rows in place by the program's quicksort (middle pivot that follows its row when
// exchanged); the order of rows that compare equal depends on it, and the saved file with them.
void SortRatings(TRatingsArray& rows, int column, bool descending);

// The list's columns and their texts; the E columns by the efficiency mode (0 expected counts,
// 1 absolute, 2 relative; other values show as 0).
constexpr int RatingColumnCount = 18;
constexpr int RatingEffColumn = 12;
extern const std::array<const char*, RatingColumnCount> RatingColumnCaptions;
extern const std::array<const char*, 3> RatingEffModeCaptions;
std::string RatingCellText(const TRatingData& row, int column, int effMode, const TMatchDistribution& p);
// Profit / Stakes rounded to the nearest 1/10000, halves to even (Stakes > 0).
TMoney AverageProfit(const TRatingData& row);

class TRatings {
 public:
  TRatings(TUserPort& port, std::filesystem::path file);

  const TRatingsArray& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  const std::filesystem::path& File() const { return file_; }

  // Adds a checked stake to the row of its comment (a new row at the end when there is none). A
  // match count outside 0..5 adds nothing.
  void Add(std::string_view cp1251Comment, int32_t matched, TMoney profit);
  void Add(const TStakeData& stake);
  void Clear();

  // Reads the file's whole records (the rows read so far stay after a failure). True when the file
  // was read or does not exist.
  bool Load();
  // Rewrites the file (atomically); the view handler and status panel 5 follow in every case.
  bool Save();
  // Sorts by the column and direction (busy "Сортировка рейтинга..."), then saves.
  void Sort(int column, bool descending);

  // Called after every save: the list shows Count() rows again.
  void SetViewHandler(std::function<void()> handler) { viewHandler_ = std::move(handler); }

  // The CSV text of the export (cp1251, CR LF).
  std::string CsvText() const;

 private:
  TUserPort& port_;
  std::filesystem::path file_;
  TRatingsArray rows_;
  // Folded comment -> the first row with it; rebuilt when the rows move.
  std::unordered_map<std::string, size_t> index_;
  bool indexValid_ = false;
  std::function<void()> viewHandler_;
};

}  // namespace kivra
