#include "core/SortaUtils.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <limits>

#include "core/TextCodec.h"

namespace kivra {

// --- Draw record ---

std::string TDraw::DateText() const {
  const size_t len = std::min<size_t>(DateLen, Date.size());
  return Cp1251ToUtf8(std::string_view(Date.data(), len));
}

void TDraw::SetDateText(std::string_view utf8) {
  const std::string bytes = Utf8ToCp1251(utf8);
  const size_t len = std::min(bytes.size(), Date.size());
  Date.fill(0);
  std::copy_n(bytes.begin(), len, Date.begin());
  DateLen = static_cast<uint8_t>(len);
}

bool TNumSet::Empty() const {
  return std::all_of(Bits.begin(), Bits.end(), [](uint8_t b) { return b == 0; });
}

// --- Counting ---

long double Factorial(int n) {
  long double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

namespace {

uint64_t RoundToCount(long double v) {
  if (!(v > 0)) return 0;
  if (v >= 18446744073709551615.0L) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(std::nearbyintl(v));
}

// C(top, count) formed as a falling product divided by a factorial.
long double FallingOverFactorial(int top, int count) {
  if (count <= 0) return 1;
  long double p = 1;
  for (int i = 0; i < count; ++i) p *= static_cast<long double>(top - i);
  return p / Factorial(count);
}

}  // namespace

uint64_t Binomial(int n, int k) {
  if (n <= k) return 1;
  if (k < 0 || n > 255) return 0;
  return RoundToCount(Factorial(n) / (Factorial(n - k) * Factorial(k)));
}

uint64_t ExactMatches(int n, int k, int m) {
  if (m >= n) return 1;
  return RoundToCount(FallingOverFactorial(k, m) * FallingOverFactorial(n - k, k - m));
}

const uint32_t FullSetSize = static_cast<uint32_t>(Binomial(MaxNumber, CombSize));

int32_t CeilDiv(int32_t a, int32_t b) {
  if (b <= 0) return 0;
  return a / b + (a % b != 0 ? 1 : 0);
}

int32_t GroupCount(int32_t first, int32_t last, int32_t size) {
  return first != 0 ? CeilDiv(last - first + 1, size) : CeilDiv(last, size);
}

TMatchDistribution BuildMatchDistribution() {
  TMatchDistribution table{};
  for (int m = 0; m <= CombSize; ++m) {
    table[m].Count = ExactMatches(MaxNumber, CombSize, m);
    table[m].Probability = static_cast<long double>(table[m].Count) / FullSetSize;
  }
  return table;
}

// --- Matrix and channel positions ---

int32_t MatrixColumn(int32_t n, int32_t cols) { return cols > 0 ? (n - 1) % cols + 1 : 0; }
int32_t MatrixRow(int32_t n, int32_t cols) { return cols > 0 ? (n - 1) / cols + 1 : 0; }
int32_t MatrixCellNumber(int32_t first, int32_t row, int32_t col, int32_t cols) { return first + col + row * cols; }
int32_t ChannelOf(int32_t n, int32_t size) { return CeilDiv(n, size); }

namespace {

// Palette colours as RGB; index 0 is white, for a channel that cannot exist (size 0 or less).
constexpr std::array<uint32_t, 20> PaletteRgb = {0xFFFFFF, 0xAAFFAA, 0xFFFFAA, 0xAAFFFF, 0xFFAAAA, 0xAAAAFF, 0xFFD5AA,
                                                 0xD5AAFF, 0xD4D4D4, 0xAAD5FF, 0xFFAAD5, 0xD5FFD5, 0xFFFFD5, 0xD5FFFF,
                                                 0xFFD5D5, 0xD5D5FF, 0xFFEAD5, 0xEAD5FF, 0xE9E9E9, 0xD5EAFF};

}  // namespace

TColor PaletteColor(int index) {
  if (index < 0 || index >= static_cast<int>(PaletteRgb.size())) index = 0;
  return ColorToRgb(PaletteRgb[index]);  // the swap is its own inverse
}

TColor NumberColor(int32_t n, int32_t size) {
  if (n < 1 || n > MaxNumber) return NoNumberColor;
  int g = static_cast<uint8_t>(ChannelOf(n, size));
  while (g > 19) g -= 19;  // one wrap for every channel size the configuration allows
  return PaletteColor(g);
}

// --- Shifts ---

uint8_t ShiftNumber(uint8_t n, int d) {
  if (d == 0) return n;
  int s = n + d;
  if (d > 0 && s > MaxNumber) return static_cast<uint8_t>(s - MaxNumber);
  if (d < 0 && s <= 0) return static_cast<uint8_t>(s + MaxNumber);
  return static_cast<uint8_t>(s);
}

void ShiftComb(TComb& c, int d) {
  for (auto& n : c) n = ShiftNumber(n, d);
}

// --- Membership and comparison ---

bool NumberInComb(const TComb& c, uint8_t n) { return std::find(c.begin(), c.end(), n) != c.end(); }

bool NumberInDraw(const TDraw& d, uint8_t n) { return NumberInComb(d.Nums, n); }

bool ChannelHit(const TDraw& d, int32_t g, int32_t size) {
  return std::any_of(d.Nums.begin(), d.Nums.end(), [&](uint8_t x) { return ChannelOf(x, size) == g; });
}

bool MappedHit(const TDraw& d, const std::array<uint8_t, MaxNumber>& map, uint8_t v) {
  return std::any_of(d.Nums.begin(), d.Nums.end(),
                     [&](uint8_t x) { return x >= 1 && x <= MaxNumber && map[x - 1] == v; });
}

int CommonCount(const TComb& draw, const TComb& comb) {
  int count = 0;
  for (uint8_t a : draw)
    for (uint8_t b : comb) count += a == b;
  return count;
}

void SortComb(TComb& c) {
  for (size_t i = 1; i < c.size(); ++i) {
    const uint8_t v = c[i];
    size_t j = i;
    for (; j > 0 && c[j - 1] > v; --j) c[j] = c[j - 1];
    c[j] = v;
  }
}

void SortDraw(TDraw& d) { SortComb(d.Nums); }

// --- Number lists ---

void AddUnique(TByteArray& list, uint8_t n) {
  if (std::find(list.begin(), list.end(), n) == list.end()) list.push_back(n);
}

TByteArray CollectUniqueNumbers(const TCombsArray& list, size_t count) {
  TByteArray result;
  TNumSet seen;
  count = std::min(count, list.size());
  for (size_t i = 0; i < count; ++i) {
    for (uint8_t n : list[i]) {
      if (seen.Contains(n)) continue;
      seen.Include(n);
      result.push_back(n);
      if (result.size() >= static_cast<size_t>(MaxNumber)) return result;
    }
  }
  return result;
}

int UniqueNumberCount(const TCombsArray& list, size_t count) {
  return static_cast<int>(CollectUniqueNumbers(list, count).size());
}

// --- Text forms ---

std::string CombToText(const TComb& c) { return fmt::format("{};{};{};{};{}", c[0], c[1], c[2], c[3], c[4]); }

std::string CombToPaddedText(const TComb& c) {
  return fmt::format("{:02} {:02} {:02} {:02} {:02}", c[0], c[1], c[2], c[3], c[4]);
}

std::string_view Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

std::vector<std::string_view> SplitNumberWords(std::string_view text) {
  const auto separator = [](char c) { return c == ',' || c == ';' || static_cast<unsigned char>(c) <= ' '; };
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && separator(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !separator(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

namespace {

// Splits text into the non-empty runs between delimiter characters.
template <class IsDelimiter>
std::vector<std::string_view> SplitWords(std::string_view text, IsDelimiter isDelimiter) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isDelimiter(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !isDelimiter(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool ParseDigits(std::string_view s, int base, uint64_t& value) {
  if (s.empty()) return false;
  value = 0;
  for (char ch : s) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return false;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return false;
  }
  return true;
}

}  // namespace

bool StrToIntStrict(std::string_view text, int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t magnitude;
  if (!ParseDigits(text, base, magnitude)) return false;
  if (base == 16 && !negative && magnitude <= 0xFFFFFFFFull) {
    value = static_cast<int32_t>(static_cast<uint32_t>(magnitude));  // hex may name the top bit
    return true;
  }
  const int64_t v = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToIntDef(std::string_view text, int32_t def) {
  int32_t v;
  return StrToIntStrict(Trim(text), v) ? v : def;
}

TComb TextToComb(std::string_view text) {
  const auto words = SplitWords(text, [](char c) {
    return c == '\t' || c == ' ' || c == ',' || c == '-' || c == '.' || c == ':' || c == ';' || c == '|';
  });
  if (words.size() != CombSize) throw TConvertError(fmt::format("Некорректная комбинация: \"{}\"!", text));
  TComb c{};
  for (size_t i = 0; i < words.size(); ++i) c[i] = static_cast<uint8_t>(StrToIntDef(words[i], 0));
  return c;
}

std::string IntListToText(const TIntArray& list, std::string_view sep) {
  std::string s;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i) s += sep;
    s += std::to_string(list[i]);
  }
  return s;
}

std::string DrawDescription(const TDraw& d) {
  return fmt::format("Тираж № {} от {}, значения: {}", d.Number, d.DateText(), CombToText(d.Nums));
}

// --- Integer lists and ranges ---

TIntArray ParseIntList(std::string_view text) {
  const auto words = SplitWords(text, [](char c) { return c == ',' || c == ';'; });
  TIntArray result;
  for (auto w : words) {
    int32_t v;
    if (!StrToIntStrict(Trim(w), v)) return {};
    result.push_back(v);
  }
  return result;
}

TIntArray ParseIntRange(std::string_view text) {
  const size_t dash = text.size() > 1 ? text.find('-', 1) : std::string_view::npos;
  if (dash == std::string_view::npos) return {};
  const std::string_view rest = text.substr(dash + 1);
  const size_t sep = rest.find_first_of(";,");
  if (sep == std::string_view::npos) return {};
  int32_t a, b, s;
  if (!StrToIntStrict(Trim(text.substr(0, dash)), a) || !StrToIntStrict(Trim(rest.substr(0, sep)), b) ||
      !StrToIntStrict(Trim(rest.substr(sep + 1)), s))
    return {};
  if (s == 0 || b < a) return {};
  const int64_t last = (int64_t{b} - a) / s;
  if (last + 1 > MaxIntRangeLength) return {};
  TIntArray result;
  for (int64_t i = 0; i <= last; ++i) result.push_back(static_cast<int32_t>(a + i * s));
  return result;
}

TIntArray ParseIntListOrRange(std::string_view text) {
  if (text.empty()) return {};
  TIntArray list = ParseIntList(text);
  return list.empty() ? ParseIntRange(text) : list;
}

// --- Dates ---

namespace {

constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t DateEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  static constexpr int MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const int days = MonthDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
  if (day > days) return false;
  result = static_cast<TDateTime>(DaysFromCivil(year, month, day) - DateEpochDays);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime t;
  if (!TryEncodeDate(year, month, day, t))
    throw TConvertError(fmt::format("Некорректная дата: {:04}-{:02}-{:02}", year, month, day));
  return t;
}

void DecodeDate(TDateTime t, int& year, int& month, int& day) {
  const int64_t z = static_cast<int64_t>(std::floor(t)) + DateEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

std::string DateToText(TDateTime t) {
  if (!(t > 0)) return {};
  int y, m, d;
  DecodeDate(t, y, m, d);
  return fmt::format("{:04}-{:02}-{:02}", y, m, d);
}

TDateTime TextToDate(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return 0;
  auto part = [&](size_t pos, size_t len) { return pos < text.size() ? StrToIntDef(text.substr(pos, len), 0) : 0; };
  return EncodeDate(part(0, 4), part(5, 2), part(8, 2));
}

TDateTime Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return date + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

}  // namespace kivra
