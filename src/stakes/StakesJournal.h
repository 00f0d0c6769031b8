// The stakes journal Kivra_5x45.lsk: fixed-size records read and written one at a time in the open
// file, never loaded whole. The file stays open (and locked against a second program) while the
// program runs; reads go through a one-record cache that every change of the file empties.
//
// Every operation reports its own failures through the port with the program's texts and returns
// false (or a zero record); nothing escapes as an exception.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/Config.h"
#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "stakes/StakeData.h"

namespace kivra {

enum class TStakeOrigin { Begin, End };

// The conditions of deletion by match count.
enum class TStakeCondition { Equal = 0, Greater = 1, NotLess = 2, Less = 3, NotGreater = 4 };
bool StakeConditionHolds(TStakeCondition condition, int32_t matched, int32_t value);
extern const std::array<const char*, 5> StakeConditionCaptions;  // "Равно [ = ]", ...

class TStakesJournal {
 public:
  // `file` is the journal, `tempFile` the file a deletion rewrites it through.
  TStakesJournal(TUserPort& port, std::filesystem::path file, std::filesystem::path tempFile);
  ~TStakesJournal();
  TStakesJournal(const TStakesJournal&) = delete;
  TStakesJournal& operator=(const TStakesJournal&) = delete;

  const std::filesystem::path& File() const { return file_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Records in the journal (0 when it is not open).
  int Count() const { return static_cast<int>(size_ / StakeRecordSize); }
  bool HasRecords() const { return IsOpen() && size_ > 0; }

  // Start-up: opens the journal (busy, "Загрузка файла ставок..."). A file that is not a whole
  // number of records or whose first record is not of version 2 is copied to the next free
  // "<journal>.bak", "<journal>.bak1", ... and then emptied, with the warning saying where the copy
  // is. False after the error message when it cannot be opened or locked.
  bool Load();
  // Exit: closes the journal (busy, "Сохранение файла ставок...").
  void Save();
  void Close();
  // Closes and opens the journal again; false after the message when it cannot be opened.
  bool Reopen();

  // The record at `index` from the beginning (index >= 0) or from the end (-1 the last). A zero
  // record after the message when the journal is not open or the position is outside it.
  TStakeData Read(TStakeOrigin origin, int index);
  // Writes at that position; exactly at the end appends.
  bool Write(TStakeOrigin origin, int index, const TStakeData& record);

  // Appends a stake for n consecutive draws (n >= 2: each preceded by a separator unless the
  // journal is empty or already ends with one). Refuses a checked record and a run of draws that
  // would pass the largest draw number.
  bool Append(const TStakeData& record, int n);
  // A separator when the journal ends with a real stake.
  bool AppendSeparator();
  // True when a record has the draw number and the same numbers as a set.
  bool Exists(int32_t drawNumber, const TStakeNumbers& numbers);
  // Empties the journal and reopens it.
  bool Clear();
  // Removes the records first..last (1-based, inclusive), rewriting the journal through the
  // temporary file.
  bool DeleteRows(int first, int last);
  // Removes the stakes (never separators) whose Matched Count satisfies the condition.
  bool DeleteWhere(TStakeCondition condition, int32_t value);
  // The number of stakes DeleteWhere would remove. Throws TFileError.
  int CountWhere(TStakeCondition condition, int32_t value) const;

  // The last n distinct draws of checked stakes, walking back from the end: the number of draws
  // found (at most n) and the index of the first record to read for them.
  struct TRecentDraws {
    int Draws = 0;
    int First = 0;
  };
  std::optional<TRecentDraws> SeekRecentDraws(int n);

  // Reads the records from `first` to the end in large blocks, handing each record's bytes to
  // `visit`. Throws TFileError (the callers report it with their own texts).
  void ScanRecords(int first, const std::function<void(const TStakeBytes&)>& visit) const;

  // Checks every due stake whose draw the archive holds (busy, with its progress texts): the
  // result, the matched numbers and the profit are written in place, then `onChecked` gets the
  // completed record. True when at least one stake was checked.
  using TCheckedHandler = std::function<void(const TStakeData&)>;
  bool Check(const TDrawsArchive& archive, const TConfigData& config, const TCheckedHandler& onChecked);
  // Stakes the last Check completed.
  int LastChecked() const { return lastChecked_; }

 private:
  void OpenFile();  // throws TFileError
  void CloseFile();
  int64_t Position(TStakeOrigin origin, int index) const;  // byte offset; throws TFileError
  void ReadAt(int64_t offset, TStakeBytes& bytes) const;   // throws TFileError
  void WriteAt(int64_t offset, const TStakeBytes& bytes);  // throws TFileError
  void AppendRecord(const TStakeData& record);             // throws TFileError
  bool LastIsStake();                                      // throws TFileError
  std::filesystem::path BackupPath() const;
  // Writes the records `keep` accepts to the temporary file and replaces the journal with it.
  bool Rewrite(const std::function<bool(int index, const TStakeBytes& bytes)>& keep);
  bool CheckRecords(const TDrawsArchive& archive, const TConfigData& config, const TCheckedHandler& onChecked);

  TUserPort& port_;
  std::filesystem::path file_;
  std::filesystem::path tempFile_;
  int fd_ = -1;
  int64_t size_ = 0;
  // The one-record read cache.
  bool cacheValid_ = false;
  TStakeOrigin cacheOrigin_ = TStakeOrigin::Begin;
  int cacheIndex_ = 0;
  TStakeData cache_;
  int lastChecked_ = 0;
  // Records before this index are known not to be due (checked, separators or never checkable):
  // a check starts here. Appends leave it; an in-place write before it, a replacement, a clearing
  // or a load move it back.
  int scanFrom_ = 0;
};

}  // namespace kivra
