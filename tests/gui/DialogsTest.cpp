// The dialogs of the main window, driven without exec(): filled through their named controls,
// confirmed with their buttons, and read back.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include "core/DrawsArchive.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"
#include "TempDir.h"
#include "TestDraws.h"
#include "gui/GuiTestUtil.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"
#include "shell/UnitConfig.h"
#include "shell/UnitDraw.h"
#include "shell/UnitFavorites.h"
#include "shell/UnitFirstRun.h"
#include "shell/WebLinks.h"
#include "shell/UnitGen.h"
#include "shell/UnitHelp.h"
#include "shell/UnitProxy.h"
#include "stats/StatList.h"

using namespace kivra;
using namespace kivra::shell;

namespace {

using guitest::Child;
using guitest::ClickButton;
using guitest::ClickOk;
using test::MakeDraw;

// Lets pending layouts settle (scroll bars, delayed geometry), then saves the screenshot.
void Screen(QWidget* dialog, const QString& name) {
  QCoreApplication::processEvents();
  guitest::SaveScreen(dialog, name);
}

std::vector<std::string> MessageTexts(const TRecordingPort& port) {
  std::vector<std::string> texts;
  for (const auto& m : port.Messages) texts.push_back(m.Text);
  return texts;
}

// A small registry as the main window has it: a few draws, the default configuration.
struct TRegistry {
  TRegistry() {
    for (int i = 0; i < 12; ++i)
      draws.push_back(
          MakeDraw(i + 1, TComb{uint8_t(1 + i), uint8_t(10 + i), uint8_t(20 + i), uint8_t(30 + i), uint8_t(33 + i)},
                   "2024-01-01"));
    list.SetDraws(&draws);
    list.SetConfig(TConfigData{}, TShreddingConfig{});
    list.Build();
  }
  TDrawsArray draws;
  TStatList list;
};

// The registry's marks, names and options, to see what a dialog changed.
struct TRegistryState {
  explicit TRegistryState(const TStatList& list)
      : ordered(list.Ordered), groupName(list.ShowGroupName), flags(list.ShowMethodFlags), all(list.AllFavorites) {
    for (int i = 0; i < list.Count(); ++i) {
      favorite.push_back(list.Item(i).Favorite);
      names.push_back(list.Item(i).CustomName);
    }
  }
  bool operator==(const TRegistryState&) const = default;
  bool ordered, groupName, flags, all;
  std::vector<bool> favorite;
  std::vector<std::string> names;
};

QTreeWidgetItem* FindEntryNode(QTreeWidget* tree, int entry) {
  for (int g = 0; g < tree->topLevelItemCount(); ++g)
    for (int i = 0; i < tree->topLevelItem(g)->childCount(); ++i)
      if (tree->topLevelItem(g)->child(i)->data(0, TFavoritesDialog::EntryRole).toInt() == entry)
        return tree->topLevelItem(g)->child(i);
  return nullptr;
}

// Answers the next modal input dialog with a text.
void AnswerInputDialog(const QString& text, QString* titleSeen, QString* promptSeen) {
  QTimer::singleShot(0, [=] {
    auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!input) qFatal("no input dialog");
    *titleSeen = input->windowTitle();
    *promptSeen = input->labelText();
    input->setTextValue(text);
    input->accept();
  });
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void drawDialogRefusesBadNumbers_data();
  void drawDialogRefusesBadNumbers();
  void drawDialogKeepsWrittenOrderAndDate();
  void drawDialogStartsTodayForEmptyDate();
  void generateDialogEnablesByMode();
  void configDialogRoundTrip();
  void configDialogSegments();
  void proxyDialogModes();
  void firstRunDialog();
  void helpPageAndViewer();
  void favoritesGroupUnmarkAndRename();
  void favoritesCancelLeavesRegistry();
  void fileDialogsSpeakRussianAndFit();
};

void DialogsTest::drawDialogRefusesBadNumbers_data() {
  QTest::addColumn<QString>("numbers");
  QTest::newRow("four numbers") << "1;2;3;4";
  QTest::newRow("above 45") << "1;2;3;4;46";
  QTest::newRow("repeated") << "1;2;2;4;5";
  QTest::newRow("six numbers") << "1,2,3,4,5,6";
  QTest::newRow("not a number") << "1;2;x;4;5";
  QTest::newRow("six numbers with blanks") << "1 2 3 4 5 6";
}

