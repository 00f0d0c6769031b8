#include "stats/StatPasses.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <bit>
#include <condition_variable>
#include <functional>
#include <mutex>
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

// Threads kept waiting for the data-parallel passes, so that a pass of a millisecond does not pay
// for starting and joining threads. One pass uses the pool at a time; a pass that finds it busy
// (another thread of the program is filtering) starts threads of its own.
class TWorkerPool {
 public:
  static TWorkerPool& Instance() {
    static TWorkerPool pool;
    return pool;
  }

  // Runs task(0..parts-1): part 0 on the calling thread, the others on the pool's threads.
  template <class Task>
  void Run(unsigned parts, Task&& task) {
    std::unique_lock busy(busy_, std::try_to_lock);
    if (!busy.owns_lock() || parts - 1 > workers_.size()) {
      std::vector<std::jthread> own;
      for (unsigned i = 1; i < parts; ++i) own.emplace_back([&task, i] { task(i); });
      task(0);
      return;
    }
    const std::function<void(unsigned)> job = std::ref(task);
    {
      std::lock_guard lock(mutex_);
      job_ = &job;
      parts_ = parts;
      pending_.store(parts - 1);
      generation_.fetch_add(1);
    }
    wake_.notify_all();
    task(0);
    // A pass is a millisecond or less: wait for the others briefly by polling before sleeping.
    SpinUntil([&] { return pending_.load() == 0; });
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return pending_.load() == 0; });
    job_ = nullptr;
  }

 private:
  TWorkerPool() {
    const unsigned extra = DefaultThreadCount() > 1 ? DefaultThreadCount() - 1 : 0;
    for (unsigned i = 0; i < extra; ++i) workers_.emplace_back([this, i](std::stop_token stop) { Work(i + 1, stop); });
  }
  ~TWorkerPool() {
    for (auto& w : workers_) w.request_stop();
    {
      std::lock_guard lock(mutex_);  // a worker between its test and its wait must not miss the stop
    }
    wake_.notify_all();
  }

  // Polls `ready` for up to a fifth of a millisecond; true when it became true.
  template <class Ready>
  static bool SpinUntil(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
    for (unsigned i = 0;; ++i) {
      if (ready()) return true;
      if (i % 64 == 63 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
  }

  void Work(unsigned part, std::stop_token stop) {
    uint64_t seen = 0;
    while (true) {
      // The passes of one command follow each other closely (masks, then their combinations):
      // poll for the next one briefly before sleeping.
      SpinUntil([&] { return generation_.load() != seen || stop.stop_requested(); });
      const std::function<void(unsigned)>* job = nullptr;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop.stop_requested() || generation_.load() != seen; });
        if (stop.stop_requested()) return;
        seen = generation_.load();
        if (part < parts_) job = job_;
      }
      if (job == nullptr) continue;
      (*job)(part);
      if (pending_.fetch_sub(1) == 1) {
        std::lock_guard lock(mutex_);
        done_.notify_one();
      }
    }
  }

  std::mutex busy_;  // held by the pass that uses the pool
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(unsigned)>* job_ = nullptr;
  unsigned parts_ = 0;
  std::atomic<unsigned> pending_{0};
  std::atomic<uint64_t> generation_{0};
  std::vector<std::jthread> workers_;  // last: they stop before the rest goes
};

unsigned EffectiveThreads(size_t size, unsigned threads) {
  if (threads <= 1 || size < MinParallelSize) return 1;
  return static_cast<unsigned>(std::min<size_t>(threads, size / (MinParallelSize / 2)));
}

}  // namespace

