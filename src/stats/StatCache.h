// Full-set distribution files: the counts of every value of a statistic over all combinations of
// the lottery, written once per registry entry and read by the statistics view for its comparison.
//
// File: 12-byte records K1, K2, K3, K4 (uint16 each), Count (int32) in ascending key order, then a
// 12-byte trailer MinCount, MaxCount, 0 (int32 each). Little-endian, no header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "stats/CustomStat.h"
#include "stats/StatTypes.h"

namespace kivra {

inline constexpr std::string_view CacheFolderName = "Prefetchs";
inline constexpr size_t CacheRecordSize = 12;

struct TCacheRecord {
  TStatKey Key;
  int32_t Count = 0;
  bool operator==(const TCacheRecord&) const = default;
};

// The content of a cache file as read.
struct TCacheData {
  std::vector<TCacheRecord> Records;  // in file order
  int32_t MinCount = 0;               // from the trailer
  int32_t MaxCount = 0;
};

// <dataDir>/Prefetchs/<baseName>_<code>.dfc
std::filesystem::path CacheFileName(const std::filesystem::path& dataDir, std::string_view baseName,
                                    std::string_view code);

// The distribution of the statistic's values over all 1221759 combinations, sorted by key.
// `threads` splits the counting (the result does not depend on it).
TStatDrawArray FullSetDistribution(const TCustomStat& stat, unsigned threads = 1);

// The file bytes of a sorted distribution: one record per value, then the trailer with the
// smallest and largest count (0 and 0 for an empty distribution).
std::string CacheBytes(const TStatDrawArray& sorted);

// Reads file bytes. The trailer is the last 12 bytes; the records are the whole 12-byte records
// before it. Fewer than 12 bytes give no trailer and no records (MaxCount 0: no comparison).
TCacheData ParseCacheBytes(std::string_view bytes);

}  // namespace kivra
