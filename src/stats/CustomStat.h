// The statistic framework: the class descriptor answered without an instance, the base class
// TCustomStat with its operations, the intermediate classes that fix how values are written, and
// TStatImpl, which gives every concrete statistic its fast filter and counting kernels from one
// inlined per-combination test.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdlib>
#include <cstring>
#include <new>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/Config.h"
#include "core/SortaUtils.h"
#include "stats/ColumnKernel.h"
#include "stats/RowKeyIndex.h"
#include "stats/Selection.h"
#include "stats/StatTypes.h"

namespace kivra {

// Option bits; G is added by GetFlags only.
enum : uint8_t { OptS = 1, OptN = 2, OptD = 4, OptP = 8, FlagG = 16 };

constexpr int StatGroupCount = 13;
std::string_view GroupTag(int group);      // "num", "sum", ...; "" outside 0..12
std::string_view GroupName(int group);     // "Числа тиража", ...; "" outside 0..12
std::string OptionLetters(uint8_t flags);  // "SNG": the letters of the bits in the order S, N, D, P, G

// What statistics read from the registry when they are created.
struct TStatEnv {
  const TDrawsArray* Draws = nullptr;  // the archive in stored order (never changed by a statistic)
  TConfigData Config;
  TShreddingConfig Shredding;
};

// The caller's side of a filter test.
struct TMatchContext {
  int RefIndex = -1;  // the newest draw in use
  bool Sorted = false;
  bool Remove = false;  // the caller removes (true) or keeps (false) the matching combinations
};

class TCustomStat;
class TKeyCounter;

// Class-level operations of a statistic, answered without an instance.
class TStatClass {
 public:
  virtual ~TStatClass() = default;

  virtual std::string_view ClassName() const = 0;
  virtual std::string_view GetCode() const = 0;     // code template, "NUMS" or "POS%d"
  virtual std::string_view GetCaption() const = 0;  // caption template
  virtual std::string_view GetHelpCode() const = 0;
  virtual int GetGroup() const = 0;
  virtual uint8_t GetOptions() const = 0;
  uint8_t GetFlags() const { return static_cast<uint8_t>(GetOptions() | (IsGraph() ? FlagG : 0)); }
  virtual std::string CodeFor(int32_t param) const;
  virtual std::string CaptionFor(int32_t param) const;
  // The name of the help page, "Filters_1049_<help code>.htm" (1049 whatever the interface language).
  std::string HelpPageFor(int32_t param) const;
  // "ms-its:<help file>::/<HelpPageFor>", or empty when the help file does not exist.
  std::string HelpTopicFor(int32_t param, const std::filesystem::path& helpFile) const;
  virtual bool IsAvailable(const TStatEnv& env) const = 0;
  virtual bool IsEnabled() const = 0;
  virtual bool IsGraph() const = 0;
  bool CanPrefetch() const { return (GetOptions() & OptN) != 0; }
  virtual bool IsNumeric() const = 0;
  virtual bool HasParam() const = 0;
  virtual std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) const = 0;
  virtual std::unique_ptr<TCustomStat> Create(const TStatEnv& env, int32_t param) const = 0;
};

class TCustomStat {
 public:
  TCustomStat(const TStatClass& cls, const TStatEnv& env, int32_t param);
  virtual ~TCustomStat() = default;
  TCustomStat(const TCustomStat&) = delete;
  TCustomStat& operator=(const TCustomStat&) = delete;

  const TStatClass& Class() const { return class_; }
  int32_t Param() const { return param_; }
  std::string GetTitle() const { return class_.CaptionFor(param_); }

