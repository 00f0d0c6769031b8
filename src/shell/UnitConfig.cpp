#include "shell/UnitConfig.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

namespace {

constexpr int PrizeRows = 6;  // match counts 0..5
constexpr int SegmentCellWidth = 30;
constexpr int SegmentCellHeight = 24;
constexpr int SegmentBoxCells = 9;  // the grid shows this many columns and rows before it scrolls

// An editor that accepts only the characters of a set (control keys always work): the program's
// key filter of the prize and segment cells.
class TCharFilterDelegate : public QStyledItemDelegate {
 public:
  TCharFilterDelegate(const QString& pattern, QObject* parent)
      : QStyledItemDelegate(parent), pattern_(QRegularExpression(pattern)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
      line->setValidator(new QRegularExpressionValidator(pattern_, line));
    return editor;
  }

 private:
  QRegularExpression pattern_;
};

QDoubleSpinBox* MakeNumberField(QWidget* parent, const char* name, int decimals, double min, double max) {
  auto* field = new QDoubleSpinBox(parent);
  field->setObjectName(name);
  field->setLocale(NumberLocale());
  field->setDecimals(decimals);
  field->setRange(min, max);
  field->setGroupSeparatorShown(true);
  field->setButtonSymbols(QAbstractSpinBox::NoButtons);
  field->setAlignment(Qt::AlignRight);
  return field;
}

QLabel* Buddy(const QString& text, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(field);
  return label;
}

}  // namespace

