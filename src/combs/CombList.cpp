#include "combs/CombList.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/FileUtils.h"
#include "core/SysFormat.h"

namespace kivra {

void TCombBuffer::Grow(size_t n) {
  if (n <= Items.size()) return;
  // Exactly n entries of storage (a plain resize could double it); the old entries are kept.
  TCombsArray grown;
  grown.reserve(n);
  grown.assign(Items.begin(), Items.end());
  grown.resize(n);
  Items.swap(grown);
}

void TCombBuffer::Release() {
  TCombsArray().swap(Items);
  Count = 0;
}

void TCombList::ReserveAll(size_t n) {
  list_.Grow(n);
  undo_.Grow(n);
  snap_.Grow(n);
}

void TCombList::ResizeList(size_t n, uint32_t c) {
  list_.Grow(std::max<size_t>(n, c));
  list_.Count = c;
}

void TCombList::Append(const TComb& c) {
  if (list_.Count >= list_.Storage()) list_.Grow(std::max<size_t>(1024, list_.Storage() + list_.Storage() / 2));
  list_.Items[list_.Count++] = c;
}

bool TCombList::Contains(const TComb& c) const {
  const auto items = Items();
  return std::find(items.begin(), items.end(), c) != items.end();
}

void TCombList::SaveUndo(bool progress) {
  std::optional<TBusyScope> busy;
  if (progress) busy.emplace(port_, "Создание файла отката...");
  try {
    ReserveUndo(list_.Storage(), list_.Count);
  } catch (...) {
    undo_.Release();
    throw;
  }
  if (list_.Count > 0) std::memcpy(undo_.Items.data(), list_.Items.data(), size_t{list_.Count} * sizeof(TComb));
}

void TCombList::MoveToUndo(bool progress) {
  std::optional<TBusyScope> busy;
  if (progress) busy.emplace(port_, "Создание файла отката...");
  // The undo copy takes the list's storage as it is; the list gets the old undo storage, which the
  // caller refills (growing it to the undo storage size) before anything reads it.
  list_.Items.swap(undo_.Items);
  undo_.Count = list_.Count;
  list_.Count = 0;
  hasUndoLog_ = false;
}

void TCombList::RestoreUndo(bool progress) {
  std::optional<TBusyScope> busy;
  if (progress) busy.emplace(port_, "Отмена изменений...");
  try {
    ResizeList(undo_.Storage(), undo_.Count);
  } catch (...) {
    list_.Release();
    UpdateCombsView();
    throw;
  }
  if (undo_.Count > 0) std::memcpy(list_.Items.data(), undo_.Items.data(), size_t{undo_.Count} * sizeof(TComb));
  DropUndo();
  UpdateCombsView();
}

void TCombList::ReserveUndo(size_t n, uint32_t c) {
  hasUndoLog_ = false;
  undo_.Grow(std::max<size_t>(n, c));
  undo_.Count = c;
}

void TCombList::SaveUndoLog() {
  undoLog_ = log_;
  hasUndoLog_ = true;
}

void TCombList::UndoFilterLog() {
  if (hasUndoLog_) {
    log_.swap(undoLog_);
    undoLog_.clear();
    hasUndoLog_ = false;
  } else {
    RemoveLastFilterLog();
  }
}

void TCombList::SaveSnapshot(int32_t a, int32_t b) {
  const TSnapshotKey key{a, b};
  if (snapKey_ == key) return;
  try {
    port_.ShowProgress("Создание буфера комбинаций...");
    snapKey_ = key;
    ReserveSnapshot(list_.Storage(), list_.Count);
    if (list_.Count > 0) std::memcpy(snap_.Items.data(), list_.Items.data(), size_t{list_.Count} * sizeof(TComb));
  } catch (const std::exception& e) {
    // A half-made snapshot must not be taken for a good one later.
    InvalidateSnapshot();
    port_.ShowError(SysFormat("Ошибка создания буфера комбинаций!\r\r%s", {ErrorText(e)}));
  }
}

bool TCombList::RestoreSnapshot(int32_t a, int32_t b) {
  if (!(snapKey_ == TSnapshotKey{a, b}) || snap_.Count == 0) return false;
  try {
    port_.ShowProgress("Загрузка буфера комбинаций...");
    ResizeList(snap_.Storage(), snap_.Count);
    std::memcpy(list_.Items.data(), snap_.Items.data(), size_t{snap_.Count} * sizeof(TComb));
    UpdateCombsView();
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка загрузки буфера комбинаций!\r\r%s", {ErrorText(e)}));
    return false;
  }
}

void TCombList::InvalidateSnapshot() {
  snapKey_ = {};
  snap_.Count = 0;
}

void TCombList::FreeSnapshot() {
  InvalidateSnapshot();
  snap_.Release();
}

void TCombList::ReserveSnapshot(size_t n, uint32_t c) {
  snap_.Grow(std::max<size_t>(n, c));
  snap_.Count = c;
}

void TCombList::ReleaseAll() {
  list_.Release();
  undo_.Release();
  FreeSnapshot();
}

void TCombList::AddFilterLog(bool remove, std::string_view caption, std::string_view values) {
  log_.push_back({std::string(caption), std::string(values), list_.Count, remove ? LogIconRemove : LogIconKeep});
}

void TCombList::AddUndoLog() { log_.push_back({"Отмена последней операции", "", list_.Count, LogIconUndo}); }

void TCombList::UpdateCombsView() {
  port_.SetStatusText(3, SysFormat("Комбинаций: %d", {list_.Count}));
  if (OnViewChanged) OnViewChanged(list_.Count);
}

}  // namespace kivra
