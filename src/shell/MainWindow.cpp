#include "shell/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QToolButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTableView>
#include <QScopeGuard>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>
#include <fmt/format.h>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/Version.h"
#include "shell/CardTab.h"
#include "shell/FlowLayout.h"
#include "shell/GraphsTab.h"
#include "shell/LayoutTab.h"
#include "shell/NoticeBar.h"
#include "shell/RatingsTab.h"
#include "shell/ScriptLibraryPanel.h"
#include "shell/ScriptTab.h"
#include "shell/SystemsTab.h"
#include "shell/StakesTab.h"
#include "shell/WebLinks.h"
#include "shell/TablesTab.h"
#include "shell/UnitUpdate.h"
#include "shell/StatChart.h"
#include "shell/UnitHelp.h"
#include "shell/WeekTab.h"
#include "shell/WindowPlacement.h"
#include "stakes/Prizes.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

constexpr std::string_view Section = MainWindowSection;

// The width of the comparison columns 3..5: hidden while the comparison switch is off.
int ComparisonColumnWidth(bool compareSwitch) { return compareSwitch ? 80 : 0; }

// Design sizes of the window and its panels (the settings may replace them).
constexpr int DesignWidth = 1077;
constexpr int DesignHeight = 720;
constexpr int DesignLeftWidth = 400;
constexpr int DesignFiltersHeight = 150;
constexpr int DesignStatChartHeight = 220;
// The widest texts panels 0..5 show in practice: they size the panels, panel 6 takes the rest.
constexpr std::array<const char*, 6> PanelSamples = {"Архив тиражей: 99999", "Следующий тираж: 99999",
                                                     "45;45;45;45;45",       "Комбинаций: 1221759",
                                                     "Ставок: 9999999",      "Рейтинг: 9999999"};
constexpr std::array<const char*, 7> PanelTexts = {"Архив тиражей: 0", "Следующий тираж: 0", "", "Комбинаций: 0",
                                                   "Ставок: 0",        "Рейтинг: 0",         ""};
// The lists whose column widths the window keeps (those that exist).
constexpr std::array<const char*, 8> KeptLists = {"lvDraws",  "lvCombs",   "lvFilters", "lvDrawsStat",
                                                  "sgStakes", "lvRatings", "lvTables",  "lvScript"};

// Start-up ends with this when the stakes journal cannot be opened for this program alone.
constexpr std::string_view ExclusiveAccessMessage =
    "Невозможно получить монопольный доступ к файлам данных!\r\rВозможные причины данной ошибки: \r\r1) Вы "
    "пытаетесь запустить вторую копию программы из одного и того же каталога. Корректная работа нескольких копий "
    "программы возможна только из разных каталогов.\r\r2) У программы нет прав на запись в каталог данных. "
    "Например: каталог программы, установленной в /usr или /opt, закрыт для записи обычному пользователю; "
    "укажите другой каталог данных (--data-dir) или выдайте права на запись.\r\rПрограмма будет закрыта!";

