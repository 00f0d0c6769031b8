#include "workspace/ScriptRunner.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "stakes/Systems.h"
#include "workspace/Workspace.h"

namespace kivra {

namespace {

constexpr std::string_view DashLine =
    "----------------------------------------------------------------------------------------------";
constexpr std::string_view EqualsLine =
    "==============================================================================================";
constexpr std::string_view RunProgress = "Выполнение сценария...";
constexpr std::string_view StepRowTemplate =
    "Шаг %.3d. Выделение строки: < [%s] кол-во: %s (%s %%), отклонение: %s (%s %%), глубина: %s (%s %%), вес: %s >";
constexpr std::string_view RowTemplate =
    "< [%s] кол-во: %s (%s %%), отклонение: %s (%s %%), глубина: %s (%s %%), вес: %s >";

// 64-bit product that stays at UINT64_MAX once it would pass it.
uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

// A threshold condition gives one part per value; the list conditions and "LNO" one part.
bool IsThresholdMode(int mode) { return mode != 0 && !IsListLevelMode(mode); }

std::string JoinInts(const std::vector<int32_t>& values) {
  std::string s;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) s += ',';
    s += std::to_string(values[i]);
  }
  return s;
}

int32_t WholeNumber(std::string_view text) {
  int32_t v = 0;
  if (!StrToIntStrict(Trim(text), v)) throw std::runtime_error(SysFormat("\"%s\" не является целым числом!", {text}));
  return v;
}

long double DecimalNumber(std::string_view text) {
  long double v = 0;
  if (!TextToFloat(text, v)) throw std::runtime_error(SysFormat("\"%s\" не является числом!", {text}));
  return v;
}

long double DecimalCell(std::string_view cell, long double def) {
  long double v = 0;
  return StatCellNumber(cell, v) ? v : def;
}

// How a condition reads its cell.
enum class TTest { Always, GeInt, GeDec, LeInt, LeDec, LeDecZero, ListInt, ListDec, ListCode };
struct TCondition {
  TTest Test;
  int Column;
};

TCondition ConditionOf(int mode) {
  // Modes 1..18 come in groups of six per column pair: >= value, >= percent, <= value, <= percent,
  // list of values, list of percents.
  static constexpr std::array<TTest, 6> Group = {TTest::GeInt, TTest::GeDec,   TTest::LeInt,
                                                 TTest::LeDec, TTest::ListInt, TTest::ListDec};
  static constexpr std::array<std::array<int, 2>, 3> Columns = {
      {{ColDepth, ColDepthPct}, {ColDeviation, ColDeviationPct}, {ColCount, ColCountPct}}};
  if (mode >= 1 && mode <= 18) {
    const int g = (mode - 1) / 6, k = (mode - 1) % 6;
    return {Group[k], Columns[g][k % 2]};
  }
  switch (mode) {
    case 19: return {TTest::GeDec, ColWeight};
    case 20: return {TTest::LeDecZero, ColWeight};
    case 21: return {TTest::ListDec, ColWeight};
    case 22: return {TTest::GeInt, ColMinPeriod};
    case 23: return {TTest::LeInt, ColMinPeriod};
    case 24: return {TTest::ListInt, ColMinPeriod};
    case 25: return {TTest::GeDec, ColPeriod};
    case 26: return {TTest::LeDecZero, ColPeriod};
    case 27: return {TTest::ListDec, ColPeriod};
    case 28: return {TTest::GeInt, ColMaxPeriod};
    case 29: return {TTest::LeInt, ColMaxPeriod};
    case 30: return {TTest::ListInt, ColMaxPeriod};
    case 31: return {TTest::ListCode, ColValue};
    default: return {TTest::Always, ColValue};
  }
}

// The items of a list condition's value, cut at "," and ";".
std::vector<std::string_view> ListItems(std::string_view text) {
  std::vector<std::string_view> items;
  size_t b = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ',' && text[i] != ';') continue;
    const std::string_view item = Trim(text.substr(b, i - b));
    if (!item.empty()) items.push_back(item);
    b = i + 1;
  }
  return items;
}

std::string RowText(std::string_view templ, const std::array<std::string, StatColumnCount>& c, int step) {
  if (step > 0)
    return SysFormat(templ, {step, c[ColValue], c[ColCount], c[ColCountPct], c[ColDeviation], c[ColDeviationPct],
                             c[ColDepth], c[ColDepthPct], c[ColWeight]});
  return SysFormat(templ, {c[ColValue], c[ColCount], c[ColCountPct], c[ColDeviation], c[ColDeviationPct], c[ColDepth],
                           c[ColDepthPct], c[ColWeight]});
}

}  // namespace

// --- Variants ---

TLineVariants::TLineVariants(const std::array<std::string, 7>& commands, const TMethodLookup& methods) {
  for (const std::string& text : commands) {
    if (Trim(text).empty()) continue;
    const TFilterItem item = ReadFilterItem(text, methods);
    if (std::string problem = FilterItemProblem(item, methods); !problem.empty()) throw std::runtime_error(problem);
    TCommand c;
    c.Lengths = ParseIntListOrRange(item.DrawsLen);
    const bool threshold = IsThresholdMode(item.LevelMode);
    if (item.LevelMode != 0 && threshold) c.Values = ParseIntListOrRange(item.LevelValue);
    TFilterPart& p = c.Base;
    p.Active = item.Active;
    p.Method = item.Method;
    p.SortColumn = item.SortColumn;
    p.FromBottom = item.FromBottom;
    p.MultiSelect = item.MultiSelect;
    p.KeepSelected = item.KeepSelected;
    p.LevelMode = item.LevelMode;
    p.CDLOverride = item.CDLOverride;
    p.Coefs = item.Coefs;
    p.StopMode = item.StopMode;
    p.StopValue = item.StopValue;
    p.LevelText = item.LevelValue;
    // A list condition tests its values as parsed ("1-9;2" tests "1,3,5,7,9").
    p.LevelValue = item.LevelMode != 0 && !threshold ? JoinInts(ParseIntListOrRange(item.LevelValue)) : item.LevelValue;
    c.Choices = SaturatingProduct(c.Lengths.size(), threshold ? c.Values.size() : 1);
    commands_.push_back(std::move(c));
  }
  count_ = commands_.empty() ? 0 : 1;
  for (const TCommand& c : commands_) count_ = SaturatingProduct(count_, c.Choices);
}

