// The script interpreter: plays the working script against the archive, once for the current draw
// offset ("Прогноз") or once for each of the last k offsets ("Тест"). Each line's filter commands
// are expanded into their variants; each variant builds its starting list, narrows it through the
// statistics tables of its parts and makes a stake of what is left. It drives the combination
// list, the statistics tab, the journal with its ratings and the script log, and runs on the
// caller's thread; the window takes part only through TScriptHost.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "combs/CombList.h"
#include "core/Config.h"
#include "core/UserPort.h"
#include "scripts/ScriptText.h"
#include "stakes/StakeData.h"
#include "stats/StatView.h"

namespace kivra {

class TWorkspace;
class TCustomStat;

// What the interpreter needs from the window while it runs. The shell processes its pending events
// in Pump (the status bar repaints and "Стоп" can be pressed, which calls RequestStop); kivra-cli
// and the tests use the defaults, which do nothing.
class TScriptHost {
 public:
  virtual ~TScriptHost() = default;
  // Called at every checkpoint, before the stop request is tested.
  virtual void Pump() {}
  // A panel of the script tab's status bar: 1 "Цикл", 2 "Строка", 3 "Ставок", 4 the variant or a
  // progress text.
  virtual void ShowStatus(int panel, std::string_view text) { (void)panel, (void)text; }
  // A run started or ended: the window locks or unlocks the tabs the run drives.
  virtual void RunningChanged(bool running) { (void)running; }
  // The script line being run becomes the only selected line (-1: no selection).
  virtual void SelectLine(int index) { (void)index; }
};

// One concrete variant of one filter command: one sample length and, for a threshold condition,
// one value.
struct TFilterPart {
  bool Active = false;
  int Method = -1;
  int32_t DrawsLen = 0;
  int32_t SortColumn = 0;
  bool FromBottom = false;
  bool MultiSelect = false;
  bool KeepSelected = false;
  uint8_t LevelMode = 0;
  std::string LevelValue;  // what the condition tests
  std::string LevelText;   // what the description shows
  bool CDLOverride = false;
  TCDLCoefs Coefs{};
  uint8_t StopMode = 0;
  int32_t StopValue = 0;
};

// Variants of a line above this count are refused before anything is made for them.
inline constexpr uint64_t MaxLineVariants = 1'000'000;

// The variants of one script line, made on demand in creation order: command 1 varies slowest,
// the last command fastest. Command j has Choices[j] (its sample lengths, each with every value of a
// threshold condition), so variant i is a mixed-radix number over the commands.
class TLineVariants {
 public:
  // Reads the active commands; throws std::runtime_error with "Некорректное описание фильтра: %s!"
  // for the first command that cannot be expanded.
  TLineVariants(const std::array<std::string, 7>& commands, const TMethodLookup& methods);
  int Commands() const { return static_cast<int>(commands_.size()); }
  // The product of the choice counts, saturating at UINT64_MAX.
  uint64_t Count() const { return count_; }
  // The parts of variant `index` (0-based): slot k holds the part of the k-th active command,
  // slots past them are inactive.
  std::array<TFilterPart, 7> Variant(uint64_t index) const;

 private:
  struct TCommand {
    TFilterPart Base;
    std::vector<int32_t> Lengths;
    std::vector<int32_t> Values;  // threshold conditions only: one part per value
    uint64_t Choices = 0;
  };
  std::vector<TCommand> commands_;
  uint64_t count_ = 0;
};

// The description of one part: "TSD#SUMS:10#LMV:3#SF:0" (with "#coefficients" when it has its own).
std::string FilterPartText(const TFilterPart& part, const TMethodLookup& methods);
// The active parts' texts joined by " + ".
std::string VariantText(const std::array<TFilterPart, 7>& parts, const TMethodLookup& methods);
// "%.2d.%.3d:" with the line and variant numbers, then " " and the comment when there is one,
// " @ " and the description.
std::string StakeDescription(int line, int variant, std::string_view comment, std::string_view description);

// One row of a statistics table as the condition tests read it.
struct TStatValues {
  const std::array<std::string, StatColumnCount>* Cells = nullptr;
  int32_t ValueCode = 0;
};
// The condition test of a part's LevelMode with its LevelValue over a row; throws
// std::runtime_error when a number is required and the text is not one.
bool RowMatches(const TStatValues& row, uint8_t levelMode, std::string_view levelValue);

class TScriptRunner {
 public:
  explicit TScriptRunner(TWorkspace& ws);
  TScriptRunner(const TScriptRunner&) = delete;
  TScriptRunner& operator=(const TScriptRunner&) = delete;

