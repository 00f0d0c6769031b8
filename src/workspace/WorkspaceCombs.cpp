// The combination-list commands of TWorkspace: generation, the filters, undo, files and the
// clipboard text.
#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "core/SysFormat.h"
#include "stats/StatPasses.h"
#include "workspace/CombFiles.h"
#include "workspace/Workspace.h"

namespace kivra {

TGenParams TWorkspace::GenDefaults() const {
  TGenParams params;
  const int32_t mode = config_.Gen.Mode;
  params.Mode = mode >= 1 && mode <= 4 ? static_cast<uint8_t>(mode) : uint8_t{GenFullSet};
  params.Param = CutGenParam(config_.Gen.Parameters);
  return params;
}

bool TWorkspace::GenerateList(bool refresh, const TGenParams& params) {
  std::optional<TBusyScope> busy;
  if (refresh) busy.emplace(port_, "Генерация возможных комбинаций...");
  try {
    bool ok = true;
    if (params.Mode == GenFromFile) {
      // A read error has been reported; what was read before it stays.
      ok = LoadCombsFile(combs_, std::filesystem::path(params.Param), port_);
    } else {
      const bool usesNumbers = params.Mode >= GenAnyOfMine && params.Mode <= GenNoneOfMine;
      GenerateCombs(combs_, params.Mode, usesNumbers ? ParseUserNumbers(params.Param) : TNumSet{});
    }
    if (refresh) {
      combs_.ClearFilterLog();
      combs_.UpdateCombsView();
      combs_.ReserveUndo(combs_.Count(), 0);
      combs_.ReserveSnapshot(combs_.Count(), 0);
    }
    return ok;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка генерации файла комбинаций!\r\r%s", {e.what()}));
    return false;
  }
}

bool TWorkspace::GenerateCommand(TGenParams params, bool saveAsDefaults) {
  params.Param = CutGenParam(params.Param);
  if (saveAsDefaults) SaveGenDefaults({params.Mode, params.Param});
  try {
    combs_.SaveUndo(true);
  } catch (const std::exception& e) {
    port_.ShowError(e.what());
    return false;
  }
  return GenerateList(true, params);
}

bool TWorkspace::FilterByValues(int entry, TCustomStat* stat, const TStatDrawArray& values,
                                std::string_view valuesText, bool remove) {
  // Without values there is no operation: the list, the log and the undo copy stay as they are, so
  // that undo still belongs to the operation of the last log row.
  if (values.empty()) return false;
  try {
    if (entry < 0 || entry >= stats_.Count()) throw std::out_of_range("Метод расчета статистики не найден!");
    combs_.MoveToUndo(true);
    TBusyScope busy(port_, "Фильтрация комбинаций...");
    std::unique_ptr<TCustomStat> own;
    if (!stat) {
      own = stats_.CreateStat(entry);
      stat = own.get();
    }
    combs_.ResizeList(combs_.UndoStorage(), 0);
    if (combs_.UndoCount() > 0) {
      const size_t kept = FilterCombs(*stat, combs_.UndoItems(), combs_.Data(), values, archive_.AnalysisEnd(),
                                      archive_.SortedDraws(), remove, filterThreads_);
      combs_.ResizeList(combs_.UndoStorage(), static_cast<uint32_t>(kept));
      combs_.AddFilterLog(remove, stats_.ListCaption(entry, true), valuesText);
    }
    combs_.UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
    return false;
  }
}

bool TWorkspace::FilterByGrid(TGridKind kind, const TGridSelection& selection, bool remove) {
  const TGridValues values = CollectGridValues(kind, selection);
  if (values.Values.empty()) {
    // Reported before anything is touched (the undo copy keeps the operation before this one).
    port_.ShowError("В выделенном диапазоне нет значений для фильтра!");
    return false;
  }
  try {
    const int entry = stats_.FindCode("NUMS");
    if (entry < 0) throw std::out_of_range("Метод расчета статистики не найден!");
    const auto nums = stats_.CreateStat(entry);
    combs_.MoveToUndo(true);
    TBusyScope busy(port_, "Фильтрация комбинаций...");
    combs_.ResizeList(combs_.UndoStorage(), 0);
    if (combs_.UndoCount() > 0) {
      const size_t kept = FilterCombs(*nums, combs_.UndoItems(), combs_.Data(), values.Values,
                                      archive_.AnalysisEnd(), archive_.SortedDraws(), remove, filterThreads_);
      combs_.ResizeList(combs_.UndoStorage(), static_cast<uint32_t>(kept));
      combs_.AddFilterLog(remove, GridCaption(kind), values.Text);
    }
    combs_.UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
    return false;
  }
}

bool TWorkspace::RemoveLatestDraws(int n) {
  n = std::max(n, 0);
  try {
    combs_.MoveToUndo(true);
    TBusyScope busy(port_, SysFormat("Удаление из списка комбинаций %d последних тиражей...", {n}));
    // The latest n visible draws: up to High - DrawsOffset.
    int first = 0, last = -1;
    if (n > 0) {
      last = archive_.High() - archive_.DrawsOffset();
      first = std::max(0, last - n + 1);
    }
    const auto& draws = archive_.StoredDraws();
    const TDrawMatcher matcher(last >= first ? std::span<const TDraw>(draws.data() + first, size_t(last - first + 1))
                                             : std::span<const TDraw>());

    combs_.ResizeList(combs_.UndoStorage(), 0);
    const auto source = combs_.UndoItems();
    const size_t count = source.size();
    const size_t step = std::max<size_t>(1, count / 100);
    TComb* out = combs_.Data();
    size_t kept = 0;
    for (size_t i = 0; i < count; i += step) {
      port_.ShowProgress(SysFormat("Удаление из списка комбинаций %d последних тиражей ( завершено %.0f %% )...",
                                   {n, static_cast<double>(i + 1) * 100.0 / static_cast<double>(count)}));
      kept += matcher.KeepUndrawn(source.subspan(i, std::min(step, count - i)), out + kept);
    }
    combs_.ResizeList(combs_.UndoStorage(), static_cast<uint32_t>(kept));
    combs_.AddFilterLog(true, "Последние тиражи", std::to_string(n));
    combs_.UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
    return false;
  }
}

bool TWorkspace::RemoveSelected(std::span<const uint32_t> rows) {
  try {
    combs_.MoveToUndo(true);
    TBusyScope busy(port_, "Удаление выделенных комбинаций...");
    const uint32_t count = combs_.UndoCount();
    std::vector<uint8_t> selected(count, 0);
    uint32_t s = 0;
    for (uint32_t r : rows)
      if (r < count && !selected[r]) {
        selected[r] = 1;
        ++s;
      }
    combs_.ResizeList(combs_.UndoStorage(), 0);
    const auto source = combs_.UndoItems();
    TComb* out = combs_.Data();
    size_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
      out[kept] = source[i];
      kept += !selected[i];
    }
    combs_.ResizeList(combs_.UndoStorage(), static_cast<uint32_t>(kept));
    combs_.AddFilterLog(true, "Выделенные комбинации", std::to_string(s));
    combs_.UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
    return false;
  }
}