  // Class-level defaults a concrete statistic may redefine (read by TStatClassOf).
  static constexpr std::string_view HelpCode = {};
  static constexpr bool IsGraph = false;
  static constexpr bool IsNumeric = true;
  static constexpr bool IsEnabled = true;
  static constexpr bool HasParam = false;
  static constexpr bool SingleValue = false;  // exactly one value per combination (fast counting)
  // The values of a combination (Values) never repeat: counting them counts combinations.
  static constexpr bool DistinctValues = false;
  // A keep by one value record holds exactly the combinations that show its key among the values
  // the filter test looks up (FilterValues, else Values); the table's rows are then counted over a
  // list in one pass.
  static constexpr bool KeepsShownValue = true;
  static bool IsAvailable(const TStatEnv&) { return true; }
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) { return {0, 0}; }

  virtual std::string ValueCaption(const TStatDrawRec& rec) const = 0;
  // The text read as a decimal integer; 0 when it is not one.
  virtual int32_t ParseValue(std::string_view text) const;
  int32_t ValueFromText(std::string_view text) const { return class_.IsNumeric() ? ParseValue(text) : 0; }
  // Adds the fixed value domain with zero counts (nothing by default).
  virtual void EnumValues(int refIndex, TStatDrawArray& values);
  // Cur := the draw at index; with option D also Ref := the draw at refIndex.
  virtual void LoadDraws(int index, int refIndex, bool sorted);
  // Adds the values of a bare combination (option N) with counts only.
  virtual void CombValues(const TComb& comb, TStatDrawArray& values);
  // Adds the values of the draw at index to a window distribution.
  virtual void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                          TLastValueArray& lastSeen);
  // The number of the first draw at or after fromIndex that shows the record's value, or -1.
  int32_t FindNextDraw(const TStatDrawRec& rec, int fromIndex, int refIndex, bool sorted);
  // True when the combination shows one of the selected values.
  virtual bool CombMatches(const TComb& comb, const TStatDrawArray& selected, int refIndex, bool sorted,
                           bool remove) = 0;

  // --- Fast paths (written once in TStatImpl) ---

  // Loads the draws a filter pass needs (LoadDraws(-1, RefIndex, Sorted)) and whatever the test
  // keeps fixed for the pass. Call once before FilterSpan.
  virtual void PrepareFilter(const TMatchContext& ctx);
  // Writes the combinations of `in` that are kept (test != Remove) to `out`, in order; returns how
  // many. `out` may be `in.data()`. Safe to call from several threads at once after PrepareFilter.
  virtual size_t FilterSpan(std::span<const TComb> in, TComb* out, const TFastSelection& sel,
                            const TMatchContext& ctx) const = 0;
  // The kept-combination masks of a span whose start is a multiple of 64 in the whole input: bit i
  // of masks[b] for combination 64 b + i. False (masks untouched) when the statistic has no
  // vector program for the pass; parallel passes then move FilterSpan's results together instead.
  virtual bool FilterMasks(std::span<const TComb>, const TFastSelection&, const TMatchContext&, uint64_t*) const {
    return false;
  }
  // Counts the values of bare combinations (option N only; does nothing for the others);
  // `firstIndex` is the position of in[0] in the whole input.
  virtual void CountSpan(std::span<const TComb> in, uint64_t firstIndex, TKeyCounter& counter) const;

  // Counting the rows of a table over a list. For every combination of `in`, each id of `index`
  // whose key the combination shows in the filter pass is counted once in counts[id], however often
  // the combination shows it. Call after PrepareFilter. False, with nothing counted, when a keep by
  // one row is not decided by the values shown (each row then needs a filter pass of its own).
  virtual bool CountShownRows(std::span<const TComb>, const TMatchContext&, const TRowKeyIndex&, uint32_t*) const {
    return false;
  }
  // The key whose combinations CountShownRows counts for `row`: the row's own key for the
  // statistics whose keep by one row holds the combinations that show its value; for the others
  // the key their test looks the row up by (a unit, a successor). False when a keep by the row
  // alone leaves nothing. Call after PrepareFilter.
  virtual bool RowCountKey(const TStatDrawRec& row, const TMatchContext&, TStatKey& key) const {
    key = row.Key;
    return true;
  }
  // True when every combination shows exactly one value, counted by CountSpan (option N), and a
  // keep by one row holds the combinations that show its value: CountSpan's counts are the rows'.
  virtual bool CountsKeepsByValue() const { return false; }

  // The values of a combination as the filter test sees them (for showing them): CombValues for
  // statistics with option N, the values a filter pass would test for the others where that is
  // defined. False when the statistic has no such view.
  virtual bool FilterViewValues(const TComb& comb, int refIndex, bool sorted, TStatDrawArray& values);

  // A copy of the draw at index (sorted when asked), or a zero draw outside the archive.
  TDraw ReadDraw(int index, bool sorted) const;
  const TDrawsArray& Draws() const { return *env_.Draws; }
  int DrawsHigh() const { return static_cast<int>(env_.Draws->size()) - 1; }
  const TStatEnv& Env() const { return env_; }

 protected:
  // For EnumValues overrides: adds a value of the domain with zero counts (Val cleared first by
  // TCustomStat::EnumValues), or clears Val and adds K1 = first..last.
  void AddDomainValue(TStatDrawArray& values, TStatKey key) {
    Val.Key = key;
    AddStatValue(values, Val, false);
  }
  void EnumWordRange(int refIndex, TStatDrawArray& values, int first, int last);

  TDraw Cur{};
  TDraw Ref{};
  TStatDrawRec Val{};

 private:
  const TStatClass& class_;
  const TStatEnv& env_;
  int32_t param_;
};

// One integer value per combination, chartable.
class TCustomGraphStat : public TCustomStat {
 public:
  using TCustomStat::TCustomStat;
  static constexpr bool IsGraph = true;
  std::string ValueCaption(const TStatDrawRec& rec) const override;
  virtual int32_t CombValue(const TComb& comb, int index, int refIndex, bool sorted) = 0;
  virtual int32_t DrawValue(int index, int refIndex, bool sorted);
};

// The value k (0..5) written as k:(5-k).
class TCustomRatioStat : public TCustomGraphStat {
 public:
  using TCustomGraphStat::TCustomGraphStat;
  std::string ValueCaption(const TStatDrawRec& rec) const override;
  int32_t ParseValue(std::string_view text) const override;
};

// Values are lottery numbers.
class TCustomValuesStat : public TCustomStat {
 public:
  using TCustomStat::TCustomStat;
  std::string ValueCaption(const TStatDrawRec& rec) const override;
};

// Values are plain numbers (counts, lengths, differences).
class TCustomNumbersStat : public TCustomStat {
 public:
  using TCustomStat::TCustomStat;
  std::string ValueCaption(const TStatDrawRec& rec) const override;
};

// A 5-bit mask written as five letters, position 1 leftmost (bit 4).
class TCustomMaskStat : public TCustomStat {
 public:
  using TCustomStat::TCustomStat;
  std::string ValueCaption(const TStatDrawRec& rec) const override;
  int32_t ParseValue(std::string_view text) const override;
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  virtual std::string_view ZeroLetter() const = 0;
  virtual std::string_view OneLetter() const = 0;
};

