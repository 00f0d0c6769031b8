// Chain statistics (group 10): what followed what between consecutive draws, for numbers,
// channels and segments. A transition into a draw is counted only when its starting point matches
// the newest draw of the window (and, over three draws, the draw before it), so the table shows
// what came next after situations like the present one. The filter looks at the successor only.
//
// Notation: Cur is the draw at Index, P and Q the draws one and two before it, Ref the newest draw
// of the window and R1 the draw before Ref. A 2-draw statistic adds nothing when P is not in the
// archive, a 3-draw one also when Q is not; Ref (and R1) outside the archive likewise give nothing.
#pragma once

#include "stats/SF_Serl.h"

namespace kivra {

// Class-list entries of the family.
std::span<const TStatListEntry> ChainStatClasses();

// Which transitions a member takes: every pair of positions over 2 draws, each position over 2
// or 3 draws, or the position Param only.
enum class TChainKind { All2, Pos2, At2, Pos3, At3 };

struct TNumberChains {
  using Units = TNumberUnits;
  static constexpr TFamilyNames Names[5] = {
      {"TstChain2DrawsAll", "SDV2", "Переходы чисел между 2 тиражами без учета позиции"},
      {"TstChain2DrawsPos", "SDP2", "Переходы чисел между 2 тиражами с учетом позиции"},
      {"TstChain2Pos", "SDN%d", "Переходы чисел между 2 тиражами в %d позиции", "SDNx"},
      {"TstChain3DrawsPos", "SDP3", "Переходы чисел между 3 тиражами с учетом позиции"},
      {"TstChain3Pos", "SDM%d", "Переходы чисел между 3 тиражами в %d позиции", "SDMx"},
  };
};

struct TChannelChains {
  using Units = TChannelUnits;
  static constexpr TFamilyNames Names[5] = {
      {"TstChain2ChannelsAll", "SCV2", "Переходы каналов между 2 тиражами без учета позиции"},
      {"TstChain2ChannelsPos", "SCP2", "Переходы каналов между 2 тиражами с учетом позиции"},
      {"TstChain2Channel", "SCN%d", "Переходы каналов между 2 тиражами в %d позиции", "SCNx"},
      {"TstChain3ChannelsPos", "SCP3", "Переходы каналов между 3 тиражами с учетом позиции"},
      {"TstChain3Channel", "SCM%d", "Переходы каналов между 3 тиражами в %d позиции", "SCMx"},
  };
  static constexpr TFamilyNames Counts[2] = {
      {"TstChain2CnlCnt", "SC2C%d", "Переходы кол-ва чисел в %d канале между 2 тиражами", "SC2Cx"},
      {"TstChain3CnlCnt", "SC3C%d", "Переходы кол-ва чисел в %d канале между 3 тиражами", "SC3Cx"},
  };
  static std::pair<int32_t, int32_t> UnitRange(const TStatEnv& env) { return TstChnValCnt::GetParamRange(env); }
};

struct TSegmentChains {
  using Units = TSegmentUnits;
  static constexpr TFamilyNames Names[5] = {
      {"TstChain2SegmentsAll", "SSV2", "Переходы сегментов между 2 тиражами без учета позиции"},
      {"TstChain2SegmentsPos", "SSP2", "Переходы сегментов между 2 тиражами с учетом позиции"},
      {"TstChain2Segment", "SSN%d", "Переходы сегментов между 2 тиражами в %d позиции", "SSNx"},
      {"TstChain3SegmentsPos", "SSP3", "Переходы сегментов между 3 тиражами с учетом позиции"},
      {"TstChain3Segment", "SSM%d", "Переходы сегментов между 3 тиражами в %d позиции", "SSMx"},
  };
  static constexpr TFamilyNames Counts[2] = {
      {"TstChain2SgmCnt", "SS2C%d", "Переходы кол-ва чисел в %d сегменте между 2 тиражами", "SS2Cx"},
      {"TstChain3SgmCnt", "SS3C%d", "Переходы кол-ва чисел в %d сегменте между 3 тиражами", "SS3Cx"},
  };
  static std::pair<int32_t, int32_t> UnitRange(const TStatEnv& env) { return TstSgmValCnt::GetParamRange(env); }
};

// "a -> b" or "a-b -> c", each part written by `part`.
template <bool Three, class Part>
std::string TransitionCaption(const TStatDrawRec& rec, Part part) {
  if constexpr (Three) return part(rec.Key.K1()) + "-" + part(rec.Key.K2()) + " -> " + part(rec.Key.K3());
  else return part(rec.Key.K1()) + " -> " + part(rec.Key.K2());
}

// Transitions of units (K1 -> K2, or K1-K2 -> K3 over three draws).
template <class Chains, TChainKind Kind>
class TstChain final : public TStatImpl<TstChain<Chains, Kind>, typename Chains::Units::template Base<TCustomStat>> {
  using Impl = TStatImpl<TstChain<Chains, Kind>, typename Chains::Units::template Base<TCustomStat>>;
  static constexpr TFamilyNames Names = Chains::Names[static_cast<int>(Kind)];
  static constexpr bool Three = Kind == TChainKind::Pos3 || Kind == TChainKind::At3;
  static constexpr bool AtParam = Kind == TChainKind::At2 || Kind == TChainKind::At3;

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr std::string_view HelpCode = Names.HelpCode;
  static constexpr int Group = 10;
  static constexpr uint8_t Options = Kind == TChainKind::All2 ? OptD : OptS | OptD;
  static constexpr bool IsNumeric = false;
  static constexpr bool HasParam = AtParam;
  // A row matches by its successor unit alone, whatever it follows.
  static constexpr bool KeepsShownValue = false;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv&) {
    return AtParam ? std::pair{1, CombSize} : std::pair{0, 0};
  }
  using Impl::Impl;