// Another running process started from an executable of the same file name (case ignored).
bool OtherInstanceRunning() {
  const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  const qint64 own = QCoreApplication::applicationPid();
  const QDir proc("/proc");
  for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool numeric = false;
    const qint64 id = pid.toLongLong(&numeric);
    if (!numeric || id == own) continue;
    QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    // A process whose executable was replaced by an update still counts.
    if (exe.endsWith(QStringLiteral(" (deleted)"))) exe.chop(10);
    if (!exe.isEmpty() && QFileInfo(exe).fileName().compare(self, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace

bool HasSwitch(const QStringList& args, const QString& word) {
  for (int i = 1; i < args.size(); ++i) {
    QString a = args[i];
    if (a.startsWith("--")) a.remove(0, 2);
    else if (a.startsWith('-') || a.startsWith('/') || a.startsWith('\\')) a.remove(0, 1);
    if (a.compare(word, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

TStartOptions TStartOptions::Parse(const QStringList& args) {
  TStartOptions o;
  o.Restart = HasSwitch(args, "restart");
  o.FullRecreate = HasSwitch(args, "fullrecreate");
  o.FullRefresh = HasSwitch(args, "fullrefresh");
  o.NoLanguage = HasSwitch(args, "no-language");
  o.LoadOnly = HasSwitch(args, "loadonly");
  o.QuitWhenIdle = HasSwitch(args, "quit-when-idle");
  for (int i = 1; i + 1 < args.size(); ++i)
    if (args[i] == "--data-dir") o.DataDir = std::filesystem::path(args[i + 1].toStdString());
    else if (args[i] == "--catalog-url") o.Online.CatalogUrl = args[i + 1].toStdString();
    else if (args[i] == "--update-url") o.Online.UpdateUrl = args[i + 1].toStdString();
    else if (args[i] == "--ca-file") o.Online.CaFile = args[i + 1].toStdString();
  if (!args.isEmpty()) o.ExecutableDir = std::filesystem::path(QFileInfo(args[0]).absolutePath().toStdString());
  o.Arguments = args.mid(1);
  return o;
}

TFormMain::TFormMain(TStartOptions options, QWidget* parent)
    : TTemplateMain(std::move(options), QStringLiteral("Анализ статистики лотереи \"КИВРА Вирма 5 из 45\""), parent) {}

TTemplateMain::TTemplateMain(TStartOptions options, QString title, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      title_(std::move(title)),
      commands_(
          this, [this] { return port_.IsIdle(); }, [this] { UpdateCommands(); }) {
  setObjectName("TFormMain");
  port_.SetOwner(this);
  // Qt keeps the executable's path from its first use: taken now, it stays right after an update
  // has replaced the file.
  QCoreApplication::applicationFilePath();
  commands_.SetErrorHandler([this](const char* what) { port_.ShowError(what); });
  Create();
}

TTemplateMain::~TTemplateMain() {
  if (!shutDown_ && !quitRequested_) Shutdown();
}

QString TTemplateMain::StatusText(int panel) const {
  return panel >= 0 && panel < 7 && panels_[panel] ? panels_[panel]->text() : QString();
}

// --- Layout ---

QTableView* TTemplateMain::NewTable(const QString& name, QAbstractItemModel* model, bool multiSelect) {
  auto* view = new QTableView;
  view->setObjectName(name);
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setCornerButtonEnabled(false);
  // Tab leaves the list; the arrows move inside it.
  view->setTabKeyNavigation(false);
  view->verticalHeader()->hide();
  // Fixed row heights: the views never measure their (up to 1.2 million) rows.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateCommands(); });
  return view;
}

namespace {
// A number field with its hint (shown in panel 6 and as a tool tip).
QSpinBox* NewSpin(const char* name, int min, int max, int minWidth, const QString& hint) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(min, max);
  spin->setMinimumWidth(minWidth);
  spin->setStatusTip(hint);
  spin->setToolTip(hint);
  return spin;
}

// Two panes one above the other or side by side; pane `growing` (0 or 1) takes what the window gains.
QSplitter* NewSplitter(Qt::Orientation orientation, const char* name, QWidget* first, QWidget* second, int growing) {
  auto* splitter = new QSplitter(orientation);
  splitter->setObjectName(name);
  splitter->addWidget(first);
  splitter->addWidget(second);
  splitter->setStretchFactor(growing, 1);
  splitter->setChildrenCollapsible(false);
  return splitter;
}

// Widgets that stay together on one line of a wrapping row (a label with its field and button).
QWidget* Group(std::initializer_list<QWidget*> widgets) {
  auto* group = new QWidget;
  auto* h = new QHBoxLayout(group);
  h->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) h->addWidget(w);
  return group;
}

// A tab page with its vertical layout.
QVBoxLayout* NewPage(QWidget*& page) {
  page = new QWidget;
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(2, 2, 2, 2);
  return v;
}

}  // namespace

QWidget* TTemplateMain::BuildDrawsTab() {
  QWidget* page;
  QVBoxLayout* v = NewPage(page);
  auto* panel = new TFlowLayout;
  panel->addWidget(CommandButton(QStringLiteral("Загрузка"), "DrawsDownload", commands_));
  panel->addWidget(CommandButton(QStringLiteral("Добавить"), "DrawsAdd", commands_));
  panel->addWidget(CommandButton(QStringLiteral("Удалить"), "DrawsDel", commands_));
  panel->addStretch();
  auto* label = new QLabel(QStringLiteral("Смещение назад:"));
  edOffset_ =
      NewSpin("edOffset", 0, 0, 80, QStringLiteral("Смещение относительно последнего загруженного номера тиража"));
  label->setBuddy(edOffset_);
  panel->addWidget(Group({label, edOffset_}));
  v->addLayout(panel);
  connect(edOffset_, &QSpinBox::valueChanged, this, [this](int value) {
    if (!ws_->SetDrawsOffset(value)) return;
    drawsModel_->Repaint();
    RefreshAllViews(false);
    UpdateCommands();
  });

  lvDraws_ = NewTable("lvDraws", drawsModel_, true);
  const std::array<int, 8> widths = {60, 34, 34, 34, 34, 34, 40, 90};
  for (int c = 0; c < 8; ++c) lvDraws_->setColumnWidth(c, widths[c]);
  lvDraws_->horizontalHeader()->setStretchLastSection(true);
  connect(lvDraws_, &QTableView::doubleClicked, this, [this] { commands_.Trigger("DrawsInfo"); });
  // Ins adds, Enter edits, Del deletes (with the confirmation).
  lvDraws_->installEventFilter(this);
  // An empty archive says how to fill it instead of showing an empty list.
  drawsNotice_ = new TNoticeBar(QStringLiteral("lbDrawsNotice"), page);
  v->addWidget(drawsNotice_);
  v->addWidget(lvDraws_, 1);
  return page;
}

QWidget* TTemplateMain::BuildCombsTab() {
  QWidget* page;
  QVBoxLayout* v = NewPage(page);
  auto* panel = new TFlowLayout;
  panel->addWidget(CommandButton(QStringLiteral("Новый"), "CombsGen", commands_));
  panel->addWidget(CommandButton(QStringLiteral("Открыть"), "CombsOpen", commands_));
  panel->addWidget(CommandButton(QStringLiteral("Сохранить"), "CombsSave", commands_));
  panel->addWidget(CommandButton(QStringLiteral("Отменить"), "CombsUndo", commands_));
  panel->addStretch();
  edExclude_ = NewSpin("edExclude", 0, 1000000, 70,
                       QStringLiteral("Исключить указанное количество последних тиражей из списка комбинаций"));
  edExclude_->installEventFilter(this);
  panel->addWidget(Group({edExclude_, CommandButton(QStringLiteral("[-] Тиражи"), "CombsDelExists", commands_)}));
  v->addLayout(panel);

  lvCombs_ = NewTable("lvCombs", combsModel_, true);
  const std::array<int, 7> widths = {70, 34, 34, 34, 34, 34, 40};
  for (int c = 0; c < 7; ++c) lvCombs_->setColumnWidth(c, widths[c]);
  connect(lvCombs_, &QTableView::doubleClicked, this, [this] { commands_.Trigger("StakeAdd"); });
  lvFilters_ = NewTable("lvFilters", logModel_, false);
  lvFilters_->setColumnWidth(0, 210);
  lvFilters_->setColumnWidth(1, 130);
  lvFilters_->horizontalHeader()->setStretchLastSection(true);
  lvFilters_->setContextMenuPolicy(Qt::NoContextMenu);

  combsSplitter_ = NewSplitter(Qt::Vertical, "combsSplitter", lvCombs_, lvFilters_, 0);
  v->addWidget(combsSplitter_, 1);
  return page;
}

QWidget* TTemplateMain::BuildStatTab() {
  QWidget* page;
  QVBoxLayout* v = NewPage(page);

  auto* row1 = new QHBoxLayout;
  auto* selLabel = new QLabel(QStringLiteral("Вид расчета статистики:"));
  cbDrawsStat_ = new QComboBox;
  cbDrawsStat_->setObjectName("cbDrawsStat");
  cbDrawsStat_->setMinimumContentsLength(16);
  cbDrawsStat_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbDrawsStat_->setMaxVisibleItems(30);
  cbDrawsStat_->setToolTip(
      QStringLiteral("Статистика, по которой строится таблица.\n"
                     "{ num }, { sum } ... перед названием - группа статистик.\n"
                     "Буквы в квадратных скобках после названия:\n"
                     "  S - значения зависят от порядка выпадения чисел (их меняет \"Упорядочить MIN->MAX\");\n"
                     "  N - можно сравнить с полным набором комбинаций (колонка \"Норма\");\n"
                     "  D - значения считаются относительно последнего тиража окна;\n"
                     "  P - статистика периодов;\n"
                     "  G - статистика есть на графиках."));
  selLabel->setBuddy(cbDrawsStat_);
  row1->addWidget(selLabel);
  row1->addWidget(cbDrawsStat_, 1);
  row1->addWidget(CommandButton(QStringLiteral("Описание"), "FiltersInfo", commands_));
  v->addLayout(row1);

  auto* row2 = new TFlowLayout;
  auto* lenLabel = new QLabel(QStringLiteral("Количество тиражей:"));
  edStatLen_ = NewSpin("edDrawsStatLen", 1, 1000000, 80,
                       QStringLiteral("Количество тиражей, использующихся для расчета статистики"));
  edStatLen_->setValue(1000);
  edStatLen_->installEventFilter(this);
  lenLabel->setBuddy(edStatLen_);
  row2->addWidget(Group({lenLabel, edStatLen_, CommandButton(QStringLiteral("Обновить"), "DrawsStatCalc", commands_)}));
  row2->addStretch();
  // The two filter buttons wrap together, to the right.
  row2->addWidget(Group({CommandButton(QStringLiteral("Оставить выделенные"), "StatFilter_Include", commands_),
                         CommandButton(QStringLiteral("Удалить выделенные"), "StatFilter_Exclude", commands_)}));
  v->addLayout(row2);

  auto* row3 = new TFlowLayout;
  chkPrefetchs_ = new QCheckBox(QStringLiteral("Использовать сравнение с полным набором комбинаций"));
  chkPrefetchs_->setObjectName("chkPrefetchs");
  chkTotalLine_ = new QCheckBox(QStringLiteral("График идеального распределения"));
  chkTotalLine_->setObjectName("chkTotalLine");
  for (auto [box, name] :
       {std::pair{chkPrefetchs_, "DrawsStatePrefetchsEnabled"}, std::pair{chkTotalLine_, "DrawsStatShowTotalLine"}}) {
    QAction* action = commands_.Action(name);
    box->setStatusTip(action->statusTip());
    const QString n = name;
    connect(box, &QCheckBox::clicked, this, [this, n] { commands_.Trigger(n); });
    connect(action, &QAction::changed, box, [box, action] {
      box->setEnabled(action->isEnabled());
      box->setChecked(action->isChecked());
    });
  }
  row3->addWidget(chkPrefetchs_);
  row3->addWidget(chkTotalLine_);
  auto* chkInList = new QCheckBox(QStringLiteral("Показывать количество в списке"));
  chkInList->setObjectName("chkInList");
  chkInList->setStatusTip(
      QStringLiteral("Столбец \"В списке\": сколько комбинаций списка останется, если оставить строку"));
  connect(chkInList, &QCheckBox::clicked, this, [this, chkInList](bool on) {
    if (!port_.IsIdle()) {
      chkInList->setChecked(!on);
      return;
    }
    ws_->StatTab().SetShowInList(on);
    RefreshInListColumn(false);
  });
  connect(&port_, &TShellPort::BusyStateChanged, chkInList,
          [this, chkInList] { chkInList->setEnabled(port_.IsIdle()); });
  row3->addWidget(chkInList);
  v->addLayout(row3);

  lvDrawsStat_ = NewTable("lvDrawsStat", statModel_, true);
  lvDrawsStat_->setColumnWidth(0, 160);
  // Wide enough for the caption and the sort mark.
  for (int c = 1; c < StatColumnCount; ++c)
    lvDrawsStat_->setColumnWidth(
        c, std::max(80, lvDrawsStat_->fontMetrics().horizontalAdvance(ToQ(StatColumnCaptions[c])) + 28));
  auto* header = lvDrawsStat_->horizontalHeader();
  header->moveSection(ColInList, ColValue + 1);
  lvDrawsStat_->setColumnHidden(ColInList, true);
  lvDrawsStat_->setColumnWidth(ColInList, 90);
  connect(lvDrawsStat_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { RefreshInListColumn(false); });
  // The list changes in bursts (a script's filters): its counts follow once the burst is over.
  auto* inListTimer = new QTimer(this);
  inListTimer->setObjectName("inListTimer");
  inListTimer->setSingleShot(true);
  connect(inListTimer, &QTimer::timeout, this, [this, inListTimer] {
    if (port_.IsIdle()) RefreshInListColumn(true);
    else inListTimer->start(50);
  });
  header->setSortIndicatorShown(true);
  header->setSectionsClickable(true);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
    ws_->StatTab().View().ClickColumn(column);
    statModel_->SetRowCount(static_cast<int>(ws_->StatTab().View().Rows().size()));
    lvDrawsStat_->clearSelection();
    lvDrawsStat_->horizontalHeader()->setSortIndicator(
        ws_->StatTab().View().SortColumn(),
        ws_->StatTab().View().SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    UpdateCommands();
  });

  chart_ = new TStatChart;
  chart_->setObjectName("chartDrawsStat");
  statSplitter_ = NewSplitter(Qt::Vertical, "statSplitter", lvDrawsStat_, chart_, 0);
  v->addWidget(statSplitter_, 1);

  connect(cbDrawsStat_, &QComboBox::currentIndexChanged, this, [this] {
    if (!initialised_) return;
    RefreshStatTable(false);
    UpdateCommands();
  });
  return page;
}

void TTemplateMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 7; ++i) {
    auto* label = new QLabel(QString::fromUtf8(PanelTexts[i]));
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    if (i < 6) {
      // The design width, given up (down to half) when the window is too narrow for all panels:
      // panels never overlap.
      const int width = label->fontMetrics().horizontalAdvance(QString::fromUtf8(PanelSamples[i])) + 14;
      label->setMaximumWidth(width);
      label->setMinimumWidth(width / 2);
      label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
      if (i == 2) label->setAlignment(Qt::AlignCenter);
      bar->addWidget(label);
    } else {
      // Takes the remaining width without widening the window; the whole text is its tool tip.
      label->setMinimumWidth(50);
      label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      bar->addWidget(label, 1);
    }
    panels_[i] = label;
  }
  port_.SetPanels(panels_);
}

void TTemplateMain::AddMainTab(QWidget* page, const QString& caption) {
  // The right page control's tabs in the window's order; a tab goes before the first present tab
  // that follows it there, so each tab's builder can add its tab whenever it runs.
  static const QStringList order = {"Статистика", "Графики", "Карта",    "Схема",   "Неделя",
                                    "Ставки",     "Рейтинг", "Регуляры", "Системы", "Сценарий"};
  const qsizetype rank = order.indexOf(caption);
  int at = pcMain_->count();
  for (int i = 0; i < pcMain_->count(); ++i) {
    const qsizetype other = order.indexOf(pcMain_->tabText(i));
    if (rank >= 0 && other > rank) {
      at = i;
      break;
    }
  }
  pcMain_->insertTab(at, page, caption);
}

void TTemplateMain::ShowMainPage(QWidget* page, bool shown) {
  const int index = pcMain_->indexOf(page);
  if (index < 0) return;
  pcMain_->setTabVisible(index, shown);
  if (shown) pcMain_->setCurrentIndex(index);
}

void TTemplateMain::BuildLayout() {
  drawsModel_ = new TDrawsModel(*ws_, colors_, this);
  combsModel_ = new TCombsModel(*ws_, colors_, this);
  logModel_ = new TFilterLogModel(*ws_, this);
  statModel_ = new TStatTableModel(*ws_, this);

  pcLists_ = new QTabWidget;
  pcLists_->setObjectName("pcLists");
  pcLists_->addTab(BuildDrawsTab(), QStringLiteral("Архив тиражей"));
  pcLists_->addTab(BuildCombsTab(), QStringLiteral("Комбинации"));
  pcMain_ = new QTabWidget;
  pcMain_->setObjectName("pcMain");
  AddMainTab(BuildStatTab(), QStringLiteral("Статистика"));
  AddMainTab(graphsTab_, QStringLiteral("Графики"));
  AddMainTab(cardTab_, QStringLiteral("Карта"));
  AddMainTab(layoutTab_, QStringLiteral("Схема"));
  AddMainTab(weekTab_, QStringLiteral("Неделя"));
  scriptTab_ = new TScriptTab(
      *ws_, {[this](bool save, const QString& caption, const QString& filter, const QString& suffix) {
               return ChooseFile(save, caption, filter, suffix);
             },
             [this] {
               return TScriptEditContext{
                   &ws_->Stats(),      &port_, ws_->Stats().SelectorItems(false), SelectedEntry(), edStatLen_->value(),
                   edExclude_->value()};
             },
             [this](bool running) { ScriptRunStateChanged(running); }});
  scriptTab_->AddCommands(commands_);
  // The online script catalogue's panel under the script, with its commands.
  libraryPanel_ = new TScriptLibraryPanel(
      *ws_, [this](QAbstractItemModel* model) { return NewTable("lvOnlineScripts", model, false); });
  AddLibraryCommands(commands_, *libraryPanel_, *ws_, {[this] { scriptTab_->Refresh(); }});
  scriptTab_->Splitter()->addWidget(libraryPanel_);
  scriptTab_->Splitter()->setSizes(
      {400, static_cast<int>(ws_->Settings().ReadSetting(Section, "ScriptLibraryHeight", int64_t{220}))});
  AddMainTab(scriptTab_, QStringLiteral("Сценарий"));
  // Rating rows turned into script lines: the script tab shows them.
  connect(ratingsTab_, &TRatingsTab::scriptLinesAdded, this, [this] {
    scriptTab_->Refresh();
    pcMain_->setCurrentWidget(scriptTab_);
  });
  AddMainTab(stakesTab_, QStringLiteral("Ставки"));
  AddMainTab(ratingsTab_, QStringLiteral("Рейтинг"));
  AddMainTab(systemsTab_, QStringLiteral("Системы"));
  AddMainTab(tablesTab_, QStringLiteral("Регуляры"));
  connect(pcMain_, &QTabWidget::currentChanged, this, [this] {
    if (initialised_) RefreshAllViews(false);
  });

  splitter_ = NewSplitter(Qt::Horizontal, "mainSplitter", pcLists_, pcMain_, 1);
  setCentralWidget(splitter_);
  splitter_->setSizes({DesignLeftWidth, DesignWidth - DesignLeftWidth});
  combsSplitter_->setSizes({400, DesignFiltersHeight});
  statSplitter_->setSizes({400, DesignStatChartHeight});

  // The context menus of the lists.
  const std::vector<QString> drawsMenu = {"DrawsInfo", "", "DrawsDownload", "DrawsImport", "DrawsExport",
                                          "DrawsXlsExport", "", "DrawsAdd", "DrawsEdit", "DrawsDel", "", "DrawsSorted"};
  const std::vector<QString> combsMenu = {"CombsInfo",
                                          "CombsCheckNums",
                                          "CombsFindInDraws",
                                          "",
                                          "CombsGen",
                                          "CombsDelExists",
                                          "CombsDelSelected",
                                          "",
                                          "CombsCopy",
                                          "CombsPaste",
                                          "CombsSelectAll",
                                          "",
                                          "CombsOpen",
                                          "CombsSave",
                                          "",
                                          "CombsUndo",
                                          "",
                                          "CombsXlsExport",
                                          "",
                                          "StakeAdd",
                                          "StakeAddRandom",
                                          "StakeAddSelected",
                                          "StakeAddAll",
                                          "SystemStakeFilter",
                                          "SystemStakeAll",
                                          "",
                                          "TablesAdd"};
  const std::vector<QString> statMenu = {
      "StatFilter_Include",        "StatFilter_Exclude", "", "DrawsStatCalc", "", "DrawsStatExportToExcel", "",
      "DrawsStatePrefetchsEnabled"};
  for (auto [view, names] :
       {std::pair{lvDraws_, &drawsMenu}, std::pair{lvCombs_, &combsMenu}, std::pair{lvDrawsStat_, &statMenu}}) {
    for (const QString& name : *names) {
      if (name.isEmpty()) {
        auto* sep = new QAction(view);
        sep->setSeparator(true);
        view->addAction(sep);
      } else if (QAction* a = commands_.Action(name)) {
        view->addAction(a);
      }
    }
  }

  BuildStatusBar();
  resize(DesignWidth, DesignHeight);
}

// --- Life cycle ---

void TTemplateMain::Create() {
  try {
    // The combination list and its copies start empty (the workspace makes them so).
    const std::filesystem::path dataDir = TWorkspace::ResolveDataDir(options_.DataDir, options_.ExecutableDir);
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    ws_ = std::make_unique<TWorkspace>(dataDir, port_);
    ws_->Online().SetOverrides(options_.Online);
    ws_->Combs().List().OnViewChanged = [this](uint32_t count) { RefreshCombsView(count); };

    // Waits for the previous process to end (after a restart), about one minute at most.
    if (options_.Restart) {
      int checks = 0;
      while (OtherInstanceRunning() && checks < 601) {
        QThread::msleep(100);
        ++checks;
      }
      if (OtherInstanceRunning()) {
        quitRequested_ = true;
        return;
      }
    }

    // The interface language: the module "Language" names when it is present, else Russian. The
    // commands and menus are made in it; the names file keeps a section per language.
    languages_ = FindLanguages(ProgramResourceDir(options_.ExecutableDir, "lang"));
    const int wanted = options_.NoLanguage ? RussianLanguage
                                           : static_cast<int>(ws_->Settings().ReadSetting(
                                                 Section, "Language", int64_t{RussianLanguage}));
    const TLanguageModule& language = ChooseLanguage(languages_, wanted);
    language_ = InstallLanguage(language) ? language.Lcid : RussianLanguage;
    ws_->Stats().Language = LanguageAbbr(language_).toStdString();
    webLinks_ = ReadWebLinks(ws_->ConfigPath());

    BuildCommands();
    BuildLayout();
    BindSharedKeys();
    BuildMenus();

    setWindowTitle(title_);
    QApplication::setApplicationDisplayName(QString());

    try {
      bool maximized = false;
      if (!RestoreWindowPlacement(ws_->Settings(), Section, this, maximized)) {
        if (const QScreen* s = QGuiApplication::primaryScreen()) {
          // The design size, within the screen (a 1024x700 screen is smaller than the design).
          const QRect avail = s->availableGeometry();
          resize(size().boundedTo(avail.size()));
          move(avail.center() - QPoint(width() / 2, height() / 2));
        }
      }
      // The title bar stays on the screen, so the window can always be moved: a window that cannot
      // shrink to the screen (its contents' least size) or a placement saved on a larger screen
      // starts at the screen's top left.
      if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect avail = s->availableGeometry();
        move(std::clamp(x(), avail.left(), std::max(avail.left(), avail.right() + 1 - width())),
             std::clamp(y(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - height())));
      }
      if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
      ReadWindowKeys();
      RestoreListColumns();
    } catch (const std::exception& e) {
      port_.ShowError(SysFormat("Ошибка загрузки параметров программы!\r\r%s", {std::string(ErrorText(e))}));
    }

    ws_->LoadSettingsAndConfig();
    // The views' tabs follow their keys; their fields show the saved lengths.
    layoutTab_->LoadSettings();
    weekTab_->LoadSettings();
    graphsTab_->LoadSettings();
    pcMain_->setTabVisible(pcMain_->indexOf(graphsTab_), ws_->Graphs().Shown());
    for (auto [page, tab] : {std::pair<QWidget*, TViewTab>{cardTab_, TViewTab::Card},
                             {layoutTab_, TViewTab::Layout},
                             {weekTab_, TViewTab::Week}})
      pcMain_->setTabVisible(pcMain_->indexOf(page), ws_->Views().TabShown(tab));
    pcMain_->setTabVisible(pcMain_->indexOf(tablesTab_), ws_->Tables().Shown());
    ws_->Script().LoadWorkingScript();
    scriptTab_->Refresh();
    systemsTab_->FollowSwitch();
    libraryPanel_->Reload();
    pcMain_->setTabVisible(pcMain_->indexOf(systemsTab_), ws_->Systems().Enabled());
    colors_.Draws = ws_->Settings().ReadSetting(Section, "ColorDraws", true);
    colors_.Combs = ws_->Settings().ReadSetting(Section, "ColorCombs", true);
    edStatLen_->setValue(ws_->StatTab().WindowLength());
    ws_->StatTab().View().ResetKey();
    FillSelectors(false, false);
    UpdateCommands();

    initTimer_.setSingleShot(true);
    connect(&initTimer_, &QTimer::timeout, this, [this] { Initialise(); });
    initTimer_.start(100);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
      if (port_.IsIdle()) UpdateCommands();
    });
    idleTimer_.start(250);
    connect(&port_, &TShellPort::BusyStateChanged, this, [this] { UpdateCommands(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { clipboardKnown_ = false; });
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка запуска программы!\r\r%s", {std::string(ErrorText(e))}));
  }
}

void TTemplateMain::ReadWindowKeys() {
  const TWindowSettings& s = ws_->Settings();
  const int left = static_cast<int>(s.ReadSetting(Section, "LeftPanelWidth", int64_t{DesignLeftWidth}));
  const int total = std::max(width(), left + 200);
  splitter_->setSizes({left, total - left});
  edExclude_->setValue(
      static_cast<int>(std::clamp<int64_t>(s.ReadSetting(Section, "DrawsExclude", int64_t{0}), 0, 1000000)));
  const int filters = static_cast<int>(s.ReadSetting(Section, "FiltersHeight", int64_t{DesignFiltersHeight}));
  combsSplitter_->setSizes({std::max(100, height() - filters), filters});
  const int chart = static_cast<int>(s.ReadSetting(Section, "DrawsStatHeight", int64_t{DesignStatChartHeight}));
  statSplitter_->setSizes({std::max(100, height() - chart), chart});
  // "PrefetchsInit": written once, with the comparison switch's current value.
  if (!s.ReadSetting(Section, "PrefetchsInit", false)) {
    ws_->Settings().WriteSetting(Section, "PrefetchsInit", true);
    ws_->Settings().WriteSetting(Section, "PrefetchsEnabled", s.ReadSetting(Section, "PrefetchsEnabled", false));
  }
}

void TTemplateMain::WriteShutdownKeys() {
  TWindowSettings& s = ws_->Settings();
  s.WriteSetting(Section, "LeftPanelWidth", int64_t{splitter_->sizes().value(0, DesignLeftWidth)});
  s.WriteSetting(Section, "DrawsExclude", int64_t{edExclude_->value()});
  s.WriteSetting(Section, "DrawsStatLen", int64_t{ws_->StatTab().WindowLength()});
  s.WriteSetting(Section, "DrawsStatHeight", int64_t{statSplitter_->sizes().value(1, DesignStatChartHeight)});
  s.WriteSetting(Section, "FiltersHeight", int64_t{combsSplitter_->sizes().value(1, DesignFiltersHeight)});
  if (libraryPanel_ && libraryPanel_->isVisible())
    s.WriteSetting(Section, "ScriptLibraryHeight", int64_t{scriptTab_->Splitter()->sizes().value(1, 220)});
  layoutTab_->SaveSettings();
  weekTab_->SaveSettings();
  ws_->Views().SaveSettings();
  graphsTab_->SaveSettings();
}

void TTemplateMain::RestoreListColumns() {
  const TWindowSettings& s = ws_->Settings();
  for (const char* name : KeptLists) {
    auto* view = findChild<QTableView*>(name);
    if (!view) continue;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      const int64_t w = s.ReadSetting(Section, fmt::format("{}.Column{}", name, c), int64_t{-1});
      if (w >= 0 && w < 2000) view->setColumnWidth(c, static_cast<int>(w));
    }
  }
  const std::string sort = s.ReadSetting(Section, "lvDrawsStat.SortType", "");
  if (!sort.empty()) {
    const size_t comma = sort.find(',');
    const int column = StrToIntDef(sort.substr(0, comma), ColCount);
    const int dir = comma == std::string::npos ? 0 : StrToIntDef(sort.substr(comma + 1), 0);
    if (column >= 0 && column <= ColInList) ws_->StatTab().View().SetSort(column, dir != 0);
  }
}

void TTemplateMain::SaveListColumns() {
  TWindowSettings& s = ws_->Settings();
  for (const char* name : KeptLists) {
    auto* view = findChild<QTableView*>(name);
    if (!view) continue;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      // The comparison columns are hidden while the switch is off: their width is not the user's;
      // the list-count column keeps its own.
      if (std::string_view(name) == "lvDrawsStat" && ((c >= ColNorm && c <= ColDeviationPct) || c == ColInList))
        continue;
      s.WriteSetting(Section, fmt::format("{}.Column{}", name, c), int64_t{view->columnWidth(c)});
    }
  }
  s.WriteSetting(
      Section, "lvDrawsStat.SortType",
      fmt::format("{},{}", ws_->StatTab().View().SortColumn(), ws_->StatTab().View().SortDescending() ? 1 : 0));
}

