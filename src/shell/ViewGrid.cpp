#include "shell/ViewGrid.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <algorithm>

#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

TGridModel::TGridModel(TText text, TColor color, QObject* parent)
    : QAbstractTableModel(parent), text_(std::move(text)), color_(std::move(color)) {}

void TGridModel::SetGridSize(int rows, int columns) {
  if (rows == rows_ && columns == columns_) {
    Repaint();
    return;
  }
  beginResetModel();
  rows_ = rows;
  columns_ = columns;
  endResetModel();
}

void TGridModel::Repaint() {
  if (rowCount() > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
  emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row() + 1, column = index.column() + 1;
  switch (role) {
    case Qt::DisplayRole: return ToQ(text_(row, column));
    case Qt::BackgroundRole: {
      const TCellColor c = color_(row, column);
      return c ? QVariant(QBrush(QColor::fromRgb(*c))) : QVariant();
    }
    case Qt::ForegroundRole: return QBrush(Qt::black);
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    default: return {};
  }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  if (role != Qt::DisplayRole || section < 0) return {};
  return orientation == Qt::Horizontal ? ToQ(text_(0, section + 1)) : ToQ(text_(section + 1, 0));
}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
  const QVariant background = index.data(Qt::BackgroundRole);
  painter->save();
  if (selected) painter->fillRect(option.rect, option.palette.brush(QPalette::Active, QPalette::Highlight));
  else if (background.isValid()) painter->fillRect(option.rect, background.value<QBrush>());
  painter->setPen(selected ? option.palette.color(QPalette::Active, QPalette::HighlightedText) : QColor(Qt::black));
  painter->setFont(option.font);
  painter->drawText(option.rect.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

void AddTabCommand(TCommandMap& commands, TWorkspace& ws, TViewTab tab, const QString& name, const QString& caption,
                   const QString& hint, QWidget* page, const TShowPage& showPage, std::function<void()> refresh) {
  TViewsState& views = ws.Views();
  commands.Add({name,
                caption,
                hint,
                {},
                [&views, tab, page, showPage, refresh] {
                  const bool show = !views.TabShown(tab);
                  views.SetTabShown(tab, show);
                  showPage(page, show);
                  if (show) refresh();
                },
                nullptr,
                [&views, tab] { return views.TabShown(tab); }});
}

void AddGridFilterCommands(TCommandMap& commands, TWorkspace& ws, TViewTab tab, TGridKind kind, const QString& prefix,
                           const QTableView* view, const TGridModel& model, bool needsCell, const QString& what) {
  auto filter = [&ws, kind, view, &model](bool remove) {
    TGridSelection selection;
    if (GridSelection(view, model, selection)) ws.Combs().FilterByGrid(kind, selection, remove);
  };
  auto enabled = [&ws, tab, view, needsCell] {
    return ws.Views().TabShown(tab) && ws.Combs().List().Count() > 0 && (!needsCell || view->currentIndex().isValid());
  };
  commands.Add({prefix + "_Include",
                QStringLiteral("Оставить выделенные"),
                QStringLiteral("Оставить в списке комбинации ") + what,
                {},
                [filter] { filter(false); },
                enabled,
                nullptr});
  commands.Add({prefix + "_Exclude",
                QStringLiteral("Удалить выделенные"),
                QStringLiteral("Удалить из списка комбинации ") + what,
                {},
                [filter] { filter(true); },
                enabled,
                nullptr});
}

void AddContextMenu(QWidget* view, const TCommandMap& commands, const std::vector<QString>& names) {
  for (const QString& name : names) {
    if (name.isEmpty()) {
      auto* sep = new QAction(view);
      sep->setSeparator(true);
      view->addAction(sep);
    } else if (QAction* a = commands.Action(name)) {
      view->addAction(a);
    }
  }
}

int ScaledPx(const QWidget* widget, int pixels) {
  const int dpi = widget ? widget->logicalDpiX() : 96;
  return dpi > 96 ? pixels * dpi / 96 : pixels;
}

QTableView* NewGridView(const char* name, QAbstractItemModel* model) {
  auto* view = new QTableView;
  view->setObjectName(name);
  view->setModel(model);
  view->setItemDelegate(new TGridDelegate(view));
  view->setSelectionBehavior(QAbstractItemView::SelectItems);
  view->setSelectionMode(QAbstractItemView::ContiguousSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setCornerButtonEnabled(false);
  view->setTabKeyNavigation(false);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  for (QHeaderView* h : {view->horizontalHeader(), view->verticalHeader()}) {
    h->setSectionResizeMode(QHeaderView::Fixed);
    h->setHighlightSections(false);
    h->setDefaultAlignment(Qt::AlignCenter);
  }
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
  view->verticalHeader()->setMinimumSectionSize(view->fontMetrics().height() + 4);
  return view;
}

bool GridSelection(const QTableView* view, const TGridModel& model, TGridSelection& selection) {
  int top = -1, bottom = -1, left = -1, right = -1;
  if (view->selectionModel() && view->selectionModel()->hasSelection()) {
    for (const QItemSelectionRange& r : view->selectionModel()->selection()) {
      top = top < 0 ? r.top() : std::min(top, r.top());
      left = left < 0 ? r.left() : std::min(left, r.left());
      bottom = std::max(bottom, r.bottom());
      right = std::max(right, r.right());
    }
  } else if (view->currentIndex().isValid()) {
    top = bottom = view->currentIndex().row();
    left = right = view->currentIndex().column();
  }
  if (top < 0 || left < 0) return false;
  selection.Left = left + 1;
  selection.Columns.clear();
  for (int c = left; c <= right; ++c) {
    auto& column = selection.Columns.emplace_back();
    for (int r = top; r <= bottom; ++r) column.push_back(model.GridText(r + 1, c + 1));
  }
  return true;
}

}  // namespace kivra::shell
