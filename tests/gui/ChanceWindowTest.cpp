// "Сравнить со случайной игрой" driven as a user would: from the stakes grid (selected records or
// all), from the ratings list, stopped with «Стоп», and refused for a journal without checked
// stakes. The window's figures, notes and histogram are read where the command hands the window
// over; screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "core/TextCodec.h"
#include "gui/GuiTestUtil.h"
#include "gui/StakeFixtures.h"
#include "shell/ChanceCommand.h"
#include "shell/ChartWindow.h"
#include "shell/MainWindow.h"
#include "shell/RatingsTab.h"
#include "shell/StakesTab.h"
#include "shell/StatChart.h"
#include "shell/UnitWait.h"
#include "stakes/Prizes.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::DrawNums;
using guitest::NumbersFor;
using guitest::RatingsPrizeConfig;

class ChanceWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;

  TWorkspace& Ws() { return window_->Workspace(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  QAction* Action(const char* name) { return window_->Commands().Action(QString::fromLatin1(name)); }

  void AddStake(int draw, int matches, const char* comment) {
    TStakeData r = Ws().Stakes().NewRecord(StakeManual, comment, NumbersFor(draw, matches, 6));
    r.DrawNumber = draw;
    QVERIFY(Ws().Stakes().AddOne(r, 1));
  }
  // Stakes of a "script" that knew the results (3 or 4 matches in each of draws 20..39) and of
  // one that did not.
  void AddSampleStakes() {
    for (int draw = 20; draw < 40; ++draw) AddStake(draw, 3 + draw % 2, "Знал заранее");
    for (int draw = 20; draw < 40; ++draw) AddStake(draw, draw % 3 == 0 ? 2 : 0, "Честный");
  }
  TMoney JournalProfit(int first, int last) {
    TMoney sum = 0;
    for (int i = first; i <= last; ++i)
      sum = MoneyAdd(sum, Ws().Stakes().Journal().Read(TStakeOrigin::Begin, i).Profit);
    return sum;
  }

  // Runs a command and hands the window it opens to `act` once its event loop runs (then closes
  // it); false when no window opened.
  bool OpenWindow(const char* command, const std::function<void(TChartWindow*)>& act) {
    bool opened = false;
    const auto connection = connect(window_->Chance(), &TChanceCommand::windowOpening, this, [&](TChartWindow* w) {
      QMetaObject::invokeMethod(
          w,
          [&, w] {
            opened = true;
            act(w);
            w->reject();
          },
          Qt::QueuedConnection);
    });
    Run(command);
    disconnect(connection);
    return opened;
  }
  QStringList Column(QTableWidget* table, int column) {
    QStringList cells;
    for (int r = 0; r < table->rowCount(); ++r) cells << table->item(r, column)->text();
    return cells;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    TDrawsArray draws;
    for (int i = 1; i <= 40; ++i) draws.push_back(test::MakeDraw(i, DrawNums(i), "2026-01-01"));
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(draws));
    test::WriteBytes(*dir_ / "Kivra_5x45.ini", RatingsPrizeConfig);
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.clear();
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void fromTheStakesGrid() {
    AddSampleStakes();
    window_->resize(1200, 700);
    window_->findChild<QTabWidget*>("pcMain")->setCurrentWidget(window_->StakesTab());
    // The grid's context menu and the "Ставки" menu carry the command.
    QVERIFY(window_->StakesTab()->Grid()->actions().contains(Action("StakesChance")));
    QVERIFY(window_->RatingsTab()->List()->actions().contains(Action("RatingsChance")));
    QCOMPARE(Action("StakesChance")->text(), QStringLiteral("Сравнить со случайной игрой"));
    window_->Commands().Update();
    QVERIFY(Action("StakesChance")->isEnabled());

    // One selected row: all of the journal.
    QTableView* grid = window_->StakesTab()->Grid();
    grid->selectRow(3);
    bool checked = false;
    QVERIFY(OpenWindow("StakesChance", [&](TChartWindow* w) {
      QCOMPARE(w->windowTitle(), QStringLiteral("Сравнение со случайной игрой"));
      auto* table = guitest::Child<QTableWidget>(w, "tblFigures");
      QCOMPARE(table->columnCount(), 5);
      QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Реально"));
      QCOMPARE(Column(table, 0), QStringList({"Профит", "Ставок с 2 совпадениями", "Ставок с 3 совпадениями",
                                              "Ставок с 4 совпадениями", "Ставок с 5 совпадениями"}));
      // The real profit is the journal's; 10 stakes of each 3 and 4 matches, 7 of 2.
      QCOMPARE(table->item(0, 1)->text(), QString::fromStdString(MoneyText(JournalProfit(0, 39))));
      QCOMPARE(Column(table, 1).mid(1), QStringList({"7", "10", "10", "0"}));
      const QString notes = guitest::Child<QLabel>(w, "lbNotes")->text();
      QVERIFY(notes.contains(QStringLiteral("Все ставки журнала: ставок 40, тиражей 20, прогонов 10000")));
      QVERIFY(notes.contains(QStringLiteral("это не прогноз")));
      // The stakes that knew the results beat chance in almost every run (a random jackpot may beat them).
      const QRegularExpressionMatch share =
          QRegularExpression(QStringLiteral("Реальный профит лучше случайного в (\\d+\\.\\d\\d)% прогонов"))
              .match(notes);
      QVERIFY2(share.hasMatch(), qPrintable(notes));
      QVERIFY(share.captured(1).toDouble() > 99.9);
      // The histogram: the random runs and the real profit, as bars.
      QVERIFY(w->Chart()->ShowsBars());
      QCOMPARE(w->Chart()->SeriesCount(), 2);
      QApplication::processEvents();
      guitest::SaveScreen(w, "chance_window");
      checked = true;
    }));
    QVERIFY(checked);

    // Records 21..40: the honest stakes alone.
    grid->clearSelection();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(20, 0), grid->model()->index(39, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(OpenWindow("StakesChance", [&](TChartWindow* w) {
      const QString notes = guitest::Child<QLabel>(w, "lbNotes")->text();
      QVERIFY2(notes.contains(QStringLiteral("Записи журнала 21-40: ставок 20, тиражей 20")), qPrintable(notes));
      QCOMPARE(guitest::Child<QTableWidget>(w, "tblFigures")->item(0, 1)->text(),
               QString::fromStdString(MoneyText(JournalProfit(20, 39))));
    }));
    QVERIFY(messages_.empty());
    QVERIFY(Ws().Port().IsIdle());
  }

  void fromTheRatingsList() {
    AddSampleStakes();
    window_->findChild<QTabWidget*>("pcMain")->setCurrentWidget(window_->RatingsTab());
    QTableView* list = window_->RatingsTab()->List();
    int row = -1;
    for (int r = 0; r < list->model()->rowCount(); ++r)
      if (list->model()->index(r, 0).data().toString() == QStringLiteral("Честный")) row = r;
    QVERIFY(row >= 0);
    list->selectRow(row);
    QVERIFY(OpenWindow("RatingsChance", [&](TChartWindow* w) {
      const QString notes = guitest::Child<QLabel>(w, "lbNotes")->text();
      QVERIFY2(notes.contains(QStringLiteral("Строка рейтинга «Честный»: ставок 20, тиражей 20")), qPrintable(notes));
      QCOMPARE(guitest::Child<QTableWidget>(w, "tblFigures")->item(0, 1)->text(),
               QString::fromStdString(MoneyText(JournalProfit(20, 39))));
      guitest::SaveScreen(w, "chance_window_rating");
    }));
    QVERIFY(messages_.empty());
  }

  void stopEndsTheRuns() {
    AddSampleStakes();
    int opened = 0;
    connect(window_->Chance(), &TChanceCommand::windowOpening, this, [&] { ++opened; });
    int steps = 0;
    const auto connection = connect(window_->Chance(), &TChanceCommand::progressShown, this, [&](TWaitWindow* wait) {
      ++steps;
      QVERIFY(wait->isVisible());
      QCOMPARE(wait->windowTitle(), QStringLiteral("Сравнение со случайной игрой"));
      auto* stop = guitest::Child<QPushButton>(wait, "btnStop");
      QCOMPARE(stop->text(), QStringLiteral("Стоп"));
      QTest::mouseClick(stop, Qt::LeftButton);
    });
    Run("StakesChance");
    disconnect(connection);
    QCOMPARE(steps, 1);
    QCOMPARE(opened, 0);
    QVERIFY(messages_.empty());
    QVERIFY(Ws().Port().IsIdle());
    window_->Commands().Update();
    QVERIFY(Action("StakesChance")->isEnabled());
  }

  void refusedWithoutCheckedStakes() {
    // A stake for a draw the archive does not hold yet.
    AddStake(41 - 1, 1, "Проверенная");
    TStakeData r = Ws().Stakes().NewRecord(StakeManual, "Будущая", NumbersFor(1, 0, 6));
    r.DrawNumber = 41;
    QVERIFY(Ws().Stakes().AddOne(r, 1));
    QTableView* grid = window_->StakesTab()->Grid();
    grid->clearSelection();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(1, 0), grid->model()->index(1, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    // One row selected counts as none: the whole journal, which has a checked stake.
    QVERIFY(OpenWindow("StakesChance", [](TChartWindow*) {}));
    // The ratings row of the stake whose draw has not come.
    Ws().Ratings().Ratings().Add(Utf8ToCp1251("Пустая"), 0, 0);
    QVERIFY(Ws().Ratings().Ratings().Save());
    QTableView* list = window_->RatingsTab()->List();
    for (int row = 0; row < list->model()->rowCount(); ++row)
      if (list->model()->index(row, 0).data().toString() == QStringLiteral("Пустая")) list->selectRow(row);
    QVERIFY(!OpenWindow("RatingsChance", [](TChartWindow*) {}));
    QCOMPARE(messages_.size(), size_t{1});
    QCOMPARE(messages_[0].Kind, TMessageKind::Error);
    QCOMPARE(messages_[0].Text,
             QStringLiteral("Нет проверенных ставок для сравнения со случайной игрой!\n\nСравнивать можно только "
                            "ставки, уже проверенные по архиву тиражей."));
  }
};

QTEST_MAIN(ChanceWindowTest)
#include "ChanceWindowTest.moc"
