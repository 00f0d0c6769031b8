// The four line statistics of a grouping of the numbers (channels, matrix columns and rows,
// segments), written once over the grouping's traits:
//   TstGroupLines    the group of each of the five numbers, in position order
//   TstGroupValues   one value per listed group, (group, how many of the five numbers it holds)
//   TstGroupCount    how many different groups the five numbers occupy
//   TstGroupValCnt   how many of the five numbers lie in group Param
//
// Grouping provides, besides what the tuple members read (GroupTuples.h):
//   GraphBase                    the family base class over TCustomGraphStat (Count, ValCnt)
//   Table(stat)                  its TGroupTable, for a statistic on Base or GraphBase
//   Lines, Values, Count, ValueCount   the TStatNames of the four members (ValueCount with HelpCode)
//   ByteSelection                true when the lines member selects a group by the key's first byte
//                                (sel.Byte(1, g)), false for its first word (sel.Word(1, g))
//   ListedGroups(stat)           the groups the lines member enumerates and the values member lists
//   ParamRange(env)              the Param range of the ValCnt member
// and optionally
//   GroupCaption(stat, group)    the caption of a group; the lines member then shows it and reads
//                                the group number back from the text's first word, and the values
//                                member shows it followed by " x count"
//   GroupCount(stat), GroupCapacity(stat)   how many groups the numbers 1..45 fill and how many
//                                numbers one group can hold; with them the values, count and ValCnt
//                                members list their value domain (EnumValues).
#pragma once

#include <algorithm>
#include <concepts>
#include <vector>

#include "stats/GroupTuples.h"

namespace kivra {

namespace group_lines {

template <class Grouping, class Stat>
concept THasGroupCaption = requires(const Stat& stat) {
  { Grouping::GroupCaption(stat, int64_t{1}) } -> std::convertible_to<std::string>;
};

template <class Grouping, class Stat>
concept THasGroupDomain = requires(const Stat& stat) {
  { Grouping::GroupCount(stat) } -> std::convertible_to<int32_t>;
  { Grouping::GroupCapacity(stat) } -> std::convertible_to<int32_t>;
};

}  // namespace group_lines

// The different groups of the numbers 1..45, in the order the numbers first reach them.
inline std::vector<uint8_t> GroupsOfNumbers(const TGroupTable& table) {
  const TNumberGroups groups(table);
  return {groups.Groups.begin(), groups.Groups.begin() + groups.Count};
}

// The group of each of the five numbers, in position order.
template <class Grouping>
class TstGroupLines final : public TStatImpl<TstGroupLines<Grouping>, typename Grouping::Base> {
  using Impl = TStatImpl<TstGroupLines<Grouping>, typename Grouping::Base>;

 public:
  static constexpr std::string_view ClassName = Grouping::Lines.ClassName;
  static constexpr std::string_view Code = Grouping::Lines.Code;
  static constexpr std::string_view Caption = Grouping::Lines.Caption;
  static constexpr int Group = Grouping::Group;
  static constexpr uint8_t Options = OptN;
  using Impl::Impl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const TGroupTable& t = Grouping::Table(*this);
    for (uint8_t n : c) sink(TStatKey::Words(t[n]), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TGroupTable& t = Grouping::Table(*this);
    return Selected(sel, t[c[0]]) || Selected(sel, t[c[1]]) || Selected(sel, t[c[2]]) || Selected(sel, t[c[3]]) ||
           Selected(sel, t[c[4]]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    for (int g : TGroupColumns(prog, Grouping::Table(*this)).G) prog.Output(g);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return Selected(sel, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    TCustomStat::EnumValues(refIndex, values);
    for (uint8_t g : Grouping::ListedGroups(*this)) this->AddDomainValue(values, TStatKey::Words(g));
  }
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    if constexpr (group_lines::THasGroupCaption<Grouping, TstGroupLines>)
      return Grouping::GroupCaption(*this, rec.Key.B(1));
    else return Impl::ValueCaption(rec);
  }
  // With group captions, the first word of the text (02 of "02 [6-10]").
  int32_t ParseValue(std::string_view text) const override {
    if constexpr (group_lines::THasGroupCaption<Grouping, TstGroupLines>) {
      text = Trim(text);
      return DecimalOrZero(text.substr(0, text.find(' ')));
    } else {
      return Impl::ParseValue(text);
    }
  }

 private:
  template <class Sel>
  static bool Selected(const Sel& sel, uint8_t g) {
    if constexpr (Grouping::ByteSelection) return sel.Byte(1, g);
    else return sel.Word(1, g);
  }
};

// One value per listed group, (group, how many of the five numbers it holds), zero counts included,
// in list order.
template <class Grouping>
class TstGroupValues final : public TStatImpl<TstGroupValues<Grouping>, typename Grouping::Base> {
  using Impl = TStatImpl<TstGroupValues<Grouping>, typename Grouping::Base>;