  // The units of the numbers; a row is looked up by its successor.
  template <TValueSink Sink>
  void MatchKeys(const TComb& c, const TMatchContext&, Sink&& sink) const {
    CombUnitKeys(c, this->UnitTable(), sink);
  }
  bool RowMatchKey(const TStatDrawRec& row, const TMatchContext&, TStatKey& key) const {
    key = TStatKey::Words(row.Key.K(Three ? 3 : 2));
    return true;
  }

  // True as soon as the unit of a number of the combination is a selected successor.
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    constexpr int W = Three ? 3 : 2;
    const TGroupTable& t = this->UnitTable();
    return sel.Word(W, t[c[0]]) || sel.Word(W, t[c[1]]) || sel.Word(W, t[c[2]]) || sel.Word(W, t[c[3]]) ||
           sel.Word(W, t[c[4]]);
  }
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t n, const Sel& sel) const {
    return sel.Word(Three ? 3 : 2, this->UnitTable()[n]);
  }

  // The transitions the combination makes as the draw after RefIndex (then P is Ref and Q is R1).
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext& ctx, Sink&& sink) const {
    if (!DrawInArchive(*this, ctx.RefIndex) || (Three && !DrawInArchive(*this, ctx.RefIndex - 1))) return;
    const TComb ref = this->ReadDraw(ctx.RefIndex, ctx.Sorted).Nums;
    const TComb r1 = Three ? this->ReadDraw(ctx.RefIndex - 1, ctx.Sorted).Nums : TComb{};
    Transitions(r1, ref, c, r1, ref, sink);
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    const int lookBack = Three ? 2 : 1;
    if (!DrawInArchive(*this, index) || !DrawInArchive(*this, index - lookBack) || !DrawInArchive(*this, refIndex) ||
        !DrawInArchive(*this, refIndex - lookBack + 1))
      return;
    const TComb p = this->ReadDraw(index - 1, sorted).Nums;
    const TComb q = Three ? this->ReadDraw(index - 2, sorted).Nums : TComb{};
    const TComb r1 = Three ? this->ReadDraw(refIndex - 1, sorted).Nums : TComb{};
    Transitions(q, p, this->Cur.Nums, r1, this->Ref.Nums, [&](TStatKey key, bool track) {
      this->Val.Key = key;
      AddStatValue(values, this->Val, track);
    });
  }

  std::string ValueCaption(const TStatDrawRec& rec) const override {
    return TransitionCaption<Three>(rec, [](uint16_t u) { return Impl::UnitCaption(u); });
  }

 private:
  // The transitions from p (and q) into cur whose start matches ref (and r1).
  template <class Sink>
  void Transitions(const TComb& q, const TComb& p, const TComb& cur, const TComb& r1, const TComb& ref,
                   Sink&& sink) const {
    const TGroupTable& t = this->UnitTable();
    if constexpr (Kind == TChainKind::All2) {
      const TUnitSet refUnits = TUnitSet::Of(ref, t);
      for (uint8_t from : p) {
        if (!refUnits.Has(t[from])) continue;
        for (uint8_t to : cur) sink(TStatKey::Words(t[from], t[to]), true);
      }
    } else {
      int first = 0, last = CombSize - 1;
      if constexpr (AtParam) {
        if (this->Param() < 1 || this->Param() > CombSize) return;
        first = last = this->Param() - 1;
      }
      for (int i = first; i <= last; ++i) {
        if (t[p[i]] != t[ref[i]]) continue;
        if constexpr (Three) {
          if (t[q[i]] != t[r1[i]]) continue;
          sink(TStatKey::Words(t[q[i]], t[p[i]], t[cur[i]]), true);
        } else {
          sink(TStatKey::Words(t[p[i]], t[cur[i]]), true);
        }
      }
    }
  }
};

