#include "shell/ListModels.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPixmap>

#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

const QColor OffsetRowColor(0xFF, 0xAA, 0xAA);

QColor EngineColor(TColor c) { return QColor::fromRgb(ColorToRgb(c)); }

QStringList NumberColumns(const QString& first, const QString& last) {
  QStringList s{first, "1", "2", "3", "4", "5", "S"};
  if (!last.isEmpty()) s << last;
  return s;
}

int CombSum(const TComb& c) { return c[0] + c[1] + c[2] + c[3] + c[4]; }

}  // namespace

QVariant TArrayModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < captions_.size())
    return captions_[section];
  return {};
}

void TArrayModel::SetRowCount(int rows) {
  if (rows != rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  } else {
    Repaint();
  }
}

void TArrayModel::Repaint() {
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

// --- Draws ---

TDrawsModel::TDrawsModel(const TWorkspace& ws, const TViewColors& colors, QObject* parent)
    : TArrayModel(NumberColumns(QStringLiteral("Тираж"), QStringLiteral("Дата тиража")), parent),
      ws_(ws),
      colors_(colors) {}

int TDrawsModel::ArchiveIndex(int row) const { return ws_.Archive().High() - row; }

QVariant TDrawsModel::data(const QModelIndex& index, int role) const {
  const auto& archive = ws_.Archive();
  const int i = ArchiveIndex(index.row());
  if (!index.isValid() || i < 0 || i > archive.High()) return {};
  const int col = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      const TDraw d = archive.Draw(i);
      if (col == 0) return d.Number;
      if (col >= 1 && col <= 5) return int(d.Nums[col - 1]);
      if (col == 6) return CombSum(d.Nums);
      if (col == 7) return ToQ(d.DateText());
      return {};
    }
    case Qt::BackgroundRole: {
      const bool offsetRow = index.row() == archive.DrawsOffset();
      if (colors_.Draws) {
        if (col >= 1 && col <= 5) {
          const TDraw d = archive.Draw(i);
          return QBrush(EngineColor(NumberColor(d.Nums[col - 1], ws_.Config().Data.ChannelSize)));
        }
        return QBrush(offsetRow ? OffsetRowColor : QColor(Qt::white));
      }
      if (offsetRow) return QBrush(OffsetRowColor);
      return {};
    }
    case Qt::ForegroundRole:
      if (colors_.Draws || index.row() == archive.DrawsOffset()) return QBrush(Qt::black);
      return {};
    case Qt::TextAlignmentRole: return col == 7 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    default: return {};
  }
}

// --- Combinations ---

TCombsModel::TCombsModel(const TWorkspace& ws, const TViewColors& colors, QObject* parent)
    : TArrayModel(NumberColumns(QStringLiteral("№ п.п."), {}), parent), ws_(ws), colors_(colors) {}

QVariant TCombsModel::data(const QModelIndex& index, int role) const {
  const auto& list = ws_.Combs().List();
  const int row = index.row();
  if (!index.isValid() || row < 0 || static_cast<uint32_t>(row) >= list.Count()) return {};
  const int col = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      const TComb& c = list[row];
      if (col == 0) return row + 1;
      if (col >= 1 && col <= 5) return int(c[col - 1]);
      if (col == 6) return CombSum(c);
      return {};
    }
    case Qt::BackgroundRole:
      if (!colors_.Combs) return {};
      if (col >= 1 && col <= 5)
        return QBrush(EngineColor(NumberColor(list[row][col - 1], ws_.Config().Data.ChannelSize)));
      return QBrush(Qt::white);
    case Qt::ForegroundRole: return colors_.Combs ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole: return col == 0 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignCenter);
    default: return {};
  }
}

// --- Log ---

TFilterLogModel::TFilterLogModel(const TWorkspace& ws, QObject* parent)
    : TArrayModel({QStringLiteral("Примененные фильтры"), QStringLiteral("Значения"), QStringLiteral("Комбинаций")},
                  parent),
      ws_(ws) {}

