// The commands of the main window that open a dialog: the dialog gives the inputs, the workspace
// carries out the command, the window refreshes its views.
#include <QTableView>

#include "shell/ChartWindow.h"
#include "shell/InfoWindow.h"
#include "shell/MainWindow.h"
#include "shell/ShreddingDialog.h"
#include "shell/UnitConfig.h"
#include "shell/UnitDraw.h"
#include "shell/UnitFavorites.h"
#include "shell/UnitFirstRun.h"
#include "shell/UnitGen.h"
#include "shell/UnitHelp.h"
#include "shell/UnitProxy.h"
#include "views/SumDistribution.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {
const QString DrawCaption = QStringLiteral("Введите данные следующего тиража");
}

void TTemplateMain::CmdDrawsAdd() {
  TEditDrawDialog dialog(this, DrawCaption, ws_->NewDrawRecord(), port_,
                         [this](int32_t number) { return ws_->DrawNumberTaken(-1, number); });
  if (dialog.exec() != QDialog::Accepted) return;
  ws_->AddDraw(dialog.Result());
  RefreshDrawsList(true);
  RefreshAllViews(true);
}

void TTemplateMain::CmdDrawsEdit() {
  const int row = ActedRow(lvDraws_);
  if (row < 0) return;
  const int index = drawsModel_->ArchiveIndex(row);
  if (index < 0 || index > ws_->Archive().High()) return;
  TEditDrawDialog dialog(this, DrawCaption, ws_->Archive().Stored(index), port_,
                         [this, index](int32_t number) { return ws_->DrawNumberTaken(index, number); });
  if (dialog.exec() != QDialog::Accepted) return;
  ws_->EditDraw(index, dialog.Result());
  RefreshDrawsList(false);
  RefreshAllViews(true);
}

void TTemplateMain::CmdCombsGen() {
  TGenerateDialog dialog(this, ws_->Combs().GenDefaults(), &port_);
  if (dialog.exec() != QDialog::Accepted) return;
  lvCombs_->clearSelection();
  ws_->Combs().GenerateCommand(dialog.Params(), dialog.SaveAsDefaults());
}

void TTemplateMain::CmdFiltersManager() {
  TFavoritesDialog dialog(this, ws_->Stats(), ws_->NamesPath(), ws_->DataDir(), port_,
                          [this](int entry) { CmdFiltersInfo(entry); });
  if (dialog.exec() != QDialog::Accepted) return;
  {
    TBusyScope busy(port_, "Подождите пожалуйста...");
    ws_->Stats().SaveNames(ws_->NamesPath(), true, false, port_);
    FillSelectors(true, false);
  }
  RefreshAllViews(true);
}

void TTemplateMain::CmdFiltersInfo(int entry) {
  if (entry < 0 || entry >= ws_->Stats().Count()) return;
  const auto helpDir = std::filesystem::path(HelpFile().toStdString()).parent_path();
  TDescriptionViewer viewer(this, helpDir.empty() ? QString() : StatHelpPage(helpDir, ws_->Stats(), entry));
  viewer.exec();
}

void TTemplateMain::CmdEditConfig() {
  TEditConfigDialog dialog(this, ws_->Config().Data, port_);
  if (dialog.exec() != QDialog::Accepted) return;
  const uint32_t groups = ws_->ApplyConfig(dialog.Result());
  // Parameter ranges may change: the registry is rebuilt and the selection kept by position.
  FillSelectors(true, true);
  ws_->StatTab().BuildAllCaches(false, groups);
  RefreshAllViews(true);
  drawsModel_->Repaint();
  combsModel_->Repaint();
  UpdatePrizeNotices();
}

void TTemplateMain::CmdEditProxy() {
  TEditProxyDialog dialog(this, ws_->Config().Proxy);
  if (dialog.exec() != QDialog::Accepted) return;
  ws_->SaveProxy(dialog.Result());
}

void TTemplateMain::CmdEditShredding() {
  TShreddingDialog dialog(this, ws_->Config().Shredding);
  if (dialog.exec() != QDialog::Accepted) return;
  const uint32_t groups = ws_->ApplyShredding(dialog.Result());
  // The methods' names show the formulas: the registry is rebuilt and the selection kept by position.
  FillSelectors(true, true);
  // With the comparison off the old formulas' full-set files are deleted, else built anew.
  ws_->StatTab().BuildAllCaches(false, groups);
  RefreshAllViews(true);
}

void TTemplateMain::CmdDrawsInfo() {
  const int row = ActedRow(lvDraws_);
  const int index = row < 0 ? -1 : drawsModel_->ArchiveIndex(row);
  if (index < 0 || index > ws_->Archive().High()) return;
  TInfoWindow::ShowModal(*ws_, DrawInfoSubject(ws_->Archive(), index, ws_->Archive().SortedDraws()), this);
}

void TTemplateMain::CmdCombsInfo() {
  const int row = ActedRow(lvCombs_);
  if (row < 0 || uint32_t(row) >= ws_->Combs().List().Count()) return;
  TInfoWindow::ShowModal(
      *ws_, CombInfoSubject(ws_->Archive(), ws_->Combs().List()[size_t(row)], ws_->Archive().SortedDraws()), this);
}

void TTemplateMain::CmdTotalSumCombs() {
  TChartData chart;
  {
    TBusyScope busy(port_, "Идет сбор статистики....");
    chart = SumDistributionChart(BuildSumDistribution(ws_->Archive()));
  }
  TChartWindow::ShowModal(chart, this);
}

void TTemplateMain::CmdFirstRun() {
  TFirstRunDialog dialog(this, HelpFile(), webLinks_, [this, &dialog] { ShowHelp(&dialog); });
  dialog.exec();
  // A help window opened from the dialog outlives it.
  if (helpViewer_ && helpViewer_->parentWidget() == &dialog) ShowHelp(this);
  if (dialog.DontShowAgain()) ws_->Settings().WriteSetting(MainWindowSection, "FirstRun", false, &port_);
}

}  // namespace kivra::shell