// Mask text: bit 4 leftmost; "%s (%.3d)".
std::string MaskCaption(uint32_t mask, std::string_view zeroLetter, std::string_view oneLetter);
int32_t ParseMask(std::string_view text, std::string_view oneLetter);

// The value of a decimal text, or 0 (blanks around allowed).
int32_t DecimalOrZero(std::string_view text);

// Counts of values over bare combinations: dense counters for keys below DenseLimit (in several
// lanes, so that neighbouring combinations with the same value do not wait on one counter), a
// hash for wider keys, and for every key the position where it was first seen.
class TKeyCounter {
 public:
  static constexpr uint64_t DenseLimit = uint64_t{1} << 20;
  static constexpr unsigned Lanes = 4;
  // First appearances are numbered combination index << OrdinalBits plus the value's ordinal within
  // the combination: room for 256 values per combination (an occupancy list has at most 45).
  static constexpr unsigned OrdinalBits = 8;

  TKeyCounter();
  ~TKeyCounter();
  TKeyCounter(const TKeyCounter&) = delete;
  TKeyCounter& operator=(const TKeyCounter&) = delete;

  // Counts one value. `first` orders the keys by first appearance (see OrdinalBits); `lane` is any
  // of 0..Lanes-1.
  void Add(TStatKey key, unsigned lane, uint64_t first) {
    const uint64_t raw = key.Raw();
    if (raw < DenseLimit) {
      if (dense_[lane][raw]++ == 0) firstSeen_.push_back({raw, first});
    } else {
      AddWide(raw, first, 1);
    }
  }
  // Adds `count` occurrences of a key first seen at `first` (count > 0).
  void AddCounted(TStatKey key, uint32_t count, uint64_t first) {
    const uint64_t raw = key.Raw();
    if (raw < DenseLimit) {
      firstSeen_.push_back({raw, first});
      dense_[0][raw] += count;
    } else {
      AddWide(raw, first, count);
    }
  }
  // Adds the counts of another counter (of any part of the input).
  void Merge(const TKeyCounter& other);
  // The distribution in first-seen order, as AddStatValue without tracking builds it.
  TStatDrawArray Records() const;

 private:
  struct TSeen {
    uint64_t Raw;
    uint64_t First;
  };
  // Every key with its total count and first appearance.
  std::vector<std::pair<TSeen, uint32_t>> Totals() const;
  void AddWide(uint64_t raw, uint64_t first, uint32_t count);
  void Grow();

  uint32_t* dense_[Lanes] = {};     // mapped zero pages, touched only where counted
  std::vector<TSeen> firstSeen_;    // a dense key's first appearance in each lane
  std::vector<uint64_t> wideKeys_;  // open addressing
  std::vector<uint64_t> wideFirst_;
  std::vector<uint32_t> wideCounts_;
  std::vector<uint8_t> wideUsed_;
  size_t wideSize_ = 0;
};

// The sink the fast counting kernel hands to Values.
struct TCountingSink {
  TKeyCounter& Counter;
  unsigned Lane;
  uint64_t Code;
  void operator()(TStatKey key, bool) { Counter.Add(key, Lane, Code++); }
};

// True for the selection and sink types of the fast kernels: a statistic may compute its values
// there with a faster method than its reference test uses (the tests hold the two equal).
template <class T>
inline constexpr bool IsFastPath =
    std::is_same_v<std::remove_cvref_t<T>, TFastSelection> || std::is_same_v<std::remove_cvref_t<T>, TCountingSink>;

// A sink that receives the values of a combination: (key, track).
template <class F>
concept TValueSink = std::invocable<F&, TStatKey, bool>;

// Statistics that compute their values from the five numbers alone provide
//   template <TValueSink Sink> void Values(const TComb& c, Sink&& sink) const;
template <class T>
concept THasCombValues = requires(const T& t, const TComb& c) {
  t.Values(c, [](TStatKey, bool) {});
};

// Statistics whose values need the pass context (option D) may provide
//   template <TValueSink Sink> void FilterValues(const TComb& c, const TMatchContext& ctx, Sink&& sink) const;
// giving the values their filter test looks up (after PrepareMatch).
template <class T>
concept THasFilterValues = requires(const T& t, const TComb& c, const TMatchContext& ctx) {
  t.FilterValues(c, ctx, [](TStatKey, bool) {});
};

// A statistic may also test the combination held as one 64-bit word (see Swar.h):
//   template <class Sel> bool MatchWord(uint64_t word, const Sel& sel, const TMatchContext& ctx) const;
// The fast filter kernel then uses it instead of Match.
template <class T>
concept THasMatchWord = requires(const T& t, uint64_t w, const TFastSelection& sel, const TMatchContext& ctx) {
  { t.MatchWord(w, sel, ctx) } -> std::convertible_to<bool>;
};

// A statistic with exactly one value per combination declares `static constexpr bool SingleValue
// = true`; the fast counting kernel then counts its keys into plain histograms. It may also give
// the raw key from the word directly (else Values is used):
//   uint64_t ValueKey(uint64_t word) const;
template <class T>
concept THasValueKey = requires(const T& t, uint64_t w) {
  { t.ValueKey(w) } -> std::convertible_to<uint64_t>;
};