QIcon TFilterLogModel::LogIcon(int icon) {
  // Small drawn marks: a green plus for keeping, a red minus for removing, a blue arrow for undo.
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor color = icon == LogIconKeep     ? QColor(0, 150, 0)
                       : icon == LogIconRemove ? QColor(200, 0, 0)
                                               : QColor(0, 90, 200);
  p.setBrush(color);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(1, 1, 14, 14));
  p.setPen(QPen(Qt::white, 2));
  if (icon == LogIconKeep) {
    p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
    p.drawLine(QPointF(8, 4.5), QPointF(8, 11.5));
  } else if (icon == LogIconRemove) {
    p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
  } else {
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
    p.drawLine(QPointF(5, 8), QPointF(8, 5));
    p.drawLine(QPointF(5, 8), QPointF(8, 11));
  }
  return QIcon(pm);
}

QVariant TFilterLogModel::data(const QModelIndex& index, int role) const {
  const auto& log = ws_.Combs().List().Log();
  if (!index.isValid() || index.row() >= static_cast<int>(log.size())) return {};
  const TFilterLogRow& r = log[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      if (index.column() == 0) return ToQ(r.Caption);
      if (index.column() == 1) return ToQ(r.Values);
      if (index.column() == 2) return r.Count;
      return {};
    case Qt::ToolTipRole: return index.column() == 1 ? ToQ(r.Values) : QVariant();
    case Qt::DecorationRole:
      if (index.column() == 0) {
        static const QIcon icons[3] = {LogIcon(LogIconUndo), LogIcon(LogIconKeep), LogIcon(LogIconRemove)};
        if (r.Icon >= LogIconUndo && r.Icon <= LogIconRemove) return icons[r.Icon - LogIconUndo];
      }
      return {};
    case Qt::TextAlignmentRole:
      return index.column() == 2 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
  }
}

// --- Statistics table ---

namespace {
QStringList StatCaptions() {
  QStringList s;
  for (auto c : StatColumnCaptions) s << ToQ(c);
  s << ToQ(InListCaption);  // ColInList, shown after "Значение" while its switch is on
  return s;
}
}  // namespace

TStatTableModel::TStatTableModel(const TWorkspace& ws, QObject* parent)
    : TArrayModel(StatCaptions(), parent), ws_(ws) {}

namespace {
// What each column is, in one line (the header's tool tip).
const std::array<const char*, StatColumnCount> StatColumnHints = {
    "Значение статистики",
    "Сколько раз значение встретилось в анализируемых тиражах",
    "Количество в процентах от суммы количеств всех значений",
    "Ожидаемое количество: число комбинаций полного набора с этим значением, приведенное к масштабу "
    "окна (наибольшее количество в окне / наибольшее в полном наборе)",
    "Количество минус норма",
    "Отклонение в процентах от нормы",
    "Сколько тиражей назад значение встретилось последний раз (1 - в последнем тираже окна)",
    "Глубина в процентах от наибольшей глубины таблицы",
    "Вес значения по коэффициентам параметров (по умолчанию глубина минус отклонение)",
    "Номер последнего тиража, в котором встретилось значение",
    "Наименьшее расстояние в номерах тиражей между соседними появлениями значения",
    "Средний период: количество тиражей окна / количество",
    "Наибольшее расстояние в номерах тиражей между соседними появлениями значения",
    "Ожидаемый номер тиража следующего появления по среднему периоду: посл. тираж + период",
    "Ожидаемый номер тиража следующего появления: (количество + 1) * посл. тираж / количество",
    "Ожидаемый номер тиража следующего появления: (количество + 2) * (посл. тираж + 1) / (количество + 1)",
    "Номер тиража, в котором значение на самом деле встретилось следующий раз (при смещении назад)",
    "Ожд. ПРД минус факт",
    "Ожд. СТФ минус факт",
    "Ожд. КРН минус факт",
};
}  // namespace

QVariant TStatTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < StatColumnCount)
    return ToQ(StatColumnHints[section]);
  if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section == ColInList)
    return QStringLiteral("Сколько комбинаций списка останется, если оставить только эту строку");
  return TArrayModel::headerData(section, orientation, role);
}

QVariant TStatTableModel::data(const QModelIndex& index, int role) const {
  const auto& rows = ws_.StatTab().View().Rows();
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
  const int col = index.column();
  if (role == Qt::DisplayRole) return ToQ(col == ColInList ? rows[index.row()].InList : rows[index.row()].Cells[col]);
  if (role == Qt::TextAlignmentRole)
    return col == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

}  // namespace kivra::shell
