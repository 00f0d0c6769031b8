// Item models over the engine's arrays. They read on demand (the combination list has up to
// 1,221,759 rows); the window tells them when the arrays changed.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

// The switches the lists' colours depend on, owned by the window.
struct TViewColors {
  bool Draws = true;  // "ColorDraws"
  bool Combs = true;  // "ColorCombs"
};

// Base: a fixed set of column captions and a row count the window sets.
class TArrayModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TArrayModel(QStringList captions, QObject* parent) : QAbstractTableModel(parent), captions_(std::move(captions)) {}
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : captions_.size(); }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Sets the row count (a reset when it changed) and repaints every row.
  void SetRowCount(int rows);
  void Repaint();

 private:
  QStringList captions_;
  int rows_ = 0;
};

// The draws list: newest first, "Тираж", "1".."5", "S", "Дата тиража".
class TDrawsModel : public TArrayModel {
  Q_OBJECT
 public:
  TDrawsModel(const TWorkspace& ws, const TViewColors& colors, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;
  // The archive index of a row.
  int ArchiveIndex(int row) const;

 private:
  const TWorkspace& ws_;
  const TViewColors& colors_;
};

// The combination list: "№ п.п.", "1".."5", "S".
class TCombsModel : public TArrayModel {
  Q_OBJECT
 public:
  TCombsModel(const TWorkspace& ws, const TViewColors& colors, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TWorkspace& ws_;
  const TViewColors& colors_;
};

// The applied-operations log: "Примененные фильтры", "Значения", "Комбинаций", with icons.
class TFilterLogModel : public TArrayModel {
  Q_OBJECT
 public:
  TFilterLogModel(const TWorkspace& ws, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;
  // The icon of a log row kind (11 undo, 12 keep, 13 remove).
  static QIcon LogIcon(int icon);

 private:
  const TWorkspace& ws_;
};

// The statistics table: the 20 columns of the view, in its display order, and ColInList (moved after
// "Значение" by the window).
class TStatTableModel : public TArrayModel {
  Q_OBJECT
 public:
  TStatTableModel(const TWorkspace& ws, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;
  // The captions, and as tool tips what each column is.
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TWorkspace& ws_;
};

}  // namespace kivra::shell