  void SetHost(TScriptHost* host) { host_ = host ? host : &noHost_; }
  // The seed of the random choices (RAND, the removals of EXT): each offset draws from its own
  // generator made from the seed and the offset, so a back-test gives the same stakes however its
  // offsets are spread over threads.
  void SetSeed(uint64_t seed) { seed_ = seed; }
  // Threads of a back-test: with more than one, offsets are computed side by side on private copies
  // of the list and the registry and committed in order (journal, ratings, log and list as a
  // one-thread run leaves them). Scripts whose offsets depend on each other run on one thread.
  void SetThreads(int threads) { threads_ = std::max(threads, 1); }
  int Threads() const { return threads_; }
  // The threads the last back-test ran its offsets on.
  int ThreadsUsed() const { return threadsUsed_; }
  // Called after each stake added to the journal.
  std::function<void(const TStakeData&)> OnStakeAdded;
  // Reuse of the statistics tables within one offset and of the prepared starting lists (on by
  // default; off only to measure what the reuse brings).
  void SetReuse(bool on) { reuse_ = on; }

  bool Running() const { return running_; }
  bool StopRequested() const { return stopRequested_; }
  int Cycle() const { return cycle_; }
  int StakeCount() const { return stakeCount_; }
  // Statistics tables computed in this run (the rest were reused).
  int TablesComputed() const { return tablesComputed_; }
  // Filter passes over the list in this run, and the combinations they read.
  int64_t FilterPasses() const { return filterPasses_; }
  int64_t CombsFiltered() const { return combsFiltered_; }

  // "Прогноз": the script's lines once for the current offset. False when it did not run at all.
  bool Forecast(const std::vector<std::string>& lines);
  // "Тест": the lines for the offsets k .. 1 in turn (k at most the number of draws minus 1); the
  // offset comes back at the end unless the run was stopped. False when it did not run (k < 1).
  bool BackTest(const std::vector<std::string>& lines, int k);
  // One effect of a run, recorded by an offset computed on a worker and played back in order.
  struct TEffect {
    enum TKind : uint8_t {
      Log,
      Status,
      SelectLine,
      Separator,
      Stake,
      CheckVariant,
      CheckOffset,
      ClearStakes,
      StakesView,
      Message
    };
    TKind Kind = Log;
    int Number = 0;  // the status panel, the selected line or the message kind
    bool Bulk = false;
    std::string Text;
    std::string Caption;
    TStakeData Record{};
  };

  // "Стоп": asks "Остановить выполнение сценария?" (default No); on Yes logs the interruption and
  // requests the stop. True when the stop is (now or already) requested.
  bool AskStop();
  // The stop without the question.
  void RequestStop();

 private:
  struct TTableKey {
    int Method;
    int Length;
    int Offset;
    bool Sorted;
    int SortColumn;
    std::array<long double, 3> Coefs;
    bool UsePercents, UseAbsValues;
    auto operator<=>(const TTableKey&) const = default;
  };

  void Begin(int cycle);
  void Finish(bool restoreOffset, int offset);
  void LogOffset();
  // Cycle i of k: its panels, its offset and its log header; false when a stop was asked.
  bool StartCycle(int i, int k);
  void RunScriptOnce();
  void RunLine(int index);
  void RunVariant(int line, uint64_t number, uint64_t count, const std::array<TFilterPart, 7>& parts,
                  const TScriptOptions& options, std::string_view comment);
  void RunWithoutVariants(int line, const TScriptOptions& options, std::string_view comment);
  // Builds the starting list. With `defer`, a prepared list may be left for the caller to put in
  // place (the state of a shared part may replace it first): it is returned, else null.
  const std::vector<TComb>* BuildStartList(const TScriptOptions& options, bool defer);
  void PutList(std::span<const TComb> combs);
  void ApplyPart(const TFilterPart& part);
  const TStatView& Table(const TFilterPart& part, const TCDLCoefs& coefs);
  void MakeStake(const TScriptOptions& options);
  void StakeNumbers(const TStakeNumbers& numbers, bool bulk);
  void StakeComb(const TComb& comb, bool bulk);
  void CheckAfterVariant();
  void ResetReuse();
  void ApplyParts(const std::array<TFilterPart, 7>& parts, bool memo, const std::vector<TComb>* start);
  // Fills `out` with the generation less the latest n draws without a pass over every combination,
  // when the generation is in ascending order and the draws are five different numbers 1..45.
  bool ExcludeBySearch(int n, std::vector<TComb>& out) const;

