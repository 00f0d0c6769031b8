#include "stats/SF_Chain.h"

namespace kivra {

std::span<const TStatListEntry> ChainStatClasses() {
  static const TStatListEntry entries[] = {
      {117, &StatClassOf<TstChain2DrawsAll>()},
      {118, &StatClassOf<TstChain2DrawsPos>()},
      {119, &StatClassOf<TstChain2Pos>()},
      {120, &StatClassOf<TstChain3DrawsPos>()},
      {121, &StatClassOf<TstChain3Pos>()},
      {122, &StatClassOf<TstChain2ChannelsAll>()},
      {123, &StatClassOf<TstChain2ChannelsPos>()},
      {124, &StatClassOf<TstChain2Channel>()},
      {125, &StatClassOf<TstChain3ChannelsPos>()},
      {126, &StatClassOf<TstChain3Channel>()},
      {127, &StatClassOf<TstChain2CnlCnt>()},
      {128, &StatClassOf<TstChain3CnlCnt>()},
      {129, &StatClassOf<TstChainChannels2InsideAll>()},
      {130, &StatClassOf<TstChainChannels2InsideSuc>()},
      {131, &StatClassOf<TstChainChannels2InsideBad>()},
      {132, &StatClassOf<TstChainChannels2InsideCnt>()},
      {133, &StatClassOf<TstChain2SegmentsAll>()},
      {134, &StatClassOf<TstChain2SegmentsPos>()},
      {135, &StatClassOf<TstChain2Segment>()},
      {136, &StatClassOf<TstChain3SegmentsPos>()},
      {137, &StatClassOf<TstChain3Segment>()},
      {138, &StatClassOf<TstChain2SgmCnt>()},
      {139, &StatClassOf<TstChain3SgmCnt>()},
  };
  return entries;
}

}  // namespace kivra
