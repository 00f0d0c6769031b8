#include "stakes/Ratings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Prizes.h"

namespace kivra {

namespace {

using int128 = __int128;

void PutInt32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

// Counters saturate instead of overflowing on a hostile file's values.
void AddCount(int32_t& counter, int32_t add) {
  if (__builtin_add_overflow(counter, add, &counter)) counter = add > 0 ? INT32_MAX : INT32_MIN;
}

int Sign(int128 v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
int128 Abs(int128 v) { return v < 0 ? -v : v; }

// The sign of num/den rounded to an integer with halves to even: zero when |num/den| <= 1/2.
int RoundedSign(int128 num, int128 den) {
  if (den == 0) return 0;
  if (2 * Abs(num) <= Abs(den)) return 0;
  return Sign(num) * Sign(den);
}

// The alphabet key of a cp1251 character for the caption collation.
int AlphabetKey(uint8_t c) {
  const uint8_t f = FoldCaseCp1251(c);
  if (f >= '0' && f <= '9') return 256 + (f - '0');
  if (f >= 'a' && f <= 'z') return 300 + (f - 'a');
  if (f == 0xB8) return 400 + 6;  // ё, between е and ж
  if (f >= 0xE0) return 400 + (f - 0xE0) + (f - 0xE0 >= 6 ? 1 : 0);
  return f;
}

bool IsCapital(uint8_t c) { return FoldCaseCp1251(c) != c; }

std::string Quoted(std::string_view text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

}  // namespace

std::string TRatingData::CommentText() const { return Cp1251ToUtf8(Comment); }

void EncodeRating(const TRatingData& row, std::span<uint8_t, RatingRecordSize> out) {
  uint8_t* p = out.data();
  std::memset(p, 0, RatingRecordSize);
  const size_t length = std::min<size_t>(row.Comment.size(), 255);
  p[0] = static_cast<uint8_t>(length);
  std::memcpy(p + 1, row.Comment.data(), length);
  PutInt32(p + 256, row.Stakes);
  PutInt32(p + 260, row.Guessed);
  for (int m = 0; m <= CombSize; ++m) PutInt32(p + 264 + 4 * m, row.Hits[m]);
  for (int i = 0; i < 8; ++i) p[288 + i] = static_cast<uint8_t>(static_cast<uint64_t>(row.Profit) >> (8 * i));
}

TRatingData DecodeRating(std::span<const uint8_t, RatingRecordSize> in) {
  const uint8_t* p = in.data();
  TRatingData row;
  row.Comment.assign(reinterpret_cast<const char*>(p + 1), p[0]);
  row.Stakes = GetInt32(p + 256);
  row.Guessed = GetInt32(p + 260);
  for (int m = 0; m <= CombSize; ++m) row.Hits[m] = GetInt32(p + 264 + 4 * m);
  uint64_t profit = 0;
  for (int i = 0; i < 8; ++i) profit |= uint64_t{p[288 + i]} << (8 * i);
  row.Profit = static_cast<TMoney>(profit);
  return row;
}

int CompareRatingCaptions(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ka = AlphabetKey(static_cast<uint8_t>(a[i])), kb = AlphabetKey(static_cast<uint8_t>(b[i]));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < n; ++i) {
    const bool ca = IsCapital(static_cast<uint8_t>(a[i])), cb = IsCapital(static_cast<uint8_t>(b[i]));
    if (ca != cb) return ca ? 1 : -1;  // lower case first
  }
  const int bytes = a.compare(b);
  return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

int CompareRatings(const TRatingData& a, const TRatingData& b, int column) {
  if (a.Stakes == 0 || b.Stakes == 0) return 0;
  const int128 sa = a.Stakes, sb = b.Stakes;
  switch (column) {
    case 0: return CompareRatingCaptions(a.Comment, b.Comment);
    case 1: return Sign(sa - sb);
    case 2: return Sign(int128{a.Guessed} - b.Guessed);
    case 3: return RoundedSign((int128{a.Guessed} * sb - int128{b.Guessed} * sa) * 100, sa * sb);
    case 4: return RoundedSign(int128{a.Profit} - b.Profit, 100);
    case 5: return RoundedSign(int128{a.Profit} * sb - int128{b.Profit} * sa, sa * sb * 100);
    default:
      if (column >= 6 && column <= 11) return Sign(int128{a.Hits[column - 6]} - b.Hits[column - 6]);
      return 0;
  }
}

void SortRatings(TRatingsArray& rows, int column, bool descending) {
  // The E columns do not sort: no rows are exchanged.
  if (column < 0 || column >= RatingEffColumn || rows.size() < 2) return;
  // The sort runs over row numbers (cheap to exchange) and moves the rows once at the end; the
  // captions' alphabet keys are made once per row, not once per comparison.
  std::vector<uint32_t> order(rows.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  // Each key is two bytes per character, high byte first, so that a byte comparison of two keys
  // orders them as the characters' keys.
  std::vector<std::string> keys;
  if (column == 0) {
    keys.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      keys[i].reserve(2 * rows[i].Comment.size());
      for (char c : rows[i].Comment) {
        const int key = AlphabetKey(static_cast<uint8_t>(c));
        keys[i] += static_cast<char>(key >> 8);
        keys[i] += static_cast<char>(key & 0xFF);
      }
    }
  }
  const auto compareRows = [&](uint32_t a, uint32_t b) {
    if (column == 0 && rows[a].Stakes != 0 && rows[b].Stakes != 0) {
      const int byKey = keys[a].compare(keys[b]);
      if (byKey != 0) return byKey < 0 ? -1 : 1;
      // Equal keys: the captions differ in letter case only, if at all; equal captions are equal.
      if (rows[a].Comment == rows[b].Comment) return 0;
    }
    return CompareRatings(rows[a], rows[b], column);
  };
  const auto compare = [&](ptrdiff_t i, ptrdiff_t j) {
    const int c = compareRows(order[i], order[j]);
    return descending ? -c : c;
  };
  // The classic in-place quicksort: the pivot is the middle row and its index follows it through
  // exchanges. The scans are also kept inside the range: the comparison is not a strict weak order.
  const std::function<void(ptrdiff_t, ptrdiff_t)> sort = [&](ptrdiff_t l, ptrdiff_t r) {
    ptrdiff_t i;
    do {
      i = l;
      ptrdiff_t j = r;
      ptrdiff_t p = (l + r) >> 1;
      do {
        while (i < r && compare(i, p) < 0) ++i;
        while (j > l && compare(j, p) > 0) --j;
        if (i <= j) {
          if (i != j) std::swap(order[i], order[j]);
          if (p == i) p = j;
          else if (p == j) p = i;
          ++i;
          --j;
        }
      } while (i <= j);
      if (l < j) sort(l, j);
      l = i;
    } while (i < r);
  };
  sort(0, static_cast<ptrdiff_t>(rows.size()) - 1);
  TRatingsArray sorted;
  sorted.reserve(rows.size());
  for (uint32_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
}

const std::array<const char*, RatingColumnCount> RatingColumnCaptions = {
    "Комментарий", "Ставок", "Угадано", "Среднее", "Профит", "Ср. профит", "0",  "1",  "2",
    "3",           "4",      "5",       "E0",      "E1",     "E2",         "E3", "E4", "E5"};
const std::array<const char*, 3> RatingEffModeCaptions = {
    "Ожидаемые значения совпадений", "Абсолютные значения эффективности", "Относительные значения эффективности"};

TMoney AverageProfit(const TRatingData& row) {
  if (row.Stakes == 0) return 0;
  int128 num = row.Profit, den = row.Stakes;
  if (den < 0) num = -num, den = -den;
  int128 q = num / den, r = num % den;
  if (2 * Abs(r) > den || (2 * Abs(r) == den && (q & 1) != 0)) q += num < 0 ? -1 : 1;
  return static_cast<TMoney>(q);
}

std::string RatingCellText(const TRatingData& row, int column, int effMode, const TMatchDistribution& p) {
  const bool any = row.Stakes != 0;
  switch (column) {
    case 0: return row.CommentText();
    case 1: return std::to_string(row.Stakes);
    case 2: return std::to_string(row.Guessed);
    case 3: return any ? SysFormat("%.3f", {static_cast<long double>(row.Guessed) / row.Stakes}) : std::string();
    case 4: return MoneyText(row.Profit);
    case 5: return any ? MoneyText(AverageProfit(row)) : std::string();
    default: break;
  }
  if (column >= 6 && column <= 11) return std::to_string(row.Hits[column - 6]);
  if (column < RatingEffColumn || column >= RatingColumnCount || !any) return {};
  const int m = column - RatingEffColumn;
  const long double n = row.Stakes, h = row.Hits[m], pm = p[m].Probability;
  switch (effMode) {
    case 1: return SysFormat("%.3f%%", {h * 100 / n - pm * 100});
    case 2: return SysFormat("%.3f%%", {h * 100 / (n * pm)});
    default: {
      // Rounded to an integer with halves to even.
      const long double expected = n * pm;
      return std::to_string(static_cast<long long>(std::nearbyint(expected)));
    }
  }
}

// --- The rows ---

TRatings::TRatings(TUserPort& port, std::filesystem::path file) : port_(port), file_(std::move(file)) {}

void TRatings::Add(std::string_view cp1251Comment, int32_t matched, TMoney profit) {
  if (matched < 0 || matched > CombSize) return;
  const std::string_view comment = cp1251Comment.substr(0, 255);
  if (!indexValid_) {
    index_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) index_.emplace(FoldCaseCp1251(rows_[i].Comment), i);
    indexValid_ = true;
  }
  const auto [it, added] = index_.emplace(FoldCaseCp1251(comment), rows_.size());
  if (added) {
    TRatingData row;
    row.Comment = std::string(comment);
    rows_.push_back(std::move(row));
  }
  TRatingData& row = rows_[it->second];
  AddCount(row.Stakes, 1);
  AddCount(row.Guessed, matched);
  row.Profit = MoneyAdd(row.Profit, profit);
  AddCount(row.Hits[matched], 1);
}

void TRatings::Add(const TStakeData& stake) { Add(Utf8ToCp1251(stake.Comment), stake.Matched.Count, stake.Profit); }

void TRatings::Clear() {
  rows_.clear();
  indexValid_ = false;
}

bool TRatings::Load() {
  std::error_code exists;
  if (!std::filesystem::exists(file_, exists)) return true;
  TBusyScope busy(port_, "Загрузка файла рейтинга...");
  try {
    const std::string bytes = ReadWholeFile(file_);
    const size_t count = bytes.size() / RatingRecordSize;
    rows_.reserve(rows_.size() + count);
    for (size_t i = 0; i < count; ++i)
      rows_.push_back(DecodeRating(std::span<const uint8_t, RatingRecordSize>(
          reinterpret_cast<const uint8_t*>(bytes.data()) + i * RatingRecordSize, RatingRecordSize)));
    indexValid_ = false;
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка чтения файла рейтинга!\r\r%s", {ErrorText(e)}));
    return false;
  }
}

bool TRatings::Save() {
  bool ok = true;
  {
    TBusyScope busy(port_, "Сохранение файла рейтинга...");
    try {
      std::string bytes(rows_.size() * RatingRecordSize, '\0');
      for (size_t i = 0; i < rows_.size(); ++i)
        EncodeRating(rows_[i], std::span<uint8_t, RatingRecordSize>(
                                   reinterpret_cast<uint8_t*>(bytes.data()) + i * RatingRecordSize, RatingRecordSize));
      WriteFileAtomic(file_, bytes);
    } catch (const std::exception& e) {
      port_.ShowError(SysFormat("Ошибка записи в файл рейтинга!\r\r%s", {ErrorText(e)}));
      ok = false;
    }
  }
  if (viewHandler_) viewHandler_();
  port_.SetStatusText(5, SysFormat("Рейтинг: %d", {Count()}));
  return ok;
}

void TRatings::Sort(int column, bool descending) {
  {
    TBusyScope busy(port_, "Сортировка рейтинга...");
    SortRatings(rows_, column, descending);
    indexValid_ = false;
  }
  Save();
}

std::string TRatings::CsvText() const {
  std::string text;
  for (int c = 0; c < RatingColumnCount; ++c) {
    if (c) text += ';';
    text += Quoted(Utf8ToCp1251(RatingColumnCaptions[c]));
  }
  text += "\r\n";
  for (const TRatingData& row : rows_) {
    const bool any = row.Stakes != 0;
    text += Quoted(row.Comment);
    text += ';' + std::to_string(row.Stakes) + ';' + std::to_string(row.Guessed) + ';';
    if (any) text += SysFormat("%.3f", {static_cast<long double>(row.Guessed) / row.Stakes});
    text += ';' + MoneyText(row.Profit) + ';';
    if (any) text += MoneyText(AverageProfit(row));
    for (int32_t h : row.Hits) text += ';' + std::to_string(h);
    text += "\r\n";
  }
  return text;
}

}  // namespace kivra