// Counts single values below 65536 over a span into `counter`: four interleaved histograms, so
// that neighbouring combinations with the same value do not wait on one counter; a value's first
// appearance is noted when its count in a lane becomes 1.
// False, with the counter untouched, when a key of 65536 or more turns up.
template <class ValueOf>
bool CountSingleValues(std::span<const TComb> in, uint64_t firstIndex, TKeyCounter& counter, ValueOf valueOf) {
  constexpr size_t Size = 65536, Lanes = 4;
  // calloc: the system hands out zeroed pages only as they are touched.
  const std::unique_ptr<uint32_t, decltype(&std::free)> histogram(
      static_cast<uint32_t*>(std::calloc(Size * Lanes, sizeof(uint32_t))), &std::free);
  if (!histogram) throw std::bad_alloc();
  uint32_t* hist = histogram.get();
  std::vector<std::pair<uint32_t, uint64_t>> firsts;  // (value, index) per lane
  const auto* src = reinterpret_cast<const unsigned char*>(in.data());
  const size_t count = in.size();
  auto add = [&](size_t i, uint64_t word, size_t lane) {
    const uint64_t v = valueOf(word);
    if (v >= Size) return false;
    if (++hist[lane * Size + v] == 1) firsts.emplace_back(static_cast<uint32_t>(v), i);
    return true;
  };
  size_t i = 0;
  for (; i + Lanes < count; i += Lanes)  // 8-byte reads stay inside: the last combination is not read here
    for (size_t l = 0; l < Lanes; ++l) {
      uint64_t w;
      std::memcpy(&w, src + (i + l) * sizeof(TComb), sizeof w);
      if (!add(i + l, w, l)) return false;
    }
  for (; i < count; ++i) {
    uint64_t w = 0;
    std::memcpy(&w, src + i * sizeof(TComb), sizeof(TComb));
    if (!add(i, w, 0)) return false;
  }
  std::sort(firsts.begin(), firsts.end());
  for (size_t k = 0; k < firsts.size(); ++k) {
    if (k > 0 && firsts[k].first == firsts[k - 1].first) continue;
    const uint32_t v = firsts[k].first;
    const uint32_t total = hist[v] + hist[Size + v] + hist[2 * Size + v] + hist[3 * Size + v];
    counter.AddCounted(TStatKey(v), total, (firstIndex + firsts[k].second) << TKeyCounter::OrdinalBits);
  }
  return true;
}

// A count per key, and the last combination that counted it.
struct TStampedCount {
  uint32_t Stamp = 0;  // 1 + the position of that combination in the span counted
  uint32_t Count = 0;
  void Add(uint32_t stamp) {
    Count += Stamp != stamp;
    Stamp = stamp;
  }
};

// CountShownRowIds looking each key up in the index.
template <class Emit>
void LookUpShownRowIds(std::span<const TComb> in, const TRowKeyIndex& index, uint32_t* counts, Emit showValues) {
  constexpr unsigned MaxHits = 256;  // an occupancy list, the widest view, has 45 values
  int32_t hits[MaxHits];
  for (const TComb& c : in) {
    unsigned n = 0;
    showValues(c, [&](TStatKey key, bool) {
      const int32_t id = index.Find(key.Raw());
      if (id < 0) return;
      for (unsigned k = 0; k < n; ++k)
        if (hits[k] == id) return;
      if (n < MaxHits) hits[n++] = id;
    });
    for (unsigned k = 0; k < n; ++k) ++counts[hits[k]];
  }
}

// Counts, for every combination, the ids of the distinct keys `showValues(comb, sink)` gives that the
// index knows (see TCustomStat::CountShownRows). When every key of the index has a cell, the keys
// are counted in a table of cells instead, then read by the index's keys.
template <class Emit>
void CountShownRowIds(std::span<const TComb> in, const TRowKeyIndex& index, uint32_t* counts, Emit showValues) {
  const size_t limit = index.CellLimit();
  if (limit == 0) return LookUpShownRowIds(in, index, counts, showValues);
  std::vector<TStampedCount> cells(limit);
  for (size_t i = 0; i < in.size(); ++i) {
    const auto stamp = static_cast<uint32_t>(i + 1);
    showValues(in[i], [&](TStatKey key, bool) {
      size_t cell;
      if (TRowKeyIndex::CellOf(key.Raw(), cell) && cell < limit) cells[cell].Add(stamp);
    });
  }
  for (size_t id = 0; id < index.Size(); ++id) {
    size_t cell = 0;
    TRowKeyIndex::CellOf(index.Key(static_cast<int32_t>(id)), cell);
    counts[id] += cells[cell].Count;
  }
}

// A statistic whose values, for combinations of the numbers 1..45, can be numbered densely may
// provide
//   uint64_t CodeSpace() const;  the number of codes
//   template <class F> void ValueCodes(const TComb& c, F&& f) const;
//     for c of numbers 1..45, f(code) for each value the filter pass shows (as CountShownRows
//     counts them), in any order, repeats allowed;
//   bool CodeOfKey(TStatKey key, uint32_t& code) const;
//     the code of a value; false when no combination of numbers 1..45 shows it.
// Its rows are then counted over a list by codes, without looking most values up.
template <class T>
concept THasValueCodes = requires(const T& t, const TComb& c, TStatKey key, uint32_t& code) {
  { t.CodeSpace() } -> std::convertible_to<uint64_t>;
  t.ValueCodes(c, [](uint32_t) {});
  { t.CodeOfKey(key, code) } -> std::convertible_to<bool>;
};