void DialogsTest::drawDialogRefusesBadNumbers() {
  QFETCH(QString, numbers);
  TRecordingPort port;
  TEditDrawDialog dialog(nullptr, "Введите данные следующего тиража", MakeDraw(7, {}, ""), port);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog, guitest::StallMs));
  auto* field = Child<QLineEdit>(&dialog, "edNumbers");
  field->setText(numbers);
  Child<QSpinBox>(&dialog, "seNumber")->setFocus();
  ClickOk(&dialog);

  QCOMPARE(MessageTexts(port), std::vector<std::string>{std::string(BadDrawNumbersHint)});
  QVERIFY(port.Messages[0].Text.starts_with("Введена некорректная комбинация!\rУкажите пять разных чисел"));
  QCOMPARE(port.Messages[0].Kind, TMessageKind::Error);
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QVERIFY(field->hasFocus());
}

void DialogsTest::drawDialogKeepsWrittenOrderAndDate() {
  TRecordingPort port;
  TEditDrawDialog dialog(nullptr, "Введите данные следующего тиража", MakeDraw(1234, {3, 15, 22, 38, 45}, "2023-11-25"),
                         port);
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("Введите данные следующего тиража"));
  QCOMPARE(Child<QSpinBox>(&dialog, "seNumber")->value(), 1234);
  QCOMPARE(Child<QSpinBox>(&dialog, "seNumber")->maximum(), 2147483647);
  QCOMPARE(Child<QLineEdit>(&dialog, "edNumbers")->text(), QString("3;15;22;38;45"));
  QCOMPARE(Child<QDateEdit>(&dialog, "dtDate")->date(), QDate(2023, 11, 25));
  Screen(&dialog, "dialog_edit_draw");

  Child<QSpinBox>(&dialog, "seNumber")->setValue(1235);
  Child<QLineEdit>(&dialog, "edNumbers")->setText(" 5, 4, 3, 2, 1 ");
  Child<QDateEdit>(&dialog, "dtDate")->setDate(QDate(2024, 3, 5));
  Child<QTimeEdit>(&dialog, "dtTime")->setTime(QTime(23, 59, 59));
  ClickOk(&dialog);

  QVERIFY(port.Messages.empty());
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  const TDraw d = dialog.Result();
  QCOMPARE(d.Number, 1235);
  QVERIFY((d.Nums == TComb{5, 4, 3, 2, 1}));
  QCOMPARE(d.DateText(), std::string("2024-03-05"));
  QCOMPARE(int(d.DateLen), 10);
}

void DialogsTest::drawDialogStartsTodayForEmptyDate() {
  TRecordingPort port;
  TEditDrawDialog dialog(nullptr, "Введите данные следующего тиража", MakeDraw(11, {}, ""), port);
  const QDateTime now = QDateTime::currentDateTime();
  const QDateTime shown(Child<QDateEdit>(&dialog, "dtDate")->date(), Child<QTimeEdit>(&dialog, "dtTime")->time());
  QVERIFY(qAbs(shown.secsTo(now)) < 60);
}

