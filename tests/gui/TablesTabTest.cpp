// The "Регуляры" tab driven as a user would: the rule dialog with its checks and its two ways of
// starting (a typed combination, the selected combinations), the list, a stake from a rule through
// the stake dialog, the back-test with its count dialog, deletion, the enabled rules, and the "Вид"
// switch that hides the tab (kept over a restart). Screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/StakesTab.h"
#include "shell/TablesTab.h"
#include "shell/UnitStake.h"
#include "shell/UnitTable.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::Child;
using guitest::ClickOk;
using guitest::SaveScreen;
using guitest::WhenModal;

namespace {

// Draw i (1..40) holds i, i+7, i+14, i+21, i+28 (wrapped into 1..45).
TComb DrawNums(int i) {
  TComb c{};
  for (int k = 0; k < 5; ++k) c[k] = static_cast<uint8_t>((i - 1 + 7 * k) % 45 + 1);
  return c;
}

TDrawsArray SampleDraws(int count) {
  TDrawsArray draws;
  for (int i = 1; i <= count; ++i) draws.push_back(test::MakeDraw(i, DrawNums(i), "2026-01-01"));
  return draws;
}

}  // namespace

class TablesTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;

  void Start() {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_));
    window_->resize(1200, 600);
  }
  void Restart() {
    window_->close();
    window_.reset();
    Start();
  }

  TWorkspace& Ws() { return window_->Workspace(); }
  TTableState& Tables() { return Ws().Tables(); }
  QTableView* List() { return window_->TablesTab()->List(); }
  QTabWidget* Pages() { return window_->findChild<QTabWidget*>("pcMain"); }
  bool TabShown() { return Pages()->isTabVisible(Pages()->indexOf(window_->TablesTab())); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  QAction* Action(const char* name) { return window_->Commands().Action(QString::fromLatin1(name)); }
  bool Enabled(const char* name) {
    window_->Commands().Update();
    return Action(name)->isEnabled();
  }
  QString Row(int row) {
    QStringList cells;
    for (int c = 0; c < List()->model()->columnCount(); ++c) cells << List()->model()->index(row, c).data().toString();
    return cells.join('|');
  }
  void Select(QTableView* view, std::initializer_list<int> rows) {
    view->clearSelection();
    for (int r : rows)
      view->selectionModel()->select(view->model()->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window_->Commands().Update();
  }
  QString LastMessage() { return messages_.empty() ? QString() : messages_.back().Text; }
  std::string FileBytes() { return test::ReadBytes(*dir_ / "Kivra_5x45.ltb"); }

  // Adds a rule through the dialog: the comment, the mode and the step (and the start when given).
  void AddRule(const QString& comment, bool fromDraw, int step, const QString& start = {}) {
    WhenModal<TTableDialog>([=](TTableDialog* d) {
      Child<QLineEdit>(d, "edComment")->setText(comment);
      Child<QRadioButton>(d, fromDraw ? "rbDraw" : "rbStart")->setChecked(true);
      if (!start.isEmpty()) Child<QLineEdit>(d, "edStart")->setText(start);
      Child<QSpinBox>(d, "seStep")->setValue(step);
      ClickOk(d);
    });
    QVERIFY(Run("TablesAdd"));
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws(40)));
    test::WriteBytes(*dir_ / "Kivra_5x45.ini", "[STAKES]\nCost=10\n");
    messages_.clear();
    messages_.Answers.clear();
    Start();
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void ruleDialogChecksAndTheList() {
    // The tab, the menu between "Рейтинг" and "Вид", the commands on the combination list.
    QVERIFY(TabShown());
    QCOMPARE(Pages()->tabText(Pages()->indexOf(window_->TablesTab())), QStringLiteral("Регуляры"));
    QCOMPARE(Pages()->tabText(Pages()->indexOf(window_->TablesTab()) - 1), QStringLiteral("Рейтинг"));
    QStringList menus;
    QMenu* menu = nullptr;
    for (QAction* a : window_->menuBar()->actions()) {
      menus << a->text();
      if (a->text() == QStringLiteral("Ре&гуляры")) menu = a->menu();
    }
    QVERIFY(menu);
    QCOMPARE(menus.indexOf("&Рейтинг") + 1, menus.indexOf("Ре&гуляры"));
    QVERIFY(menus.indexOf("Ре&гуляры") < menus.indexOf("&Вид"));
    QStringList items;
    for (QAction* a : menu->actions()) items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, QStringList({"Добавить регулярную ставку", "Удалить регулярную ставку", "-",
                                 "Сделать ставку по регуляру", "Тест регуляров"}));
    QVERIFY(window_->CombsList()->actions().contains(Action("TablesAdd")));
    for (const char* name : {"TablesAdd", "TablesDel", "TablesStakeAdd", "TablesStakeTest", "TabTables"})
      QVERIFY2(Action(name)->shortcut().isEmpty(), name);
    QCOMPARE(List()->objectName(), QStringLiteral("lvTables"));
    const QStringList headers = {"Комментарий", "Стартовая комбинация", "Текущая комбинация", "Шаг", "Ставок"};
    for (int c = 0; c < 5; ++c) QCOMPARE(List()->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);

    // One combination selected: its numbers can be changed; the checks come in the dialog's order.
    Select(window_->CombsList(), {0});
    QString shownStart;
    bool startEditable = false;
    WhenModal<TTableDialog>([&](TTableDialog* d) {
      auto* comment = Child<QLineEdit>(d, "edComment");
      auto* start = Child<QLineEdit>(d, "edStart");
      shownStart = start->text();
      startEditable = start->isEnabled();
      QCOMPARE(comment->text(), QStringLiteral("Регулярная ставка"));
      QCOMPARE(comment->maxLength(), 64);
      QVERIFY(Child<QRadioButton>(d, "rbStart")->isChecked());
      QCOMPARE(Child<QSpinBox>(d, "seStep")->value(), 1);
      QCOMPARE(Child<QSpinBox>(d, "seStep")->minimum(), -45);
      QCOMPARE(Child<QSpinBox>(d, "seStep")->maximum(), 45);
      SaveScreen(d, "tables_rule_dialog");
      struct TCase {
        const char* start;
        const char* comment;
        const char* message;
        QWidget* focus;
      };
      for (const TCase& c : {TCase{"1;2;3;4", "X", "Введена некорректная комбинация!\nУкажите пять разных чисел от 1 до 45 через точку с запятой или запятую.", start},
                             TCase{"1;2;3;4;4", "X", "Введена некорректная комбинация!\nУкажите пять разных чисел от 1 до 45 через точку с запятой или запятую.", start},
                             TCase{"1,2,3,4,46", "X", "Введена некорректная комбинация!\nУкажите пять разных чисел от 1 до 45 через точку с запятой или запятую.", start},
                             TCase{"45;44,43;42;41", " ", "Необходимо ввести комментарий!", comment}}) {
        start->setText(QString::fromUtf8(c.start));
        comment->setText(QString::fromUtf8(c.comment));
        ClickOk(d);
        QVERIFY(d->isVisible());
        QCOMPARE(LastMessage(), QString::fromUtf8(c.message));
        QCOMPARE(d->focusWidget(), c.focus);
      }
      comment->setText(QStringLiteral("Сдвиг"));
      ClickOk(d);
    });
    QVERIFY(Run("TablesAdd"));
    QCOMPARE(shownStart, QStringLiteral("1;2;3;4;5"));
    QVERIFY(startEditable);
    QCOMPARE(List()->model()->rowCount(), 1);
    QCOMPARE(Row(0), QStringLiteral("Сдвиг|41;42;43;44;45|41;42;43;44;45|1|0"));

    // A taken comment (case ignored) is refused; the previous draw needs no combination.
    const size_t before = messages_.size();
    WhenModal<TTableDialog>([&](TTableDialog* d) {
      Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("сДВИГ"));
      Child<QRadioButton>(d, "rbDraw")->setChecked(true);
      QVERIFY(!Child<QLineEdit>(d, "edStart")->isEnabled());
      Child<QSpinBox>(d, "seStep")->setValue(-3);
      ClickOk(d);
      QVERIFY(d->isVisible());
      QCOMPARE(LastMessage(),
               QStringLiteral("Запись с таким комментарием уже присутствует в списке!\nВыберите другой комментарий."));
      QCOMPARE(d->focusWidget(), Child<QLineEdit>(d, "edComment"));
      Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("По тиражу"));
      ClickOk(d);
    });
    QVERIFY(Run("TablesAdd"));
    QCOMPARE(messages_.size(), before + 1);
    // Mode 1 with one selected combination: the combination is kept as the rule's start and current.
    QCOMPARE(Row(1), QStringLiteral("По тиражу|Предыдущий тираж|1;2;3;4;5|-3|0"));

    // Three selected combinations: one rule each, named by the list position.
    Select(window_->CombsList(), {0, 2, 4});
    WhenModal<TTableDialog>([&](TTableDialog* d) {
      shownStart = Child<QLineEdit>(d, "edStart")->text();
      startEditable = Child<QLineEdit>(d, "edStart")->isEnabled();
      Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("Test"));
      ClickOk(d);
    });
    QVERIFY(Run("TablesAdd"));
    QCOMPARE(shownStart, QStringLiteral("{...Выделенные комбинации...}"));
    QVERIFY(!startEditable);
    QCOMPARE(List()->model()->rowCount(), 5);
    QCOMPARE(Row(2), QStringLiteral("Test (1)|1;2;3;4;5|1;2;3;4;5|1|0"));
    QCOMPARE(Row(3), QStringLiteral("Test (3)|1;2;3;4;7|1;2;3;4;7|1|0"));
    QCOMPARE(Row(4), QStringLiteral("Test (5)|1;2;3;4;9|1;2;3;4;9|1|0"));
    QCOMPARE(FileBytes().size(), 5 * TableRecordSize);

    Pages()->setCurrentWidget(window_->TablesTab());
    Select(List(), {1});
    QApplication::processEvents();
    SaveScreen(window_.get(), "tables_tab");
  }

  void stakeFromARuleAndTheBackTest() {
    AddRule(QStringLiteral("Сдвиг"), false, 1);  // no combination selected: nothing in mode 0
    QCOMPARE(Tables().Count(), 0);
    Select(window_->CombsList(), {});
    Ws().Combs().GenerateList(true, {2, "41;42;43;44;45"});
    Select(window_->CombsList(), {0});
    AddRule(QStringLiteral("Сдвиг"), false, 1);
    AddRule(QStringLiteral("По тиражу"), true, -3);
    QCOMPARE(Tables().Count(), 2);

    // Nothing selected in the list: only adding.
    Pages()->setCurrentWidget(window_->TablesTab());
    Select(List(), {});
    QVERIFY(Enabled("TablesAdd"));
    for (const char* name : {"TablesDel", "TablesStakeAdd", "TablesStakeTest"}) QVERIFY2(!Enabled(name), name);
    Select(List(), {0});
    for (const char* name : {"TablesAdd", "TablesDel", "TablesStakeAdd", "TablesStakeTest"})
      QVERIFY2(Enabled(name), name);
    Ws().Port().BeginBusy();
    for (const char* name : {"TabTables", "TablesAdd", "TablesDel", "TablesStakeAdd", "TablesStakeTest"})
      QVERIFY2(!Enabled(name), name);
    Ws().Port().EndBusy();

    // A stake from the first rule: the stake dialog shows the moved combination; Cancel keeps the rule.
    QString numbers;
    int drawNumber = 0;
    WhenModal<TStakeDialog>([&](TStakeDialog* d) {
      numbers = Child<QLineEdit>(d, "edNumbers")->text();
      drawNumber = Child<QSpinBox>(d, "seDrawNumber")->value();
      d->reject();
    });
    QVERIFY(Run("TablesStakeAdd"));
    QCOMPARE(numbers, QStringLiteral("1;42;43;44;45"));
    QCOMPARE(drawNumber, 41);
    QCOMPARE(Tables().Tables().Rows()[0].Count, 0);
    QCOMPARE(Ws().Stakes().Journal().Count(), 0);
    WhenModal<TStakeDialog>([&](TStakeDialog* d) {
      SaveScreen(d, "tables_stake_dialog");
      ClickOk(d);
    });
    QVERIFY(Run("TablesStakeAdd"));
    QCOMPARE(Row(0), QStringLiteral("Сдвиг|41;42;43;44;45|1;42;43;44;45|1|1"));
    QCOMPARE(Ws().Stakes().Journal().Count(), 1);
    QCOMPARE(Ws().Stakes().Journal().Read(TStakeOrigin::End, -1).Kind, StakeRegular);

    // The back-test of both rules: a count of 0 or an empty field runs nothing.
    Select(List(), {0, 1});
    for (const int key : {int(Qt::Key_0), int(Qt::Key_Backspace)}) {
      WhenModal<TTestCountDialog>([&](TTestCountDialog* d) {
        auto* count = Child<QSpinBox>(d, "seTests");
        count->selectAll();
        QTest::keyClick(count, Qt::Key(key));
        ClickOk(d);
      });
      QVERIFY(Run("TablesStakeTest"));
      QCOMPARE(Ws().Stakes().Journal().Count(), 1);
    }
    // Over five draws: ten stakes, all checked, a rating per rule.
    int shownCount = 0, shownMax = 0;
    WhenModal<TTestCountDialog>([&](TTestCountDialog* d) {
      auto* count = Child<QSpinBox>(d, "seTests");
      shownCount = count->value();
      shownMax = count->maximum();
      SaveScreen(d, "tables_test_dialog");
      count->setValue(5);
      ClickOk(d);
    });
    QVERIFY(Run("TablesStakeTest"));
    QCOMPARE(shownCount, 10);
    QCOMPARE(shownMax, 39);
    QCOMPARE(Ws().Stakes().Journal().Count(), 11);
    for (int i = 1; i < 11; ++i) {
      const TStakeData r = Ws().Stakes().Journal().Read(TStakeOrigin::Begin, i);
      QCOMPARE(r.Checked, uint8_t{1});
      QCOMPARE(r.DrawNumber, 36 + (i - 1) / 2);
      QCOMPARE(QString::fromStdString(r.Comment), i % 2 ? QStringLiteral("Сдвиг") : QStringLiteral("По тиражу"));
    }
    QCOMPARE(Row(0), QStringLiteral("Сдвиг|41;42;43;44;45|2;3;4;5;6|1|6"));
    QCOMPARE(Tables().Tables().Rows()[1].Count, 5);
    QCOMPARE(Ws().Ratings().Ratings().Count(), 2);
    QCOMPARE(Ws().Archive().DrawsOffset(), 0);
    QCOMPARE(window_->StatusText(4), QStringLiteral("Ставок: 11"));
    QVERIFY(messages_.empty());
    Pages()->setCurrentWidget(window_->StakesTab());
    QApplication::processEvents();
    SaveScreen(window_.get(), "tables_backtest_stakes");

    // Deleting both asks with their number; No keeps them, Yes removes them.
    Pages()->setCurrentWidget(window_->TablesTab());
    Select(List(), {0, 1});
    messages_.Answers = {false};
    QVERIFY(Run("TablesDel"));
    QCOMPARE(LastMessage(), QStringLiteral("Удалить все выделенные записи (всего будет удалено 2 записи(ей))?"));
    QCOMPARE(Tables().Count(), 2);
    Select(List(), {0, 1});
    messages_.Answers = {true};
    QVERIFY(Run("TablesDel"));
    QCOMPARE(Tables().Count(), 0);
    QCOMPARE(List()->model()->rowCount(), 0);
    QCOMPARE(FileBytes().size(), size_t{0});
  }

  void viewSwitchHidesTheTab() {
    Select(window_->CombsList(), {0});
    AddRule(QStringLiteral("Один"), false, 2);
    const std::string bytes = FileBytes();
    QCOMPARE(bytes.size(), TableRecordSize);
    QMenu* view = nullptr;
    for (QAction* a : window_->menuBar()->actions())
      if (a->text() == QStringLiteral("&Вид")) view = a->menu();
    QVERIFY(view);
    QVERIFY(view->actions().contains(Action("TabTables")));
    QCOMPARE(Action("TabTables")->text(), QStringLiteral("Вкладка \"Регуляры\""));
    QVERIFY(Action("TabTables")->isChecked());

    QVERIFY(Run("TabTables"));
    QVERIFY(!TabShown());
    QVERIFY(!Action("TabTables")->isChecked());
    QCOMPARE(Tables().Count(), 0);
    QCOMPARE(List()->model()->rowCount(), 0);
    for (const char* name : {"TablesAdd", "TablesDel", "TablesStakeAdd", "TablesStakeTest"})
      QVERIFY2(!Enabled(name), name);
    QCOMPARE(FileBytes(), bytes);
    SaveScreen(window_.get(), "tables_hidden");

    // Hidden over a restart; shown again, the rules come back from the file and the tab is current.
    Restart();
    QVERIFY(!TabShown());
    QCOMPARE(Tables().Count(), 0);
    QVERIFY(Run("TabTables"));
    QVERIFY(TabShown());
    QCOMPARE(Pages()->currentWidget(), window_->TablesTab());
    QCOMPARE(List()->model()->rowCount(), 1);
    QCOMPARE(Row(0), QStringLiteral("Один|1;2;3;4;5|1;2;3;4;5|2|0"));
    QVERIFY(messages_.empty());
  }
};

QTEST_MAIN(TablesTabTest)
#include "TablesTabTest.moc"