// True when the five numbers lie in 1..45.
inline bool NumbersInRange(const TComb& c) {
  return static_cast<uint8_t>(c[0] - 1) < MaxNumber && static_cast<uint8_t>(c[1] - 1) < MaxNumber &&
         static_cast<uint8_t>(c[2] - 1) < MaxNumber && static_cast<uint8_t>(c[3] - 1) < MaxNumber &&
         static_cast<uint8_t>(c[4] - 1) < MaxNumber;
}

// Code spaces counted in a table of cells (8 bytes a code), and up to which a bit per code tells
// the codes of rows (a bitmap of at most 2 MB).
constexpr uint64_t CellCodes = uint64_t{1} << 18;
constexpr uint64_t BitmapCodes = uint64_t{1} << 24;

// CountShownRowIds by codes (THasValueCodes) for code spaces up to BitmapCodes: combinations of
// numbers 1..45 count their codes, the others go through `showValues`. A small space is counted in a
// table of cells, read by the codes of the index's keys at the end; a larger one tests each code
// against the bitmap of the rows' codes and looks up only those. False, with nothing counted, for
// larger spaces.
template <class Stat, class Emit>
bool CountShownRowCodes(const Stat& stat, std::span<const TComb> in, const TRowKeyIndex& index, uint32_t* counts,
                        Emit showValues) {
  const uint64_t space = stat.CodeSpace();
  if (space == 0 || space > BitmapCodes) return false;
  if (space <= CellCodes) {
    std::vector<TStampedCount> cells(space);
    for (size_t i = 0; i < in.size(); ++i) {
      const TComb& c = in[i];
      if (!NumbersInRange(c)) {
        LookUpShownRowIds(in.subspan(i, 1), index, counts, showValues);
        continue;
      }
      const auto stamp = static_cast<uint32_t>(i + 1);
      stat.ValueCodes(c, [&](uint32_t code) { cells[code].Add(stamp); });
    }
    for (size_t id = 0; id < index.Size(); ++id) {
      uint32_t code;
      if (stat.CodeOfKey(TStatKey(index.Key(static_cast<int32_t>(id))), code) && code < space)
        counts[id] += cells[code].Count;
    }
    return true;
  }
  // The rows' codes: a bitmap, and the id of each code by open addressing.
  std::vector<uint64_t> bits((space + 63) / 64);
  size_t slotCount = 16;
  while (slotCount < index.Size() * 2) slotCount *= 2;
  std::vector<uint32_t> slotCodes(slotCount);
  std::vector<int32_t> slotIds(slotCount, TRowKeyIndex::None);
  const auto slotOf = [&](uint32_t code) { return (code * 0x9E3779B1u) >> 7 & (slotCount - 1); };
  for (size_t id = 0; id < index.Size(); ++id) {
    uint32_t code;
    if (!stat.CodeOfKey(TStatKey(index.Key(static_cast<int32_t>(id))), code) || code >= space) continue;
    bits[code >> 6] |= uint64_t{1} << (code & 63);
    size_t k = slotOf(code);
    while (slotIds[k] != TRowKeyIndex::None) k = (k + 1) & (slotCount - 1);
    slotCodes[k] = code;
    slotIds[k] = static_cast<int32_t>(id);
  }
  constexpr unsigned MaxHits = 256;
  int32_t hits[MaxHits];
  for (size_t i = 0; i < in.size(); ++i) {
    const TComb& c = in[i];
    if (!NumbersInRange(c)) {
      LookUpShownRowIds(in.subspan(i, 1), index, counts, showValues);
      continue;
    }
    unsigned n = 0;
    stat.ValueCodes(c, [&](uint32_t code) {
      if (((bits[code >> 6] >> (code & 63)) & 1) == 0) return;
      size_t k = slotOf(code);
      while (slotCodes[k] != code) k = (k + 1) & (slotCount - 1);  // the code is a row's: it is there
      const int32_t id = slotIds[k];
      for (unsigned h = 0; h < n; ++h)
        if (hits[h] == id) return;
      if (n < MaxHits) hits[n++] = id;
    });
    for (unsigned h = 0; h < n; ++h) ++counts[hits[h]];
  }
  return true;
}

template <class T>
concept THasPrepareMatch = requires(T& t, const TMatchContext& ctx) {
  t.PrepareMatch(ctx);
};

// A statistic whose keep by one row is decided by one key a combination shows, though not by the
// row's own value (a row matches by its unit, whatever run it shows), provides
//   template <TValueSink Sink> void MatchKeys(const TComb& c, const TMatchContext& ctx, Sink&& sink) const;
//     the keys the filter test looks the combination up by (repeats allowed);
//   bool RowMatchKey(const TStatDrawRec& row, const TMatchContext& ctx, TStatKey& key) const;
//     the key a combination must show to be kept by the row alone; false when none is kept.
// The rows of a table are then counted over a list in one pass as well.
template <class T>
concept THasMatchKeys = requires(const T& t, const TComb& c, const TMatchContext& ctx, const TStatDrawRec& row,
                                 TStatKey& key) {
  t.MatchKeys(c, ctx, [](TStatKey, bool) {});
  { t.RowMatchKey(row, ctx, key) } -> std::convertible_to<bool>;
};

