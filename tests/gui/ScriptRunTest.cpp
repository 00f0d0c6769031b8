// The run commands of the tab "Сценарий" as a user meets them: "Прогноз" with the status panels,
// "Тест" with the dialog "Количество тестов", "Стоп" with its question while a back-test runs (every
// other command disabled meanwhile), and closing the window during a run.
// Screenshots go to <build>/screens.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "gui/GuiTestUtil.h"
#include "scripts/ScriptFile.h"
#include "shell/MainWindow.h"
#include "shell/ScriptTab.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::Child;

namespace {

TDrawsArray SampleDraws() {
  TDrawsArray draws;
  uint32_t x = 77;
  for (int i = 1; i <= 60; ++i) {
    TDraw d;
    d.Number = i;
    TNumSet used;
    for (int k = 0; k < 5;) {
      x = x * 1103515245u + 12345u;
      const auto n = static_cast<uint8_t>(1 + (x >> 16) % 45);
      if (used.Contains(n)) continue;
      used.Include(n);
      d.Nums[k++] = n;
    }
    draws.push_back(d);
  }
  return draws;
}

const std::vector<std::string> Script = {
    "FULL:0#FIRST|TSD1#SUMS:10,20#LMV:1#ST:2|BMD2#EVEN:15#CLV:1#SF:0| | | | | |первая строка",
    "",
    "EXCL:3#EXT|TMF1#NUMS:20#CMV:1#SF:0|TSD6#SUMS:10#LNO:#SE:12| | | | | |вторая строка",
};

// Many variants: a run long enough to be stopped half-way.
const std::vector<std::string> LongScript = {
    "FULL:0#FIRST|TSD1#SUMS:5-400;1#LNO:#ST:1| | | | | | |длинная строка",
};

}  // namespace

class ScriptRunTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;

  TWorkspace& Ws() { return window_->Workspace(); }
  TScriptTab* Tab() { return window_->ScriptTab(); }
  bool Run(const char* name) { return window_->Commands().Trigger(QString::fromLatin1(name)); }
  bool Enabled(const char* name) { return window_->Commands().Action(QString::fromLatin1(name))->isEnabled(); }
  QString Panel(int i) { return Tab()->Panel(i)->text(); }
  void Start(const std::vector<std::string>& script) {
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SampleDraws()));
    test::WriteBytes(*dir_ / "Kivra_5x45.lss", ScriptBytesFromLines(script));
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_, {1200, 760}));
    window_->findChild<QTabWidget*>("pcMain")->setCurrentWidget(Tab());
  }
  // Acts once, in the middle of the run, when the interpreter names the first variant of a filter
  // command in its last panel: the run is then surely under way and far from its end.
  void WhenFirstFilterVariant(std::function<void()> act) {
    auto done = std::make_shared<bool>(false);
    connect(Tab(), &TScriptTab::StatusShown, this, [done, act](int panel, const QString& text) {
      if (*done || panel != 4 || !text.startsWith(QStringLiteral("Фильтр "))) return;
      *done = true;
      act();
    });
  }
  int StakeRecords() {
    int n = 0;
    auto& journal = Ws().Stakes().Journal();
    for (int i = 0; i < journal.Count(); ++i) n += !IsSeparator(journal.Read(TStakeOrigin::Begin, i));
    return n;
  }

 private slots:
  void init() {
    messages_.clear();
    messages_.Answers.clear();
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void forecastShowsItsFiguresInThePanels() {
    Start(Script);
    QVERIFY(Enabled("ScriptRun"));
    QVERIFY(Enabled("ScriptTest"));
    QVERIFY(!Enabled("ScriptStop"));
    QCOMPARE(window_->Commands().Action("ScriptRun")->shortcut(), QKeySequence(Qt::Key_F10));
    QCOMPARE(window_->Commands().Action("ScriptTest")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F10));
    QCOMPARE(window_->Commands().Action("ScriptStop")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    QCOMPARE(window_->Commands().Action("ScriptTest")->statusTip(),
             QStringLiteral("Тестирование сценария на основе результатов предыдуших тиражей"));

    QVERIFY(Run("ScriptRun"));
    QVERIFY(messages_.empty());
    QCOMPARE(StakeRecords(), 3);
    QCOMPARE(Panel(0), QStringLiteral("Строк: 3"));
    QCOMPARE(Panel(1), QStringLiteral("Цикл: 0"));
    QCOMPARE(Panel(2), QStringLiteral("Строка: 0"));
    QCOMPARE(Panel(3), QStringLiteral("Ставок: 3"));
    QCOMPARE(Panel(4), QStringLiteral("Сценарий завершен!"));
    QVERIFY(Tab()->List()->isEnabled());
    QVERIFY(Enabled("ScriptRun"));
    // The statistics tab shows the method the run used last.
    QCOMPARE(window_->StatSelector()->currentData().toInt(), Ws().Stats().FindCode("SUMS"));
    guitest::SaveScreen(window_.get(), "script_run_forecast");

    // Without lines there is nothing to run.
    messages_.Answers = {true};
    Ws().Script().Clear();
    window_->Commands().Update();
    QVERIFY(!Enabled("ScriptRun"));
    QVERIFY(!Enabled("ScriptTest"));
  }

  void backTestAsksForItsCountAndStopsOnlyOnYes() {
    Start(LongScript);
    Ws().SetDrawsOffset(1);
    QString dialogTitle, label;
    int max = 0, initial = 0;
    guitest::WhenModal<QDialog>([&](QDialog* dialog) {
      dialogTitle = dialog->windowTitle();
      label = dialog->findChild<QLabel*>()->text();
      auto* spin = Child<QSpinBox>(dialog, "edTestCount");
      max = spin->maximum();
      initial = spin->value();
      guitest::SaveScreen(dialog, "script_test_count");
      spin->setValue(3);
      guitest::ClickOk(dialog);
    });
    // Half-way through: every other command disabled, the panels current; "Стоп" answered No, then Yes.
    QStringList during;
    bool othersDisabled = false, stopEnabled = false, listDisabled = false, runningAfterNo = false;
    qint64 stopLatency = -1;
    QElapsedTimer sinceStop;
    int offsetAtStop = -1;
    WhenFirstFilterVariant([&] {
      during = {Panel(1), Panel(2), Panel(3), Panel(4)};
      othersDisabled = !Enabled("ScriptRun") && !Enabled("ScriptAdd") && !Enabled("CombsGen");
      stopEnabled = Enabled("ScriptStop");
      listDisabled = !Tab()->List()->isEnabled() && !window_->findChild<QTabWidget*>("pcLists")->widget(1)->isEnabled();
      guitest::SaveScreen(window_.get(), "script_run_backtest_running");
      messages_.Answers = {false};
      Run("ScriptStop");
      runningAfterNo = Ws().Runner().Running() && !Ws().Runner().StopRequested();
      messages_.Answers = {true};
      sinceStop.start();
      Run("ScriptStop");
      offsetAtStop = Ws().Archive().DrawsOffset();
    });
    QVERIFY(Run("ScriptTest"));
    stopLatency = sinceStop.isValid() ? sinceStop.elapsed() : -1;
    QCOMPARE(dialogTitle, QStringLiteral("Количество тестов"));
    QCOMPARE(label, QStringLiteral("Укажите количество тестов:"));
    QCOMPARE(max, 59);
    QCOMPARE(initial, 10);
    QVERIFY2(!during.isEmpty(), "the run never named a filter variant");
    QCOMPARE(during[0], QStringLiteral("Цикл: 1"));
    QCOMPARE(during[1], QStringLiteral("Строка: 1"));
    QVERIFY(during[3].startsWith(QStringLiteral("Фильтр ")));
    QVERIFY(during[3].contains(QStringLiteral(" из 396: TSD#SUMS:")));
    QVERIFY(othersDisabled);
    QVERIFY(stopEnabled);
    QVERIFY(listDisabled);
    QVERIFY(runningAfterNo);
    QCOMPARE(messages_.Texts(),
             (std::vector<QString>{"Остановить выполнение сценария?", "Остановить выполнение сценария?"}));
    // The first cycle hides the three newest draws; stopped there, the archive returns to the offset
    // it had before the test and the panel names the cycle.
    QCOMPARE(offsetAtStop, 3);
    QCOMPARE(Ws().Archive().DrawsOffset(), 1);
    QCOMPARE(Panel(4), QStringLiteral("Тест остановлен на цикле 1 из 3."));
    // The figure (200 ms on a quiet machine) is printed; the test only guards against a run that
    // does not end.
    qInfo("stop answered in %lld ms", static_cast<long long>(stopLatency));
    QVERIFY(stopLatency >= 0 && stopLatency < guitest::StallMs);
    QCOMPARE(Panel(1), QStringLiteral("Цикл: 0"));
    QVERIFY(Enabled("ScriptRun"));
    QVERIFY(!Enabled("ScriptStop"));
    QVERIFY(Tab()->List()->isEnabled());
    guitest::SaveScreen(window_.get(), "script_run_backtest_stopped");

    // Cancelling the dialog runs nothing; nor does OK on a count of 0 or an empty field.
    const int before = StakeRecords();
    guitest::WhenModal<QDialog>([](QDialog* dialog) { dialog->reject(); });
    QVERIFY(Run("ScriptTest"));
    QCOMPARE(StakeRecords(), before);
    for (const int key : {int(Qt::Key_0), int(Qt::Key_Backspace)}) {
      QString typed;
      guitest::WhenModal<QDialog>([&](QDialog* dialog) {
        auto* spin = Child<QSpinBox>(dialog, "edTestCount");
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key(key));
        typed = spin->text();
        // The empty field is confirmed with Enter, which the field reads before the dialog does.
        if (key == Qt::Key_Backspace) QTest::keyClick(spin, Qt::Key_Return);
        else guitest::ClickOk(dialog);
      });
      QVERIFY(Run("ScriptTest"));
      QCOMPARE(typed, key == Qt::Key_0 ? QStringLiteral("0") : QString());
      QCOMPARE(StakeRecords(), before);
      QCOMPARE(Panel(1), QStringLiteral("Цикл: 0"));
    }
  }

  void closingDuringARunAsksFirst() {
    Start(LongScript);
    bool closedOnNo = true;
    WhenFirstFilterVariant([&] {
      messages_.Answers = {false};
      window_->close();
      closedOnNo = !window_->isVisible();
      messages_.Answers = {true};
      window_->close();
    });
    QVERIFY(Run("ScriptRun"));
    QVERIFY(!closedOnNo);
    QCOMPARE(messages_.size(), size_t(2));
    // The close asked for is carried out once the run has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), guitest::StallMs);
  }
};

QTEST_MAIN(ScriptRunTest)
#include "ScriptRunTest.moc"
