// Channel statistics (group 3): the numbers 1..45 cut into consecutive channels of the configured
// size; the channel of each number, how many numbers each channel holds, how many channels are
// occupied, the numbers in one channel, and tuples of channels over sets of positions.
//
// A statistic keeps the channel size it was created with. The channel of every byte 0..255 is
// taken once into a table (CeilDiv(n, size), so byte 0 is in channel 0 and bytes past 45 in the
// channels after the last one); a size of 0 or less puts every byte into channel 0.
#pragma once

#include "stats/GroupTuples.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> ChannelStatClasses();

// How many channels the numbers 1..45 fill with this size; 0 when the size is not positive.
inline int32_t ChannelCountFor(int32_t size) { return ChannelOf(MaxNumber, size); }

// "%.2d [%s-%s]": the channel with its first and last number, the last one not cut at 45
// (07 [43-49] for the size 7).
std::string ChannelCaption(int64_t channel, int32_t size);

// The channel size and the channel of every byte, copied from the configuration at creation.
template <class Base>
class TChannelsStatBase : public Base {
 public:
  TChannelsStatBase(const TStatClass& cls, const TStatEnv& env, int32_t param)
      : Base(cls, env, param), channelSize_(env.Config.ChannelSize) {
    for (int n = 0; n < 256; ++n) table_[n] = static_cast<uint8_t>(ChannelOf(n, channelSize_));
  }

  int32_t ChannelSize() const { return channelSize_; }
  const TGroupTable& ChannelTable() const { return table_; }

 private:
  int32_t channelSize_;
  TGroupTable table_;
};

using TCustomChannelsStat = TChannelsStatBase<TCustomNumbersStat>;
using TCustomChannelsGraphStat = TChannelsStatBase<TCustomGraphStat>;

// The channel of each of the five numbers (key B1).
class TstChannels final : public TStatImpl<TstChannels, TCustomChannelsStat> {
 public:
  static constexpr std::string_view ClassName = "TstChannels";
  static constexpr std::string_view Code = "CHAN";
  static constexpr std::string_view Caption = "Каналы";
  static constexpr int Group = 3;
  static constexpr uint8_t Options = OptN;
  using TStatImpl::TStatImpl;

  template <TValueSink Sink>
  void Values(const TComb& c, Sink&& sink) const {
    const TGroupTable& t = ChannelTable();
    for (uint8_t n : c) sink(TStatKey::Words(t[n]), true);
  }
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    const TGroupTable& t = ChannelTable();
    return sel.Byte(1, t[c[0]]) || sel.Byte(1, t[c[1]]) || sel.Byte(1, t[c[2]]) || sel.Byte(1, t[c[3]]) ||
           sel.Byte(1, t[c[4]]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext*) const {
    for (int g : TGroupColumns(prog, ChannelTable()).G) prog.Output(g);
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const { return sel.Byte(1, v); }
  TStatKey ColumnKey(uint8_t v) const { return TStatKey::Words(v); }
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  std::string ValueCaption(const TStatDrawRec& rec) const override { return ChannelCaption(rec.Key.B(1), ChannelSize()); }
  // The first word of the text (02 of "02 [6-10]").
  int32_t ParseValue(std::string_view text) const override;
};

// One value per channel, (channel, how many of the five numbers it holds), zero counts included.
class TstChanValues final : public TStatImpl<TstChanValues, TCustomChannelsStat> {
 public:
  static constexpr std::string_view ClassName = "TstChanValues";
  static constexpr std::string_view Code = "CHNV";
  static constexpr std::string_view Caption = "Количество чисел в канале";
  static constexpr int Group = 3;
  static constexpr uint8_t Options = OptN;
  static constexpr bool IsNumeric = false;

  TstChanValues(const TStatClass& cls, const TStatEnv& env, int32_t param);

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
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  // "02 [6-10] x 1".
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    return ChannelCaption(rec.Key.K1(), ChannelSize()) + " x " + std::to_string(rec.Key.K2());
  }

 private:
  TGroupSlots slots_;  // channels ChannelOf(1) .. ChannelOf(45)
};

// How many different channels the five numbers occupy.
class TstChanCount final : public TStatImpl<TstChanCount, TCustomChannelsGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstChanCount";
  static constexpr std::string_view Code = "CHNC";
  static constexpr std::string_view Caption = "Количество каналов в тираже";
  static constexpr int Group = 3;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;

  TstChanCount(const TStatClass& cls, const TStatEnv& env, int32_t param) : TStatImpl(cls, env, param) {
    distinct_.Build(ChannelTable());
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
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return distinct_.Count(c); }

 private:
  TDistinctGroups distinct_;
};

// "CHN1".."CHN<channels>": how many of the five numbers lie in channel Param.
class TstChnValCnt final : public TStatImpl<TstChnValCnt, TCustomChannelsGraphStat> {
 public:
  static constexpr std::string_view ClassName = "TstChnValCnt";
  static constexpr std::string_view Code = "CHN%d";
  static constexpr std::string_view Caption = "Количество чисел в %0:d канале";
  static constexpr std::string_view HelpCode = "CHNx";
  static constexpr int Group = 3;
  static constexpr uint8_t Options = OptN;
  static constexpr bool SingleValue = true;
  static constexpr bool HasParam = true;
  // One entry per channel; none when the configured size is not positive.
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) {
    const int32_t size = env.Config.ChannelSize;
    return size > 0 ? std::pair{1, ChannelCountFor(size)} : std::pair{0, -1};
  }

  TstChnValCnt(const TStatClass& cls, const TStatEnv& env, int32_t param) : TStatImpl(cls, env, param) {
    members_.Build(ChannelTable(), param);
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
  void EnumValues(int refIndex, TStatDrawArray& values) override;
  int32_t CombValue(const TComb& c, int, int, bool) override { return members_.Count(c); }

 private:
  TGroupMembers members_;
};

// The channel grouping of the tuple members "KCM2".."KCS4".
struct TChannelGrouping {
  using Base = TCustomChannelsStat;
  static constexpr int Group = 3;
  static const TGroupTable& Table(const Base& stat) { return stat.ChannelTable(); }
  static constexpr TTupleNames Names[2][3] = {
      {{"TstCombChnMix2", "KCM2", "Сочетания из 2 каналов по всем числам тиража"},
       {"TstCombChnMix3", "KCM3", "Сочетания из 3 каналов по всем числам тиража"},
       {"TstCombChnMix4", "KCM4", "Сочетания из 4 каналов по всем числам тиража"}},
      {{"TstCombChnSeq2", "KCS2", "Сочетания из 2 каналов по соседним числам"},
       {"TstCombChnSeq3", "KCS3", "Сочетания из 3 каналов по соседним числам"},
       {"TstCombChnSeq4", "KCS4", "Сочетания из 4 каналов по соседним числам"}},
  };
};

using TstCombChnMix2 = TstGroupTuples<TChannelGrouping, true, 2>;
using TstCombChnMix3 = TstGroupTuples<TChannelGrouping, true, 3>;
using TstCombChnMix4 = TstGroupTuples<TChannelGrouping, true, 4>;
using TstCombChnSeq2 = TstGroupTuples<TChannelGrouping, false, 2>;
using TstCombChnSeq3 = TstGroupTuples<TChannelGrouping, false, 3>;
using TstCombChnSeq4 = TstGroupTuples<TChannelGrouping, false, 4>;

}  // namespace kivra
