// The script model: one script line holds the options of a step, up to seven filter commands and
// a comment, all kept as text ("options|cmd1|...|cmd7|comment"). This module has the records read
// from those texts, their readers and writers, the code tables with their display texts, and the
// check the interpreter applies to a command before it runs it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Config.h"

namespace kivra {

class TStatList;

// The text every display function gives for a code outside its table.
inline constexpr std::string_view ScriptErrorText = "# ERROR #";

// --- Code tables ---

// How a line obtains its starting combination list.
enum TStartCombsType : uint8_t { StartFull = 0, StartExclude = 1, StartCurrent = 2 };
inline constexpr int StartCombsTypeCount = 3;
// What a line does with the combinations left after its filters.
enum TResultCombsMode : uint8_t {
  ResultExtended = 0,
  ResultRandom,
  ResultFirst,
  ResultLast,
  ResultAll,
  ResultSystemAll,
  ResultSystemCombs,
  ResultStop,
  ResultSkip,
  ResultNone
};
inline constexpr int ResultCombsModeCount = 10;
inline constexpr int LevelModeCount = 32;
inline constexpr int StopModeCount = 7;
// The columns of the statistics table a command may sort by.
inline constexpr int SortColumnCount = 20;

enum TStopMode : uint8_t {
  StopAll = 0,         // SF: walk the whole table
  StopByCombs = 1,     // SC: combinations left
  StopByNumbers = 2,   // SE: numbers left for an extended stake
  StopUntilEmpty = 3,  // SZ
  StopBySteps = 4,     // ST
  StopByValue = 5,     // SV
  StopByPercent = 6,   // SP
};

// Codes as written in the texts; "# ERROR #" outside the table.
std::string_view StartCombsCode(int value);
std::string_view ResultModeCode(int value);
std::string_view LevelModeCode(int value);
std::string_view StopModeCode(int value);
// The long texts (line editor) and short texts (script list) of the options.
std::string_view StartCombsLongText(int value);
std::string_view StartCombsShortText(int value);  // "Исключить %d тиражей" keeps its %d
std::string_view ResultModeLongText(int value);
std::string_view ResultModeShortText(int value);
// The texts the filter command editor lists.
std::string_view LevelModeText(int value);
std::string_view StopModeText(int value);
std::string_view SortColumnCaption(int value);
// True for the conditions that test membership in a list of values.
bool IsListLevelMode(int value);
// True for the conditions on the "Вес" column (the only ones the command's own coefficients affect).
bool IsWeightLevelMode(int value);

// --- Records ---

struct TScriptOptions {
  int32_t DrawsExclude = 0;
  uint8_t StartCombsType = StartFull;
  uint8_t ResultCombsMode = ResultExtended;
  bool ClearStakes = false;
  bool NewOnly = false;
  bool operator==(const TScriptOptions&) const = default;
};

// One filter command as written in a script line.
struct TFilterItem {
  bool Active = false;
  std::string StatText;  // the second word as read
  int Method = -1;       // registry entry the code resolves to; -1: none
  std::string DrawsLen;  // sample lengths, number-list syntax
  int32_t SortColumn = 0;
  bool FromBottom = false;
  bool MultiSelect = false;
  bool KeepSelected = false;
  uint8_t LevelMode = 0;
  std::string LevelValue;
  bool CDLOverride = false;
  TCDLCoefs Coefs = ClearedCoefs();
  uint8_t StopMode = 0;
  int32_t StopValue = 0;

  static constexpr TCDLCoefs ClearedCoefs() { return TCDLCoefs{0, 0, 0, false, false}; }
  bool operator==(const TFilterItem&) const = default;
};

// The statistic codes of the registry, looked up without regard to letter case in constant time
// (a script of 10,000 lines names up to 70,000 codes). Built over the registry as it is; build a
// new one after the registry was rebuilt.
class TMethodLookup {
 public:
  TMethodLookup() = default;
  explicit TMethodLookup(const TStatList& stats);

  int Find(std::string_view code) const;  // registry entry, or -1
  // The code of a registry entry as the registry writes it; empty for an entry it does not know.
  const std::string& Code(int entry) const;
  const TStatList* Stats() const { return stats_; }

 private:
  const TStatList* stats_ = nullptr;
  std::vector<std::string> codes_;
  std::unordered_map<std::string, int> byFolded_;
};

// --- Text forms ---

// Word k (1-based) of a text cut at any of the separator characters: runs of separators count as
// one, leading separators are skipped, and the word is trimmed of characters 0..32 after it is
// taken. "" when there are fewer words.
std::string_view ScriptWord(std::string_view text, std::string_view separators, int k);
// All the words, trimmed, in order (a piece of blanks only gives an empty word).
std::vector<std::string_view> ScriptWords(std::string_view text, std::string_view separators);

std::string WriteOptions(const TScriptOptions& options);  // "EXCL:5#RAND#CLR#NEX"
TScriptOptions ReadOptions(std::string_view text);
std::string OptionsShortForm(const TScriptOptions& options);  // "EXCL:5#RAND#NEX"
std::string OptionsDisplayForm(const TScriptOptions& options);  // "Исключить 5 тиражей; Случайно; ..."

// The decimal text of a coefficient: fixed notation, up to 15 significant digits, no trailing
// zeros, "." as the point ("0.5", "-1", "0.000001"); never an exponent, which the reader would drop.
std::string CoefText(long double value);
// A coefficient as the reader takes it: digits and "-" stay, "." and "," are the point, every other
// character is dropped; 0 when what is left is not a number.
long double ReadCoef(std::string_view text);

std::string WriteFilterItem(const TFilterItem& item, const TMethodLookup& methods);
TFilterItem ReadFilterItem(std::string_view text, const TMethodLookup& methods);
// The command as the script list shows it: read, then written again.
std::string CanonicalFilterText(std::string_view text, const TMethodLookup& methods);

// --- Script lines ---

inline constexpr int ScriptCommandCount = 7;

// The nine fields of a line.
struct TScriptLineText {
  std::string Options;
  std::array<std::string, ScriptCommandCount> Commands;
  std::string Comment;
};

// "options|c1|...|c7|comment": an empty command (blank after trimming) is a single space, so that
// every command keeps its slot; the comment only when it is not blank. Texts are written as given.
std::string WriteScriptLine(const TScriptLineText& line);
TScriptLineText ReadScriptLine(std::string_view line);
// A line whose text is blank is a separator.
bool IsSeparatorLine(std::string_view line);
// A line that reads as a script line: its options begin with a start code (FULL, EXCL or CURR).
// A file none of whose lines does is not a script (a draws CSV, a binary file).
bool IsScriptLine(std::string_view line);

// --- The interpreter's check ---

// "Некорректное описание фильтра: %s!" with the command's written text when the interpreter would
// refuse an active command: its sample lengths give no number (an unresolved code leaves them
// empty), its condition other than "LNO" has no value, or its sort column is not a table column.
// Empty when the command is fit to run (an inactive command always is).
std::string FilterItemProblem(const TFilterItem& item, const TMethodLookup& methods);
// The problem of the first command of the line that has one, in slot order; empty when none.
std::string ScriptLineProblem(std::string_view line, const TMethodLookup& methods);

}  // namespace kivra