QString TTemplateMain::HelpFile() const {
  // The help pages: help/index.html beside the program, in its parent folder or in the installed
  // share folder.
  const auto index = ProgramResourceDir(options_.ExecutableDir, "help") / "index.html";
  std::error_code ec;
  return std::filesystem::is_regular_file(index, ec) ? QString::fromStdString(index.string()) : QString();
}

void TTemplateMain::Initialise() {
  initTimer_.stop();
  try {
    port_.ShowProgress("Инициализация...");
    ws_->Combs().ReserveLists();
    setWindowTitle(title_ + QStringLiteral(" версия ") + QStringLiteral(KIVRA_VERSION));
    ws_->SetDrawsOffset(0);
    // The stakes journal stays open (and locked) for the run: a second program on the same data
    // folder ends here.
    if (!ws_->Stakes().Load()) {
      port_.ShowProgress("");
      port_.ShowError(ExclusiveAccessMessage);
      quitRequested_ = true;
      close();
      return;
    }
    WriteFirstConfig(ws_->ConfigPath(), ws_->Config().Data, port_);
    ws_->LoadArchive();
    RefreshDrawsList(true);
    ws_->Combs().GenerateList(true, ws_->Combs().GenDefaults());
    initialised_ = true;
    RefreshAllViews(true);
    ws_->Ratings().Load();
    ws_->Tables().Load();
    // Stakes left unchecked when the program ended in the middle of a run are checked now that
    // their draws may be in the archive.
    if (ws_->Stakes().CheckAndFlush()) ws_->Stakes().UpdateView(true, false);
    RefreshDrawsList(false);
    UpdatePrizeNotices();

    if (options_.LoadOnly) {
      CmdDrawsDownload();
      if (!options_.FullRecreate && !options_.FullRefresh) {
        port_.ShowProgress("");
        close();
        return;
      }
    }
    // The quiet update check; after an installed update the program starts again and nothing else
    // of the start-up runs.
    if (StartUpUpdateCheck(*ws_, this, UpdateContext())) {
      port_.ShowProgress("");
      return;
    }
    if (options_.FullRecreate) {
      ws_->StatTab().BuildAllCaches(true, (1u << 13) - 1);
      port_.ShowProgress("");
      close();
      return;
    }
    ws_->StatTab().BuildAllCaches(options_.FullRefresh, 0);
    if (options_.FullRefresh) {
      port_.ShowProgress("");
      close();
      return;
    }
    port_.ShowProgress("");
    UpdateCommands();
    emit InitialisationDone();

    if (!options_.QuitWhenIdle)
      QTimer::singleShot(0, this, [this] {
        StartUpDownload();
        if (ws_->Settings().ReadSetting(Section, "FirstRun", false)) CmdFirstRun();
      });
    if (options_.QuitWhenIdle)
      QTimer::singleShot(0, this, [this] {
        // The moment closing starts, for the measuring script (the process's end is the other).
        const QString help = HelpFile();
        std::fprintf(stderr, "quit-when-idle: data %s, help %s\n", ws_->DataDir().c_str(),
                     help.isEmpty() ? "-" : help.toLocal8Bit().constData());
        std::fprintf(stderr, "quit-when-idle: closing at %lld ms\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        close();
      });
  } catch (const std::exception& e) {
    port_.ShowProgress("");
    port_.ShowError(SysFormat("Ошибка инициализации программы!\r\r%s", {std::string(ErrorText(e))}));
  }
}

TUpdateContext TTemplateMain::UpdateContext() {
  return {options_.ExecutableDir, [this] { return language_; }, [this] { Restart(); }};
}

QStringList TTemplateMain::RestartArguments() const {
  // The places the program was told to use go on; one-shot switches do not.
  static const QStringList kept = {"--data-dir", "--catalog-url", "--update-url", "--ca-file"};
  QStringList args;
  for (qsizetype i = 0; i + 1 < options_.Arguments.size(); ++i)
    if (kept.contains(options_.Arguments[i])) {
      args << options_.Arguments[i] << options_.Arguments[i + 1];
      ++i;
    }
  args << QStringLiteral("restart");
  return args;
}

void TTemplateMain::ScriptRunStateChanged(bool running) {
  // The lists the run drives are locked while it runs.
  pcLists_->widget(0)->setEnabled(!running);
  pcLists_->widget(1)->setEnabled(!running);
  if (QWidget* stat = pcMain_->widget(0)) stat->setEnabled(!running);
  if (running) return;
  // The statistics tab shows what the run selected last, with the sort it had before the run.
  if (const int at = cbDrawsStat_->findData(ws_->StatTab().Item()); at >= 0) {
    const QSignalBlocker block(cbDrawsStat_);
    cbDrawsStat_->setCurrentIndex(at);
  }
  {
    const QSignalBlocker block(edStatLen_);
    edStatLen_->setValue(ws_->StatTab().WindowLength());
  }
  RefreshDrawsList(false);
  RefreshAllViews(false);
  // A close asked for during the run (and answered by a stop) takes place now.
  // (The run's command is still finishing: the close waits until the program is idle.)
  if (closeAfterRun_) {
    auto* timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [this, timer] {
      if (!port_.IsIdle()) return;
      timer->deleteLater();
      close();
    });
    timer->start();
  }
}