std::array<TFilterPart, 7> TLineVariants::Variant(uint64_t index) const {
  std::array<TFilterPart, 7> parts;
  // The last command varies fastest.
  for (size_t j = commands_.size(); j-- > 0;) {
    const TCommand& c = commands_[j];
    const uint64_t choice = index % c.Choices;
    index /= c.Choices;
    TFilterPart& p = parts[j];
    p = c.Base;
    if (!c.Values.empty()) {
      p.DrawsLen = c.Lengths[choice / c.Values.size()];
      p.LevelValue = p.LevelText = std::to_string(c.Values[choice % c.Values.size()]);
    } else {
      p.DrawsLen = c.Lengths[choice];
    }
  }
  return parts;
}

std::string FilterPartText(const TFilterPart& p, const TMethodLookup& methods) {
  std::string s;
  s += p.FromBottom ? 'B' : 'T';
  s += p.MultiSelect ? 'M' : 'S';
  s += p.KeepSelected ? 'F' : 'D';
  s += '#';
  s += methods.Code(p.Method);
  s += ':';
  s += std::to_string(p.DrawsLen);
  s += '#';
  s += LevelModeCode(p.LevelMode);
  s += ':';
  s += p.LevelText;
  s += '#';
  s += StopModeCode(p.StopMode);
  s += ':';
  s += std::to_string(p.StopValue);
  if (p.CDLOverride) {
    s += '#';
    s += CoefText(p.Coefs.Count) + ':' + CoefText(p.Coefs.Deviation) + ':' + CoefText(p.Coefs.Level) + ':' +
         (p.Coefs.UsePercents ? '1' : '0') + ':' + (p.Coefs.UseAbsValues ? '1' : '0');
  }
  return s;
}

std::string VariantText(const std::array<TFilterPart, 7>& parts, const TMethodLookup& methods) {
  std::string s;
  for (const TFilterPart& p : parts) {
    if (!p.Active) continue;
    if (!s.empty()) s += " + ";
    s += FilterPartText(p, methods);
  }
  return s;
}

std::string StakeDescription(int line, int variant, std::string_view comment, std::string_view description) {
  std::string s = SysFormat("%.2d.%.3d:", {line, variant});
  if (!comment.empty()) {
    s += ' ';
    s += comment;
  }
  s += " @ ";
  s += description;
  return s;
}

bool RowMatches(const TStatValues& row, uint8_t levelMode, std::string_view levelValue) {
  const TCondition cond = ConditionOf(levelMode);
  const std::string& cell = (*row.Cells)[cond.Column];
  switch (cond.Test) {
    case TTest::Always: return true;
    case TTest::GeInt: return StrToIntDef(cell, 0) >= WholeNumber(levelValue);
    case TTest::GeDec: return DecimalCell(cell, 0) >= WholeNumber(levelValue);
    case TTest::LeInt: return StrToIntDef(cell, 65535) <= WholeNumber(levelValue);
    case TTest::LeDec: return DecimalCell(cell, 65535) <= WholeNumber(levelValue);
    case TTest::LeDecZero: return DecimalCell(cell, 0) <= WholeNumber(levelValue);
    case TTest::ListInt: {
      const int32_t v = WholeNumber(cell);
      for (std::string_view item : ListItems(levelValue))
        if (WholeNumber(item) == v) return true;
      return false;
    }
    case TTest::ListDec: {
      const long double v = DecimalNumber(cell);
      for (std::string_view item : ListItems(levelValue))
        if (DecimalNumber(item) == v) return true;
      return false;
    }
    case TTest::ListCode:
      for (std::string_view item : ListItems(levelValue))
        if (WholeNumber(item) == row.ValueCode) return true;
      return false;
  }
  return false;
}

// --- The runner ---

TScriptRunner::TScriptRunner(TWorkspace& ws)
    : ws_(ws), threads_(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u))) {}

bool TScriptRunner::Stop() {
  host_->Pump();
  return stopRequested_ || (cancelled_ && cancelled_());
}

bool TScriptRunner::Logging() const { return running_ ? logging_ : ws_.Script().LogEnabled(); }

void TScriptRunner::Log(std::string_view entry) {
  if (!Logging()) return;
  if (record_) Record(TEffect::Log, 0, entry);
  else ws_.Script().Log().Write(entry);
  if (capture_) capture_->emplace_back(entry);
}

void TScriptRunner::Status(int panel, std::string_view text) {
  if (record_) {
    // Only the panels of the line and the variant; the stake count is the committing thread's.
    if (panel == 2 || panel == 4) {
      Record(TEffect::Status, panel, text);
      if (liveStatus_) liveStatus_(panel, text);
    }
    return;
  }
  host_->ShowStatus(panel, text);
  host_->Pump();
}

void TScriptRunner::SelectLine(int index) {
  if (record_) Record(TEffect::SelectLine, index);
  else host_->SelectLine(index);
}

void TScriptRunner::Message(TMessageKind kind, std::string_view caption, std::string_view text) {
  if (record_) {
    Record(TEffect::Message, static_cast<int>(kind), text, caption);
    return;
  }
  if (kind == TMessageKind::Error) failed_ = true;
  ws_.Port().Message(kind, caption, text, false);
}

void TScriptRunner::Record(TEffect::TKind kind, int number, std::string_view text, std::string_view caption, bool bulk,
                           const TStakeData* stake) {
  TEffect& e = record_->emplace_back();
  e.Kind = kind;
  e.Number = number;
  e.Bulk = bulk;
  e.Text = text;
  e.Caption = caption;
  if (stake) e.Record = *stake;
}

void TScriptRunner::Separator() {
  if (record_) Record(TEffect::Separator);
  else ws_.Stakes().Journal().AppendSeparator();
}

void TScriptRunner::CheckAfterOffset() {
  if (record_) return Record(TEffect::CheckOffset);
  TStakeState& stakes = ws_.Stakes();
  if (stakes.CheckOnLine()) return;
  stakes.CheckAndFlush();
  stakes.UpdateView(true, false);
}

void TScriptRunner::ClearStakes() {
  if (record_) return Record(TEffect::ClearStakes);
  TStakeState& stakes = ws_.Stakes();
  // In a back-test the stakes of this offset are due: they reach the ratings before they go.
  if (backTest_) stakes.CheckAndFlush();
  stakes.Journal().Clear();
  stakes.UpdateView(true, false);
}

void TScriptRunner::StakesView() {
  if (record_) Record(TEffect::StakesView);
  else ws_.Stakes().UpdateView(true, true);
}

void TScriptRunner::StakeStatus(bool bulk) {
  const auto now = std::chrono::steady_clock::now();
  if (bulk && now - stakeShown_ < std::chrono::milliseconds(101)) return;
  stakeShown_ = now;
  Status(3, SysFormat("Ставок: %d", {stakeCount_}));
}

uint64_t TScriptRunner::Random(uint64_t n) {
  // Rejection keeps the choice uniform and the same on every platform for one seed.
  const uint64_t limit = UINT64_MAX - UINT64_MAX % n;
  uint64_t x;
  do x = rng_();
  while (x >= limit);
  return x % n;
}

