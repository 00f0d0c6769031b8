#include "shell/UnitFilterCommand.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "core/SortaUtils.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

const QString ListFormats = QStringLiteral(
    "\r\n\r\nДопустимые форматы:\r\n1 - одно значение\r\n1, 2, 3 - список значений через запятую\r\n"
    "1-10;2 - нижняя и верхняя граница диапазона; шаг изменения");

void Hint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

QComboBox* NewList(QWidget* parent, const char* name, const QString& hint) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setMaxVisibleItems(32);
  Hint(box, hint);
  return box;
}

QDoubleSpinBox* NewCoef(QWidget* parent, const char* name, const QString& column) {
  auto* spin = new QDoubleSpinBox(parent);
  spin->setObjectName(name);
  spin->setLocale(NumberLocale());
  spin->setDecimals(3);
  spin->setRange(-1e12, 1e12);
  spin->setGroupSeparatorShown(true);
  spin->setMinimumWidth(140);
  Hint(spin, QStringLiteral("Коэффициент пересчета значения столбца \"%1\" в значение вычисляемого столбца \"Вес\"")
                 .arg(column));
  return spin;
}

}  // namespace

TFilterCommandDialog::TFilterCommandDialog(QWidget* parent, const TScriptEditContext& context, const TFilterItem& item)
    : QDialog(parent), context_(context) {
  setObjectName("FilterCommandDialog");
  setWindowTitle(QStringLiteral("Фильтр"));

  method_ = NewList(this, "cbMethod", QStringLiteral("Тип фильтра"));
  for (const auto& m : context.Methods) method_->addItem(ToQ(m.Caption), m.Index);
  method_->setMinimumContentsLength(40);
  method_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  drawsLen_ = new QLineEdit(this);
  drawsLen_->setObjectName("edDrawsLen");
  Hint(drawsLen_, QStringLiteral("Количество тиражей для расчета статистики") + ListFormats);
  sortColumn_ = NewList(this, "cbSortColumn", QStringLiteral("Упорядочить полученную статистику по столбцу"));
  for (int c = 0; c < SortColumnCount; ++c) sortColumn_->addItem(ToQ(SortColumnCaption(c)));
  direction_ = NewList(this, "cbDirection", QStringLiteral("Направление движения по списку статистики при обработке"));
  direction_->addItems({QStringLiteral("Сверху-вниз"), QStringLiteral("Снизу-вверх")});
  mode_ = NewList(this, "cbMode", QStringLiteral("Режим отбора комбинаций"));
  mode_->addItems({QStringLiteral("Удалить выделенные"), QStringLiteral("Оставить выделенные")});
  multi_ =
      new QCheckBox(QStringLiteral("Использовать режим одновременного выделения нескольких значений в списке"), this);
  multi_->setObjectName("chkMultiSelect");
  Hint(multi_, multi_->text());
  level_ = NewList(this, "cbLevelMode", QStringLiteral("Режим выделения значений для фильтра в списке статистики"));
  for (int m = 0; m < LevelModeCount; ++m) level_->addItem(ToQ(LevelModeText(m)));
  levelValue_ = new QLineEdit(this);
  levelValue_->setObjectName("edLevelValue");
  Hint(levelValue_, QStringLiteral("Учитываемые значения глубины") + ListFormats);
  stop_ = NewList(this, "cbStopMode", QStringLiteral("Режим останова обработки"));
  for (int m = 0; m < StopModeCount; ++m) stop_->addItem(ToQ(StopModeText(m)));
  stopValue_ = new QSpinBox(this);
  stopValue_->setObjectName("edStopValue");
  stopValue_->setRange(1, INT_MAX);
  Hint(stopValue_, QStringLiteral("Значение для режима остановки"));

  auto* coefs = new QGroupBox(QStringLiteral(" Коэффициенты для расчета значений \"Вес\" "), this);
  coefs->setObjectName("gbCoefs");
  override_ =
      new QCheckBox(QStringLiteral("Использовать приведенные ниже коэффициенты для расчета значений \"Вес\""), coefs);
  override_->setObjectName("chkOverride");
  Hint(override_, QStringLiteral("Использовать приведенные ниже коэффициенты для расчета значений поля \"Вес\""));
  coefCount_ = NewCoef(coefs, "edCoefCount", QStringLiteral("Количество"));
  coefDeviation_ = NewCoef(coefs, "edCoefDeviation", QStringLiteral("Отклонение"));
  coefLevel_ = NewCoef(coefs, "edCoefLevel", QStringLiteral("Глубина"));
  percents_ = new QCheckBox(QStringLiteral("Использовать значения в %"), coefs);
  percents_->setObjectName("chkPercents");
  Hint(percents_, QStringLiteral("При расчетах использовать значения в процентах"));
  abs_ = new QCheckBox(QStringLiteral("Использовать абсолютные значения"), coefs);
  abs_->setObjectName("chkAbs");
  Hint(abs_, QStringLiteral("Преобразовывать отрицательные значения в положительные"));

  // Layout: labels above their controls, two columns where the controls are short.
  auto* grid = new QGridLayout;
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(QStringLiteral("Тип фильтра:"), method_), 0, 0, 1, 2);
  grid->addWidget(method_, 1, 0, 1, 2);
  grid->addWidget(label(QStringLiteral("Количество тиражей:"), drawsLen_), 2, 0);
  grid->addWidget(label(QStringLiteral("Сортировать по столбцу:"), sortColumn_), 2, 1);
  grid->addWidget(drawsLen_, 3, 0);
  grid->addWidget(sortColumn_, 3, 1);
  grid->addWidget(label(QStringLiteral("Направление:"), direction_), 4, 0);
  grid->addWidget(label(QStringLiteral("Режим фильтра:"), mode_), 4, 1);
  grid->addWidget(direction_, 5, 0);
  grid->addWidget(mode_, 5, 1);
  grid->addWidget(multi_, 6, 0, 1, 2);
  grid->addWidget(label(QStringLiteral("Режим выделения значений в списке статистики:"), level_), 7, 0, 1, 2);
  grid->addWidget(level_, 8, 0, 1, 2);
  grid->addWidget(label(QStringLiteral("Значения:"), levelValue_), 9, 0, 1, 2);
  grid->addWidget(levelValue_, 10, 0, 1, 2);
  grid->addWidget(label(QStringLiteral("Остановка по:"), stop_), 11, 0);
  grid->addWidget(label(QStringLiteral("Значение:"), stopValue_), 11, 1);
  grid->addWidget(stop_, 12, 0);
  grid->addWidget(stopValue_, 12, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);

  auto* cg = new QGridLayout(coefs);
  cg->addWidget(override_, 0, 0, 1, 3);
  cg->addWidget(label(QStringLiteral("Количество:"), coefCount_), 1, 0);
  cg->addWidget(label(QStringLiteral("Отклонение:"), coefDeviation_), 1, 1);
  cg->addWidget(label(QStringLiteral("Глубина:"), coefLevel_), 1, 2);
  cg->addWidget(coefCount_, 2, 0);
  cg->addWidget(coefDeviation_, 2, 1);
  cg->addWidget(coefLevel_, 2, 2);
  cg->addWidget(percents_, 3, 0, 1, 3);
  cg->addWidget(abs_, 4, 0, 1, 3);

  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addWidget(coefs);
  v->addWidget(MakeOkCancel(this));
  v->setSizeConstraint(QLayout::SetFixedSize);

  // Defaults, then the command's fields when it is active.
  const int current = method_->findData(context.CurrentMethod);
  method_->setCurrentIndex(current >= 0 ? current : (method_->count() > 0 ? 0 : -1));
  drawsLen_->setText(QString::number(context.SampleLength));
  sortColumn_->setCurrentIndex(1);
  stopValue_->setValue(1);
  if (item.Active) {
    method_->setCurrentIndex(method_->count() > 0 ? 0 : -1);
    if (const int at = method_->findData(item.Method); item.Method >= 0 && at >= 0) method_->setCurrentIndex(at);
    if (!item.DrawsLen.empty()) drawsLen_->setText(ToQ(item.DrawsLen));
    if (!item.LevelValue.empty()) levelValue_->setText(ToQ(item.LevelValue));
    // A column outside the table's (kept so that files round-trip) shows as the default column.
    sortColumn_->setCurrentIndex(item.SortColumn >= 0 && item.SortColumn < SortColumnCount ? item.SortColumn : 1);
    direction_->setCurrentIndex(item.FromBottom ? 1 : 0);
    mode_->setCurrentIndex(item.KeepSelected ? 1 : 0);
    multi_->setChecked(item.MultiSelect);
    level_->setCurrentIndex(item.LevelMode < LevelModeCount ? item.LevelMode : 0);
    stop_->setCurrentIndex(item.StopMode < StopModeCount ? item.StopMode : 0);
    stopValue_->setValue(item.StopValue);
    override_->setChecked(item.CDLOverride);
    const TCDLCoefs c = item.CDLOverride || !context.Stats ? item.Coefs : context.Stats->Coefs;
    coefCount_->setValue(static_cast<double>(c.Count));
    coefDeviation_->setValue(static_cast<double>(c.Deviation));
    coefLevel_->setValue(static_cast<double>(c.Level));
    percents_->setChecked(c.UsePercents);
    abs_->setChecked(c.UseAbsValues);
  }

  drawsLen_->installEventFilter(this);
  levelValue_->installEventFilter(this);
  connect(level_, &QComboBox::currentIndexChanged, this, &TFilterCommandDialog::UpdateEnabled);
  connect(override_, &QCheckBox::clicked, this, &TFilterCommandDialog::UpdateEnabled);
  UpdateEnabled();
  method_->setFocus();
}