using TstChain2DrawsAll = TstChain<TNumberChains, TChainKind::All2>;
using TstChain2DrawsPos = TstChain<TNumberChains, TChainKind::Pos2>;
using TstChain2Pos = TstChain<TNumberChains, TChainKind::At2>;
using TstChain3DrawsPos = TstChain<TNumberChains, TChainKind::Pos3>;
using TstChain3Pos = TstChain<TNumberChains, TChainKind::At3>;
using TstChain2ChannelsAll = TstChain<TChannelChains, TChainKind::All2>;
using TstChain2ChannelsPos = TstChain<TChannelChains, TChainKind::Pos2>;
using TstChain2Channel = TstChain<TChannelChains, TChainKind::At2>;
using TstChain3ChannelsPos = TstChain<TChannelChains, TChainKind::Pos3>;
using TstChain3Channel = TstChain<TChannelChains, TChainKind::At3>;
using TstChain2SegmentsAll = TstChain<TSegmentChains, TChainKind::All2>;
using TstChain2SegmentsPos = TstChain<TSegmentChains, TChainKind::Pos2>;
using TstChain2Segment = TstChain<TSegmentChains, TChainKind::At2>;
using TstChain3SegmentsPos = TstChain<TSegmentChains, TChainKind::Pos3>;
using TstChain3Segment = TstChain<TSegmentChains, TChainKind::At3>;

