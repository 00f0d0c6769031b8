// Serial statistics (group 8) and period statistics (group 9), and the units they share with the
// chain statistics: a number is counted as itself, as its channel or as its segment.
//
// Serial: for each unit of the newest draw of the window, how long it kept appearing ("...V") or
// kept missing ("...P") in consecutive draws; the runs are kept in the Work block of the pass.
// Period: for each unit, the distance in draw numbers between its successive draws.
//
// A draw outside the archive holds no numbers and so no units (ReadDraw's zero draw would
// otherwise show the unit of the byte 0, which a segment map may use).
#pragma once

#include <array>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include "stats/SF_Chns.h"
#include "stats/SF_Segm.h"

namespace kivra {

// Class-list entries of both families.
std::span<const TStatListEntry> SerialStatClasses();

// Code, caption, class name and help code of one class.
struct TFamilyNames {
  std::string_view ClassName;
  std::string_view Code;
  std::string_view Caption;
  std::string_view HelpCode = {};
};

// True when index is a draw of the statistic's archive.
inline bool DrawInArchive(const TCustomStat& stat, int index) {
  return stat.Env().Draws != nullptr && index >= 0 && index <= stat.DrawsHigh();
}

// The index of the newest draw of the statistic's archive; -1 when there is none.
inline int LastDrawIndex(const TCustomStat& stat) { return stat.Env().Draws != nullptr ? stat.DrawsHigh() : -1; }

// A set of units 0..255.
class TUnitSet {
 public:
  void Add(unsigned u) { bits_[(u >> 6) & 3] |= uint64_t{1} << (u & 63); }
  bool Has(unsigned u) const { return u < 256 && ((bits_[u >> 6] >> (u & 63)) & 1); }
  static TUnitSet Of(const TComb& c, const TGroupTable& table) {
    TUnitSet s;
    for (uint8_t n : c) s.Add(table[n]);
    return s;
  }

 private:
  std::array<uint64_t, 4> bits_{};
};

// Column program of the members whose test looks at each number of a combination on its own: the
// five numbers are the outputs, and the test of a number is worked out once per pass for every
// byte. No program for bare combinations.
inline bool NumberColumns(TColumnProgram& prog, const TMatchContext* ctx) {
  if (ctx == nullptr) return false;
  for (int k = 0; k < CombSize; ++k) prog.Output(k);
  return true;
}

// --- Units ---
// Each base gives UnitTable() (the unit of every byte 0..255), FirstUnit() .. LastUnit() (the
// units 1..45 reach) and UnitCaption(unit).

// The number itself.
template <class Base>
class TNumberUnitsBase : public Base {
 public:
  TNumberUnitsBase(const TStatClass& cls, const TStatEnv& env, int32_t param) : Base(cls, env, param) {
    for (int n = 0; n < 256; ++n) table_[n] = static_cast<uint8_t>(n);
  }
  const TGroupTable& UnitTable() const { return table_; }
  int32_t FirstUnit() const { return 1; }
  int32_t LastUnit() const { return MaxNumber; }
  static std::string UnitCaption(uint16_t u) { return std::to_string(u); }

