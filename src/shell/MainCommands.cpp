// The command map of the main window and the commands that need no dialog of their own.
#include <QActionGroup>
#include <QApplication>
#include <QProcess>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSpinBox>
#include <QTableView>
#include <QUrl>
#include <algorithm>
#include <array>

#include "core/DrawsCsv.h"
#include "core/Version.h"
#include "shell/DialogUtil.h"
#include "shell/MainWindow.h"
#include "shell/WebLinks.h"
#include "shell/CardTab.h"
#include "shell/GraphsTab.h"
#include "shell/RepeatsWindow.h"
#include "shell/LayoutTab.h"
#include "shell/StakesTab.h"
#include "shell/WeekTab.h"
#include "shell/RatingsTab.h"
#include "shell/ChanceCommand.h"
#include "shell/SystemsTab.h"
#include "shell/ScriptLibraryPanel.h"
#include "shell/ScriptTab.h"
#include "shell/UnitOnline.h"
#include "shell/TablesTab.h"
#include "shell/StatChart.h"
#include "shell/UnitHelp.h"
#include "shell/UnitUpdate.h"
#include "shell/UnitWait.h"
#include "views/SumDistribution.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr std::string_view Section = MainWindowSection;
const QString DrawsFilter = QStringLiteral("Файлы тиражей (*.csv)");
const QString CombsFilter = QStringLiteral("Файлы комбинаций (*.lcv)");
}  // namespace