void TFilterCommandDialog::UpdateEnabled() {
  const bool canOverride = IsWeightLevelMode(level_->currentIndex());
  override_->setEnabled(canOverride);
  const bool own = canOverride && override_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{coefCount_, coefDeviation_, coefLevel_, percents_, abs_})
    w->setEnabled(own);
}

bool TFilterCommandDialog::eventFilter(QObject* watched, QEvent* event) {
  // The number-list fields take digits, ",", "-", ";" and the editing keys only.
  if (event->type() == QEvent::KeyPress && (watched == drawsLen_ || watched == levelValue_)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && text[0].isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      for (const QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != ',' && c != '-' && c != ';') return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

TFilterItem TFilterCommandDialog::Item() const {
  TFilterItem f;
  f.Active = true;
  f.Method = method_->currentIndex() >= 0 ? method_->currentData().toInt() : -1;
  f.DrawsLen = FromQ(drawsLen_->text());
  f.StatText =
      (context_.Stats && f.Method >= 0 && f.Method < context_.Stats->Count() ? context_.Stats->Code(f.Method) + ":"
                                                                             : std::string()) +
      f.DrawsLen;
  f.SortColumn = sortColumn_->currentIndex();
  f.FromBottom = direction_->currentIndex() == 1;
  f.KeepSelected = mode_->currentIndex() == 1;
  f.MultiSelect = multi_->isChecked();
  f.LevelMode = static_cast<uint8_t>(level_->currentIndex());
  f.LevelValue = FromQ(levelValue_->text());
  f.StopMode = static_cast<uint8_t>(stop_->currentIndex());
  f.StopValue = stopValue_->value();
  f.CDLOverride = override_->isChecked();
  f.Coefs = {coefCount_->value(), coefDeviation_->value(), coefLevel_->value(), percents_->isChecked(),
             abs_->isChecked()};
  return f;
}

std::string TFilterCommandDialog::Check() {
  // An empty selector would write a command whose condition is read as its statistic code.
  if (method_->currentIndex() < 0) {
    method_->setFocus();
    return "Не выбран тип фильтра!";
  }
  const TIntArray lengths = ParseIntListOrRange(FromQ(drawsLen_->text()));
  if (lengths.empty() || (lengths.size() == 1 && lengths[0] == 0)) {
    drawsLen_->setFocus();
    return "Введен некорректный диапазон значений!\rПоле \"Количество тиражей\": число, числа через запятую или "
           "диапазон, например 10,20 или 5-50;5.";
  }
  if (level_->currentIndex() != 0) {
    const int entry = method_->currentData().toInt();
    const bool numeric = context_.Stats && entry >= 0 && entry < context_.Stats->Count() &&
                         context_.Stats->Item(entry).StatClass->IsNumeric();
    if (level_->currentIndex() == LevelModeCount - 1 && !numeric) {
      level_->setFocus();
      return "Для данного вида статистики не доступен режим выделения по списку значений!";
    }
    if (ParseIntListOrRange(FromQ(levelValue_->text())).empty()) {
      levelValue_->setFocus();
      return "Введен некорректный диапазон значений!\rПоле \"Значения\": числа через запятую или диапазон, "
             "например 1,3 или 2-8;2.";
    }
  }
  if (multi_->isChecked() && (stop_->currentIndex() == StopByCombs || stop_->currentIndex() == StopByNumbers)) {
    stop_->setFocus();
    return "В режиме мультивыделения остановка сценария по количеству комбинаций или чисел не может быть "
           "выполнена!\rВыберите другой способ останова.";
  }
  return {};
}

void TFilterCommandDialog::accept() {
  if (const std::string problem = Check(); !problem.empty()) {
    if (context_.Port) context_.Port->ShowError(problem);
    return;
  }
  QDialog::accept();
}

}  // namespace kivra::shell