// Transitions of the count of numbers in the unit Param (a channel or a segment): (#P, #Cur) when
// #P = #Ref, or (#Q, #P, #Cur) when also #Q = #R1. The filter matches a combination whose count
// is a selected successor.
template <class Chains, bool Three>
class TstChainCount final
    : public TStatImpl<TstChainCount<Chains, Three>, typename Chains::Units::template Base<TCustomStat>> {
  using Impl = TStatImpl<TstChainCount<Chains, Three>, typename Chains::Units::template Base<TCustomStat>>;
  static constexpr TFamilyNames Names = Chains::Counts[Three ? 1 : 0];
  static constexpr bool Channels = std::is_same_v<Chains, TChannelChains>;

 public:
  static constexpr std::string_view ClassName = Names.ClassName;
  static constexpr std::string_view Code = Names.Code;
  static constexpr std::string_view Caption = Names.Caption;
  static constexpr std::string_view HelpCode = Names.HelpCode;
  static constexpr int Group = 10;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  static constexpr bool HasParam = true;
  // A row matches by the count it ends with alone, whatever it follows.
  static constexpr bool KeepsShownValue = false;
  static std::pair<int32_t, int32_t> GetParamRange(const TStatEnv& env) { return Chains::UnitRange(env); }

  TstChainCount(const TStatClass& cls, const TStatEnv& env, int32_t param) : Impl(cls, env, param) {
    members_.Build(this->UnitTable(), param);
  }

  // The count of numbers in the unit; a row is looked up by the count it ends with.
  template <TValueSink Sink>
  void MatchKeys(const TComb& c, const TMatchContext&, Sink&& sink) const {
    sink(TStatKey::Words(static_cast<uint16_t>(members_.Count(c))), true);
  }
  bool RowMatchKey(const TStatDrawRec& row, const TMatchContext&, TStatKey& key) const {
    key = TStatKey::Words(row.Key.K(Three ? 3 : 2));
    return true;
  }

  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    return sel.Word(Three ? 3 : 2, static_cast<uint16_t>(members_.Count(c)));
  }
  template <class Sel>
  bool MatchWord(uint64_t w, const Sel& sel, const TMatchContext&) const {
    return sel.Word(Three ? 3 : 2, static_cast<uint16_t>(members_.CountWord(w)));
  }
  // The count of numbers in the unit, by position as TGroupMembers counts them.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const {
    if (ctx == nullptr) return false;
    const TGroupTable& t = this->UnitTable();
    prog.Output(prog.CountOf([&](uint8_t n) { return t[n] == this->Param(); }));
    return true;
  }
  template <class Sel>
  bool ColumnMatch(int, uint8_t v, const Sel& sel) const {
    return sel.Word(Three ? 3 : 2, v);
  }
  // The transition the combination makes as the draw after RefIndex.
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext& ctx, Sink&& sink) const {
    if (!DrawInArchive(*this, ctx.RefIndex) || (Three && !DrawInArchive(*this, ctx.RefIndex - 1))) return;
    const auto cur = static_cast<uint16_t>(members_.Count(c));
    if constexpr (Three) sink(TStatKey::Words(CountAt(ctx.RefIndex - 1), CountAt(ctx.RefIndex), cur), true);
    else sink(TStatKey::Words(CountAt(ctx.RefIndex), cur), true);
  }

  // (#Ref, m) or (#R1, #Ref, m): m = 0 .. channel size for channels (at most 45), m = 0 only for
  // segments.
  void EnumValues(int refIndex, TStatDrawArray& values) override {
    TCustomStat::EnumValues(refIndex, values);
    int32_t maxCount = 0;
    if constexpr (Channels) maxCount = std::min(this->ChannelSize(), MaxNumber);
    for (int32_t m = 0; m <= maxCount; ++m) {
      const auto to = static_cast<uint16_t>(m);
      this->AddDomainValue(values, Three ? TStatKey::Words(CountAt(refIndex - 1), CountAt(refIndex), to)
                                         : TStatKey::Words(CountAt(refIndex), to));
    }
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    const int lookBack = Three ? 2 : 1;
    if (!DrawInArchive(*this, index) || !DrawInArchive(*this, index - lookBack) || !DrawInArchive(*this, refIndex) ||
        !DrawInArchive(*this, refIndex - lookBack + 1))
      return;
    const uint16_t p = CountAt(index - 1), cur = CountAt(index);
    if (p != CountAt(refIndex)) return;
    if constexpr (Three) {
      const uint16_t q = CountAt(index - 2);
      if (q != CountAt(refIndex - 1)) return;
      this->Val.Key = TStatKey::Words(q, p, cur);
    } else {
      this->Val.Key = TStatKey::Words(p, cur);
    }
    AddStatValue(values, this->Val, true);
  }

  std::string ValueCaption(const TStatDrawRec& rec) const override {
    return TransitionCaption<Three>(rec, [](uint16_t v) { return std::to_string(v); });
  }

 private:
  // How many numbers of the draw at index lie in the unit; 0 outside the archive.
  uint16_t CountAt(int index) const {
    if (!DrawInArchive(*this, index)) return 0;
    return static_cast<uint16_t>(members_.Count(this->Draws()[static_cast<size_t>(index)].Nums));
  }

  TGroupMembers members_;
};