// A statistic whose values are byte functions of the five numbers (1..45) may also give them as a
// column program (ColumnProgram.h), which the vector kernels run 64 combinations at a time:
//   bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const;
//     builds the program of a filter pass (after PrepareMatch) or, with ctx null, of bare
//     combinations; false when there is none for this case;
//   template <class Sel> bool ColumnMatch(int output, uint8_t value, const Sel& sel) const;
//     whether the filter test holds for a combination whose output `output` has `value` (the test
//     holds when it does for some output; or ColumnSets below);
//   TStatKey ColumnKey(uint8_t value) const;  (for counting)
//     the key a value stands for. Counting takes the outputs in order as the values Values emits,
//     in the same order; an output holding the program's SkipValue emits nothing.
template <class T>
concept THasColumns = requires(const T& t, TColumnProgram& prog, const TMatchContext* ctx) {
  { t.Columns(prog, ctx) } -> std::convertible_to<bool>;
};
// A statistic may fill the outputs' 256-bit sets itself instead of being asked value by value
// (for example from the selected records, when an inexact program hashes wide keys into a byte):
//   void ColumnSets(uint64_t (*sets)[4], const TFastSelection& sel) const;
template <class T>
concept THasColumnSets = requires(const T& t, uint64_t (*sets)[4], const TFastSelection& sel) {
  t.ColumnSets(sets, sel);
};
template <class T>
concept THasColumnKey = requires(const T& t) {
  { t.ColumnKey(uint8_t{0}) } -> std::convertible_to<TStatKey>;
};

// The fast kernels of a concrete (final) statistic, written once. Derived provides
//   template <class Sel> bool Match(const TComb& c, const Sel& sel, const TMatchContext& ctx) const;
// and, when its values depend on the combination alone, Values (above); optionally
//   void PrepareMatch(const TMatchContext& ctx);  // state the test keeps for a pass
template <class Derived, class Base>
class TStatImpl : public Base {
 public:
  using Base::Base;

  bool CombMatches(const TComb& comb, const TStatDrawArray& selected, int refIndex, bool sorted, bool remove) override {
    const TMatchContext ctx{refIndex, sorted, remove};
    if constexpr (THasPrepareMatch<Derived>) Self().PrepareMatch(ctx);
    return Self().Match(comb, TLinearSelection(selected), ctx);
  }

  void PrepareFilter(const TMatchContext& ctx) override {
    TCustomStat::PrepareFilter(ctx);
    if constexpr (THasPrepareMatch<Derived>) Self().PrepareMatch(ctx);
    if constexpr (THasColumns<Derived>) {
      columns_.reset();
      if (ColumnKernelSupported()) {
        auto prog = std::make_unique<TColumnProgram>();
        if (Self().Columns(*prog, &ctx) && prog->Valid && prog->OutputCount > 0) columns_ = std::move(prog);
      }
    }
  }

  size_t FilterSpan(std::span<const TComb> in, TComb* out, const TFastSelection& sel,
                    const TMatchContext& ctx) const override {
    if constexpr (THasColumns<Derived>) {
      if (columns_ && in.size() >= ColumnBlock) return ColumnFilterSpan(in, out, sel, ctx);
    }
    return ScalarFilterSpan(in, out, sel, ctx);
  }

  bool FilterMasks(std::span<const TComb> in, const TFastSelection& sel, const TMatchContext& ctx,
                   uint64_t* masks) const override {
    if constexpr (THasColumns<Derived>) {
      if (!columns_) return false;
      uint64_t sets[TColumnProgram::MaxOutputs][4] = {};
      FillColumnSets(sets, sel);
      const TColumnContext context{this, &sel, &ctx};
      ColumnMasks(KernelView(*columns_), sets, reinterpret_cast<const uint8_t*>(in.data()), in.size(), ctx.Remove,
                  ScalarTestsFor(context), masks);
      return true;
    } else {
      return false;
    }
  }

  size_t ScalarFilterSpan(std::span<const TComb> in, TComb* out, const TFastSelection& sel,
                          const TMatchContext& ctx) const {
    const Derived& self = static_cast<const Derived&>(*this);
    const bool remove = ctx.Remove;
    const size_t count = in.size();
    const auto* src = reinterpret_cast<const unsigned char*>(in.data());
    auto* dst = reinterpret_cast<unsigned char*>(out);
    auto load = [&](size_t i) {
      uint64_t word;
      std::memcpy(&word, src + i * sizeof(TComb), sizeof word);
      return word;
    };
    size_t n = 0, i = 0;
    // Every combination but the last is read and written as one 8-byte word; the output count
    // advances by the test result, without a branch. The 3 bytes past a combination belong to the
    // next input one: in place they are rewritten unchanged or were already read, and the next
    // kept combination overwrites them. The last one is copied byte-exact, so nothing is written
    // past the span's own output.
    for (; i + 1 < count; ++i) {
      const uint64_t word = load(i);
      bool match;
      if constexpr (THasMatchWord<Derived>) {
        match = self.MatchWord(word, sel, ctx);
      } else {
        TComb comb;
        std::memcpy(comb.data(), &word, sizeof comb);
        match = self.Match(comb, sel, ctx);
      }
      std::memcpy(dst + n * sizeof(TComb), &word, sizeof word);
      n += match != remove;
    }
    for (; i < count; ++i) {
      const TComb comb = in[i];
      std::memcpy(dst + n * sizeof(TComb), comb.data(), sizeof comb);
      n += self.Match(comb, sel, ctx) != remove;
    }
    return n;
  }