 private:
  TGroupTable table_;
};

// The channel of the configured size; channels are written with two digits.
template <class Base>
class TChannelUnitsBase : public TChannelsStatBase<Base> {
 public:
  using TChannelsStatBase<Base>::TChannelsStatBase;
  const TGroupTable& UnitTable() const { return this->ChannelTable(); }
  int32_t FirstUnit() const { return 1; }
  int32_t LastUnit() const { return ChannelCountFor(this->ChannelSize()); }
  static std::string UnitCaption(uint16_t u) { return fmt::format("{:02}", u); }
};

// The segment of the configured map, from the smallest to the largest segment number in it.
template <class Base>
class TSegmentUnitsBase : public TSegmentsStatBase<Base> {
 public:
  TSegmentUnitsBase(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : TSegmentsStatBase<Base>(cls, env, param), range_(TstSgmValCnt::GetParamRange(env)) {}
  const TGroupTable& UnitTable() const { return this->SegmentTable(); }
  int32_t FirstUnit() const { return range_.first; }
  int32_t LastUnit() const { return range_.second; }
  static std::string UnitCaption(uint16_t u) { return std::to_string(u); }

 private:
  std::pair<int32_t, int32_t> range_;
};

// The unit of each number of a combination as a key (the match keys of the members that select by
// a unit).
template <class Sink>
void CombUnitKeys(const TComb& c, const TGroupTable& t, Sink&& sink) {
  for (uint8_t n : c) sink(TStatKey::Words(t[n]), true);
}

// True when the draw at index (in the archive) holds a number of unit u.
template <class Stat>
bool UnitInDraw(const Stat& stat, int index, unsigned u) {
  if (!DrawInArchive(stat, index)) return false;
  const TGroupTable& t = stat.UnitTable();
  for (uint8_t n : stat.Draws()[static_cast<size_t>(index)].Nums)
    if (t[n] == u) return true;
  return false;
}

// The units of the draw at index; none outside the archive.
template <class Stat>
TUnitSet DrawUnits(const Stat& stat, int index) {
  if (!DrawInArchive(stat, index)) return {};
  return TUnitSet::Of(stat.Draws()[static_cast<size_t>(index)].Nums, stat.UnitTable());
}

struct TNumberUnits {
  template <class B>
  using Base = TNumberUnitsBase<B>;
  static constexpr TFamilyNames Serial[2] = {
      {"TstNumPauses", "GRPP", "Интервалы между повторениями чисел"},
      {"TstNumGroups", "GRPV", "Повторы чисел в нескольких тиражах подряд"},
  };
  static constexpr TFamilyNames Period = {"TstNumPeriods", "PRDV", "Периоды повторения чисел"};
};

struct TChannelUnits {
  template <class B>
  using Base = TChannelUnitsBase<B>;
  static constexpr TFamilyNames Serial[2] = {
      {"TstChnPauses", "GRCP", "Интервалы между повторениями каналов"},
      {"TstChnGroups", "GRCV", "Повторы каналов в нескольких тиражах подряд"},
  };
  static constexpr TFamilyNames Period = {"TstChnPeriods", "PRDC", "Периоды повторения каналов"};
};

struct TSegmentUnits {
  template <class B>
  using Base = TSegmentUnitsBase<B>;
  static constexpr TFamilyNames Serial[2] = {
      {"TstSgmPauses", "GRSP", "Интервалы между повторениями сегментов"},
      {"TstSgmGroups", "GRSV", "Повторы сегментов в нескольких тиражах подряд"},
  };
  static constexpr TFamilyNames Period = {"TstSgmPeriods", "PRDG", "Периоды повторения сегментов"};
};

// "unit x K2": 12 x 3, 04 x 7.
template <class Stat>
std::string UnitTimesCaption(const TStatDrawRec& rec) {
  return Stat::UnitCaption(rec.Key.K1()) + " x " + std::to_string(rec.Key.K2());
}

// --- Serial statistics ---

// One 12-byte Work entry per unit: the length of the current run, the draw number and the depth
// of its last draw.
struct TRunEntry {
  int32_t RunCount = 0;
  int32_t RunEndDraw = 0;
  int32_t RunDepth = 0;

  static constexpr size_t Size = 12;
  static constexpr int Capacity = static_cast<int>(std::tuple_size_v<TStatWork> / Size);  // 45 entries

  static TRunEntry Read(const TStatWork& work, int entry) {
    TRunEntry e;
    const uint8_t* p = work.data() + static_cast<size_t>(entry) * Size;
    e.RunCount = ReadLE32(p);
    e.RunEndDraw = ReadLE32(p + 4);
    e.RunDepth = ReadLE32(p + 8);
    return e;
  }
  void Write(TStatWork& work, int entry) const {
    uint8_t* p = work.data() + static_cast<size_t>(entry) * Size;
    WriteLE32(p, RunCount);
    WriteLE32(p + 4, RunEndDraw);
    WriteLE32(p + 8, RunDepth);
  }

 private:
  static int32_t ReadLE32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
  }
  static void WriteLE32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
  }
};

