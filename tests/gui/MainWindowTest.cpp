// The main window driven as a user would: start on a small data folder, the archive and its
// offset, the statistics table's filters with undo, combination files, the clipboard, the busy
// state and the settings written on closing. Screenshots go to <build>/screens.
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QClipboard>
#include <QComboBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/IniFile.h"
#include "shell/RatingsTab.h"
#include "shell/StakesTab.h"
#include "stakes/Prizes.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/WebLinks.h"
#include "shell/StatChart.h"
#include "shell/UnitConfig.h"
#include "shell/UnitDraw.h"
#include "shell/UnitFavorites.h"
#include "shell/UnitGen.h"
#include "shell/WindowPlacement.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

namespace {

// 40 draws numbered 1..40 with different, fixed numbers.
TDrawsArray SampleDraws() {
  TDrawsArray draws;
  uint32_t seed = 12345;
  for (int i = 1; i <= 40; ++i) {
    TDraw d;
    d.Number = i;
    TNumSet used;
    for (int k = 0; k < 5;) {
      seed = seed * 1103515245u + 12345u;
      const uint8_t n = static_cast<uint8_t>(1 + (seed >> 16) % 45);
      if (used.Contains(n)) continue;
      used.Include(n);
      d.Nums[k++] = n;
    }
    d.SetDateText("2026-01-01");
    draws.push_back(d);
  }
  return draws;
}

using guitest::ClickButton;
using guitest::ClickOk;
using guitest::WhenModal;

}  // namespace

