// The main window: the program's life cycle (creation, the one-shot initialisation, closing), its
// layout (the archive and combinations tabs on the left, the statistics tab on the right, the
// status bar of seven panels), the command map and the refresh of its views.
//
// TTemplateMain holds everything the lottery editions share; TFormMain is this lottery's window.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "shell/CommandMap.h"
#include "shell/LanguageMenu.h"
#include "shell/ListModels.h"
#include "shell/ShellPort.h"
#include "shell/UnitHelp.h"
#include "shell/XlsxExport.h"
#include "stats/StatList.h"
#include "workspace/OnlineSettings.h"
#include "workspace/ProgramFiles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCardTab;
class TNoticeBar;
class TGraphsTab;
class TLayoutTab;
class TScriptTab;
class TWeekTab;
class TStakesTab;
class TRatingsTab;
class TChanceCommand;
class TSystemsTab;
class TScriptLibraryPanel;
class TTablesTab;
class TStatChart;
struct TUpdateContext;

// The window-settings section of the main window's own keys (placement, splitters, "FirstRun");
// the engine's state keys share it.
inline constexpr std::string_view MainWindowSection = StateSettingsSection;

// True when a parameter equals the word, or the word after "-", "--", "/" or "\", ignoring case.
bool HasSwitch(const QStringList& args, const QString& word);

struct TStartOptions {
  std::filesystem::path DataDir;        // "--data-dir DIR"; empty: the default folder
  std::filesystem::path ExecutableDir;  // where the program and its help folder live
  bool Restart = false;                 // "restart": wait for the previous process to end
  bool FullRecreate = false;            // "fullrecreate": rebuild every full-set file, then quit
  bool FullRefresh = false;             // "fullrefresh": build the missing full-set files, then quit
  bool NoLanguage = false;              // "no-language": the language setting is ignored
  bool LoadOnly = false;                // "loadonly": download the draws after initialisation, then quit
  bool QuitWhenIdle = false;            // "quit-when-idle" (tests): quit once initialised, printing
                                        // the moment closing starts to stderr
  TOnlineOverrides Online;              // "--catalog-url URL", "--update-url URL", "--ca-file FILE"
  QStringList Arguments;                // the parameters as given (a restart passes some on)

  static TStartOptions Parse(const QStringList& args);
};

class TTemplateMain : public QMainWindow {
  Q_OBJECT
 public:
  // `title` is the lottery's window caption (the version is appended at initialisation).
  TTemplateMain(TStartOptions options, QString title, QWidget* parent = nullptr);
  ~TTemplateMain() override;

  // The stakes' and ratings' notice while the prize table pays nothing (after a change of the
  // configuration).
  void UpdatePrizeNotices();

  // Shows the window as its saved placement says (maximised or normal, centred without one).
  void ShowPlaced();
  // True when creation decided the program must end (the previous process did not end).
  bool QuitRequested() const { return quitRequested_; }
  bool Initialised() const { return initialised_; }

  TWorkspace& Workspace() { return *ws_; }
  TShellPort& Port() { return port_; }
  TCommandMap& Commands() { return commands_; }
  // The spreadsheet export (tests replace how a written book is opened).
  TXlsxExporter& Xlsx() { return *xlsx_; }
  QString StatusText(int panel) const;

  QTableView* DrawsList() const { return lvDraws_; }
  QTableView* CombsList() const { return lvCombs_; }
  QTableView* FiltersLog() const { return lvFilters_; }
  QTableView* StatTable() const { return lvDrawsStat_; }
  QComboBox* StatSelector() const { return cbDrawsStat_; }
  QSpinBox* OffsetField() const { return edOffset_; }
  QSpinBox* ExcludeField() const { return edExclude_; }
  QSpinBox* StatLengthField() const { return edStatLen_; }
  TStatChart* StatChart() const { return chart_; }
  TScriptTab* ScriptTab() const { return scriptTab_; }
  TStakesTab* StakesTab() const { return stakesTab_; }
  TRatingsTab* RatingsTab() const { return ratingsTab_; }
  TChanceCommand* Chance() const { return chance_; }
  TSystemsTab* SystemsTab() const { return systemsTab_; }
  TScriptLibraryPanel* LibraryPanel() const { return libraryPanel_; }
  TCardTab* CardTab() const { return cardTab_; }
  TGraphsTab* GraphsTab() const { return graphsTab_; }
  TLayoutTab* LayoutTab() const { return layoutTab_; }
  TWeekTab* WeekTab() const { return weekTab_; }
  TTablesTab* TablesTab() const { return tablesTab_; }
  TDescriptionViewer* HelpViewer() const { return helpViewer_; }
  // The chart selector's entries (the graphs tab shows them).
  const std::vector<TStatList::TSelectorItem>& ChartItems() const { return chartItems_; }

