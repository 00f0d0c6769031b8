// The draws download in the window: the start-up question, the wait window and its "Отмена", the
// start-up modes and the archive panel's button, against a server on 127.0.0.1.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <atomic>
#include <memory>

#include "../online/ZipHelpers.h"
#include "TempDir.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/UnitWait.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

namespace {

std::pair<std::string, std::string> ResultFile(int first, int last) {
  std::string text = "header\r\n";
  for (int n = last; n >= first; --n)
    text += std::to_string(n) + ";01.02.2024;0;0;" + std::to_string(n % 45 + 1) + ";" +
            std::to_string((n + 9) % 45 + 1) + ";" + std::to_string((n + 18) % 45 + 1) + ";" +
            std::to_string((n + 27) % 45 + 1) + ";" + std::to_string((n + 36) % 45 + 1) + "\r\n";
  return {"Virma_Results__" + std::to_string(first) + "-" + std::to_string(last) + ".csv", text};
}

}  // namespace

class DownloadTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<test::TTestServer> server_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;
  std::atomic<bool> holdAnswer_{false};  // the server answers only once the test lets it
  std::string zip_;

  void Start() {
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = dir_->Path();
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    QVERIFY(guitest::StartWindow(*window_));
  }
  TWorkspace& Ws() { return window_->Workspace(); }
  // Lets the start-up steps queued after initialisation run.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      QApplication::processEvents();
      QTest::qWait(10);
    }
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TTempDir>();
    server_ = std::make_unique<test::TTestServer>();
    server_->Server.Get("/virma_csv.zip", [this](const httplib::Request&, httplib::Response& res) {
      for (int waited = 0; holdAnswer_ && waited < guitest::StallMs; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      res.set_content(zip_, "application/zip");
    });
    server_->Start();
    zip_ = test::MakeZip({ResultFile(1, 30)});
    test::WriteBytes(*dir_ / "Kivra_5x45.ini", "[DOWNLOAD]\r\nResultsUrl=" + server_->Url("/virma_csv.zip") + "\r\n");
    messages_.clear();
    messages_.Answers.clear();
    holdAnswer_ = false;
  }
  void cleanup() {
    window_.reset();
    server_.reset();
    dir_.reset();
  }

  void startUpQuestionAndModes() {
    // Mode 0 asks (Yes is the default) and downloads.
    Start();
    Settle();
    QVERIFY(!messages_.empty());
    QCOMPARE(messages_[0].Kind, TMessageKind::Question);
    QVERIFY(messages_[0].Text.startsWith(QStringLiteral("Обновить список тиражей?")));
    QCOMPARE(Ws().Archive().Count(), 30);
    QCOMPARE(window_->StatusText(0), QStringLiteral("Архив тиражей: 30"));
    guitest::SaveScreen(window_.get(), "download_done");

    // The submenu writes the mode; "Отключено" asks nothing at the next start.
    QMenu* autoMenu = nullptr;
    for (QAction* a : window_->menuBar()->actions())
      if (a->text() == QStringLiteral("&Архив тиражей"))
        for (QAction* b : a->menu()->actions())
          if (b->menu() && b->text() == QStringLiteral("Автозагрузка при запуске программы")) autoMenu = b->menu();
    QVERIFY(autoMenu);
    QCOMPARE(autoMenu->actions().size(), 3);
    QVERIFY(window_->Commands().Trigger("AutoDownload2"));
    window_->Commands().Update();
    QVERIFY(window_->Commands().Action("AutoDownload2")->isChecked());
    QVERIFY(!window_->Commands().Action("AutoDownload0")->isChecked());
    window_.reset();
    messages_.clear();
    zip_ = test::MakeZip({ResultFile(1, 40)});
    Start();
    Settle();
    QVERIFY(messages_.empty());
    QCOMPARE(Ws().Archive().Count(), 30);
    // "Автоматически" downloads without asking.
    QVERIFY(window_->Commands().Trigger("AutoDownload1"));
    window_.reset();
    Start();
    Settle();
    QVERIFY(messages_.empty());
    QCOMPARE(Ws().Archive().Count(), 40);
  }

  void waitWindowAndCancel() {
    test::WriteBytes(*dir_ / "Kivra_5x45.frm", "[TFormMain]\r\nDownloadDrawsOnStart=2\r\n");
    Start();
    // The server holds its answer until the wait window has been seen and cancelled.
    holdAnswer_ = true;
    bool seen = false;
    guitest::WhenVisible<TWaitWindow>(window_.get(), "WaitWindow", [&](TWaitWindow* wait) {
      seen = wait->findChild<QLabel*>("lbWait")->text() == QStringLiteral("Загрузка архива тиражей...");
      guitest::SaveScreen(wait, "download_wait");
      wait->reject();  // "Отмена"
    });
    QVERIFY(window_->Commands().Trigger("DrawsDownload"));
    holdAnswer_ = false;
    QVERIFY(seen);
    QCOMPARE(Ws().Archive().Count(), 0);
    QCOMPARE(messages_.size(), size_t{1});
    QVERIFY(messages_[0].Text.contains(QStringLiteral("Загрузка отменена")));
    QVERIFY(!window_->findChild<TWaitWindow*>("WaitWindow"));
    // Again (F3), now to the end.
    QCOMPARE(window_->Commands().Action("DrawsDownload")->shortcut(), QKeySequence(Qt::Key_F3));
    messages_.clear();
    QVERIFY(window_->Commands().Trigger("DrawsDownload"));
    QCOMPARE(Ws().Archive().Count(), 30);
    QVERIFY(messages_.empty());
  }
};

QTEST_MAIN(DownloadTest)
#include "DownloadTest.moc"
