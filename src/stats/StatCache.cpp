#include "stats/StatCache.h"

#include <algorithm>
#include <climits>

#include "stats/StatPasses.h"

namespace kivra {
namespace {

void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void PutI32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

uint16_t GetU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

int32_t GetI32(const unsigned char* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

}  // namespace

std::filesystem::path CacheFileName(const std::filesystem::path& dataDir, std::string_view baseName,
                                    std::string_view code) {
  std::string name(baseName);
  name += '_';
  name += code;
  name += ".dfc";
  return dataDir / CacheFolderName / name;
}

TStatDrawArray FullSetDistribution(const TCustomStat& stat, unsigned threads) {
  TStatDrawArray values = CountCombValues(stat, FullCombinationSet(), threads);
  SortStatValues(values);
  return values;
}

std::string CacheBytes(const TStatDrawArray& sorted) {
  std::string out;
  out.reserve((sorted.size() + 1) * CacheRecordSize);
  int32_t minCount = INT32_MAX, maxCount = 0;
  for (const auto& v : sorted) {
    for (int k = 1; k <= 4; ++k) PutU16(out, v.Key.K(k));
    PutI32(out, v.Count);
    minCount = std::min(minCount, v.Count);
    maxCount = std::max(maxCount, v.Count);
  }
  PutI32(out, sorted.empty() ? 0 : minCount);
  PutI32(out, maxCount);
  PutI32(out, 0);
  return out;
}

TCacheData ParseCacheBytes(std::string_view bytes) {
  TCacheData data;
  if (bytes.size() < CacheRecordSize) return data;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t trailer = bytes.size() - CacheRecordSize;
  data.MinCount = GetI32(p + trailer);
  data.MaxCount = GetI32(p + trailer + 4);
  const size_t count = trailer / CacheRecordSize;
  data.Records.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* r = p + i * CacheRecordSize;
    data.Records[i].Key = TStatKey::Words(GetU16(r), GetU16(r + 2), GetU16(r + 4), GetU16(r + 6));
    data.Records[i].Count = GetI32(r + 8);
  }
  return data;
}

}  // namespace kivra
