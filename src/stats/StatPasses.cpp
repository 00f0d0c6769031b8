#include "stats/StatPasses.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace kivra {

namespace {

// Below this many combinations a pass runs on the calling thread: starting threads costs more.
constexpr size_t MinParallelSize = 65536;

// Splits [0, size) into `parts` contiguous chunks.
std::vector<std::pair<size_t, size_t>> Chunks(size_t size, unsigned parts) {
  std::vector<std::pair<size_t, size_t>> chunks;
  for (unsigned i = 0; i < parts; ++i) chunks.emplace_back(size * i / parts, size * (i + 1) / parts);
  return chunks;
}

unsigned EffectiveThreads(size_t size, unsigned threads) {
  if (threads <= 1 || size < MinParallelSize) return 1;
  return static_cast<unsigned>(std::min<size_t>(threads, size / (MinParallelSize / 2)));
}

}  // namespace

TStatDrawArray ComputeWindow(TCustomStat& stat, int first, int last, bool sorted) {
  TStatDrawArray values;
  if (last < first) return values;
  TLastValueArray lastSeen;
  stat.EnumValues(last, values);
  TStatWork work{};
  for (int index = first; index <= last; ++index) stat.DrawValues(index, last, sorted, values, work, lastSeen);
  return values;
}

unsigned DefaultThreadCount() { return std::max(1u, std::thread::hardware_concurrency()); }

size_t FilterCombs(TCustomStat& stat, std::span<const TComb> in, TComb* out, const TStatDrawArray& selected,
                   int refIndex, bool sorted, bool remove, unsigned threads) {
  const TMatchContext ctx{refIndex, sorted, remove};
  stat.PrepareFilter(ctx);
  const TFastSelection sel(selected);
  const unsigned parts = EffectiveThreads(in.size(), threads);
  if (parts == 1) return stat.FilterSpan(in, out, sel, ctx);

  // Each chunk is filtered into its own place in `out` (never past its own input), then the
  // results are moved together in chunk order.
  const auto chunks = Chunks(in.size(), parts);
  std::vector<size_t> kept(parts);
  {
    std::vector<std::jthread> workers;
    for (unsigned i = 1; i < parts; ++i)
      workers.emplace_back([&, i] {
        kept[i] = stat.FilterSpan(in.subspan(chunks[i].first, chunks[i].second - chunks[i].first),
                                  out + chunks[i].first, sel, ctx);
      });
    kept[0] = stat.FilterSpan(in.subspan(0, chunks[0].second), out, sel, ctx);
  }
  size_t total = kept[0];
  for (unsigned i = 1; i < parts; ++i) {
    std::memmove(out + total, out + chunks[i].first, kept[i] * sizeof(TComb));
    total += kept[i];
  }
  return total;
}

TStatDrawArray CountCombValues(const TCustomStat& stat, std::span<const TComb> combs, unsigned threads) {
  if (!stat.Class().CanPrefetch()) return {};
  const unsigned parts = EffectiveThreads(combs.size(), threads);
  std::vector<TKeyCounter> counters(parts);
  if (parts == 1) {
    stat.CountSpan(combs, 0, counters[0]);
  } else {
    const auto chunks = Chunks(combs.size(), parts);
    std::vector<std::jthread> workers;
    for (unsigned i = 1; i < parts; ++i)
      workers.emplace_back([&, i] {
        stat.CountSpan(combs.subspan(chunks[i].first, chunks[i].second - chunks[i].first), chunks[i].first,
                       counters[i]);
      });
    stat.CountSpan(combs.subspan(0, chunks[0].second), 0, counters[0]);
  }
  for (unsigned i = 1; i < parts; ++i) counters[0].Merge(counters[i]);
  return counters[0].Records();
}

const TCombsArray& FullCombinationSet() {
  static const TCombsArray all = [] {
    TCombsArray combs;
    combs.reserve(FullSetSize);
    for (uint8_t a = 1; a <= 41; ++a)
      for (uint8_t b = a + 1; b <= 42; ++b)
        for (uint8_t c = b + 1; c <= 43; ++c)
          for (uint8_t d = c + 1; d <= 44; ++d)
            for (uint8_t e = d + 1; e <= 45; ++e) combs.push_back({a, b, c, d, e});
    return combs;
  }();
  return all;
}

}  // namespace kivra