void DialogsTest::generateDialogEnablesByMode() {
  TGenerateDialog dialog(nullptr, TGenParams{GenOnlyMine, "1;2;3;4;5;6"});
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("Создание нового списка комбинаций"));
  auto* mode = Child<QComboBox>(&dialog, "cbMode");
  auto* param = Child<QLineEdit>(&dialog, "edParam");
  auto* browse = Child<QToolButton>(&dialog, "btnBrowse");
  QCOMPARE(mode->count(), 5);
  QCOMPARE(mode->currentIndex(), 2);
  QCOMPARE(param->text(), QString("1;2;3;4;5;6"));
  QVERIFY(!Child<QCheckBox>(&dialog, "chkSaveDefaults")->isChecked());
  Screen(&dialog, "dialog_generate");

  // Mode: text field enabled, "..." enabled.
  const std::pair<bool, bool> expected[] = {{false, false}, {true, false}, {true, false}, {true, false}, {true, true}};
  for (int m = 0; m < 5; ++m) {
    mode->setCurrentIndex(m);
    QCOMPARE(param->isEnabled(), expected[m].first);
    QCOMPARE(browse->isEnabled(), expected[m].second);
  }

  // The text is cut to 255 characters, counted as characters, not bytes.
  mode->setCurrentIndex(GenFromFile);
  param->setText(QString(300, QChar(0x0444)));  // "ф"
  Child<QCheckBox>(&dialog, "chkSaveDefaults")->setChecked(true);
  ClickOk(&dialog);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(int(dialog.Params().Mode), int(GenFromFile));
  QCOMPARE(ToQ(dialog.Params().Param), QString(255, QChar(0x0444)));
  QVERIFY(dialog.SaveAsDefaults());

  // A stored mode outside 0..4 shows (and generates) the full set.
  TGenerateDialog odd(nullptr, TGenParams{9, ""});
  QCOMPARE(Child<QComboBox>(&odd, "cbMode")->currentIndex(), 0);
}

void DialogsTest::configDialogRoundTrip() {
  TRecordingPort port;
  TConfigData data;
  data.Cost = 123457;  // 12.3457: shown as 12.35, kept exactly while the field is not changed
  data.MaxStake = 9;
  data.Profits = {{7, 0}, {1, 0}, {2, 10000}, {3, 155000}};  // entry i pays row i, whatever its stored key
  data.Coefs = {0.12345L, -1, 1, true, false};
  data.ChannelSize = 8;

  TEditConfigDialog dialog(nullptr, data, port);
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("Параметры системы"));
  auto* prizes = Child<QTableWidget>(&dialog, "sgProfits");
  QCOMPARE(prizes->rowCount(), 6);
  QCOMPARE(prizes->horizontalHeaderItem(0)->text(), QString("Совпадений"));
  QCOMPARE(prizes->horizontalHeaderItem(1)->text(), QString("Сумма выигрыша"));
  const char* shown[] = {"0=0.00", "1=0.00", "2=1.00", "3=15.50", "4=0.00", "5=0.00"};
  for (int i = 0; i < 6; ++i)
    QCOMPARE(prizes->item(i, 0)->text() + "=" + prizes->item(i, 1)->text(), QString(shown[i]));
  QVERIFY(!(prizes->item(0, 0)->flags() & Qt::ItemIsEditable));
  QCOMPARE(Child<QDoubleSpinBox>(&dialog, "edCost")->value(), 12.35);
  QCOMPARE(Child<QDoubleSpinBox>(&dialog, "edCoefCount")->value(), 0.123);
  QCOMPARE(Child<QSpinBox>(&dialog, "seChannel")->value(), 8);
  QCOMPARE(Child<QLineEdit>(&dialog, "edRows")->text(), QString("9"));
  Screen(&dialog, "dialog_config");

  // Untouched: everything as it was, the prize table normalised to six rows keyed 0..5.
  TConfigData same = dialog.Result();
  QCOMPARE(same.Cost, TMoney{123457});
  QVERIFY(same.Coefs == data.Coefs);
  const std::vector<TProfitItem> six = {{0, 0}, {1, 0}, {2, 10000}, {3, 155000}, {4, 0}, {5, 0}};
  QVERIFY(same.Profits == six);

  Child<QDoubleSpinBox>(&dialog, "edCost")->setValue(20.5);
  Child<QSpinBox>(&dialog, "seMaxStake")->setValue(12);
  prizes->item(5, 1)->setText("1000000.5");
  prizes->item(4, 1)->setText("abc");   // not a number: 0
  prizes->item(3, 1)->setText("15,5");  // either separator reads
  Child<QDoubleSpinBox>(&dialog, "edCoefDeviation")->setValue(-2.5);
  Child<QDoubleSpinBox>(&dialog, "edCoefLevel")->setValue(0.75);
  Child<QCheckBox>(&dialog, "chkUsePercents")->setChecked(false);
  Child<QCheckBox>(&dialog, "chkUseAbsValues")->setChecked(true);
  Child<QSpinBox>(&dialog, "seChannel")->setValue(45);
  ClickOk(&dialog);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));

  const TConfigData r = dialog.Result();
  QCOMPARE(r.Cost, TMoney{205000});
  QCOMPARE(r.MaxStake, 12);
  const std::vector<TProfitItem> changed = {{0, 0}, {1, 0}, {2, 10000}, {3, 155000}, {4, 0}, {5, 10000005000}};
  QVERIFY(r.Profits == changed);
  QCOMPARE(double(r.Coefs.Count), double(0.12345L));
  QCOMPARE(double(r.Coefs.Deviation), -2.5);
  QCOMPARE(double(r.Coefs.Level), 0.75);
  QVERIFY(!r.Coefs.UsePercents);
  QVERIFY(r.Coefs.UseAbsValues);
  QCOMPARE(r.ChannelSize, 45);
  QVERIFY(port.Messages.empty());
}