bool TScriptRunner::AskStop() {
  if (!running_) return false;
  if (stopRequested_) return true;
  if (!ws_.Port().Message(TMessageKind::Question, CaptionQuestion, "Остановить выполнение сценария?", false))
    return false;
  RequestStop();
  return true;
}

void TScriptRunner::RequestStop() {
  if (!running_ || stopRequested_) return;
  Log("### ВЫПОЛНЕНИЕ СЦЕНАРИЯ ПРЕРВАНО #############################################################");
  stopRequested_ = true;
}

void TScriptRunner::ResetReuse() {
  preparedOffset_ = -1;
  tables_.clear();
  caches_.clear();
  generated_.reset();
  excluded_.clear();
  prefix_.clear();
  spare_.clear();
}

std::vector<TComb> TScriptRunner::TakeBuffer() {
  if (spare_.empty()) return {};
  std::vector<TComb> buffer = std::move(spare_.back());
  spare_.pop_back();
  buffer.clear();
  return buffer;
}

void TScriptRunner::GiveBack(std::vector<TComb>&& buffer) {
  if (buffer.capacity() > 0 && spare_.size() < 16) spare_.push_back(std::move(buffer));
}

void TScriptRunner::ClearPrefix(size_t keep) {
  for (size_t k = keep; k < prefix_.size(); ++k) GiveBack(std::move(prefix_[k].List));
  prefix_.resize(std::min(keep, prefix_.size()));
}

void TScriptRunner::ClearExcluded() {
  for (auto& [n, combs] : excluded_) GiveBack(std::move(combs));
  excluded_.clear();
}

void TScriptRunner::Begin(int cycle) {
  TUserPort& port = ws_.Port();
  port.BeginBusy();
  port.ShowProgress(RunProgress);
  logging_ = ws_.Script().LogEnabled();
  if (logging_) {
    ws_.Script().Log().Start();
    Log("### ЗАПУСК СЦЕНАРИЯ ##########################################################################");
  }
  running_ = true;
  stopRequested_ = false;
  failed_ = false;
  cycle_ = cycle;
  stakeCount_ = 0;
  tablesComputed_ = 0;
  filterPasses_ = combsFiltered_ = 0;
  stakeShown_ = {};
  methods_ = TMethodLookup(ws_.Stats());
  offered_.assign(ws_.Stats().Count(), false);
  for (const auto& item : ws_.Stats().SelectorItems(false)) offered_[item.Index] = true;
  sortColumn_ = ws_.StatTab().View().SortColumn();
  sortDescending_ = ws_.StatTab().View().SortDescending();
  ResetReuse();
  host_->RunningChanged(true);
  Status(1, SysFormat("Цикл: %d", {cycle_}));
  Status(2, "Строка: 0");
  Status(3, "Ставок: 0");
  Status(4, RunProgress);
}

void TScriptRunner::Finish(bool restoreOffset, int offset) {
  if (restoreOffset) ws_.SetDrawsOffset(offset);
  cycle_ = 0;
  running_ = false;
  stopRequested_ = false;
  backTest_ = false;
  ws_.StatTab().View().SetSort(sortColumn_, sortDescending_);
  ResetReuse();
  host_->RunningChanged(false);
  Status(3, SysFormat("Ставок: %d", {stakeCount_}));
  Status(1, "Цикл: 0");
  Status(2, "Строка: 0");
  Log("### ЗАВЕРШЕНИЕ СЦЕНАРИЯ ######################################################################");
  ws_.Script().Log().Close();
  ws_.Port().ShowProgress("");
  ws_.Port().EndBusy();
}

void TScriptRunner::LogOffset() {
  Log(EqualsLine);
  Log(SysFormat("=== Выполнение сценария для смещения %.6d ==================================================",
                {ws_.Archive().DrawsOffset()}));
  Log(EqualsLine);
}

bool TScriptRunner::Forecast(const std::vector<std::string>& lines) {
  if (running_) return false;
  lines_ = lines;
  Begin(1);
  LogOffset();
  try {
    RunScriptOnce();
  } catch (const std::exception& e) {
    Error(ErrorText(e));
  }
  // The panel does not keep the step the run was in when it ended early.
  Status(4, failed_ ? "Сценарий прерван из-за ошибки." : stopRequested_ ? "Сценарий остановлен." : "Сценарий завершен!");
  Finish(false, 0);
  return true;
}

bool TScriptRunner::BackTest(const std::vector<std::string>& lines, int k) {
  if (running_) return false;
  k = std::min(k, ws_.Archive().Count() - 1);
  if (k < 1) return false;
  lines_ = lines;
  Begin(0);
  backTest_ = true;
  const int saved = ws_.Archive().DrawsOffset();
  const int total = k;
  threadsUsed_ = 1;
  try {
    if (ParallelAllowed(k) && BackTestParallel(k)) k = 0;  // done
    for (int i = 1; i <= k && StartCycle(i, k); ++i) RunScriptOnce();
  } catch (const std::exception& e) {
    Error(ErrorText(e));
    stopRequested_ = true;
  }
  // The archive returns to the offset it had before the test in every case, so that a following
  // forecast is for the next draw; a test that ended early says at which cycle.
  if (failed_)
    Status(4, SysFormat("Тест прерван из-за ошибки на цикле %d из %d.", {cycle_, total}));
  else if (stopRequested_)
    Status(4, SysFormat("Тест остановлен на цикле %d из %d.", {cycle_, total}));
  else
    Status(4, "Сценарий завершен!");
  Finish(true, saved);
  return true;
}

bool TScriptRunner::StartCycle(int i, int k) {
  cycle_ = i;
  Status(1, SysFormat("Цикл: %d", {cycle_}));
  Status(4, RunProgress);
  if (Stop()) return false;
  ws_.SetDrawsOffset(k - i + 1);
  if (Stop()) return false;
  LogOffset();
  return !Stop();
}

void TScriptRunner::RunScriptOnce() {
  Separator();
  // Each offset draws its random choices from its own generator.
  rng_.seed(seed_ ^ (0x9E3779B97F4A7C15ull * static_cast<uint64_t>(ws_.Archive().DrawsOffset() + 1)));
  TCombList& list = ws_.Combs().List();
  list.InvalidateSnapshot();
  backupCoefs_ = ws_.Stats().Coefs;
  if (preparedOffset_ != ws_.Archive().DrawsOffset()) {
    // Tables and lists that depend on the offset are prepared again for the new one.
    tables_.clear();
    ClearExcluded();
    preparedOffset_ = ws_.Archive().DrawsOffset();
  }
  try {
    for (int i = 0; i < static_cast<int>(lines_.size()) && !Stop(); ++i) {
      if (IsSeparatorLine(lines_[i])) continue;
      SelectLine(i);
      Log(DashLine);
      Log(SysFormat("Выполнение строки %.3d: \"%s\"", {i + 1, lines_[i]}));
      Log(DashLine);
      RunLine(i);
      SelectLine(-1);
    }
    CheckAfterOffset();
  } catch (...) {
    ws_.Stats().Coefs = backupCoefs_;
    list.InvalidateSnapshot();
    throw;
  }
  ws_.Stats().Coefs = backupCoefs_;
  list.InvalidateSnapshot();
}