TEditConfigDialog::TEditConfigDialog(QWidget* parent, const TConfigData& data, TUserPort& port)
    : QDialog(parent), data_(data), port_(port) {
  setObjectName("EditConfigDialog");
  setWindowTitle(QStringLiteral("Параметры системы"));

  // --- Stakes ---
  cost_ = MakeNumberField(this, "edCost", 2, 0, 999999999.99);
  cost_->setToolTip(QStringLiteral("Стоимость одной ставки"));
  cost_->setValue(static_cast<double>(MoneyToFloat(data.Cost)));
  shownCost_ = cost_->value();

  maxStake_ = new QSpinBox(this);
  maxStake_->setObjectName("seMaxStake");
  maxStake_->setRange(6, 12);
  maxStake_->setValue(data.MaxStake);

  profits_ = new QTableWidget(PrizeRows, 2, this);
  profits_->setObjectName("sgProfits");
  profits_->setTabKeyNavigation(false);  // Tab leaves the grid; the arrows move inside it
  profits_->setHorizontalHeaderLabels({QStringLiteral("Совпадений"), QStringLiteral("Сумма выигрыша")});
  profits_->verticalHeader()->hide();
  profits_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  profits_->verticalHeader()->setDefaultSectionSize(SegmentCellHeight);
  profits_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  profits_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  profits_->setSelectionMode(QAbstractItemView::SingleSelection);
  profits_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  profits_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QString separator = QRegularExpression::escape(QString(QChar::fromLatin1(DecimalSeparator())));
  profits_->setItemDelegateForColumn(1, new TCharFilterDelegate("[0-9" + separator + "]*", profits_));
  for (int i = 0; i < PrizeRows; ++i) {
    const TMoney prize = i < static_cast<int>(data.Profits.size()) ? data.Profits[i].Profit : 0;
    auto* key = new QTableWidgetItem(QString::number(i));
    key->setFlags(Qt::ItemIsEnabled);
    key->setTextAlignment(Qt::AlignCenter);
    profits_->setItem(i, 0, key);
    auto* value = new QTableWidgetItem(ToQ(SysFormat("%.2f", {MoneyToFloat(prize)})));
    value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    profits_->setItem(i, 1, value);
  }
  profits_->setFixedHeight(profits_->horizontalHeader()->sizeHint().height() + PrizeRows * SegmentCellHeight +
                           2 * profits_->frameWidth());

  // --- Weight coefficients ---
  auto* coefs = new QGroupBox(QStringLiteral(" Коэффициенты для поля \"Вес\" "), this);
  coefs->setObjectName("gbCoefs");
  coefCount_ = MakeNumberField(coefs, "edCoefCount", 3, -999999.999, 999999.999);
  coefDeviation_ = MakeNumberField(coefs, "edCoefDeviation", 3, -999999.999, 999999.999);
  coefLevel_ = MakeNumberField(coefs, "edCoefLevel", 3, -999999.999, 999999.999);
  coefCount_->setValue(static_cast<double>(data.Coefs.Count));
  coefDeviation_->setValue(static_cast<double>(data.Coefs.Deviation));
  coefLevel_->setValue(static_cast<double>(data.Coefs.Level));
  shownCoefs_[0] = coefCount_->value();
  shownCoefs_[1] = coefDeviation_->value();
  shownCoefs_[2] = coefLevel_->value();
  usePercents_ = new QCheckBox(QStringLiteral("Использовать значения в %"), coefs);
  usePercents_->setObjectName("chkUsePercents");
  usePercents_->setChecked(data.Coefs.UsePercents);
  useAbsValues_ = new QCheckBox(QStringLiteral("Использовать абсолютные значения"), coefs);
  useAbsValues_->setObjectName("chkUseAbsValues");
  useAbsValues_->setChecked(data.Coefs.UseAbsValues);
  auto* coefsForm = new QFormLayout(coefs);
  coefsForm->addRow(Buddy(QStringLiteral("Количество:"), coefCount_, coefs), coefCount_);
  coefsForm->addRow(Buddy(QStringLiteral("Отклонение:"), coefDeviation_, coefs), coefDeviation_);
  coefsForm->addRow(Buddy(QStringLiteral("Глубина:"), coefLevel_, coefs), coefLevel_);
  coefsForm->addRow(usePercents_);
  coefsForm->addRow(useAbsValues_);

  // --- Matrix ---
  cols_ = new QSpinBox(this);
  cols_->setObjectName("seCols");
  cols_->setRange(1, MaxNumber);
  cols_->setToolTip(QStringLiteral("Количество столбцов"));
  cols_->setValue(data.MatrixCols);
  rows_ = new QLineEdit(this);
  rows_->setObjectName("edRows");
  rows_->setReadOnly(true);
  rows_->setFocusPolicy(Qt::NoFocus);
  rows_->setToolTip(QStringLiteral("Количество строк"));
  rows_->setAlignment(Qt::AlignRight);
  rows_->setFixedWidth(cols_->sizeHint().width());

  segments_ = new QTableWidget(this);
  segments_->setObjectName("sgSegments");
  segments_->setTabKeyNavigation(false);
  segments_->horizontalHeader()->hide();
  segments_->verticalHeader()->hide();
  // Few columns share the width of the box; many scroll.
  segments_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  segments_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  segments_->horizontalHeader()->setMinimumSectionSize(SegmentCellWidth);
  segments_->horizontalHeader()->setDefaultSectionSize(SegmentCellWidth);
  segments_->verticalHeader()->setMinimumSectionSize(SegmentCellHeight);
  segments_->verticalHeader()->setDefaultSectionSize(SegmentCellHeight);
  segments_->setSelectionMode(QAbstractItemView::SingleSelection);
  segments_->setItemDelegate(new TCharFilterDelegate("[0-9]*", segments_));
  {
    const int frame = 2 * segments_->frameWidth();
    const int bar = segments_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    segments_->setFixedSize(SegmentBoxCells * SegmentCellWidth + frame + bar,
                            SegmentBoxCells * SegmentCellHeight + frame + bar);
  }
  FillSegments(cols_->value(), data.Segments);
  connect(cols_, &QSpinBox::valueChanged, this, &TEditConfigDialog::ColumnsChanged);
  connect(segments_, &QTableWidget::itemChanged, this, &TEditConfigDialog::SegmentEdited);

  channel_ = new QSpinBox(this);
  channel_->setObjectName("seChannel");
  channel_->setRange(3, MaxNumber);
  channel_->setToolTip(QStringLiteral("Ширина канала"));
  channel_->setValue(data.ChannelSize);

  // --- Layout: stakes and coefficients on the left, the matrix on the right ---
  auto* left = new QVBoxLayout;
  auto* stakesForm = new QFormLayout;
  stakesForm->addRow(Buddy(QStringLiteral("Стоимость ставки:"), cost_, this), cost_);
  stakesForm->addRow(Buddy(QStringLiteral("Расширенная ставка:"), maxStake_, this), maxStake_);
  left->addLayout(stakesForm);
  left->addWidget(Buddy(QStringLiteral("Размеры выигрышей:"), profits_, this));
  left->addWidget(profits_);
  left->addWidget(coefs);
  left->addStretch(1);

  auto* right = new QVBoxLayout;
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(cols_);
  sizeRow->addWidget(new QLabel(QStringLiteral("x"), this));
  sizeRow->addWidget(rows_);
  sizeRow->addStretch(1);
  auto* matrixForm = new QFormLayout;
  matrixForm->addRow(Buddy(QStringLiteral("Размер матрицы:"), cols_, this), sizeRow);
  right->addLayout(matrixForm);
  right->addWidget(Buddy(QStringLiteral("Сегменты матрицы:"), segments_, this));
  right->addWidget(segments_);
  auto* channelForm = new QFormLayout;
  channelForm->addRow(Buddy(QStringLiteral("Размер канала:"), channel_, this), channel_);
  right->addLayout(channelForm);
  right->addStretch(1);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addSpacing(12);
  columns->addLayout(right);

  auto* main = new QVBoxLayout(this);
  main->addLayout(columns);
  main->addWidget(MakeOkCancel(this));
  main->setSizeConstraint(QLayout::SetFixedSize);

  QWidget* order[] = {cost_,        maxStake_,     profits_, coefCount_, coefDeviation_, coefLevel_,
                      usePercents_, useAbsValues_, cols_,    segments_,  channel_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  cost_->setFocus();
}

std::array<uint8_t, MaxNumber> TEditConfigDialog::ReadSegments() const {
  std::array<uint8_t, MaxNumber> segments = TConfigData::DefaultSegments();
  const int cols = segments_->columnCount();
  for (int n = 0; n < MaxNumber; ++n) {
    const QTableWidgetItem* item = segments_->item(n / cols, n % cols);
    const std::string text = item ? FromQ(item->text().trimmed()) : std::string();
    const int32_t v = text.empty() ? 1 : StrToIntDef(text, 1);
    segments[n] = static_cast<uint8_t>(v >= 0 && v <= 9 ? v : 1);
  }
  return segments;
}

void TEditConfigDialog::FillSegments(int cols, const std::array<uint8_t, MaxNumber>& segments) {
  fillingSegments_ = true;
  const int rows = GroupCount(1, MaxNumber, cols);
  segments_->clearContents();
  segments_->setColumnCount(cols);
  segments_->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const int number = r * cols + c + 1;
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      if (number <= MaxNumber) {
        item->setText(QString::number(segments[number - 1]));
        item->setToolTip(QStringLiteral("Число %1").arg(number));
      } else {
        // Past the last number: nothing to select or type.
        item->setFlags(Qt::NoItemFlags);
        item->setBackground(palette().brush(QPalette::Window));
      }
      segments_->setItem(r, c, item);
    }
  }
  rows_->setText(QString::number(rows));
  fillingSegments_ = false;
}