using TstChain2CnlCnt = TstChainCount<TChannelChains, false>;
using TstChain3CnlCnt = TstChainCount<TChannelChains, true>;
using TstChain2SgmCnt = TstChainCount<TSegmentChains, false>;
using TstChain3SgmCnt = TstChainCount<TSegmentChains, true>;

// Transitions of numbers within their channel, mode 0..3 ("SDA2", "SDG2", "SDZ2", "SDC2"): for
// each number x of P (drawn order) that is a number of Ref, the numbers y of Cur in x's channel:
// mode 0 adds every x -> y and x -> 0 when there is none, mode 1 only the x -> y, mode 2 only the
// x -> 0, mode 3 x -> how many.
template <int Mode>
class TstChainInside final : public TStatImpl<TstChainInside<Mode>, TChannelUnitsBase<TCustomStat>> {
  static_assert(Mode >= 0 && Mode <= 3);
  using Impl = TStatImpl<TstChainInside<Mode>, TChannelUnitsBase<TCustomStat>>;
  static constexpr TFamilyNames AllNames[4] = {
      {"TstChainChannels2InsideAll", "SDA2", "Переходы чисел в пределах каналов (все)"},
      {"TstChainChannels2InsideSuc", "SDG2", "Переходы чисел в пределах каналов (N-M, удачные)"},
      {"TstChainChannels2InsideBad", "SDZ2", "Переходы чисел в пределах каналов (N-0, не удачные)"},
      {"TstChainChannels2InsideCnt", "SDC2", "Переходы чисел в пределах каналов (количество)"},
  };

 public:
  static constexpr std::string_view ClassName = AllNames[Mode].ClassName;
  static constexpr std::string_view Code = AllNames[Mode].Code;
  static constexpr std::string_view Caption = AllNames[Mode].Caption;
  static constexpr int Group = 10;
  static constexpr uint8_t Options = OptD;
  static constexpr bool IsNumeric = false;
  // A row "x -> 0" matches every number in x's channel, not only the transitions it shows.
  static constexpr bool KeepsShownValue = false;
  using Impl::Impl;

  static constexpr int GetInsideMode() { return Mode; }

  // The newest draw, in drawn order.
  void PrepareMatch(const TMatchContext& ctx) {
    refExists_ = DrawInArchive(*this, ctx.RefIndex);
    ref_ = refExists_ ? this->Draws()[static_cast<size_t>(ctx.RefIndex)].Nums : TComb{};
  }

  // Match by one row x -> v, x a number of the newest draw: mode 3 and v = 0 keep the combinations
  // with a number in x's channel, the others those holding v. The keys: ChannelKey + channel of
  // each number, and each number other than 0.
  static constexpr uint16_t ChannelKey = 256;
  template <TValueSink Sink>
  void MatchKeys(const TComb& c, const TMatchContext&, Sink&& sink) const {
    if (!refExists_) return;
    const TGroupTable& t = this->UnitTable();
    for (uint8_t y : c) {
      sink(TStatKey::Words(static_cast<uint16_t>(ChannelKey + t[y])), true);
      if (Mode != 3 && y != 0) sink(TStatKey::Words(y), true);
    }
  }
  bool RowMatchKey(const TStatDrawRec& row, const TMatchContext&, TStatKey& key) const {
    const uint16_t x = row.Key.K1(), v = row.Key.K2();
    if (!refExists_ || std::find(ref_.begin(), ref_.end(), x) == ref_.end()) return false;
    if (Mode == 3 || row.Key == TStatKey::Words(x, 0)) {
      key = TStatKey::Words(static_cast<uint16_t>(ChannelKey + this->UnitTable()[x]));
      return true;
    }
    // x -> v is looked up whole, so only such a key with v a byte matches a number.
    key = TStatKey::Words(v);
    return row.Key == TStatKey::Words(x, v) && v != 0 && v < 256;
  }

