// Channel statistics (group 3): the numbers 1..45 cut into consecutive channels of the configured
// size; the channel of each number, how many numbers each channel holds, how many channels are
// occupied, the numbers in one channel, and tuples of channels over sets of positions.
//
// A statistic keeps the channel size it was created with. The channel of every byte 0..255 is
// taken once into a table (CeilDiv(n, size), so byte 0 is in channel 0 and bytes past 45 in the
// channels after the last one); a size of 0 or less puts every byte into channel 0.
#pragma once

#include "stats/GroupLines.h"

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

// The channel grouping: the line members "CHAN", "CHNV", "CHNC", "CHN%d" (GroupLines.h) and the
// tuple members "KCM2".."KCS4" (GroupTuples.h). The channels select by the key's first byte and
// show each channel with its range of numbers.
struct TChannelGrouping {
  using Base = TCustomChannelsStat;
  using GraphBase = TCustomChannelsGraphStat;
  static constexpr int Group = 3;
  template <class Stat>
  static const TGroupTable& Table(const Stat& stat) {
    return stat.ChannelTable();
  }

  static constexpr TStatNames Lines{"TstChannels", "CHAN", "Каналы"};
  static constexpr TStatNames Values{"TstChanValues", "CHNV", "Количество чисел в канале"};
  static constexpr TStatNames Count{"TstChanCount", "CHNC", "Количество каналов в тираже"};
  static constexpr TStatNames ValueCount{"TstChnValCnt", "CHN%d", "Количество чисел в %0:d канале", "CHNx"};
  static constexpr TStatNames Names[2][3] = {
      {{"TstCombChnMix2", "KCM2", "Сочетания из 2 каналов по всем числам тиража"},
       {"TstCombChnMix3", "KCM3", "Сочетания из 3 каналов по всем числам тиража"},
       {"TstCombChnMix4", "KCM4", "Сочетания из 4 каналов по всем числам тиража"}},
      {{"TstCombChnSeq2", "KCS2", "Сочетания из 2 каналов по соседним числам"},
       {"TstCombChnSeq3", "KCS3", "Сочетания из 3 каналов по соседним числам"},
       {"TstCombChnSeq4", "KCS4", "Сочетания из 4 каналов по соседним числам"}},
  };

  static constexpr bool ByteSelection = true;
  // The channels ChannelOf(1) .. ChannelOf(45).
  template <class Stat>
  static std::vector<uint8_t> ListedGroups(const Stat& stat) {
    return GroupsOfNumbers(stat.ChannelTable());
  }
  // "02 [6-10]".
  template <class Stat>
  static std::string GroupCaption(const Stat& stat, int64_t channel) {
    return ChannelCaption(channel, stat.ChannelSize());
  }
  template <class Stat>
  static int32_t GroupCount(const Stat& stat) {
    return ChannelCountFor(stat.ChannelSize());
  }
  // A channel never holds more than the 45 numbers, so a larger size counts no further than that.
  template <class Stat>
  static int32_t GroupCapacity(const Stat& stat) {
    return std::min(stat.ChannelSize(), MaxNumber);
  }
  // One entry per channel; none when the configured size is not positive.
  static std::pair<int32_t, int32_t> ParamRange(const TStatEnv& env) {
    const int32_t size = env.Config.ChannelSize;
    return size > 0 ? std::pair{1, ChannelCountFor(size)} : std::pair{0, -1};
  }
};

using TstChannels = TstGroupLines<TChannelGrouping>;     // the channel of each of the five numbers
using TstChanValues = TstGroupValues<TChannelGrouping>;  // (channel, numbers in it) for every channel
using TstChanCount = TstGroupCount<TChannelGrouping>;    // how many channels are occupied
using TstChnValCnt = TstGroupValCnt<TChannelGrouping>;   // "CHN1".."CHN<channels>"

using TstCombChnMix2 = TstGroupTuples<TChannelGrouping, true, 2>;
using TstCombChnMix3 = TstGroupTuples<TChannelGrouping, true, 3>;
using TstCombChnMix4 = TstGroupTuples<TChannelGrouping, true, 4>;
using TstCombChnSeq2 = TstGroupTuples<TChannelGrouping, false, 2>;
using TstCombChnSeq3 = TstGroupTuples<TChannelGrouping, false, 3>;
using TstCombChnSeq4 = TstGroupTuples<TChannelGrouping, false, 4>;

extern template class TstGroupLines<TChannelGrouping>;
extern template class TstGroupValues<TChannelGrouping>;
extern template class TstGroupCount<TChannelGrouping>;
extern template class TstGroupValCnt<TChannelGrouping>;

}  // namespace kivra