// Runs of presence (Presence true) or absence of each unit. Only units of the newest draw get
// values: every finished run, and for presence the run still open at the newest draw; K1 = unit,
// K2 = run length, LastDraw and Depth those of the run's last draw. The filter keeps the
// combinations with a number of a selected unit (the run length does not take part).
template <class Units, bool Presence>
class TstSerial final : public TStatImpl<TstSerial<Units, Presence>, typename Units::template Base<TCustomStat>> {
  using Impl = TStatImpl<TstSerial<Units, Presence>, typename Units::template Base<TCustomStat>>;
  static constexpr TFamilyNames Names = Units::Serial[Presence ? 1 : 0];

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr int Group = 8;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  // A row matches by its unit alone, whatever run length it shows.
  static constexpr bool KeepsShownValue = false;
  using Impl::Impl;

  // The units of the numbers; a row is looked up by its unit.
  template <TValueSink Sink>
  void MatchKeys(const TComb& c, const TMatchContext&, Sink&& sink) const {
    CombUnitKeys(c, this->UnitTable(), sink);
  }
  bool RowMatchKey(const TStatDrawRec& row, const TMatchContext&, TStatKey& key) const {
    key = TStatKey::Words(row.Key.K1());
    return true;
  }

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TGroupTable& t = this->UnitTable();
    return sel.Word(1, t[c[0]]) || sel.Word(1, t[c[1]]) || sel.Word(1, t[c[2]]) || sel.Word(1, t[c[3]]) ||
           sel.Word(1, t[c[4]]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t n, const Sel& sel) const {
    return sel.Word(1, this->UnitTable()[n]);
  }

  // The units the test looks up, each once in ascending order, with the run the combination would
  // make as the draw after RefIndex: for presence the run of draws holding the unit up to RefIndex
  // plus this one, for absence the run of draws without it that this one ends (0 when none).
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext& ctx, Sink&& sink) const {
    const TUnitSet units = TUnitSet::Of(c, this->UnitTable());
    for (unsigned u = 0; u < 256; ++u) {
      if (!units.Has(u)) continue;
      int run = 0;
      for (int i = ctx.RefIndex; DrawInArchive(*this, i) && UnitInDraw(*this, i, u) == Presence; --i) ++run;
      sink(TStatKey::Words(static_cast<uint16_t>(u), static_cast<uint16_t>(Presence ? run + 1 : run)), true);
    }
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    if (!DrawInArchive(*this, index)) return;
    const TUnitSet cur = DrawUnits(*this, index);
    const TUnitSet ref = DrawUnits(*this, refIndex);
    const auto add = [&](int32_t u, const TRunEntry& run) {
      this->Val.Key = TStatKey::Words(static_cast<uint16_t>(u), static_cast<uint16_t>(run.RunCount));
      this->Val.LastDraw = run.RunEndDraw;
      this->Val.PrevDraw = run.RunEndDraw;
      this->Val.Depth = run.RunDepth;
      AddStatValue(values, this->Val, true);
    };
    // Entry u - FirstUnit for unit u; units past the 45 entries of the block (only a map with
    // segment numbers far apart has them) are not followed.
    const int32_t last = std::min(this->LastUnit(), this->FirstUnit() + TRunEntry::Capacity - 1);
    for (int32_t u = this->FirstUnit(); u <= last; ++u) {
      const int entry = u - this->FirstUnit();
      TRunEntry run = TRunEntry::Read(work, entry);
      const bool inRef = u >= 0 && ref.Has(static_cast<unsigned>(u));
      if ((u >= 0 && cur.Has(static_cast<unsigned>(u))) == Presence) {
        ++run.RunCount;
        run.RunEndDraw = this->Cur.Number;
        run.RunDepth = refIndex - index + 1;
        if (index == refIndex && inRef) add(u, run);
      } else {
        if (run.RunCount > 0 && inRef) add(u, run);
        run = TRunEntry{};
      }
      run.Write(work, entry);
    }
  }

  std::string ValueCaption(const TStatDrawRec& rec) const override { return UnitTimesCaption<TstSerial>(rec); }
};

using TstNumGroups = TstSerial<TNumberUnits, true>;
using TstNumPauses = TstSerial<TNumberUnits, false>;
using TstChnGroups = TstSerial<TChannelUnits, true>;
using TstChnPauses = TstSerial<TChannelUnits, false>;
using TstSgmGroups = TstSerial<TSegmentUnits, true>;
using TstSgmPauses = TstSerial<TSegmentUnits, false>;

// --- Period statistics ---

