// The spreadsheet export commands of the window on the demo archive: every view's book read back
// and compared with what its view shows (visible columns in their order, rows in the order shown,
// number cells showing the same text, card colours), the save dialog's answers, the enabled rules,
// menus and context menus, and the full combination list on two sheets with progress shown.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <unistd.h>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/DrawsCsv.h"
#include "core/XlsxReader.h"
#include "gui/GuiTestUtil.h"
#include "shell/CardTab.h"
#include "shell/LayoutTab.h"
#include "shell/MainWindow.h"
#include "shell/RatingsTab.h"
#include "shell/StakesTab.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using test::TXlsxReader;
using test::TXlsxSheet;

namespace {

std::string ColumnName(int c) { return test::XlsxColumnName(size_t(c)); }

QString Shown(const TXlsxSheet& sheet, int row, int column) {
  return QString::fromStdString(sheet.Shown(size_t(row), size_t(column)));
}

// Processor time of the process so far.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The resident memory now, in kB.
long ResidentKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

class XlsxExportTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;  // questions take their default answer
  QStringList dialogs_;            // "caption|filter|suffix" of each save dialog
  QString answer_;                 // the file the save dialog answers ("" cancels)
  std::vector<std::filesystem::path> opened_;

  void Start() {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    window_->SetFileChooser(
        [this](bool save, const QString& caption, const QString& filter, const QString& suffix, const QString&) {
          if (save) dialogs_ << caption + "|" + filter + "|" + suffix;
          return answer_;
        });
    window_->Xlsx().SetOpener([this](const std::filesystem::path& file) { opened_.push_back(file); });
    QVERIFY(guitest::StartWindow(*window_, {1200, 760}));
  }
  TWorkspace& Ws() { return window_->Workspace(); }
  QAction* Action(const QString& name) { return window_->Commands().Action(name); }
  void ShowPage(QWidget* page) {
    window_->findChild<QTabWidget*>("pcMain")->setCurrentWidget(page);
    QApplication::processEvents();
  }
  // Runs an export command answering the dialog with `file`.
  void Run(const QString& command, const std::filesystem::path& file) {
    answer_ = QString::fromStdString(file.string());
    window_->Commands().Update();
    if (!window_->Commands().Trigger(command)) qFatal("%s did not run", qPrintable(command));
  }
  // The same, the book read back.
  TXlsxReader Export(const QString& command, const std::filesystem::path& file) {
    Run(command, file);
    return TXlsxReader(file);
  }
  // The sheet holds the view as shown: captions of the visible columns in visual order, then
  // every row; `rowHeader` adds the vertical header as the first column (the grids).
  static void CompareWithView(const TXlsxSheet& sheet, const QTableView* view, bool rowHeader, QString corner = {}) {
    const QAbstractItemModel* model = view->model();
    const QHeaderView* header = view->horizontalHeader();
    std::vector<int> columns;
    for (int v = 0; v < header->count(); ++v)
      if (!header->isSectionHidden(header->logicalIndex(v))) columns.push_back(header->logicalIndex(v));
    const int first = rowHeader ? 1 : 0;
    QCOMPARE(sheet.Rows, model->rowCount() + 1);
    if (rowHeader) QCOMPARE(Shown(sheet, 0, 0), corner);
    for (size_t c = 0; c < columns.size(); ++c)
      QCOMPARE(Shown(sheet, 0, first + int(c)), model->headerData(columns[c], Qt::Horizontal).toString());
    QCOMPARE(Shown(sheet, 0, first + int(columns.size())), QString());
    for (int r = 0; r < model->rowCount(); ++r) {
      if (rowHeader) QCOMPARE(Shown(sheet, r + 1, 0), model->headerData(r, Qt::Vertical).toString());
      for (size_t c = 0; c < columns.size(); ++c)
        QCOMPARE(Shown(sheet, r + 1, first + int(c)), model->index(r, columns[c]).data().toString());
    }
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    TDrawsArchive archive;
    TRecordingPort port;
    QVERIFY(ImportDrawsCsv(archive, KIVRA_DEMO_DRAWS, port) > 1000);
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(archive.StoredDraws()));
    dialogs_.clear();
    opened_.clear();
  }
  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void everyViewsBookIsWhatItShows() {
    Start();
    // A short list, stakes on it and their rating, so that every view has rows.
    QGuiApplication::clipboard()->setText("1 2 3 4 5\n7 12 19 33 45\n10 20 30 40 44\n");
    window_->Commands().Update();
    QVERIFY(window_->Commands().Trigger("CombsPaste"));
    QCOMPARE(Ws().Combs().List().Count(), 3u);
    const int last = Ws().Archive().Stored(Ws().Archive().High()).Number;
    QVERIFY(Ws().Stakes().AddCombinations(nullptr, last - 4, 3, "тест"));
    window_->Commands().Update();
    QVERIFY(window_->Commands().Trigger("RatingsRefresh"));
    QVERIFY(Ws().Ratings().Ratings().Count() > 0);
    // The statistics table with a column moved; the comparison columns stay hidden.
    QTableView* stat = window_->StatTable();
    stat->horizontalHeader()->moveSection(1, 6);
    QVERIFY(stat->isColumnHidden(ColNorm));

    QTableView* card = window_->CardTab()->Grid();
    QTableView* layout = window_->LayoutTab()->Grid();
    struct TCase {
      QString Command;
      QString Dialog;  // the save dialog's caption
      std::string Sheet;
      QWidget* Page;     // the tab shown first, if any
      QTableView* View;  // what the book must hold
      bool Grid;
    };
    const TCase cases[] = {
        {"DrawsXlsExport", "Экспорт в Microsoft Excel", "Архив тиражей", nullptr, window_->DrawsList(), false},
        {"CombsXlsExport", "Экспорт в Microsoft Excel", "Комбинации", nullptr, window_->CombsList(), false},
        {"DrawsStatExportToExcel", "Экспорт статистики в Microsoft Excel", "Статистика", nullptr, stat, false},
        {"StakesXlsExport", "Экспорт ставок в Microsoft Excel", "Ставки", window_->StakesTab(),
         window_->StakesTab()->Grid(), false},
        {"RatingsXlsExport", "Экспорт рейтинга в Microsoft Excel", "Рейтинг", window_->RatingsTab(),
         window_->RatingsTab()->List(), false},
        {"CardXlsExport", "Экспорт карты тиражей в Microsoft Excel", "Карта", window_->CardTab(), card, true},
        {"LayoutXlsExport", "Экспорт схемы в Microsoft Excel", "Схема", window_->LayoutTab(), layout, true},
    };
    for (const TCase& c : cases) {
      if (c.Page) ShowPage(c.Page);
      dialogs_.clear();
      opened_.clear();
      const auto file = *dir_ / (c.Command.toStdString() + ".xlsx");
      QElapsedTimer timer;
      timer.start();
      Run(c.Command, file);
      // The archive (1,500 draws) and the statistics table: within a second.
      qInfo("%s: %lld ms", qPrintable(c.Command), timer.elapsed());
      // The figure (1 s) is in bench_xlsx; here only a guard against a stall.
      if (!c.Grid) QVERIFY2(timer.elapsed() <= guitest::StallMs, qPrintable(c.Command));
      const TXlsxReader book(file);
      QCOMPARE(dialogs_, QStringList{c.Dialog + "|Книги Microsoft Excel (*.xlsx)|xlsx"});
      QCOMPARE(opened_, std::vector<std::filesystem::path>{file});
      QCOMPARE(book.Sheets.size(), size_t(1));
      QCOMPARE(book.Sheets[0].Name, c.Sheet);
      QVERIFY2(c.View->model()->rowCount() > 0, qPrintable(c.Command));
      const auto* model = c.Grid ? static_cast<const TGridModel*>(c.View->model()) : nullptr;
      CompareWithView(book.Sheets[0], c.View, c.Grid, model ? QString::fromStdString(model->GridText(0, 0)) : "");
      if (QTest::currentTestFailed()) qWarning("in %s", qPrintable(c.Command));
    }

    // The card keeps its colours: every data cell's fill is its background in the grid.
    const TXlsxSheet cardSheet = TXlsxReader(*dir_ / "CardXlsExport.xlsx").Sheets[0];
    int coloured = 0;
    for (int r = 0; r < 30; ++r)
      for (int c = 0; c < card->model()->columnCount(); ++c) {
        const QVariant bg = card->model()->index(r, c).data(Qt::BackgroundRole);
        const auto* cell = cardSheet.At(ColumnName(c + 1) + std::to_string(r + 2));
        const std::optional<uint32_t> fill = cell ? cell->Fill : std::nullopt;
        QCOMPARE(fill.has_value(), bg.isValid());
        if (!fill) continue;
        QCOMPARE(*fill, bg.value<QBrush>().color().rgb() & 0xFFFFFFu);
        ++coloured;
      }
    QVERIFY(coloured > 30);
    // The draws list's numbers are number cells, its dates text.
    const TXlsxSheet draws = TXlsxReader(*dir_ / "DrawsXlsExport.xlsx").Sheets[0];
    QVERIFY(draws.At("B2")->Number && draws.At("A2")->Number);
    QVERIFY(!draws.At("H2")->Number);

    // A cancelled dialog writes and opens nothing.
    opened_.clear();
    answer_.clear();
    QVERIFY(window_->Commands().Trigger("DrawsXlsExport"));
    QVERIFY(opened_.empty());
    guitest::SaveScreen(window_.get(), "xlsx_layout_exported");
  }

  void enabledRulesAndMenus() {
    Start();
    window_->Commands().Update();
    // Empty list, journal and rating; the card and layout tabs hidden by default or shown.
    const std::pair<const char*, bool> enabled[] = {
        {"DrawsXlsExport", true},
        {"CombsXlsExport", Ws().Combs().List().Count() > 0},
        {"StakesXlsExport", false},
        {"RatingsXlsExport", false},
        {"DrawsStatExportToExcel", Ws().StatTab().View().Rows().size() > 0},
    };
    for (auto [name, on] : enabled) QVERIFY2(Action(name)->isEnabled() == on, name);
    for (const char* grid : {"CardXlsExport", "LayoutXlsExport"}) {
      const bool shown = Ws().Views().TabShown(QString(grid).startsWith("Card") ? TViewTab::Card : TViewTab::Layout);
      QCOMPARE(Action(grid)->isEnabled(), shown);
    }
    // Each command in its menu and in its list's context menu.
    auto menuHas = [this](const QString& title, const QString& name) {
      for (QAction* top : window_->menuBar()->actions())
        if (top->text() == title) return top->menu()->actions().contains(Action(name));
      return false;
    };
    const std::tuple<QString, QString, QWidget*> places[] = {
        {"DrawsXlsExport", "&Архив тиражей", window_->DrawsList()},
        {"CombsXlsExport", "&Комбинации", window_->CombsList()},
        {"DrawsStatExportToExcel", "&Статистика", window_->StatTable()},
        {"StakesXlsExport", "&Ставки", window_->StakesTab()->Grid()},
        {"RatingsXlsExport", "&Рейтинг", window_->RatingsTab()->List()},
        {"CardXlsExport", "", window_->CardTab()->Grid()},
        {"LayoutXlsExport", "", window_->LayoutTab()->Grid()},
    };
    for (const auto& [name, menu, list] : places) {
      if (!menu.isEmpty()) QVERIFY2(menuHas(menu, name), qPrintable(name));
      QVERIFY2(list->actions().contains(Action(name)), qPrintable(name));
      QCOMPARE(Action(name)->text().contains("Microsoft Excel"), true);
    }
    // The statistics table's context menu as it pops up.
    QMenu popup;
    popup.addActions(window_->StatTable()->actions());
    popup.adjustSize();
    guitest::SaveScreen(&popup, "xlsx_stat_context_menu");
  }

  void fullListOnTwoSheetsWithProgress() {
    Start();
    QVERIFY(Ws().Combs().GenerateCommand(TGenParams{}, false));
    QApplication::processEvents();
    QCOMPARE(window_->CombsList()->model()->rowCount(), 1221759);
    // The status bar's progress panel shows the export going on, and the window repaints.
    QStringList progress;
    int paints = 0;
    struct TPaintCounter : QObject {
      int* Count;
      explicit TPaintCounter(int* count) : Count(count) {}
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++*Count;
        return false;
      }
    } counter(&paints);
    window_->DrawsList()->viewport()->installEventFilter(&counter);
    // The resident memory sampled while the book is written, its packing at the end included.
    const long rssBefore = ResidentKb();
    std::atomic<long> rssPeak = rssBefore;
    std::atomic<bool> writing = true;
    std::thread sampler([&] {
      while (writing) {
        rssPeak = std::max(rssPeak.load(), ResidentKb());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = CpuSeconds();
    auto* probe = new QTimer(window_.get());
    QObject::connect(probe, &QTimer::timeout, [&] {
      const QString text = window_->StatusText(6);
      if (!text.isEmpty() && (progress.isEmpty() || progress.last() != text)) progress << text;
      window_->DrawsList()->viewport()->update();
    });
    probe->start(0);
    Run("CombsXlsExport", *dir_ / "full.xlsx");
    const qint64 ms = timer.elapsed();
    const double cpu = CpuSeconds() - cpuBefore;
    probe->stop();
    writing = false;
    sampler.join();
    const long growthMb = (rssPeak - rssBefore) / 1024;
    const TXlsxReader book(*dir_ / "full.xlsx", 3);
    qInfo("full list export: %lld ms (%.1f s of processor time), memory growth %ld MB, %d paints, %lld progress texts",
          ms, cpu, growthMb, paints, static_cast<long long>(progress.size()));
#ifndef KIVRA_SANITIZED_BUILD
    // The figure (20 s on two cores) is in bench_xlsx. Other work on the machine stretches the wall
    // clock, so the bound is on the processor time the export took, six times the figure; the wall
    // clock only catches a hang. A sanitized build is several times slower and is not held to it.
    QVERIFY2(cpu <= 120, qPrintable(QString::number(cpu)));
    QVERIFY2(ms <= guitest::StallMs, qPrintable(QString::number(ms)));
    QVERIFY2(growthMb <= 100, qPrintable(QString::number(growthMb)));
#endif
    QVERIFY(progress.size() > 10);
    QVERIFY(progress.last().endsWith("%"));
    QVERIFY(paints > 10);
    QCOMPARE(book.Sheets.size(), size_t(2));
    QCOMPARE(book.Sheets[0].Name, std::string("Комбинации"));
    QCOMPARE(book.Sheets[1].Name, std::string("Комбинации (2)"));
    QCOMPARE(book.Sheets[0].Rows, 1048576);
    QCOMPARE(book.Sheets[1].Rows, 1221759 - 1048575 + 1);
    QCOMPARE(Shown(book.Sheets[1], 0, 0), QStringLiteral("№ п.п."));
    QCOMPARE(Shown(book.Sheets[1], 1, 0), QStringLiteral("1048576"));
    // The status bar says where the book went.
    QCOMPARE(window_->StatusText(6), QStringLiteral("Книга сохранена: ") + QString::fromStdString((*dir_ / "full.xlsx").string()));
  }
};

QTEST_MAIN(XlsxExportTest)
#include "XlsxExportTest.moc"
