// The language menu: Russian built in, a module found beside the program, the choice written and
// the program restarted, the next start in the module's language, and "no-language".
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "GuiTestUtil.h"
#include "shell/MainWindow.h"
#include "workspace/Workspace.h"

using namespace kivra;
using namespace kivra::shell;

namespace {

// A module translating one command caption and one menu title, made with lrelease.
bool MakeModule(const QString& folder) {
  const QString ts = folder + "/module.ts";
  std::ofstream(ts.toStdString()) << R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context><name>TFormMain</name>
<message><source>О программе</source><translation>About</translation></message>
<message><source>&amp;Справка</source><translation>&amp;Help</translation></message>
</context>
</TS>
)";
  QDir().mkpath(folder + "/lang");
  return QProcess::execute(QStringLiteral(KIVRA_LRELEASE), {QStringLiteral("-silent"), ts, QStringLiteral("-qm"),
                                                            folder + "/lang/Kivra_5x45_ENU.qm"}) == 0;
}

QStringList MenuTitles(QMenuBar* bar) {
  QStringList titles;
  for (QAction* a : bar->actions()) titles << a->text();
  return titles;
}

}  // namespace

class LanguageMenuTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<TFormMain> window_;
  guitest::TMessageLog messages_;  // questions take their default answer
  int restarts_ = 0;

  void Start(bool noLanguage = false) {
    TStartOptions options;
    options.DataDir = dir_.path().toStdString();
    options.ExecutableDir = dir_.path().toStdString();
    options.NoLanguage = noLanguage;
    window_ = std::make_unique<TFormMain>(options);
    messages_.Attach(*window_);
    window_->SetRestartStarter([this] {
      ++restarts_;
      return true;
    });
    QVERIFY(guitest::StartWindow(*window_));
  }
  void Stop() {
    window_->close();
    window_.reset();
  }
  QMenu* LanguageMenu() { return guitest::Child<QMenu>(window_.get(), "mnLanguage"); }

 private slots:
  void RussianAloneWithoutModules() {
    Start();
    const auto items = LanguageMenu()->actions();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->text(), QStringLiteral("Русский"));
    QVERIFY(items[0]->isChecked());
    Stop();
  }

  void ChoosingAModuleRestartsInItsLanguage() {
    QVERIFY(MakeModule(dir_.path()));
    Start();
    auto items = LanguageMenu()->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[1]->text(), QStringLiteral("British English"));  // the module says en_GB
    QVERIFY(items[0]->isChecked() && !items[1]->isChecked());
    guitest::SaveScreen(window_.get(), "language_russian");

    items[0]->trigger();  // the current language: nothing happens
    QCOMPARE(restarts_, 0);
    items[1]->trigger();
    QCOMPARE(restarts_, 1);
    QVERIFY(!window_->isVisible());  // closed for the new start
    window_.reset();

    Start();
    QCOMPARE(window_->Language(), 1033);
    QCOMPARE(window_->Workspace().Stats().Language, std::string("ENU"));
    QCOMPARE(window_->Commands().Action("About")->text(), QStringLiteral("About"));
    QVERIFY(MenuTitles(window_->menuBar()).contains(QStringLiteral("&Help")));
    items = LanguageMenu()->actions();
    QVERIFY(!items[0]->isChecked() && items[1]->isChecked());
    guitest::SaveScreen(window_.get(), "language_english");
    Stop();

    // "no-language" ignores the setting.
    Start(true);
    QCOMPARE(window_->Language(), 1049);
    QVERIFY(LanguageMenu()->actions()[0]->isChecked());
    Stop();
  }
};

QTEST_MAIN(LanguageMenuTest)
#include "LanguageMenuTest.moc"