void TScriptRunner::RunLine(int index) {
  TCombList& list = ws_.Combs().List();
  const int line = index + 1;
  ClearPrefix();
  Status(2, SysFormat("Строка: %d", {line}));
  try {
    list.DropUndo();
    const TScriptLineText fields = ReadScriptLine(lines_[index]);
    const TScriptOptions options = ReadOptions(fields.Options);
    Log("Создание всех вариантов фильтров...");
    Status(4, "Создание всех вариантов фильтров...");
    // A command the interpreter refuses: the message names the line to mend.
    const TLineVariants variants = [&] {
      try {
        return TLineVariants(fields.Commands, methods_);
      } catch (const std::runtime_error& e) {
        throw std::runtime_error(SysFormat("%s\rСтрока сценария: %d.", {std::string(ErrorText(e)), line}));
      }
    }();
    const uint64_t count = variants.Count();
    if (count > MaxLineVariants) {
      stopRequested_ = true;
      const std::string total = count == UINT64_MAX ? "более 18446744073709551615" : std::to_string(count);
      Error(SysFormat(
          "Вы задали слишком много вариантов фильтров - программа не сможет обработать их все!\rПожалуйста, уменьшите "
          "в каждом из фильтров количество вариантов длины выборки и глубины, а затем повторите попытку.\r\r"
          "Количество вариантов фильтров в строке %d: %s, допустимо не более %d.",
          {line, total, MaxLineVariants}));
      list.DropUndo();
      return;
    }
    uint64_t created = count;
    for (uint64_t k = 1000; k <= count; k += 1000) {
      Status(4, SysFormat("Создание всех вариантов фильтров ( %d )...", {k}));
      if (Stop()) {
        created = k;
        break;
      }
    }
    Log(SysFormat("Создано %d вариантов фильтров.", {created}));
    if (created > 0) {
      for (uint64_t v = 0; v < created && !Stop(); ++v)
        RunVariant(line, v + 1, count, variants.Variant(v), options, fields.Comment);
    } else {
      RunWithoutVariants(line, options, fields.Comment);
    }
  } catch (const std::exception& e) {
    stopRequested_ = true;
    Error(ErrorText(e));
  }
  list.DropUndo();
  ClearPrefix();
}

void TScriptRunner::CheckAfterVariant() {
  if (record_) return Record(TEffect::CheckVariant);
  TStakeState& stakes = ws_.Stakes();
  if (!stakes.CheckOnLine()) return;
  stakes.CheckAndFlush();
  stakes.UpdateView(true, false);
}

void TScriptRunner::RunVariant(int line, uint64_t number, uint64_t count, const std::array<TFilterPart, 7>& parts,
                               const TScriptOptions& options, std::string_view comment) {
  TCombList& list = ws_.Combs().List();
  std::string error;
  try {
    const std::string text = VariantText(parts, methods_);
    Log("");
    Log(DashLine);
    Log(SysFormat("Применение набора фильтров %.3d: \"%s\"", {number, text}));
    Log(DashLine);
    Status(2, SysFormat("Строка: %d", {line}));
    Status(4, SysFormat("Фильтр %d из %d: %s", {number, count, text}));
    Log("Создание начального списка комбинаций...");
    const bool memo = reuse_ && options.StartCombsType != StartCurrent;
    const std::vector<TComb>* start = BuildStartList(options, memo);
    Log(SysFormat("Количество комбинаций в списке: %d", {start ? start->size() : list.Count()}));
    ApplyParts(parts, memo, start);
    description_ = StakeDescription(line, static_cast<int>(number), comment, OptionsShortForm(options) + " + " + text);
    newOnly_ = options.NewOnly;
    MakeStake(options);
    Log(DashLine);
  } catch (const std::exception& e) {
    stopRequested_ = true;
    error = ErrorText(e);
  }
  CheckAfterVariant();
  if (!error.empty()) Error(error);
}

void TScriptRunner::RunWithoutVariants(int line, const TScriptOptions& options, std::string_view comment) {
  TCombList& list = ws_.Combs().List();
  std::string error;
  try {
    Log("{ERROR} Фильтры не применялись!");
    Log("");
    const std::string shortForm = OptionsShortForm(options);
    Status(2, SysFormat("Строка: %d", {line}));
    Status(4, SysFormat("Фильтр %d из %d: %s", {0, 0, shortForm}));
    BuildStartList(options, false);
    Log(SysFormat("Количество комбинаций в списке: %d", {list.Count()}));
    description_ = StakeDescription(line, 0, comment, shortForm);
    newOnly_ = options.NewOnly;
    MakeStake(options);
  } catch (const std::exception& e) {
    stopRequested_ = true;
    error = ErrorText(e);
  }
  CheckAfterVariant();
  if (!error.empty()) Error(error);
}

namespace {

bool SameCoefs(const TCDLCoefs& a, const TCDLCoefs& b) {
  return a.Count == b.Count && a.Deviation == b.Deviation && a.Level == b.Level && a.UsePercents == b.UsePercents &&
         a.UseAbsValues == b.UseAbsValues;
}

bool SamePart(const TFilterPart& a, const TFilterPart& b) {
  return a.Active == b.Active && a.Method == b.Method && a.DrawsLen == b.DrawsLen && a.SortColumn == b.SortColumn &&
         a.FromBottom == b.FromBottom && a.MultiSelect == b.MultiSelect && a.KeepSelected == b.KeepSelected &&
         a.LevelMode == b.LevelMode && a.LevelValue == b.LevelValue && a.LevelText == b.LevelText &&
         a.CDLOverride == b.CDLOverride && SameCoefs(a.Coefs, b.Coefs) && a.StopMode == b.StopMode &&
         a.StopValue == b.StopValue;
}

}  // namespace

void TScriptRunner::PutList(std::span<const TComb> combs) {
  TCombList& list = ws_.Combs().List();
  list.ResizeList(combs.size(), static_cast<uint32_t>(combs.size()));
  if (!combs.empty()) std::memcpy(list.Data(), combs.data(), combs.size() * sizeof(TComb));
  list.UpdateCombsView();
}