void TTemplateMain::BuildCommands() {
  auto& ws = *ws_;
  auto add = [this](QString name, QString caption, QString hint, QKeySequence key, std::function<void()> run,
                    std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr) {
    commands_.Add({std::move(name), std::move(caption), std::move(hint), std::move(key), std::move(run),
                   std::move(enabled), std::move(checked)});
  };
  auto hasRows = [](QTableView*& view) {
    return [&view] { return view && view->selectionModel() && view->selectionModel()->hasSelection(); };
  };
  auto listNotEmpty = [&ws] { return ws.Combs().List().Count() > 0; };
  xlsx_ = std::make_unique<TXlsxExporter>(port_,
                                          [this](const QString& caption, const QString& filter, const QString& suffix) {
                                            return ChooseFile(true, caption, filter, suffix);
                                          });

  // The command table: one entry per action, written as a table (the formatter would break the
  // entries with several lambdas apart).
  // clang-format off
  // File.
  add("EditConfig", "Параметры", "Параметры системы", {}, [this] { CmdEditConfig(); });
  add("EditShredding", "Формулы шинковки", "Редактирование формул для методов шинковки", {},
      [this] { CmdEditShredding(); });
  add("EditProxy", "Параметры proxy-сервера", "Параметры подключения к сети через proxy-сервер", {},
      [this] { CmdEditProxy(); });
  AddOnlineCommand(commands_, *ws_, this);
  commands_.Add({"ExitProgram", "Выход", "Завершение работы программы", QKeySequence(Qt::ALT | Qt::Key_F4),
                 [this] { close(); }, nullptr, nullptr, false});

  // Draws archive.
  add("DrawsDownload", "Загрузка", "Загрузка архива тиражей с сайта лотереи", QKeySequence(Qt::Key_F3),
      [this] { CmdDrawsDownload(); });
  for (int mode = 0; mode <= 2; ++mode) {
    static const std::array<const char*, 3> captions = {"По запросу (по умолчанию)", "Автоматически", "Отключено"};
    add(QStringLiteral("AutoDownload%1").arg(mode), QString::fromUtf8(captions[mode]),
        "Загрузка архива тиражей при запуске программы", {},
        [&ws, mode] { ws.Settings().WriteSetting(Section, "DownloadDrawsOnStart", int64_t{mode}, &ws.Port()); },
        nullptr,
        [&ws, mode] { return ws.Settings().ReadSetting(Section, "DownloadDrawsOnStart", int64_t{0}) == mode; });
  }
  add("DrawsImport", "Импорт из CSV-файла", "Добавление тиражей из CSV-файла", {}, [this] { CmdDrawsImport(); });
  add("DrawsExport", "Экспорт в CSV-файл", "Сохранение архива тиражей в CSV-файл", {}, [this] { CmdDrawsExport(); },
      [&ws] { return !ws.Archive().Empty(); });
  add("DrawsAdd", "Добавить", "Добавление нового тиража в архив", {}, [this] { CmdDrawsAdd(); });
  add("DrawsEdit", "Изменить", "Изменение выделенного тиража", {}, [this] { CmdDrawsEdit(); }, hasRows(lvDraws_));
  add("DrawsDel", "Удалить", "Удаление выделенных тиражей из архива", {}, [this] { CmdDrawsDel(); },
      hasRows(lvDraws_));
  add("DrawsInfo", "Сведения о тираже", "Подробная информация о выделенном тираже", {}, [this] { CmdDrawsInfo(); },
      hasRows(lvDraws_));
  add("DrawsSorted", "Упорядочить MIN->MAX", "Показывать и анализировать числа тиражей по возрастанию", {},
      [this] { CmdDrawsSorted(); }, nullptr, [&ws] { return ws.Archive().SortedDraws(); });

  // Combinations.
  add("CombsInfo", "Сведения о комбинации", "Подробная информация о выделенной комбинации", {},
      [this] { CmdCombsInfo(); }, hasRows(lvCombs_));
  add("CombsCheckNums", "Количество уникальных номеров", "Количество разных чисел в списке комбинаций", {},
      [&ws] { ws.Combs().CheckNums(); });
  add("CombsFindInDraws", "Проверить по архиву тиражей", "Поиск выделенной комбинации в архиве тиражей",
      QKeySequence(Qt::CTRL | Qt::Key_F), [this] { CmdCombsFindInDraws(); }, hasRows(lvCombs_));
  add("CombsGen", "Генерировать", "Создание нового списка комбинаций", QKeySequence(Qt::Key_F2),
      [this] { CmdCombsGen(); });
  add("CombsDelExists", "Исключить тиражи", "Исключить указанное количество последних тиражей из списка комбинаций",
      QKeySequence(Qt::CTRL | Qt::Key_E), [this] { CmdCombsDelExists(); },
      [this, &ws] { return ws.Combs().List().Count() > 0 && !ws.Archive().Empty() && edExclude_ && edExclude_->value() > 0; });
  add("CombsDelSelected", "Удалить выделенные", "Удаление выделенных комбинаций из списка",
      QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { CmdCombsDelSelected(); },
      [this, &ws] { return ws.Combs().List().Count() > 0 && lvCombs_ && lvCombs_->selectionModel()->hasSelection(); });
  add("CombsCopy", "Копировать в буфер", "Копирование выделенных комбинаций в буфер обмена",
      QKeySequence(Qt::CTRL | Qt::Key_C), [this] { CmdCombsCopy(); }, listNotEmpty);
  add("CombsPaste", "Вставить из буфера", "Замена списка комбинациями из буфера обмена",
      QKeySequence(Qt::CTRL | Qt::Key_V), [this] { CmdCombsPaste(); }, [this] { return ClipboardHasText(); });
  add("CombsSelectAll", "Выделить все", "Выделение всех комбинаций списка", QKeySequence(Qt::CTRL | Qt::Key_A),
      [this] { CmdCombsSelectAll(); }, listNotEmpty);
  add("CombsOpen", "Открыть", "Загрузка списка комбинаций из файла", QKeySequence(Qt::CTRL | Qt::Key_O),
      [this] { CmdCombsOpen(); });
  add("CombsSave", "Сохранить", "Сохранение списка комбинаций в файл", QKeySequence(Qt::CTRL | Qt::Key_S),
      [this] { CmdCombsSave(); }, listNotEmpty);
  add("CombsUndo", "Отменить", "Отмена последней операции над списком комбинаций", QKeySequence(Qt::CTRL | Qt::Key_Z),
      [this, &ws] {
        ws.Combs().Undo();
        lvCombs_->clearSelection();
      },
      [&ws] { return ws.Combs().List().CanUndo(); });

  // Statistics.
  auto statSelected = [this, &ws] {
    return ws.Combs().List().Count() > 0 && lvDrawsStat_ && lvDrawsStat_->selectionModel()->hasSelection();
  };
  add("StatFilter_Include", "Оставить выделенные",
      "Оставить в списке комбинации с выделенными значениями статистики", QKeySequence(Qt::Key_F7),
      [this] { CmdStatFilter(false); }, statSelected);
  add("StatFilter_Exclude", "Удалить выделенные", "Удалить из списка комбинации с выделенными значениями статистики",
      QKeySequence(Qt::CTRL | Qt::Key_F7), [this] { CmdStatFilter(true); }, statSelected);
  add("DrawsStatCalc", "Обновить", "Пересчет статистики", QKeySequence(Qt::Key_F5),
      [this] {
        ApplyStatLength();
        RefreshStatTable(true);
        UpdateCommands();
      },
      [this, &ws] { return !ws.Archive().Empty() && SelectedEntry() >= 0; });
  add("AnalyzeRepeats", "Количество повторов в зависимости от тиража",
      "Анализ повторов чисел тиражей в предыдущих тиражах", {}, [this] { TRepeatsWindow::ShowModal(*ws_, this); },
      [&ws] { return !ws.Archive().Empty(); });
  add("TotalSumCombs", QString::fromUtf8(SumDistributionCaption.data(), SumDistributionCaption.size()),
      "Сравнение распределения сумм тиражей с распределением сумм всех возможных комбинаций", {},
      [this] { CmdTotalSumCombs(); });
  add("DrawsStatePrefetchsEnabled", "Использовать сравнение с полным набором комбинаций",
      "Сравнение статистики с распределением значений по всем возможным комбинациям", {},
      [this] { CmdTogglePrefetchs(); }, nullptr, [&ws] { return ws.StatTab().PrefetchsEnabled(); });
  add("DrawsStatShowTotalLine", "График идеального распределения",
      "Показывать на графике распределение по всем возможным комбинациям", {}, [this] { CmdToggleTotalLine(); },
      [&ws] { return ws.StatTab().PrefetchsEnabled(); }, [&ws] { return ws.StatTab().ShowTotalLine(); });
  add("FiltersManager", "Избранные статистики", "Менеджер избранных методов расчета статистики",
      QKeySequence(Qt::Key_F7), [this] { CmdFiltersManager(); });
  add("FiltersReset", "Все доступные статистики", "Показывать в списке все доступные методы расчета статистики",
      QKeySequence(Qt::CTRL | Qt::Key_F7), [this] { CmdFiltersReset(); });
  add("FiltersInfo", "Описание статистики", "Описание выбранного метода расчета статистики", QKeySequence(Qt::Key_F8),
      [this] { CmdFiltersInfo(SelectedEntry()); }, [this] { return SelectedEntry() >= 0; });

  // View.
  add("ViewColorDraws", "Выделять каналы в списке тиражей", "Раскраска чисел тиражей по каналам", {},
      [this] { CmdToggleColor(true); }, nullptr, [this] { return colors_.Draws; });
  add("ViewColorCombs", "Выделять каналы в списке комбинаций", "Раскраска чисел комбинаций по каналам", {},
      [this] { CmdToggleColor(false); }, nullptr, [this] { return colors_.Combs; });

  // clang-format on

  // Spreadsheet books of the window's own lists.
  AddXlsxCommand(
      commands_, *xlsx_, "DrawsXlsExport", "Экспорт в Microsoft Excel",
      "Экспорт списка тиражей в книгу Microsoft Excel",
      [this] { return ViewTable(lvDraws_, QStringLiteral("Архив тиражей")); }, [&ws] { return !ws.Archive().Empty(); });
  AddXlsxCommand(
      commands_, *xlsx_, "CombsXlsExport", "Экспорт в Microsoft Excel",
      "Экспорт списка комбинаций в книгу Microsoft Excel",
      [this] { return ViewTable(lvCombs_, QStringLiteral("Комбинации")); }, listNotEmpty);
  AddXlsxCommand(
      commands_, *xlsx_, "DrawsStatExportToExcel", "Экспорт статистики в Microsoft Excel",
      "Экспорт таблицы статистики в книгу Microsoft Excel",
      [this] { return ViewTable(lvDrawsStat_, QStringLiteral("Статистика")); },
      [&ws] { return !ws.StatTab().View().Rows().empty(); });

  // clang-format off
  // Help.
  add("GetHelp", "Справка", "Справочная система программы", QKeySequence(Qt::Key_F1), [this] { CmdGetHelp(); },
      [this] { return !HelpFile().isEmpty(); });
  commands_.Add({"About", "О программе", "Сведения о программе", {}, [this] { CmdAbout(); }, nullptr, nullptr, false});
  AddWebLinkCommands(commands_, [this](const char* key) {
    const auto it = webLinks_.find(QString::fromLatin1(key));
    return it == webLinks_.end() ? QString() : it->second;
  }, port_);
  // clang-format on

  // The "Ставки" tab registers its own commands (the layout places the tab).
  stakesTab_ = new TStakesTab(ws, [this](QAbstractItemModel* model) { return NewTable("sgStakes", model, true); });
  AddStakeCommands(commands_, *stakesTab_, ws,
                   {[this] { return SelectedRows(lvCombs_); },
                    [this] { return lvCombs_ && lvCombs_->selectionModel()->hasSelection(); },
                    [this] { lvCombs_->clearSelection(); }},
                   *xlsx_);
  // The card, layout and week tabs register their own commands (the layout places the tabs).
  cardTab_ = new TCardTab(ws, [this] { return lvDraws_ ? lvDraws_->columnWidth(0) : 60; });
  layoutTab_ = new TLayoutTab(ws);
  weekTab_ = new TWeekTab(ws);
  const TShowPage showPage = [this](QWidget* page, bool shown) { ShowMainPage(page, shown); };
  cardTab_->AddCommands(commands_, showPage, *xlsx_);
  layoutTab_->AddCommands(commands_, showPage, *xlsx_);
  weekTab_->AddCommands(commands_, showPage);
  // The "Графики" tab registers its own commands (the layout places the tab).
  graphsTab_ = new TGraphsTab(ws);
  graphsTab_->AddCommands(commands_, showPage);
  // The "Рейтинг" tab registers its own commands (the layout places the tab).
  ratingsTab_ = new TRatingsTab(ws, [this](QAbstractItemModel* model) { return NewTable("lvRatings", model, true); });
  AddRatingCommands(
      commands_, *ratingsTab_, ws,
      [this](const QString& caption, const QString& filter, const QString& suffix) {
        return ChooseFile(true, caption, filter, suffix);
      },
      *xlsx_);
  // The comparison with chance, from the stakes grid, the ratings list and the "Ставки" menu.
  chance_ = new TChanceCommand(ws, port_, this);
  AddChanceCommands(commands_, *chance_, *stakesTab_, *ratingsTab_, ws);
  // The "Системы" tab registers its own commands (the layout places the tab).
  systemsTab_ = new TSystemsTab(ws, [this](QAbstractItemModel* model) { return NewTable("lvSystems", model, true); });
  AddSystemCommands(commands_, *systemsTab_, ws, {[this](bool show) {
                      pcMain_->setTabVisible(pcMain_->indexOf(systemsTab_), show);
                      if (show) pcMain_->setCurrentWidget(systemsTab_);
                    }});
  // The program update: "AutoSelfUpdate" and "CheckUpdate".
  AddUpdateCommands(commands_, ws, this, UpdateContext());
  // The "Регуляры" tab registers its own commands and its "Вид" switch (the layout places the tab).
  tablesTab_ = new TTablesTab(ws, [this](QAbstractItemModel* model) { return NewTable("lvTables", model, true); });
  AddTableCommands(commands_, *tablesTab_, ws,
                   {[this] { return SelectedRows(lvCombs_); },
                    [this] { return lvCombs_ && lvCombs_->selectionModel()->hasSelection(); },
                    [this] { lvCombs_->clearSelection(); }},
                   [this](bool shown, bool activate) {
                     pcMain_->setTabVisible(pcMain_->indexOf(tablesTab_), shown);
                     if (activate) pcMain_->setCurrentWidget(tablesTab_);
                   });
}

void TTemplateMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(Tr(QStringLiteral("&Файл")));
  QMenu* lang = file->addMenu(Tr(QStringLiteral("Язык интерфейса")));
  lang->setObjectName(QStringLiteral("mnLanguage"));
  FillLanguageMenu(lang, languages_, language_, [this](int lcid) { CmdLanguage(lcid); });
  file->addSeparator();
  // Each menu: the commands of the window's map in its order, then the ones this program adds.
  // "Параметры online-сервисов" follows the proxy parameters it goes with.
  commands_.Fill(file, {"EditConfig", "EditShredding", "EditProxy", "EditOnline", "", "ExitProgram"});
  QMenu* draws = bar->addMenu(Tr(QStringLiteral("&Архив тиражей")));
  commands_.Fill(draws, {"DrawsInfo", "", "DrawsDownload"});
  commands_.Fill(draws->addMenu(Tr(QStringLiteral("Автозагрузка при запуске программы"))),
                 {"AutoDownload0", "AutoDownload1", "AutoDownload2"});
  commands_.Fill(draws, {"", "DrawsImport", "DrawsExport", "DrawsXlsExport", "", "DrawsAdd", "DrawsEdit", "DrawsDel",
                         "", "DrawsSorted"});
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("&Комбинации"))),
                 {"CombsInfo", "CombsCheckNums", "CombsFindInDraws", "", "CombsGen", "CombsDelExists",
                  "CombsDelSelected", "", "CombsCopy", "CombsPaste", "CombsSelectAll", "", "CombsOpen", "CombsSave", "",
                  "CombsUndo", "", "CombsXlsExport"});
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("&Статистика"))),
                 {"FiltersManager", "FiltersReset", "FiltersInfo", "", "DrawsStatExportToExcel", "", "AnalyzeRepeats",
                  "TotalSumCombs", "", "StatFilter_Include", "StatFilter_Exclude", "", "DrawsStatCalc",
                  "DrawsStatePrefetchsEnabled", "DrawsStatShowTotalLine"});
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("&Ставки"))), StakeMenuCommands());
  FillRatingsMenu(bar->addMenu(Tr(QStringLiteral("&Рейтинг"))), commands_);
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("Ре&гуляры"))), TableMenuCommands());
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("&Системы"))),
                 {"SystemsOn", "", "SystemsDownload", "", "SystemsRefresh", "", "SystemsAdd", "SystemsProp", "SystemsDel",
                  "", "SystemMake"});
  QMenu* script = bar->addMenu(Tr(QStringLiteral("&Сценарий")));
  commands_.Fill(script, {"ScriptOpen", "ScriptSave", ""});
  QMenu* library = script->addMenu(Tr(QStringLiteral("Online-каталог сценариев")));
  library->menuAction()->setObjectName("ScriptLibraryMenu");
  commands_.Fill(library, LibraryMenuCommands());
  commands_.Fill(
      script,
      {"", "ScriptAdd", "ScriptEmpty", "ScriptLoad", "ScriptClone",
       "ScriptEdit", "ScriptDel",  "ScriptClr",  "",          "ScriptUp",    "ScriptDown", "",
       "ScriptRun",  "ScriptTest", "ScriptStop", "",          "LogToggle",   "LogsDelete", "StakesCheckLine"});
  QMenu* view = bar->addMenu(Tr(QStringLiteral("&Вид")));
  commands_.Fill(view, {"TabGraps", "TabCard", "TabLayout", "TabWeek", "TabTables"});
  // The systems tab's switch under the caption of the other tab switches.
  if (QAction* systems = commands_.Alias("SystemsOn", QStringLiteral("Вкладка \"Системы\""))) view->addAction(systems);
  commands_.Fill(
      view, {"", "ViewColorDraws", "ViewColorCombs", "ViewColorCard", "ViewColorCardSequences", "ViewShemaGradient"});
  std::vector<QString> help = {"GetHelp", "About", "", "AutoSelfUpdate", "CheckUpdate", "", "OpenLotoSite", ""};
  for (const TWebLink& link : WebLinkCommands())
    if (QString(link.Command) != QLatin1String("OpenLotoSite")) help.push_back(link.Command);
  commands_.Fill(bar->addMenu(Tr(QStringLiteral("&Справка"))), help);
}