class MainWindowTest : public QObject {
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
  }

  TWorkspace& Ws() { return window_->Workspace(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  void SelectRows(QTableView* view, int first, int last) {
    view->clearSelection();
    view->selectionModel()->select(QItemSelection(view->model()->index(first, 0), view->model()->index(last, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws()));
    messages_.clear();
    messages_.Answers.clear();
    Start();
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  // The page commands follow section LINKS: without addresses disabled, with one enabled and
  // opening it; an address that is not http or https keeps its command disabled.
  void webPageCommandsFollowTheirAddresses() {
    QVERIFY(!window_->Commands().Action("OpenLotoSite")->isEnabled());
    QVERIFY(!window_->Commands().Action("urlTG")->isEnabled());
    window_.reset();
    TIniFile ini = TIniFile::Load(*dir_ / "Kivra_5x45.ini");
    ini.WriteString("LINKS", "LotoSite", "https://lottery.example.org/");
    ini.WriteString("LINKS", "TG", "file:///etc/passwd");
    ini.Save(*dir_ / "Kivra_5x45.ini");
    Start();
    std::vector<QUrl> opened;
    SetWebPageOpener([&opened](const QUrl& url) { opened.push_back(url); });
    window_->Commands().Update();
    QVERIFY(window_->Commands().Action("OpenLotoSite")->isEnabled());
    QVERIFY(!window_->Commands().Action("urlTG")->isEnabled());
    QVERIFY(Run("OpenLotoSite"));
    SetWebPageOpener(nullptr);
    QCOMPARE(opened, std::vector<QUrl>{QUrl("https://lottery.example.org/")});
  }

  void startsOnTheDataFolder() {
    QVERIFY(
        window_->windowTitle().startsWith(QStringLiteral("Анализ статистики лотереи \"КИВРА Вирма 5 из 45\" версия ")));
    QCOMPARE(window_->StatusText(0), QStringLiteral("Архив тиражей: 40"));
    QCOMPARE(window_->StatusText(1), QStringLiteral("Следующий тираж: 41"));
    QCOMPARE(window_->StatusText(3), QStringLiteral("Комбинаций: 1221759"));
    QCOMPARE(window_->CombsList()->model()->rowCount(), 1221759);
    QCOMPARE(window_->DrawsList()->model()->rowCount(), 40);
    // Newest first.
    QCOMPARE(window_->DrawsList()->model()->index(0, 0).data().toInt(), 40);
    // The first entry of the selector is computed over the whole archive.
    QVERIFY(window_->StatSelector()->count() > 100);
    QCOMPARE(window_->StatSelector()->currentIndex(), 0);
    QVERIFY(window_->StatTable()->model()->rowCount() > 0);
    QVERIFY(window_->StatChart()->SeriesCount() > 0);
    QVERIFY(messages_.empty());
    guitest::SaveScreen(window_.get(), "main_start");
  }

  void offsetMovesTheStatusAndTheTable() {
    const TDraw hidden = Ws().Archive().Stored(37);  // draw 38, the first one hidden by offset 3
    window_->OffsetField()->setValue(3);
    QCOMPARE(Ws().Archive().DrawsOffset(), 3);
    QCOMPARE(window_->StatusText(1), QStringLiteral("Следующий тираж: 38"));
    QCOMPARE(window_->StatusText(2), QString::fromStdString(CombToText(hidden.Nums)));
    QCOMPARE(Ws().StatTab().View().Last(), 36);
    // The row of the latest visible draw is marked.
    QCOMPARE(window_->DrawsList()->model()->index(3, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
             QColor(0xFF, 0xAA, 0xAA));
    guitest::SaveScreen(window_.get(), "main_offset");
  }

  void deletesSelectedDrawsAfterConfirmation() {
    SelectRows(window_->DrawsList(), 0, 1);  // draws 40 and 39
    messages_.Answers = {false};
    QVERIFY(Run("DrawsDel"));
    QCOMPARE(Ws().Archive().Count(), 40);
    QCOMPARE(messages_.back().Caption, QStringLiteral("Предупреждение"));
    QCOMPARE(messages_.back().Text,
             QStringLiteral("Удалить все выделенные записи (всего будет удалено 2 записи(ей))?"));
    SelectRows(window_->DrawsList(), 0, 1);
    messages_.Answers = {true};
    QVERIFY(Run("DrawsDel"));
    QCOMPARE(Ws().Archive().Count(), 38);
    QCOMPARE(window_->StatusText(0), QStringLiteral("Архив тиражей: 38"));
    // The file follows.
    QCOMPARE(test::ReadBytes(*dir_ / "Kivra_5x45.ldr").size(), size_t{38 * 20});
    QVERIFY(!window_->Commands().Action("DrawsDel")->isEnabled());
  }

  void statisticRowsKeepAndRemoveThenUndo() {
    // Numbers statistic: keep the combinations holding one of the first three values shown.
    QTableView* table = window_->StatTable();
    SelectRows(table, 0, 2);
    QVERIFY(Run("StatFilter_Include"));
    const uint32_t kept = Ws().Combs().List().Count();
    QVERIFY(kept > 0 && kept < 1221759u);
    QCOMPARE(window_->StatusText(3), QStringLiteral("Комбинаций: %1").arg(kept));
    QCOMPARE(window_->FiltersLog()->model()->rowCount(), 1);
    QCOMPARE(window_->CombsList()->model()->rowCount(), int(kept));
    window_->findChild<QTabWidget*>("pcLists")->setCurrentIndex(1);

    SelectRows(table, 0, 0);
    QVERIFY(Run("StatFilter_Exclude"));
    QVERIFY(Ws().Combs().List().Count() < kept);
    QCOMPARE(window_->FiltersLog()->model()->rowCount(), 2);
    guitest::SaveScreen(window_.get(), "main_filters_log");

    QVERIFY(Run("CombsUndo"));
    QCOMPARE(Ws().Combs().List().Count(), kept);
    QCOMPARE(window_->FiltersLog()->model()->rowCount(), 1);
    // One level only.
    QVERIFY(!window_->Commands().Action("CombsUndo")->isEnabled());
    QVERIFY(!Run("CombsUndo"));
  }

  void statisticsInListColumn() {
    // Off at start: the column is hidden and the switch is not in the settings.
    QTableView* table = window_->StatTable();
    QVERIFY(table->isColumnHidden(ColInList));
    QVERIFY(!Ws().Settings().ReadSetting(StateSettingsSection, "ShowInList", false));
    QTest::mouseClick(guitest::Child<QCheckBox>(window_.get(), "chkInList"), Qt::LeftButton);
    QVERIFY(Ws().StatTab().ShowInList());
    QVERIFY(Ws().Settings().ReadSetting(StateSettingsSection, "ShowInList", false));
    QVERIFY(!table->isColumnHidden(ColInList));
    QCOMPARE(table->horizontalHeader()->visualIndex(ColInList), 1);  // after "Значение"
    QCOMPARE(table->model()->headerData(ColInList, Qt::Horizontal).toString(), QStringLiteral("В списке"));
    auto cell = [&](int row) { return table->model()->index(row, ColInList).data().toString(); };

    // Three rows: the status names the count of a keep by them, which the keep then leaves.
    SelectRows(table, 0, 2);
    const QString status = window_->StatusText(6);
    QVERIFY2(status.startsWith(QStringLiteral("Выделено: 3 строк, в списке: ")), qPrintable(status));
    guitest::SaveScreen(window_.get(), "main_stat_inlist");
    QVERIFY(Run("StatFilter_Include"));
    QCOMPARE(status, QStringLiteral("Выделено: 3 строк, в списке: %1").arg(Ws().Combs().List().Count()));
    QVERIFY(Run("CombsUndo"));

    // One row: its cell is what the keep leaves; after it, the column follows the new list.
    const QString first = cell(0);
    SelectRows(table, 0, 0);
    QVERIFY(Run("StatFilter_Include"));
    QCOMPARE(first, QString::number(Ws().Combs().List().Count()));
    QTRY_COMPARE_WITH_TIMEOUT(cell(0), first, guitest::StallMs);  // every combination left shows the value
    QTRY_VERIFY_WITH_TIMEOUT(cell(1).toUInt() < first.toUInt() || table->model()->rowCount() == 1, guitest::StallMs);

    // Sorted by the column, then switched off: hidden again, the sort back on "Количество".
    table->horizontalHeader()->sectionClicked(ColInList);
    QCOMPARE(Ws().StatTab().View().SortColumn(), ColInList);
    QTest::mouseClick(guitest::Child<QCheckBox>(window_.get(), "chkInList"), Qt::LeftButton);
    QVERIFY(table->isColumnHidden(ColInList));
    QCOMPARE(Ws().StatTab().View().SortColumn(), int(ColCount));
  }

  void removesTheLatestDrawsOnEnter() {
    window_->ExcludeField()->setFocus();
    window_->ExcludeField()->setValue(5);
    QTest::keyClick(window_->ExcludeField(), Qt::Key_Return);
    QCOMPARE(Ws().Combs().List().Count(), 1221759u - 5u);
    QCOMPARE(Ws().Combs().List().Log().back().Caption, std::string("Последние тиражи"));
  }

  void savesAndOpensACombinationFile() {
    SelectRows(window_->StatTable(), 0, 0);
    QVERIFY(Run("StatFilter_Include"));
    const std::vector<TComb> before(Ws().Combs().List().Items().begin(), Ws().Combs().List().Items().end());
    chosenFile_ = QString::fromStdString((*dir_ / "kept.lcv").string());
    QVERIFY(Run("CombsSave"));
    QVERIFY(Run("CombsSelectAll"));
    QVERIFY(Run("CombsDelSelected"));
    QCOMPARE(Ws().Combs().List().Count(), 0u);
    QVERIFY(Run("CombsOpen"));
    QCOMPARE(Ws().Combs().List().Count(), uint32_t(before.size()));
    QVERIFY(std::equal(before.begin(), before.end(), Ws().Combs().List().Items().begin()));
    // Opening starts an empty log (the emptied list it replaced cannot be undone: undo needs entries).
    QVERIFY(!Ws().Combs().List().CanUndo());
    QCOMPARE(window_->FiltersLog()->model()->rowCount(), 0);
    QVERIFY(messages_.empty());
  }

  void copiesAndPastesThroughTheClipboard() {
    SelectRows(window_->CombsList(), 10, 12);
    QVERIFY(Run("CombsCopy"));
    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text.count('\n') + (text.endsWith('\n') ? 0 : 1), 3);
    const TComb first = Ws().Combs().List()[10];
    QVERIFY(Run("CombsPaste"));
    QCOMPARE(Ws().Combs().List().Count(), 3u);
    QVERIFY(Ws().Combs().List()[0] == first);

    QGuiApplication::clipboard()->setText(QStringLiteral("1 2 3\n"));
    QVERIFY(Run("CombsPaste"));
    QCOMPARE(Ws().Combs().List().Count(), 3u);  // the previous list comes back
    QCOMPARE(messages_.back().Text, QStringLiteral("Некорректная комбинация: \"1 2 3\"!"));
  }

  void busyDisablesEveryCommand() {
    Ws().Port().BeginBusy();
    window_->Commands().Update();
    QVERIFY(!window_->Commands().Action("CombsGen")->isEnabled());
    QVERIFY(!window_->Commands().Action("DrawsAdd")->isEnabled());
    QVERIFY(!Run("CombsSelectAll"));
    QVERIFY(window_->Commands().Action("ExitProgram")->isEnabled());
    Ws().Port().EndBusy();
    window_->Commands().Update();
    QVERIFY(window_->Commands().Action("CombsGen")->isEnabled());
  }

  void comparisonSwitchBuildsTheFileAndShowsItsColumns() {
    QVERIFY(window_->StatTable()->isColumnHidden(ColNorm));
    QVERIFY(Run("DrawsStatePrefetchsEnabled"));
    QVERIFY(Ws().StatTab().PrefetchsEnabled());
    QVERIFY(!window_->StatTable()->isColumnHidden(ColNorm));
    QVERIFY(std::filesystem::exists(*dir_ / "Prefetchs" / "Kivra_5x45_NUMS.dfc"));
    QVERIFY(Ws().StatTab().View().ComparisonActive());
    QCOMPARE(window_->StatChart()->SeriesCount() >= 2, true);
    guitest::SaveScreen(window_.get(), "main_comparison");
  }

  void addsAndEditsDrawsThroughTheDialog() {
    bool refusedAndOpen = false;
    WhenModal<TEditDrawDialog>([&](TEditDrawDialog* d) {
      QCOMPARE(d->windowTitle(), QStringLiteral("Введите данные следующего тиража"));
      auto* numbers = d->findChild<QLineEdit*>("edNumbers");
      numbers->setText("1;2;3;4;46");
      ClickOk(d);
      refusedAndOpen = d->isVisible() && messages_.size() == 1 &&
                       messages_.back().Text.startsWith(QStringLiteral("Введена некорректная комбинация!\nУкажите пять"));
      guitest::SaveScreen(d, "main_draw_dialog");
      numbers->setText("5, 4, 3, 2, 1");
      ClickOk(d);
    });
    QVERIFY(Run("DrawsAdd"));
    QVERIFY(refusedAndOpen);
    QCOMPARE(Ws().Archive().Count(), 41);
    QCOMPARE(Ws().Archive().Stored(40).Number, 41);
    QVERIFY((Ws().Archive().Stored(40).Nums == TComb{5, 4, 3, 2, 1}));
    QCOMPARE(window_->StatusText(0), QStringLiteral("Архив тиражей: 41"));
    QCOMPARE(window_->DrawsList()->model()->index(0, 0).data().toInt(), 41);

    SelectRows(window_->DrawsList(), 1, 1);  // draw 40
    messages_.clear();
    WhenModal<TEditDrawDialog>([&](TEditDrawDialog* d) {
      // Another draw's number is refused, naming it, and the dialog stays open.
      auto* number = d->findChild<QSpinBox*>("seNumber");
      number->setValue(39);
      d->findChild<QLineEdit*>("edNumbers")->setText("10 20 30 40 45");
      ClickOk(d);
      refusedAndOpen = d->isVisible() && messages_.size() == 1 &&
                       messages_[0].Text.startsWith(QStringLiteral("Тираж № 39 уже есть в архиве!"));
      number->setValue(40);
      ClickOk(d);
    });
    QVERIFY(Run("DrawsEdit"));
    QVERIFY(refusedAndOpen);
    QCOMPARE(Ws().Archive().Count(), 41);
    QVERIFY((Ws().Archive().Stored(39).Nums == TComb{10, 20, 30, 40, 45}));
    QCOMPARE(Ws().Archive().Stored(39).Number, 40);
  }

  void generatesWithEveryMode() {
    SelectRows(window_->StatTable(), 0, 0);
    QVERIFY(Run("StatFilter_Include"));
    chosenFile_ = QString::fromStdString((*dir_ / "list.lcv").string());
    QVERIFY(Run("CombsSave"));
    const uint32_t saved = Ws().Combs().List().Count();

    struct TCase {
      int Mode;
      QString Param;
      uint32_t Count;
    };
    // 6 numbers: any of them C(45,5)-C(39,5), only them C(6,5), none of them C(39,5).
    const std::vector<TCase> cases = {{1, "1,2,3,4,5,6", 646002u}, {2, "1;2;3;4;5;6", 6u},  {2, "1 2 3 4 5 6 7", 21u},
                                      {3, "1,2,3,4,5,6", 575757u}, {4, chosenFile_, saved}, {0, "", 1221759u}};
    for (const TCase& c : cases) {
      WhenModal<TGenerateDialog>([&](TGenerateDialog* d) {
        d->findChild<QComboBox*>("cbMode")->setCurrentIndex(c.Mode);
        d->findChild<QLineEdit*>("edParam")->setText(c.Param);
        if (c.Mode == 2) guitest::SaveScreen(d, "main_generate_dialog");
        ClickOk(d);
      });
      QVERIFY(Run("CombsGen"));
      QCOMPARE(Ws().Combs().List().Count(), c.Count);
      QCOMPARE(window_->CombsList()->model()->rowCount(), int(c.Count));
      QVERIFY(Ws().Combs().List().CanUndo());  // the replaced list comes back by "Отменить"
      QCOMPARE(window_->FiltersLog()->model()->rowCount(), 0);
    }
    QVERIFY(messages_.empty());

    // Fewer than 5 numbers for "only mine": refused with the reason, the dialog stays open and the
    // list stays as it was.
    bool refusedAndOpen = false;
    WhenModal<TGenerateDialog>([&](TGenerateDialog* d) {
      d->findChild<QComboBox*>("cbMode")->setCurrentIndex(2);
      d->findChild<QLineEdit*>("edParam")->setText("1 2 3 46");
      ClickOk(d);
      refusedAndOpen = d->isVisible() && messages_.size() == 1 &&
                       messages_[0].Text.startsWith(QStringLiteral("Распознано чисел от 1 до 45: 3."));
      d->reject();
    });
    QVERIFY(Run("CombsGen"));
    QVERIFY(refusedAndOpen);
    QCOMPARE(Ws().Combs().List().Count(), 1221759u);
  }

  void replacedListsComeBackByUndo() {
    SelectRows(window_->StatTable(), 0, 0);
    QVERIFY(Run("StatFilter_Include"));
    const uint32_t kept = Ws().Combs().List().Count();
    chosenFile_ = QString::fromStdString((*dir_ / "three.lcv").string());
    test::WriteBytes(*dir_ / "three.lcv", "1;2;3;4;5\r\n6;7;8;9;10\r\n11;12;13;14;15\r\n");
    QGuiApplication::clipboard()->setText(QStringLiteral("1 2 3 4 5\n"));
    const std::vector<std::pair<const char*, std::function<void()>>> replacements = {
        {"CombsGen", [] { WhenModal<TGenerateDialog>([](TGenerateDialog* d) { ClickOk(d); }); }},
        {"CombsOpen", [] {}},
        {"CombsPaste", [] {}},
    };
    for (const auto& [command, prepare] : replacements) {
      prepare();
      QVERIFY2(Run(command), command);
      QVERIFY2(Ws().Combs().List().Count() != kept, command);
      QCOMPARE(window_->FiltersLog()->model()->rowCount(), 0);
      QVERIFY2(window_->Commands().Action("CombsUndo")->isEnabled(), command);
      QVERIFY(Run("CombsUndo"));
      QCOMPARE(Ws().Combs().List().Count(), kept);
      QCOMPARE(window_->FiltersLog()->model()->rowCount(), 1);
    }
    QVERIFY(messages_.empty());
  }

  // The first start in a folder writes the configuration file the messages name; an empty prize
  // table and an empty archive say what to do and where.
  void firstStartSaysWhatToDo() {
    const TIniFile ini = TIniFile::Load(*dir_ / "Kivra_5x45.ini");
    QVERIFY(ini.KeyExists("DOWNLOAD", "ResultsUrl"));
    QVERIFY(ini.KeyExists("STAKES", "Cost"));
    auto* tabs = window_->findChild<QTabWidget*>("pcMain");
    tabs->setCurrentWidget(window_->StakesTab());
    QVERIFY(window_->StakesTab()->Notice()->isVisible());
    QCOMPARE(window_->StakesTab()->Notice()->text(), QString::fromStdString(std::string(PrizeTableNotice)).replace('\r', '\n'));
    QVERIFY(!window_->RatingsTab()->Notice()->isHidden());
    guitest::SaveScreen(window_.get(), "main_prize_notice");
    auto* drawsNotice = window_->findChild<QLabel*>("lbDrawsNotice");
    QVERIFY(drawsNotice->isHidden());

    // A prize that pays something: the notices go.
    TConfigData data = Ws().Config().Data;
    data.Profits = {{3, 50 * MoneyScale}};
    Ws().ApplyConfig(data);
    window_->UpdatePrizeNotices();
    QVERIFY(window_->StakesTab()->Notice()->isHidden());

    window_.reset();
    std::filesystem::remove(*dir_ / "Kivra_5x45.ldr");
    Start();
    window_->resize(1024, 700);
    drawsNotice = window_->findChild<QLabel*>("lbDrawsNotice");
    QVERIFY(drawsNotice->isVisible());
    QVERIFY(drawsNotice->text().startsWith(QStringLiteral("Архив тиражей пуст.")));
    QVERIFY(drawsNotice->text().contains(QString::fromStdString((*dir_ / "Kivra_5x45.ini").string())));
    guitest::SaveScreen(window_.get(), "main_empty_archive");
  }

  // Whatever the window's least size, its title bar starts on the screen (the offscreen screen is
  // smaller than the design size).
  void titleBarStaysOnTheScreen() {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(window_->y() >= avail.top() && window_->x() >= avail.left(),
             qPrintable(QStringLiteral("%1,%2 on %3x%4").arg(window_->x()).arg(window_->y()).arg(avail.width()).arg(avail.height())));
  }

  void importSaysWhatItAddedAndSkipped() {
    const int before = Ws().Archive().Count();
    const int next = Ws().Archive().NextDrawNumber(0);
    chosenFile_ = QString::fromStdString((*dir_ / "import.csv").string());
    test::WriteBytes(*dir_ / "import.csv", "Номер;Дата;Числа\r\n" + std::to_string(next) +
                                               ";\"01.02.2026\";1;2;3;4;5\r\n1;\"x\";1;2;3;4;5\r\n");
    QVERIFY(Run("DrawsImport"));
    QCOMPARE(Ws().Archive().Count(), before + 1);
    QCOMPARE(messages_.Texts(), std::vector<QString>{QStringLiteral("Добавлено тиражей: 1, пропущено строк: 2")});
  }

  void configurationChangeRebuildsTheSelectors() {
    window_->StatSelector()->setCurrentIndex(5);
    const int before = window_->StatSelector()->count();
    WhenModal<TEditConfigDialog>([&](TEditConfigDialog* d) {
      d->findChild<QSpinBox*>("seChannel")->setValue(7);
      ClickOk(d);
    });
    QVERIFY(Run("EditConfig"));
    QCOMPARE(Ws().Config().Data.ChannelSize, 7);
    // Fewer channels, fewer channel-count entries; the selection stays at its position.
    QVERIFY(window_->StatSelector()->count() < before);
    QCOMPARE(window_->StatSelector()->currentIndex(), 5);
    QCOMPARE(Ws().StatTab().Item(), window_->StatSelector()->currentData().toInt());
    const TIniFile ini = TIniFile::FromText(test::ReadBytes(*dir_ / "Kivra_5x45.ini"));
    QCOMPARE(ini.ReadString("GLOBAL", "ChannelSize", ""), std::string("7"));
  }

  void favouritesManagerConfirmsAndCancels() {
    const int all = window_->StatSelector()->count();
    WhenModal<TFavoritesDialog>([&](TFavoritesDialog* d) {
      ClickButton(d, "btnClearAll");
      ClickButton(d, "btnCancel");
    });
    QVERIFY(Run("FiltersManager"));
    QCOMPARE(window_->StatSelector()->count(), all);

    WhenModal<TFavoritesDialog>([&](TFavoritesDialog* d) {
      ClickButton(d, "btnClearAll");
      auto* tree = d->findChild<QTreeWidget*>("tvMethods");
      QTreeWidgetItem* first = tree->topLevelItem(0)->child(0);  // NUMS
      first->setCheckState(0, Qt::Checked);
      guitest::SaveScreen(d, "main_favorites");
      ClickOk(d);
    });
    QVERIFY(Run("FiltersManager"));
    QCOMPARE(window_->StatSelector()->count(), 1);
    QCOMPARE(Ws().Stats().Code(Ws().StatTab().Item()), std::string("NUMS"));
    const TIniFile names = TIniFile::FromText(test::ReadBytes(*dir_ / "Kivra_5x45.flt"));
    QCOMPARE(names.ReadString("FILTERS", "Favorites", ""), std::string("NUMS"));

    messages_.Answers = {true};
    QVERIFY(Run("FiltersReset"));
    QCOMPARE(window_->StatSelector()->count(), all);
  }

  void switchesIgnoreCaseAndPrefix() {
    const QStringList args = {"Kivra_5x45", "-FULLREFRESH", "/Restart", "\\no-language", "--data-dir", "x"};
    QVERIFY(HasSwitch(args, "fullrefresh"));
    QVERIFY(HasSwitch(args, "restart"));
    QVERIFY(HasSwitch(args, "no-language"));
    QVERIFY(!HasSwitch(args, "fullrecreate"));
    QVERIFY(!HasSwitch({"fullrefresh"}, "fullrefresh"));  // the program's own path is no switch
    const TStartOptions o = TStartOptions::Parse(args);
    QVERIFY(o.FullRefresh && o.Restart && o.NoLanguage && !o.FullRecreate);
    QCOMPARE(QString::fromStdString(o.DataDir.string()), QStringLiteral("x"));
  }

  void placementPrefersTheKeysOfTheScreenSize() {
    TWindowSettings settings(*dir_ / "placement.frm");
    const QRect current(10, 20, 300, 200);
    settings.WriteSetting("W", "PixelsPerInch", int64_t{96});
    settings.WriteSetting("W", "NormPos", "100,100,900,700");
    TPlacement p = ReadPlacement(settings, "W", QSize(1280, 800), 96, current);
    QVERIFY(p.HasPosition);
    QCOMPARE(p.Normal, QRect(100, 100, 800, 600));
    settings.WriteSetting("W", "NormPos_1280x800", "50 60 , 650");  // bottom missing: the current one
    p = ReadPlacement(settings, "W", QSize(1280, 800), 96, current);
    QCOMPARE(p.Normal, QRect(50, 60, 600, 220 - 60));
    // Another density: the saved position is ignored.
    QVERIFY(!ReadPlacement(settings, "W", QSize(1280, 800), 144, current).HasPosition);
    // left >= right: not applied.
    settings.WriteSetting("W", "NormPos_1280x800", "500,0,400,300");
    QVERIFY(!ReadPlacement(settings, "W", QSize(1280, 800), 96, current).HasPosition);
  }

  void refreshUsesTheTypedLength() {
    QSpinBox* length = window_->StatLengthField();
    length->setFocus();
    length->selectAll();
    QTest::keyClicks(length, "25");  // typed, no Return
    QTest::mouseClick(window_->findChild<QWidget*>("btnDrawsStatCalc"), Qt::LeftButton);
    QCOMPARE(Ws().StatTab().View().DrawCount(), 25);
    QCOMPARE(length->value(), 25);
  }

  void keyboardMovesBetweenListsAndRunsTheArchiveCommands() {
    QVERIFY(QTest::qWaitForWindowActive(window_.get(), guitest::StallMs));
    // Tab leaves a list at once.
    QTableView* table = window_->StatTable();
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Tab);
    QVERIFY(!table->hasFocus());

    // Keep, remove, undo with the keyboard only.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_F7);
    const uint32_t kept = Ws().Combs().List().Count();
    QVERIFY(kept < 1221759u);
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_F7, Qt::ControlModifier);
    QVERIFY(Ws().Combs().List().Count() < kept);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Ws().Combs().List().Count(), kept);

    // The archive list: Ins adds, Enter edits the current draw, Del deletes after the confirmation.
    QTableView* draws = window_->DrawsList();
    window_->findChild<QTabWidget*>("pcLists")->setCurrentIndex(0);
    draws->setFocus();
    draws->setCurrentIndex(draws->model()->index(0, 0));  // draw 40
    QStringList shown;
    WhenModal<TEditDrawDialog>([&](TEditDrawDialog* d) {
      shown << QString::number(d->findChild<QSpinBox*>("seNumber")->value());
      d->reject();
    });
    QTest::keyClick(draws, Qt::Key_Insert);
    WhenModal<TEditDrawDialog>([&](TEditDrawDialog* d) {
      shown << QString::number(d->findChild<QSpinBox*>("seNumber")->value());
      d->reject();
    });
    QTest::keyClick(draws, Qt::Key_Return);
    QCOMPARE(shown, (QStringList{"41", "40"}));
    messages_.Answers = {true};
    QTest::keyClick(draws, Qt::Key_Delete);
    QCOMPARE(messages_.back().Caption, QStringLiteral("Предупреждение"));
    QCOMPARE(Ws().Archive().Count(), 39);
  }

  void everythingReachableAt1024x700() {
    window_->resize(1024, 700);
    QVERIFY(window_->minimumSizeHint().width() <= 1024);
    QCOMPARE(window_->width(), 1024);
    window_->findChild<QTabWidget*>("pcLists")->setCurrentIndex(1);
    QTest::qWait(50);
    const QRect inside = window_->rect();
    for (const char* name :
         {"btnFiltersInfo", "btnStatFilter_Include", "btnStatFilter_Exclude", "btnDrawsStatCalc", "chkPrefetchs",
          "chkTotalLine", "btnCombsGen", "btnCombsUndo", "btnCombsDelExists", "chartDrawsStat"}) {
      auto* w = window_->findChild<QWidget*>(name);
      QVERIFY2(w && w->isVisible(), name);
      const QRect r(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
      QVERIFY2(inside.contains(r), name);
    }
    guitest::SaveScreen(window_.get(), "main_1024x700");
  }

  void closingWritesTheWindowSettings() {
    window_->StatLengthField()->setValue(25);
    QTest::keyClick(window_->StatLengthField(), Qt::Key_Return);
    QCOMPARE(Ws().StatTab().View().DrawCount(), 25);
    window_->close();
    window_.reset();
    const TIniFile ini = TIniFile::FromText(test::ReadBytes(*dir_ / "Kivra_5x45.frm"));
    QCOMPARE(ini.ReadString("TFormMain", "DrawsStatLen", ""), std::string("25"));
    QVERIFY(!ini.ReadString("TFormMain", "NormPos", "").empty());
    QVERIFY(!ini.ReadString("TFormMain", "lvCombs.Column0", "").empty());
    Start();
    QCOMPARE(window_->StatLengthField()->value(), 25);
    QCOMPARE(Ws().StatTab().View().DrawCount(), 25);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
