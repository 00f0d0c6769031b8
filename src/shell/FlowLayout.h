// A layout that places its widgets left to right and wraps them onto further lines when the width
// runs out: button rows stay whole and reachable on narrow windows instead of widening them.
#pragma once

#include <QLayout>
#include <QList>

namespace kivra::shell {

class TFlowLayout : public QLayout {
 public:
  explicit TFlowLayout(QWidget* parent = nullptr, int spacing = 6);
  ~TFlowLayout() override;

  // A stretch: the items after it go to the right end of their line when the line has room.
  void addStretch();

  void addItem(QLayoutItem* item) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override { return items_.value(index); }
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
  QSize minimumSize() const override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Places the items in `rect` (or only measures); the height used.
  int Arrange(const QRect& rect, bool apply) const;

  QList<QLayoutItem*> items_;
  int spacing_;
  int stretchAt_ = -1;  // index of the first item after the stretch, -1 when none
};

}  // namespace kivra::shell
