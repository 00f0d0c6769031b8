// The working script: the list of script lines the "Сценарий" tab shows, mirrored after every
// change in <data folder>/Kivra_5x45.lss; its list operations and files; the script journal with
// its switch "ScriptLogEnabled".
#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/UserPort.h"
#include "core/WindowSettings.h"
#include "scripts/ScriptLog.h"

namespace kivra {

// A line asked for by an index outside the script; what() is the program's message.
class TScriptIndexError : public std::out_of_range {
 public:
  explicit TScriptIndexError(int index);
};

class TScriptState {
 public:
  // The working file and the journals live in `dataDir`; the switch in the window settings.
  TScriptState(TUserPort& port, TWindowSettings& settings, std::filesystem::path dataDir,
               TLogClock clock = LocalLogTime);
  TScriptState(const TScriptState&) = delete;
  TScriptState& operator=(const TScriptState&) = delete;

  std::filesystem::path WorkingPath() const;  // Kivra_5x45.lss
  // Start-up: the journal switch from the window settings.
  void LoadSettings();
  // Start-up: the working file, when it exists, replaces the script.
  void LoadWorkingScript();

  const std::vector<std::string>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const;  // throws TScriptIndexError
  bool IsSeparator(int index) const;         // throws TScriptIndexError

  // The operations below, except Save, write the working file when they changed the script.

  // Appends a line (a new one, a clone, or a separator when empty); returns its index.
  int Append(std::string line);
  // Replaces a line in place; throws TScriptIndexError.
  void Replace(int index, std::string line);
  // Asks ConfirmDelete with the number of rows, then deletes them (any order, repeats and rows
  // outside the script ignored) from the last to the first with the progress "Удаление строк...".
  // False when the user said no.
  bool Delete(std::span<const int> rows);
  // Asks ConfirmDelete with the number of lines, then deletes them all.
  bool Clear();
  // Swaps the line with the one before / after it; returns the line's new index, or -1 when it
  // cannot move.
  int MoveUp(int index);
  int MoveDown(int index);
  // The file's lines replace the script; on a read failure, or when no line of the file is a
  // script line (IsScriptLine), the script stays as it was after the message.
  bool Open(const std::filesystem::path& file);
  // Appends the file's lines (refused as Open refuses): as Open when the script is empty;
  // otherwise a separator first unless the last line already is one.
  bool AppendFile(const std::filesystem::path& file);
  bool Save(const std::filesystem::path& file);
  // The lines replace the script (a script downloaded from the library).
  void SetLines(std::vector<std::string> lines);

  // The journal the interpreter writes to.
  TScriptLog& Log() { return log_; }
  bool LogEnabled() const { return log_.Enabled(); }
  // Inverts the switch and writes it to the window settings at once.
  void ToggleLog();
  // Deletes the journals of the data folder (DeleteScriptLogs).
  bool DeleteLogs();

 private:
  bool SaveWorking();
  // A script file the user chose: its lines, or false after the message.
  bool ReadUserFile(const std::filesystem::path& file, std::vector<std::string>& lines);

  TUserPort& port_;
  TWindowSettings& settings_;
  std::filesystem::path dataDir_;
  std::vector<std::string> lines_;
  TScriptLog log_;
};

}  // namespace kivra