void TScriptRunner::ApplyParts(const std::array<TFilterPart, 7>& parts, bool memo, const std::vector<TComb>* start) {
  TCombList& list = ws_.Combs().List();
  size_t first = 0;
  if (memo) {
    // The deepest state this variant shares with the previous one: the same parts in the same
    // slots after the same starting list.
    size_t same = 0;
    while (same < prefix_.size() && same < parts.size() && SamePart(prefix_[same].Part, parts[same])) ++same;
    ClearPrefix(same);
    for (size_t k = 0; k < same; ++k)
      for (const std::string& entry : prefix_[k].LogEntries) Log(entry);
    // The list as the last part that ran left it (none ran: the starting list is right as it is),
    // and what that part left in the registry and the statistics tab.
    for (size_t k = same; k-- > 0;) {
      const TPartState& state = prefix_[k];
      if (!state.Applied) continue;
      PutList(state.List);
      list.SetFilterLog(state.FilterLog);
      start = nullptr;
      const TFilterPart& p = state.Part;
      ws_.Stats().Coefs = p.CDLOverride ? p.Coefs : backupCoefs_;
      ws_.StatTab().SetItem(p.Method);
      ws_.StatTab().SetWindowLength(p.DrawsLen);
      break;
    }
    first = same;
  } else {
    ClearPrefix();
  }
  if (start) PutList(*start);
  for (size_t k = first; k < parts.size(); ++k) {
    const TFilterPart& part = parts[k];
    TPartState state;
    state.Part = part;
    if (part.Active && list.Count() > 1) {
      state.Applied = true;
      capture_ = memo ? &state.LogEntries : nullptr;
      try {
        ApplyPart(part);
      } catch (...) {
        capture_ = nullptr;
        ClearPrefix();
        throw;
      }
      capture_ = nullptr;
    }
    if (!memo) continue;
    // A part cut short by a stop is not a state to continue from.
    if (stopRequested_) {
      ClearPrefix();
      memo = false;
      continue;
    }
    // The state after the last active part is never continued from: a later variant differs
    // from this one in some part, so it shares at most the parts before the last.
    const bool later = std::any_of(parts.begin() + static_cast<ptrdiff_t>(k) + 1, parts.end(),
                                   [](const TFilterPart& p) { return p.Active; });
    if (!later) break;
    if (state.Applied) {
      state.List = TakeBuffer();
      state.List.assign(list.Items().begin(), list.Items().end());
      state.FilterLog = list.Log();
    }
    prefix_.push_back(std::move(state));
  }
}

const std::vector<TComb>* TScriptRunner::BuildStartList(const TScriptOptions& options, bool defer) {
  TCombState& combs = ws_.Combs();
  TCombList& list = combs.List();
  const int type = options.StartCombsType;
  const std::vector<TComb>* pending = nullptr;
  if (type == StartCurrent) {
    // The list as the previous line or variant left it.
  } else if (!reuse_) {
    combs.GenerateList(true, combs.GenDefaults());
  } else if (!generated_) {
    // The generation is made once per run; every variant starts from a copy of it, with what a
    // refreshing generation does to the log, the undo copy and the snapshot.
    combs.GenerateList(true, combs.GenDefaults());
    generated_.emplace(list.Items().begin(), list.Items().end());
    generatedAscending_ = true;
    for (size_t i = 0; i < generated_->size() && generatedAscending_; ++i) {
      const TComb& c = (*generated_)[i];
      generatedAscending_ = c[0] >= 1 && c[0] < c[1] && c[1] < c[2] && c[2] < c[3] && c[3] < c[4] &&
                            c[4] <= MaxNumber && (i == 0 || (*generated_)[i - 1] < c);
    }
  } else {
    pending = &*generated_;
    list.ClearFilterLog();
    list.ReserveUndo(generated_->size(), 0);
    list.ReserveSnapshot(generated_->size(), 0);
  }
  const int n = options.DrawsExclude;
  if (type == StartExclude && n > 0 && !Stop()) {
    const int offset = ws_.Archive().DrawsOffset();
    if (!reuse_) {
      if (!list.RestoreSnapshot(offset, n)) {
        list.SaveUndo(true);
        combs.RemoveLatestDraws(n);
        list.SaveSnapshot(offset, n);
      }
    } else if (auto it = excluded_.find(n); it != excluded_.end()) {
      pending = &it->second;
      list.SetFilterLog(
          {{"Последние тиражи", std::to_string(n), static_cast<uint32_t>(pending->size()), LogIconRemove}});
    } else if (std::vector<TComb> out = TakeBuffer(); generated_ && ExcludeBySearch(n, out)) {
      pending = &(excluded_[n] = std::move(out));
      list.SetFilterLog(
          {{"Последние тиражи", std::to_string(n), static_cast<uint32_t>(pending->size()), LogIconRemove}});
    } else {
      if (pending) PutList(*pending);
      pending = nullptr;
      combs.RemoveLatestDraws(n);
      out.assign(list.Items().begin(), list.Items().end());
      excluded_[n] = std::move(out);
    }
  }
  if (pending && !defer) {
    PutList(*pending);
    pending = nullptr;
  }
  if (options.ClearStakes && !Stop()) ClearStakes();
  return pending;
}

bool TScriptRunner::ExcludeBySearch(int n, std::vector<TComb>& out) const {
  if (!generatedAscending_) return false;
  const TDrawsArchive& archive = ws_.Archive();
  const int last = archive.High() - archive.DrawsOffset();
  const int first = std::max(0, last - n + 1);
  std::vector<size_t> drawn;
  for (int i = first; i <= last; ++i) {
    TComb d = archive.StoredDraws()[static_cast<size_t>(i)].Nums;
    std::sort(d.begin(), d.end());
    if (d[0] < 1 || d[4] > MaxNumber || std::adjacent_find(d.begin(), d.end()) != d.end()) return false;
    const auto it = std::lower_bound(generated_->begin(), generated_->end(), d);
    if (it != generated_->end() && *it == d) drawn.push_back(static_cast<size_t>(it - generated_->begin()));
  }
  std::sort(drawn.begin(), drawn.end());
  drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end());
  // The generation copied around the drawn combinations.
  out.clear();
  out.reserve(generated_->size() - drawn.size());
  size_t from = 0;
  drawn.push_back(generated_->size());
  for (size_t stop : drawn) {
    out.insert(out.end(), generated_->begin() + static_cast<ptrdiff_t>(from),
               generated_->begin() + static_cast<ptrdiff_t>(stop));
    from = stop + 1;
  }
  return true;
}