void DialogsTest::configDialogSegments() {
  TRecordingPort port;
  TConfigData data;
  for (int n = 0; n < MaxNumber; ++n) data.Segments[n] = uint8_t(n % 9 + 1);
  TEditConfigDialog dialog(nullptr, data, port);
  dialog.show();
  auto* grid = Child<QTableWidget>(&dialog, "sgSegments");
  auto* cols = Child<QSpinBox>(&dialog, "seCols");
  auto* rows = Child<QLineEdit>(&dialog, "edRows");
  QCOMPARE(grid->columnCount(), 5);
  QCOMPARE(grid->rowCount(), 9);
  QCOMPARE(grid->item(2, 3)->text(), QString::number(13 % 9 + 1));  // number 14

  // 7 columns: 7 rows, numbers 46..49 cannot be selected, every value stays with its number.
  cols->setValue(7);
  QCOMPARE(rows->text(), QString("7"));
  QCOMPARE(grid->columnCount(), 7);
  QCOMPARE(grid->rowCount(), 7);
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 7; ++c) {
      const int number = r * 7 + c + 1;
      QTableWidgetItem* cell = grid->item(r, c);
      if (number > MaxNumber) {
        QVERIFY(!(cell->flags() & Qt::ItemIsSelectable));
        QVERIFY(!(cell->flags() & Qt::ItemIsEditable));
      } else {
        QCOMPARE(cell->text(), QString::number((number - 1) % 9 + 1));
      }
    }
  }
  Screen(&dialog, "dialog_config_7_columns");

  // A bad value: the message, and the cell becomes 1. An empty cell reads as 1 without a message.
  grid->item(0, 1)->setText("0");  // number 2
  QCOMPARE(MessageTexts(port), std::vector<std::string>{"Некорректное значение: 0!\r\rУкажите любое число от 1 до 9"});
  QCOMPARE(grid->item(0, 1)->text(), QString("1"));
  grid->item(1, 0)->setText("12");  // number 8
  QCOMPARE(port.Messages.size(), size_t(2));
  QCOMPARE(grid->item(1, 0)->text(), QString("1"));
  grid->item(0, 2)->setText("");  // number 3
  QCOMPARE(port.Messages.size(), size_t(2));
  grid->item(6, 2)->setText("7");  // number 45
  QCOMPARE(port.Messages.size(), size_t(2));

  // Back to one column: a single column of 45 cells in number order.
  cols->setValue(1);
  QCOMPARE(rows->text(), QString("45"));
  QCOMPARE(grid->item(44, 0)->text(), QString("7"));
  Screen(&dialog, "dialog_config_1_column");

  std::array<uint8_t, MaxNumber> expected = data.Segments;
  expected[1] = 1;
  expected[7] = 1;
  expected[2] = 1;
  expected[44] = 7;
  const TConfigData r = dialog.Result();
  QCOMPARE(r.MatrixCols, 1);
  QVERIFY(r.Segments == expected);
}

