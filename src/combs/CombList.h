// The working combination list with its one-level undo copy, the snapshot buffer the script
// interpreter keys by (offset, excluded draws), and the log of applied operations shown under the
// list. Every array keeps a storage size apart from its count: storage is reserved once and only
// grows, so copies between the three never allocate per entry.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/SortaUtils.h"
#include "core/UserPort.h"

namespace kivra {

// One row of the applied-operations log: "Примененные фильтры", "Значения", "Комбинаций".
struct TFilterLogRow {
  std::string Caption;
  std::string Values;
  uint32_t Count = 0;  // the list count after the operation
  int Icon = 0;        // 12 keep, 13 remove, 11 undo
  bool operator==(const TFilterLogRow&) const = default;
};

inline constexpr int LogIconUndo = 11;
inline constexpr int LogIconKeep = 12;
inline constexpr int LogIconRemove = 13;

// Storage and count of one of the three arrays. Entries beyond Count are ignored.
struct TCombBuffer {
  TCombsArray Items;  // Items.size() is the storage size
  uint32_t Count = 0;

  size_t Storage() const { return Items.size(); }
  std::span<const TComb> Valid() const { return {Items.data(), Count}; }
  // Storage >= n; the entries kept are preserved. Never shrinks.
  void Grow(size_t n);
  // Storage 0 (shutdown, or after a failed allocation).
  void Release();
};

class TCombList {
 public:
  explicit TCombList(TUserPort& port) : port_(port) {}
  TCombList(const TCombList&) = delete;
  TCombList& operator=(const TCombList&) = delete;

  // Gives each of the three arrays room for n entries (start-up does it with FullSetSize).
  void ReserveAll(size_t n);

  // --- The list ---
  uint32_t Count() const { return list_.Count; }
  size_t Storage() const { return list_.Storage(); }
  std::span<const TComb> Items() const { return list_.Valid(); }
  const TComb& operator[](size_t i) const { return list_.Items[i]; }
  // Writable storage for the operations that rebuild the list (at least Storage() entries).
  TComb* Data() { return list_.Items.data(); }
  const TCombsArray& Array() const { return list_.Items; }

  // Storage >= n; count := c (c must not exceed the storage afterwards, it is clamped).
  void ResizeList(size_t n, uint32_t c);
  // Appends one entry, growing the storage by half when it is full.
  void Append(const TComb& c);
  // True when an entry has the same five bytes in the same positions.
  bool Contains(const TComb& c) const;

  // --- Undo ---
  uint32_t UndoCount() const { return undo_.Count; }
  size_t UndoStorage() const { return undo_.Storage(); }
  std::span<const TComb> UndoItems() const { return undo_.Valid(); }
  bool CanUndo() const { return undo_.Count > 0; }
  // Copies the list into the undo copy (with progress: busy and "Создание файла отката...").
  void SaveUndo(bool progress);
  // As SaveUndo, for an operation that rebuilds the whole list from the undo copy next: the list's
  // storage is handed to the undo copy instead of being copied. The list's entries are no longer
  // valid afterwards; callers set its count at once.
  void MoveToUndo(bool progress);
  // Copies the undo copy back into the list and drops it; always ends with UpdateCombsView.
  void RestoreUndo(bool progress);
  void DropUndo() {
    undo_.Count = 0;
    hasUndoLog_ = false;
  }
  void ReserveUndo(size_t n, uint32_t c);
  // For an operation that replaces the whole list (and starts a new log), called after the undo
  // copy is saved: the log as it is now goes with the undo copy. A new undo copy forgets it.
  void SaveUndoLog();
  // The log's part of undo, called before RestoreUndo: the log saved with the undo copy comes
  // back, or without one the last row (the operation undone) is removed.
  void UndoFilterLog();

  // --- Snapshot ---
  struct TSnapshotKey {
    int32_t A = -1;
    int32_t B = -1;
    bool operator==(const TSnapshotKey&) const = default;
  };
  TSnapshotKey SnapshotKey() const { return snapKey_; }
  uint32_t SnapshotCount() const { return snap_.Count; }
  size_t SnapshotStorage() const { return snap_.Storage(); }
  // Copies the list under the key unless the key is already stored; reports its own failure.
  void SaveSnapshot(int32_t a, int32_t b);
  // Puts the snapshot back when the key matches and it holds entries; reports its own failure.
  bool RestoreSnapshot(int32_t a, int32_t b);
  void InvalidateSnapshot();
  void FreeSnapshot();
  void ReserveSnapshot(size_t n, uint32_t c);

  // Storage of the three arrays together, in bytes.
  size_t StorageBytes() const { return (list_.Storage() + undo_.Storage() + snap_.Storage()) * sizeof(TComb); }
  // Shutdown: releases the three arrays.
  void ReleaseAll();

  // --- Applied-operations log ---
  const std::vector<TFilterLogRow>& Log() const { return log_; }
  void ClearFilterLog() { log_.clear(); }
  // The whole log replaced (the interpreter restores a state it has seen before).
  void SetFilterLog(std::vector<TFilterLogRow> log) { log_ = std::move(log); }
  void AddFilterLog(bool remove, std::string_view caption, std::string_view values);
  void AddUndoLog();
  void RemoveLastFilterLog() {
    if (!log_.empty()) log_.pop_back();
  }

  // Status panel 3 "Комбинаций: %d" and the change notification for the list view.
  void UpdateCombsView();
  // Called by UpdateCombsView with the list count; the view sets its row count and repaints.
  std::function<void(uint32_t)> OnViewChanged;

 private:
  TUserPort& port_;
  TCombBuffer list_;
  TCombBuffer undo_;
  TCombBuffer snap_;
  TSnapshotKey snapKey_;
  std::vector<TFilterLogRow> log_;
  std::vector<TFilterLogRow> undoLog_;
  bool hasUndoLog_ = false;
};

}  // namespace kivra
