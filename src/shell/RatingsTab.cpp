#include "shell/RatingsTab.h"

#include <QActionGroup>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "shell/ChartWindow.h"
#include "shell/CommandMap.h"
#include "shell/XlsxExport.h"
#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

QStringList Captions() {
  QStringList captions;
  for (const char* c : RatingColumnCaptions) captions << QString::fromUtf8(c);
  return captions;
}

// Widths of the columns before the user changes them: the comment wide, the numbers as their
// captions (with the sort mark) need, the E columns wide enough for the relative mode's texts.
int DesignWidth(const QTableView& view, int column) {
  if (column == 0) return 240;
  const QFontMetrics& fm = view.fontMetrics();
  const int caption = fm.horizontalAdvance(QString::fromUtf8(RatingColumnCaptions[column])) + 28;
  const int numbers = column >= RatingEffColumn ? fm.horizontalAdvance(QStringLiteral("999999.999%")) + 12
                      : column >= 6             ? 36
                                                : 64;
  return std::max(caption, numbers);
}

const QString CsvFilter = QStringLiteral("CSV-файлы (*.csv)");
const char* const EffModeSubmenu = "Эффективность (столбцы E0..n)";

}  // namespace

// --- Model ---

TRatingsModel::TRatingsModel(const TRatingState& ratings, QObject* parent)
    : TArrayModel(Captions(), parent), ratings_(ratings) {}

QVariant TRatingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= ratings_.Ratings().Count()) return {};
  switch (role) {
    case Qt::DisplayRole: return ToQ(ratings_.CellText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      return index.column() == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                 : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
      // Comments of script stakes are long: the whole text on the first column.
      return index.column() == 0 ? ToQ(ratings_.CellText(index.row(), 0)) : QVariant();
    default: return {};
  }
}

// --- Tab ---

TRatingsTab::TRatingsTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
                         QWidget* parent)
    : QWidget(parent), ratings_(ws.Ratings()), model_(new TRatingsModel(ws.Ratings(), this)), list_(newTable(model_)) {
  setObjectName("tsRatings");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  notice_ = new TNoticeBar(QStringLiteral("lbRatingsNotice"), this);
  v->addWidget(notice_);
  v->addWidget(list_, 1);

  for (int c = 0; c < RatingColumnCount; ++c) list_->setColumnWidth(c, DesignWidth(*list_, c));
  auto* header = list_->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSectionsClickable(true);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { ClickColumn(column); });

  ratings_.Ratings().SetViewHandler([this] { UpdateView(); });
  UpdateView();
}