void DialogsTest::proxyDialogModes() {
  TProxyConfig proxy;
  proxy.Mode = 2;
  proxy.Server = "proxy.local";
  proxy.Port = 3128;
  proxy.Username = "пользователь";
  proxy.Password = "secret";
  {
    TEditProxyDialog dialog(nullptr, proxy);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("Параметры proxy-сервера"));
    QVERIFY(Child<QRadioButton>(&dialog, "rbManualProxy")->isChecked());
    QVERIFY(Child<QLineEdit>(&dialog, "edServer")->isEnabled());
    QCOMPARE(Child<QSpinBox>(&dialog, "sePort")->value(), 3128);
    Screen(&dialog, "dialog_proxy");
    QVERIFY(dialog.Result() == proxy);

    // Automatic: the fields are disabled and emptied, the port is 0.
    Child<QRadioButton>(&dialog, "rbAutoProxy")->setChecked(true);
    QVERIFY(!Child<QLineEdit>(&dialog, "edServer")->isEnabled());
    QVERIFY(!Child<QLineEdit>(&dialog, "edPassword")->isEnabled());
    ClickOk(&dialog);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const TProxyConfig r = dialog.Result();
    QCOMPARE(r.Mode, 1);
    QVERIFY(r.Server.empty() && r.Username.empty() && r.Password.empty());
    QCOMPARE(r.Port, 0);
  }
  {
    // A mode above 2 shows "no proxy"; a port of 0 (after the automatic mode) starts at 80.
    TProxyConfig odd;
    odd.Mode = 5;
    odd.Port = 0;
    TEditProxyDialog dialog(nullptr, odd);
    QVERIFY(Child<QRadioButton>(&dialog, "rbNoProxy")->isChecked());
    QCOMPARE(Child<QSpinBox>(&dialog, "sePort")->value(), 80);
    QCOMPARE(dialog.Result().Mode, 0);
  }
}

void DialogsTest::firstRunDialog() {
  QTemporaryDir dir;
  const QString help = dir.filePath("Sorta_RUS.chm");
  {
    TFirstRunDialog dialog(nullptr, help);  // not there yet
    QVERIFY(!Child<QPushButton>(&dialog, "btnHelpFile")->isEnabled());
  }
  QFile file(help);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  TFirstRunDialog dialog(nullptr, help);
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("Справочная информация"));
  QVERIFY(Child<QPushButton>(&dialog, "btnHelpFile")->isEnabled());
  QVERIFY(Child<QLabel>(&dialog, "lblText")->text().startsWith("Если Вы запускаете программу в первый раз"));
  // Pages without an http or https address stay disabled.
  QCOMPARE(int(TFirstRunDialog::WebPages().size()), 6);
  for (int i = 1; i <= 6; ++i)
    QVERIFY(!Child<QPushButton>(&dialog, qPrintable(QString("btnWeb%1").arg(i)))->isEnabled());
  {
    std::vector<QUrl> opened;
    SetWebPageOpener([&opened](const QUrl& url) { opened.push_back(url); });
    TFirstRunDialog linked(
        nullptr, help, {{"Blog", "https://blog.example.org/k"}, {"YT", "ftp://video.example.org/"}, {"TG", "t.me/x"}});
    QVERIFY(Child<QPushButton>(&linked, "btnWeb2")->isEnabled());
    QVERIFY(!Child<QPushButton>(&linked, "btnWeb3")->isEnabled());
    QVERIFY(!Child<QPushButton>(&linked, "btnWeb6")->isEnabled());
    ClickButton(&linked, "btnWeb2");
    QCOMPARE(opened, std::vector<QUrl>{QUrl("https://blog.example.org/k")});
    SetWebPageOpener(nullptr);
  }
  QVERIFY(!dialog.DontShowAgain());
  Child<QCheckBox>(&dialog, "chkDontShow")->setChecked(true);
  Screen(&dialog, "dialog_first_run");
  ClickButton(&dialog, "btnClose");
  QVERIFY(!dialog.isVisible());
  QVERIFY(dialog.DontShowAgain());
}