  // File dialogs go through this, so tests can answer them. Arguments: save, caption, filter,
  // default suffix, start folder. Empty result: cancelled.
  using TFileChooser = std::function<QString(bool save, const QString& caption, const QString& filter,
                                             const QString& suffix, const QString& dir)>;
  void SetFileChooser(TFileChooser chooser) { fileChooser_ = std::move(chooser); }

  // The interface language in use (a Windows language identifier) and the languages present.
  int Language() const { return language_; }
  const std::vector<TLanguageModule>& Languages() const { return languages_; }
  // `Restart`: the program started again with "restart" and this one closed. Tests replace what
  // starts the program.
  void Restart();
  void SetRestartStarter(std::function<bool()> starter) { restartStarter_ = std::move(starter); }
  // The parameters of the new start: the data folder and the online addresses this one was given,
  // then "restart".
  QStringList RestartArguments() const;

  // The refresh dispatcher: the views recompute (forced) or when their inputs changed.
  void RefreshAllViews(bool forced);
  // Fills the statistics selector (and the chart selector) from the registry.
  void FillSelectors(bool rebuild, bool keepIndex);

 signals:
  void InitialisationDone();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Layout.
  void BuildLayout();
  QWidget* BuildDrawsTab();
  QWidget* BuildCombsTab();
  QWidget* BuildStatTab();
  // Adds a page to the right page control at its place in the window's tab order.
  void AddMainTab(QWidget* page, const QString& caption);
  // Shows or hides a page of the right page control; a shown page becomes the current one.
  void ShowMainPage(QWidget* page, bool shown);
  void BuildStatusBar();
  void BuildCommands();
  void BuildMenus();
  void BindSharedKeys();
  QTableView* NewTable(const QString& name, QAbstractItemModel* model, bool multiSelect);

  // Life cycle.
  void Create();
  void Initialise();
  void Shutdown();
  void ReadWindowKeys();
  void WriteShutdownKeys();
  void RestoreListColumns();
  void SaveListColumns();
  QString HelpFile() const;
  // Opens the help index in the one "Справка" window (created on first use, then raised); owner is
  // the window it must stay usable over (a modal dialog that asks for help, else the main window).
  void ShowHelp(QWidget* owner);
  // What the update check needs from the window.
  TUpdateContext UpdateContext();

  // Views.
  // The statistics window length becomes the one the field shows (its text committed first); true
  // when it changed.
  bool ApplyStatLength();
  // The script tab's run started or ended.
  void ScriptRunStateChanged(bool running);
  void RefreshDrawsList(bool force);
  void RefreshCombsView(uint32_t count);
  void RefreshStatTable(bool force);
  // Column "В списке" of the statistics table: shown or hidden by its switch, its counts computed
  // again when `recount`, and the selection's count in panel 6 while rows are selected.
  void RefreshInListColumn(bool recount);
  void ApplyComparisonColumns();
  void UpdateCommands();

  // Commands.
  void CmdDrawsAdd();
  void CmdDrawsEdit();
  void CmdDrawsDel();
  void CmdDrawsSorted();
  void CmdDrawsImport();
  void CmdDrawsExport();
  // The draws download with its wait window; `startUp` is the download at start-up.
  void CmdDrawsDownload();
  // The start-up download as "DownloadDrawsOnStart" says (0 ask, 1 always, 2 never); nothing when
  // no results address is configured.
  void StartUpDownload();
  void CmdCombsGen();
  void CmdCombsOpen();
  void CmdCombsSave();
  void CmdCombsCopy();
  void CmdCombsPaste();
  void CmdCombsSelectAll();
  void CmdCombsFindInDraws();
  void CmdCombsDelExists();
  void CmdCombsDelSelected();
  void CmdStatFilter(bool remove);
  void CmdTogglePrefetchs();
  void CmdToggleTotalLine();
  void CmdFiltersManager();
  void CmdFiltersReset();
  void CmdFiltersInfo(int entry);
  void CmdEditConfig();
  void CmdEditProxy();
  // The formula dialog; OK writes the formulas, rebuilds the selectors and the statistics table.
  void CmdEditShredding();
  // The information window for the selected draw or combination.
  void CmdDrawsInfo();
  void CmdCombsInfo();
  // The sum distribution in the chart window, modal.
  void CmdTotalSumCombs();
  void CmdToggleColor(bool draws);
  void CmdAbout();
  void CmdLanguage(int lcid);
  void CmdGetHelp();
  void CmdFirstRun();

