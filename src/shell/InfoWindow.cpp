#include "shell/InfoWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QScreen>
#include <QGuiApplication>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/SortaUtils.h"
#include "shell/ShellPort.h"
#include "shell/ViewGrid.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
constexpr int CellPx = 28;
constexpr int CardCells = 10;  // the card shows 10 x 10 cells and scrolls beyond

QTableWidgetItem* CentredItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  return item;
}
}  // namespace

TInfoWindow::TInfoWindow(TWorkspace& ws, const TInfoSubject& subject, QWidget* parent)
    : QDialog(parent),
      ws_(ws),
      subject_(subject),
      card_(new QTableWidget),
      edColumns_(new QSpinBox),
      list_(new QTableWidget(0, 2)) {
  setObjectName("TFormInfo");
  setWindowTitle(QStringLiteral("Подробная информация"));
  setSizeGripEnabled(true);
  setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));

  auto* h = new QHBoxLayout(this);
  h->setContentsMargins(4, 4, 4, 4);
  auto* left = new QVBoxLayout;
  card_->setObjectName("sgInfoCard");
  card_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  card_->setSelectionMode(QAbstractItemView::NoSelection);
  card_->setFocusPolicy(Qt::NoFocus);
  card_->horizontalHeader()->hide();
  card_->verticalHeader()->hide();
  const int cell = ScaledPx(this, CellPx);
  card_->horizontalHeader()->setMinimumSectionSize(4);
  card_->verticalHeader()->setMinimumSectionSize(4);
  card_->horizontalHeader()->setDefaultSectionSize(cell);
  card_->verticalHeader()->setDefaultSectionSize(cell);
  const int side = cell * CardCells + 2 * card_->frameWidth() + 1;
  card_->setFixedSize(side, side);
  card_->setWordWrap(false);
  card_->setTextElideMode(Qt::ElideNone);
  left->addWidget(card_);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Количество столбцов:"));
  edColumns_->setObjectName("edInfoColumns");
  edColumns_->setRange(1, MaxNumber);
  edColumns_->setValue(std::clamp(ws.Config().Data.MatrixCols, 1, int{MaxNumber}));
  label->setBuddy(edColumns_);
  row->addWidget(label);
  row->addWidget(edColumns_);
  row->addStretch();
  left->addLayout(row);
  left->addStretch();
  h->addLayout(left);

  list_->setObjectName("lvInfo");
  list_->setHorizontalHeaderLabels({ToQ(InfoPropertyCaption), ToQ(InfoValueCaption)});
  list_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignCenter);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->setColumnWidth(0, 235);
  list_->setColumnWidth(1, 120);
  list_->setMinimumWidth(235 + 120 + list_->verticalScrollBar()->sizeHint().width() + 2 * list_->frameWidth() + 2);
  h->addWidget(list_, 1);

  FillCard();
  const TInfoRows rows = BuildInfoRows(ws.Stats(), subject_);
  list_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < list_->rowCount(); ++r) {
    auto* property = new QTableWidgetItem(ToQ(rows[size_t(r)].first));
    property->setToolTip(property->text());  // long titles are cut at the column's width
    list_->setItem(r, 0, property);
    list_->setItem(r, 1, CentredItem(ToQ(rows[size_t(r)].second)));
  }
  // The property names show whole (up to a width that keeps the window on a 1024-pixel screen;
  // longer ones keep their tooltip).
  list_->resizeColumnToContents(0);
  list_->setColumnWidth(0, std::clamp(list_->columnWidth(0), 235, ScaledPx(this, 520)));
  list_->setMinimumWidth(list_->columnWidth(0) + 120 + list_->verticalScrollBar()->sizeHint().width() +
                         2 * list_->frameWidth() + 2);
  connect(edColumns_, &QSpinBox::valueChanged, this, [this] { FillCard(); });
  QSize size(std::max(ScaledPx(this, 660), sizeHint().width()), ScaledPx(this, 420));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) size = size.boundedTo(screen->availableGeometry().size());
  resize(size);
}

void TInfoWindow::FillCard() {
  const int columns = edColumns_->value();
  const TTextGrid grid = PlaceNumbers(subject_.Nums, columns);
  card_->clearContents();
  card_->setRowCount(grid.Rows);
  card_->setColumnCount(grid.Columns);
  const int channel = ws_.Config().Data.ChannelSize;
  for (int r = 0; r < grid.Rows; ++r)
    for (int c = 0; c < grid.Columns; ++c) {
      auto* item = CentredItem(ToQ(grid.At(r, c)));
      if (const TCellColor color = PlacementCellColor(r, c, columns, channel))
        item->setBackground(QColor(int(*color >> 16 & 0xFF), int(*color >> 8 & 0xFF), int(*color & 0xFF)));
      card_->setItem(r, c, item);
    }
}

void TInfoWindow::ShowModal(TWorkspace& ws, const TInfoSubject& subject, QWidget* parent) {
  TInfoWindow window(ws, subject, parent);
  window.exec();
}

}  // namespace kivra::shell