TStatDrawArray ComputeWindow(TCustomStat& stat, int first, int last, bool sorted) {
  TStatDrawArray values;
  if (last < first) return values;
  TLastValueArray lastSeen;
  TStatKeyIndexScope index(values);  // thousands of distinct values: merge by hash
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

  // Into a separate output, statistics with a vector program first take the kept-combination
  // masks of block-aligned chunks, then write each chunk's combinations straight to their final
  // place: no result is moved twice.
  const size_t blocks = (in.size() + ColumnBlock - 1) / ColumnBlock;
  std::vector<uint64_t> masks(blocks);
  std::vector<std::pair<size_t, size_t>> blockChunks = Chunks(blocks, parts);
  auto combsOf = [&](unsigned i) {
    const size_t from = blockChunks[i].first * ColumnBlock;
    return in.subspan(from, std::min(in.size(), blockChunks[i].second * ColumnBlock) - from);
  };
  if (out != in.data()) {
    std::vector<char> masked(parts);
    TWorkerPool::Instance().Run(parts, [&](unsigned i) {
      masked[i] = stat.FilterMasks(combsOf(i), sel, ctx, masks.data() + blockChunks[i].first);
    });
    if (std::all_of(masked.begin(), masked.end(), [](char m) { return m != 0; })) {
      std::vector<size_t> offsets(parts + 1);
      for (unsigned i = 0; i < parts; ++i) {
        size_t n = 0;
        for (size_t b = blockChunks[i].first; b < blockChunks[i].second; ++b) n += std::popcount(masks[b]);
        offsets[i + 1] = offsets[i] + n;
      }
      TWorkerPool::Instance().Run(parts, [&](unsigned i) {
        const auto part = combsOf(i);
        CompressCombs(reinterpret_cast<const uint8_t*>(part.data()), part.size(), masks.data() + blockChunks[i].first,
                      reinterpret_cast<uint8_t*>(out + offsets[i]));
      });
      return offsets[parts];
    }
  }

  // Otherwise each chunk is filtered into its own place in `out` (never past its own input), then
  // the results are moved together in chunk order.
  const auto chunks = Chunks(in.size(), parts);
  std::vector<size_t> kept(parts);
  TWorkerPool::Instance().Run(parts, [&](unsigned i) {
    kept[i] = stat.FilterSpan(in.subspan(chunks[i].first, chunks[i].second - chunks[i].first), out + chunks[i].first,
                              sel, ctx);
  });
  size_t total = kept[0];
  for (unsigned i = 1; i < parts; ++i) {
    std::memmove(out + total, out + chunks[i].first, kept[i] * sizeof(TComb));
    total += kept[i];
  }
  return total;
}

size_t CountKept(TCustomStat& stat, std::span<const TComb> in, const TStatDrawArray& selected, int refIndex,
                 bool sorted, bool remove, unsigned threads) {
  const TMatchContext ctx{refIndex, sorted, remove};
  stat.PrepareFilter(ctx);
  const TFastSelection sel(selected);
  const unsigned parts = EffectiveThreads(in.size(), threads);
  // Block-aligned chunks: the vector kernels' masks are only counted; other statistics filter into
  // a scratch piece of their own, a piece at a time.
  const size_t blocks = (in.size() + ColumnBlock - 1) / ColumnBlock;
  const auto blockChunks = Chunks(blocks, parts);
  std::vector<size_t> kept(parts);
  auto count = [&](unsigned i) {
    const size_t from = blockChunks[i].first * ColumnBlock;
    const auto part = in.subspan(from, std::min(in.size(), blockChunks[i].second * ColumnBlock) - from);
    std::vector<uint64_t> masks(blockChunks[i].second - blockChunks[i].first);
    if (!part.empty() && stat.FilterMasks(part, sel, ctx, masks.data())) {
      size_t n = 0;
      for (uint64_t m : masks) n += std::popcount(m);
      kept[i] = n;
      return;
    }
    constexpr size_t Piece = 16384;
    std::vector<TComb> scratch(std::min(Piece, part.size()));
    size_t n = 0;
    for (size_t at = 0; at < part.size(); at += Piece)
      n += stat.FilterSpan(part.subspan(at, std::min(Piece, part.size() - at)), scratch.data(), sel, ctx);
    kept[i] = n;
  };
  if (parts == 1) count(0);
  else TWorkerPool::Instance().Run(parts, count);
  size_t total = 0;
  for (size_t k : kept) total += k;
  return total;
}

unsigned PassParts(size_t size, unsigned threads) { return EffectiveThreads(size, threads); }

void RunPassParts(unsigned parts, const std::function<void(unsigned)>& task) {
  if (parts <= 1) task(0);
  else TWorkerPool::Instance().Run(parts, task);
}

TStatDrawArray CountCombValues(const TCustomStat& stat, std::span<const TComb> combs, unsigned threads) {
  if (!stat.Class().CanPrefetch()) return {};
  const unsigned parts = EffectiveThreads(combs.size(), threads);
  std::vector<TKeyCounter> counters(parts);
  if (parts == 1) {
    stat.CountSpan(combs, 0, counters[0]);
  } else {
    const auto chunks = Chunks(combs.size(), parts);
    TWorkerPool::Instance().Run(parts, [&](unsigned i) {
      stat.CountSpan(combs.subspan(chunks[i].first, chunks[i].second - chunks[i].first), chunks[i].first, counters[i]);
    });
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
