#include "shell/CardTab.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include "shell/CommandMap.h"
#include "shell/XlsxExport.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

TCardTab::TCardTab(TWorkspace& ws, std::function<int()> firstColumnWidth, QWidget* parent)
    : QWidget(parent),
      ws_(ws),
      firstColumnWidth_(std::move(firstColumnWidth)),
      model_(new TGridModel([&ws](int r, int c) { return CardCellText(ws.Archive(), r, c); },
                            [&ws](int r, int c) { return CardCellColor(ws.Archive(), r, c, ws.Views().CardOptions()); },
                            this)),
      grid_(NewGridView("sgCard", model_)) {
  setObjectName("tsCard");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->addWidget(grid_, 1);
  const int width = ScaledPx(this, 18);
  grid_->horizontalHeader()->setMinimumSectionSize(width);
  grid_->horizontalHeader()->setDefaultSectionSize(width);
}

void TCardTab::Refresh(bool force) {
  TViewsState& views = ws_.Views();
  if (views.RefreshCard(force)) {
    model_->SetGridSize(views.CardRows(), CardColumnCount);
    grid_->verticalHeader()->setFixedWidth(firstColumnWidth_());
  } else if (views.TabShown(TViewTab::Card)) {
    // The row count is the same; a draw may have been edited.
    model_->Repaint();
  }
}

void TCardTab::AddCommands(TCommandMap& commands, TShowPage showPage, TXlsxExporter& xlsx) {
  TWorkspace& ws = ws_;
  TViewsState& views = ws.Views();
  auto shown = [&views] { return views.TabShown(TViewTab::Card); };
  // clang-format off
  AddTabCommand(commands, ws, TViewTab::Card, "TabCard", "Вкладка \"Карта\"",
                "Показать или скрыть вкладку с картой тиражей", this, showPage, [this] { Refresh(true); });
  AddGridFilterCommands(commands, ws, TViewTab::Card, TGridKind::Card, "CardFilter", grid_, *model_, true,
                        "с выделенными в карте числами");
  commands.Add({"ViewColorCard", "Выделять каналы в карте тиражей", "Раскраска карты тиражей по каналам", {},
                [this, &views] {
                  views.SetColorCard(!views.ColorCard());
                  model_->Repaint();
                },
                shown, [&views] { return views.ColorCard(); }});
  commands.Add({"ViewColorCardSequences", "Выделять последовательности в карте тиражей",
                "Выделение в карте тиражей повторов из соседних тиражей и соседних чисел", {},
                [this, &views] {
                  views.SetColorCardSequences(!views.ColorCardSequences());
                  model_->Repaint();
                },
                shown, [&views] { return views.ColorCardSequences(); }});
  // clang-format on
  AddXlsxCommand(
      commands, xlsx, "CardXlsExport", "Экспорт карты тиражей в Microsoft Excel",
      "Экспорт карты тиражей в книгу Microsoft Excel",
      [this] { return GridTable(grid_, *model_, QStringLiteral("Карта")); },
      [shown, this] { return shown() && model_->GridColumns() > 2; });
  AddContextMenu(grid_, commands, {"CardFilter_Include", "CardFilter_Exclude", "", "CardXlsExport"});
}

}  // namespace kivra::shell