  void CombValues(const TComb& comb, TStatDrawArray& values) override {
    TCustomStat::CombValues(comb, values);
    if constexpr (THasCombValues<Derived>) {
      Self().Values(comb, [&](TStatKey key, bool) {
        this->Val.Key = key;
        AddStatValue(values, this->Val, false);
      });
    }
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    if constexpr (THasCombValues<Derived>) {
      Self().Values(this->Cur.Nums, [&](TStatKey key, bool track) {
        this->Val.Key = key;
        AddStatValue(values, this->Val, track);
      });
    }
  }

  bool FilterViewValues(const TComb& comb, int refIndex, bool sorted, TStatDrawArray& values) override {
    if constexpr (THasCombValues<Derived>) {
      CombValues(comb, values);
      return true;
    } else if constexpr (THasFilterValues<Derived>) {
      const TMatchContext ctx{refIndex, sorted, false};
      PrepareFilter(ctx);
      TCustomStat::CombValues(comb, values);
      Self().FilterValues(comb, ctx, [&](TStatKey key, bool) {
        this->Val.Key = key;
        AddStatValue(values, this->Val, false);
      });
      return true;
    } else {
      return TCustomStat::FilterViewValues(comb, refIndex, sorted, values);
    }
  }

  bool CountShownRows(std::span<const TComb> in, const TMatchContext& ctx, const TRowKeyIndex& index,
                      uint32_t* counts) const override {
    const Derived& self = static_cast<const Derived&>(*this);
    if constexpr (THasMatchKeys<Derived>) {
      CountShownRowIds(in, index, counts, [&](const TComb& c, auto&& sink) { self.MatchKeys(c, ctx, sink); });
      return true;
    } else if constexpr (!Derived::KeepsShownValue) {
      return false;
    } else if constexpr (THasFilterValues<Derived>) {
      const auto showValues = [&](const TComb& c, auto&& sink) { self.FilterValues(c, ctx, sink); };
      if constexpr (THasValueCodes<Derived>) {
        if (CountShownRowCodes(self, in, index, counts, showValues)) return true;
      }
      CountShownRowIds(in, index, counts, showValues);
      return true;
    } else if constexpr (THasCombValues<Derived>) {
      CountShownRowIds(in, index, counts, [&](const TComb& c, auto&& sink) { self.Values(c, sink); });
      return true;
    } else {
      return false;
    }
  }

  bool RowCountKey(const TStatDrawRec& row, const TMatchContext& ctx, TStatKey& key) const override {
    if constexpr (THasMatchKeys<Derived>) return static_cast<const Derived&>(*this).RowMatchKey(row, ctx, key);
    else return Base::RowCountKey(row, ctx, key);
  }

  bool CountsKeepsByValue() const override {
    return (Derived::SingleValue || Derived::DistinctValues) && Derived::KeepsShownValue &&
           (Derived::Options & OptN) != 0 && !THasFilterValues<Derived> && !THasMatchKeys<Derived>;
  }

  void CountSpan(std::span<const TComb> in, uint64_t firstIndex, TKeyCounter& counter) const override {
    if constexpr (THasColumns<Derived> && THasColumnKey<Derived>) {
      if (ColumnKernelSupported() && in.size() >= ColumnBlock) {
        TColumnProgram prog;
        if (static_cast<const Derived&>(*this).Columns(prog, nullptr) && prog.Valid && prog.OutputCount > 0)
          return ColumnCountSpan(prog, in, firstIndex, counter);
      }
    }
    if constexpr (Derived::SingleValue) {
      const Derived& self = static_cast<const Derived&>(*this);
      const bool counted = CountSingleValues(in, firstIndex, counter, [&](uint64_t w) -> uint64_t {
        if constexpr (THasValueKey<Derived>) {
          return self.ValueKey(w);
        } else {
          TComb c;
          std::memcpy(c.data(), &w, sizeof c);
          uint64_t key = 0;
          self.Values(c, [&](TStatKey k, bool) { key = k.Raw(); });
          return key;
        }
      });
      if (counted) return;
    }
    if constexpr (THasCombValues<Derived>) {
      const Derived& self = static_cast<const Derived&>(*this);
      for (size_t i = 0; i < in.size(); ++i)
        self.Values(in[i], TCountingSink{counter, static_cast<unsigned>(i % TKeyCounter::Lanes),
                                         (firstIndex + i) << TKeyCounter::OrdinalBits});
    }
  }

 protected:
  Derived& Self() { return static_cast<Derived&>(*this); }

 private:
  struct TColumnContext {
    const TStatImpl* Stat;
    const TFastSelection* Sel;
    const TMatchContext* Ctx;
  };

  static TScalarTests ScalarTestsFor(const TColumnContext& context) {
    TScalarTests scalar;
    scalar.Context = &context;
    scalar.Filter = [](const void* c, const uint8_t* from, size_t count, uint8_t* to) -> size_t {
      const auto& f = *static_cast<const TColumnContext*>(c);
      return f.Stat->ScalarFilterSpan({reinterpret_cast<const TComb*>(from), count}, reinterpret_cast<TComb*>(to),
                                      *f.Sel, *f.Ctx);
    };
    scalar.Matches = [](const void* c, const uint8_t* bytes) -> bool {
      const auto& f = *static_cast<const TColumnContext*>(c);
      TComb comb;
      std::memcpy(comb.data(), bytes, sizeof comb);
      return static_cast<const Derived&>(*f.Stat).Match(comb, *f.Sel, *f.Ctx);
    };
    return scalar;
  }