std::vector<int> TRatingsTab::SelectedRows() const {
  std::vector<int> rows;
  if (!list_->selectionModel()) return rows;
  for (const QItemSelectionRange& r : list_->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

bool TRatingsTab::HasSelection() const { return list_->selectionModel() && list_->selectionModel()->hasSelection(); }

void TRatingsTab::UpdateView() {
  model_->SetRowCount(ratings_.Ratings().Count());
  list_->horizontalHeader()->setSortIndicator(ratings_.SortColumn(),
                                              ratings_.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TRatingsTab::ClickColumn(int column) {
  if (column >= 0 && column < RatingEffColumn) {
    const bool descending = column == ratings_.SortColumn() ? !ratings_.SortDescending() : false;
    // The rows move: a selection would point at other rows.
    list_->clearSelection();
    ratings_.SortBy(column, descending);
  }
  // The header flips its mark on every click; it shows the order the rows have.
  UpdateView();
}

// --- Commands ---

void AddRatingCommands(TCommandMap& commands, TRatingsTab& tab, TWorkspace& ws, TSaveFileChooser chooseSaveFile,
                       TXlsxExporter& xlsx) {
  TRatingState& ratings = ws.Ratings();
  TStakeState& stakes = ws.Stakes();
  auto add = [&commands](QString name, QString caption, QString hint, QKeySequence key, std::function<void()> run,
                         std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr) {
    return commands.Add({std::move(name), std::move(caption), std::move(hint), std::move(key), std::move(run),
                         std::move(enabled), std::move(checked)});
  };
  auto show = [&tab](const std::optional<TChartData>& chart) {
    if (chart) TChartWindow::ShowModal(*chart, tab.window());
  };
  auto selected = [&tab] { return tab.HasSelection(); };
  auto journalNotEmpty = [&stakes] { return stakes.Journal().HasRecords(); };

  // clang-format off
  add("RatingsRefresh", "Обновить рейтинг", "Пересчет рейтинга по ставкам журнала",
      QKeySequence(Qt::Key_F5), [&ratings] { ratings.Refresh(); },
      [&stakes] { return stakes.Journal().IsOpen(); });
  add("RatingsToScript", "Добавить в сценарий", "Добавить выделенные строки рейтинга в сценарий", {},
      [&ratings, &ws, &tab] {
        if (ratings.ToScript(tab.SelectedRows(), ws.Script(), TMethodLookup(ws.Stats())) > 0)
          emit tab.scriptLinesAdded();
      },
      [&tab] { return tab.HasSelection(); });
  add("RatingsExport", "Экспорт рейтинга в CSV-файл", "Сохранение рейтинга в CSV-файл", {},
      [&ratings, chooseSaveFile] {
        const std::filesystem::path file =
            chooseSaveFile(QStringLiteral("Экспорт рейтинга в CSV-файл"), CsvFilter, QStringLiteral("csv"));
        if (!file.empty()) ratings.Export(file);
      },
      [&ratings] { return ratings.Ratings().Count() > 0; });
  add("RatingsGraphOverlap", "Количество совпадений", "График количества совпадений для выделенных строк рейтинга", {},
      [&ratings, &tab, show] { show(ratings.MatchCountChart(tab.SelectedRows())); }, selected);
  add("StakesGraphDraws", "Суммарный профит по тиражам", "График суммарного профита ставок по тиражам",
      QKeySequence(Qt::Key_F6), [&ratings, show] { show(ratings.ProfitByDrawChart()); }, journalNotEmpty);
  add("StakesGraphOverlap", "График совпадений ставок", "График количества совпадений для всех ставок по тиражам",
      QKeySequence(Qt::CTRL | Qt::Key_F6),
      [&ratings, &tab, show] { show(ratings.StakesByDrawChart(tab.SelectedRows(), false)); },
      [journalNotEmpty, selected] { return journalNotEmpty() && selected(); });
  add("StakesGraphProfits", "График профита ставок", "График профита для всех ставок по тиражам",
      QKeySequence(Qt::ALT | Qt::Key_F6),
      [&ratings, &tab, show] { show(ratings.StakesByDrawChart(tab.SelectedRows(), true)); },
      [journalNotEmpty, selected] { return journalNotEmpty() && selected(); });
  // clang-format on
  AddXlsxCommand(
      commands, xlsx, "RatingsXlsExport", "Экспорт рейтинга в Microsoft Excel",
      "Экспорт рейтинга в книгу Microsoft Excel", [&tab] { return ViewTable(tab.List(), QStringLiteral("Рейтинг")); },
      [&ratings] { return ratings.Ratings().Count() > 0; });
  const std::array<const char*, 3> modeHints = {
      "Столбцы E0..E5: ожидаемое количество ставок с данным числом совпадений",
      "Столбцы E0..E5: доля ставок с данным числом совпадений минус ожидаемая доля (в процентах)",
      "Столбцы E0..E5: количество ставок с данным числом совпадений в процентах от ожидаемого"};
  auto* modes = new QActionGroup(&tab);
  modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
  for (int mode = 0; mode < 3; ++mode)
    modes->addAction(add(
        QStringLiteral("RatingsEffMode%1").arg(mode), QString::fromUtf8(RatingEffModeCaptions[mode]),
        QString::fromUtf8(modeHints[mode]), {},
        [&ratings, &tab, mode] {
          ratings.SetEffMode(mode);
          tab.Model()->Repaint();
        },
        nullptr, [&ratings, mode] { return ratings.EffMode() == mode; }));

  // F5 is the statistics refresh elsewhere in the window; in the list it refreshes the ratings.
  MakeShortcutLocal(commands, "RatingsRefresh", tab.List());
  QObject::connect(tab.List(), &QTableView::doubleClicked, &tab,
                   [&commands] { commands.Trigger("RatingsGraphOverlap"); });

  // The list's context menu: the menu's commands, the profit chart of all stakes with them.
  QTableView* list = tab.List();
  auto* menu = new QMenu(list);
  FillRatingsMenu(menu, commands);
  const QList<QAction*> actions = menu->actions();
  list->addActions(actions);
  auto* sep = new QAction(list);
  sep->setSeparator(true);
  list->addAction(sep);
  if (QAction* draws = commands.Action("StakesGraphDraws")) list->addAction(draws);
}

void FillRatingsMenu(QMenu* menu, const TCommandMap& commands) {
  commands.Fill(menu, {"StakesGraphOverlap", "StakesGraphProfits", "RatingsGraphOverlap"});
  menu->addSeparator();
  commands.Fill(menu->addMenu(QString::fromUtf8(EffModeSubmenu)),
                {"RatingsEffMode0", "RatingsEffMode1", "RatingsEffMode2"});
  commands.Fill(menu, {"", "RatingsRefresh", "", "RatingsToScript", "", "RatingsExport", "RatingsXlsExport"});
}

}  // namespace kivra::shell
