#include "shell/UnitScriptLine.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "core/SortaUtils.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

void Hint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

// A field's text as it goes into the line: line breaks become spaces, and in a command the field
// separator is dropped, so a typed or pasted character can neither split the line nor move a field.
std::string FieldText(const QString& text, bool command) {
  std::string s = FromQ(text);
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (command && c == '|') continue;
    out += c == '\r' || c == '\n' ? ' ' : c;
  }
  return out;
}

}  // namespace

TScriptLineDialog::TScriptLineDialog(QWidget* parent, const TScriptEditContext& context, const QString& caption,
                                     int drawCount, const std::string& line)
    : QDialog(parent), context_(context) {
  setObjectName("ScriptLineDialog");
  setWindowTitle(caption);
  if (context.Stats) methods_ = TMethodLookup(*context.Stats);

  comment_ = new QLineEdit(this);
  comment_->setObjectName("edComment");
  Hint(comment_, QStringLiteral("Комментарии (можно оставить пустым)"));

  auto* options = new QGroupBox(QStringLiteral(" Опции "), this);
  startType_ = new QComboBox(options);
  startType_->setObjectName("cbStartType");
  Hint(startType_, QStringLiteral("Начальный список комбинаций"));
  for (int i = 0; i < StartCombsTypeCount; ++i) startType_->addItem(ToQ(StartCombsLongText(i)));
  drawsExclude_ = new QSpinBox(options);
  drawsExclude_->setObjectName("edDrawsExclude");
  drawsExclude_->setRange(0, INT_MAX);
  Hint(drawsExclude_,
       QStringLiteral("Исключить указанное количество тиражей из списка комбинаций перед применением фильтров"));
  resultMode_ = new QComboBox(options);
  resultMode_->setObjectName("cbResultMode");
  Hint(resultMode_, QStringLiteral("В случае неоднозначного результата после применения фильтров выполнить действие"));
  for (int i = 0; i < ResultCombsModeCount; ++i) resultMode_->addItem(ToQ(ResultModeLongText(i)));
  clearStakes_ =
      new QCheckBox(QStringLiteral("Удалить все ставки перед выполнением (накопление только рейтинга)"), options);
  clearStakes_->setObjectName("chkClearStakes");
  Hint(clearStakes_,
       QStringLiteral("Перед выполнением строки будет очищен файл ставок (для очень \"массивных\" сценариев, дающих "
                      "огромное количество ставок за раз)\r\nНа накопление рейтинга не влияет"));
  newOnly_ =
      new QCheckBox(QStringLiteral("Только новые ставки (пропускать те ставки, которые уже есть в списке)"), options);
  newOnly_->setObjectName("chkNewOnly");
  Hint(newOnly_, QStringLiteral("Если комбинация уже есть в списке ставок, то она не будет добавлена в список ставок"));

  auto* og = new QGridLayout(options);
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  og->addWidget(label(QStringLiteral("Начальный список комбинаций:"), startType_), 0, 0);
  og->addWidget(label(QStringLiteral("Кол-во тиражей:"), drawsExclude_), 0, 1);
  og->addWidget(startType_, 1, 0);
  og->addWidget(drawsExclude_, 1, 1);
  og->addWidget(label(QStringLiteral("В случае неоднозначного результата после применения фильтров:"), resultMode_), 2,
                0, 1, 2);
  og->addWidget(resultMode_, 3, 0, 1, 2);
  og->addWidget(clearStakes_, 4, 0, 1, 2);
  og->addWidget(newOnly_, 5, 0, 1, 2);
  og->setColumnStretch(0, 1);

  auto* filters = new QGroupBox(QStringLiteral(" Фильтры "), this);
  auto* fg = new QGridLayout(filters);
  for (int k = 0; k < ScriptCommandCount; ++k) {
    auto* field = new QLineEdit(filters);
    field->setObjectName(QStringLiteral("edFilter%1").arg(k + 1));
    Hint(field, QStringLiteral("Фильтр %1").arg(k + 1));
    field->setMinimumWidth(420);
    field->installEventFilter(this);
    auto* button = new QToolButton(filters);
    button->setObjectName(QStringLiteral("btnFilter%1").arg(k + 1));
    button->setText(QStringLiteral("..."));
    Hint(button, QStringLiteral("Редактировать фильтр"));
    connect(button, &QToolButton::clicked, this, [this, k] { EditCommand(k); });
    fg->addWidget(label(QStringLiteral("Фильтр %1:").arg(k + 1), field), k, 0);
    fg->addWidget(field, k, 1);
    fg->addWidget(button, k, 2);
    commands_[k] = field;
    buttons_[k] = button;
  }

  auto* v = new QVBoxLayout(this);
  auto* commentRow = new QGridLayout;
  commentRow->addWidget(label(QStringLiteral("Комментарии:"), comment_), 0, 0);
  commentRow->addWidget(comment_, 1, 0);
  v->addLayout(commentRow);
  v->addWidget(options);
  v->addWidget(filters);
  v->addWidget(MakeOkCancel(this));
  v->setSizeConstraint(QLayout::SetFixedSize);

  QWidget* previous = comment_;
  for (QWidget* w : std::initializer_list<QWidget*>{startType_, drawsExclude_, resultMode_, clearStakes_, newOnly_}) {
    setTabOrder(previous, w);
    previous = w;
  }
  for (int k = 0; k < ScriptCommandCount; ++k) {
    setTabOrder(previous, commands_[k]);
    setTabOrder(commands_[k], buttons_[k]);
    previous = buttons_[k];
  }

  if (Trim(line).empty()) {
    drawsExclude_->setValue(drawCount);
  } else {
    const TScriptLineText fields = ReadScriptLine(line);
    comment_->setText(ToQ(fields.Comment));
    const TScriptOptions o = ReadOptions(fields.Options);
    startType_->setCurrentIndex(o.StartCombsType);
    drawsExclude_->setValue(o.DrawsExclude);
    resultMode_->setCurrentIndex(o.ResultCombsMode);
    clearStakes_->setChecked(o.ClearStakes);
    newOnly_->setChecked(o.NewOnly);
    for (int k = 0; k < ScriptCommandCount; ++k) commands_[k]->setText(ToQ(fields.Commands[k]));
  }
  comment_->setFocus();
}

