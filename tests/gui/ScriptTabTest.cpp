// The tab "Сценарий" and its two editors, driven as a user would: the working script read at
// start-up, the list operations with their enabled rules and questions, the files, the line
// editor "Элемент сценария" and the filter command editor "Фильтр" with every check.
// Screenshots go to <build>/screens.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "gui/GuiTestUtil.h"
#include "scripts/ScriptFile.h"
#include "shell/MainWindow.h"
#include "shell/ScriptTab.h"
#include "shell/UnitFilterCommand.h"
#include "shell/UnitScriptLine.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::Child;
using guitest::ClickOk;

namespace {

TDrawsArray SampleDraws() {
  TDrawsArray draws;
  for (int i = 1; i <= 30; ++i) {
    TDraw d;
    d.Number = i;
    d.Nums = {uint8_t(1 + i % 40), uint8_t(2 + i % 40), uint8_t(3 + i % 40), uint8_t(4 + i % 40), uint8_t(5 + i % 40)};
    draws.push_back(d);
  }
  return draws;
}

using guitest::WhenModal;

const std::vector<std::string> StartScript = {
    "EXCL:5#RAND#CLR#NEX|tsd1#sums:10,20#lmv:3| |BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1| | | | |Прогноз на неделю",
    "",
    "FULL:0#EXT| |TSD1#XYZ:10#LNO:#SF:0| | | | | |",
};

}  // namespace

class ScriptTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;
  QString chosenFile_;

  struct TEditCall {
    QString Caption;
    int DrawCount;
    std::string Line;
  };
  std::vector<TEditCall> edits_;
  std::optional<std::string> editResult_;

  TWorkspace& Ws() { return window_->Workspace(); }
  TScriptTab* Tab() { return window_->ScriptTab(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  bool Enabled(const char* name) {
    window_->Commands().Update();
    return window_->Commands().Action(QString::fromLatin1(name))->isEnabled();
  }
  void SelectRows(std::initializer_list<int> rows) {
    QTableView* view = Tab()->List();
    view->clearSelection();
    for (int r : rows)
      view->selectionModel()->select(view->model()->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QString Cell(int row, int column) { return Tab()->Model()->index(row, column).data().toString(); }
  std::vector<std::string> WorkingFile() { return ScriptLinesFromBytes(ReadWholeFile(*dir_ / "Kivra_5x45.lss")); }
  // The editors' context as the window gives it.
  TScriptEditContext Context(TUserPort* port) {
    return {&Ws().Stats(),
            port,
            Ws().Stats().SelectorItems(false),
            window_->StatSelector()->currentData().toInt(),
            window_->StatLengthField()->value(),
            window_->ExcludeField()->value()};
  }
  void ShowTab() {
    auto* tabs = window_->findChild<QTabWidget*>("pcMain");
    tabs->setCurrentWidget(Tab());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws()));
    test::WriteBytes(*dir_ / "Kivra_5x45.lss", ScriptBytesFromLines(StartScript));
    messages_.clear();
    messages_.Answers.clear();
    edits_.clear();
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    window_->SetFileChooser(
        [this](bool, const QString&, const QString&, const QString&, const QString&) { return chosenFile_; });
    Tab()->SetLineEditor([this](const QString& caption, int drawCount, const std::string& line) {
      edits_.push_back({caption, drawCount, line});
      return editResult_;
    });
    QVERIFY(guitest::StartWindow(*window_));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void tabShowsTheWorkingScript() {
    auto* tabs = window_->findChild<QTabWidget*>("pcMain");
    QCOMPARE(tabs->tabText(tabs->indexOf(Tab())), QStringLiteral("Сценарий"));
    QCOMPARE(Tab()->Model()->rowCount(), 3);
    QCOMPARE(Tab()->Panel(0)->text(), QStringLiteral("Строк: 3"));
    for (int i = 1; i < 5; ++i) QVERIFY(Tab()->Panel(i)->text().isEmpty());
    QStringList headers;
    for (int c = 0; c < 9; ++c) headers << Tab()->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(headers, (QStringList{"Комментарии", "Опции", "Фильтр 1", "Фильтр 2", "Фильтр 3", "Фильтр 4", "Фильтр 5",
                                   "Фильтр 6", "Фильтр 7"}));
    QCOMPARE(Cell(0, 0), QStringLiteral("Прогноз на неделю"));
    QCOMPARE(Cell(0, 1), QStringLiteral("Исключить 5 тиражей; Случайно; Удалить ставки; Только новые ставки"));
    QCOMPARE(Cell(0, 2), QStringLiteral("TSD1#SUMS:10,20#LMV:3#SF:0"));  // canonical: codes in capitals
    QCOMPARE(Cell(0, 3), QString());
    QCOMPARE(Cell(0, 4), QStringLiteral("BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1"));
    QCOMPARE(Cell(1, 1), QString());                                // a separator
    QCOMPARE(Cell(2, 3), QStringLiteral("TSD1#XYZ:10#LNO:#SF:0"));  // unresolved: as read

    // The menu comes after "Статистика", last before "Вид", with the run commands after the list's.
    QStringList menus;
    for (QAction* a : window_->menuBar()->actions()) menus << a->text();
    const qsizetype at = menus.indexOf(QStringLiteral("&Сценарий"));
    QVERIFY(at > 0);
    QVERIFY(menus.indexOf(QStringLiteral("&Статистика")) < at);
    QCOMPARE(menus[at + 1], QStringLiteral("&Вид"));
    QStringList items;
    for (QAction* a : window_->menuBar()->actions()[at]->menu()->actions())
      if (!a->isSeparator()) items << a->objectName();
    QCOMPARE(items,
             (QStringList{"ScriptOpen", "ScriptSave", "ScriptLibraryMenu", "ScriptAdd", "ScriptEmpty", "ScriptLoad",
                          "ScriptClone", "ScriptEdit", "ScriptDel", "ScriptClr", "ScriptUp", "ScriptDown", "ScriptRun",
                          "ScriptTest", "ScriptStop", "LogToggle", "LogsDelete", "StakesCheckLine"}));
    const auto* edit = window_->Commands().Action("ScriptEdit");
    QCOMPARE(edit->text(), QStringLiteral("Изменить"));
    QCOMPARE(edit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
    QCOMPARE(edit->statusTip(), QStringLiteral("Редактировать выделенную команду"));
    QCOMPARE(window_->Commands().Action("ScriptEmpty")->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Insert));
    ShowTab();
    SelectRows({0});
    guitest::SaveScreen(window_.get(), "script_tab");
  }

  void enabledRulesFollowTheSelection() {
    struct TState {
      std::initializer_list<int> Rows;
      bool Clone, Del, Up, Down;
    } states[] = {{{}, false, false, false, false},
                  {{0}, true, true, false, true},
                  {{1}, false, true, true, true},  // a separator: neither edited nor cloned
                  {{2}, true, true, true, false},
                  {{2, 0}, true, true, false, true}};  // the first selected row counts
    for (const auto& s : states) {
      SelectRows(s.Rows);
      QCOMPARE(Enabled("ScriptClone"), s.Clone);
      QCOMPARE(Enabled("ScriptEdit"), s.Clone);
      QCOMPARE(Enabled("ScriptDel"), s.Del);
      QCOMPARE(Enabled("ScriptUp"), s.Up);
      QCOMPARE(Enabled("ScriptDown"), s.Down);
    }
    QVERIFY(Enabled("ScriptAdd") && Enabled("ScriptEmpty") && Enabled("ScriptClr") && Enabled("ScriptSave"));
    // While busy nothing starts.
    Ws().Port().BeginBusy();
    QVERIFY(!Enabled("ScriptAdd") && !Enabled("ScriptOpen") && !Enabled("LogToggle"));
    Ws().Port().EndBusy();
  }

  void addCloneEditMoveAndDelete() {
    window_->ExcludeField()->setValue(7);
    editResult_ = "CURR:0#NONE| | | | | | | |новая";
    QVERIFY(Run("ScriptAdd"));
    QCOMPARE(edits_.back().Caption, QStringLiteral("Создание новой строки"));
    QCOMPARE(edits_.back().DrawCount, 7);
    QCOMPARE(edits_.back().Line, std::string());
    QCOMPARE(Ws().Script().Count(), 4);
    QCOMPARE(Tab()->SelectedRows(), std::vector<int>{3});
    QCOMPARE(Tab()->Panel(0)->text(), QStringLiteral("Строк: 4"));
    QCOMPARE(WorkingFile().back(), *editResult_);

    SelectRows({0});
    editResult_ = "FULL:0#EXT| | | | | | | |копия";
    QVERIFY(Run("ScriptClone"));
    QCOMPARE(edits_.back().Caption, QStringLiteral("Создание новой строки"));
    QCOMPARE(edits_.back().Line, StartScript[0]);
    QCOMPARE(Ws().Script().Line(0), StartScript[0]);  // the source stays
    QCOMPARE(Ws().Script().Count(), 5);
    QCOMPARE(Tab()->SelectedRow(), 4);

    SelectRows({2});
    editResult_ = "FULL:0#EXT| |TSD1#SUMS:5#LNO:#SF:0| | | | | |";
    QVERIFY(Run("ScriptEdit"));
    QCOMPARE(edits_.back().Caption, QStringLiteral("Редактирование строки"));
    QCOMPARE(Ws().Script().Line(2), *editResult_);
    QCOMPARE(Cell(2, 3), QStringLiteral("TSD1#SUMS:5#LNO:#SF:0"));
    editResult_.reset();  // cancelled: nothing changes
    QVERIFY(Run("ScriptEdit"));
    QCOMPARE(Ws().Script().Line(2), std::string("FULL:0#EXT| |TSD1#SUMS:5#LNO:#SF:0| | | | | |"));

    QVERIFY(Run("ScriptUp"));
    QCOMPARE(Tab()->SelectedRow(), 1);
    QCOMPARE(Ws().Script().Line(1), std::string("FULL:0#EXT| |TSD1#SUMS:5#LNO:#SF:0| | | | | |"));
    QVERIFY(Run("ScriptDown"));
    QVERIFY(Run("ScriptDown"));
    QCOMPARE(Tab()->SelectedRow(), 3);
    QCOMPARE(WorkingFile()[3], std::string("FULL:0#EXT| |TSD1#SUMS:5#LNO:#SF:0| | | | | |"));

    QVERIFY(Run("ScriptEmpty"));
    QCOMPARE(Ws().Script().Count(), 6);
    QCOMPARE(Tab()->SelectedRow(), 5);

    SelectRows({0, 2, 4});
    messages_.Answers = {false};
    QVERIFY(Run("ScriptDel"));
    QCOMPARE(messages_.back().Text,
             QStringLiteral("Удалить все выделенные записи (всего будет удалено 3 записи(ей))?"));
    QCOMPARE(Ws().Script().Count(), 6);
    SelectRows({0, 2, 4});
    messages_.Answers = {true};
    QVERIFY(Run("ScriptDel"));
    QCOMPARE(Ws().Script().Count(), 3);
    QVERIFY(Tab()->SelectedRows().empty());
    QCOMPARE(WorkingFile().size(), size_t{3});

    messages_.Answers = {true};
    QVERIFY(Run("ScriptClr"));
    QCOMPARE(Ws().Script().Count(), 0);
    QCOMPARE(Tab()->Panel(0)->text(), QStringLiteral("Строк: 0"));
    QVERIFY(!Enabled("ScriptEmpty") && !Enabled("ScriptSave") && !Enabled("ScriptClr"));
  }

  void filesOpenAppendAndSave() {
    chosenFile_ = QString::fromStdString((*dir_ / "saved.lsc").string());
    QVERIFY(Run("ScriptSave"));
    QCOMPARE(ReadWholeFile(*dir_ / "saved.lsc"), ScriptBytesFromLines(StartScript));
    QVERIFY(Run("ScriptLoad"));  // the last line is not blank: one separator, then the file
    QCOMPARE(Ws().Script().Count(), 7);
    QCOMPARE(Ws().Script().Line(3), std::string());
    QCOMPARE(Tab()->Panel(0)->text(), QStringLiteral("Строк: 7"));
    QVERIFY(Run("ScriptOpen"));
    QCOMPARE(Ws().Script().Lines(), StartScript);
    QCOMPARE(WorkingFile(), StartScript);
    chosenFile_ = QString::fromStdString((*dir_ / "missing.lsc").string());
    QVERIFY(Run("ScriptOpen"));
    QVERIFY(messages_.back().Text.startsWith(QStringLiteral("Ошибка чтения файла \"")));
    QCOMPARE(Ws().Script().Count(), 3);
  }

  void journalSwitchAndDeletion() {
    QVERIFY(!window_->Commands().Action("LogToggle")->isChecked());
    QVERIFY(Run("LogToggle"));
    QVERIFY(window_->Commands().Action("LogToggle")->isChecked());
    QVERIFY(Ws().Settings().ReadSetting(StateSettingsSection, "ScriptLogEnabled", false));
    QVERIFY(Run("LogsDelete"));
    QCOMPARE(messages_.back().Text, QStringLiteral("Файлы журналов не найдены!"));
    Ws().Script().Log().Write("entry");
    QVERIFY(Run("LogsDelete"));
    QVERIFY(messages_.back().Text.startsWith(QStringLiteral("Удалено файлов журналов: 1 из 1.")));
  }

  void longScriptScrollsAtOnce() {
    std::vector<std::string> lines;
    for (int i = 0; i < 10000; ++i)
      lines.push_back(i % 50 == 49 ? std::string()
                                   : "EXCL:" + std::to_string(i % 9) +
                                         "#RAND#NEX|TSD1#SUMS:10,20#LMV:3#SF:0|BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1| "
                                         "|TSD3#NUMS:1-100;10#LDV:1,2,3#SC:5| | | |Строка " +
                                         std::to_string(i + 1));
    test::WriteBytes(*dir_ / "long.lsc", ScriptBytesFromLines(lines));
    chosenFile_ = QString::fromStdString((*dir_ / "long.lsc").string());
    ShowTab();
    QElapsedTimer timer;
    timer.start();
    QVERIFY(Run("ScriptOpen"));
    QCoreApplication::processEvents();
    const qint64 openMs = timer.elapsed();
    QCOMPARE(Tab()->Model()->rowCount(), 10000);
    QCOMPARE(Tab()->Panel(0)->text(), QStringLiteral("Строк: 10000"));
    timer.restart();
    QScrollBar* bar = Tab()->List()->verticalScrollBar();
    for (int step = 0; step <= 20; ++step) {
      bar->setValue(bar->maximum() * step / 20);
      Tab()->List()->viewport()->repaint();
    }
    const qint64 scrollMs = timer.elapsed();
    qInfo("open of 10000 lines: %lld ms; 21 scroll positions painted: %lld ms", openMs, scrollMs);
    QCOMPARE(Cell(9998, 0), QStringLiteral("Строка 9999"));
    QCOMPARE(Cell(9999, 1), QString());  // every 50th line is a separator
    guitest::SaveScreen(window_.get(), "script_tab_long");
  }

  void lineEditorBuildsTheLine() {
    TRecordingPort port;
    const TScriptEditContext context = Context(&port);
    {
      // A new line: empty fields, first items, the caller's draw count.
      TScriptLineDialog dialog(window_.get(), context, QStringLiteral("Создание новой строки"), 4, {});
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Создание новой строки"));
      QCOMPARE(Child<QSpinBox>(&dialog, "edDrawsExclude")->value(), 4);
      QCOMPARE(Child<QComboBox>(&dialog, "cbStartType")->currentIndex(), 0);
      QCOMPARE(Child<QComboBox>(&dialog, "cbResultMode")->count(), 10);
      QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "edComment"));
      QCOMPARE(dialog.Line(), std::string("FULL:4#EXT| | | | | | | |"));
      // "|" leaves the commands; line breaks become spaces everywhere.
      Child<QLineEdit>(&dialog, "edComment")->setText(QStringLiteral("a|b\nc"));
      Child<QLineEdit>(&dialog, "edFilter2")->setText(QStringLiteral("TSD1#SUMS:5|x\r"));
      Child<QComboBox>(&dialog, "cbStartType")->setCurrentIndex(1);
      Child<QComboBox>(&dialog, "cbResultMode")->setCurrentIndex(5);
      Child<QCheckBox>(&dialog, "chkNewOnly")->setChecked(true);
      QCOMPARE(dialog.Line(), std::string("EXCL:4#SYSA#NEX| |TSD1#SUMS:5x | | | | | |a|b c"));
    }
    // An existing line: the fields as stored, not rewritten.
    TScriptLineDialog dialog(window_.get(), context, QStringLiteral("Редактирование строки"), 0, StartScript[0]);
    QCOMPARE(Child<QLineEdit>(&dialog, "edComment")->text(), QStringLiteral("Прогноз на неделю"));
    QCOMPARE(Child<QComboBox>(&dialog, "cbStartType")->currentText(),
             QStringLiteral("Удалить N последних тиражей (для прогнозов)"));
    QCOMPARE(Child<QSpinBox>(&dialog, "edDrawsExclude")->value(), 5);
    QVERIFY(Child<QCheckBox>(&dialog, "chkClearStakes")->isChecked());
    QCOMPARE(Child<QLineEdit>(&dialog, "edFilter1")->text(), QStringLiteral("tsd1#sums:10,20#lmv:3"));
    QCOMPARE(dialog.Line(), StartScript[0].substr(0, StartScript[0].find('|')) + "|tsd1#sums:10,20#lmv:3| |" +
                                "BMF8#EVEN:30#WMV:5#ST:2#1:-1:1:0:1| | | | |Прогноз на неделю");

    // A double click in "Фильтр 6:" edits field 6 and writes the command writer's text back there.
    std::vector<TFilterItem> seen;
    dialog.SetCommandEditor([&seen, &context](TFilterItem& item) {
      seen.push_back(item);
      item.Active = true;
      item.Method = context.Stats->FindCode("NUMS");
      item.DrawsLen = "30";
      return true;
    });
    QLineEdit* field6 = Child<QLineEdit>(&dialog, "edFilter6");
    field6->setText(QStringLiteral("TSD2#XYZ:9"));
    QTest::mouseDClick(field6, Qt::LeftButton);
    QCOMPARE(seen.size(), size_t{1});
    QCOMPARE(seen[0].StatText, std::string("XYZ:9"));
    QCOMPARE(seen[0].SortColumn, 2);
    QCOMPARE(field6->text(), QStringLiteral("TSD2#NUMS:30#LNO:#SF:0"));
    QCOMPARE(Child<QLineEdit>(&dialog, "edFilter5")->text(), QString());
    dialog.show();
    QCoreApplication::processEvents();
    guitest::SaveScreen(&dialog, "script_line_editor");

    // The "..." button opens the dialog "Фильтр" on its own field.
    dialog.SetCommandEditor(nullptr);
    WhenModal<TFilterCommandDialog>([](TFilterCommandDialog* filter) {
      QCOMPARE(Child<QComboBox>(filter, "cbLevelMode")->currentIndex(), 1);  // "lmv" read
      Child<QLineEdit>(filter, "edLevelValue")->setText(QStringLiteral("2"));
      ClickOk(filter);
    });
    QTest::mouseClick(Child<QToolButton>(&dialog, "btnFilter1"), Qt::LeftButton);
    QCOMPARE(Child<QLineEdit>(&dialog, "edFilter1")->text(), QStringLiteral("TSD1#SUMS:10,20#LMV:2#SF:1"));
    QVERIFY(port.Messages.empty());
  }

  void filterEditorDefaultsAndEnabling() {
    TRecordingPort port;
    TScriptEditContext context = Context(&port);
    const int sums = Ws().Stats().FindCode("SUMS");
    context.CurrentMethod = sums;
    context.SampleLength = 250;
    {
      TFilterCommandDialog dialog(window_.get(), context, TFilterItem{});
      QCOMPARE(Child<QComboBox>(&dialog, "cbMethod")->currentData().toInt(), sums);
      QCOMPARE(Child<QComboBox>(&dialog, "cbMethod")->count(), int(context.Methods.size()));
      QCOMPARE(Child<QLineEdit>(&dialog, "edDrawsLen")->text(), QStringLiteral("250"));
      QCOMPARE(Child<QComboBox>(&dialog, "cbSortColumn")->currentText(), QStringLiteral("Количество"));
      QCOMPARE(Child<QComboBox>(&dialog, "cbSortColumn")->count(), 20);
      QCOMPARE(Child<QComboBox>(&dialog, "cbLevelMode")->count(), 32);
      QCOMPARE(Child<QComboBox>(&dialog, "cbStopMode")->count(), 7);
      QCOMPARE(Child<QSpinBox>(&dialog, "edStopValue")->value(), 1);
      QCOMPARE(dialog.focusWidget(), Child<QComboBox>(&dialog, "cbMethod"));
      // The override only for the conditions on "Вес"; its fields only when it is ticked.
      auto* level = Child<QComboBox>(&dialog, "cbLevelMode");
      auto* over = Child<QCheckBox>(&dialog, "chkOverride");
      auto* count = Child<QDoubleSpinBox>(&dialog, "edCoefCount");
      QVERIFY(!over->isEnabled() && !count->isEnabled());
      for (int m = 0; m < 32; ++m) {
        level->setCurrentIndex(m);
        QCOMPARE(over->isEnabled(), m >= 19 && m <= 21);
      }
      level->setCurrentIndex(20);
      QVERIFY(!count->isEnabled());
      QTest::mouseClick(over, Qt::LeftButton, {}, QPoint(8, over->height() / 2));
      QVERIFY(over->isChecked());
      QVERIFY(count->isEnabled() && Child<QCheckBox>(&dialog, "chkAbs")->isEnabled());
      dialog.show();
      QCoreApplication::processEvents();
      guitest::SaveScreen(&dialog, "script_filter_editor");
      level->setCurrentIndex(3);  // the box stays ticked but is disabled, and so are its fields
      QVERIFY(!over->isEnabled() && !count->isEnabled());

      // The number-list fields take digits, ",", "-" and ";" only.
      auto* len = Child<QLineEdit>(&dialog, "edDrawsLen");
      len->clear();
      QTest::keyClicks(len, "1a0, b-;x2.");
      QCOMPARE(len->text(), QStringLiteral("10,-;2"));
    }

    // An active command: its fields; an unknown method shows the first; a column outside the table
    // shows "Количество"; the coefficients are the registry's unless the command has its own.
    TMethodLookup methods(Ws().Stats());
    TFilterCommandDialog dialog(window_.get(), context, ReadFilterItem("BMF25#XYZ:5#WLV:7#SV:3", methods));
    QCOMPARE(Child<QComboBox>(&dialog, "cbMethod")->currentIndex(), 0);
    QCOMPARE(Child<QLineEdit>(&dialog, "edDrawsLen")->text(), QStringLiteral("250"));
    QCOMPARE(Child<QComboBox>(&dialog, "cbSortColumn")->currentIndex(), 1);
    QCOMPARE(Child<QComboBox>(&dialog, "cbDirection")->currentText(), QStringLiteral("Снизу-вверх"));
    QCOMPARE(Child<QComboBox>(&dialog, "cbMode")->currentText(), QStringLiteral("Оставить выделенные"));
    QVERIFY(Child<QCheckBox>(&dialog, "chkMultiSelect")->isChecked());
    QCOMPARE(Child<QLineEdit>(&dialog, "edLevelValue")->text(), QStringLiteral("7"));
    QCOMPARE(Child<QComboBox>(&dialog, "cbStopMode")->currentIndex(), 5);
    QCOMPARE(Child<QSpinBox>(&dialog, "edStopValue")->value(), 3);
    QCOMPARE(Child<QDoubleSpinBox>(&dialog, "edCoefDeviation")->value(),
             static_cast<double>(Ws().Stats().Coefs.Deviation));
    ClickOk(&dialog);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const TFilterItem item = dialog.Item();
    QCOMPARE(item.Method, Child<QComboBox>(&dialog, "cbMethod")->itemData(0).toInt());
    QCOMPARE(WriteFilterItem(item, methods), "BMF1#" + methods.Code(item.Method) + ":250#WLV:7#SV:3");
  }

  void filterEditorChecksInOrder() {
    TRecordingPort port;
    TScriptEditContext context = Context(&port);
    context.CurrentMethod = Ws().Stats().FindCode("NUMS");
    TFilterCommandDialog dialog(window_.get(), context, TFilterItem{});
    auto* len = Child<QLineEdit>(&dialog, "edDrawsLen");
    auto* level = Child<QComboBox>(&dialog, "cbLevelMode");
    auto* values = Child<QLineEdit>(&dialog, "edLevelValue");
    auto* stop = Child<QComboBox>(&dialog, "cbStopMode");
    auto* method = Child<QComboBox>(&dialog, "cbMethod");
    // The refusal says which field to mend on its second line.
    const QString wrongRange = QStringLiteral("Введен некорректный диапазон значений!\rПоле \"Количество тиражей\": "
                                              "число, числа через запятую или диапазон, например 10,20 или 5-50;5.");
    const QString wrongValues = QStringLiteral("Введен некорректный диапазон значений!\rПоле \"Значения\": числа "
                                               "через запятую или диапазон, например 1,3 или 2-8;2.");
    struct TStep {
      std::function<void()> Change;
      QString Message;  // empty: accepted
      QWidget* Focus;
    };
    const int nonNumeric = [&] {
      for (int i = 0; i < method->count(); ++i) {
        const int entry = method->itemData(i).toInt();
        if (!Ws().Stats().Item(entry).StatClass->IsNumeric()) return i;
      }
      return -1;
    }();
    QVERIFY(nonNumeric >= 0);
    TStep steps[] = {
        {[&] { len->setText("0"); }, wrongRange, len},
        {[&] { len->setText(""); }, wrongRange, len},
        {[&] { len->setText("0,5"); }, {}, nullptr},  // two lengths, 0 and 5
        {[&] { level->setCurrentIndex(1); }, wrongValues, values},
        {[&] {
           level->setCurrentIndex(31);
           method->setCurrentIndex(nonNumeric);
         },
         QStringLiteral("Для данного вида статистики не доступен режим выделения по списку значений!"), level},
        {[&] {
           method->setCurrentIndex(method->findData(Ws().Stats().FindCode("NUMS")));
           values->setText("1-5;2");
         },
         {},
         nullptr},
        {[&] {
           Child<QCheckBox>(&dialog, "chkMultiSelect")->setChecked(true);
           stop->setCurrentIndex(2);
         },
         QStringLiteral("В режиме мультивыделения остановка сценария по количеству комбинаций или чисел не может "
                        "быть выполнена!\rВыберите другой способ останова."),
         stop},
        {[&] { stop->setCurrentIndex(1); }, {}, stop},  // "SC" too: the same message
        {[&] { stop->setCurrentIndex(3); }, {}, nullptr},
        {[&] { method->setCurrentIndex(-1); }, QStringLiteral("Не выбран тип фильтра!"), method},
    };
    steps[7].Message = steps[6].Message;
    dialog.show();
    int shot = 0;
    for (auto& s : steps) {
      s.Change();
      port.Messages.clear();
      dialog.setResult(QDialog::Rejected);
      dialog.show();
      ClickOk(&dialog);
      if (s.Message.isEmpty()) {
        QVERIFY(port.Messages.empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        continue;
      }
      QCOMPARE(port.Messages.size(), size_t{1});
      QCOMPARE(QString::fromStdString(port.Messages[0].Text), s.Message);
      QCOMPARE(port.Messages[0].Kind, TMessageKind::Error);
      QVERIFY(dialog.isVisible());
      QCOMPARE(dialog.focusWidget(), s.Focus);
      if (shot++ == 0) guitest::SaveScreen(&dialog, "script_filter_refused");
    }
  }
};

QTEST_MAIN(ScriptTabTest)
#include "ScriptTabTest.moc"