const TStatView& TScriptRunner::Table(const TFilterPart& part, const TCDLCoefs& coefs) {
  TStatTab& tab = ws_.StatTab();
  const TDrawsArchive& archive = ws_.Archive();
  const TTableKey key{part.Method,           std::max(part.DrawsLen, 1),
                      archive.DrawsOffset(), archive.SortedDraws(),
                      part.SortColumn,       {coefs.Count, coefs.Deviation, coefs.Level},
                      coefs.UsePercents,     coefs.UseAbsValues};
  if (reuse_) {
    if (auto it = tables_.find(key); it != tables_.end()) return *it->second;
    // The same table sorted by another column.
    for (auto& [other, view] : tables_) {
      TTableKey k = other;
      k.SortColumn = key.SortColumn;
      if (k == key) {
        auto copy = std::make_unique<TStatView>(*view);
        copy->SetSort(part.SortColumn, true);
        return *tables_.emplace(key, std::move(copy)).first->second;
      }
    }
    if (tables_.size() >= 512) tables_.clear();
  }
  const TCacheData* cache = nullptr;
  std::optional<TCacheData> own;
  if (reuse_) {
    auto it = caches_.find(part.Method);
    if (it == caches_.end()) it = caches_.emplace(part.Method, tab.OpenCache(part.Method)).first;
    if (it->second) cache = &*it->second;
  } else if ((own = tab.OpenCache(part.Method))) {
    cache = &*own;
  }
  TStatViewParams params;
  params.Offset = archive.DrawsOffset();
  params.WindowLength = key.Length;
  params.Sorted = archive.SortedDraws();
  params.IdealLine = tab.ShowTotalLine();
  params.Coefs = coefs;
  auto view = std::make_unique<TStatView>();
  view->SetSort(part.SortColumn, true);
  const auto stat = ws_.Stats().CreateStat(part.Method);
  view->Compute(*stat, archive, params, cache);
  ++tablesComputed_;
  if (!reuse_) tables_.clear();
  return *tables_.emplace(key, std::move(view)).first->second;
}

void TScriptRunner::ApplyPart(const TFilterPart& part) {
  TStatList& stats = ws_.Stats();
  TCombState& combs = ws_.Combs();
  TCombList& list = combs.List();
  const int method = part.Method;
  if (method < 0 || method >= stats.Count() || !offered_[method]) {
    const std::string code = method >= 0 && method < stats.Count() ? stats.Code(method) : std::string();
    const std::string caption = method >= 0 && method < stats.Count() ? stats.MethodName(stats.Item(method)) : "";
    throw std::runtime_error(
        SysFormat("Метод расчета статистики \"%s\" на найден!\r%s\r\rВозможно, Вы отключили данных метод расчета либо "
                  "использовали сценарий от другой модификации программы.",
                  {code, caption}));
  }
  ws_.StatTab().SetItem(method);
  ws_.StatTab().SetWindowLength(part.DrawsLen);
  Log(SysFormat("Анализ тиражей и расчет статистики \"%s\" для выборки в %d тиражей...",
                {stats.ListCaption(method, true), part.DrawsLen}));
  const TCDLCoefs coefs = part.CDLOverride ? part.Coefs : backupCoefs_;
  stats.Coefs = coefs;
  if (Stop()) return;
  const TStatView& view = Table(part, coefs);
  if (Stop()) return;
  const auto& rows = view.Rows();
  if (Logging())
    for (const TStatRow& row : rows) Log(RowText(RowTemplate, row.Cells, 0));
  if (Stop()) return;

  const auto stat = stats.CreateStat(method);
  const int32_t v = part.StopValue;
  const bool up = part.FromBottom;
  const int maxStake = std::clamp(ws_.Config().Data.MaxStake, 6, 12);
  const std::string_view keepText =
      part.KeepSelected ? "Оставляем выделенные значения..." : "Удаляем выделенные значения...";
  // The stop tests shared by both selection modes; true ends the walk.
  const auto stopsAt = [&](const TStatRow& row, int counter) {
    switch (part.StopMode) {
      case StopByValue: {
        const int32_t count = StrToIntDef(row.Cells[ColCount], 0);
        return up ? count >= v : count <= v;
      }
      case StopByPercent: {
        const long double pct = DecimalCell(row.Cells[ColCountPct], 0);
        return up ? pct >= v : pct <= v;
      }
      case StopBySteps: return counter >= v;
      default: return false;
    }
  };
  const auto matches = [&](const TStatRow& row) {
    return RowMatches({&row.Cells, stat->ValueFromText(row.Cells[ColValue])}, part.LevelMode, part.LevelValue);
  };
  const auto filter = [&](const std::vector<size_t>& selected) {
    Log(keepText);
    if (!selected.empty()) {
      ++filterPasses_;
      combsFiltered_ += list.Count();
    }
    combs.FilterByValues(method, stat.get(), view.SelectedValues(selected), view.SelectedText(selected),
                         !part.KeepSelected);
    Log(SysFormat("Количество комбинаций в списке: %d", {list.Count()}));
    if (list.Count() > 0) return false;
    Log("{UNDO} Откат изменений...");
    list.RestoreUndo(true);
    list.AddUndoLog();
    return true;
  };

  const size_t n = rows.size();
  int counter = 0;
  if (part.MultiSelect) {
    std::vector<size_t> selected;
    for (size_t k = 0; k < n; ++k) {
      const size_t r = up ? n - 1 - k : k;
      if (Stop()) return;
      if (stopsAt(rows[r], counter)) break;
      if (matches(rows[r])) {
        selected.push_back(r);
        Log(RowText(StepRowTemplate, rows[r].Cells, counter + 1));
      }
      ++counter;
    }
    if (Stop()) return;
    filter(selected);
    return;
  }
  for (size_t k = 0; k < n; ++k) {
    const size_t r = up ? n - 1 - k : k;
    if (Stop()) return;
    if (part.StopMode == StopByCombs && list.Count() <= static_cast<uint32_t>(std::max(v, 0))) break;
    if (part.StopMode == StopByNumbers) {
      const int target = v > 5 && v <= maxStake ? v : maxStake;
      if (list.Count() <= 1 || UniqueNumberCount(list.Array(), list.Count()) <= target) break;
    }
    if (stopsAt(rows[r], counter)) break;
    if (Stop()) return;
    if (!matches(rows[r])) continue;
    Log(RowText(StepRowTemplate, rows[r].Cells, counter + 1));
    if (filter({r})) {
      if (part.StopMode == StopUntilEmpty) break;
    } else {
      ++counter;
    }
  }
}

