#include "stats/SF_Chns.h"

#include "core/SysFormat.h"

namespace kivra {

std::string ChannelCaption(int64_t channel, int32_t size) {
  // 64-bit bounds: a size taken from a damaged configuration must not overflow.
  const int64_t first = int64_t{size} * (channel - 1) + 1;
  const int64_t last = int64_t{size} * channel;
  return SysFormat("%.2d [%s-%s]", {static_cast<long long>(channel), std::to_string(first), std::to_string(last)});
}

template class TstGroupLines<TChannelGrouping>;
template class TstGroupValues<TChannelGrouping>;
template class TstGroupCount<TChannelGrouping>;
template class TstGroupValCnt<TChannelGrouping>;

std::span<const TStatListEntry> ChannelStatClasses() {
  static const TStatListEntry entries[] = {
      {22, &StatClassOf<TstChannels>()},    {23, &StatClassOf<TstChanValues>()},  {24, &StatClassOf<TstChanCount>()},
      {78, &StatClassOf<TstCombChnMix2>()}, {79, &StatClassOf<TstCombChnMix3>()}, {80, &StatClassOf<TstCombChnMix4>()},
      {81, &StatClassOf<TstCombChnSeq2>()}, {82, &StatClassOf<TstCombChnSeq3>()}, {83, &StatClassOf<TstCombChnSeq4>()},
      {104, &StatClassOf<TstChnValCnt>()},
  };
  return entries;
}

}  // namespace kivra
