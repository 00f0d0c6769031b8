// Segment statistics (group 5): the numbers seen through the configured segment map, a free
// assignment of a segment number to each of the numbers 1..45 (segments need not be contiguous nor
// all used); the segment of each number, how many numbers each segment holds, how many segments
// are occupied, the numbers in one segment, and tuples of segments over sets of positions.
//
// A statistic keeps the map it was created with. Bytes outside 1..45 have no entry in the map; they
// are taken as segment 0.
#pragma once

#include "stats/GroupTuples.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> SegmentStatClasses();

// The segment map copied from the configuration at creation, as the segment of every byte.
template <class Base>
class TSegmentsStatBase : public Base {
 public:
  TSegmentsStatBase(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : Base(cls, env, param), map_(env.Config.Segments) {
    table_.fill(0);
    for (int n = 1; n <= MaxNumber; ++n) table_[n] = map_[n - 1];
  }

  const std::array<uint8_t, MaxNumber>& SegmentMap() const { return map_; }
  const TGroupTable& SegmentTable() const { return table_; }

 private:
  std::array<uint8_t, MaxNumber> map_;
  TGroupTable table_;
};

using TCustomSegmentsStat = TSegmentsStatBase<TCustomNumbersStat>;
using TCustomSegmentsGraphStat = TSegmentsStatBase<TCustomGraphStat>;

// The segment of each of the five numbers, in position order.
class TstSegments final : public TStatImpl<TstSegments, TCustomSegmentsStat> {
 public:
  static constexpr std::string_view ClassName = "TstSegments";
  static constexpr std::string_view Code = "SGMS";
  static constexpr std::string_view Caption = "Сегменты матрицы";
  static constexpr int Group = 5;
  static constexpr uint8_t Options = OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const TGroupTable& t = SegmentTable();
    for (uint8_t n : c) sink(TStatKey::Words(t[n]), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TGroupTable& t = SegmentTable();
    return sel.Word(1, t[c[0]]) || sel.Word(1, t[c[1]]) || sel.Word(1, t[c[2]]) || sel.Word(1, t[c[3]]) ||
           sel.Word(1, t[c[4]]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    for (int g : TGroupColumns(prog, SegmentTable()).G) prog.Output(g);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const { return sel.Word(1, v); }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  // Each segment the map uses, in the order the numbers 1..45 first reach it.
  void EnumValues(int refIndex, TStatDrawArray& values) override;
};

// One value per segment the map uses, (segment, how many of the five numbers it holds), zero
// counts included, in the order the numbers 1..45 first reach the segments.
class TstSegmValues final : public TStatImpl<TstSegmValues, TCustomSegmentsStat> {
 public:
  static constexpr std::string_view ClassName = "TstSegmValues";
  static constexpr std::string_view Code = "SGMV";
  static constexpr std::string_view Caption = "Количество чисел в сегменте матрицы";
  static constexpr int Group = 5;
  static constexpr uint8_t Options = OptN;
  static constexpr bool IsNumeric = false;

  TstSegmValues(const TStatClass& cls, const TStatEnv& env, int32_t param);

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    slots_.AnyCount(c, [&](uint8_t g, uint16_t count) {
      sink(TStatKey::Words(g, count), true);
      return false;
    });
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return slots_.AnySelected(c, sel);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return slots_.Columns(prog, ctx == nullptr); }
  template <class Sel>
  bool ColumnMatch(int output, uint8_t v, const Sel& sel) const { return slots_.ColumnMatch(output, v, sel); }
  TStatKey ColumnKey(uint8_t v) const { return slots_.ColumnKey(v); }
  std::string ValueCaption(const TStatDrawRec& rec) const override { return GroupCountCaption(rec); }

 private:
  TGroupSlots slots_;
};

// How many different segments the five numbers occupy.
class TstSegmCount final : public TStatImpl<TstSegmCount, TCustomSegmentsGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSegmCount";
  static constexpr std::string_view Code = "SGMC";
  static constexpr std::string_view Caption = "Количество не пустых сегментов в матрице";
  static constexpr int Group = 5;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;

