// The "Рейтинг" tab driven as a user would: the list after stakes were checked, sorting by a click
// on a column header (kept over a restart), the efficiency modes, the CSV export, the refresh, the
// four charts in the chart window with its check box, the chart failure message, and a list of
// 100,000 rows scrolled. Screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "TempDir.h"
#include "TestDraws.h"
#include "core/DrawsArchive.h"
#include "core/TextCodec.h"
#include "gui/ChartTestUtil.h"
#include "gui/GuiTestUtil.h"
#include "gui/StakeFixtures.h"
#include "shell/ChartWindow.h"
#include "shell/MainWindow.h"
#include "shell/RatingsTab.h"
#include "shell/ScriptTab.h"
#include "shell/StatChart.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::DrawNums;
using guitest::NumbersFor;
using guitest::RatingsPrizeConfig;
using guitest::SampleDraws;

namespace {

// The comments of the sample stakes: three sources, one of them a script line.
const char* const Manual = "Тест";
const char* const Script = "Сценарий 1 (строка 2) @ Сумма: 100-150 + Четные: 2-3";
const char* const Big = "ТЕСТ-2";

}  // namespace

class RatingsTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;
  QString chosenFile_;

  void Start() {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    window_->SetFileChooser(
        [this](bool, const QString&, const QString&, const QString&, const QString&) { return chosenFile_; });
    QVERIFY(guitest::StartWindow(*window_));
    QVERIFY(Ws().Stakes().Journal().IsOpen());
  }
  void Restart() {
    window_->close();
    window_.reset();
    Start();
  }

  TWorkspace& Ws() { return window_->Workspace(); }
  TRatingState& Ratings() { return Ws().Ratings(); }
  QTableView* List() { return window_->RatingsTab()->List(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  QAction* Action(const char* name) { return window_->Commands().Action(QString::fromLatin1(name)); }
  bool Enabled(const char* name) {
    window_->Commands().Update();
    return Action(name)->isEnabled();
  }
  QString Cell(int row, int column) { return List()->model()->index(row, column).data().toString(); }
  // The row showing this comment, or -1.
  int RowOf(const QString& comment) {
    for (int r = 0; r < List()->model()->rowCount(); ++r)
      if (Cell(r, 0) == comment) return r;
    return -1;
  }
  void ShowTab() {
    window_->resize(1360, 600);
    window_->findChild<QTabWidget*>("pcMain")->setCurrentWidget(window_->RatingsTab());
    QApplication::processEvents();
  }
  void SelectRows(int first, int last) {
    QTableView* view = List();
    view->clearSelection();
    view->selectionModel()->select(QItemSelection(view->model()->index(first, 0), view->model()->index(last, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void ClickHeader(int column) {
    QHeaderView* header = List()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
  // A checked stake of `matches` matches in draw `draw`.
  void AddStake(int draw, int matches, const char* comment) {
    TStakeData r = Ws().Stakes().NewRecord(StakeManual, comment, NumbersFor(draw, matches, 5));
    r.DrawNumber = draw;
    QVERIFY(Ws().Stakes().AddOne(r, 1));
  }
  // The sample: "Тест" the worked example (3 matches, then none), the script line one match in each
  // of draws 30..35, "ТЕСТ-2" 4 matches and then 2.
  void AddSampleStakes() {
    AddStake(31, 3, Manual);
    AddStake(32, 0, Manual);
    for (int draw = 30; draw <= 35; ++draw) AddStake(draw, 1, Script);
    AddStake(36, 4, Big);
    AddStake(37, 2, Big);
  }

  // Runs a chart command and hands the chart window it opens to `act` (then closes it); false
  // when no window opened.
  bool OpenChart(const char* command, const std::function<void(TChartWindow*)>& act) {
    bool opened = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [&] {
      if (auto* w = qobject_cast<TChartWindow*>(QApplication::activeModalWidget())) {
        timer->stop();
        opened = true;
        QApplication::processEvents();
        act(w);
        w->reject();
      }
    });
    timer->start();
    Run(command);
    timer->stop();
    timer->deleteLater();
    // The window is freed when it closes.
    if (window_->findChild<TChartWindow*>()) return false;
    return opened;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws(40)));
    test::WriteBytes(*dir_ / "Kivra_5x45.ini", RatingsPrizeConfig);
    messages_.clear();
    messages_.Answers.clear();
    chosenFile_.clear();
    Start();
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void listAfterChecks() {
    QCOMPARE(window_->StatusText(5), QStringLiteral("Рейтинг: 0"));
    QVERIFY(!Enabled("RatingsExport"));
    QVERIFY(!Enabled("StakesGraphDraws"));
    AddSampleStakes();
    ShowTab();

    QCOMPARE(List()->objectName(), QStringLiteral("lvRatings"));
    QCOMPARE(List()->model()->columnCount(), 18);
    QCOMPARE(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
    const QStringList headers = {"Комментарий", "Ставок", "Угадано", "Среднее", "Профит", "Ср. профит",
                                 "0",           "1",      "2",       "3",       "4",      "5",
                                 "E0",          "E1",     "E2",      "E3",      "E4",     "E5"};
    for (int c = 0; c < 18; ++c) QCOMPARE(List()->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(window_->StatusText(5), QStringLiteral("Рейтинг: 3"));

    // Sorted by "Среднее", descending: 3.000, 1.500, 1.000.
    QCOMPARE(Cell(0, 0), QString::fromUtf8(Big));
    QCOMPARE(Cell(1, 0), QString::fromUtf8(Manual));
    QCOMPARE(Cell(2, 0), QString::fromUtf8(Script));
    QCOMPARE(List()->horizontalHeader()->sortIndicatorSection(), 3);
    QCOMPARE(List()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    // The worked example: Stakes 2, Guessed 3, hits 1, 0, 0, 1, 0, 0.
    const QStringList manual = {"2", "3", "1.500", "80.00", "40.00", "1", "0", "0", "1", "0", "0"};
    for (int c = 1; c <= 11; ++c) QCOMPARE(Cell(1, c), manual[c - 1]);
    QCOMPARE(Cell(0, 4), QStringLiteral("980.00"));
    QCOMPARE(Cell(2, 4), QStringLiteral("-60.00"));
    // Numbers to the right, the comment to the left.
    QVERIFY(List()->model()->index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
    for (int c : {1, 4, 12, 17})
      QVERIFY(List()->model()->index(0, c).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);

    // The menu between "Статистика" and "Вид", in its order, with the submenu of the modes.
    QStringList menus;
    QMenu* ratingsMenu = nullptr;
    for (QAction* a : window_->menuBar()->actions()) {
      menus << a->text();
      if (a->text() == QStringLiteral("&Рейтинг")) ratingsMenu = a->menu();
    }
    QVERIFY(ratingsMenu);
    QVERIFY(menus.indexOf("&Статистика") < menus.indexOf("&Рейтинг"));
    QCOMPARE(menus.indexOf("&Ставки") + 1, menus.indexOf("&Рейтинг"));
    QVERIFY(menus.indexOf("&Рейтинг") < menus.indexOf("&Вид"));
    QStringList items;
    for (QAction* a : ratingsMenu->actions())
      items << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? "[" + a->text() + "]" : a->objectName());
    QCOMPARE(items, QStringList({"StakesGraphOverlap", "StakesGraphProfits", "RatingsGraphOverlap", "-",
                                 "[Эффективность (столбцы E0..n)]", "-", "RatingsRefresh", "-", "RatingsToScript", "-",
                                 "RatingsExport", "RatingsXlsExport"}));
    // The context menu has the same commands, and the profit chart of all stakes.
    QVERIFY(List()->actions().contains(Action("RatingsGraphOverlap")));
    QVERIFY(List()->actions().contains(Action("StakesGraphDraws")));
    QCOMPARE(Action("StakesGraphDraws")->statusTip(), QStringLiteral("График суммарного профита ставок по тиражам"));

    // Enabled rules: the row commands follow the selection.
    for (const char* name : {"RatingsGraphOverlap", "StakesGraphOverlap", "StakesGraphProfits"})
      QVERIFY(!Enabled(name));
    for (const char* name : {"RatingsRefresh", "RatingsExport", "StakesGraphDraws", "RatingsEffMode0"})
      QVERIFY(Enabled(name));
    SelectRows(0, 1);
    for (const char* name : {"RatingsGraphOverlap", "StakesGraphOverlap", "StakesGraphProfits"}) QVERIFY(Enabled(name));
    QVERIFY(messages_.empty());
    guitest::SaveScreen(window_.get(), "ratings_tab");
  }

  void efficiencyModes() {
    AddSampleStakes();
    ShowTab();
    const int row = RowOf(QString::fromUtf8(Manual));
    // Mode 1 is the default.
    QVERIFY(Action("RatingsEffMode1")->isChecked());
    struct TCase {
      const char* Command;
      int Mode;
      QString E0, E3;
    };
    // E0 of the worked example; E3: one stake of two with 3 matches against p(3) = 7800 / 1221759.
    const TCase cases[] = {{"RatingsEffMode0", 0, "1", "0"},
                           {"RatingsEffMode2", 2, "92.838%", "7831.788%"},
                           {"RatingsEffMode1", 1, "-3.857%", "49.362%"}};
    for (const TCase& c : cases) {
      QVERIFY(Run(c.Command));
      QCOMPARE(Ratings().EffMode(), c.Mode);
      for (int m = 0; m < 3; ++m)
        QCOMPARE(Action(QStringLiteral("RatingsEffMode%1").arg(m).toLatin1())->isChecked(), m == c.Mode);
      QCOMPARE(Cell(row, 12), c.E0);
      QCOMPARE(Cell(row, 15), c.E3);
      if (c.Mode == 2) {
        // The E columns, at the right end of the list.
        List()->horizontalScrollBar()->setValue(List()->horizontalScrollBar()->maximum());
        guitest::SaveScreen(List(), "ratings_mode2");
      }
    }
    // The mode is written at once and read at the next start.
    QVERIFY(Run("RatingsEffMode2"));
    Restart();
    QCOMPARE(Ratings().EffMode(), 2);
    QVERIFY(Action("RatingsEffMode2")->isChecked());
    QCOMPARE(Cell(RowOf(QString::fromUtf8(Manual)), 12), QStringLiteral("92.838%"));
  }

  void headerClickSorts() {
    AddSampleStakes();
    ShowTab();
    QHeaderView* header = List()->horizontalHeader();
    auto comments = [this] {
      QStringList c;
      for (int r = 0; r < List()->model()->rowCount(); ++r) c << Cell(r, 0);
      return c;
    };
    const QString manual = QString::fromUtf8(Manual), script = QString::fromUtf8(Script), big = QString::fromUtf8(Big);
    // Each click: the column, the direction the rows then have, their order.
    struct TCase {
      int Column;
      int SortColumn;
      Qt::SortOrder Order;
      QStringList Rows;
    };
    const TCase cases[] = {
        // A new column sorts ascending; the same column again reverses.
        {1, 1, Qt::AscendingOrder, {}},  // 2, 2, 6: the first two compare equal
        {1, 1, Qt::DescendingOrder, {}},
        {4, 4, Qt::AscendingOrder, {script, manual, big}},
        {4, 4, Qt::DescendingOrder, {big, manual, script}},
        // The E columns do not sort: order and mark stay.
        {14, 4, Qt::DescendingOrder, {big, manual, script}},
        // Case aside; a shorter text first.
        {0, 0, Qt::AscendingOrder, {script, manual, big}},
        // 3 matches: 0, 0, 1 (the first two compare equal).
        {9, 9, Qt::AscendingOrder, {}},
    };
    for (const TCase& c : cases) {
      SelectRows(0, 0);
      ClickHeader(c.Column);
      QCOMPARE(Ratings().SortColumn(), c.SortColumn);
      QCOMPARE(Ratings().SortDescending(), c.Order == Qt::DescendingOrder);
      QCOMPARE(header->sortIndicatorSection(), c.SortColumn);
      QCOMPARE(header->sortIndicatorOrder(), c.Order);
      if (!c.Rows.isEmpty()) QCOMPARE(comments(), c.Rows);
      if (c.Column == 1) QCOMPARE(Cell(c.Order == Qt::AscendingOrder ? 2 : 0, 0), script);
      if (c.Column == 9) QCOMPARE(Cell(2, 0), manual);
      // The rows the list shows are the file's order.
      for (int r = 0; r < 3; ++r)
        QCOMPARE(QString::fromStdString(Ratings().Ratings().Rows()[r].CommentText()), Cell(r, 0));
      // The rows moved: no selection points at other rows.
      QCOMPARE(List()->selectionModel()->hasSelection(), c.Column >= 12);
    }
    guitest::SaveScreen(List(), "ratings_sorted");

    // The sort and the column widths are kept over a restart.
    List()->setColumnWidth(0, 333);
    Restart();
    QCOMPARE(Ratings().SortColumn(), 9);
    QVERIFY(!Ratings().SortDescending());
    QCOMPARE(List()->horizontalHeader()->sortIndicatorSection(), 9);
    QCOMPARE(List()->columnWidth(0), 333);
    QCOMPARE(Cell(2, 0), manual);
  }

  void exportAndRefresh() {
    AddSampleStakes();
    ShowTab();
    // Export: the file chooser asked for a CSV file; cancelling writes nothing.
    QVERIFY(Run("RatingsExport"));
    chosenFile_ = QString::fromStdString((*dir_ / "ratings.csv").string());
    QString filter;
    window_->SetFileChooser(
        [this, &filter](bool save, const QString&, const QString& f, const QString& suffix, const QString&) {
          filter = f;
          return save && suffix == "csv" ? chosenFile_ : QString();
        });
    QVERIFY(Run("RatingsExport"));
    QCOMPARE(filter, QStringLiteral("CSV-файлы (*.csv)"));
    std::ifstream in(*dir_ / "ratings.csv", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(bytes, Ratings().Ratings().CsvText());
    QVERIFY(bytes.find("\r\n") != std::string::npos);

    // Refresh asks first; No keeps the rows, Yes rebuilds them from the journal (F5 in the list).
    Ratings().Ratings().Add("Old source", 2, -100000);
    QVERIFY(Ratings().Ratings().Save());
    QCOMPARE(List()->model()->rowCount(), 4);
    messages_.Answers = {false};
    QVERIFY(Run("RatingsRefresh"));
    QCOMPARE(messages_.size(), size_t{1});
    QCOMPARE(messages_[0].Caption, QStringLiteral("Подтверждение"));
    QCOMPARE(List()->model()->rowCount(), 4);
    messages_.Answers = {true};
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_F5);
    QCOMPARE(messages_.size(), size_t{2});
    QCOMPARE(List()->model()->rowCount(), 3);
    QCOMPARE(window_->StatusText(5), QStringLiteral("Рейтинг: 3"));
    QCOMPARE(RowOf("Old source"), -1);
  }

  // The profit of stakes in each of the 40 draws: the draw numbers under the chart leave gaps
  // between them at the common screen sizes.
  void profitChartDrawNumbersFit() {
    ShowTab();
    for (int draw = 1; draw <= 40; ++draw) AddStake(draw, draw % 4, Script);
    bool fitted = false;
    QVERIFY(OpenChart("StakesGraphDraws", [&](TChartWindow* w) {
      for (const QSize size : {QSize(1366, 768), QSize(1024, 700)}) {
        w->resize(size);
        guitest::SettleLayout();
        const QString overlap = guitest::CaptionsOverlap(w->Chart());
        QVERIFY2(overlap.isEmpty(), qPrintable(overlap));
        QVERIFY(w->Chart()->AxisCaptions().size() >= 5);
        guitest::SaveScreen(w, QStringLiteral("chart_profit_by_draw_%1").arg(size.width()));
      }
      fitted = true;
    }));
    QVERIFY(fitted);
  }

  void chartWindows() {
    AddSampleStakes();
    ShowTab();
    // The charts' titles and series, as the engine gives them to the window.
    struct TCase {
      const char* Command;
      const char* Screen;
      QString Title;
      QStringList Series;
      int Labelled;  // series with value labels
    };
    const QString manual = QString::fromUtf8(Manual), script = QString::fromUtf8(Script), big = QString::fromUtf8(Big);
    const TCase cases[] = {
        {"StakesGraphDraws",
         "chart_profit_by_draw",
         "График суммарного профита ставок по тиражам",
         {"Суммарный профит ставок по тиражу", "Среднее значение", "Накопленное значение"},
         2},
        {"StakesGraphOverlap",
         "chart_stake_matches",
         "График количества совпадений для всех ставок по тиражам",
         {manual, script, big},
         3},
        {"StakesGraphProfits",
         "chart_stake_profits",
         "График профита для всех ставок по тиражам",
         {manual, script, big},
         3},
        {"RatingsGraphOverlap",
         "chart_match_counts",
         "График количества совпадений для выделенных строк рейтинга",
         {"Нормальные значения", big, manual, script},
         0},
    };
    SelectRows(0, 2);
    for (const TCase& c : cases) {
      QVERIFY(Enabled(c.Command));
      bool checked = false;
      QVERIFY(OpenChart(c.Command, [&](TChartWindow* w) {
        QCOMPARE(w->windowTitle(), c.Title);
        TStatChart* chart = w->Chart();
        QCOMPARE(chart->SeriesCount(), static_cast<int>(c.Series.size()));
        QCOMPARE(chart->LabelledSeriesCount(), c.Labelled);
        QCOMPARE(w->LabelsBox()->text(), QStringLiteral("Отображать метки на графиках"));
        QVERIFY(w->LabelsBox()->isChecked());
        QCOMPARE(w->LabelsBox()->isEnabled(), c.Labelled > 0);
        w->resize(900, 600);
        QApplication::processEvents();
        guitest::SaveScreen(w, c.Screen);
        if (c.Labelled > 0) {
          QTest::mouseClick(w->LabelsBox(), Qt::LeftButton);
          QVERIFY(!chart->ValueLabelsVisible());
          guitest::SaveScreen(w, QString(c.Screen) + "_nolabels");
        }
        checked = true;
      }));
      QVERIFY(checked);
    }
    // The fixed colours: green, blue and red for the profit chart, grey for the normal values; the
    // rows' series get distinct automatic ones.
    const std::optional<TChartData> profit = Ratings().ProfitByDrawChart();
    QVERIFY(profit);
    TChartWindow w(*profit);
    QCOMPARE(w.Chart()->SeriesColor(0), QColor(0, 128, 0));
    QCOMPARE(w.Chart()->SeriesColor(1), QColor(0, 0, 255));
    QCOMPARE(w.Chart()->SeriesColor(2), QColor(255, 0, 0));
    // Draws 30..37 in the order of the journal; the running sum ends at the total profit.
    QCOMPARE(profit->Series[0].Points.size(), size_t{8});
    QCOMPARE(static_cast<double>(profit->Series[2].Points.back().Y), 80.0 - 60.0 + 980.0);
    QCOMPARE(profit->Series[0].Points.front().Label, std::string("31"));
    const std::optional<TChartData> counts = Ratings().MatchCountChart({0, 1, 2});
    QVERIFY(counts);
    TChartWindow w2(*counts);
    QCOMPARE(w2.Chart()->SeriesColor(0), QColor(128, 128, 128));
    QVERIFY(w2.Chart()->SeriesColor(1) != w2.Chart()->SeriesColor(2));
    QVERIFY(w2.Chart()->SeriesColor(2) != w2.Chart()->SeriesColor(3));

    // A double click on the list opens the match-count chart.
    bool opened = false;
    auto* timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, [&] {
      if (auto* cw = qobject_cast<TChartWindow*>(QApplication::activeModalWidget())) {
        timer->stop();
        opened = cw->windowTitle() == cases[3].Title;
        cw->reject();
      }
    });
    timer->start();
    SelectRows(1, 1);
    const QRect cell = List()->visualRect(List()->model()->index(1, 2));
    // The press of a double click comes first.
    QTest::mousePress(List()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    timer->stop();
    QVERIFY(opened);
    QVERIFY(messages_.empty());
  }

  void rowsBackIntoScript() {
    // A row made by a script stake gives back the line that made it; a manual row is refused.
    Ratings().Ratings().Add(Utf8ToCp1251("01.001: прогноз @ FULL#EXT + TSD1#SUMS:10#LNO:#SF:0"), 2, 0);
    Ratings().Ratings().Add(Utf8ToCp1251("Ставка \"вручную\""), 1, 0);
    Ratings().Ratings().Save();
    ShowTab();
    QVERIFY(!Enabled("RatingsToScript"));
    SelectRows(0, 1);
    QVERIFY(Run("RatingsToScript"));
    QCOMPARE(Ws().Script().Count(), 1);
    QCOMPARE(QString::fromStdString(Ws().Script().Line(0)),
             QStringLiteral("FULL#EXT|TSD1#SUMS:10#LNO:#SF:0| | | | | | |01.001: прогноз"));
    QCOMPARE(messages_.size(), size_t{1});
    QVERIFY(messages_[0].Text.startsWith(QStringLiteral("Строку")) &&
            messages_[0].Text.contains(QStringLiteral("Ставка")));
    QCOMPARE(window_->findChild<QTabWidget*>("pcMain")->currentWidget(), static_cast<QWidget*>(window_->ScriptTab()));
    guitest::SaveScreen(window_.get(), "ratings_to_script");
  }

  void chartFailures() {
    const QString failure = QStringLiteral(
        "Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!");
    // Stakes of one source in one draw only.
    AddStake(36, 4, Big);
    AddStake(36, 1, Big);
    ShowTab();
    SelectRows(0, 0);
    for (const char* command : {"StakesGraphOverlap", "StakesGraphProfits"}) {
      messages_.clear();
      QVERIFY(!OpenChart(command, [](TChartWindow*) {}));
      QCOMPARE(messages_.size(), size_t{1});
      QCOMPARE(messages_[0].Kind, TMessageKind::Error);
      QCOMPARE(messages_[0].Text, failure);
    }
  }

  void hundredThousandRows() {
    // 100,000 sources written as the rows of the ratings file.
    TRatings& rows = Ratings().Ratings();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 100000; ++i) rows.Add("Source " + std::to_string(1000000 + i), i % 6, (i % 7 - 3) * 100000);
    ShowTab();
    const qint64 filled = clock.restart();
    // The file written; the list takes the new row count.
    QVERIFY(rows.Save());
    const qint64 saved = clock.restart();
    QCOMPARE(List()->model()->rowCount(), 100000);
    QCOMPARE(window_->StatusText(5), QStringLiteral("Рейтинг: 100000"));
    // The list lays itself out for the new row count, then paints.
    QApplication::processEvents();
    List()->viewport()->repaint();
    const qint64 shown = clock.restart();

    // Scrolling: a page at a time over the whole list, each page painted.
    QScrollBar* bar = List()->verticalScrollBar();
    const int pages = 200;
    int slowest = 0;
    QElapsedTimer page;
    for (int i = 1; i <= pages; ++i) {
      page.start();
      bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * i / pages));
      List()->viewport()->repaint();
      slowest = std::max(slowest, static_cast<int>(page.nsecsElapsed() / 1000));
    }
    const qint64 scrolled = clock.restart();
    QCOMPARE(List()->rowAt(List()->viewport()->height() - 2) >= 99990, true);
    guitest::SaveScreen(List(), "ratings_100000_bottom");

    // A header click sorts the 100,000 rows and writes the file.
    ClickHeader(4);
    const qint64 sorted = clock.restart();
    QCOMPARE(List()->model()->rowCount(), 100000);
    std::printf(
        "ratings list of 100000 rows: filled %lld ms, saved %lld ms, shown %lld ms, %d pages scrolled in %lld ms "
        "(slowest page "
        "%d us), sorted by a header click and saved in %lld ms\n",
        static_cast<long long>(filled), static_cast<long long>(saved), static_cast<long long>(shown), pages,
        static_cast<long long>(scrolled), slowest, static_cast<long long>(sorted));
  }
};

QTEST_MAIN(RatingsTabTest)
#include "RatingsTabTest.moc"