void TTemplateMain::closeEvent(QCloseEvent* event) {
  // A running script is stopped first (with its question); the window closes once it has ended.
  if (ws_ && ws_->Runner().Running()) {
    if (!ws_->Runner().StopRequested()) commands_.Trigger("ScriptStop");
    closeAfterRun_ = ws_->Runner().StopRequested();
    event->ignore();
    return;
  }
  // A command under way (it processes events while it works) keeps the window open: closing now
  // would release the data it is working on.
  if (!port_.IsIdle()) {
    event->ignore();
    return;
  }
  Shutdown();
  event->accept();
}

void TTemplateMain::Shutdown() {
  if (shutDown_ || !ws_ || !splitter_) return;
  shutDown_ = true;
  initTimer_.stop();
  idleTimer_.stop();
  try {
    // Dozens of keys, one rewrite of the file.
    TSettingsBatch batch(ws_->Settings());
    SaveWindowPlacement(ws_->Settings(), Section, this);
    WriteShutdownKeys();
    SaveListColumns();
    ws_->Ratings().SaveSortSetting();
  } catch (const std::exception&) {
    // Settings that cannot be written are lost; closing goes on.
  }
  ws_->Combs().List().OnViewChanged = nullptr;
  ws_->Combs().List().ReleaseAll();
  ws_->Archive().Clear();
  ws_->Stakes().SetViewHandler(nullptr);
  ws_->Stakes().Save();
  ws_->Ratings().Ratings().SetViewHandler(nullptr);
  ws_->Tables().SetViewHandler(nullptr);
}

