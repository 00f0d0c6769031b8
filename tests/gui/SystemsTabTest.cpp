// The tab "Системы" as a user meets it before any catalogue is reached: the placeholder row, system
// play from the local folder through the stake dialog, and the switch "Системная игра" that hides
// and shows the tab with its play commands. Screenshots go to <build>/screens.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/MakeSystemDialog.h"
#include "shell/SystemsTab.h"
#include "stakes/CoverDesign.h"
#include "shell/UnitStake.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

class SystemsTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;

  TWorkspace& Ws() { return window_->Workspace(); }
  QTabWidget* Tabs() { return window_->findChild<QTabWidget*>("pcMain"); }
  bool TabVisible() { return Tabs()->isTabVisible(Tabs()->indexOf(window_->SystemsTab())); }
  std::vector<TStakeData> Stakes() {
    std::vector<TStakeData> result;
    for (int i = 0; i < Ws().Stakes().Journal().Count(); ++i) {
      TStakeData r = Ws().Stakes().Journal().Read(TStakeOrigin::Begin, i);
      if (!IsSeparator(r)) result.push_back(r);
    }
    return result;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    TDrawsArray draws;
    for (int i = 1; i <= 20; ++i) {
      TDraw d;
      d.Number = i;
      d.Nums = {uint8_t(1 + i), uint8_t(10 + i), uint8_t(20 + i), 40, 45};
      draws.push_back(d);
    }
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(draws));
    // The full list's numbers in first-seen order are 1..45: position k is number k.
    std::filesystem::create_directories(*dir_ / "Systems");
    WriteFileAtomic(*dir_ / "Systems" / "5-45-2_0007.dat", "1 2 3 4 5\r\n45 44 43 42 41\r\n");
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.clear();
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_, {1200, 700}));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void placeholderPlayAndSwitch() {
    QVERIFY(TabVisible());
    TSystemsTab* tab = window_->SystemsTab();
    QCOMPARE(tab->Model()->rowCount(), 1);
    QStringList headers, cells;
    for (int c = 0; c < 11; ++c) {
      headers << tab->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      cells << tab->Model()->index(0, c).data().toString();
    }
    QCOMPARE(headers, (QStringList{"Название", "Автор", "Числа", "Блок", "Комбинаций", "Дата создания", "Статус",
                                   "Загрузок", "Последняя", "Комментарии", "Ссылка"}));
    QCOMPARE(cells[0], QStringLiteral("Список систем не доступен!"));
    for (int c = 1; c < 11; ++c) QVERIFY(cells[c].isEmpty());
    Tabs()->setCurrentWidget(tab);
    guitest::SaveScreen(window_.get(), "systems_tab");

    // System play over the whole list: the dialog comes prefilled.
    QString comment;
    guitest::WhenModal<TMultiStakeDialog>([&](TMultiStakeDialog* dialog) {
      comment = dialog->findChild<QLineEdit*>()->text();
      guitest::SaveScreen(dialog, "systems_stake_dialog");
      guitest::ClickOk(dialog);
    });
    QCOMPARE(window_->Commands().Action("SystemStakeAll")->text(), QStringLiteral("Cистемная игра по списку системы"));
    QVERIFY(window_->Commands().Trigger("SystemStakeAll"));
    QCOMPARE(comment, QStringLiteral("Системная игра для 45 чисел [вся система]: 5-45-2_0007"));
    auto stakes = Stakes();
    QCOMPARE(stakes.size(), size_t(2));
    QCOMPARE(QString::fromStdString(StakeNumbersText(stakes[1].Numbers, " ")), QStringLiteral("41 42 43 44 45"));
    QCOMPARE(int(stakes[1].Kind), int(StakeSystem));
    QCOMPARE(stakes[1].SampleSize, 2);

    // Hidden: the tab, its play commands and its list go; the switch is kept.
    QVERIFY(window_->Commands().Trigger("SystemsOn"));
    QVERIFY(!TabVisible());
    QVERIFY(!window_->Commands().Action("SystemStakeAll")->isVisible());
    QVERIFY(!window_->Commands().Action("SystemsOn")->isChecked());
    QCOMPARE(tab->Model()->rowCount(), 0);
    QVERIFY(!Ws().Settings().ReadSetting(StateSettingsSection, "SystemsEnabled", true));
    QVERIFY(window_->Commands().Trigger("SystemsOn"));
    QVERIFY(TabVisible());
    QCOMPARE(Tabs()->currentWidget(), static_cast<QWidget*>(tab));
    QVERIFY(window_->Commands().Action("SystemsOn")->isChecked());
    QVERIFY(messages_.empty());
  }

  // "Создать систему...": N defaults to the list's distinct numbers; the system made is shown with
  // its lower bound and saved, after the question, in place of the other system for that N; system
  // play then uses it.
  void makeAndSaveOwnSystem() {
    std::filesystem::create_directories(*dir_ / "Systems");
    WriteFileAtomic(*dir_ / "Systems" / "5-11-3_0042.dat", "1 2 3 4 5\r\n");
    QAction* make = window_->Commands().Action("SystemMake");
    QCOMPARE(make->text(), QStringLiteral("Создать систему..."));
    QVERIFY(make->isVisible() && make->isEnabled());
    messages_.Answers = {true};
    int defaultNums = 0;
    std::vector<TComb> shown;
    QString result;
    bool finished = false, saved = false;
    guitest::WhenModal<TMakeSystemDialog>([&](TMakeSystemDialog* dialog) {
      defaultNums = guitest::Child<QSpinBox>(dialog, "edNums")->value();
      QVERIFY(!guitest::Child<QPushButton>(dialog, "btnSave")->isEnabled());
      guitest::Child<QSpinBox>(dialog, "edNums")->setValue(11);
      guitest::Child<QSpinBox>(dialog, "edGuarantee")->setValue(4);
      guitest::Child<QSpinBox>(dialog, "edDrawn")->setValue(4);
      guitest::Child<QSpinBox>(dialog, "edSeconds")->setValue(600);
      QSignalSpy finishedSpy(dialog, &TMakeSystemDialog::SearchFinished);
      // The search runs inside the click, processing events between its rounds.
      guitest::ClickButton(dialog, "btnStart");
      finished = finishedSpy.count() == 1 && finishedSpy.at(0).at(0).toBool();
      shown = dialog->Blocks();
      result = guitest::Child<QLabel>(dialog, "lbResult")->text();
      guitest::SaveScreen(dialog, "systems_make_dialog");
      QSignalSpy savedSpy(dialog, &TMakeSystemDialog::Saved);
      guitest::ClickButton(dialog, "btnSave");
      saved = savedSpy.count() == 1;
      guitest::SaveScreen(dialog, "systems_make_saved");
      guitest::ClickButton(dialog, "btnClose");
    });
    QVERIFY(window_->Commands().Trigger("SystemMake"));
    QCOMPARE(defaultNums, 45);
    QVERIFY(finished);
    QVERIFY(saved);
    // S(4,5,11) has 66 blocks, the lower bound; the search ends when it reaches it.
    QCOMPARE(int(shown.size()), 66);
    QCOMPARE(result, QStringLiteral("Система \"4 если 4\" для 11 чисел.\nКомбинаций: 66, нижняя граница: 66, гарантия проверена"));
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].Text,
             QStringLiteral("Для 11 чисел уже есть система \"5-11-3_0042\".\n\nЗаменить ее новой системой?"));
    // The file: the system's lines as the catalogue's systems are written, and nothing else for N.
    QVERIFY(!std::filesystem::exists(*dir_ / "Systems" / "5-11-3_0042.dat"));
    const std::string text = test::ReadBytes(*dir_ / "Systems" / "5-11-0_0000.dat");
    QCOMPARE(text, CoverFileText(shown));
    std::vector<TComb> lines;
    std::string error;
    QVERIFY(ParseSystemText(text, 11, lines, error, true));
    QVERIFY(VerifyCover({11, 4, 4}, lines).Ok);
    const TByteArray numbers = {3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23};
    const TSystemExpansion play = SystemExpand(Ws().Systems().Folder(), numbers);
    QVERIFY(play.Ok);
    QCOMPARE(play.File.filename().string(), std::string("5-11-0_0000.dat"));
    QCOMPARE(play.Combs.size(), size_t(66));
  }

  // "Стоп" during the search: the best design so far is shown, checked; declining the question
  // leaves the other system of that N in place.
  void stopKeepsBestAndDeclinedSaveWritesNothing() {
    std::filesystem::create_directories(*dir_ / "Systems");
    WriteFileAtomic(*dir_ / "Systems" / "5-20-1_0009.dat", "1 2 3 4 5\r\n");
    messages_.Answers = {false};
    std::vector<TComb> shown;
    QString progress;
    bool stoppedEarly = false;
    guitest::WhenModal<TMakeSystemDialog>([&](TMakeSystemDialog* dialog) {
      guitest::Child<QSpinBox>(dialog, "edNums")->setValue(20);
      guitest::Child<QSpinBox>(dialog, "edGuarantee")->setValue(3);
      guitest::Child<QSpinBox>(dialog, "edDrawn")->setValue(4);
      guitest::Child<QSpinBox>(dialog, "edSeconds")->setValue(3600);
      // Once a design is there, "Стоп" is pressed at the next report.
      connect(dialog, &TMakeSystemDialog::ProgressShown, dialog, [dialog, &progress](qint64 blocks) {
        auto* stop = guitest::Child<QPushButton>(dialog, "btnStop");
        if (blocks == 0 || !stop->isEnabled()) return;
        progress = guitest::Child<QLabel>(dialog, "lbProgress")->text();
        guitest::SaveScreen(dialog, "systems_make_running");
        QTest::mouseClick(stop, Qt::LeftButton);
      });
      guitest::ClickButton(dialog, "btnStart");
      shown = dialog->Blocks();
      stoppedEarly = guitest::Child<QLabel>(dialog, "lbProgress")->text().startsWith(QStringLiteral("Поиск остановлен"));
      guitest::ClickButton(dialog, "btnSave");
      guitest::ClickButton(dialog, "btnClose");
    });
    QVERIFY(window_->Commands().Trigger("SystemMake"));
    QVERIFY(stoppedEarly);
    QVERIFY(progress.startsWith(QStringLiteral("Поиск системы: найдено ")));
    QVERIFY(!shown.empty());
    QVERIFY(VerifyCover({20, 3, 4}, shown).Ok);
    QCOMPARE(messages_.Texts(), std::vector<QString>{QStringLiteral(
                                    "Для 20 чисел уже есть система \"5-20-1_0009\".\n\nЗаменить ее новой системой?")});
    QVERIFY(std::filesystem::exists(*dir_ / "Systems" / "5-20-1_0009.dat"));
    QVERIFY(!std::filesystem::exists(*dir_ / "Systems" / "5-20-0_0000.dat"));
  }
};

QTEST_MAIN(SystemsTabTest)
#include "SystemsTabTest.moc"