 public:
  static constexpr std::string_view ClassName = Grouping::Values.ClassName;
  static constexpr std::string_view Code = Grouping::Values.Code;
  static constexpr std::string_view Caption = Grouping::Values.Caption;
  static constexpr int Group = Grouping::Group;
  static constexpr uint8_t Options = OptN;
  static constexpr bool IsNumeric = false;
  static constexpr bool DistinctValues = true;  // one value per listed group

  TstGroupValues(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param) {
    slots_.Build(Grouping::Table(*this), Grouping::ListedGroups(*this));
  }

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
  bool ColumnMatch(int output, uint8_t v, const Sel& sel) const {
    return slots_.ColumnMatch(output, v, sel);
  }
  TStatKey ColumnKey(uint8_t v) const { return slots_.ColumnKey(v); }
  // Every listed group with the counts 0..(what it can hold, at most 5).
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    TCustomStat::EnumValues(refIndex, values);
    if constexpr (group_lines::THasGroupDomain<Grouping, TstGroupValues>) {
      const int32_t maxCount = std::min<int32_t>(Grouping::GroupCapacity(*this), CombSize);
      for (int i = 0; i < slots_.Size(); ++i)
        for (int32_t count = 0; count <= maxCount; ++count)
          this->AddDomainValue(values, TStatKey::Words(slots_.Group(i), static_cast<uint16_t>(count)));
    }
  }
  // "3 x 2", or with group captions "02 [6-10] x 1".
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    if constexpr (group_lines::THasGroupCaption<Grouping, TstGroupValues>)
      return Grouping::GroupCaption(*this, rec.Key.K1()) + " x " + std::to_string(rec.Key.K2());
    else return GroupCountCaption(rec);
  }

 private:
  TGroupSlots slots_;
};

// How many different groups the five numbers occupy.
template <class Grouping>
class TstGroupCount final : public TStatImpl<TstGroupCount<Grouping>, typename Grouping::GraphBase> {
  using Impl = TStatImpl<TstGroupCount<Grouping>, typename Grouping::GraphBase>;

 public:
  static constexpr std::string_view ClassName = Grouping::Count.ClassName;
  static constexpr std::string_view Code = Grouping::Count.Code;
  static constexpr std::string_view Caption = Grouping::Count.Caption;
  static constexpr int Group = Grouping::Group;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;

  TstGroupCount(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param) {
    distinct_.Build(Grouping::Table(*this));
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
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  // The counts 1..(the groups there are, at most 5).
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    if constexpr (group_lines::THasGroupDomain<Grouping, TstGroupCount>)
      this->EnumWordRange(refIndex, values, 1, std::min<int32_t>(Grouping::GroupCount(*this), CombSize));
    else TCustomStat::EnumValues(refIndex, values);
  }
  int32_t CombValue(const TComb& c, int, int, bool) override { return distinct_.Count(c); }

 private:
  TDistinctGroups distinct_;
};

// How many of the five numbers lie in group Param ("CHN%d" and the like).
template <class Grouping>
class TstGroupValCnt final : public TStatImpl<TstGroupValCnt<Grouping>, typename Grouping::GraphBase> {
  using Impl = TStatImpl<TstGroupValCnt<Grouping>, typename Grouping::GraphBase>;

 public:
  static constexpr std::string_view ClassName = Grouping::ValueCount.ClassName;
  static constexpr std::string_view Code = Grouping::ValueCount.Code;
  static constexpr std::string_view Caption = Grouping::ValueCount.Caption;
  static constexpr std::string_view HelpCode = Grouping::ValueCount.HelpCode;
  static constexpr int Group = Grouping::Group;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  static constexpr bool HasParam = true;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) { return Grouping::ParamRange(env); }

  TstGroupValCnt(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param) {
    members_.Build(Grouping::Table(*this), param);
  }

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(members_.Count(c))), true);
  }
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
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(1, v);
  }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  // The counts 1..(what the group can hold), without 0 (listed once it occurs).
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    if constexpr (group_lines::THasGroupDomain<Grouping, TstGroupValCnt>)
      this->EnumWordRange(refIndex, values, 1, Grouping::GroupCapacity(*this));
    else TCustomStat::EnumValues(refIndex, values);
  }
  int32_t CombValue(const TComb& c, int, int, bool) override { return members_.Count(c); }

 private:
  TGroupMembers members_;
};

}  // namespace kivra