  // A file dialog starting in the data folder; empty when cancelled.
  std::filesystem::path ChooseFile(bool save, const QString& caption, const QString& filter, const QString& suffix);
  std::vector<uint32_t> SelectedRows(QTableView* view) const;
  // The row a command on one row acts on: the current row when it is selected, else the first
  // selected row; -1 when nothing is selected.
  int ActedRow(QTableView* view) const;
  int SelectedEntry() const;  // the registry entry of the statistics selector, or -1
  bool ClipboardHasText();

  TStartOptions options_;
  QString title_;
  TShellPort port_;
  std::unique_ptr<TWorkspace> ws_;
  TCommandMap commands_;
  std::unique_ptr<TXlsxExporter> xlsx_;
  TViewColors colors_;
  TFileChooser fileChooser_;
  QTimer initTimer_;
  QTimer idleTimer_;
  bool quitRequested_ = false;
  bool initialised_ = false;
  bool shutDown_ = false;
  bool closeAfterRun_ = false;  // a close asked for while a script ran, answered by a stop
  bool clipboardKnown_ = false;
  bool clipboardHasText_ = false;
  int language_ = RussianLanguage;
  std::vector<TLanguageModule> languages_;
  std::map<QString, QString> webLinks_;  // section LINKS, read at start
  std::function<bool()> restartStarter_;
  std::vector<TStatList::TSelectorItem> chartItems_;
  QPointer<TDescriptionViewer> helpViewer_;  // the "Справка" window while it exists

  // Widgets.
  QSplitter* splitter_ = nullptr;
  QTabWidget* pcLists_ = nullptr;
  QTabWidget* pcMain_ = nullptr;
  QTableView* lvDraws_ = nullptr;
  TNoticeBar* drawsNotice_ = nullptr;
  QTableView* lvCombs_ = nullptr;
  QTableView* lvFilters_ = nullptr;
  QTableView* lvDrawsStat_ = nullptr;
  QSplitter* combsSplitter_ = nullptr;
  QSplitter* statSplitter_ = nullptr;
  QSpinBox* edOffset_ = nullptr;
  QSpinBox* edExclude_ = nullptr;
  QSpinBox* edStatLen_ = nullptr;
  QComboBox* cbDrawsStat_ = nullptr;
  QCheckBox* chkPrefetchs_ = nullptr;
  QCheckBox* chkTotalLine_ = nullptr;
  TStatChart* chart_ = nullptr;
  TScriptTab* scriptTab_ = nullptr;
  TStakesTab* stakesTab_ = nullptr;
  TRatingsTab* ratingsTab_ = nullptr;
  TChanceCommand* chance_ = nullptr;
  TSystemsTab* systemsTab_ = nullptr;
  TScriptLibraryPanel* libraryPanel_ = nullptr;
  TCardTab* cardTab_ = nullptr;
  TGraphsTab* graphsTab_ = nullptr;
  TLayoutTab* layoutTab_ = nullptr;
  TWeekTab* weekTab_ = nullptr;
  TTablesTab* tablesTab_ = nullptr;
  std::array<QLabel*, 7> panels_{};

  TDrawsModel* drawsModel_ = nullptr;
  TCombsModel* combsModel_ = nullptr;
  TFilterLogModel* logModel_ = nullptr;
  TStatTableModel* statModel_ = nullptr;
};

// This lottery's window: its caption.
class TFormMain : public TTemplateMain {
  Q_OBJECT
 public:
  explicit TFormMain(TStartOptions options, QWidget* parent = nullptr);
};

}  // namespace kivra::shell
