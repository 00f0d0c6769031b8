#include "scripts/ScriptText.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>

#include "core/IniFile.h"
#include "core/SortaUtils.h"
#include "core/SysFormat.h"
#include "stats/StatList.h"

namespace kivra {

namespace {

template <size_t N>
std::string_view Pick(const std::array<std::string_view, N>& table, int value) {
  return value >= 0 && value < static_cast<int>(N) ? table[value] : ScriptErrorText;
}

constexpr std::array<std::string_view, StartCombsTypeCount> StartCodes = {"FULL", "EXCL", "CURR"};
constexpr std::array<std::string_view, StartCombsTypeCount> StartLong = {
    "Исходный список (рекомендуется для тестов)", "Удалить N последних тиражей (для прогнозов)",
    "Текущий список (для последовательного выполнения)"};
constexpr std::array<std::string_view, StartCombsTypeCount> StartShort = {"Исходный список", "Исключить %d тиражей",
                                                                          "Текущий список"};

constexpr std::array<std::string_view, ResultCombsModeCount> ResultCodes = {"EXT",  "RAND", "FIRST", "LAST", "ALL",
                                                                            "SYSA", "SYSC", "STOP",  "SKIP", "NONE"};
constexpr std::array<std::string_view, ResultCombsModeCount> ResultLong = {
    "Сделать расширенную ставку",
    "Выбрать одну случайную комбинацию",
    "Выбрать первую комбинацию в списке",
    "Выбрать последнюю комбинацию в списке",
    "Выбрать все комбинации (не рекомендуется)",
    "Системная игра [вся система]",
    "Системная игра [система * комбинации]",
    "Остановить выполнение сценария",
    "Пропустить (игнорировать) эту ставку",
    "Не делать ставок (для последовательного выполнения)"};
constexpr std::array<std::string_view, ResultCombsModeCount> ResultShort = {
    "Расширенная",   "Случайно",       "Первая",     "Последняя",  "Все",
    "Система [все]", "Система [комб]", "Остановить", "Пропустить", "Не делать ставок"};

constexpr std::array<std::string_view, LevelModeCount> LevelCodes = {
    "LNO", "LMV", "LMP", "LLV", "LLP", "LDV", "LDP", "DMV", "DMP", "DLV", "DLP", "DDV", "DDP", "CMV", "CMP", "CLV",
    "CLP", "CDV", "CDP", "WMV", "WLV", "WDV", "PIM", "PIL", "PIR", "PAM", "PAL", "PAR", "PXM", "PXL", "PXR", "LVA"};
constexpr std::array<std::string_view, LevelModeCount> LevelTexts = {"Весь список (без условий)",
                                                                     "\"Глубина\": не менее заданного значения",
                                                                     "\"Глубина\": не менее заданного процента",
                                                                     "\"Глубина\": не более заданного значения",
                                                                     "\"Глубина\": не более заданного процента",
                                                                     "\"Глубина\": из заданного списка значений",
                                                                     "\"Глубина\": из заданного списка процентов",
                                                                     "\"Отклонение\": не менее заданного значения",
                                                                     "\"Отклонение\": не менее заданного процента",
                                                                     "\"Отклонение\": не более заданного значения",
                                                                     "\"Отклонение\": не более заданного процента",
                                                                     "\"Отклонение\": из заданного списка значений",
                                                                     "\"Отклонение\": из заданного списка процентов",
                                                                     "\"Количество\": не менее заданного значения",
                                                                     "\"Количество\": не менее заданного процента",
                                                                     "\"Количество\": не более заданного значения",
                                                                     "\"Количество\": не более заданного процента",
                                                                     "\"Количество\": из заданного списка значений",
                                                                     "\"Количество\": из заданного списка процентов",
                                                                     "\"Вес\": не менее заданного значения",
                                                                     "\"Вес\": не более заданного значения",
                                                                     "\"Вес\": из заданного списка значений",
                                                                     "\"Период min\": не менее заданного значения",
                                                                     "\"Период min\": не более заданного значения",
                                                                     "\"Период min\": из заданного списка значений",
                                                                     "\"Период\": не менее заданного значения",
                                                                     "\"Период\": не более заданного значения",
                                                                     "\"Период\": из заданного списка значений",
                                                                     "\"Период max\": не менее заданного значения",
                                                                     "\"Период max\": не более заданного значения",
                                                                     "\"Период max\": из заданного списка значений",
                                                                     "\"Значения\": из заданного списка значений"};

constexpr std::array<std::string_view, StopModeCount> StopCodes = {"SF", "SC", "SE", "SZ", "ST", "SV", "SP"};
constexpr std::array<std::string_view, StopModeCount> StopTexts = {"Обработать все записи",
                                                                   "Количеству оставшихся комбинаций",
                                                                   "Количеству оставшихся чисел для расширенной ставки",
                                                                   "Пока список не будет пуст и откатить на шаг",
                                                                   "Количеству шагов",
                                                                   "Значению в списке статистики",
                                                                   "Процентному соотношению в списке статистики"};

constexpr std::array<std::string_view, SortColumnCount> ColumnCaptions = {
    "Значение",    "Количество", "Кол-во в %",  "Норма",      "Отклонение", "Откл-ие в %", "Глубина",
    "Глубина в %", "Вес",        "Посл. тираж", "Период min", "Период",     "Период max",  "Ожд. ПРД",
    "Ожд. СТФ",    "Ожд. КРН",   "Факт",        "+/- ПРД",    "+/- СТФ",    "+/- КРН"};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Codes are ASCII: comparing them needs no more than ASCII folding.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

// The first code of the table that the word begins with, or -1.
template <size_t N>
int FirstPrefix(const std::array<std::string_view, N>& codes, std::string_view word) {
  for (size_t i = 0; i < N; ++i)
    if (StartsWithNoCase(word, codes[i])) return static_cast<int>(i);
  return -1;
}

bool IsSeparator(char c, std::string_view separators) { return separators.find(c) != std::string_view::npos; }

// The text after the first `count` UTF-8 characters (a continuation byte never starts one).
std::string_view AfterCharacters(std::string_view text, int count) {
  size_t i = 0;
  for (int n = 0; n < count && i < text.size(); ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(i);
}

bool HasMoreThanCharacters(std::string_view text, int count) { return !AfterCharacters(text, count).empty(); }

}  // namespace

std::string_view StartCombsCode(int value) { return Pick(StartCodes, value); }
std::string_view ResultModeCode(int value) { return Pick(ResultCodes, value); }
std::string_view LevelModeCode(int value) { return Pick(LevelCodes, value); }
std::string_view StopModeCode(int value) { return Pick(StopCodes, value); }
std::string_view StartCombsLongText(int value) { return Pick(StartLong, value); }
std::string_view StartCombsShortText(int value) { return Pick(StartShort, value); }
std::string_view ResultModeLongText(int value) { return Pick(ResultLong, value); }
std::string_view ResultModeShortText(int value) { return Pick(ResultShort, value); }
std::string_view LevelModeText(int value) { return Pick(LevelTexts, value); }
std::string_view StopModeText(int value) { return Pick(StopTexts, value); }
std::string_view SortColumnCaption(int value) { return Pick(ColumnCaptions, value); }

bool IsListLevelMode(int value) {
  switch (value) {
    case 5:
    case 6:
    case 11:
    case 12:
    case 17:
    case 18:
    case 21:
    case 24:
    case 27:
    case 30:
    case 31: return true;
    default: return false;
  }
}

bool IsWeightLevelMode(int value) { return value >= 19 && value <= 21; }

// --- Method lookup ---

TMethodLookup::TMethodLookup(const TStatList& stats) : stats_(&stats) {
  codes_.reserve(stats.Count());
  byFolded_.reserve(stats.Count());
  for (int i = 0; i < stats.Count(); ++i) {
    codes_.push_back(stats.Code(i));
    byFolded_.emplace(FoldName(codes_.back()), i);  // the first entry of a code wins, as a search would
  }
}

int TMethodLookup::Find(std::string_view code) const {
  if (code.empty() || byFolded_.empty()) return -1;
  const auto it = byFolded_.find(FoldName(code));
  return it == byFolded_.end() ? -1 : it->second;
}

const std::string& TMethodLookup::Code(int entry) const {
  static const std::string none;
  return entry >= 0 && entry < static_cast<int>(codes_.size()) ? codes_[entry] : none;
}

// --- Words ---

std::string_view ScriptWord(std::string_view text, std::string_view separators, int k) {
  size_t i = 0;
  for (int n = 1;; ++n) {
    while (i < text.size() && IsSeparator(text[i], separators)) ++i;
    if (i >= text.size()) return {};
    const size_t start = i;
    while (i < text.size() && !IsSeparator(text[i], separators)) ++i;
    if (n == k) return Trim(text.substr(start, i - start));
  }
}

std::vector<std::string_view> ScriptWords(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> words;
  size_t i = 0;
  for (;;) {
    while (i < text.size() && IsSeparator(text[i], separators)) ++i;
    if (i >= text.size()) return words;
    const size_t start = i;
    while (i < text.size() && !IsSeparator(text[i], separators)) ++i;
    words.push_back(Trim(text.substr(start, i - start)));
  }
}

// --- Options ---

std::string WriteOptions(const TScriptOptions& o) {
  std::string s =
      fmt::format("{}:{}#{}", StartCombsCode(o.StartCombsType), o.DrawsExclude, ResultModeCode(o.ResultCombsMode));
  if (o.ClearStakes) s += "#CLR";
  if (o.NewOnly) s += "#NEX";
  return s;
}

TScriptOptions ReadOptions(std::string_view text) {
  TScriptOptions o;
  const std::vector<std::string_view> words = ScriptWords(text, "#");
  const std::string_view first = words.size() > 0 ? words[0] : std::string_view();
  o.StartCombsType = static_cast<uint8_t>(std::max(0, FirstPrefix(StartCodes, first)));
  o.DrawsExclude = StrToIntDef(ScriptWord(first, ":", 2), 0);
  if (words.size() > 1)
    for (int i = 0; i < ResultCombsModeCount; ++i)
      if (EqualsNoCase(words[1], ResultCodes[i])) o.ResultCombsMode = static_cast<uint8_t>(i);
  for (size_t i = 2; i < words.size(); ++i) {
    if (EqualsNoCase(words[i], "CLR")) o.ClearStakes = true;
    else if (EqualsNoCase(words[i], "NEX")) o.NewOnly = true;
  }
  return o;
}

std::string OptionsShortForm(const TScriptOptions& o) {
  std::string s(StartCombsCode(o.StartCombsType));
  if (o.StartCombsType == StartExclude) s += fmt::format(":{}", o.DrawsExclude);
  s += '#';
  s += ResultModeCode(o.ResultCombsMode);
  if (o.NewOnly) s += "#NEX";
  return s;
}

std::string OptionsDisplayForm(const TScriptOptions& o) {
  std::string s = o.StartCombsType == StartExclude ? SysFormat(StartCombsShortText(o.StartCombsType), {o.DrawsExclude})
                                                   : std::string(StartCombsShortText(o.StartCombsType));
  s += "; ";
  s += ResultModeShortText(o.ResultCombsMode);
  if (o.ClearStakes) s += "; Удалить ставки";
  s += o.NewOnly ? "; Только новые ставки" : "; Все создаваемые ставки";
  return s;
}

// --- Coefficients ---

std::string CoefText(long double value) {
  const double v = static_cast<double>(value);
  if (!std::isfinite(v) || v == 0) return "0";
  // 15 significant digits: as many decimals as the digits left after the integer part.
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
  const int decimals = std::max(0, 14 - exponent);
  std::string s = fmt::format("{:.{}f}", v, decimals);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

long double ReadCoef(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == '-') kept += c;
    else if (c == '.' || c == ',') kept += '.';
  }
  if (kept.empty()) return 0;
  double value = 0;
  const auto [end, ec] = std::from_chars(kept.data(), kept.data() + kept.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != kept.data() + kept.size() || !std::isfinite(value)) return 0;
  return value;
}

// --- Filter commands ---

std::string WriteFilterItem(const TFilterItem& f, const TMethodLookup& methods) {
  if (!f.Active) return {};
  std::string s;
  s += f.FromBottom ? 'B' : 'T';
  s += f.MultiSelect ? 'M' : 'S';
  s += f.KeepSelected ? 'F' : 'D';
  s += std::to_string(f.SortColumn);
  s += '#';
  const std::string& code = methods.Code(f.Method);
  if (!code.empty()) {
    s += code;
    s += ':';
    s += f.DrawsLen;
  } else {
    s += f.StatText;
  }
  s += fmt::format("#{}:{}#{}:{}", LevelModeCode(f.LevelMode), f.LevelValue, StopModeCode(f.StopMode), f.StopValue);
  if (f.CDLOverride)
    s += fmt::format("#{}:{}:{}:{}:{}", CoefText(f.Coefs.Count), CoefText(f.Coefs.Deviation), CoefText(f.Coefs.Level),
                     f.Coefs.UsePercents ? 1 : 0, f.Coefs.UseAbsValues ? 1 : 0);
  return s;
}

TFilterItem ReadFilterItem(std::string_view text, const TMethodLookup& methods) {
  TFilterItem f;
  if (Trim(text).empty()) return f;
  f.Active = true;
  const std::vector<std::string_view> words = ScriptWords(text, "#");
  const auto word = [&words](size_t k) { return k <= words.size() ? words[k - 1] : std::string_view(); };

  const std::string_view mode = word(1);
  f.FromBottom = mode.find('B') != std::string_view::npos;
  f.MultiSelect = mode.find('M') != std::string_view::npos;
  f.KeepSelected = mode.find('F') != std::string_view::npos;
  f.SortColumn = HasMoreThanCharacters(mode, 3) ? StrToIntDef(AfterCharacters(mode, 3), 1) : 1;

  const std::string_view stat = word(2);
  f.StatText = std::string(stat);
  f.Method = methods.Find(stat.substr(0, stat.find(':')));
  if (f.Method >= 0) f.DrawsLen = std::string(ScriptWord(stat, ":", 2));

  if (words.size() >= 3) {
    if (const int level = FirstPrefix(LevelCodes, word(3)); level >= 0) {
      f.LevelMode = static_cast<uint8_t>(level);
      f.LevelValue = std::string(ScriptWord(word(3), ":", 2));
    }
  }
  if (words.size() >= 4) {
    if (const int stop = FirstPrefix(StopCodes, word(4)); stop >= 0) {
      f.StopMode = static_cast<uint8_t>(stop);
      f.StopValue = StrToIntDef(ScriptWord(word(4), ":", 2), 1);
    }
  }
  if (!word(5).empty()) {
    f.CDLOverride = true;
    const std::string_view coefs = word(5);
    f.Coefs.Count = ReadCoef(ScriptWord(coefs, ":", 1));
    f.Coefs.Deviation = ReadCoef(ScriptWord(coefs, ":", 2));
    f.Coefs.Level = ReadCoef(ScriptWord(coefs, ":", 3));
    f.Coefs.UsePercents = ScriptWord(coefs, ":", 4) == "1";
    f.Coefs.UseAbsValues = ScriptWord(coefs, ":", 5) == "1";
  }
  return f;
}

std::string CanonicalFilterText(std::string_view text, const TMethodLookup& methods) {
  return WriteFilterItem(ReadFilterItem(text, methods), methods);
}

// --- Lines ---

std::string WriteScriptLine(const TScriptLineText& line) {
  std::string s = line.Options;
  s += '|';
  for (const std::string& command : line.Commands) {
    if (Trim(command).empty()) s += ' ';
    else s += command;
    s += '|';
  }
  if (!Trim(line.Comment).empty()) s += line.Comment;
  return s;
}

TScriptLineText ReadScriptLine(std::string_view text) {
  TScriptLineText line;
  const std::vector<std::string_view> words = ScriptWords(text, "|");
  const auto word = [&words](size_t k) { return std::string(k <= words.size() ? words[k - 1] : std::string_view()); };
  line.Options = word(1);
  for (int k = 0; k < ScriptCommandCount; ++k) line.Commands[k] = word(k + 2);
  line.Comment = word(ScriptCommandCount + 2);
  return line;
}

bool IsSeparatorLine(std::string_view line) { return Trim(line).empty(); }

bool IsScriptLine(std::string_view line) {
  const std::string_view options = ScriptWord(line, "|", 1);
  return FirstPrefix(StartCodes, ScriptWord(options, "#", 1)) >= 0;
}

// --- Check ---

std::string FilterItemProblem(const TFilterItem& item, const TMethodLookup& methods) {
  if (!item.Active) return {};
  const bool fit = item.SortColumn >= 0 && item.SortColumn < SortColumnCount && item.Method >= 0 &&
                   !ParseIntListOrRange(item.DrawsLen).empty() &&
                   (item.LevelMode == 0 || !ParseIntListOrRange(item.LevelValue).empty());
  return fit ? std::string() : SysFormat("Некорректное описание фильтра: %s!", {WriteFilterItem(item, methods)});
}

std::string ScriptLineProblem(std::string_view line, const TMethodLookup& methods) {
  if (IsSeparatorLine(line)) return {};
  const TScriptLineText fields = ReadScriptLine(line);
  for (const std::string& command : fields.Commands) {
    if (command.empty()) continue;
    if (std::string problem = FilterItemProblem(ReadFilterItem(command, methods), methods); !problem.empty())
      return problem;
  }
  return {};
}

}  // namespace kivra