void DialogsTest::helpPageAndViewer() {
  TRegistry reg;
  QTemporaryDir dir;
  const std::filesystem::path helpDir = FromQ(dir.path());
  QFile page(dir.filePath("Filters_1049_POSx.htm"));
  QVERIFY(page.open(QIODevice::WriteOnly));
  // Help pages are written in cp1251 and say so.
  page.write(QByteArray::fromStdString(
      Utf8ToCp1251("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"></head>"
                   "<body><h1>Число в позиции</h1><p>Описание статистики.</p></body></html>")));
  page.close();

  const int pos3 = reg.list.FindCode("POS3");
  const int nums = reg.list.FindCode("NUMS");
  QCOMPARE(StatHelpPage(helpDir, reg.list, pos3), page.fileName());
  QCOMPARE(StatHelpPage(helpDir, reg.list, nums), QString());  // no page for it
  QCOMPARE(StatHelpPage(helpDir, reg.list, -1), QString());

  TDescriptionViewer viewer(nullptr, page.fileName());
  viewer.show();
  QCOMPARE(viewer.windowTitle(), QString("Описание методики расчета"));
  QVERIFY(Child<QTextBrowser>(&viewer, "tbDescription")->toPlainText().contains("Описание статистики."));
  Screen(&viewer, "dialog_description");

  TDescriptionViewer empty(nullptr, QString());
  QVERIFY(Child<QTextBrowser>(&empty, "tbDescription")->toPlainText().isEmpty());
}

void DialogsTest::favoritesGroupUnmarkAndRename() {
  TRegistry reg;
  TStatList& list = reg.list;
  const int even = list.FindCode("EVEN");
  const int sums = list.FindCode("SUMS");
  const int pos2 = list.FindCode("POS2");
  list.Item(even).CustomName = "Чётные";
  list.Item(pos2).CustomName = "Вторая позиция";
  TRecordingPort port;
  std::vector<int> described;

  TFavoritesDialog dialog(nullptr, list, "/nonexistent/names.flt", "/nonexistent", port,
                          [&](int entry) { described.push_back(entry); });
  dialog.show();
  QCOMPARE(port.Progress, (std::vector<std::string>{"Подождите пожалуйста...", ""}));
  QVERIFY(port.IsIdle());
  QCOMPARE(Child<QLabel>(&dialog, "lblTotal")->text(), ToQ(SysFormat("всего %d методов", {list.Count()})));
  auto* tree = Child<QTreeWidget>(&dialog, "tvMethods");
  QCOMPARE(tree->topLevelItem(0)->text(0), QString("{ num } Числа тиража"));
  QCOMPARE(tree->topLevelItem(1)->text(0), ToQ(TStatList::GroupCaption(1)));
  QCOMPARE(FindEntryNode(tree, even)->text(0), QString("Чётные"));
  Screen(&dialog, "dialog_favorites");

  // Unmark the sum group through one of its entries.
  tree->setCurrentItem(FindEntryNode(tree, sums));
  ClickButton(&dialog, "btnClearGroup");

  // A click on an entry line toggles its mark.
  QTreeWidgetItem* nums = FindEntryNode(tree, list.FindCode("NUMS"));
  const QRect line = tree->visualItemRect(nums);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, line.center());
  QCOMPARE(nums->checkState(0), Qt::Unchecked);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, line.center());
  QCOMPARE(nums->checkState(0), Qt::Checked);

  // Rename to the default caption in another letter case: the custom name goes.
  tree->setCurrentItem(FindEntryNode(tree, even));
  QString title, prompt;
  AnswerInputDialog(ToQ(list.DefaultName(list.Item(even))).toUpper(), &title, &prompt);
  ClickButton(&dialog, "btnRename");
  QCOMPARE(title, QString("Переименование"));
  QCOMPARE(prompt, QString("Введите наименование фильтра:"));
  // A new name for an entry without one.
  tree->setCurrentItem(FindEntryNode(tree, list.FindCode("DIGS")));
  AnswerInputDialog("Цифры", &title, &prompt);
  ClickButton(&dialog, "btnRename");
  // "Вернуть" puts the default caption back.
  tree->setCurrentItem(FindEntryNode(tree, pos2));
  ClickButton(&dialog, "btnRestoreName");
  QCOMPARE(FindEntryNode(tree, pos2)->text(0), ToQ(list.DefaultName(list.Item(pos2))));
  ClickButton(&dialog, "btnDescription");
  QCOMPARE(described, std::vector<int>{pos2});

  Child<QCheckBox>(&dialog, "chkOrdered")->setChecked(true);
  Child<QCheckBox>(&dialog, "chkShowMethodFlags")->setChecked(false);
  ClickOk(&dialog);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));

  for (int i = 0; i < list.Count(); ++i) QCOMPARE(list.Item(i).Favorite, list.Item(i).StatClass->GetGroup() != 1);
  QVERIFY(!list.AllFavorites);
  QCOMPARE(list.Item(even).CustomName, std::string());
  QCOMPARE(list.Item(list.FindCode("DIGS")).CustomName, std::string("Цифры"));
  QCOMPARE(list.Item(pos2).CustomName, std::string());
  QVERIFY(list.Ordered);
  QVERIFY(list.ShowGroupName);
  QVERIFY(!list.ShowMethodFlags);
  QVERIFY(port.Messages.empty());
}

