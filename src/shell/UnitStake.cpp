#include "shell/UnitStake.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <algorithm>
#include <limits>

#include "core/DrawsArchive.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

constexpr std::string_view NoCommentMessage = "Необходимо ввести комментарий!";
constexpr int MaxDrawCount = 65535;

QStringList StakeWords(const QString& text) { return text.split(QRegularExpression(QStringLiteral("[;,]"))); }

// The fields both stake dialogs share.
QSpinBox* DrawNumberField(QWidget* parent, int32_t value) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName("seDrawNumber");
  spin->setRange(1, std::numeric_limits<int32_t>::max());
  spin->setValue(value);
  spin->setMinimumWidth(110);
  return spin;
}

QSpinBox* DrawCountField(QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName("seDrawCount");
  spin->setRange(1, MaxDrawCount);
  spin->setValue(1);
  spin->setMinimumWidth(80);
  return spin;
}

QLineEdit* CommentField(QWidget* parent, std::string_view text) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName("edComment");
  edit->setMaxLength(StakeCommentLength);
  edit->setText(ToQ(text));
  edit->setMinimumWidth(320);
  return edit;
}

QLabel* Label(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

// The comment is required: an empty one is refused with the focus on it.
bool CommentGiven(QLineEdit* comment, TUserPort& port) {
  if (!comment->text().trimmed().isEmpty()) return true;
  port.ShowError(NoCommentMessage);
  comment->setFocus();
  return false;
}

// Draw number and draw count side by side above the rest.
void AddDrawFields(QGridLayout* grid, QWidget* parent, QSpinBox* number, QSpinBox* count) {
  grid->addWidget(Label(parent, QStringLiteral("Номер тиража:"), number), 0, 0);
  grid->addWidget(Label(parent, QStringLiteral("Кол-во тиражей:"), count), 0, 1);
  grid->addWidget(number, 1, 0);
  grid->addWidget(count, 1, 1);
}

}  // namespace

std::optional<TStakeNumbers> ParseStakeNumbers(const QString& text) {
  const QStringList words = StakeWords(text);
  if (words.size() < MinStakeNumbers || words.size() > MaxStakeNumbers) return std::nullopt;
  TStakeNumbers numbers;
  numbers.Count = static_cast<int32_t>(words.size());
  for (qsizetype i = 0; i < words.size(); ++i) {
    bool ok = false;
    const int n = words[i].trimmed().toInt(&ok);
    if (!ok || n < 1 || n > MaxNumber) return std::nullopt;
    numbers.Values[static_cast<size_t>(i)] = static_cast<uint8_t>(n);
  }
  std::sort(numbers.Values.begin(), numbers.Values.begin() + numbers.Count);
  if (!ValidStakeNumbers(numbers)) return std::nullopt;  // a number twice
  return numbers;
}

long long StakeTextSum(const QString& text) {
  long long sum = 0;
  for (const QString& word : StakeWords(text)) {
    bool ok = false;
    const int n = word.trimmed().toInt(&ok);
    if (ok) sum += n;
  }
  return sum;
}

// --- One stake ---

