#include "workspace/StatTab.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "stats/ListCounts.h"
#include "stats/StatPasses.h"
#include "workspace/ProgramFiles.h"

namespace kivra {
namespace {

constexpr std::string_view BuildCacheError =
    "Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s";
constexpr std::string_view OpenCacheError =
    "Ошибка открытия файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s";
constexpr std::string_view BuildAllCachesProgress = "Создание файлов для полного набора комбинаций...";

// Counts the statistic over the full set and writes the file; returns the bytes written.
std::string WriteCacheFile(const TCustomStat& stat, const std::filesystem::path& path, unsigned threads) {
  std::filesystem::create_directories(path.parent_path());
  std::string bytes = CacheBytes(FullSetDistribution(stat, threads));
  WriteFileAtomic(path, bytes);
  return bytes;
}

// A failed build leaves no file behind (an old one would no longer match what was asked for).
void RemoveCacheFile(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

TStatTab::TStatTab(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats, TWindowSettings& settings,
                   std::filesystem::path dataDir, TCombState& combs)
    : port_(port), archive_(archive), stats_(stats), settings_(settings), dataDir_(std::move(dataDir)), combs_(combs) {}

void TStatTab::LoadSettings() {
  windowLength_ = static_cast<int>(
      std::clamp<int64_t>(settings_.ReadSetting(StateSettingsSection, "DrawsStatLen", int64_t{1000}), 1, INT32_MAX));
  prefetchsEnabled_ = settings_.ReadSetting(StateSettingsSection, "PrefetchsEnabled", false);
  showTotalLine_ = settings_.ReadSetting(StateSettingsSection, "ShowTotalLine", true);
  showInList_ = settings_.ReadSetting(StateSettingsSection, "ShowInList", false);
}

void TStatTab::SetShowInList(bool on, bool store) {
  showInList_ = on;
  if (store) settings_.WriteSetting(StateSettingsSection, "ShowInList", on, &port_);
  if (!on && view_.SortColumn() == ColInList) view_.SetSort(ColCount, false);
  RefreshInList();
}

void TStatTab::RefreshInList() {
  if (!showInList_ || view_.Rows().empty() || item_ < 0 || item_ >= stats_.Count()) {
    view_.SetInList({});
    return;
  }
  try {
    const auto stat = stats_.CreateStat(item_);
    TStatDrawArray rows;
    rows.reserve(view_.Rows().size());
    for (const TStatRow& r : view_.Rows()) rows.push_back(r.Rec);
    view_.SetInList(CountRowsInList(*stat, combs_.List().Items(), rows, archive_.AnalysisEnd(), archive_.SortedDraws(),
                                    combs_.FilterThreads()));
  } catch (const std::exception& e) {
    view_.SetInList({});
    port_.ShowError(ErrorText(e));
  }
}

size_t TStatTab::InListOfRows(std::span<const size_t> rows) {
  const TStatDrawArray selected = view_.SelectedValues(rows);
  if (selected.empty() || item_ < 0 || item_ >= stats_.Count()) return 0;
  const auto stat = stats_.CreateStat(item_);
  return CountSelectedInList(*stat, combs_.List().Items(), selected, archive_.AnalysisEnd(), archive_.SortedDraws(),
                             combs_.FilterThreads());
}

void TStatTab::SetPrefetchsEnabled(bool on, bool store) {
  prefetchsEnabled_ = on;
  if (store) settings_.WriteSetting(StateSettingsSection, "PrefetchsEnabled", on, &port_);
}

void TStatTab::SetShowTotalLine(bool on, bool store) {
  showTotalLine_ = on;
  if (store) settings_.WriteSetting(StateSettingsSection, "ShowTotalLine", on, &port_);
}

std::filesystem::path TStatTab::CacheFileName(int entry) const {
  return kivra::CacheFileName(dataDir_, ProgramBaseName, stats_.Code(entry));
}

std::optional<TCacheData> TStatTab::BuildCache(int entry) {
  const auto path = CacheFileName(entry);
  TBusyScope busy(port_, SysFormat("Создание файла предварительной выборки %s...", {path.filename().string()}));
  try {
    const auto stat = stats_.CreateStat(entry);
    // The list is lent to the build: what stays visible of that is the undo step it replaced.
    combs_.List().DropUndo();
    combs_.List().UpdateCombsView();
    return ParseCacheBytes(WriteCacheFile(*stat, path, combs_.FilterThreads()));
  } catch (const std::exception& e) {
    RemoveCacheFile(path);
    port_.ShowError(SysFormat(BuildCacheError, {path.string(), ErrorText(e)}));
    return std::nullopt;
  }
}

std::optional<TCacheData> TStatTab::OpenCache(int entry) {
  if (!prefetchsEnabled_ || entry < 0 || entry >= stats_.Count()) return std::nullopt;
  if (!stats_.Item(entry).StatClass->CanPrefetch()) return std::nullopt;
  const auto path = CacheFileName(entry);
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size == 0) return BuildCache(entry);
  try {
    return ParseCacheBytes(ReadWholeFile(path));
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat(OpenCacheError, {path.string(), ErrorText(e)}));
    return std::nullopt;
  }
}

int TStatTab::BuildAllCaches(bool force, uint32_t groups) {
  auto inGroups = [groups](const TStatClass& cls) {
    const int group = cls.GetGroup();
    return group >= 0 && group < 32 && (groups >> group & 1u) != 0;
  };
  if (!force && !prefetchsEnabled_) {
    // Existing files are trusted without checking when the comparison is next switched on, so the
    // files of the changed groups must not outlive the change.
    for (int i = 0; i < stats_.Count(); ++i) {
      const TStatClass& cls = *stats_.Item(i).StatClass;
      if (cls.CanPrefetch() && inGroups(cls)) RemoveCacheFile(CacheFileName(i));
    }
    return 0;
  }

  std::vector<int> entries;
  const int total = stats_.Count();
  for (int i = 0; i < total; ++i) {
    const TStatClass& cls = *stats_.Item(i).StatClass;
    if (!cls.CanPrefetch()) continue;
    const auto path = CacheFileName(i);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !inGroups(cls)) continue;
    entries.push_back(i);
  }
  return BuildCacheFiles(entries);
}

