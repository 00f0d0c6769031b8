// The program update in the window, through a local update folder: the commands and their menu,
// the dialog "Найдена новая версия программы" declined and accepted, the progress windows, the
// restart after an installed update, and the quiet check at start-up.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <set>

#include "TempDir.h"
#include "core/TextCodec.h"
#include "core/Version.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/UnitUpdate.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

class UpdateTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;
  int restarts_ = 0;
  std::filesystem::path updates_;

  // The update folder offers build 7 of the running version's line, with a Russian description;
  // the package is a shell script that waits a little (the progress shows) and leaves one file.
  void Offer(bool offered) {
    const auto folder = updates_ / "autoupdates";
    std::filesystem::create_directories(folder / "UpdDescr");
    test::WriteBytes(updates_ / "setup.upd", "#!/bin/sh\nsleep 0.4\nprintf 'обновлено' > updated.txt\n");
    const std::string verId = "0.1.0.7";
    test::WriteBytes(folder / "Sorta_AU.cfg",
                     "[Kivra_5x45]\r\n" + (offered ? "VerId=" + verId + "\r\n" : std::string()) +
                         "Description=Kivra_5x45 0.1 (сборка 7)\r\nDownloadUrl=" + (updates_ / "setup.upd").string() +
                         "\r\nOriginalFileName=setup.sh\r\nChecksumCRC32=" + FileCrc32Text(updates_ / "setup.upd") +
                         "\r\n");
    test::WriteBytes(folder / "UpdDescr" / ("UpdDescr_RUS_" + verId + ".txt"),
                     Utf8ToCp1251("Что нового:\r\n- ускорен расчет статистики;\r\n- исправлены ошибки.\r\n"));
  }

  // Starts the window on the temporary folder (program and data), with the update folder as the
  // update address unless `address` is false. Waits for the initialisation when asked.
  void Start(bool address, bool waitInit = true) {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    options.Arguments = {"--data-dir", QString::fromStdString(dir_->Path().string()), "-loadonly"};
    if (address) options.Online.UpdateUrl = updates_.string();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    window_->SetRestartStarter([this] {
      ++restarts_;
      return true;
    });
    QVERIFY(guitest::StartWindow(*window_, {}, waitInit));
  }

  // Grabs each progress window (by its text) once while it is on screen.
  void WatchProgress(std::set<QString>& seen) {
    auto* timer = new QTimer(window_.get());
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, [&seen] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* progress = qobject_cast<TUpdateProgress*>(w);
        if (!progress || !progress->isVisible() || seen.count(progress->Text())) continue;
        // The search once it has fetched the description, the installation while the package runs.
        if (progress->Position() < (progress->Steps() == 5 ? 3 : 5)) continue;
        seen.insert(progress->Text());
        guitest::SaveScreen(progress, progress->Steps() == 5 ? "update_progress_search" : "update_progress_install");
      }
    });
    timer->start();
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    updates_ = dir_->Path() / "updates";
    messages_.clear();
    restarts_ = 0;
  }
  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void commandsAndMenu() {
    Start(false);
    TCommandMap& commands = window_->Commands();
    commands.Update();
    // No update address: no check at start and "Поиск обновлений" disabled.
    QVERIFY(!commands.Action("CheckUpdate")->isEnabled());
    QVERIFY(commands.Action("AutoSelfUpdate")->isChecked());
    QCOMPARE(commands.Action("CheckUpdate")->text(), QStringLiteral("Поиск обновлений"));
    QCOMPARE(commands.Action("AutoSelfUpdate")->text(), QStringLiteral("Автоматическое обновление"));
    QMenu* help = nullptr;
    for (QAction* a : window_->menuBar()->actions())
      if (a->text() == QStringLiteral("&Справка")) help = a->menu();
    QVERIFY(help);
    QStringList items;
    for (QAction* a : help->actions()) items << a->text();
    const qsizetype about = items.indexOf(QStringLiteral("О программе"));
    QVERIFY(about >= 0);
    QCOMPARE(items.mid(about, 4), (QStringList{"О программе", "", "Автоматическое обновление", "Поиск обновлений"}));
    // The switch is written at once.
    QVERIFY(commands.Trigger("AutoSelfUpdate"));
    QVERIFY(!commands.Action("AutoSelfUpdate")->isChecked());
    QCOMPARE(window_->Workspace().Settings().ReadSetting("TFormMain", "AutoUpdates", true), false);
    QVERIFY(messages_.empty());

    window_.reset();
    Start(true);
    window_->Commands().Update();
    QVERIFY(window_->Commands().Action("CheckUpdate")->isEnabled());
    QVERIFY(!window_->Commands().Action("AutoSelfUpdate")->isChecked());
  }

  void checkDeclinedThenInstalled() {
    test::WriteBytes(*dir_ / "Kivra_5x45.frm", "[TFormMain]\r\nAutoUpdates=0\r\n");
    Offer(true);
    Start(true);
    QVERIFY(messages_.empty());  // the start-up check is off

    // Declined: the dialog shows both versions and the description; nothing changes.
    bool shown = false;
    guitest::WhenModal<TUpdateDialog>([&shown](TUpdateDialog* d) {
      shown = d->windowTitle() == QStringLiteral("Найдена новая версия программы") &&
              guitest::Child<QLineEdit>(d, "edCurrentVersion")->text() == QStringLiteral(KIVRA_FILE_VERSION) &&
              guitest::Child<QLineEdit>(d, "edNewVersion")->text() == QStringLiteral("Kivra_5x45 0.1 (сборка 7)") &&
              guitest::Child<QPlainTextEdit>(d, "memDescription")->toPlainText() ==
                  QStringLiteral("Что нового:\n- ускорен расчет статистики;\n- исправлены ошибки.") &&
              guitest::Child<QPlainTextEdit>(d, "memDescription")->isReadOnly() &&
              guitest::Child<QPushButton>(d, "btnInstall")->toolTip() == QStringLiteral("Установить это обновление") &&
              guitest::Child<QPushButton>(d, "btnCancel")->toolTip() == QStringLiteral("Отказаться от обновления");
      guitest::SaveScreen(d, "update_dialog");
      guitest::ClickButton(d, "btnCancel");
    });
    QVERIFY(window_->Commands().Trigger("CheckUpdate"));
    QVERIFY(shown);
    QVERIFY(messages_.empty());
    QCOMPARE(restarts_, 0);
    QVERIFY(window_->isVisible());

    // Installed: both progress windows show, the file arrives, the program restarts.
    std::set<QString> progress;
    WatchProgress(progress);
    guitest::WhenModal<TUpdateDialog>([](TUpdateDialog* d) { guitest::ClickButton(d, "btnInstall"); });
    QVERIFY(window_->Commands().Trigger("CheckUpdate"));
    QCOMPARE(progress, (std::set<QString>{QStringLiteral("Поиск доступных обновлений..."),
                                          QStringLiteral("Загрузка и установка обновления \"0.1.0.7\"...")}));
    QCOMPARE(messages_.size(), size_t{1});
    QCOMPARE(messages_[0].Kind, TMessageKind::Warning);
    QCOMPARE(messages_[0].Text, QStringLiteral("Установка обновления \"Kivra_5x45 0.1 (сборка 7)\" успешно "
                                               "выполнена.\n\nДля завершения установки необходимо перезапустить "
                                               "программу!"));
    QCOMPARE(QString::fromStdString(test::ReadBytes(*dir_ / "updated.txt")), QStringLiteral("обновлено"));
    QCOMPARE(restarts_, 1);
    // The new start keeps the data folder, not the one-shot switches.
    QCOMPARE(window_->RestartArguments(),
             (QStringList{"--data-dir", QString::fromStdString(dir_->Path().string()), "restart"}));
    QVERIFY(!window_->isVisible());
  }

  void quietStartUpCheck() {
    // Nothing offered, or no description at all: the start-up says nothing and goes on.
    for (bool folderThere : {true, false}) {
      if (folderThere) Offer(false);
      else std::filesystem::remove_all(updates_);
      Start(true);
      QVERIFY(messages_.empty());
      QCOMPARE(restarts_, 0);
      QVERIFY(!std::filesystem::exists(*dir_ / "SelfUpdates.inf"));
      window_.reset();
    }

    // An update offered at start: installed, then the program restarts and the start-up ends.
    Offer(true);
    guitest::WhenModal<TUpdateDialog>([](TUpdateDialog* d) { guitest::ClickButton(d, "btnInstall"); });
    Start(true, false);
    QSignalSpy ready(window_.get(), &TTemplateMain::InitialisationDone);
    QTRY_COMPARE_WITH_TIMEOUT(restarts_, 1, guitest::StallMs);
    QCOMPARE(ready.count(), 0);
    QVERIFY(!window_->isVisible());
    QCOMPARE(messages_.size(), size_t{1});
    QCOMPARE(messages_[0].Kind, TMessageKind::Warning);
    QVERIFY(std::filesystem::exists(*dir_ / "updated.txt"));
  }
};

QTEST_MAIN(UpdateTest)
#include "UpdateTest.moc"