  void FillColumnSets(uint64_t (*sets)[4], const TFastSelection& sel) const {
    const Derived& self = static_cast<const Derived&>(*this);
    if constexpr (THasColumnSets<Derived>) {
      self.ColumnSets(sets, sel);
    } else {
      for (int o = 0; o < columns_->OutputCount; ++o)
        for (int v = 0; v < 256; ++v)
          if (self.ColumnMatch(o, static_cast<uint8_t>(v), sel)) sets[o][v >> 6] |= uint64_t{1} << (v & 63);
    }
  }

  size_t ColumnFilterSpan(std::span<const TComb> in, TComb* out, const TFastSelection& sel,
                          const TMatchContext& ctx) const {
    uint64_t sets[TColumnProgram::MaxOutputs][4] = {};
    FillColumnSets(sets, sel);
    const TColumnContext context{this, &sel, &ctx};
    return ColumnFilter(KernelView(*columns_), sets, reinterpret_cast<const uint8_t*>(in.data()), in.size(),
                        reinterpret_cast<uint8_t*>(out), ctx.Remove, ScalarTestsFor(context));
  }

  // The vector kernel counts the byte values a chunk at a time; blocks it cannot take (numbers
  // outside 1..45) and the last combinations go through Values.
  void ColumnCountSpan(const TColumnProgram& prog, std::span<const TComb> in, uint64_t firstIndex,
                       TKeyCounter& counter) const {
    const Derived& self = static_cast<const Derived&>(*this);
    constexpr size_t ChunkBlocks = 256;
    std::array<uint32_t, 256> counts{};
    std::array<uint64_t, 256> first{};
    std::array<uint32_t, 256> firstAt{};
    std::array<uint8_t, ChunkBlocks> valid{};
    uint64_t seen[4] = {};
    const TColumnKernelProgram view = KernelView(prog);
    const size_t blocks = in.size() / ColumnBlock;
    auto scalar = [&](size_t from, size_t to) {
      for (size_t i = from; i < to; ++i)
        self.Values(in[i], TCountingSink{counter, static_cast<unsigned>(i % TKeyCounter::Lanes),
                                         (firstIndex + i) << TKeyCounter::OrdinalBits});
    };
    for (size_t b0 = 0; b0 < blocks; b0 += ChunkBlocks) {
      const size_t nb = std::min(ChunkBlocks, blocks - b0);
      uint64_t before[4];
      std::copy(seen, seen + 4, before);
      ColumnCount(view, reinterpret_cast<const uint8_t*>(in.data() + b0 * ColumnBlock), nb, counts.data(), valid.data(),
                  seen, firstAt.data());
      for (int v = 0; v < 256; ++v)
        if ((seen[v >> 6] & ~before[v >> 6]) >> (v & 63) & 1)
          first[v] = ((firstIndex + b0 * ColumnBlock) << TKeyCounter::OrdinalBits) + firstAt[v];
      for (size_t b = 0; b < nb; ++b)
        if (!valid[b]) scalar((b0 + b) * ColumnBlock, (b0 + b + 1) * ColumnBlock);
    }
    scalar(blocks * ColumnBlock, in.size());
    for (int v = 0; v < 256; ++v)
      if (counts[v] > 0 && v != prog.SkipValue)
        counter.AddCounted(self.ColumnKey(static_cast<uint8_t>(v)), counts[v], first[v]);
  }

  std::unique_ptr<TColumnProgram> columns_;  // of the current filter pass, when the vector kernel runs it
};

// The descriptor of a concrete statistic class T, from T's static members: ClassName, Code,
// Caption, Group, Options and the defaults of TCustomStat (HelpCode, IsGraph, IsNumeric,
// IsEnabled, HasParam, IsAvailable, GetParamRange); T may also define static CaptionFor(param).
template <class T>
class TStatClassOf final : public TStatClass {
 public:
  std::string_view ClassName() const override { return T::ClassName; }
  std::string_view GetCode() const override { return T::Code; }
  std::string_view GetCaption() const override { return T::Caption; }
  std::string_view GetHelpCode() const override { return T::HelpCode.empty() ? T::Code : T::HelpCode; }
  int GetGroup() const override { return T::Group; }
  uint8_t GetOptions() const override { return T::Options; }
  std::string CaptionFor(int32_t param) const override {
    if constexpr (requires { T::CaptionFor(param); }) return T::CaptionFor(param);
    else return TStatClass::CaptionFor(param);
  }
  bool IsAvailable(const TStatEnv& env) const override { return T::IsAvailable(env); }
  bool IsEnabled() const override { return T::IsEnabled; }
  bool IsGraph() const override { return T::IsGraph; }
  bool IsNumeric() const override { return T::IsNumeric; }
  bool HasParam() const override { return T::HasParam; }
  std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) const override { return T::GetParamRange(env); }
  std::unique_ptr<TCustomStat> Create(const TStatEnv& env, int32_t param) const override {
    return std::make_unique<T>(*this, env, param);
  }

  static const TStatClass& Instance() {
    static const TStatClassOf instance;
    return instance;
  }
};

template <class T>
const TStatClass& StatClassOf() {
  return TStatClassOf<T>::Instance();
}

// A statistic class at its position (1..143) in the class list.
struct TStatListEntry {
  int No;
  const TStatClass* Class;
};

}  // namespace kivra