  // Buffers of whole lists are kept for the next use: a fresh allocation of several megabytes
  // costs its page faults again on every copy.
  std::vector<TComb> TakeBuffer();
  void GiveBack(std::vector<TComb>&& buffer);
  void ClearPrefix(size_t keep = 0);
  void ClearExcluded();

  bool Stop();  // pumps, then the stop request
  // The effects: on the workspace, or recorded while record_ is set.
  void Separator();
  void CheckAfterOffset();
  void ClearStakes();
  void StakesView();
  void SelectLine(int index);
  void Message(TMessageKind kind, std::string_view caption, std::string_view text);
  void Error(std::string_view text) { Message(TMessageKind::Error, CaptionError, text); }
  // Records an effect of the kind with its number (panel, line, message kind) and texts.
  void Record(TEffect::TKind kind, int number = 0, std::string_view text = {}, std::string_view caption = {},
              bool bulk = false, const TStakeData* stake = nullptr);
  void Replay(const std::vector<TEffect>& effects);
  // The back-test on worker threads; false when the script or the workspace does not allow it (the
  // caller then runs it on its own thread).
  bool ParallelAllowed(int k) const;
  bool BackTestParallel(int k);
  void PrepareWorker(const TScriptRunner& main);
  void RunRecordedOffset(int offset, std::vector<TEffect>& effects);
  void Log(std::string_view entry);
  bool Logging() const;
  void Status(int panel, std::string_view text);
  void StakeStatus(bool bulk);
  uint64_t Random(uint64_t n);  // uniform in 0..n-1

  TWorkspace& ws_;
  TScriptHost noHost_;
  TScriptHost* host_ = &noHost_;
  uint64_t seed_ = 0x4B69767261ull;
  std::mt19937_64 rng_{0x4B69767261ull};
  int threads_ = 1;
  int threadsUsed_ = 1;
  bool logging_ = false;                                   // the run's log switch
  std::vector<TEffect>* record_ = nullptr;                 // set on a worker: effects are recorded here
  std::function<bool()> cancelled_;                        // a worker's offset is no longer wanted
  std::function<void(int, std::string_view)> liveStatus_;  // a worker's panels as it goes
  bool reuse_ = true;
  bool running_ = false;
  bool stopRequested_ = false;
  bool failed_ = false;  // an error was shown during this run
  bool backTest_ = false;
  int cycle_ = 0;
  int stakeCount_ = 0;
  int tablesComputed_ = 0;
  int64_t filterPasses_ = 0, combsFiltered_ = 0;
  std::chrono::steady_clock::time_point stakeShown_{};
  TMethodLookup methods_;
  std::vector<bool> offered_;  // registry entries the statistics view offers
  TCDLCoefs backupCoefs_{};
  int sortColumn_ = 0;
  bool sortDescending_ = false;
  std::string description_;  // the stake description of the variant being run
  bool newOnly_ = false;

  // Reuse within one offset.
  int preparedOffset_ = -1;
  std::map<TTableKey, std::unique_ptr<TStatView>> tables_;
  std::map<int, std::optional<TCacheData>> caches_;
  std::optional<std::vector<TComb>> generated_;  // the default generation, made once per run
  bool generatedAscending_ = false;              // each and all of its combinations in ascending order
  std::vector<std::vector<TComb>> spare_;        // list buffers to reuse
  std::map<int, std::vector<TComb>> excluded_;   // the generation less the latest N draws
  std::vector<std::string> lines_;               // the script being run

  // The states after each part of the last variant of the line being run: a variant that starts
  // with the same parts from the same starting list continues from the deepest one, and its log
  // gets the same entries again.
  struct TPartState {
    TFilterPart Part;
    std::vector<TComb> List;
    std::vector<TFilterLogRow> FilterLog;
    std::vector<std::string> LogEntries;
    bool Applied = false;  // false: skipped, the list held one combination or none
  };
  std::vector<TPartState> prefix_;
  std::vector<std::string>* capture_ = nullptr;  // log entries of the part being applied
};

}  // namespace kivra
