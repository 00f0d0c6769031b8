// The tab "Системы" as a user meets it before any catalogue is reached: the placeholder row, system
// play from the local folder through the stake dialog, and the switch "Системная игра" that hides
// and shows the tab with its play commands. Screenshots go to <build>/screens.
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/SystemsTab.h"
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
};

QTEST_MAIN(SystemsTabTest)
#include "SystemsTabTest.moc"