void TEditConfigDialog::ColumnsChanged(int cols) {
  const auto segments = ReadSegments();
  FillSegments(cols, segments);
}

void TEditConfigDialog::SegmentEdited(QTableWidgetItem* item) {
  if (fillingSegments_ || !item) return;
  const QString text = item->text().trimmed();
  if (text.isEmpty()) return;  // reads as 1
  const int32_t v = StrToIntDef(FromQ(text), -1);
  if (v >= 1 && v <= 9) return;
  port_.ShowError(SysFormat("Некорректное значение: %s!\r\rУкажите любое число от 1 до 9", {FromQ(text)}));
  fillingSegments_ = true;
  item->setText(QStringLiteral("1"));
  fillingSegments_ = false;
}

TConfigData TEditConfigDialog::Result() const {
  TConfigData result = data_;
  if (cost_->value() != shownCost_) result.Cost = MoneyFromFloat(cost_->value());
  result.MaxStake = maxStake_->value();

  result.Profits.clear();
  for (int i = 0; i < PrizeRows; ++i) {
    TProfitItem entry;
    entry.Overlap = StrToIntDef(FromQ(profits_->item(i, 0)->text()), 0);
    long double prize = 0;
    if (!TextToFloat(FromQ(profits_->item(i, 1)->text()), prize)) prize = 0;
    entry.Profit = MoneyFromFloat(prize);
    result.Profits.push_back(entry);
  }

  const QDoubleSpinBox* fields[3] = {coefCount_, coefDeviation_, coefLevel_};
  long double* targets[3] = {&result.Coefs.Count, &result.Coefs.Deviation, &result.Coefs.Level};
  for (int i = 0; i < 3; ++i)
    if (fields[i]->value() != shownCoefs_[i]) *targets[i] = fields[i]->value();
  result.Coefs.UsePercents = usePercents_->isChecked();
  result.Coefs.UseAbsValues = useAbsValues_->isChecked();

  result.MatrixCols = cols_->value();
  result.Segments = ReadSegments();
  result.ChannelSize = channel_->value();
  return result;
}

}  // namespace kivra::shell