void DialogsTest::favoritesCancelLeavesRegistry() {
  TRegistry reg;
  TStatList& list = reg.list;
  list.Item(3).CustomName = "Своё имя";
  const TRegistryState before(list);
  TRecordingPort port;
  {
    TFavoritesDialog dialog(nullptr, list, "/nonexistent/names.flt", "/nonexistent", port, {});
    dialog.show();
    ClickButton(&dialog, "btnClearAll");
    auto* tree = Child<QTreeWidget>(&dialog, "tvMethods");
    tree->setCurrentItem(FindEntryNode(tree, 3));
    ClickButton(&dialog, "btnRestoreName");
    Child<QCheckBox>(&dialog, "chkShowGroupName")->setChecked(false);
    ClickButton(&dialog, "btnCancel");
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
  QVERIFY(TRegistryState(list) == before);

  // Unmarking everything and confirming offers everything again.
  TFavoritesDialog dialog(nullptr, list, "/nonexistent/names.flt", "/nonexistent", port, {});
  dialog.show();
  ClickButton(&dialog, "btnClearAll");
  ClickOk(&dialog);
  QVERIFY(list.AllFavorites);
  QCOMPARE(list.FavoritesText(), std::string());
  for (int i = 0; i < list.Count(); ++i) QVERIFY(list.Item(i).Favorite);
}

void DialogsTest::fileDialogsSpeakRussianAndFit() {
  // Qt's own dialogs take their texts from Qt's Russian translations (installed with the program's
  // dependencies); the file dialog is sized so that its four columns show.
  QVERIFY(InstallQtTranslations());
  test::TTempDir dir;
  std::filesystem::create_directory(dir / "папка");
  test::WriteBytes(dir / "list.lcv", std::string(3000, 'x'));
  QFileDialog dialog(nullptr, QStringLiteral("Открыть"), QString::fromStdString(dir.Path().string()),
                     QStringLiteral("Файлы комбинаций (*.lcv)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  SizeFileDialog(dialog);
  dialog.show();
  // The columns in Russian whatever the system's language: size, type and date.
  auto* view = Child<QTreeView>(&dialog, "treeView");
  QAbstractItemModel* model = view->model();
  QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(view->rootIndex()), 2, guitest::StallMs);
  QStringList types, sizes;
  for (int r = 0; r < 2; ++r) {
    sizes << model->index(r, 1, view->rootIndex()).data().toString();
    types << model->index(r, 2, view->rootIndex()).data().toString();
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"))
                .match(model->index(r, 3, view->rootIndex()).data().toString())
                .hasMatch());
  }
  types.sort();
  QCOMPARE(types, (QStringList{QStringLiteral("Папка"), QStringLiteral("Файл lcv")}));
  QVERIFY(sizes.contains(QStringLiteral("2,9 КБ")));
  QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Тип"));
  QCOMPARE(Child<QLabel>(&dialog, "fileTypeLabel")->text(), QStringLiteral("Типы файлов:"));
  QVERIFY(dialog.width() >= 600);
  auto* header = Child<QTreeView>(&dialog, "treeView")->header();
  QCOMPARE(header->count(), 4);
  for (int c = 1; c < 4; ++c)
    QVERIFY(header->sectionSize(c) >=
            header->fontMetrics().horizontalAdvance(header->model()->headerData(c, Qt::Horizontal).toString()));
  Screen(&dialog, "dialog_file_open");
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
