#include "shell/UnitDraw.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <cmath>
#include <limits>

#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

// The date and time a record's date text stands for; today and now when it is empty (or not a
// date the calendar knows).
QDateTime InitialDateTime(const TDraw& draw) {
  TDateTime t = 0;
  try {
    t = TextToDate(draw.DateText());
  } catch (const TConvertError&) {
    t = 0;
  }
  if (!(t > 0)) return QDateTime::currentDateTime();
  int y, m, d;
  DecodeDate(t, y, m, d);
  const double dayPart = t - std::floor(t);
  const int msecs = static_cast<int>(std::lround(dayPart * 86400000.0)) % 86400000;
  return QDateTime(QDate(y, m, d), QTime::fromMSecsSinceStartOfDay(msecs));
}

}  // namespace

TEditDrawDialog::TEditDrawDialog(QWidget* parent, const QString& caption, const TDraw& draw, TUserPort& port,
                                 TNumberCheck numberTaken)
    : QDialog(parent), port_(port), numberTaken_(std::move(numberTaken)) {
  setObjectName("EditDrawDialog");
  setWindowTitle(caption);

  number_ = new QSpinBox(this);
  number_->setObjectName("seNumber");
  number_->setRange(1, std::numeric_limits<int32_t>::max());
  number_->setValue(draw.Number);

  numbers_ = new QLineEdit(ToQ(CombToText(draw.Nums)), this);
  numbers_->setObjectName("edNumbers");

  const QDateTime when = InitialDateTime(draw);
  date_ = new QDateEdit(when.date(), this);
  date_->setObjectName("dtDate");
  date_->setCalendarPopup(true);
  date_->setDisplayFormat("dd.MM.yyyy");
  time_ = new QTimeEdit(when.time(), this);
  time_->setObjectName("dtTime");
  time_->setDisplayFormat("HH:mm:ss");

  auto* numberLabel = new QLabel(QStringLiteral("Номер тиража:"), this);
  numberLabel->setBuddy(number_);
  auto* numbersLabel = new QLabel(QStringLiteral("Выпавшие числа через пробел, запятую или точку с запятой:"), this);
  numbersLabel->setBuddy(numbers_);
  auto* dateLabel = new QLabel(QStringLiteral("Дата и время тиража:"), this);
  dateLabel->setBuddy(date_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(numberLabel, 0, 0, 1, 2);
  grid->addWidget(number_, 1, 0);
  grid->addWidget(numbersLabel, 2, 0, 1, 2);
  grid->addWidget(numbers_, 3, 0, 1, 2);
  grid->addWidget(dateLabel, 4, 0, 1, 2);
  grid->addWidget(date_, 5, 0);
  grid->addWidget(time_, 5, 1);
  grid->setRowMinimumHeight(6, 8);
  grid->addWidget(MakeOkCancel(this), 7, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(number_, numbers_);
  setTabOrder(numbers_, date_);
  setTabOrder(date_, time_);
  // The number is usually right already (the next one); the numbers are what is typed.
  numbers_->setFocus();
  numbers_->selectAll();
}

void TEditDrawDialog::accept() {
  const auto nums = CheckDrawNumbersText(FromQ(numbers_->text()));
  if (!nums) {
    port_.ShowError(BadDrawNumbersHint);
    numbers_->setFocus();
    return;
  }
  number_->interpretText();
  if (numberTaken_) {
    if (const std::string taken = numberTaken_(number_->value()); !taken.empty()) {
      port_.ShowError(taken);
      number_->setFocus();
      number_->selectAll();
      return;
    }
  }
  TDraw draw{};
  draw.Number = number_->value();
  draw.Nums = *nums;
  const QDate d = date_->date();
  const TDateTime when = EncodeDate(d.year(), d.month(), d.day()) + time_->time().msecsSinceStartOfDay() / 86400000.0;
  draw.SetDateText(DateToText(when).substr(0, 10));
  result_ = draw;
  QDialog::accept();
}

}  // namespace kivra::shell