  // For x over the newest draw and y over the combination: in mode 3 a selected value with K1 = x
  // matches when y is in x's channel; in the others a selected x -> 0 matches when y is in x's
  // channel and a selected x -> y when the combination holds y.
  template <class Sel>
  bool Match(const TComb& c, const Sel& sel, const TMatchContext&) const {
    if (!refExists_) return false;
    const TGroupTable& t = this->UnitTable();
    for (uint8_t x : ref_) {
      if (!sel.Word(1, x)) continue;  // no selected value starts at x
      const uint8_t ux = t[x];
      if constexpr (Mode == 3) {
        for (uint8_t y : c)
          if (t[y] == ux) return true;
      } else {
        const bool toChannel = sel.Key(x, 0);
        for (uint8_t y : c)
          if ((toChannel && t[y] == ux) || (y != 0 && sel.Key(x, y))) return true;
      }
    }
    return false;
  }
  // Match holds when it does for one number y of the combination on its own.
  bool Columns(TColumnProgram& prog, const TMatchContext* ctx) const { return NumberColumns(prog, ctx); }
  template <class Sel>
  bool ColumnMatch(int, uint8_t y, const Sel& sel) const {
    if (!refExists_) return false;
    const TGroupTable& t = this->UnitTable();
    for (uint8_t x : ref_) {
      if (!sel.Word(1, x)) continue;
      if constexpr (Mode == 3) {
        if (t[y] == t[x]) return true;
      } else {
        if ((sel.Key(x, 0) && t[y] == t[x]) || (y != 0 && sel.Key(x, y))) return true;
      }
    }
    return false;
  }

  // The transitions the combination makes as the draw after RefIndex (P is then Ref).
  template <TValueSink Sink>
  void FilterValues(const TComb& c, const TMatchContext&, Sink&& sink) const {
    if (refExists_) Transitions(ref_, c, ref_, sink);
  }

  void DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                  TLastValueArray& lastSeen) override {
    TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
    if (!DrawInArchive(*this, index) || !DrawInArchive(*this, index - 1) || !DrawInArchive(*this, refIndex)) return;
    const TComb p = this->Draws()[static_cast<size_t>(index - 1)].Nums;  // drawn order
    Transitions(p, this->Cur.Nums, this->Ref.Nums, [&](TStatKey key, bool track) {
      this->Val.Key = key;
      AddStatValue(values, this->Val, track);
    });
  }

  // Mode 3 in plain decimal, the others with two digits: 07 -> 09.
  std::string ValueCaption(const TStatDrawRec& rec) const override {
    return TransitionCaption<false>(rec,
                                    [](uint16_t v) { return Mode == 3 ? std::to_string(v) : fmt::format("{:02}", v); });
  }

 private:
  template <class Sink>
  void Transitions(const TComb& p, const TComb& cur, const TComb& ref, Sink&& sink) const {
    const TGroupTable& t = this->UnitTable();
    for (uint8_t x : p) {
      if (x != ref[0] && x != ref[1] && x != ref[2] && x != ref[3] && x != ref[4]) continue;
      uint16_t count = 0;
      for (uint8_t y : cur) {
        if (t[y] != t[x]) continue;
        ++count;
        if constexpr (Mode == 0 || Mode == 1) sink(TStatKey::Words(x, y), true);
      }
      if constexpr (Mode == 3) sink(TStatKey::Words(x, count), true);
      if constexpr (Mode == 0 || Mode == 2)
        if (count == 0) sink(TStatKey::Words(x, 0), true);
    }
  }

  bool refExists_ = false;
  TComb ref_{};
};

using TstChainChannels2InsideAll = TstChainInside<0>;
using TstChainChannels2InsideSuc = TstChainInside<1>;
using TstChainChannels2InsideBad = TstChainInside<2>;
using TstChainChannels2InsideCnt = TstChainInside<3>;

}  // namespace kivra
