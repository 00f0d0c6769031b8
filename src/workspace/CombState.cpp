#include "workspace/CombState.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "stats/StatPasses.h"
#include "combs/CombFiles.h"

namespace kivra {

namespace {

// What an operation that narrows the list kept, and the values text of its log row (no row when
// Logged is false).
struct TNarrowed {
  size_t Kept = 0;
  bool Logged = true;
  std::string Values;
};

// The pattern of every operation that narrows the list: the list is handed to the undo copy and
// rebuilt from it by `rebuild` (which writes the entries it keeps and says how many), one log row,
// the view updated in every case. A failure is reported and gives false.
template <class Rebuild>
bool NarrowList(TCombList& combs, TUserPort& port, std::string_view progress, bool remove, std::string_view caption,
                Rebuild rebuild) {
  try {
    combs.MoveToUndo(true);
    TBusyScope busy(port, progress);
    combs.ResizeList(combs.UndoStorage(), 0);
    const TNarrowed r = rebuild(combs.UndoItems(), combs.Data());
    combs.ResizeList(combs.UndoStorage(), static_cast<uint32_t>(r.Kept));
    if (r.Logged) combs.AddFilterLog(remove, caption, r.Values);
    combs.UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    combs.UpdateCombsView();
    port.ShowError(ErrorText(e));
    return false;
  }
}

}  // namespace

TCombState::TCombState(TUserPort& port, const TDrawsArchive& archive, const TStatList& stats, TConfiguration& config,
                       std::filesystem::path configPath)
    : port_(port),
      archive_(archive),
      stats_(stats),
      config_(config),
      configPath_(std::move(configPath)),
      list_(port),
      filterThreads_(DefaultThreadCount()) {}

TGenParams TCombState::GenDefaults() const {
  TGenParams params;
  const int32_t mode = config_.Gen.Mode;
  params.Mode = mode >= 1 && mode <= 4 ? static_cast<uint8_t>(mode) : uint8_t{GenFullSet};
  params.Param = CutGenParam(config_.Gen.Parameters);
  return params;
}

bool TCombState::SaveGenDefaults(const TGenDefaults& gen) {
  config_.Gen = gen;
  return kivra::SaveGenDefaults(configPath_, gen);
}

bool TCombState::GenerateList(bool refresh, const TGenParams& params) { return Generate(refresh, params, false); }

bool TCombState::Generate(bool refresh, const TGenParams& params, bool keepUndo) {
  std::optional<TBusyScope> busy;
  if (refresh) busy.emplace(port_, "Генерация возможных комбинаций...");
  try {
    bool ok = true;
    if (params.Mode == GenFromFile) {
      // A read error has been reported; what was read before it stays.
      ok = LoadCombsFile(list_, std::filesystem::path(params.Param), port_);
    } else {
      const bool usesNumbers = params.Mode >= GenAnyOfMine && params.Mode <= GenNoneOfMine;
      GenerateCombs(list_, params.Mode, usesNumbers ? ParseUserNumbers(params.Param) : TNumSet{});
    }
    if (refresh) {
      list_.ClearFilterLog();
      list_.UpdateCombsView();
      if (!keepUndo) list_.ReserveUndo(list_.Count(), 0);
      list_.ReserveSnapshot(list_.Count(), 0);
    }
    return ok;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка генерации файла комбинаций!\r\r%s", {ErrorText(e)}));
    return false;
  }
}

bool TCombState::GenerateCommand(TGenParams params, bool saveAsDefaults) {
  params.Param = CutGenParam(params.Param);
  // Numbers that cannot make a useful list are refused before anything changes.
  if (const std::string problem = GenNumbersProblem(params); !problem.empty()) {
    port_.ShowError(problem);
    return false;
  }
  if (saveAsDefaults) SaveGenDefaults({params.Mode, params.Param});
  try {
    list_.SaveUndo(true);
    list_.SaveUndoLog();
  } catch (const std::exception& e) {
    port_.ShowError(ErrorText(e));
    return false;
  }
  return Generate(true, params, true);
}

bool TCombState::FilterByValues(int entry, TCustomStat* stat, const TStatDrawArray& values, std::string_view valuesText,
                                bool remove) {
  // Without values there is no operation: the list, the log and the undo copy stay as they are, so
  // that undo still belongs to the operation of the last log row.
  if (values.empty()) return false;
  if (entry < 0 || entry >= stats_.Count()) {
    port_.ShowError("Метод расчета статистики не найден!");
    return false;
  }
  return NarrowList(list_, port_, "Фильтрация комбинаций...", remove, stats_.ListCaption(entry, true),
                    [&](std::span<const TComb> source, TComb* out) {
                      std::unique_ptr<TCustomStat> own;
                      if (!stat) {
                        own = stats_.CreateStat(entry);
                        stat = own.get();
                      }
                      // An empty list gives no log row.
                      if (source.empty()) return TNarrowed{0, false, {}};
                      return TNarrowed{FilterCombs(*stat, source, out, values, archive_.AnalysisEnd(),
                                                   archive_.SortedDraws(), remove, filterThreads_),
                                       true, std::string(valuesText)};
                    });
}

bool TCombState::FilterByGrid(TGridKind kind, const TGridSelection& selection, bool remove) {
  const TGridValues values = CollectGridValues(kind, selection);
  if (values.Values.empty()) {
    // Reported before anything is touched (the undo copy keeps the operation before this one).
    port_.ShowError("В выделенном диапазоне нет значений для фильтра!");
    return false;
  }
  const int entry = stats_.FindCode("NUMS");
  if (entry < 0) {
    port_.ShowError("Метод расчета статистики не найден!");
    return false;
  }
  const auto nums = stats_.CreateStat(entry);
  return NarrowList(list_, port_, "Фильтрация комбинаций...", remove, GridCaption(kind),
                    [&](std::span<const TComb> source, TComb* out) {
                      if (source.empty()) return TNarrowed{0, false, {}};
                      return TNarrowed{FilterCombs(*nums, source, out, values.Values, archive_.AnalysisEnd(),
                                                   archive_.SortedDraws(), remove, filterThreads_),
                                       true, values.Text};
                    });
}

bool TCombState::RemoveLatestDraws(int n) {
  n = std::max(n, 0);
  return NarrowList(
      list_, port_, SysFormat("Удаление из списка комбинаций %d последних тиражей...", {n}), true, "Последние тиражи",
      [&](std::span<const TComb> source, TComb* out) {
        // The latest n visible draws: up to High - DrawsOffset.
        int first = 0, last = -1;
        if (n > 0) {
          last = archive_.High() - archive_.DrawsOffset();
          first = std::max(0, last - n + 1);
        }
        const auto& draws = archive_.StoredDraws();
        const TDrawMatcher matcher(last >= first
                                       ? std::span<const TDraw>(draws.data() + first, size_t(last - first + 1))
                                       : std::span<const TDraw>());
        const size_t count = source.size();
        const size_t step = std::max<size_t>(1, count / 100);
        size_t kept = 0;
        for (size_t i = 0; i < count; i += step) {
          port_.ShowProgress(SysFormat("Удаление из списка комбинаций %d последних тиражей ( завершено %.0f %% )...",
                                       {n, static_cast<double>(i + 1) * 100.0 / static_cast<double>(count)}));
          kept += matcher.KeepUndrawn(source.subspan(i, std::min(step, count - i)), out + kept);
        }
        return TNarrowed{kept, true, std::to_string(n)};
      });
}

bool TCombState::RemoveSelected(std::span<const uint32_t> rows) {
  return NarrowList(list_, port_, "Удаление выделенных комбинаций...", true, "Выделенные комбинации",
                    [&](std::span<const TComb> source, TComb* out) {
                      const size_t count = source.size();
                      std::vector<uint8_t> selected(count, 0);
                      uint32_t s = 0;
                      for (uint32_t r : rows)
                        if (r < count && !selected[r]) {
                          selected[r] = 1;
                          ++s;
                        }
                      size_t kept = 0;
                      for (size_t i = 0; i < count; ++i) {
                        out[kept] = source[i];
                        kept += !selected[i];
                      }
                      return TNarrowed{kept, true, std::to_string(s)};
                    });
}

bool TCombState::Undo() {
  if (!list_.CanUndo()) return false;
  try {
    list_.UndoFilterLog();
    list_.RestoreUndo(true);
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(ErrorText(e));
    return false;
  }
}

void TCombState::FindInDraws(const TComb& comb) {
  TBusyScope busy(port_, "Поиск по архиву тиражей...");
  std::vector<std::string> lines;
  for (int i = archive_.High(); i >= 0 && lines.size() <= 25; --i)
    if (CommonCount(archive_.Stored(i).Nums, comb) == CombSize) lines.push_back(DrawDescription(archive_.Stored(i)));
  if (lines.empty()) {
    port_.ShowInfo("Выделенная комбинация не найдена архиве тиражей!");
    return;
  }
  std::string text = "Выделенная комбинация найдена в следующих тиражах:\r\r";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\r';
    text += lines[i];
  }
  port_.ShowInfo(text);
}