void TTemplateMain::BindSharedKeys() {
  // One key, several commands: the focus or the shown tab tells which one the key reaches, so that
  // no two actions answer one key at a time (the window would then run neither).
  // F7 and Ctrl+F7: the statistic filters in the statistics table, the favourites elsewhere.
  MakeShortcutLocal(commands_, "StatFilter_Include", lvDrawsStat_);
  MakeShortcutLocal(commands_, "StatFilter_Exclude", lvDrawsStat_);
  // Ctrl+Del: each list deletes its own rows (the stakes grid and the script list bind theirs).
  MakeShortcutLocal(commands_, "CombsDelSelected", lvCombs_);
  // Ctrl+J: opens a script while the script tab is shown, else switches the systems tab.
  const QKeySequence ctrlJ(Qt::CTRL | Qt::Key_J);
  ShowShortcutOnly(commands_, "ScriptOpen");
  ShowShortcutOnly(commands_, "SystemsOn");
  RouteShortcut(commands_, this, ctrlJ, [this] {
    return pcMain_->currentWidget() == scriptTab_ ? QStringLiteral("ScriptOpen") : QStringLiteral("SystemsOn");
  });
}

void TTemplateMain::CmdDrawsDownload() {
  TWaitWindow wait(QStringLiteral("Загрузка архива тиражей..."), this);
  wait.show();
  QApplication::processEvents();
  // The transfer asks at its checkpoints whether to go on: the window repaints there and "Отмена"
  // is heard.
  const int added = ws_->Download().Command(ws_->Download().ResultsUrl(), [&wait] {
    QApplication::processEvents();
    return !wait.Cancelled();
  });
  wait.hide();
  if (added > 0) {
    RefreshDrawsList(true);
    RefreshAllViews(true);
  }
  UpdateCommands();
}