void TScriptRunner::StakeNumbers(const TStakeNumbers& numbers, bool bulk) {
  TStakeState& stakes = ws_.Stakes();
  // The comment as the journal keeps it: at most 255 characters.
  const std::string cp1251 = Utf8ToCp1251(description_);
  const TStakeData record = stakes.NewRecord(
      StakeScript, cp1251.size() > 255 ? Cp1251ToUtf8(std::string_view(cp1251).substr(0, 255)) : description_, numbers);
  const std::string added = SysFormat("{+} Ставка на тираж %d добавлена в список ставок: [%s]",
                                      {record.DrawNumber, StakeNumbersText(numbers, ";")});
  if (record_) {
    // A worker's run never has NewOnly (those scripts run on one thread).
    return Record(TEffect::Stake, 0, added, {}, bulk, &record);
  }
  if (newOnly_ && stakes.Journal().Exists(record.DrawNumber, numbers)) {
    Log(SysFormat("{-} Ставка на тираж %d не добавлена, так как уже имеется в списке ставок: [%s]",
                  {record.DrawNumber, StakeNumbersText(numbers, ";")}));
    return;
  }
  if (!stakes.AddMany(record, 1, bulk)) return;
  Log(added);
  ++stakeCount_;
  if (OnStakeAdded) OnStakeAdded(record);
  StakeStatus(bulk);
}

void TScriptRunner::StakeComb(const TComb& comb, bool bulk) {
  TStakeNumbers numbers;
  numbers.Count = CombSize;
  std::copy(comb.begin(), comb.end(), numbers.Values.begin());
  StakeNumbers(numbers, bulk);
}

void TScriptRunner::MakeStake(const TScriptOptions& options) {
  const TCombList& list = ws_.Combs().List();
  const int mode = options.ResultCombsMode;
  Log(SysFormat("{*} Добавление ставки, режим: \"%s\"", {ResultModeLongText(mode)}));
  const uint32_t count = list.Count();
  if (count == 0 || mode == ResultNone) return;
  if (count > 1 && mode == ResultStop) {
    stopRequested_ = true;
    Log("{!} Сценарий остановлен!");
    Message(TMessageKind::Warning, CaptionWarning,
            SysFormat("Выполнение сценария прервано, т.к. после применения всех фильтров в списке "
                      "комбинаций их осталось более одной: %d!\r\rФильтры: %s",
                      {count, description_}));
    return;
  }
  if (count > 1 && mode == ResultSkip) {
    Log("{-} Ставка игнорирована!");
    return;
  }
  if (stopRequested_) return;
  if (count == 1) {
    StakeComb(list[0], false);
  } else {
    switch (mode) {
      case ResultExtended: {
        TByteArray numbers = CollectUniqueNumbers(list.Array(), count);
        const size_t maxStake = static_cast<size_t>(std::clamp(ws_.Config().Data.MaxStake, 6, 12));
        while (numbers.size() > maxStake)
          numbers.erase(numbers.begin() + static_cast<ptrdiff_t>(Random(numbers.size())));
        TStakeNumbers stake;
        stake.Count = static_cast<int32_t>(numbers.size());
        std::copy(numbers.begin(), numbers.end(), stake.Values.begin());
        StakeNumbers(stake, false);
        break;
      }
      case ResultRandom: StakeComb(list[Random(count)], false); break;
      case ResultFirst: StakeComb(list[0], false); break;
      case ResultLast: StakeComb(list[count - 1], false); break;
      case ResultAll:
        for (uint32_t i = 0; i < list.Count(); ++i) {
          if (Stop()) break;
          StakeComb(list[i], true);
        }
        break;
      case ResultSystemAll:
      case ResultSystemCombs: {
        const TByteArray numbers = CollectUniqueNumbers(list.Array(), count);
        const int n = static_cast<int>(numbers.size());
        const TSystemExpansion system = SystemExpand(SystemsFolder(ws_.DataDir()), numbers);
        if (!system.Ok) {
          Log(SysFormat("{#} Системная игра для %d чисел [ОШИБКА]: \"%s\"", {n, system.Message}));
          break;
        }
        const bool all = mode == ResultSystemAll;
        Log(SysFormat(all ? "{#} Системная игра для %d чисел [все система]: загружен файл \"%s\""
                          : "{#} Системная игра для %d чисел [система * комбинации]: загружен файл \"%s\"",
                      {n, SystemShortName(system.File)}));
        for (TComb comb : system.Combs) {
          std::sort(comb.begin(), comb.end());
          if (all || list.Contains(comb)) StakeComb(comb, true);
        }
        break;
      }
      default: break;
    }
  }
  StakesView();
}

// --- The back-test on several threads ---

namespace {

// The port of a worker's workspace: its messages join the offset's recorded effects.
class TWorkerPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) override {
    if (OnMessage) OnMessage(kind, caption, text);
    return defaultYes;
  }
  std::function<void(TMessageKind, std::string_view, std::string_view)> OnMessage;
};

// A workspace on the same data folder with the same archive, configuration and registry, whose
// list, statistics tab and reuse are its own. Null when its registry would differ.
std::unique_ptr<TWorkspace> MakeWorkerWorkspace(const TWorkspace& main, TUserPort& port) {
  auto w = std::make_unique<TWorkspace>(main.DataDir(), port);
  w->LoadSettingsAndConfig();
  w->Config() = main.Config();
  for (int i = 0; i < main.Archive().Count(); ++i) w->Archive().Append(main.Archive().Stored(i));
  w->Archive().SetSortedDraws(main.Archive().SortedDraws());
  if (w->Stats().Count() != main.Stats().Count()) return nullptr;
  for (int i = 0; i < main.Stats().Count(); ++i)
    if (w->Stats().Code(i) != main.Stats().Code(i)) return nullptr;
  w->Combs().ReserveLists();
  w->Combs().SetFilterThreads(1);
  return w;
}

}  // namespace

bool TScriptRunner::ParallelAllowed(int k) const {
  if (threads_ < 2 || k < 2) return false;
  // The offsets are independent unless a line asks the journal which stakes exist (NewOnly) or the
  // first line starts from the list the previous offset left (CURR).
  bool first = true;
  for (const std::string& line : lines_) {
    if (IsSeparatorLine(line)) continue;
    TScriptOptions options;
    try {
      options = ReadOptions(ReadScriptLine(line).Options);
    } catch (const std::exception&) {
      return false;  // the one-thread run reports it
    }
    if (options.NewOnly || (first && options.StartCombsType == StartCurrent)) return false;
    first = false;
  }
  return !first;
}

void TScriptRunner::PrepareWorker(const TScriptRunner& main) {
  ResetReuse();
  lines_ = main.lines_;
  methods_ = TMethodLookup(ws_.Stats());  // its own registry, equal to the main one's
  offered_ = main.offered_;
  reuse_ = main.reuse_;
  seed_ = main.seed_;
  logging_ = main.logging_;
  running_ = true;
  backTest_ = true;
  stopRequested_ = false;
  tablesComputed_ = 0;
  filterPasses_ = combsFiltered_ = 0;
}

