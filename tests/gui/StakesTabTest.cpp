// The "Ставки" tab driven as a user would: stakes made through the dialogs (wrong entries refused
// first), stakes for selected combinations, deletion by rows and by condition, the check after a
// draw arrives, a second program refused at start-up, and a journal of the whole combination list
// opened and scrolled. Screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "gui/GuiTestUtil.h"
#include "gui/StakeFixtures.h"
#include "shell/MainWindow.h"
#include "shell/StakesTab.h"
#include "shell/UnitStake.h"
#include "stakes/StakesJournal.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::DrawNums;
using guitest::SampleDraws;

namespace {

// Cost 10; prizes 0, 0, 0, 15, 100, 10000 for 0..5 matches.
constexpr std::string_view PrizeConfig =
    "[STAKES]\nCost=10\nProfits=6\n"
    "Profit_0_Overlap=0\nProfit_0_Profit=0\nProfit_1_Overlap=1\nProfit_1_Profit=0\n"
    "Profit_2_Overlap=2\nProfit_2_Profit=0\nProfit_3_Overlap=3\nProfit_3_Profit=15\n"
    "Profit_4_Overlap=4\nProfit_4_Profit=100\nProfit_5_Overlap=5\nProfit_5_Profit=10000\n";

TStakeNumbers Numbers(std::initializer_list<int> values) {
  TStakeNumbers n;
  n.Count = static_cast<int32_t>(values.size());
  int i = 0;
  for (int v : values) n.Values[static_cast<size_t>(i++)] = static_cast<uint8_t>(v);
  return n;
}

using guitest::ClickOk;
using guitest::WhenModal;

}  // namespace

class StakesTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;

  // Creates the window on the data folder; `wait` for the end of the initialisation.
  void Start(bool wait = true) {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_, {}, wait));
  }

  TWorkspace& Ws() { return window_->Workspace(); }
  TStakeState& Stakes() { return Ws().Stakes(); }
  QTableView* Grid() { return window_->StakesTab()->Grid(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  QAction* Action(const char* name) { return window_->Commands().Action(QString::fromLatin1(name)); }
  QString Cell(int row, int column) { return Grid()->model()->index(row, column).data().toString(); }
  void ShowTab() {
    // Wide enough for every column but the comment.
    window_->resize(1360, 640);
    auto* tabs = window_->findChild<QTabWidget*>("pcMain");
    tabs->setCurrentWidget(window_->StakesTab());
    QApplication::processEvents();
  }
  void SelectRows(QTableView* view, int first, int last) {
    view->clearSelection();
    view->selectionModel()->select(QItemSelection(view->model()->index(first, 0), view->model()->index(last, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  // A manual stake straight through the state (for the tests whose subject is not the dialog).
  void AddStake(int32_t draw, std::initializer_list<int> numbers, const char* comment = "Тест") {
    TStakeData r = Stakes().NewRecord(StakeManual, comment, Numbers(numbers));
    r.DrawNumber = draw;
    QVERIFY(Stakes().AddOne(r, 1));
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws(40)));
    test::WriteBytes(*dir_ / "Kivra_5x45.ini", PrizeConfig);
    messages_.clear();
    messages_.Answers.clear();
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void emptyJournalTabMenuAndColumns() {
    Start();
    auto* tabs = window_->findChild<QTabWidget*>("pcMain");
    QCOMPARE(tabs->tabText(tabs->indexOf(window_->StakesTab())), QStringLiteral("Ставки"));
    QCOMPARE(tabs->tabText(tabs->indexOf(window_->StakesTab()) - 1), QStringLiteral("Неделя"));
    QCOMPARE(Grid()->objectName(), QStringLiteral("sgStakes"));
    QCOMPARE(Grid()->model()->columnCount(), 9);
    const QStringList captions = {"№ тиража",   "Вид ставки", "Моя ставка", "Выборка",    "Результаты тиража",
                                  "Совпадений", "Совпадения", "Профит",     "Комментарий"};
    // The design widths, or wider where the caption needs it.
    const std::array<int, 9> widths = {60, 60, 120, 60, 120, 60, 60, 60, 1000};
    const QFontMetrics header(Grid()->horizontalHeader()->font());
    for (int c = 0; c < 9; ++c) {
      QCOMPARE(Grid()->model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
      QVERIFY(Grid()->columnWidth(c) >= widths[static_cast<size_t>(c)]);
      QVERIFY(Grid()->columnWidth(c) > header.horizontalAdvance(captions[c]));
    }
    QCOMPARE(Grid()->columnWidth(8), 1000);
    // Twelve numbers fit "Моя ставка"; the wide comment column's caption is at its left edge.
    QVERIFY(Grid()->columnWidth(2) >
            Grid()->fontMetrics().horizontalAdvance(QStringLiteral("45;45;45;45;45;45;45;45;45;45;45;45")));
    QCOMPARE(Grid()->model()->headerData(8, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    // An empty journal: one empty row, nothing to delete or check.
    QCOMPARE(Grid()->model()->rowCount(), 1);
    QCOMPARE(Cell(0, 0), QString());
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 0"));
    QVERIFY(std::filesystem::exists(*dir_ / "Kivra_5x45.lsk"));
    for (const char* name : {"StakeDel", "StakeFilter", "StakeClear", "StakesCheckManual"})
      QVERIFY2(!Action(name)->isEnabled(), name);
    for (const char* name : {"StakeAdd", "StakeAddRandom", "StakeAddAll", "LogStakes", "LogStakesDelete",
                             "StakesScroll", "StakesCheckLine"})
      QVERIFY2(Action(name)->isEnabled(), name);
    QVERIFY(!Action("StakeAddSelected")->isEnabled());  // no combination selected
    QVERIFY(Action("StakesScroll")->isChecked() && Action("StakesCheckLine")->isChecked());
    QVERIFY(!Action("LogStakes")->isChecked());
    QCOMPARE(Action("StakeAdd")->shortcut(), QKeySequence(Qt::Key_F4));
    QCOMPARE(Action("StakeFilter")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_D));

    // The menu sits between "Статистика" and "Вид", in the command map's order.
    QStringList menus;
    QMenu* stakesMenu = nullptr;
    for (QAction* a : window_->menuBar()->actions()) {
      menus << a->text();
      if (a->text() == QStringLiteral("&Ставки")) stakesMenu = a->menu();
    }
    QCOMPARE(menus.indexOf(QStringLiteral("&Ставки")), menus.indexOf(QStringLiteral("&Статистика")) + 1);
    QVERIFY(menus.indexOf(QStringLiteral("&Ставки")) < menus.indexOf(QStringLiteral("&Вид")));
    QStringList names;
    for (QAction* a : stakesMenu->actions()) names << (a->isSeparator() ? QString() : a->objectName());
    QCOMPARE(names, QStringList({"StakeAdd",
                                 "StakeAddRandom",
                                 "StakeAddSelected",
                                 "StakeAddAll",
                                 "SystemStakeFilter",
                                 "SystemStakeAll",
                                 "SystemMake",
                                 "",
                                 "StakeDel",
                                 "StakeFilter",
                                 "StakeClear",
                                 "",
                                 "StakesGraphDraws",
                                 "StakesChance",
                                 "",
                                 "StakesXlsExport",
                                 "",
                                 "StakesCheckManual",
                                 "",
                                 "LogStakes",
                                 "LogStakesDelete",
                                 "StakesScroll",
                                 "StakesCheckLine"}));

    // A switch is written at once.
    QVERIFY(Run("StakesScroll"));
    QVERIFY(!Stakes().ScrollEnabled());
    QVERIFY(!Action("StakesScroll")->isChecked());
    QVERIFY(test::ReadBytes(*dir_ / "Kivra_5x45.frm").find("StakesScrollEnabled=0") != std::string::npos);

    // Column widths are kept like the other lists'.
    Grid()->setColumnWidth(2, 150);
    ShowTab();
    guitest::SaveScreen(window_.get(), "stakes_empty");
    window_.reset();
    {
      // Closing released the journal: another program may take it now.
      TRecordingPort port;
      TStakesJournal other(port, *dir_ / "Kivra_5x45.lsk", *dir_ / "Kivra_5x45.~tmp");
      QVERIFY(other.Load());
    }
    Start();
    QCOMPARE(Grid()->columnWidth(2), 150);
    QVERIFY(!Stakes().ScrollEnabled());
  }

  void stakeNumbersText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("numbers");  // empty: refused
    QTest::newRow("four") << "1;2;3;4"
                          << "";
    QTest::newRow("thirteen") << "1;2;3;4;5;6;7;8;9;10;11;12;13"
                              << "";
    QTest::newRow("zero") << "0;2;3;4;5"
                          << "";
    QTest::newRow("46") << "1;2;3;4;46"
                        << "";
    QTest::newRow("twice") << "5;5;6;7;8"
                           << "";
    QTest::newRow("word") << "1;2;x;4;5"
                          << "";
    QTest::newRow("trailing separator") << "1;2;3;4;5;"
                                        << "";
    QTest::newRow("blanks and both separators") << "1, 2;3 ,4;45"
                                                << "1;2;3;4;45";
    QTest::newRow("sorted") << "45,7,1,30,2,9"
                            << "1;2;7;9;30;45";
    QTest::newRow("twelve") << "12;11;10;9;8;7;6;5;4;3;2;1"
                            << "1;2;3;4;5;6;7;8;9;10;11;12";
  }

  void stakeNumbersText() {
    QFETCH(QString, text);
    QFETCH(QString, numbers);
    const auto parsed = ParseStakeNumbers(text);
    QCOMPARE(parsed ? QString::fromStdString(StakeNumbersText(*parsed, ";")) : QString(), numbers);
  }

  void addsAStakeThroughTheDialog() {
    Start();
    ShowTab();
    SelectRows(window_->CombsList(), 2, 2);
    const TComb comb = Ws().Combs().List()[2];
    bool numbersRefused = false, commentRefused = false;
    WhenModal<TStakeDialog>([&](TStakeDialog* d) {
      QCOMPARE(d->windowTitle(), QStringLiteral("Добавление ставки"));
      auto* numbers = d->findChild<QLineEdit*>("edNumbers");
      auto* comment = d->findChild<QLineEdit*>("edComment");
      auto* sum = d->findChild<QLineEdit*>("edSum");
      // Prefilled from the selected combination and the next draw.
      QCOMPARE(numbers->text(), QString::fromStdString(CombToText(comb)).replace(' ', ';'));
      QCOMPARE(comment->text(), QStringLiteral("Ставка \"вручную\""));
      QCOMPARE(d->findChild<QSpinBox*>("seDrawNumber")->value(), 41);
      QCOMPARE(d->findChild<QSpinBox*>("seDrawCount")->value(), 1);
      QCOMPARE(comment->maxLength(), 64);

      numbers->setText("1;2;3;x");
      QCOMPARE(sum->text(), QStringLiteral("6"));
      ClickOk(d);
      numbersRefused = d->isVisible() && messages_.size() == 1 &&
                       messages_.back().Text == QStringLiteral("Введена некорректная комбинация!\nУкажите от 5 до 12 разных "
                                                               "чисел от 1 до 45 через точку с запятой или запятую.") &&
                       d->focusWidget() == numbers;
      numbers->setText("45, 7;1 ,30;2;9");
      QCOMPARE(sum->text(), QStringLiteral("94"));
      comment->clear();
      ClickOk(d);
      commentRefused = d->isVisible() && messages_.size() == 2 &&
                       messages_.back().Text == QStringLiteral("Необходимо ввести комментарий!") &&
                       d->focusWidget() == comment;
      comment->setText(QStringLiteral("Моя ставка"));
      d->findChild<QSpinBox*>("seDrawNumber")->setValue(38);
      guitest::SaveScreen(d, "stakes_dialog");
      ClickOk(d);
    });
    QVERIFY(Run("StakeAdd"));
    QVERIFY(numbersRefused);
    QVERIFY(commentRefused);
    // Draw 38 is in the archive: the stake is checked at once.
    QCOMPARE(Stakes().Journal().Count(), 1);
    const TStakeData r = Stakes().Journal().Read(TStakeOrigin::Begin, 0);
    QCOMPARE(QString::fromStdString(StakeNumbersText(r.Numbers, ";")), QStringLiteral("1;2;7;9;30;45"));
    QCOMPARE(r.Kind, uint8_t{StakeManual});
    QCOMPARE(r.SampleSize, 1221759);
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 1"));
    QCOMPARE(Grid()->model()->rowCount(), 1);
    // Draw 38: 38, 45, 7, 14, 21 -> 7 and 45 matched; 6 numbers cost 60.
    const QStringList row = {"38", "Вручную", "1;2;7;9;30;45", "1221759",   "38;45;7;14;21",
                             "2",  "7 45",    "-60.00",        "Моя ставка"};
    for (int c = 0; c < 9; ++c) QCOMPARE(Cell(0, c).replace(',', '.'), row[c]);

    // Double click on the combination list opens the same dialog; Отмена makes nothing.
    bool opened = false;
    WhenModal<TStakeDialog>([&](TStakeDialog* d) {
      opened = true;
      guitest::ClickButton(d, "btnCancel");
    });
    const QModelIndex at = window_->CombsList()->model()->index(5, 1);
    window_->findChild<QTabWidget*>("pcLists")->setCurrentIndex(1);
    QApplication::processEvents();
    const QPoint p = window_->CombsList()->visualRect(at).center();
    // The press of the first click, then the double click (the list opens what both hit).
    QTest::mouseClick(window_->CombsList()->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(window_->CombsList()->viewport(), Qt::LeftButton, {}, p);
    QTRY_VERIFY_WITH_TIMEOUT(opened, guitest::StallMs);
    QCOMPARE(Stakes().Journal().Count(), 1);

    // A random stake: a combination of the list, in the dialog.
    QString random;
    WhenModal<TStakeDialog>([&](TStakeDialog* d) {
      random = d->findChild<QLineEdit*>("edNumbers")->text();
      guitest::ClickButton(d, "btnCancel");
    });
    QVERIFY(Run("StakeAddRandom"));
    const auto numbers = ParseStakeNumbers(random);
    QVERIFY(numbers && numbers->Count == 5);
    guitest::SaveScreen(window_.get(), "stakes_one");
  }

  void stakesForSelectedCombinations() {
    Start();
    ShowTab();
    SelectRows(window_->CombsList(), 0, 2);
    QVERIFY(Action("StakeAddSelected")->isEnabled());
    bool refused = false;
    WhenModal<TMultiStakeDialog>([&](TMultiStakeDialog* d) {
      QCOMPARE(d->windowTitle(), QStringLiteral("Добавление мультиставки"));
      QCOMPARE(d->findChild<QSpinBox*>("seDrawNumber")->value(), 41);
      auto* comment = d->findChild<QLineEdit*>("edComment");
      QCOMPARE(comment->text(), QStringLiteral("Ставка \"вручную\""));
      comment->clear();
      ClickOk(d);
      refused = d->isVisible() && messages_.size() == 1 &&
                messages_.back().Text == QStringLiteral("Необходимо ввести комментарий!");
      comment->setText(QStringLiteral("Первые три"));
      d->findChild<QSpinBox*>("seDrawCount")->setValue(2);
      guitest::SaveScreen(d, "stakes_multi_dialog");
      ClickOk(d);
    });
    QVERIFY(Run("StakeAddSelected"));
    QVERIFY(refused);
    // Each combination for draws 41 and 42, each stake after a separator (not before the first).
    QCOMPARE(Stakes().Journal().Count(), 11);
    QCOMPARE(Grid()->model()->rowCount(), 11);
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 11"));
    const QStringList draws = {"41", "", "42", "", "41", "", "42", "", "41", "", "42"};
    for (int row = 0; row < 11; ++row) QCOMPARE(Cell(row, 0), draws[row]);
    QCOMPARE(Cell(4, 2), QString::fromStdString(CombToText(Ws().Combs().List()[1])).replace(' ', ';'));
    QCOMPARE(Cell(10, 8), QStringLiteral("Первые три"));
    QVERIFY(!window_->CombsList()->selectionModel()->hasSelection());
    // Scrolled to the newest stake.
    QCOMPARE(Grid()->currentIndex().row(), 10);
    guitest::SaveScreen(window_.get(), "stakes_multi");
  }

  void deletesRowsAndByCondition() {
    Start();
    ShowTab();
    // Draw 30 holds 30, 37, 44, 6, 13: stakes with 0, 1 and 2 matches, then two not yet due.
    AddStake(30, {1, 2, 3, 4, 5});
    AddStake(30, {30, 2, 3, 4, 5});
    AddStake(30, {30, 37, 3, 4, 5});
    TStakeData r = Stakes().NewRecord(StakeManual, "Две", Numbers({10, 11, 12, 15, 16}));
    QVERIFY(Stakes().AddOne(r, 2));  // separator, 41, separator, 42
    QCOMPARE(Stakes().Journal().Count(), 7);
    QCOMPARE(Cell(0, 5), QStringLiteral("0"));
    QCOMPARE(Cell(2, 5), QStringLiteral("2"));

    // "Менее [ < ]" 1: the unchecked stakes and the one without matches go, separators stay; asked
    // first with their number (No, the default, keeps them), and the selection goes afterwards.
    SelectRows(Grid(), 5, 6);
    bool opened = false;
    WhenModal<TStakeConditionDialog>([&](TStakeConditionDialog* d) {
      auto* condition = d->findChild<QComboBox*>("cbCondition");
      auto* value = d->findChild<QSpinBox*>("seMatches");
      opened = condition->currentIndex() == 0 && value->value() == 0 && condition->count() == 5 &&
               condition->itemText(0) == QStringLiteral("Равно [ = ]") &&
               condition->itemText(3) == QStringLiteral("Менее [ < ]");
      condition->setCurrentIndex(3);
      value->setValue(1);
      guitest::SaveScreen(d, "stakes_condition_dialog");
      ClickOk(d);
    });
    QVERIFY(Run("StakeFilter"));
    QVERIFY(opened);
    QCOMPARE(messages_.back().Text, QStringLiteral("Удалить ставок: 3?"));
    QCOMPARE(messages_.back().Caption, QStringLiteral("Предупреждение"));
    QCOMPARE(Stakes().Journal().Count(), 7);
    WhenModal<TStakeConditionDialog>([&](TStakeConditionDialog* d) {
      d->findChild<QComboBox*>("cbCondition")->setCurrentIndex(3);
      d->findChild<QSpinBox*>("seMatches")->setValue(1);
      ClickOk(d);
    });
    messages_.Answers = {true};
    QVERIFY(Run("StakeFilter"));
    QVERIFY(!Grid()->selectionModel()->hasSelection());
    QCOMPARE(Stakes().Journal().Count(), 4);
    const QStringList draws = {"30", "30", "", ""};
    for (int row = 0; row < 4; ++row) QCOMPARE(Cell(row, 0), draws[row]);
    QCOMPARE(Cell(1, 5), QStringLiteral("2"));
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 4"));
    QCOMPARE(Grid()->model()->rowCount(), 4);

    // Rows: refused first, then confirmed.
    SelectRows(Grid(), 0, 1);
    QVERIFY(Action("StakeDel")->isEnabled());
    messages_.Answers = {false};
    QVERIFY(Run("StakeDel"));
    QCOMPARE(messages_.back().Caption, QStringLiteral("Предупреждение"));
    QCOMPARE(messages_.back().Text,
             QStringLiteral("Удалить все выделенные записи (всего будет удалено 2 записи(ей))?"));
    QCOMPARE(Stakes().Journal().Count(), 4);
    messages_.Answers = {true};
    QVERIFY(Run("StakeDel"));
    QCOMPARE(Stakes().Journal().Count(), 2);
    QCOMPARE(Cell(0, 0), QString());
    guitest::SaveScreen(window_.get(), "stakes_deleted");

    // Ctrl+Del in the grid reaches the stakes, not the combination list.
    SelectRows(Grid(), 0, 0);
    Grid()->setFocus();
    messages_.Answers = {true};
    QTest::keyClick(Grid(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(Stakes().Journal().Count(), 1);
    QCOMPARE(Ws().Combs().List().Count(), 1221759u);
    QCOMPARE(messages_.back().Text, QStringLiteral("Удалить выделенную запись?"));
    // In the combination list the key stays the list's, also while stakes are selected.
    SelectRows(Grid(), 0, 0);
    QApplication::setActiveWindow(window_.get());
    window_->findChild<QTabWidget*>("pcLists")->setCurrentIndex(1);
    SelectRows(window_->CombsList(), 0, 0);
    window_->CombsList()->setFocus();
    QTest::keyClick(window_->CombsList(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(Ws().Combs().List().Count(), 1221758u);
    QCOMPARE(Stakes().Journal().Count(), 1);

    // All: asked with the number of records.
    messages_.Answers = {true};
    QVERIFY(Run("StakeClear"));
    QCOMPARE(Stakes().Journal().Count(), 0);
    QCOMPARE(Grid()->model()->rowCount(), 1);
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 0"));
    QVERIFY(!Action("StakeClear")->isEnabled());
  }

  void checksAfterAddingADraw() {
    Start();
    ShowTab();
    // Stakes for draw 41, not yet in the archive: 4 matches (a gain) and 1 match (a loss) once it
    // arrives with 41, 3, 10, 17, 24.
    AddStake(41, {41, 3, 10, 17, 44}, "Выигрыш");
    AddStake(41, {41, 2, 4, 6, 8, 12}, "Проигрыш");
    AddStake(30, {6, 13, 30, 37, 44}, "Пять");
    QCOMPARE(Cell(0, 4), QString());
    QCOMPARE(Cell(0, 7).replace(',', '.'), QStringLiteral("-10.00"));
    QCOMPARE(Cell(2, 7).replace(',', '.'), QStringLiteral("9990.00"));

    QVERIFY(Ws().AddDraw(test::MakeDraw(41, DrawNums(41), "2026-02-01")));
    QCOMPARE(Cell(0, 4), QStringLiteral("41;3;10;17;24"));
    QCOMPARE(Cell(0, 5), QStringLiteral("4"));
    QCOMPARE(Cell(0, 6), QStringLiteral("3 10 17 41"));
    QCOMPARE(Cell(0, 7).replace(',', '.'), QStringLiteral("90.00"));
    QCOMPARE(Cell(1, 5), QStringLiteral("1"));
    QCOMPARE(Cell(1, 7).replace(',', '.'), QStringLiteral("-60.00"));
    Grid()->clearSelection();
    guitest::SaveScreen(window_.get(), "stakes_checked");
    guitest::SaveScreen(Grid(), "stakes_checked_grid");

    // With the switch off a new draw leaves the stakes for the manual check.
    AddStake(42, {1, 2, 3, 4, 5});
    QVERIFY(Run("StakesCheckLine"));
    QVERIFY(Ws().AddDraw(test::MakeDraw(42, DrawNums(42), "2026-02-02")));
    QCOMPARE(Cell(3, 4), QString());
    QVERIFY(Run("StakesCheckManual"));
    QCOMPARE(Cell(3, 4), QStringLiteral("42;4;11;18;25"));
  }

  void stakesLeftUncheckedAreCheckedAtStart() {
    // A run ended with the program before it checked its stake for draw 30 (in the archive).
    {
      TRecordingPort port;
      TStakesJournal journal(port, *dir_ / "Kivra_5x45.lsk", *dir_ / "Kivra_5x45.~tmp");
      QVERIFY(journal.Load());
      TStakeData r;
      r.Kind = StakeManual;
      r.DrawNumber = 30;
      r.Numbers = Numbers({30, 37, 3, 4, 5});
      r.Comment = "Тест";
      QVERIFY(journal.Write(TStakeOrigin::End, 0, r));
    }
    Start();
    const TStakeData checked = Stakes().Journal().Read(TStakeOrigin::End, -1);
    QCOMPARE(checked.Checked, uint8_t{1});
    QCOMPARE(checked.Matched.Count, 2);
  }

  void secondProgramIsRefused() {
    TRecordingPort port;
    TStakesJournal holder(port, *dir_ / "Kivra_5x45.lsk", *dir_ / "Kivra_5x45.~tmp");
    QVERIFY(holder.Load());
    Start(false);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), guitest::StallMs);
    QVERIFY(window_->QuitRequested());
    QVERIFY(!window_->Initialised());
    QCOMPARE(messages_.size(), size_t{2});
    QVERIFY(messages_[0].Text.startsWith(QStringLiteral("Ошибка чтения файла ставок!\n\n")));
    QCOMPARE(messages_[1].Kind, TMessageKind::Error);
    QCOMPARE(
        messages_[1].Text,
        QStringLiteral("Невозможно получить монопольный доступ к файлам данных!\n\nВозможные причины данной ошибки: "
                       "\n\n1) Вы пытаетесь запустить вторую копию программы из одного и того же каталога. "
                       "Корректная работа нескольких копий программы возможна только из разных каталогов.\n\n2) "
                       "У программы нет прав на запись в каталог данных. Например: каталог программы, "
                       "установленной в /usr или /opt, закрыт для записи обычному пользователю; укажите другой "
                       "каталог данных (--data-dir) или выдайте права на запись.\n\nПрограмма будет закрыта!"));
  }

  // A journal of one stake per combination of the full list (1,221,759 records with
  // KIVRA_FULL_JOURNAL=1, else 200,000): the tab opens and scrolls reading only the rows it shows.
  // The times are printed, not checked.
  void largeJournalOpensAndScrolls() {
    const int count = qEnvironmentVariableIntValue("KIVRA_FULL_JOURNAL") ? 1221759 : 200000;
    {
      std::ofstream out(*dir_ / "Kivra_5x45.lsk", std::ios::binary);
      TStakeData r;
      r.Version = 2;
      r.Kind = StakeManual;
      r.SampleSize = 1221759;
      r.Numbers = Numbers({1, 2, 3, 4, 5});
      r.Matched.Count = -1;
      r.Profit = -100000;
      r.Comment = "Ставка \"вручную\"";
      std::vector<uint8_t> chunk;
      for (int i = 0; i < count; ++i) {
        r.DrawNumber = 41 + i % 100;
        r.Numbers.Values[4] = static_cast<uint8_t>(5 + i % 41);
        const TStakeBytes bytes = EncodeStake(r);
        chunk.insert(chunk.end(), bytes.begin(), bytes.end());
        if (chunk.size() >= (1u << 22) || i + 1 == count) {
          out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
          chunk.clear();
        }
      }
    }
    QElapsedTimer timer;
    timer.start();
    Start();
    const qint64 startMs = timer.elapsed();
    QCOMPARE(Grid()->model()->rowCount(), count);
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: %1").arg(count));

    timer.restart();
    ShowTab();
    Grid()->repaint();
    const qint64 openMs = timer.elapsed();

    // The journal closed (the grid back to the empty row) and loaded again as start-up loads it,
    // with the grid's update and paint.
    Stakes().Save();
    Stakes().UpdateView(true, false);
    QCOMPARE(Grid()->model()->rowCount(), 1);
    timer.restart();
    QVERIFY(Stakes().Load());
    Grid()->repaint();
    const qint64 loadMs = timer.elapsed();
    QCOMPARE(Grid()->model()->rowCount(), count);

    timer.restart();
    Grid()->scrollToBottom();
    Grid()->repaint();
    const qint64 bottomMs = timer.elapsed();
    QCOMPARE(Grid()->rowAt(Grid()->viewport()->height() - 2), count - 1);
    QCOMPARE(Cell(count - 1, 0), QString::number(41 + (count - 1) % 100));

    // Page by page, as a held Page Down does.
    timer.restart();
    Grid()->scrollToTop();
    const int pages = 200;
    QScrollBar* bar = Grid()->verticalScrollBar();
    for (int i = 1; i <= pages; ++i) {
      bar->setValue(static_cast<int>(int64_t{bar->maximum()} * i / pages));
      Grid()->repaint();
    }
    const double pageMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / pages;
    guitest::SaveScreen(window_.get(), "stakes_large");
    std::printf(
        "journal of %d stakes: window start-up %lld ms, tab opened and painted %lld ms, journal loaded "
        "into the grid and painted %lld ms, to the end %lld ms, one scroll step %.2f ms\n",
        count, static_cast<long long>(startMs), static_cast<long long>(openMs), static_cast<long long>(loadMs),
        static_cast<long long>(bottomMs), pageMs);
  }
};

QTEST_MAIN(StakesTabTest)
#include "StakesTabTest.moc"