// For each unit of each draw, the distance in draw numbers to the previous draw of the pass that
// held it (K1 = unit, K2 = distance). The filter, for a number of unit u and a selected (u, g),
// looks at the draw g positions before the one the combination stands for (the draw at
// RefIndex - g + 1): keeping, it matches when u is there; removing, when u is not there.
template <class Units>
class TstPeriods final : public TStatImpl<TstPeriods<Units>, typename Units::template Base<TCustomStat>> {
  using Impl = TStatImpl<TstPeriods<Units>, typename Units::template Base<TCustomStat>>;

 public:
  static constexpr std::string_view ClassName = Units::Period.ClassName;
  static constexpr std::string_view Code = Units::Period.Code;
  static constexpr std::string_view Caption = Units::Period.Caption;
  static constexpr int Group = 9;
  static constexpr uint8_t Options = OptP;
  static constexpr bool IsNumeric = false;
  // A row matches by the draw its period points at, not by the period a combination would show.
  static constexpr bool KeepsShownValue = false;
  using Impl::Impl;

  // The units of the numbers; a row (u, g) keeps the combinations with unit u when u is in the
  // draw it points at, none otherwise.
  template <TValueSink Sink>
  void MatchKeys(const TComb& c, const TMatchContext&, Sink&& sink) const {
    CombUnitKeys(c, this->UnitTable(), sink);
  }
  bool RowMatchKey(const TStatDrawRec& row, const TMatchContext& ctx, TStatKey& key) const {
    const uint16_t u = row.Key.K1();
    key = TStatKey::Words(u);
    return UnitInDraw(*this, ctx.RefIndex - row.Key.K2() + 1, u);
  }

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext& ctx) const {
    for (uint8_t n : c)
      if (NumberMatches(n, sel, ctx.RefIndex, ctx.Remove)) return true;
    return false;
  }
  // The test depends on each number alone; ColumnMatch has no context, so the pass's is kept.
  void PrepareMatch(const TMatchContext& ctx) { pass_ = ctx; }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t n, const Sel& sel) const {
    return NumberMatches(n, sel, pass_.RefIndex, pass_.Remove);
  }

  // The units the test looks up, each once in position order, with the period the combination
  // would measure as the draw after RefIndex, in archive positions as the test counts them (no
  // value for a unit that no draw up to RefIndex holds).
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext& ctx, Sink&& sink) const {
    const TGroupTable& t = this->UnitTable();
    TUnitSet done;
    for (uint8_t n : c) {
      const uint8_t u = t[n];
      if (done.Has(u)) continue;
      done.Add(u);
      for (int i = std::min(ctx.RefIndex, LastDrawIndex(*this)); i >= 0; --i)
        if (UnitInDraw(*this, i, u)) {
          sink(TStatKey::Words(u, static_cast<uint16_t>(ctx.RefIndex - i + 1)), true);
          break;
        }
    }
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    if (!DrawInArchive(*this, index)) return;
    const TGroupTable& t = this->UnitTable();
    for (uint8_t n : this->Cur.Nums) {
      const uint8_t u = t[n];
      const TLastSeenRec seen{this->Cur.Number, 0, TStatKey::Words(u)};
      const int32_t g = NoteLastSeen(seen, lastSeen);
      if (g <= 0) continue;  // first sight in the pass, or the unit again in the same draw
      this->Val.Key = TStatKey::Words(u, static_cast<uint16_t>(g));
      AddStatValue(values, this->Val, true);
    }
  }

  std::string ValueCaption(const TStatDrawRec& rec) const override { return UnitTimesCaption<TstPeriods>(rec); }

 private:
  template <class Sel>
  bool NumberMatches(uint8_t n, const Sel& sel, int refIndex, bool remove) const {
    const uint8_t u = this->UnitTable()[n];
    if (!sel.Word(1, u)) return false;  // no selected value of this unit
    for (const TStatDrawRec& rec : sel.Records()) {
      if (rec.Key.K1() != u) continue;
      const bool there = UnitInDraw(*this, refIndex - rec.Key.K2() + 1, u);
      if (there != remove) return true;
    }
    return false;
  }

  TMatchContext pass_{};
};

using TstNumPeriods = TstPeriods<TNumberUnits>;
using TstChnPeriods = TstPeriods<TChannelUnits>;
using TstSgmPeriods = TstPeriods<TSegmentUnits>;

}  // namespace kivra