void TTemplateMain::StartUpDownload() {
  if (ws_->Download().ResultsUrl().empty()) return;
  const int64_t mode = ws_->Settings().ReadSetting(Section, "DownloadDrawsOnStart", int64_t{0});
  if (mode == 2) return;
  if (mode == 0 && !port_.AskYesNo("Обновить список тиражей?\r\rДля выполнения обновления необходимо действующее "
                                   "подключение к сети Интернет."))
    return;
  CmdDrawsDownload();
}

void TTemplateMain::UpdateCommands() {
  if (!ws_) return;
  commands_.Update();
  if (lvCombs_) logModel_->SetRowCount(static_cast<int>(ws_->Combs().List().Log().size()));
}

// --- Helpers ---

std::filesystem::path TTemplateMain::ChooseFile(bool save, const QString& caption, const QString& filter,
                                                const QString& suffix) {
  const QString dir = QString::fromStdString(ws_->DataDir().string());
  QString file;
  if (fileChooser_) {
    file = fileChooser_(save, caption, filter, suffix, dir);
  } else {
    QFileDialog dialog(this, caption, dir, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    SizeFileDialog(dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) file = dialog.selectedFiles().first();
  }
  return std::filesystem::path(file.toStdString());
}

std::vector<uint32_t> TTemplateMain::SelectedRows(QTableView* view) const {
  // From the selection ranges: selecting 1.2 million rows must not make 1.2 million indexes.
  std::vector<uint32_t> rows;
  if (!view || !view->selectionModel()) return rows;
  for (const QItemSelectionRange& r : view->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(static_cast<uint32_t>(row));
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

bool TTemplateMain::ClipboardHasText() {
  // Asking the system clipboard may wait on its owner: the answer is kept until it changes.
  if (!clipboardKnown_) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    clipboardHasText_ = data && data->hasText();
    clipboardKnown_ = true;
  }
  return clipboardHasText_;
}

// --- Archive ---

void TTemplateMain::CmdDrawsDel() {
  const std::vector<uint32_t> rows = SelectedRows(lvDraws_);
  if (rows.empty() || !port_.ConfirmDelete(static_cast<int>(rows.size()))) return;
  // From the last selected row up to the first.
  std::vector<int32_t> numbers;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    const int index = drawsModel_->ArchiveIndex(static_cast<int>(*it));
    if (index >= 0 && index <= ws_->Archive().High()) numbers.push_back(ws_->Archive().Stored(index).Number);
  }
  ws_->DeleteDraws(numbers);
  lvDraws_->clearSelection();
  RefreshDrawsList(true);
  RefreshAllViews(true);
}

void TTemplateMain::CmdDrawsSorted() {
  ws_->SetSortedDraws(!ws_->Archive().SortedDraws());
  drawsModel_->Repaint();
  // Every statistic that reads positions changes: the table is computed again.
  RefreshAllViews(true);
}

void TTemplateMain::CmdDrawsImport() {
  const std::filesystem::path file = ChooseFile(false, QStringLiteral("Импорт из CSV-файла"), DrawsFilter, "csv");
  if (file.empty()) return;
  int skipped = 0;
  const int added = ws_->ImportDrawsCsv(file, &skipped);
  RefreshDrawsList(true);
  if (added > 0) RefreshAllViews(true);
  // What the import did, also when it added nothing (a file of another kind).
  if (added >= 0) port_.ShowInfo(DrawsImportReport(added, skipped));
}

void TTemplateMain::CmdDrawsExport() {
  const std::filesystem::path file = ChooseFile(true, QStringLiteral("Экспорт в CSV-файл"), DrawsFilter, "csv");
  if (file.empty()) return;
  ws_->ExportDrawsCsv(file);
}

// --- Combinations ---

void TTemplateMain::CmdCombsOpen() {
  const std::filesystem::path file = ChooseFile(false, QStringLiteral("Открыть"), CombsFilter, "lcv");
  if (file.empty()) return;
  lvCombs_->clearSelection();
  ws_->Combs().OpenFile(file);
}

void TTemplateMain::CmdCombsSave() {
  const std::filesystem::path file = ChooseFile(true, QStringLiteral("Сохранить"), CombsFilter, "lcv");
  if (file.empty()) return;
  ws_->Combs().SaveFile(file);
}

void TTemplateMain::CmdCombsCopy() {
  const std::vector<uint32_t> rows = SelectedRows(lvCombs_);
  const std::string text = ws_->Combs().CopyText(rows);
  if (!text.empty()) QGuiApplication::clipboard()->setText(ToQ(text));
}

void TTemplateMain::CmdCombsPaste() {
  const QString text = QGuiApplication::clipboard()->text();
  lvCombs_->clearSelection();
  ws_->Combs().PasteText(FromQ(text));
}

void TTemplateMain::CmdCombsSelectAll() {
  TBusyScope busy(port_, "Подождите пожалуйста...");
  lvCombs_->selectAll();
}

void TTemplateMain::CmdCombsFindInDraws() {
  const int row = ActedRow(lvCombs_);
  if (row < 0 || uint32_t(row) >= ws_->Combs().List().Count()) return;
  ws_->Combs().FindInDraws(ws_->Combs().List()[size_t(row)]);
}

void TTemplateMain::CmdCombsDelExists() { ws_->Combs().RemoveLatestDraws(edExclude_->value()); }

void TTemplateMain::CmdCombsDelSelected() {
  const std::vector<uint32_t> rows = SelectedRows(lvCombs_);
  lvCombs_->clearSelection();
  ws_->Combs().RemoveSelected(rows);
}

// --- Statistics ---

void TTemplateMain::CmdStatFilter(bool remove) {
  std::vector<size_t> rows;
  for (uint32_t r : SelectedRows(lvDrawsStat_)) rows.push_back(r);
  ws_->StatTab().FilterByRows(rows, remove);
}

void TTemplateMain::CmdTogglePrefetchs() {
  ws_->StatTab().SetPrefetchsEnabled(!ws_->StatTab().PrefetchsEnabled());
  ws_->StatTab().BuildAllCaches(false, 0);
  ApplyComparisonColumns();
  RefreshStatTable(true);
}

void TTemplateMain::CmdToggleTotalLine() {
  ws_->StatTab().SetShowTotalLine(!ws_->StatTab().ShowTotalLine());
  chart_->Clear();
  TBusyScope busy(port_, "Создание графиков...");
  RefreshStatTable(true);
}

void TTemplateMain::CmdFiltersReset() {
  if (!port_.AskYesNo("Вы действительно хотите сбросить список избранных фильтров?")) return;
  ws_->Stats().SelectAll();
  ws_->Stats().SaveNames(ws_->NamesPath(), true, false, port_);
  FillSelectors(true, false);
  RefreshAllViews(true);
}

// --- View and help ---

void TTemplateMain::CmdToggleColor(bool draws) {
  bool& on = draws ? colors_.Draws : colors_.Combs;
  on = !on;
  ws_->Settings().WriteSetting(Section, draws ? "ColorDraws" : "ColorCombs", on, &port_);
  if (draws) drawsModel_->Repaint();
  else combsModel_->Repaint();
}

void TTemplateMain::CmdGetHelp() { ShowHelp(this); }

void TTemplateMain::ShowHelp(QWidget* owner) {
  const QString file = HelpFile();
  if (file.isEmpty()) return;
  // One window, not modal, so the help stays open beside the work; a modal owner (the first-run
  // dialog) must be its parent for it to take input, and hands it back to the main window later.
  if (!helpViewer_) {
    helpViewer_ = new TDescriptionViewer(owner, QString(), QStringLiteral("Справка"));
    helpViewer_->setObjectName("HelpViewer");
    helpViewer_->setAttribute(Qt::WA_DeleteOnClose);
  } else if (helpViewer_->parentWidget() != owner) {
    helpViewer_->setParent(owner, helpViewer_->windowFlags());
  }
  helpViewer_->OpenPage(QUrl::fromLocalFile(file));
  helpViewer_->setModal(false);
  helpViewer_->show();
  helpViewer_->raise();
  helpViewer_->activateWindow();
}

void TTemplateMain::CmdLanguage(int lcid) {
  // The new language takes effect in a new start of the program.
  ws_->Settings().WriteSetting(Section, "Language", int64_t{lcid});
  Restart();
}

void TTemplateMain::Restart() {
  const bool started = restartStarter_ ? restartStarter_() : QProcess::startDetached(
                                                                 QCoreApplication::applicationFilePath(),
                                                                 RestartArguments(),
                                                                 QCoreApplication::applicationDirPath());
  if (!started) {
    port_.ShowError("Не удалось перезапустить программу!\r\rЗапустите её заново вручную.");
    return;
  }
  close();
}

void TTemplateMain::CmdAbout() {
  QMessageBox box(QMessageBox::Information, QStringLiteral("О программе"),
                  AboutText(QStringLiteral(KIVRA_VERSION), ws_->DataDir(),
                            std::filesystem::path(HelpFile().toStdString()).parent_path()),
                  QMessageBox::Ok, this);
  box.setObjectName("AboutBox");
  box.setTextFormat(Qt::RichText);
  box.exec();
}

}  // namespace kivra::shell