void TCombState::CheckNums() {
  TBusyScope busy(port_, "Подождите пожалуйста...");
  std::array<bool, 256> seen{};
  int unique = 0;
  for (const TComb& c : list_.Items())
    for (uint8_t n : c)
      if (!seen[n]) {
        seen[n] = true;
        ++unique;
      }
  port_.ShowInfo(SysFormat("В текущем списке комбинаций содержится %d уникальных номеров", {unique}));
}

bool TCombState::OpenFile(const std::filesystem::path& file) {
  try {
    list_.SaveUndo(true);
    list_.SaveUndoLog();
    TBusyScope busy(port_, SysFormat("Загрузка файла \"%s\"...", {file.string()}));
    bool ok = LoadCombsFile(list_, file, port_);
    if (ok && list_.Count() == 0) {
      port_.ShowError(SysFormat("В файле \"%s\" нет ни одной комбинации!", {file.string()}));
      ok = false;
    }
    // A file that cannot be read, or holds no combination, leaves the list and its log as they were.
    if (ok) list_.ClearFilterLog();
    else list_.RestoreUndo(true);
    list_.UpdateCombsView();
    return ok;
  } catch (const std::exception& e) {
    list_.UpdateCombsView();
    port_.ShowError(ErrorText(e));
    return false;
  }
}