bool TWorkspace::UndoCombs() {
  if (!combs_.CanUndo()) return false;
  try {
    combs_.RestoreUndo(true);
    combs_.RemoveLastFilterLog();
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(e.what());
    return false;
  }
}

void TWorkspace::CombsFindInDraws(const TComb& comb) {
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

void TWorkspace::CombsCheckNums() {
  TBusyScope busy(port_, "Подождите пожалуйста...");
  std::array<bool, 256> seen{};
  int unique = 0;
  for (const TComb& c : combs_.Items())
    for (uint8_t n : c)
      if (!seen[n]) {
        seen[n] = true;
        ++unique;
      }
  port_.ShowInfo(SysFormat("В текущем списке комбинаций содержится %d уникальных номеров", {unique}));
}

bool TWorkspace::OpenCombsFile(const std::filesystem::path& file) {
  try {
    combs_.SaveUndo(true);
    TBusyScope busy(port_, SysFormat("Загрузка файла \"%s\"...", {file.string()}));
    const bool ok = LoadCombsFile(combs_, file, port_);
    if (!ok) combs_.RestoreUndo(true);
    combs_.DropUndo();
    combs_.ClearFilterLog();
    combs_.UpdateCombsView();
    return ok;
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
    return false;
  }
}

bool TWorkspace::SaveCombsFile(const std::filesystem::path& file) {
  TBusyScope busy(port_, SysFormat("Сохранение файла \"%s\"...", {file.string()}));
  return kivra::SaveCombsFile(combs_, file, port_);
}

std::string TWorkspace::CopyCombsText(std::span<const uint32_t> rows) {
  TBusyScope busy(port_, "Подождите пожалуйста...");
  return CombsClipboardText(combs_, rows);
}

bool TWorkspace::PasteCombsText(std::string_view text) {
  const auto lines = SplitTextLines(text);
  if (lines.empty()) return false;
  TBusyScope busy(port_, "Подождите пожалуйста...");
  bool ok = false;
  try {
    if (lines.size() > UINT32_MAX) throw std::length_error("Слишком много строк!");
    combs_.SaveUndo(false);
    combs_.ResizeList(lines.size(), static_cast<uint32_t>(lines.size()));
    try {
      TComb* out = combs_.Data();
      for (size_t i = 0; i < lines.size(); ++i) out[i] = PastedLineToComb(lines[i]);
      combs_.ClearFilterLog();
      ok = true;
    } catch (const TConvertError& e) {
      port_.ShowError(e.what());
      combs_.RestoreUndo(true);
    }
    combs_.DropUndo();
    combs_.UpdateCombsView();
  } catch (const std::exception& e) {
    combs_.UpdateCombsView();
    port_.ShowError(e.what());
  }
  return ok;
}

}  // namespace kivra