bool TScriptLineDialog::EditCommand(int k) {
  if (k < 0 || k >= ScriptCommandCount) return false;
  TFilterItem item = ReadFilterItem(FieldText(commands_[k]->text(), true), methods_);
  bool accepted = false;
  if (editor_) {
    accepted = editor_(item);
  } else {
    TFilterCommandDialog dialog(this, context_, item);
    accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) item = dialog.Item();
  }
  if (accepted) commands_[k]->setText(ToQ(WriteFilterItem(item, methods_)));
  commands_[k]->setFocus();
  return accepted;
}

bool TScriptLineDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int k = 0; k < ScriptCommandCount; ++k) {
      if (watched != commands_[k]) continue;
      EditCommand(k);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

std::string TScriptLineDialog::Line() const {
  TScriptOptions o;
  o.StartCombsType = static_cast<uint8_t>(startType_->currentIndex());
  o.DrawsExclude = drawsExclude_->value();
  o.ResultCombsMode = static_cast<uint8_t>(resultMode_->currentIndex());
  o.ClearStakes = clearStakes_->isChecked();
  o.NewOnly = newOnly_->isChecked();
  TScriptLineText line;
  line.Options = WriteOptions(o);
  for (int k = 0; k < ScriptCommandCount; ++k) line.Commands[k] = FieldText(commands_[k]->text(), true);
  line.Comment = FieldText(comment_->text(), false);
  return WriteScriptLine(line);
}

}  // namespace kivra::shell