void TScriptRunner::RunRecordedOffset(int offset, std::vector<TEffect>& effects) {
  record_ = &effects;
  stopRequested_ = false;
  try {
    ws_.SetDrawsOffset(offset);
    RunScriptOnce();
  } catch (const std::exception& e) {
    Error(ErrorText(e));
    stopRequested_ = true;
  }
  record_ = nullptr;
}

void TScriptRunner::Replay(const std::vector<TEffect>& effects) {
  TStakeState& stakes = ws_.Stakes();
  for (const TEffect& e : effects) {
    if (stopRequested_) return;
    switch (e.Kind) {
      case TEffect::Log: Log(e.Text); break;
      case TEffect::Status: Status(e.Number, e.Text); break;
      case TEffect::SelectLine: SelectLine(e.Number); break;
      case TEffect::Separator: Separator(); break;
      case TEffect::Stake:
        if (!stakes.AddMany(e.Record, 1, e.Bulk)) break;
        Log(e.Text);
        ++stakeCount_;
        if (OnStakeAdded) OnStakeAdded(e.Record);
        StakeStatus(e.Bulk);
        break;
      case TEffect::CheckVariant: CheckAfterVariant(); break;
      case TEffect::CheckOffset: CheckAfterOffset(); break;
      case TEffect::ClearStakes: ClearStakes(); break;
      case TEffect::StakesView: StakesView(); break;
      case TEffect::Message: Message(static_cast<TMessageKind>(e.Number), e.Caption, e.Text); break;
    }
  }
}

bool TScriptRunner::BackTestParallel(int k) {
  struct TWorker {
    TWorkerPort Port;
    std::unique_ptr<TWorkspace> Ws;
    std::atomic<int> Current{0};  // the cycle it computes
    std::mutex PanelsMutex;
    std::array<std::string, 5> Panels;  // its panels "Строка" and the variant, shown while it is awaited
  };
  const int count = std::min(threads_, k);
  std::vector<std::unique_ptr<TWorker>> workers;
  for (int t = 0; t < count; ++t) {
    auto w = std::make_unique<TWorker>();
    w->Ws = MakeWorkerWorkspace(ws_, w->Port);
    if (!w->Ws) break;
    TScriptRunner& runner = w->Ws->Runner();
    w->Port.OnMessage = [&runner](TMessageKind kind, std::string_view caption, std::string_view text) {
      if (runner.record_) runner.Message(kind, caption, text);
    };
    runner.PrepareWorker(*this);
    runner.liveStatus_ = [&w = *w](int panel, std::string_view text) {
      const std::lock_guard lock(w.PanelsMutex);
      w.Panels[static_cast<size_t>(panel)] = text;
    };
    workers.push_back(std::move(w));
  }
  if (workers.size() < 2) return false;

  struct TResult {
    std::vector<TEffect> Effects;
    bool Stopped = false;
    bool Done = false;
    int Worker = -1;
  };
  std::vector<TResult> results(static_cast<size_t>(k) + 1);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<int> next{1};
  std::atomic<int> wanted{k};  // cycles above this one are no longer wanted

  const auto work = [&](int index) {
    TWorker& w = *workers[static_cast<size_t>(index)];
    TScriptRunner& runner = w.Ws->Runner();
    runner.cancelled_ = [&w, &wanted] { return w.Current > wanted.load(); };
    for (int i; (i = next.fetch_add(1)) <= k && i <= wanted.load();) {
      {
        const std::lock_guard lock(w.PanelsMutex);
        w.Panels = {};
      }
      w.Current = i;
      std::vector<TEffect> effects;
      runner.RunRecordedOffset(k - i + 1, effects);
      const bool stopped = runner.stopRequested_;
      {
        const std::lock_guard lock(mutex);
        results[static_cast<size_t>(i)] = {std::move(effects), stopped, true, index};
        ready.notify_all();
      }
      if (stopped) {
        // The run ends with this cycle: the later ones are not wanted, and this worker keeps its
        // list as the cycle left it.
        for (int current = wanted.load(); current > i && !wanted.compare_exchange_weak(current, i);) {
        }
        break;
      }
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < static_cast<int>(workers.size()); ++t) threads.emplace_back(work, t);
  threadsUsed_ = static_cast<int>(threads.size());

  bool completed = false;
  int committed = 0, committedWorker = -1;  // the last cycle played back whole, and its worker
  try {
    for (int i = 1; i <= k && StartCycle(i, k); ++i) {
      // The window keeps answering while the cycle is computed.
      std::unique_lock lock(mutex);
      std::array<std::string, 5> shown;
      while (!results[static_cast<size_t>(i)].Done && !stopRequested_) {
        ready.wait_for(lock, std::chrono::milliseconds(20));
        lock.unlock();
        // The panels of the worker computing this cycle.
        for (const auto& w : workers) {
          if (w->Current.load() != i) continue;
          std::array<std::string, 5> panels;
          {
            const std::lock_guard panelsLock(w->PanelsMutex);
            panels = w->Panels;
          }
          for (int p : {2, 4})
            if (!panels[static_cast<size_t>(p)].empty() &&
                panels[static_cast<size_t>(p)] != shown[static_cast<size_t>(p)])
              host_->ShowStatus(p, shown[static_cast<size_t>(p)] = panels[static_cast<size_t>(p)]);
        }
        host_->Pump();
        lock.lock();
      }
      if (stopRequested_) break;
      TResult result = std::move(results[static_cast<size_t>(i)]);
      lock.unlock();
      Replay(result.Effects);
      if (stopRequested_) break;  // stopped during the playback
      committed = i;
      committedWorker = result.Worker;
      if (result.Stopped) {
        stopRequested_ = true;
        break;
      }
      completed = i == k;
    }
  } catch (...) {
    wanted = 0;
    for (auto& t : threads) t.join();
    throw;
  }
  wanted = 0;
  for (auto& t : threads) t.join();

  for (const auto& w : workers) {
    const TScriptRunner& r = w->Ws->Runner();
    tablesComputed_ += r.tablesComputed_;
    filterPasses_ += r.filterPasses_;
    combsFiltered_ += r.combsFiltered_;
  }
  if (committedWorker >= 0 && (completed || workers[static_cast<size_t>(committedWorker)]->Current == committed)) {
    // The list, its log and the statistics tab as the last offset played back left them.
    TWorkspace& last = *workers[static_cast<size_t>(committedWorker)]->Ws;
    const TCombList& from = last.Combs().List();
    PutList(from.Items());
    TCombList& list = ws_.Combs().List();
    list.SetFilterLog(from.Log());
    list.DropUndo();
    list.InvalidateSnapshot();
    ws_.StatTab().SetItem(last.StatTab().Item());
    ws_.StatTab().SetWindowLength(last.StatTab().WindowLength());
  }
  return true;
}

}  // namespace kivra
