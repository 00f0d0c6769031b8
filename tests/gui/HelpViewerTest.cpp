// The help as a user meets it, with the pages the build puts beside the program: a statistic's
// description, F1 with the index, links inside and outside the help, the first-run dialog's help
// button and the about box. Screenshots go to <build>/screens.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <memory>

#include "TempDir.h"
#include "core/DrawsArchive.h"
#include "core/Version.h"
#include "gui/GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "shell/UnitFirstRun.h"
#include "shell/UnitHelp.h"
#include "shell/WebLinks.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;
using guitest::Child;
using guitest::ClickButton;
using guitest::SaveScreen;
using guitest::WhenModal;

namespace {

const std::filesystem::path AppDir = KIVRA_APP_DIR;  // the built program, with help/ beside it

TDrawsArray SomeDraws() {
  TDrawsArray draws;
  for (int i = 1; i <= 12; ++i) {
    TDraw d;
    d.Number = i;
    for (int k = 0; k < 5; ++k) d.Nums[k] = static_cast<uint8_t>(1 + (i * 7 + k * 9) % 45);
    draws.push_back(d);
  }
  return draws;
}

QString FileName(const QUrl& url) { return QFileInfo(url.toLocalFile()).fileName(); }

}  // namespace

class HelpViewerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TTempDir> dir_;
  std::unique_ptr<TFormMain> window_;
  std::vector<QUrl> opened_;  // web links handed to the browser

  void Start(const std::filesystem::path& executableDir) {
    window_.reset();
    TStartOptions options;
    options.DataDir = dir_->Path();
    options.ExecutableDir = executableDir;
    window_ = std::make_unique<TFormMain>(options);
    QVERIFY(guitest::StartWindow(*window_));
    QTest::qWait(20);  // the start-up work queued after initialisation (the first-run dialog) runs
  }
  QAction* Command(const char* name) { return window_->Commands().Action(QString::fromLatin1(name)); }

 private slots:
  void init() {
    QVERIFY(std::filesystem::is_regular_file(AppDir / "help" / "index.html"));
    dir_ = std::make_unique<test::TTempDir>();
    test::WriteBytes(*dir_ / "Kivra_5x45.ldr", ArchiveToBytes(SomeDraws()));
    opened_.clear();
    SetWebPageOpener([this](const QUrl& url) { opened_.push_back(url); });
    Start(AppDir);
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
    SetWebPageOpener({});
  }

  void descriptionFollowsLinksInsideAndSendsWebLinksOut() {
    // The statistic selected in the selector opens its page, a family's shared page for a member.
    QComboBox* selector = window_->StatSelector();
    const int pos3 = selector->findText(QStringLiteral("Число в 3 позиции тиража"), Qt::MatchContains);
    QVERIFY(pos3 >= 0);
    selector->setCurrentIndex(pos3);
    bool checked = false;
    WhenModal<TDescriptionViewer>([&](TDescriptionViewer* viewer) {
      auto* browser = Child<QTextBrowser>(viewer, "tbDescription");
      QCOMPARE(viewer->windowTitle(), QStringLiteral("Описание методики расчета"));
      QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("Filters_1049_POSx.htm"));
      QVERIFY(browser->toPlainText().contains(QStringLiteral("Число в позиции тиража")));
      SaveScreen(viewer, "help_description_POSx");

      // A link between pages opens inside; a web link goes to the browser; other schemes and
      // links to missing files do nothing.
      emit browser->anchorClicked(QUrl("Filters_1049_NUMS.htm"));
      QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("Filters_1049_NUMS.htm"));
      const struct {
        const char* link;
        int webLinks;
      } ignoredHere[] = {{"https://example.org/kivra/", 1},
                         {"http://example.org/", 2},
                         {"mailto:someone@example.org", 2},
                         {"javascript:alert(1)", 2},
                         {"Filters_1049_NONE.htm", 2}};
      for (const auto& c : ignoredHere) {
        emit browser->anchorClicked(QUrl(QString::fromLatin1(c.link)));
        QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("Filters_1049_NUMS.htm"));
        QCOMPARE(int(opened_.size()), c.webLinks);
      }
      QCOMPARE(opened_.back(), QUrl("http://example.org/"));
      ClickButton(viewer, "btnContents");
      QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("index.html"));
      ClickButton(viewer, "btnBack");
      QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("Filters_1049_NUMS.htm"));
      checked = true;
      viewer->reject();
    });
    QVERIFY(window_->Commands().Trigger("FiltersInfo"));
    QVERIFY(checked);
  }

  void f1OpensTheIndexInOneWindowThatStaysOpen() {
    QVERIFY(Command("GetHelp")->isEnabled());
    QCOMPARE(Command("GetHelp")->shortcut(), QKeySequence(Qt::Key_F1));
    QVERIFY(window_->Commands().Trigger("GetHelp"));
    TDescriptionViewer* viewer = window_->HelpViewer();
    QVERIFY(viewer && viewer->isVisible());
    QVERIFY(!viewer->isModal());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Справка"));
    QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("index.html"));
    auto* browser = Child<QTextBrowser>(viewer, "tbDescription");
    QVERIFY(browser->toPlainText().contains(QStringLiteral("CLR")));
    SaveScreen(viewer, "help_index");

    // Anchors of the index itself, then a page, then F1 again: the same window, back at the index.
    emit browser->anchorClicked(QUrl("#pages"));
    QCOMPARE(viewer->CurrentPage().fragment(), QStringLiteral("pages"));
    SaveScreen(viewer, "help_index_pages");
    emit browser->anchorClicked(QUrl("Filters_1049_SUMC.htm"));
    QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("Filters_1049_SUMC.htm"));
    SaveScreen(viewer, "help_page_SUMC");
    browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum());
    SaveScreen(viewer, "help_page_SUMC_example");
    QVERIFY(window_->Commands().Trigger("GetHelp"));
    QCOMPARE(window_->HelpViewer(), viewer);
    QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("index.html"));
    // The main window stays usable while the help is open.
    QVERIFY(Command("About")->isEnabled());

    // Every page opens (the slowest is printed for the record).
    qint64 slowest = 0;
    QString slowestPage;
    for (const auto& entry : std::filesystem::directory_iterator(AppDir / "help")) {
      if (entry.path().extension() != ".htm") continue;
      QElapsedTimer timer;
      timer.start();
      QVERIFY(viewer->OpenPage(QUrl::fromLocalFile(QString::fromStdString(entry.path().string()))));
      viewer->repaint();
      if (timer.elapsed() > slowest) {
        slowest = timer.elapsed();
        slowestPage = QString::fromStdString(entry.path().filename().string());
      }
    }
    qInfo("slowest help page: %s, %lld ms", qPrintable(slowestPage), static_cast<long long>(slowest));

    viewer->close();  // closing frees the window; F1 makes a new one
    QTRY_VERIFY_WITH_TIMEOUT(!window_->HelpViewer(), guitest::StallMs);
    QVERIFY(window_->Commands().Trigger("GetHelp"));
    QVERIFY(window_->HelpViewer() && window_->HelpViewer()->isVisible());
  }

  void withoutHelpFolderF1IsDisabled() {
    Start(dir_->Path());  // the data folder holds no help
    QVERIFY(!Command("GetHelp")->isEnabled());
    QVERIFY(Command("About")->isEnabled());
  }

  void firstRunHelpButtonOpensTheViewer() {
    Ws().Settings().WriteSetting(MainWindowSection, "FirstRun", true);
    bool checked = false;
    WhenModal<TFirstRunDialog>([&](TFirstRunDialog* dialog) {
      ClickButton(dialog, "btnHelpFile");
      TDescriptionViewer* viewer = window_->HelpViewer();
      QVERIFY(viewer && viewer->isVisible());
      // Over the modal dialog the help must take input: it is the dialog's own window.
      QCOMPARE(viewer->parentWidget(), static_cast<QWidget*>(dialog));
      QCOMPARE(FileName(viewer->CurrentPage()), QStringLiteral("index.html"));
      checked = true;
      ClickButton(dialog, "btnClose");
    });
    Start(AppDir);
    QTRY_VERIFY_WITH_TIMEOUT(checked, guitest::StallMs);
    // The help outlives the dialog.
    QTRY_VERIFY_WITH_TIMEOUT(window_->HelpViewer() && window_->HelpViewer()->isVisible(), guitest::StallMs);
    QCOMPARE(window_->HelpViewer()->parentWidget(), static_cast<QWidget*>(window_.get()));
  }

  void aboutShowsVersionAndFolders() {
    QString text;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      text = box->text();
      SaveScreen(box, "help_about");
      box->accept();
    });
    QVERIFY(window_->Commands().Trigger("About"));
    QVERIFY(text.contains(QStringLiteral(KIVRA_VERSION)));
    QVERIFY(text.contains(QString::fromStdString(dir_->Path().string())));
    QVERIFY(text.contains(QString::fromStdString((AppDir / "help").lexically_normal().string())));
  }

 private:
  TWorkspace& Ws() { return window_->Workspace(); }
};

QTEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"
