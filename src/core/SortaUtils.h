// The value types of the 5-of-45 lottery and the small arithmetic and text operations on them.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

constexpr int MaxNumber = 45;  // numbers are 1..45
constexpr int CombSize = 5;    // numbers per draw and per combination

// A combination: five number bytes in the order they were made or written (no count, no padding).
using TComb = std::array<uint8_t, CombSize>;
static_assert(sizeof(TComb) == 5);

// One draw of the archive; also the 20-byte record of the archive file (written field by field).
struct TDraw {
  int32_t Number = 0;
  TComb Nums{};                 // in drawn order
  uint8_t DateLen = 0;          // 0..10 meaningful bytes of Date
  std::array<char, 10> Date{};  // cp1251 bytes, kept as read so that a file round-trips exactly

  // The date text as UTF-8 (at most 10 cp1251 characters).
  std::string DateText() const;
  // Stores the text (UTF-8), converted to cp1251 and cut to 10 characters; the rest is zeroed.
  void SetDateText(std::string_view utf8);
};
constexpr size_t DrawRecordSize = 20;

// A set of numbers: bit (n mod 8) of byte (n div 8).
struct TNumSet {
  std::array<uint8_t, 32> Bits{};

  void Include(uint8_t n) { Bits[n >> 3] |= uint8_t(1u << (n & 7)); }
  void Exclude(uint8_t n) { Bits[n >> 3] &= uint8_t(~(1u << (n & 7))); }
  bool Contains(uint8_t n) const { return (Bits[n >> 3] >> (n & 7)) & 1u; }
  bool Empty() const;
  void Clear() { Bits.fill(0); }
  bool operator==(const TNumSet&) const = default;
};

using TByteArray = std::vector<uint8_t>;
using TIntArray = std::vector<int32_t>;
using TDrawsArray = std::vector<TDraw>;
using TCombsArray = std::vector<TComb>;

// A conversion that failed (bad combination text, impossible date); what() is the message to show.
class TConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// --- Counting ---

long double Factorial(int n);                // n!, 0! = 1; n in 0..255
uint64_t Binomial(int n, int k);             // 1 when n <= k
uint64_t ExactMatches(int n, int k, int m);  // combinations sharing exactly m numbers with a ticket
int32_t CeilDiv(int32_t a, int32_t b);       // a div b, +1 when a mod b is not 0; 0 when b <= 0
int32_t GroupCount(int32_t first, int32_t last, int32_t size);

extern const uint32_t FullSetSize;  // C(45, 5) = 1221759

struct TMatchRow {
  uint64_t Count = 0;           // combinations sharing exactly m numbers with a draw
  long double Probability = 0;  // Count / FullSetSize
};
using TMatchDistribution = std::array<TMatchRow, CombSize + 1>;
TMatchDistribution BuildMatchDistribution();

// --- Matrix and channel positions ---

int32_t MatrixColumn(int32_t n, int32_t cols);                                    // 1..cols
int32_t MatrixRow(int32_t n, int32_t cols);                                       // 1..
int32_t MatrixCellNumber(int32_t first, int32_t row, int32_t col, int32_t cols);  // row, col 0-based
int32_t ChannelOf(int32_t n, int32_t size);

// Colours are in the 0x00BBGGRR layout the program's colour values use (255 is red).
using TColor = uint32_t;
constexpr TColor NoNumberColor = 255;
TColor PaletteColor(int index);  // palette index 1..19
TColor NumberColor(int32_t n, int32_t size);
constexpr uint32_t ColorToRgb(TColor c) {  // 0x00RRGGBB
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// --- Shifts ---

uint8_t ShiftNumber(uint8_t n, int d);  // cyclic over 1..45, one wrap
void ShiftComb(TComb& c, int d);        // in place, not re-sorted

// --- Membership and comparison ---

bool NumberInComb(const TComb& c, uint8_t n);
bool NumberInDraw(const TDraw& d, uint8_t n);
bool ChannelHit(const TDraw& d, int32_t g, int32_t size);
bool MappedHit(const TDraw& d, const std::array<uint8_t, MaxNumber>& map, uint8_t v);
int CommonCount(const TComb& draw, const TComb& comb);  // pairs (i, j) with equal numbers
void SortComb(TComb& c);
void SortDraw(TDraw& d);

// --- Number lists ---

void AddUnique(TByteArray& list, uint8_t n);
int UniqueNumberCount(const TCombsArray& list, size_t count);
TByteArray CollectUniqueNumbers(const TCombsArray& list, size_t count);

// --- Text forms ---

std::string CombToText(const TComb& c);        // "3;15;22;38;45"
std::string CombToPaddedText(const TComb& c);  // "03 15 22 38 45"
TComb TextToComb(std::string_view text);       // throws TConvertError
std::string IntListToText(const TIntArray& list, std::string_view sep);
std::string DrawDescription(const TDraw& d);  // "Тираж № %d от %s, значения: %s"

// Strict integer conversion of a whole word: optional sign, decimal digits, or hexadecimal after
// "$" or "0x"; no blanks; must fit 32 bits.
bool StrToIntStrict(std::string_view text, int32_t& value);
// The integer, or `def` when the (trimmed) text is not one.
int32_t StrToIntDef(std::string_view text, int32_t def);
std::string_view Trim(std::string_view text);  // removes characters with codes 0..32 at both ends
// The words of a list of numbers a user typed: the text split at runs of ",", ";" and blanks
// (characters with codes 0..32); no empty words.
std::vector<std::string_view> SplitNumberWords(std::string_view text);

// --- Integer lists and ranges (an empty result also means failure) ---

// Runs larger than this many values are refused: user text must not be able to exhaust memory.
constexpr int64_t MaxIntRangeLength = 1'000'000;
TIntArray ParseIntList(std::string_view text);
TIntArray ParseIntRange(std::string_view text);
TIntArray ParseIntListOrRange(std::string_view text);

// --- Dates: days since 1899-12-30, the fraction is the time of day ---

using TDateTime = double;
TDateTime EncodeDate(int year, int month, int day);  // throws TConvertError for impossible dates
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
void DecodeDate(TDateTime t, int& year, int& month, int& day);
std::string DateToText(TDateTime t);          // "yyyy-mm-dd"; empty when t <= 0
TDateTime TextToDate(std::string_view text);  // 0 for blank text; throws TConvertError
TDateTime Now();

}  // namespace kivra
