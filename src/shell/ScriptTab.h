// The tab "Сценарий": the working script as a virtual list (comment, options, the seven commands),
// its status bar, and the script commands of the main window with their line editor.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QElapsedTimer>

#include "scripts/ScriptText.h"
#include "shell/ListModels.h"
#include "shell/UnitFilterCommand.h"
#include "workspace/ScriptRunner.h"

class QLabel;
class QLayout;
class QSplitter;
class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;

// The script list: "Комментарии", "Опции", "Фильтр 1".."Фильтр 7"; each row is read from its
// line text when it is shown.
class TScriptModel : public TArrayModel {
  Q_OBJECT
 public:
  TScriptModel(const TWorkspace& ws, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;
  // Rows are numbered from 1 in the vertical header, as the interpreter numbers the lines.
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Codes are resolved over the registry as it is now (call after the registry was rebuilt).
  void RefreshCodes();

 private:
  const TWorkspace& ws_;
  TMethodLookup methods_;
};

// What the tab takes from the main window.
struct TScriptTabHost {
  // A file dialog (save or open) with caption, filter and default suffix; empty when cancelled.
  std::function<std::filesystem::path(bool save, const QString& caption, const QString& filter, const QString& suffix)>
      ChooseFile;
  // The editors' context when one opens: the selector's methods, the sample length, the number of
  // latest draws to exclude.
  std::function<TScriptEditContext()> EditContext;
  // A script run starts (true) or ends (false): the window locks or unlocks the lists the run
  // drives, and shows the views again afterwards.
  std::function<void(bool running)> RunStateChanged;
};

// The dialog "Количество тестов": the number of back-test cycles, 1..max (initially 10, at most
// max); nothing when cancelled.
std::optional<int> AskTestCount(QWidget* parent, int max);

class TScriptTab : public QWidget, public TScriptHost {
  Q_OBJECT
 public:
  TScriptTab(TWorkspace& ws, TScriptTabHost host, QWidget* parent = nullptr);

  // Registers the script commands (ScriptAdd ... ScriptLoad, LogToggle, LogsDelete, and the run
  // commands ScriptRun, ScriptTest, ScriptStop) and puts them on the tab's button row and the
  // list's context menu.
  void AddCommands(TCommandMap& commands);

  QTableView* List() const { return list_; }
  // The list and, below it, the online catalogue's panel.
  QSplitter* Splitter() const { return splitter_; }
  TScriptModel* Model() const { return model_; }
  // The panels of the tab's status bar: 0 "Строк: %d"; 1..4 are the interpreter's.
  QLabel* Panel(int i) const { return panels_[i]; }
  void SetPanelText(int i, const QString& text);

  // The list, the count and the codes shown again from the working script.
  void Refresh();
  // The selected rows in order, and the first of them (-1: none).
  std::vector<int> SelectedRows() const;
  int SelectedRow() const;
  // Makes the row the only selected one and scrolls it into view.
  void SelectRow(int row);

  // The line editor: the caller's caption, the draw count for a new line and the line text;
  // tests replace it. Returns the new text, or nothing when cancelled.
  using TLineEditor =
      std::function<std::optional<std::string>(const QString& caption, int drawCount, const std::string& line)>;
  void SetLineEditor(TLineEditor editor) { lineEditor_ = std::move(editor); }
  // The dialog "Количество тестов"; tests replace it.
  using TTestCountAsker = std::function<std::optional<int>(int max)>;
  void SetTestCountAsker(TTestCountAsker asker) { testCountAsker_ = std::move(asker); }

  // The commands.
  void CmdAdd();
  void CmdEmpty();
  void CmdClone();
  void CmdEdit();
  void CmdDel();
  void CmdClr();
  void CmdMove(bool up);
  void CmdOpen(bool append);
  void CmdSave();
  // The run commands: "Прогноз", "Тест" (after the dialog) and "Стоп" (after its question).
  void CmdRun();
  void CmdTest();
  void CmdStop();

  // The interpreter's host: the window's events are processed at its checkpoints (at most every
  // 20 ms, so that the run keeps its pace), the status panels, the selected line.
  void Pump() override;
  void ShowStatus(int panel, std::string_view text) override;
  void RunningChanged(bool running) override;
  void SelectLine(int index) override;

 signals:
  // The interpreter showed a text in one of its panels (1..4); panel 4 names each variant as it
  // starts.
  void StatusShown(int panel, const QString& text);

 private:
  std::optional<std::string> EditLine(const QString& caption, int drawCount, const std::string& line);
  bool SelectedIsLine() const;  // a line is selected and it is not a separator

  TWorkspace& ws_;
  TScriptTabHost host_;
  TLineEditor lineEditor_;
  TTestCountAsker testCountAsker_;
  TCommandMap* commands_ = nullptr;
  QElapsedTimer pumped_;
  TScriptModel* model_;
  QTableView* list_;
  QSplitter* splitter_ = nullptr;
  QLayout* buttons_;
  std::array<QLabel*, 5> panels_{};
};

}  // namespace kivra::shell