int TStatTab::BuildCacheFiles(std::span<const int> entries) {
  struct TJob {
    int Entry;
    std::filesystem::path Path;
    std::unique_ptr<TCustomStat> Stat;
    std::string Error;
  };
  std::vector<TJob> jobs;
  for (int entry : entries)
    if (entry >= 0 && entry < stats_.Count() && stats_.Item(entry).StatClass->CanPrefetch())
      jobs.push_back({entry, CacheFileName(entry), nullptr, {}});
  if (jobs.empty()) return 0;
  TBusyScope busy(port_, BuildAllCachesProgress);

  // Statistics are created here, the counting and writing runs on the workers; messages and
  // progress stay on the calling thread.
  for (auto& job : jobs) {
    try {
      job.Stat = stats_.CreateStat(job.Entry);
    } catch (const std::exception& e) {
      job.Error = ErrorText(e);
    }
  }
  combs_.List().DropUndo();
  combs_.List().UpdateCombsView();

  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable changed;
  size_t done = 0;
  auto worker = [&] {
    for (size_t k; (k = next.fetch_add(1)) < jobs.size();) {
      TJob& job = jobs[k];
      if (job.Stat) {
        try {
          WriteCacheFile(*job.Stat, job.Path, 1);
        } catch (const std::exception& e) {
          job.Error = ErrorText(e);
        }
        job.Stat.reset();
      }
      std::lock_guard lock(mutex);
      ++done;
      changed.notify_one();
    }
  };
  const unsigned threads = std::min<size_t>(std::max(1u, combs_.FilterThreads()), jobs.size());
  std::vector<std::jthread> pool;
  for (unsigned t = 0; t < threads; ++t) {
    try {
      pool.emplace_back(worker);
    } catch (const std::system_error&) {
      break;  // no more threads: the ones started (or this one) do the rest
    }
  }
  if (pool.empty()) worker();
  {
    std::unique_lock lock(mutex);
    size_t shown = SIZE_MAX;
    while (true) {
      if (done != shown) {
        shown = done;
        const size_t position = shown;
        lock.unlock();
        port_.ShowProgress(SysFormat("%s %d/%d", {BuildAllCachesProgress, position, jobs.size()}));
        lock.lock();
        continue;  // more may have finished while the text was shown: the last count is always shown
      }
      if (done == jobs.size()) break;
      changed.wait(lock, [&] { return done != shown; });
    }
  }
  pool.clear();

  int built = 0;
  for (const auto& job : jobs) {
    if (job.Error.empty()) {
      ++built;
      continue;
    }
    RemoveCacheFile(job.Path);
    port_.ShowError(SysFormat(BuildCacheError, {job.Path.string(), job.Error}));
  }
  return built;
}

bool TStatTab::Refresh(bool force) {
  const int item = item_;
  if (item < 0 || item >= stats_.Count()) {
    view_.Clear();
    return true;
  }
  const TStatViewKey key{archive_.Count(), archive_.DrawsOffset(), windowLength_, item};
  if (!view_.NeedsCompute(key, force)) return true;
  view_.Clear();
  if (archive_.Empty()) return true;
  view_.SetLastKey(key);
  TBusyScope busy(port_, "Анализ тиражей и расчет статистики...");
  try {
    const auto stat = stats_.CreateStat(item);
    const std::optional<TCacheData> cache = OpenCache(item);
    TStatViewParams params;
    params.Offset = archive_.DrawsOffset();
    params.WindowLength = windowLength_;
    params.Sorted = archive_.SortedDraws();
    params.IdealLine = showTotalLine_;
    params.Coefs = stats_.Coefs;
    view_.Compute(*stat, archive_, params, cache ? &*cache : nullptr);
  } catch (const std::exception& e) {
    view_.Clear();
    view_.ResetKey();
    port_.ShowError(ErrorText(e));
    return false;
  }
  RefreshInList();
  return true;
}

bool TStatTab::FilterByRows(std::span<const size_t> rows, bool remove) {
  return combs_.FilterByValues(item_, nullptr, view_.SelectedValues(rows), view_.SelectedText(rows), remove);
}

}  // namespace kivra
