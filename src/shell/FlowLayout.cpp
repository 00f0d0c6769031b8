#include "shell/FlowLayout.h"

#include <QWidget>
#include <algorithm>
#include <vector>

namespace kivra::shell {

TFlowLayout::TFlowLayout(QWidget* parent, int spacing) : QLayout(parent), spacing_(spacing) {
  setContentsMargins(0, 0, 0, 0);
}

TFlowLayout::~TFlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void TFlowLayout::addStretch() { stretchAt_ = count(); }

void TFlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* TFlowLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  if (stretchAt_ > index) --stretchAt_;
  return items_.takeAt(index);
}

QSize TFlowLayout::minimumSize() const {
  // As narrow as the widest item: the others wrap.
  QSize size;
  for (const QLayoutItem* item : items_)
    if (!item->isEmpty()) size = size.expandedTo(item->minimumSize());
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize TFlowLayout::sizeHint() const {
  // All on one line.
  int width = 0, height = 0;
  for (const QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    if (width > 0) width += spacing_;
    width += item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
  }
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int TFlowLayout::Arrange(const QRect& rect, bool apply) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  struct TPlaced {
    QLayoutItem* Item;
    QSize Size;
    int Line;
  };
  std::vector<TPlaced> placed;
  std::vector<int> lineHeights;
  std::vector<int> lineWidths;
  int x = 0, line = -1;
  for (int i = 0; i < items_.size(); ++i) {
    QLayoutItem* item = items_[i];
    if (item->isEmpty()) continue;
    const QSize size =
        item->sizeHint().boundedTo(QSize(std::max(area.width(), item->minimumSize().width()), QWIDGETSIZE_MAX));
    if (line < 0 || (x > 0 && x + spacing_ + size.width() > area.width())) {
      ++line;
      lineHeights.push_back(0);
      lineWidths.push_back(0);
      x = 0;
    } else if (x > 0) {
      x += spacing_;
    }
    placed.push_back({item, size, line});
    x += size.width();
    lineWidths[line] = x;
    lineHeights[line] = std::max(lineHeights[line], size.height());
  }
  int height = 0;
  for (size_t l = 0; l < lineHeights.size(); ++l) height += lineHeights[l] + (l ? spacing_ : 0);
  if (apply) {
    std::vector<int> lineX(lineHeights.size(), 0), lineTop(lineHeights.size(), 0);
    for (size_t l = 1; l < lineHeights.size(); ++l) lineTop[l] = lineTop[l - 1] + lineHeights[l - 1] + spacing_;
    size_t index = 0;
    bool stretched = false;
    for (int i = 0; i < items_.size(); ++i) {
      if (items_[i]->isEmpty()) continue;
      const TPlaced& p = placed[index++];
      // The first item after the stretch, and those after it on its line, go to the right end.
      if (!stretched && stretchAt_ >= 0 && i >= stretchAt_) {
        stretched = true;
        lineX[p.Line] += std::max(0, area.width() - lineWidths[p.Line]);
      }
      const int top = area.top() + lineTop[p.Line] + (lineHeights[p.Line] - p.Size.height()) / 2;
      p.Item->setGeometry(QRect(QPoint(area.left() + lineX[p.Line], top), p.Size));
      lineX[p.Line] += p.Size.width() + spacing_;
    }
  }
  const QMargins m = contentsMargins();
  return height + m.top() + m.bottom();
}

}  // namespace kivra::shell
