// The window's command map as a user meets it: every menu and context menu with its commands in
// order, their captions and keys, the tab order, the status panels and the caption; then every key
// pressed in each place the focus can be reaches exactly its one command. Screenshots of the open
// menus go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "gui/GuiTestUtil.h"
#include "shell/CardTab.h"
#include "shell/LayoutTab.h"
#include "shell/MainWindow.h"
#include "shell/RatingsTab.h"
#include "shell/ScriptTab.h"
#include "shell/StakesTab.h"
#include "shell/SystemsTab.h"
#include "shell/TablesTab.h"
#include "shell/WeekTab.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

namespace {

// A command with its caption and its key ("" none) as the menus show them.
struct TCommandRow {
  const char* Name;
  const char* Caption;
  const char* Key;
};

// Every command of the menus and context menus. The keys are the only keys of the window: F5 also
// refreshes the statistics table (everywhere) and the systems list (in that list).
const std::vector<TCommandRow> CommandTable = {
    // Файл
    {"EditConfig", "Параметры", ""},
    {"EditShredding", "Формулы шинковки", ""},
    {"EditProxy", "Параметры proxy-сервера", ""},
    {"ExitProgram", "Выход", "Alt+F4"},
    {"EditOnline", "Параметры online-сервисов", ""},
    // Архив тиражей
    {"DrawsInfo", "Сведения о тираже", ""},
    {"DrawsDownload", "Загрузка", "F3"},
    {"AutoDownload0", "По запросу (по умолчанию)", ""},
    {"AutoDownload1", "Автоматически", ""},
    {"AutoDownload2", "Отключено", ""},
    {"DrawsImport", "Импорт из CSV-файла", ""},
    {"DrawsExport", "Экспорт в CSV-файл", ""},
    {"DrawsXlsExport", "Экспорт в Microsoft Excel", ""},
    {"DrawsAdd", "Добавить", ""},
    {"DrawsEdit", "Изменить", ""},
    {"DrawsDel", "Удалить", ""},
    {"DrawsSorted", "Упорядочить MIN->MAX", ""},
    // Комбинации
    {"CombsInfo", "Сведения о комбинации", ""},
    {"CombsCheckNums", "Количество уникальных номеров", ""},
    {"CombsFindInDraws", "Проверить по архиву тиражей", "Ctrl+F"},
    {"CombsGen", "Генерировать", "F2"},
    {"CombsDelExists", "Исключить тиражи", "Ctrl+E"},
    {"CombsDelSelected", "Удалить выделенные", "Ctrl+Del"},
    {"CombsCopy", "Копировать в буфер", "Ctrl+C"},
    {"CombsPaste", "Вставить из буфера", "Ctrl+V"},
    {"CombsSelectAll", "Выделить все", "Ctrl+A"},
    {"CombsOpen", "Открыть", "Ctrl+O"},
    {"CombsSave", "Сохранить", "Ctrl+S"},
    {"CombsUndo", "Отменить", "Ctrl+Z"},
    {"CombsXlsExport", "Экспорт в Microsoft Excel", ""},
    // Статистика
    {"FiltersManager", "Избранные статистики", "F7"},
    {"FiltersReset", "Все доступные статистики", "Ctrl+F7"},
    {"FiltersInfo", "Описание статистики", "F8"},
    {"DrawsStatExportToExcel", "Экспорт статистики в Microsoft Excel", ""},
    {"AnalyzeRepeats", "Количество повторов в зависимости от тиража", ""},
    {"TotalSumCombs", "Распределение сумм тиражей и всех возможных комбинаций", ""},
    {"StatFilter_Include", "Оставить выделенные", "F7"},
    {"StatFilter_Exclude", "Удалить выделенные", "Ctrl+F7"},
    {"DrawsStatCalc", "Обновить", "F5"},
    {"DrawsStatePrefetchsEnabled", "Использовать сравнение с полным набором комбинаций", ""},
    {"DrawsStatShowTotalLine", "График идеального распределения", ""},
    // Ставки
    {"StakeAdd", "Сделать ставку", "F4"},
    {"StakeAddRandom", "Сделать случайную ставку", "Ctrl+F4"},
    {"StakeAddSelected", "Сделать ставки для выделенных комбинаций", "Alt+F4"},
    {"StakeAddAll", "Сделать ставки для всех комбинаций", "Ctrl+Alt+F4"},
    {"SystemStakeFilter", "Cистемная игра по списку комбинаций", "Alt+J"},
    {"SystemStakeAll", "Cистемная игра по списку системы", "Ctrl+Alt+J"},
    {"StakeDel", "Удалить ставку", "Ctrl+Del"},
    {"StakeFilter", "Удалить по условию", "Alt+D"},
    {"StakeClear", "Удалить все ставки", "Ctrl+Shift+Del"},
    {"StakesGraphDraws", "Суммарный профит по тиражам", "F6"},
    {"StakesChance", "Сравнить со случайной игрой", ""},
    {"StakesXlsExport", "Экспорт ставок в Microsoft Excel", ""},
    {"StakesCheckManual", "Проверить ставки", "Ctrl+F5"},
    {"LogStakes", "Журналы ставок", ""},
    {"LogStakesDelete", "Удалить журналы ставок", ""},
    {"StakesScroll", "Прокручивать список при добавлении", ""},
    {"StakesCheckLine", "Проверять ставки после каждой строки сценария", ""},
    // Рейтинг
    {"StakesGraphOverlap", "График совпадений ставок", "Ctrl+F6"},
    {"StakesGraphProfits", "График профита ставок", "Alt+F6"},
    {"RatingsGraphOverlap", "Количество совпадений", ""},
    {"RatingsEffMode0", "Ожидаемые значения совпадений", ""},
    {"RatingsEffMode1", "Абсолютные значения эффективности", ""},
    {"RatingsEffMode2", "Относительные значения эффективности", ""},
    {"RatingsRefresh", "Обновить рейтинг", "F5"},
    {"RatingsToScript", "Добавить в сценарий", ""},
    {"RatingsExport", "Экспорт рейтинга в CSV-файл", ""},
    {"RatingsXlsExport", "Экспорт рейтинга в Microsoft Excel", ""},
    {"RatingsChance", "Сравнить со случайной игрой", ""},
    // Регуляры
    {"TablesAdd", "Добавить регулярную ставку", ""},
    {"TablesDel", "Удалить регулярную ставку", ""},
    {"TablesStakeAdd", "Сделать ставку по регуляру", ""},
    {"TablesStakeTest", "Тест регуляров", ""},
    // Системы
    {"SystemsOn", "Системная игра", "Ctrl+J"},
    {"SystemsDownload", "Загрузить", ""},
    {"SystemsRefresh", "Обновить", "F5"},
    {"SystemsAdd", "Добавить", ""},
    {"SystemsProp", "Свойства", ""},
    {"SystemsDel", "Удалить", ""},
    {"SystemMake", "Создать систему...", ""},
    // Сценарий
    {"ScriptOpen", "Открыть", "Ctrl+J"},
    {"ScriptSave", "Сохранить", "Ctrl+I"},
    {"ScriptAdd", "Добавить фильтры", "Ctrl+Ins"},
    {"ScriptEmpty", "Добавить разделитель", "Ctrl+Alt+Ins"},
    {"ScriptLoad", "Добавить сценарий", ""},
    {"ScriptClone", "Клонировать", "Ctrl+K"},
    {"ScriptEdit", "Изменить", "Ctrl+Return"},
    {"ScriptDel", "Удалить", "Ctrl+Del"},
    {"ScriptClr", "Удалить все", ""},
    {"ScriptUp", "Переместить вверх", "Ctrl+Up"},
    {"ScriptDown", "Переместить вниз", "Ctrl+Down"},
    {"ScriptRun", "Прогноз", "F10"},
    {"ScriptTest", "Тест", "Ctrl+F10"},
    {"ScriptStop", "Стоп", "Ctrl+X"},
    {"LogToggle", "Журнал выполнения сценария", ""},
    {"LogsDelete", "Удалить журналы выполнения сценариев", ""},
    {"ScriptLibrary", "Online каталог сценариев", "Ctrl+L"},
    // Вид
    {"TabGraps", "Вкладка \"Графики\"", ""},
    {"TabCard", "Вкладка \"Карта\"", ""},
    {"TabLayout", "Вкладка \"Схема\"", ""},
    {"TabWeek", "Вкладка \"Неделя\"", ""},
    {"TabTables", "Вкладка \"Регуляры\"", ""},
    {"ViewColorDraws", "Выделять каналы в списке тиражей", ""},
    {"ViewColorCombs", "Выделять каналы в списке комбинаций", ""},
    {"ViewColorCard", "Выделять каналы в карте тиражей", ""},
    {"ViewColorCardSequences", "Выделять последовательности в карте тиражей", ""},
    {"ViewShemaGradient", "Градиентная раскраска схемы", ""},
    // Справка
    {"GetHelp", "Справка", "F1"},
    {"About", "О программе", ""},
    {"AutoSelfUpdate", "Автоматическое обновление", ""},
    {"CheckUpdate", "Поиск обновлений", ""},
    {"OpenLotoSite", "Сайт лотереи", ""},
    {"urlMainSite", "Официальный сайт проекта", ""},
    {"urlBlog", "Наш блог", ""},
    {"urlYT", "Наш видеоблог", ""},
    {"urlAuthText", "Статьи для начинающих", ""},
    {"urlVK", "Страница в соцсети \"В контакте\"", ""},
    {"urlOK", "Страница в соцсети \"Одноклассники\"", ""},
    {"urlAuthSite", "Страница автора", ""},
    {"urlTG", "Канал в Telegram", ""},
    // The context menus of the view grids.
    {"CardFilter_Include", "Оставить выделенные", ""},
    {"CardFilter_Exclude", "Удалить выделенные", ""},
    {"CardXlsExport", "Экспорт карты тиражей в Microsoft Excel", ""},
    {"LayoutFilter_Include", "Оставить выделенные", ""},
    {"LayoutFilter_Exclude", "Удалить выделенные", ""},
    {"LayoutXlsExport", "Экспорт схемы в Microsoft Excel", ""},
    {"WeekFilter_Include", "Оставить выделенные", ""},
    {"WeekFilter_Exclude", "Удалить выделенные", ""},
    {"ViewWeekChartMode", "График по дням недели", ""},
    {"ViewWeekChartType", "График / диаграмма", ""},
};

// A menu: its title path and its items in order, separators left out; "[Title]" is a submenu,
// "Name=Caption" a command shown under another caption. The commands this program adds to a menu
// come after the ones of the window's map.
struct TMenuRow {
  QString Path;
  QStringList Items;
};

const std::vector<TMenuRow> MenuTable = {
    {"Файл", {"[Язык интерфейса]", "EditConfig", "EditShredding", "EditProxy", "EditOnline", "ExitProgram"}},
    {"Архив тиражей",
     {"DrawsInfo", "DrawsDownload", "[Автозагрузка при запуске программы]", "DrawsImport", "DrawsExport",
      "DrawsXlsExport", "DrawsAdd", "DrawsEdit", "DrawsDel", "DrawsSorted"}},
    {"Архив тиражей/Автозагрузка при запуске программы", {"AutoDownload0", "AutoDownload1", "AutoDownload2"}},
    {"Комбинации",
     {"CombsInfo", "CombsCheckNums", "CombsFindInDraws", "CombsGen", "CombsDelExists", "CombsDelSelected", "CombsCopy",
      "CombsPaste", "CombsSelectAll", "CombsOpen", "CombsSave", "CombsUndo", "CombsXlsExport"}},
    {"Статистика",
     {"FiltersManager", "FiltersReset", "FiltersInfo", "DrawsStatExportToExcel", "AnalyzeRepeats", "TotalSumCombs",
      "StatFilter_Include", "StatFilter_Exclude", "DrawsStatCalc", "DrawsStatePrefetchsEnabled",
      "DrawsStatShowTotalLine"}},
    {"Ставки",
     {"StakeAdd", "StakeAddRandom", "StakeAddSelected", "StakeAddAll", "SystemStakeFilter", "SystemStakeAll",
      "SystemMake", "StakeDel", "StakeFilter", "StakeClear", "StakesGraphDraws", "StakesChance", "StakesXlsExport",
      "StakesCheckManual", "LogStakes", "LogStakesDelete", "StakesScroll", "StakesCheckLine"}},
    {"Рейтинг",
     {"StakesGraphOverlap", "StakesGraphProfits", "RatingsGraphOverlap", "[Эффективность (столбцы E0..n)]",
      "RatingsRefresh", "RatingsToScript", "RatingsExport", "RatingsXlsExport"}},
    {"Рейтинг/Эффективность (столбцы E0..n)", {"RatingsEffMode0", "RatingsEffMode1", "RatingsEffMode2"}},
    {"Регуляры", {"TablesAdd", "TablesDel", "TablesStakeAdd", "TablesStakeTest"}},
    {"Системы",
     {"SystemsOn", "SystemsDownload", "SystemsRefresh", "SystemsAdd", "SystemsProp", "SystemsDel", "SystemMake"}},
    {"Сценарий",
     {"ScriptOpen", "ScriptSave", "[Online-каталог сценариев]", "ScriptAdd", "ScriptEmpty", "ScriptLoad", "ScriptClone",
      "ScriptEdit", "ScriptDel", "ScriptClr", "ScriptUp", "ScriptDown", "ScriptRun", "ScriptTest", "ScriptStop",
      "LogToggle", "LogsDelete", "StakesCheckLine"}},
    {"Вид",
     {"TabGraps", "TabCard", "TabLayout", "TabWeek", "TabTables", "SystemsOn=Вкладка \"Системы\"", "ViewColorDraws",
      "ViewColorCombs", "ViewColorCard", "ViewColorCardSequences", "ViewShemaGradient"}},
    {"Справка",
     {"GetHelp", "About", "AutoSelfUpdate", "CheckUpdate", "OpenLotoSite", "urlMainSite", "urlBlog", "urlYT",
      "urlAuthText", "urlVK", "urlOK", "urlAuthSite", "urlTG"}},
};

QString Bare(QString text) { return text.remove('&'); }
QString CaptionOf(const QAction* a) { return Bare(a->text().section('\t', 0, 0)); }
// The key a menu shows: the action's own, or the one written after its caption.
QString KeyOf(const QAction* a) {
  return a->shortcut().isEmpty() ? a->text().section('\t', 1) : a->shortcut().toString(QKeySequence::PortableText);
}

QStringList Items(const QList<QAction*>& actions) {
  QStringList items;
  for (const QAction* a : actions) {
    if (a->isSeparator()) continue;
    items << (a->menu() ? "[" + Bare(a->text()) + "]" : a->objectName());
  }
  return items;
}

QMenu* SubMenu(const QList<QAction*>& actions, const QString& title) {
  for (QAction* a : actions)
    if (a->menu() && Bare(a->text()) == title) return a->menu();
  return nullptr;
}

// Warnings of keys that two actions answer at once.
QStringList* ambiguous = nullptr;
void CatchAmbiguous(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (ambiguous && text.contains(QLatin1String("Ambiguous"))) *ambiguous << text;
  if (type == QtFatalMsg) abort();
}

}  // namespace

class CommandMapTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;  // questions take their default answer

  TCommandMap& Commands() { return window_->Commands(); }
  QTabWidget* Tabs(const char* name) { return guitest::Child<QTabWidget>(window_.get(), name); }
  QMenu* Menu(const QString& path) {
    const QStringList parts = path.split('/');
    QMenu* menu = SubMenu(window_->menuBar()->actions(), parts[0]);
    for (qsizetype i = 1; menu && i < parts.size(); ++i) menu = SubMenu(menu->actions(), parts[i]);
    return menu;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    TDrawsArray draws;
    for (int i = 1; i <= 30; ++i)
      draws.push_back(test::MakeDraw(i, {uint8_t(i), uint8_t(i + 5), uint8_t(i + 10), 44, 45}, "2026-01-01"));
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(draws));
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void menusCaptionsKeysTabsAndPanels() {
    std::map<QString, const TCommandRow*> rows;
    for (const TCommandRow& row : CommandTable) rows[row.Name] = &row;

    // Every command: its caption, and a key only when the table gives it one.
    for (QAction* a : Commands().Actions()) {
      const auto it = rows.find(a->objectName());
      if (it == rows.end()) {
        QVERIFY2(KeyOf(a).isEmpty(), qPrintable(a->objectName() + " has a key " + KeyOf(a)));
        continue;
      }
      QCOMPARE(CaptionOf(a), QString::fromUtf8(it->second->Caption));
      QCOMPARE(KeyOf(a), QString::fromLatin1(it->second->Key));
    }
    for (const TCommandRow& row : CommandTable) QVERIFY2(Commands().Has(row.Name), row.Name);

    // The menu bar in its order, then each menu's items.
    QStringList titles;
    for (const QAction* a : window_->menuBar()->actions()) titles << Bare(a->text());
    QCOMPARE(titles, (QStringList{"Файл", "Архив тиражей", "Комбинации", "Статистика", "Ставки", "Рейтинг", "Регуляры",
                                  "Системы", "Сценарий", "Вид", "Справка"}));
    for (const TMenuRow& row : MenuTable) {
      QMenu* menu = Menu(row.Path);
      QVERIFY2(menu, qPrintable(row.Path));
      QStringList expected;
      for (const QString& item : row.Items) expected << item.section('=', 0, 0);
      QCOMPARE(Items(menu->actions()), expected);
      qsizetype i = 0;
      for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        if (row.Items[i].contains('=')) QCOMPARE(CaptionOf(a), row.Items[i].section('=', 1));
        ++i;
      }
    }
    // The second item of the systems switch is the same command: it runs it and shows its state.
    QAction* viewSystems = nullptr;
    for (QAction* a : Menu("Вид")->actions())
      if (a->objectName() == "SystemsOn") viewSystems = a;
    QVERIFY(viewSystems && viewSystems != Commands().Action("SystemsOn"));
    QCOMPARE(KeyOf(viewSystems), QStringLiteral("Ctrl+J"));
    const bool systemsShown = Commands().Action("SystemsOn")->isChecked();
    QCOMPARE(viewSystems->isChecked(), systemsShown);
    viewSystems->trigger();
    QCOMPARE(Commands().Action("SystemsOn")->isChecked(), !systemsShown);
    QCOMPARE(viewSystems->isChecked(), !systemsShown);
    QCOMPARE(Tabs("pcMain")->isTabVisible(Tabs("pcMain")->indexOf(window_->SystemsTab())), !systemsShown);
    viewSystems->trigger();
    QCOMPARE(Commands().Action("SystemsOn")->isChecked(), systemsShown);

    // The six context menus.
    const std::vector<std::pair<QWidget*, QStringList>> contextMenus = {
        {window_->DrawsList(),
         {"DrawsInfo", "DrawsDownload", "DrawsImport", "DrawsExport", "DrawsXlsExport", "DrawsAdd", "DrawsEdit",
          "DrawsDel", "DrawsSorted"}},
        {window_->CombsList(),
         {"CombsInfo",        "CombsCheckNums", "CombsFindInDraws",  "CombsGen",       "CombsDelExists",
          "CombsDelSelected", "CombsCopy",      "CombsPaste",        "CombsSelectAll", "CombsOpen",
          "CombsSave",        "CombsUndo",      "CombsXlsExport",    "StakeAdd",       "StakeAddRandom",
          "StakeAddSelected", "StakeAddAll",    "SystemStakeFilter", "SystemStakeAll", "TablesAdd"}},
        {window_->StatTable(),
         {"StatFilter_Include", "StatFilter_Exclude", "DrawsStatCalc", "DrawsStatExportToExcel",
          "DrawsStatePrefetchsEnabled"}},
        {window_->CardTab()->Grid(), {"CardFilter_Include", "CardFilter_Exclude", "CardXlsExport"}},
        {window_->LayoutTab()->Grid(),
         {"LayoutFilter_Include", "LayoutFilter_Exclude", "LayoutXlsExport", "ViewShemaGradient"}},
        {window_->WeekTab()->Grid(),
         {"WeekFilter_Include", "WeekFilter_Exclude", "ViewWeekChartMode", "ViewWeekChartType"}},
    };
    for (const auto& [widget, items] : contextMenus) {
      QCOMPARE(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
      QCOMPARE(Items(widget->actions()), items);
    }

    // The tabs, the status panels and the caption.
    QStringList lists, pages;
    for (int i = 0; i < Tabs("pcLists")->count(); ++i) lists << Tabs("pcLists")->tabText(i);
    for (int i = 0; i < Tabs("pcMain")->count(); ++i) pages << Tabs("pcMain")->tabText(i);
    QCOMPARE(lists, (QStringList{"Архив тиражей", "Комбинации"}));
    QCOMPARE(pages, (QStringList{"Статистика", "Графики", "Карта", "Схема", "Неделя", "Ставки", "Рейтинг", "Регуляры",
                                 "Системы", "Сценарий"}));
    QStringList panels;
    for (int i = 0; i < 7; ++i)
      panels
          << guitest::Child<QLabel>(window_->statusBar(), qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->text();
    QCOMPARE(panels, (QStringList{"Архив тиражей: 30", "Следующий тираж: 31", "", "Комбинаций: 1221759", "Ставок: 0",
                                  "Рейтинг: 0", panels[6]}));
    QVERIFY(guitest::Child<QLabel>(window_->statusBar(), "StatusPanel2")->alignment() & Qt::AlignHCenter);
    QVERIFY(
        window_->windowTitle().startsWith(QStringLiteral("Анализ статистики лотереи \"КИВРА Вирма 5 из 45\" версия ")));

    // What the open menus look like.
    int n = 0;
    for (QAction* top : window_->menuBar()->actions()) {
      QMenu* menu = top->menu();
      menu->popup(window_->mapToGlobal(QPoint(0, 0)));
      QVERIFY(QTest::qWaitForWindowExposed(menu, guitest::StallMs));
      guitest::SaveScreen(menu, QStringLiteral("commandmap-menu-%1").arg(++n, 2, 10, QChar('0')));
      menu->hide();
    }
    QMenu context;
    context.addActions(window_->CombsList()->actions());
    context.popup(window_->mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(&context, guitest::StallMs));
    guitest::SaveScreen(&context, QStringLiteral("commandmap-context-combs"));
  }

  void everyKeyInEveryFocusReachesOneCommand() {
    // The keys and the command each reaches where no list takes it; "" reaches none.
    const std::vector<std::pair<QKeySequence, QString>> keys = {
        {Qt::Key_F1, "GetHelp"},
        {Qt::Key_F2, "CombsGen"},
        {Qt::Key_F3, "DrawsDownload"},
        {Qt::Key_F4, "StakeAdd"},
        {Qt::CTRL | Qt::Key_F4, "StakeAddRandom"},
        {Qt::ALT | Qt::Key_F4, "ExitProgram"},
        {Qt::CTRL | Qt::ALT | Qt::Key_F4, "StakeAddAll"},
        {Qt::Key_F5, "DrawsStatCalc"},
        {Qt::CTRL | Qt::Key_F5, "StakesCheckManual"},
        {Qt::Key_F6, "StakesGraphDraws"},
        {Qt::CTRL | Qt::Key_F6, "StakesGraphOverlap"},
        {Qt::ALT | Qt::Key_F6, "StakesGraphProfits"},
        {Qt::Key_F7, "FiltersManager"},
        {Qt::CTRL | Qt::Key_F7, "FiltersReset"},
        {Qt::Key_F8, "FiltersInfo"},
        {Qt::Key_F10, "ScriptRun"},
        {Qt::CTRL | Qt::Key_F10, "ScriptTest"},
        {Qt::CTRL | Qt::Key_L, "ScriptLibrary"},
        {Qt::ALT | Qt::Key_J, "SystemStakeFilter"},
        {Qt::CTRL | Qt::ALT | Qt::Key_J, "SystemStakeAll"},
        {Qt::CTRL | Qt::Key_Delete, ""},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Delete, "StakeClear"},
        {Qt::ALT | Qt::Key_D, "StakeFilter"},
        {Qt::CTRL | Qt::Key_E, "CombsDelExists"},
        {Qt::CTRL | Qt::Key_F, "CombsFindInDraws"},
        {Qt::CTRL | Qt::Key_O, "CombsOpen"},
        {Qt::CTRL | Qt::Key_S, "CombsSave"},
        {Qt::CTRL | Qt::Key_Z, "CombsUndo"},
        {Qt::CTRL | Qt::Key_C, "CombsCopy"},
        {Qt::CTRL | Qt::Key_V, "CombsPaste"},
        {Qt::CTRL | Qt::Key_A, "CombsSelectAll"},
        {Qt::CTRL | Qt::Key_J, "SystemsOn"},
        {Qt::CTRL | Qt::Key_I, "ScriptSave"},
        {Qt::CTRL | Qt::Key_X, "ScriptStop"},
        {Qt::CTRL | Qt::Key_Insert, "ScriptAdd"},
        {Qt::CTRL | Qt::ALT | Qt::Key_Insert, "ScriptEmpty"},
        {Qt::CTRL | Qt::Key_K, "ScriptClone"},
        {Qt::CTRL | Qt::Key_Return, "ScriptEdit"},
        {Qt::CTRL | Qt::Key_Up, "ScriptUp"},
        {Qt::CTRL | Qt::Key_Down, "ScriptDown"},
    };
    // Where the focus is (with the right page shown) and the keys that reach another command there.
    struct TPlace {
      const char* Name;
      QWidget* Page;  // the right page shown
      QWidget* Focus;
      std::map<QString, QString> Differs;
    };
    TTemplateMain& w = *window_;
    const QString ctrlJ = QKeySequence(Qt::CTRL | Qt::Key_J).toString();
    const QString ctrlDel = QKeySequence(Qt::CTRL | Qt::Key_Delete).toString();
    const std::vector<TPlace> places = {
        {"draws list", nullptr, w.DrawsList(), {}},
        {"combination list", nullptr, w.CombsList(), {{ctrlDel, "CombsDelSelected"}}},
        {"statistics table", nullptr, w.StatTable(), {{"F7", "StatFilter_Include"}, {"Ctrl+F7", "StatFilter_Exclude"}}},
        {"card grid", w.CardTab(), w.CardTab()->Grid(), {}},
        {"stakes grid", w.StakesTab(), w.StakesTab()->Grid(), {{ctrlDel, "StakeDel"}}},
        {"ratings list", w.RatingsTab(), w.RatingsTab()->List(), {{"F5", "RatingsRefresh"}}},
        {"regular stakes list", w.TablesTab(), w.TablesTab()->List(), {}},
        {"systems list", w.SystemsTab(), w.SystemsTab()->List(), {{"F5", "SystemsRefresh"}}},
        {"script list", w.ScriptTab(), w.ScriptTab()->List(), {{ctrlDel, "ScriptDel"}, {ctrlJ, "ScriptOpen"}}},
        {"combination list beside the script",
         w.ScriptTab(),
         w.CombsList(),
         {{ctrlDel, "CombsDelSelected"}, {ctrlJ, "ScriptOpen"}}},
    };

    QStringList reached;
    Commands().SetProbe([&reached](const QString& name) { reached << name; });
    QStringList warnings;
    ambiguous = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(CatchAmbiguous);
    const std::unique_ptr<void, std::function<void(void*)>> restore(&warnings, [previous](void*) {
      qInstallMessageHandler(previous);
      ambiguous = nullptr;
    });
    int ambiguousShortcuts = 0;
    for (QShortcut* s : window_->findChildren<QShortcut*>())
      connect(s, &QShortcut::activatedAmbiguously, this, [&ambiguousShortcuts] { ++ambiguousShortcuts; });

    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get(), guitest::StallMs));
    QTabWidget* main = Tabs("pcMain");
    for (const TPlace& place : places) {
      QWidget* page = place.Page ? place.Page : static_cast<QWidget*>(main->widget(0));
      main->setTabVisible(main->indexOf(page), true);
      main->setCurrentWidget(page);
      Tabs("pcLists")->setCurrentIndex(place.Focus == w.DrawsList() ? 0 : 1);
      place.Focus->setFocus();
      QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), place.Focus, guitest::StallMs);
      for (const auto& [key, command] : keys) {
        const QString text = key.toString();
        const auto differs = place.Differs.find(text);
        const QString expected = differs == place.Differs.end() ? command : differs->second;
        // Every action enabled: two actions that could answer one key would both be live.
        for (QAction* a : Commands().Actions()) a->setEnabled(true);
        reached.clear();
        QTest::keyClick(place.Focus, key[0].key(), key[0].keyboardModifiers());
        QCOMPARE(QApplication::focusWidget(), place.Focus);
        const QStringList want = expected.isEmpty() ? QStringList{} : QStringList{expected};
        if (reached != want)
          QFAIL(qPrintable(QStringLiteral("%1 in the %2 reached [%3], expected [%4]")
                               .arg(text, place.Name, reached.join(", "), want.join(", "))));
      }
    }
    Commands().SetProbe(nullptr);
    QCOMPARE(warnings, QStringList{});
    QCOMPARE(ambiguousShortcuts, 0);
  }
};

QTEST_MAIN(CommandMapTest)
#include "CommandMapTest.moc"
