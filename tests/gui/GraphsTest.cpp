// The "Графики" tab, the repeats window, the sum chart, the information window and the shredding
// formula dialog driven as a user would, on the demo archive. Screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QXYSeries>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/DrawsCsv.h"
#include "gui/ChartTestUtil.h"
#include "gui/GuiTestUtil.h"
#include "shell/ChartWindow.h"
#include "shell/GraphsTab.h"
#include "shell/InfoWindow.h"
#include "shell/MainWindow.h"
#include "shell/RepeatsWindow.h"
#include "shell/ShreddingDialog.h"
#include "shell/StatChart.h"
#include "views/InfoView.h"
#include "views/RepeatsView.h"
#include "views/SumDistribution.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

class GraphsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;  // questions take their default answer

  void Start() {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_, {1200, 760}));
  }

  TWorkspace& Ws() { return window_->Workspace(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  QTabWidget* Tabs() { return window_->findChild<QTabWidget*>("pcMain"); }
  TGraphsTab* Graphs() { return window_->GraphsTab(); }
  std::string Settings() { return test::ReadBytes(*dir_ / "Kivra_5x45.frm"); }
  static QXYSeries* Line(TStatChart* chart, int k) {
    int seen = 0;
    for (QAbstractSeries* s : chart->Chart()->series())
      if (auto* xy = qobject_cast<QXYSeries*>(s); xy && !xy->name().isEmpty() && seen++ == k) return xy;
    return nullptr;
  }
  // Types the text over the field's whole text, as a user would (the value is not committed).
  static void Type(QSpinBox* field, const char* text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromLatin1(text));
  }
  static void PressEnter(QWidget* field) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
  }
  static QStringList Row(QTableWidget* list, int r) {
    QStringList cells;
    for (int c = 0; c < list->columnCount(); ++c) cells << (list->item(r, c) ? list->item(r, c)->text() : QString());
    return cells;
  }
  static void SelectRow(QTableView* view, int row) {
    view->setCurrentIndex(view->model()->index(row, 0));
    view->selectRow(row);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    TDrawsArchive archive;
    TRecordingPort port;
    QVERIFY(ImportDrawsCsv(archive, KIVRA_DEMO_DRAWS, port) > 1000);
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(archive.StoredDraws()));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  // The tab opens with the first entry drawn; choosing an entry draws it over the window; the marks
  // box, the length field with Enter, the unforced refresh that keeps the chart while its inputs
  // are unchanged, and hiding the tab.
  void graphsTabDrawsTheChosenStatistic() {
    Start();
    Tabs()->setCurrentWidget(Graphs());
    QComboBox* selector = Graphs()->Selector();
    const auto& items = window_->ChartItems();
    QCOMPARE(selector->count(), int(items.size()));
    QCOMPARE(selector->itemText(0), QString::fromStdString(items[0].Caption));
    QCOMPARE(selector->currentIndex(), 0);
    TStatChart* chart = Graphs()->Chart();
    QCOMPARE(chart->SeriesCount(), 3);
    QCOMPARE(Line(chart, 0)->name(), selector->itemText(0));
    QCOMPARE(Line(chart, 0)->count(), 100);
    QVERIFY(window_->Commands().Action("DrawsGraphDraw")->isEnabled());
    for (const QSize size : {QSize(1366, 768), QSize(1024, 700)}) {
      window_->resize(size);
      guitest::SettleLayout();
      const QString cut =
          guitest::LegendCut(chart, {Line(chart, 0)->name(), Line(chart, 1)->name(), Line(chart, 2)->name()});
      QVERIFY2(cut.isEmpty(), qPrintable(cut));
      guitest::SaveScreen(window_.get(), QStringLiteral("graphs_first_show_%1").arg(size.width()));
    }
    window_->resize(1200, 760);

    int sums = -1;
    for (size_t k = 0; k < items.size(); ++k)
      if (Ws().Stats().Code(items[k].Index) == "SUMS") sums = int(k);
    QVERIFY(sums > 0);
    selector->setCurrentIndex(sums);
    QCOMPARE(chart->SeriesCount(), 3);
    QXYSeries* values = Line(chart, 0);
    QVERIFY(values);
    QCOMPARE(values->name(), selector->currentText());
    QCOMPARE(values->count(), 100);
    const TDrawsArchive& archive = Ws().Archive();
    const TDraw& newest = archive.Stored(archive.High());
    int sum = 0;
    for (uint8_t n : newest.Nums) sum += n;
    QCOMPARE(values->at(99), QPointF(newest.Number, sum));
    QCOMPARE(Line(chart, 1)->name(), QStringLiteral("Среднее значение"));
    QCOMPARE(Line(chart, 2)->name(), QStringLiteral("Наиболее часто встречающееся значение"));
    QVERIFY(chart->ValueLabelsVisible());
    QTest::qWait(50);  // the chart lays its axes out when events run
    guitest::SaveScreen(window_.get(), "graphs_marks_on");
    Graphs()->MarksBox()->setChecked(false);
    QVERIFY(!chart->ValueLabelsVisible());
    QCOMPARE(chart->LabelledSeriesCount(), 1);
    QTest::qWait(50);
    guitest::SaveScreen(window_.get(), "graphs_marks_off");

    // Enter in the length field with a value within its limits draws the new window.
    Type(Graphs()->LengthField(), "30");
    PressEnter(Graphs()->LengthField());
    QCOMPARE(Line(chart, 0)->count(), 30);

    // Unforced refreshes build only when an input changed: the offset moves the window.
    chart->Clear();
    window_->RefreshAllViews(false);
    QCOMPARE(chart->SeriesCount(), 0);
    window_->OffsetField()->setValue(2);
    QCOMPARE(chart->SeriesCount(), 3);
    QCOMPARE(Line(chart, 0)->at(29).x(), qreal(archive.Stored(archive.High() - 2).Number));

    // Hidden, the tab builds nothing; its switch is written at once and read at the next start.
    QVERIFY(Run("TabGraps"));
    QVERIFY(!Tabs()->isTabVisible(Tabs()->indexOf(Graphs())));
    QVERIFY(Settings().find("TabGraphs=0") != std::string::npos);
    window_->close();
    QVERIFY(Settings().find("DrawsGraphLen=30") != std::string::npos);
    window_.reset();
    Start();
    QVERIFY(!Tabs()->isTabVisible(Tabs()->indexOf(Graphs())));
    QCOMPARE(Graphs()->LengthField()->value(), 30);
    QVERIFY(Run("TabGraps"));
    QCOMPARE(Tabs()->currentWidget(), Graphs());
  }

  // The repeats window computes once when it opens, again on Enter, and keeps its lengths in its
  // own section.
  void repeatsWindowListsAndCharts() {
    Start();
    bool seen = false;
    // The window is modal while it computes (its progress lets timers run): act once it is idle.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer, &seen] {
      auto* w = qobject_cast<TRepeatsWindow*>(QApplication::activeModalWidget());
      if (w == nullptr || !Ws().Port().IsIdle()) return;
      timer->deleteLater();
      timer->stop();
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([w] { w->reject(); });
      const TRepeatsResult expected = AnalyzeRepeats(Ws().Archive(), 100, 100);
      QCOMPARE(w->List()->rowCount(), int(expected.Rows.size()));
      QCOMPARE(w->List()->horizontalHeaderItem(3)->text(), QStringLiteral("Список тиражей"));
      const TRepeatsRow& first = expected.Rows.front();
      QCOMPARE(Row(w->List(), 0), QStringList({QString::number(first.Draw), QString::number(first.Matches),
                                               QString::number(first.Count), QString::fromStdString(first.List)}));
      QCOMPARE(w->Chart()->SeriesCount(), expected.MaxMatches);
      guitest::SaveScreen(w, "repeats_window");
      Type(w->LengthField(), "1");
      Type(w->DeepField(), "1");
      PressEnter(w->DeepField());
      const TRepeatsResult one = AnalyzeRepeats(Ws().Archive(), 1, 1);
      QCOMPARE(w->List()->rowCount(), int(one.Rows.size()));
      seen = true;
    });
    timer->start(10);
    QVERIFY(Run("AnalyzeRepeats"));
    QVERIFY(seen);
    QVERIFY(Settings().find("[TFormRepeats]") != std::string::npos);
    const TWindowSettings& s = Ws().Settings();
    QCOMPARE(s.ReadSetting(RepeatsSection, "DrawsLength", int64_t{0}), int64_t{1});
    QCOMPARE(s.ReadSetting(RepeatsSection, "DrawsDeep", int64_t{0}), int64_t{1});
    QVERIFY(s.ReadSetting(RepeatsSection, "GraphHeight", int64_t{0}) > 50);
  }

  void sumChartIsModalAndTitledWithTheCommand() {
    Start();
    bool seen = false;
    guitest::WhenModal<TChartWindow>([&](TChartWindow* w) {
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([w] { w->reject(); });
      QCOMPARE(w->windowTitle(), window_->Commands().Action("TotalSumCombs")->text());
      QCOMPARE(w->Chart()->SeriesCount(), 5);
      const TSumDistribution d = BuildSumDistribution(Ws().Archive());
      QCOMPARE(Line(w->Chart(), 2)->name(), QString::fromStdString(d.LevelTitle(0)));
      QCOMPARE(Line(w->Chart(), 1)->count(), CombSumCount);
      guitest::SaveScreen(w, "sum_distribution");
      // The ranges, the chart's result, show whole at the common screen sizes.
      QStringList titles;
      for (int k = 0; k < 5; ++k) titles << Line(w->Chart(), k)->name();
      for (int k = 0; k < 3; ++k) QCOMPARE(titles[k + 2], QString::fromStdString(d.LevelTitle(k)));
      for (const QSize size : {QSize(1366, 768), QSize(1024, 700)}) {
        w->resize(size);
        guitest::SettleLayout();
        const QString cut = guitest::LegendCut(w->Chart(), titles);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        guitest::SaveScreen(w, QStringLiteral("sum_distribution_%1").arg(size.width()));
      }
      seen = true;
    });
    QVERIFY(Run("TotalSumCombs"));
    QVERIFY(seen);
  }

  // A double click on a draw opens its information; the combination command opens one without the
  // draw rows; the column field lays the card out again.
  void informationWindowForADrawAndACombination() {
    Start();
    const TDrawsArchive& archive = Ws().Archive();
    QTableView* draws = window_->DrawsList();
    const QPoint at = draws->visualRect(draws->model()->index(1, 0)).center();
    bool seen = false;
    guitest::WhenModal<TInfoWindow>([&](TInfoWindow* w) {
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([w] { w->reject(); });
      const TDraw& draw = archive.Stored(archive.High() - 1);
      QCOMPARE(w->windowTitle(), QStringLiteral("Подробная информация"));
      QCOMPARE(Row(w->List(), 0), QStringList({"Номер тиража:", QString::number(draw.Number)}));
      QCOMPARE(Row(w->List(), 1), QStringList({"Дата тиража:", QString::fromStdString(draw.DateText())}));
      const TInfoRows rows = BuildInfoRows(Ws().Stats(), DrawInfoSubject(archive, archive.High() - 1, false));
      QCOMPARE(w->List()->rowCount(), int(rows.size()));
      QCOMPARE(w->List()->item(5, 1)->textAlignment(), int(Qt::AlignCenter));
      // The property names show whole up to a width that keeps the window on a small screen.
      int widest = 0;
      for (const auto& row : rows)
        widest = std::max(widest, w->List()->fontMetrics().horizontalAdvance(QString::fromStdString(row.first)));
      QVERIFY2(w->List()->columnWidth(0) >= std::min(widest, 480), qPrintable(QString::number(widest)));
      QCOMPARE(w->Card()->columnCount(), Ws().Config().Data.MatrixCols);
      const int n = draw.Nums[0], c = w->Card()->columnCount();
      QCOMPARE(w->Card()->item((n - 1) / c, (n - 1) % c)->text(), QString::number(n));
      guitest::SaveScreen(w, "info_draw");
      seen = true;
    });
    QTest::mouseClick(draws->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(draws->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(seen);

    QVERIFY(Ws().Combs().PasteText("4 7 12 33 40\n"));
    SelectRow(window_->CombsList(), 0);
    seen = false;
    guitest::WhenModal<TInfoWindow>([&](TInfoWindow* w) {
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([w] { w->reject(); });
      const TInfoRows rows = BuildInfoRows(Ws().Stats(), CombInfoSubject(archive, {4, 7, 12, 33, 40}, false));
      QCOMPARE(w->List()->rowCount(), int(rows.size()));
      QCOMPARE(Row(w->List(), 0),
               QStringList({QString::fromStdString(rows[0].first), QString::fromStdString(rows[0].second)}));
      w->ColumnsField()->setValue(9);
      QCOMPARE(w->Card()->rowCount(), 5);
      QCOMPARE(w->Card()->columnCount(), 9);
      struct Cell {
        int row, column;
        const char* text;
      } cells[] = {{0, 3, "4"}, {0, 6, "7"}, {1, 2, "12"}, {3, 5, "33"}, {4, 3, "40"}, {0, 0, ""}};
      for (const Cell& cell : cells) QCOMPARE(w->Card()->item(cell.row, cell.column)->text(), cell.text);
      const TCellColor color = PlacementCellColor(1, 2, 9, Ws().Config().Data.ChannelSize);
      QVERIFY(color);
      QCOMPARE(w->Card()->item(1, 2)->background().color(),
               QColor(int(*color >> 16 & 0xFF), int(*color >> 8 & 0xFF), int(*color & 0xFF)));
      guitest::SaveScreen(w, "info_combination_9_columns");
      seen = true;
    });
    QVERIFY(Run("CombsInfo"));
    QVERIFY(seen);
  }

  // OK writes the formulas at once, renames the methods in both selectors and, with the comparison
  // off, deletes the group's full-set files; Cancel changes nothing.
  void shreddingFormulasConfirmedAndCancelled() {
    Start();
    QStringList file;
    for (QAction* a : window_->menuBar()->actions())
      if (a->text() == QStringLiteral("&Файл"))
        for (QAction* item : a->menu()->actions())
          if (!item->objectName().isEmpty()) file << item->objectName();
    QCOMPARE(file.mid(file.indexOf("EditConfig"), 3), QStringList({"EditConfig", "EditShredding", "EditProxy"}));

    const int shr1 = Ws().Stats().FindCode("SHR1");
    QVERIFY(shr1 >= 0);
    QVERIFY(!Ws().StatTab().PrefetchsEnabled());
    const auto cache = Ws().StatTab().CacheFileName(shr1);
    std::filesystem::create_directories(cache.parent_path());
    test::WriteBytes(cache, "old");
    const std::string before = test::ReadBytes(Ws().ConfigPath());

    guitest::WhenModal<TShreddingDialog>([](TShreddingDialog* d) {
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([d] { d->reject(); });
      QCOMPARE(d->windowTitle(), QStringLiteral("Методы шинковки"));
      d->FormulaField(0)->setText("n5-n1");
      d->DigitsField(0)->setValue(3);
    });
    QVERIFY(Run("EditShredding"));
    QCOMPARE(test::ReadBytes(Ws().ConfigPath()), before);
    QVERIFY(std::filesystem::exists(cache));

    guitest::WhenModal<TShreddingDialog>([](TShreddingDialog* d) {
      // A failed check returns early: the window closes all the same.
      auto close = qScopeGuard([d] { d->reject(); });
      QCOMPARE(d->FormulaField(0)->text(), QStringLiteral("(n1+n2+n3)/(n4+n5)"));
      QCOMPARE(d->DigitsField(1)->value(), 2);
      d->FormulaField(0)->setText("(n1+n5)/n3");
      d->DigitsField(0)->setValue(3);
      guitest::SaveScreen(d, "shredding_dialog");
      close.dismiss();
      d->accept();
    });
    QVERIFY(Run("EditShredding"));
    const std::string after = test::ReadBytes(Ws().ConfigPath());
    QVERIFY(after.find("Formula1=(n1+n5)/n3") != std::string::npos);
    QVERIFY(after.find("Formula1Digits=3") != std::string::npos);
    QCOMPARE(Ws().Config().Shredding.Digits[0], 3);
    QVERIFY(!std::filesystem::exists(cache));
    const QString name = QStringLiteral("Метод шинковки 1: (n1+n5)/n3");
    QVERIFY(window_->StatSelector()->findText(name, Qt::MatchContains) >= 0);
    QVERIFY(Graphs()->Selector()->findText(name, Qt::MatchContains) >= 0);
  }
};

QTEST_MAIN(GraphsTest)
#include "GraphsTest.moc"