TStakeDialog::TStakeDialog(QWidget* parent, const TStakeData& record, TUserPort& port)
    : QDialog(parent), port_(port), record_(record) {
  setObjectName("StakeDialog");
  setWindowTitle(QStringLiteral("Добавление ставки"));

  number_ = DrawNumberField(this, record.DrawNumber);
  count_ = DrawCountField(this);
  numbers_ = new QLineEdit(ToQ(StakeNumbersText(record.Numbers, ";")), this);
  numbers_->setObjectName("edNumbers");
  numbers_->setToolTip(QStringLiteral("От 5 до 12 чисел от 1 до 45 через точку с запятой или запятую"));
  sum_ = new QLineEdit(this);
  sum_->setObjectName("edSum");
  sum_->setReadOnly(true);
  sum_->setFocusPolicy(Qt::NoFocus);
  sum_->setMaximumWidth(80);
  comment_ = CommentField(this, record.Comment);

  auto* grid = new QGridLayout(this);
  AddDrawFields(grid, this, number_, count_);
  grid->addWidget(Label(this, QStringLiteral("Ставка:"), numbers_), 2, 0);
  grid->addWidget(Label(this, QStringLiteral("Сумма:"), sum_), 2, 1);
  grid->addWidget(numbers_, 3, 0);
  grid->addWidget(sum_, 3, 1);
  grid->addWidget(Label(this, QStringLiteral("Комментарий к ставке:"), comment_), 4, 0, 1, 2);
  grid->addWidget(comment_, 5, 0, 1, 2);
  grid->setRowMinimumHeight(6, 8);
  grid->addWidget(MakeOkCancel(this), 7, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  connect(numbers_, &QLineEdit::textChanged, this, [this] { UpdateSum(); });
  UpdateSum();
  setTabOrder(number_, count_);
  setTabOrder(count_, numbers_);
  setTabOrder(numbers_, comment_);
  // The numbers are what is usually typed or checked.
  numbers_->setFocus();
  numbers_->selectAll();
}

void TStakeDialog::UpdateSum() { sum_->setText(QString::number(StakeTextSum(numbers_->text()))); }

void TStakeDialog::accept() {
  const auto numbers = ParseStakeNumbers(numbers_->text());
  if (!numbers) {
    port_.ShowError(BadStakeNumbersHint);
    numbers_->setFocus();
    return;
  }
  if (!CommentGiven(comment_, port_)) return;
  number_->interpretText();
  count_->interpretText();
  record_.DrawNumber = number_->value();
  record_.Comment = FromQ(comment_->text());
  record_.Numbers = *numbers;
  draws_ = count_->value();
  QDialog::accept();
}

// --- Stakes for many combinations ---

TMultiStakeDialog::TMultiStakeDialog(QWidget* parent, int32_t drawNumber, std::string_view comment, TUserPort& port)
    : QDialog(parent), port_(port) {
  setObjectName("MultiStakeDialog");
  setWindowTitle(QStringLiteral("Добавление мультиставки"));
  number_ = DrawNumberField(this, drawNumber);
  count_ = DrawCountField(this);
  comment_ = CommentField(this, comment);

  auto* grid = new QGridLayout(this);
  AddDrawFields(grid, this, number_, count_);
  grid->addWidget(Label(this, QStringLiteral("Комментарий к ставке:"), comment_), 2, 0, 1, 2);
  grid->addWidget(comment_, 3, 0, 1, 2);
  grid->setRowMinimumHeight(4, 8);
  grid->addWidget(MakeOkCancel(this), 5, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  setTabOrder(number_, count_);
  setTabOrder(count_, comment_);
  number_->setFocus();
  number_->selectAll();
}

int32_t TMultiStakeDialog::DrawNumber() const { return number_->value(); }
int TMultiStakeDialog::Draws() const { return count_->value(); }
std::string TMultiStakeDialog::Comment() const { return FromQ(comment_->text()); }

void TMultiStakeDialog::accept() {
  if (!CommentGiven(comment_, port_)) return;
  number_->interpretText();
  count_->interpretText();
  QDialog::accept();
}

// --- Deletion by condition ---

TStakeConditionDialog::TStakeConditionDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("StakeConditionDialog");
  setWindowTitle(QStringLiteral("Удаление по условию"));
  condition_ = new QComboBox(this);
  condition_->setObjectName("cbCondition");
  for (const char* caption : StakeConditionCaptions) condition_->addItem(ToQ(caption));
  condition_->setCurrentIndex(0);
  value_ = new QSpinBox(this);
  value_->setObjectName("seMatches");
  value_->setRange(0, CombSize);
  value_->setValue(0);
  value_->setMinimumWidth(60);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label(this, QStringLiteral("Выберите условие:"), condition_), 0, 0, 1, 2);
  grid->addWidget(condition_, 1, 0);
  grid->addWidget(value_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("совпадений"), this), 1, 2);
  grid->setRowMinimumHeight(2, 8);
  grid->addWidget(MakeOkCancel(this), 3, 0, 1, 3);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  condition_->setFocus();
}

TStakeCondition TStakeConditionDialog::Condition() const {
  return static_cast<TStakeCondition>(std::clamp(condition_->currentIndex(), 0, 4));
}

int32_t TStakeConditionDialog::Value() const { return value_->value(); }

}  // namespace kivra::shell