bool TCombState::SaveFile(const std::filesystem::path& file) {
  TBusyScope busy(port_, SysFormat("Сохранение файла \"%s\"...", {file.string()}));
  return kivra::SaveCombsFile(list_, file, port_);
}

std::string TCombState::CopyText(std::span<const uint32_t> rows) {
  TBusyScope busy(port_, "Подождите пожалуйста...");
  return CombsClipboardText(list_, rows);
}

bool TCombState::PasteText(std::string_view text) {
  const auto lines = SplitTextLines(text);
  if (lines.empty()) return false;
  TBusyScope busy(port_, "Подождите пожалуйста...");
  bool ok = false;
  try {
    if (lines.size() > UINT32_MAX) throw std::length_error("Слишком много строк!");
    list_.SaveUndo(false);
    list_.SaveUndoLog();
    list_.ResizeList(lines.size(), static_cast<uint32_t>(lines.size()));
    try {
      TComb* out = list_.Data();
      for (size_t i = 0; i < lines.size(); ++i) out[i] = PastedLineToComb(lines[i]);
      list_.ClearFilterLog();
      ok = true;
    } catch (const TConvertError& e) {
      port_.ShowError(ErrorText(e));
      list_.RestoreUndo(true);
    }
    list_.UpdateCombsView();
  } catch (const std::exception& e) {
    list_.UpdateCombsView();
    port_.ShowError(ErrorText(e));
  }
  return ok;
}

}  // namespace kivra
