#include "stats/SF_Chns.h"

#include <algorithm>
#include <vector>

#include "core/SysFormat.h"

namespace kivra {

namespace {

// Adds K1 = first..last with zero counts (after TCustomStat::EnumValues has cleared the record).
void AddWordRange(TStatDrawRec& val, TStatDrawArray& values, int32_t first, int32_t last) {
  for (int32_t k = first; k <= last; ++k) {
    val.Key = TStatKey::Words(static_cast<uint16_t>(k));
    AddStatValue(values, val, false);
  }
}

}  // namespace

std::string ChannelCaption(int64_t channel, int32_t size) {
  // 64-bit bounds: a size taken from a damaged configuration must not overflow.
  const int64_t first = int64_t{size} * (channel - 1) + 1;
  const int64_t last = int64_t{size} * channel;
  return SysFormat("%.2d [%s-%s]", {static_cast<long long>(channel), std::to_string(first), std::to_string(last)});
}

// --- CHAN ---

void TstChannels::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  // Each channel once: adding a channel again changes nothing.
  for (int n = 1; n <= MaxNumber; ++n) {
    Val.Key = TStatKey::Words(ChannelTable()[n]);
    AddStatValue(values, Val, false);
  }
}

int32_t TstChannels::ParseValue(std::string_view text) const {
  text = Trim(text);
  return DecimalOrZero(text.substr(0, text.find(' ')));
}

// --- CHNV ---

TstChanValues::TstChanValues(const TStatClass& cls, const TStatEnv& env, int32_t param)
    : TStatImpl(cls, env, param) {
  std::vector<uint8_t> channels;
  for (int32_t ch = ChannelOf(1, ChannelSize()); ch <= ChannelOf(MaxNumber, ChannelSize()); ++ch)
    channels.push_back(static_cast<uint8_t>(ch));
  slots_.Build(ChannelTable(), channels);
}

void TstChanValues::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  const int32_t maxCount = std::min(ChannelSize(), CombSize);
  for (int i = 0; i < slots_.Size(); ++i)
    for (int32_t count = 0; count <= maxCount; ++count) {
      Val.Key = TStatKey::Words(slots_.Group(i), static_cast<uint16_t>(count));
      AddStatValue(values, Val, false);
    }
}

// --- CHNC ---

void TstChanCount::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  AddWordRange(Val, values, 1, std::min(ChannelCountFor(ChannelSize()), CombSize));
}

// --- CHN%d ---

// The counts 1..size, without 0 (listed once it occurs). A channel never holds more than the 45
// numbers, so a larger size lists no more than that.
void TstChnValCnt::EnumValues(int refIndex, TStatDrawArray& values) {
  TCustomStat::EnumValues(refIndex, values);
  AddWordRange(Val, values, 1, std::min(ChannelSize(), MaxNumber));
}

std::span<const TStatListEntry> ChannelStatClasses() {
  static const TStatListEntry entries[] = {
      {22, &StatClassOf<TstChannels>()},    {23, &StatClassOf<TstChanValues>()},
      {24, &StatClassOf<TstChanCount>()},   {78, &StatClassOf<TstCombChnMix2>()},
      {79, &StatClassOf<TstCombChnMix3>()}, {80, &StatClassOf<TstCombChnMix4>()},
      {81, &StatClassOf<TstCombChnSeq2>()}, {82, &StatClassOf<TstCombChnSeq3>()},
      {83, &StatClassOf<TstCombChnSeq4>()}, {104, &StatClassOf<TstChnValCnt>()},
  };
  return entries;
}

}  // namespace kivra