  TstSegmCount(const TStatClass& cls, const TStatEnv& env, int32_t param) : TStatImpl(cls, env, param) {
    distinct_.Build(SegmentTable());
  }

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(IsFastPath<Sink> ? distinct_.FastCount(c) : distinct_.Count(c))), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(IsFastPath<Sel> ? distinct_.FastCount(c) : distinct_.Count(c)));
  }
  uint64_t ValueKey(uint64_t w) const {
    TComb c;
    std::memcpy(c.data(), &w, sizeof c);
    return static_cast<uint64_t>(distinct_.FastCount(c));
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(distinct_.Columns(prog));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const { return sel.Word(1, v); }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return distinct_.Count(c); }

 private:
  TDistinctGroups distinct_;
};

// "SGM<min>".."SGM<max>" over the segment numbers of the map: how many of the five numbers lie in
// segment Param. A number between the smallest and the largest that the map does not use still
// gets an entry (always 0).
class TstSgmValCnt final : public TStatImpl<TstSgmValCnt, TCustomSegmentsGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstSgmValCnt";
  static constexpr std::string_view Code = "SGM%d";
  static constexpr std::string_view Caption = "Количество чисел в %0:d сегменте матрицы";
  static constexpr std::string_view HelpCode = "SGMx";
  static constexpr int Group = 5;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  static constexpr bool HasParam = true;
  // The scan starts from 9 and 1, so a map of ones gives 1..1 and a map with a 0 starts at 0.
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) {
    int32_t lo = 9, hi = 1;
    for (uint8_t s : env.Config.Segments) {
      lo = s < lo ? s : lo;
      hi = s > hi ? s : hi;
    }
    return {lo, hi};
  }

  TstSgmValCnt(const TStatClass& cls, const TStatEnv& env, int32_t param) : TStatImpl(cls, env, param) {
    members_.Build(SegmentTable(), param);
  }

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const { sink(TStatKey::Words(static_cast<uint16_t>(members_.Count(c))), true); }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(members_.Count(c)));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Word(1, static_cast<uint16_t>(members_.CountWord(w)));
  }
  uint64_t ValueKey(uint64_t w) const { return static_cast<uint64_t>(members_.CountWord(w)); }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    prog.Output(members_.Columns(prog));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const { return sel.Word(1, v); }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  int32_t CombValue(const TComb& c, int, int, bool) override { return members_.Count(c); }

 private:
  TGroupMembers members_;
};

// The segment grouping of the tuple members "KGM2".."KGS4".
struct TSegmentGrouping {
  using Base = TCustomSegmentsStat;
  static constexpr int Group = 5;
  static const TGroupTable& Table(const Base& stat) { return stat.SegmentTable(); }
  static constexpr TTupleNames Names[2][3] = {
      {{"TstCombSegmMix2", "KGM2", "Сочетания из 2 сегментов по всем числам тиража"},
       {"TstCombSegmMix3", "KGM3", "Сочетания из 3 сегментов по всем числам тиража"},
       {"TstCombSegmMix4", "KGM4", "Сочетания из 4 сегментов по всем числам тиража"}},
      {{"TstCombSegmSeq2", "KGS2", "Сочетания из 2 сегментов по соседним числам"},
       {"TstCombSegmSeq3", "KGS3", "Сочетания из 3 сегментов по соседним числам"},
       {"TstCombSegmSeq4", "KGS4", "Сочетания из 4 сегментов по соседним числам"}},
  };
};

using TstCombSegmMix2 = TstGroupTuples<TSegmentGrouping, true, 2>;
using TstCombSegmMix3 = TstGroupTuples<TSegmentGrouping, true, 3>;
using TstCombSegmMix4 = TstGroupTuples<TSegmentGrouping, true, 4>;
using TstCombSegmSeq2 = TstGroupTuples<TSegmentGrouping, false, 2>;
using TstCombSegmSeq3 = TstGroupTuples<TSegmentGrouping, false, 3>;
using TstCombSegmSeq4 = TstGroupTuples<TSegmentGrouping, false, 4>;

}  // namespace kivra