void TTemplateMain::ShowPlaced() {
  if (isMaximized()) showMaximized();
  else show();
}

bool TTemplateMain::event(QEvent* event) {
  // Hints go to panel 6 while idle; while busy the panel shows the progress text.
  if (event->type() == QEvent::StatusTip) {
    if (port_.IsIdle() && panels_[6]) {
      panels_[6]->setText(static_cast<QStatusTipEvent*>(event)->tip());
      panels_[6]->setToolTip(panels_[6]->text());
    }
    return true;
  }
  return QMainWindow::event(event);
}

bool TTemplateMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == lvDraws_ && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
      const char* command = key == Qt::Key_Insert                           ? "DrawsAdd"
                            : key == Qt::Key_Return || key == Qt::Key_Enter ? "DrawsEdit"
                            : key == Qt::Key_Delete                         ? "DrawsDel"
                                                                            : nullptr;
      if (command) {
        commands_.Trigger(command);
        return true;
      }
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == edExclude_) {
        edExclude_->interpretText();
        commands_.Trigger("CombsDelExists");
        return true;
      }
      if (watched == edStatLen_) {
        if (port_.IsIdle() && ApplyStatLength()) {
          RefreshStatTable(false);
          UpdateCommands();
        }
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// --- Views ---

bool TTemplateMain::ApplyStatLength() {
  // The text typed but not yet confirmed counts: the field shows it.
  edStatLen_->interpretText();
  if (edStatLen_->value() == ws_->StatTab().WindowLength()) return false;
  ws_->StatTab().SetWindowLength(edStatLen_->value());
  return true;
}

void TTemplateMain::RefreshAllViews(bool forced) {
  // One busy span for all the views: the commands are disabled and enabled again once, not once
  // per view.
  port_.BeginBusy();
  const auto done = qScopeGuard([this] { port_.EndBusy(); });
  RefreshStatTable(forced);
  graphsTab_->Refresh(forced);
  cardTab_->Refresh(forced);
  layoutTab_->RefreshLayout(forced);
  layoutTab_->RefreshCompare(forced);
  weekTab_->Refresh(forced);
}

void TTemplateMain::RefreshDrawsList(bool force) {
  const int count = ws_->Archive().Count();
  drawsNotice_->SetNotice(count == 0 && initialised_ ? ToQ(ws_->Download().EmptyArchiveHint()) : QString());
  if (force || drawsModel_->rowCount() != count) drawsModel_->SetRowCount(count);
  else drawsModel_->Repaint();
  const QSignalBlocker block(edOffset_);
  edOffset_->setMaximum(std::max(0, count - 1));
  edOffset_->setValue(ws_->Archive().DrawsOffset());
}

void TTemplateMain::UpdatePrizeNotices() {
  const QString notice = PrizeTableEmpty(ws_->Config().Data) ? ToQ(PrizeTableNotice) : QString();
  stakesTab_->Notice()->SetNotice(notice);
  ratingsTab_->Notice()->SetNotice(notice);
}

void TTemplateMain::RefreshCombsView(uint32_t count) {
  combsModel_->SetRowCount(static_cast<int>(count));
  logModel_->SetRowCount(static_cast<int>(ws_->Combs().List().Log().size()));
  if (ws_->StatTab().ShowInList())
    if (auto* timer = findChild<QTimer*>("inListTimer")) timer->start(0);
}

void TTemplateMain::RefreshInListColumn(bool recount) {
  TStatTab& tab = ws_->StatTab();
  if (auto* box = findChild<QCheckBox*>("chkInList")) box->setChecked(tab.ShowInList());
  lvDrawsStat_->setColumnHidden(ColInList, !tab.ShowInList());
  if (recount) tab.RefreshInList();
  const auto& view = tab.View();
  statModel_->Repaint();
  lvDrawsStat_->horizontalHeader()->setSortIndicator(view.SortColumn(),
                                                     view.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
  // Panel 6, the hint and progress panel, shows the selection's count while rows are selected.
  static const QString mark = QStringLiteral("Выделено: ");
  std::vector<size_t> rows;
  for (uint32_t r : SelectedRows(lvDrawsStat_)) rows.push_back(r);
  if (!tab.ShowInList() || rows.empty() || !port_.IsIdle()) {
    if (panels_[6] && panels_[6]->text().startsWith(mark)) panels_[6]->clear();
    return;
  }
  if (panels_[6]) {
    panels_[6]->setText(ToQ(SysFormat("Выделено: %d строк, в списке: %d", {rows.size(), tab.InListOfRows(rows)})));
    panels_[6]->setToolTip(panels_[6]->text());
  }
}

void TTemplateMain::ApplyComparisonColumns() {
  const int width = ComparisonColumnWidth(ws_->StatTab().PrefetchsEnabled());
  for (int c = ColNorm; c <= ColDeviationPct; ++c) {
    lvDrawsStat_->setColumnHidden(c, width == 0);
    if (width) lvDrawsStat_->setColumnWidth(c, width);
  }
}

void TTemplateMain::RefreshStatTable(bool force) {
  ws_->StatTab().SetItem(SelectedEntry());
  ws_->StatTab().Refresh(force);
  const auto& view = ws_->StatTab().View();
  statModel_->SetRowCount(static_cast<int>(view.Rows().size()));
  lvDrawsStat_->horizontalHeader()->setSortIndicator(view.SortColumn(),
                                                     view.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
  chart_->SetSeries(view.Series());
  ApplyComparisonColumns();
  RefreshInListColumn(false);
}

void TTemplateMain::FillSelectors(bool rebuild, bool keepIndex) {
  const QSignalBlocker block(cbDrawsStat_);
  const int remembered = keepIndex ? cbDrawsStat_->currentIndex() : 0;
  cbDrawsStat_->clear();
  if (rebuild) ws_->RebuildRegistry();
  const TStatList& stats = ws_->Stats();
  for (const auto& item : stats.SelectorItems(false)) cbDrawsStat_->addItem(ToQ(item.Caption), item.Index);
  chartItems_ = stats.SelectorItems(true);
  if (graphsTab_) graphsTab_->FillSelector(chartItems_);
  if (remembered >= 0 && remembered < cbDrawsStat_->count()) cbDrawsStat_->setCurrentIndex(remembered);
  else cbDrawsStat_->setCurrentIndex(-1);
  ws_->StatTab().SetItem(SelectedEntry());
  if (scriptTab_) scriptTab_->Refresh();  // the script list resolves codes over the registry
}

int TTemplateMain::ActedRow(QTableView* view) const {
  const std::vector<uint32_t> rows = SelectedRows(view);
  if (rows.empty()) return -1;
  const QModelIndex current = view->currentIndex();
  if (current.isValid() && std::binary_search(rows.begin(), rows.end(), static_cast<uint32_t>(current.row())))
    return current.row();
  return static_cast<int>(rows.front());
}

int TTemplateMain::SelectedEntry() const {
  if (!cbDrawsStat_ || cbDrawsStat_->currentIndex() < 0) return -1;
  return cbDrawsStat_->currentData().toInt();
}

}  // namespace kivra::shell
