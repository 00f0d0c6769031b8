#include "shell/UnitTable.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

#include "core/DrawsArchive.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {
const QString SelectedCombsText = QStringLiteral("{...Выделенные комбинации...}");
constexpr int DefaultTests = 10;
}  // namespace

// --- The rule ---

TTableDialog::TTableDialog(QWidget* parent, const TTableData& rule, bool oneSelected, const TTables& existing,
                           TUserPort& port)
    : QDialog(parent), port_(port), existing_(existing), rule_(rule), oneSelected_(oneSelected) {
  setObjectName("TableDialog");
  setWindowTitle(QStringLiteral("Добавление регулярной ставки"));

  comment_ = new QLineEdit(ToQ(rule.CommentText()), this);
  comment_->setObjectName("edComment");
  comment_->setMaxLength(TableCommentLength);
  comment_->setMinimumWidth(340);
  auto* commentLabel = new QLabel(QStringLiteral("Комментарий к ставке:"), this);
  commentLabel->setBuddy(comment_);

  fromStart_ = new QRadioButton(QStringLiteral("Использовать постоянную стартовую комбинацию:"), this);
  fromStart_->setObjectName("rbStart");
  start_ = new QLineEdit(oneSelected ? ToQ(CombToText(rule.Start)) : SelectedCombsText, this);
  start_->setObjectName("edStart");
  start_->setToolTip(QStringLiteral("Пять разных чисел от 1 до 45 через точку с запятой или запятую"));
  fromDraw_ = new QRadioButton(QStringLiteral("Использовать данные предыдущего тиража"), this);
  fromDraw_->setObjectName("rbDraw");
  (rule.Mode == TableFromDraw ? fromDraw_ : fromStart_)->setChecked(true);

  step_ = new QSpinBox(this);
  step_->setObjectName("seStep");
  step_->setRange(-MaxNumber, MaxNumber);
  step_->setValue(std::clamp(rule.Step, -MaxNumber, MaxNumber));
  step_->setMinimumWidth(70);
  auto* stepLabel = new QLabel(QStringLiteral("Шаг:"), this);
  stepLabel->setBuddy(step_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(commentLabel, 0, 0, 1, 2);
  grid->addWidget(comment_, 1, 0, 1, 2);
  grid->setRowMinimumHeight(2, 6);
  grid->addWidget(fromStart_, 3, 0, 1, 2);
  grid->addWidget(start_, 4, 0, 1, 2);
  grid->addWidget(fromDraw_, 5, 0, 1, 2);
  grid->setRowMinimumHeight(6, 6);
  grid->addWidget(stepLabel, 7, 0);
  grid->addWidget(step_, 7, 1, Qt::AlignLeft);
  grid->setRowMinimumHeight(8, 8);
  grid->addWidget(MakeOkCancel(this), 9, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  connect(fromStart_, &QRadioButton::toggled, this, [this] { UpdateStartField(); });
  UpdateStartField();
  setTabOrder(comment_, fromStart_);
  setTabOrder(fromStart_, start_);
  setTabOrder(start_, fromDraw_);
  setTabOrder(fromDraw_, step_);
  comment_->setFocus();
  comment_->selectAll();
}

void TTableDialog::UpdateStartField() { start_->setEnabled(oneSelected_ && fromStart_->isChecked()); }

void TTableDialog::accept() {
  std::optional<TComb> start;
  if (start_->isEnabled()) {
    start = ParseTableStart(FromQ(start_->text()));
    if (!start) {
      port_.ShowError(BadStartNumbersHint);
      start_->setFocus();
      return;
    }
  }
  const std::string comment = FromQ(comment_->text());
  const char* refusal = nullptr;
  if (comment_->text().trimmed().isEmpty()) refusal = "Необходимо ввести комментарий!";
  else if (existing_.CommentTaken(comment)) refusal = DuplicateTableComment.data();
  if (refusal) {
    port_.ShowError(refusal);
    comment_->setFocus();
    comment_->selectAll();
    return;
  }
  step_->interpretText();
  rule_.Comment = Utf8ToCp1251(comment);
  rule_.Mode = fromDraw_->isChecked() ? TableFromDraw : TableFromCurrent;
  rule_.Step = step_->value();
  if (start) rule_.Start = *start;
  QDialog::accept();
}

// --- The back-test count ---

TTestCountDialog::TTestCountDialog(QWidget* parent, int max) : QDialog(parent) {
  setObjectName("TestCountDialog");
  setWindowTitle(QStringLiteral("Количество тестов"));
  count_ = new TCountField(this);
  count_->setObjectName("seTests");
  max = std::max(max, 0);
  count_->setRange(0, max);  // 0 (or nothing) typed ends the command as "Отмена" does
  count_->setValue(std::min(DefaultTests, max));
  count_->setMinimumWidth(TitleFitWidth);  // the title bar shows the whole title
  auto* label = new QLabel(QStringLiteral("Укажите количество тестов:"), this);
  label->setBuddy(count_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(count_, 1, 0);
  grid->setRowMinimumHeight(2, 8);
  grid->addWidget(MakeOkCancel(this), 3, 0);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  count_->setFocus();
  count_->selectAll();
}

int TTestCountDialog::Count() const { return TypedCount(count_).value_or(0); }

}  // namespace kivra::shell
