// "Сравнить со случайной игрой": the checked stakes of the selected journal records or ratings rows
// (or of the whole journal) compared with chance. A small window with «Стоп» shows the progress
// while the runs go on; then the chart window shows the figures and the histogram of the random
// profits with the real one marked.
#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <vector>

#include "stakes/StakesChance.h"

class QWidget;

namespace kivra {
class TWorkspace;
}  // namespace kivra

namespace kivra::shell {

class TChartWindow;
class TCommandMap;
class TRatingsTab;
class TShellPort;
class TStakesTab;
class TWaitWindow;

class TChanceCommand : public QObject {
  Q_OBJECT
 public:
  TChanceCommand(TWorkspace& ws, TShellPort& port, QWidget* window);

  // Compares the stakes (nothing: the message was shown) with chance; `what` names them in the
  // window. False when nothing was shown (refused or stopped).
  bool Run(const std::optional<std::vector<TChanceStake>>& stakes, const std::string& what);

 signals:
  // After every step of the runs, before the «Стоп» button is asked: pressing it here stops them.
  void progressShown(kivra::shell::TWaitWindow* wait);
  // The window with the figures is about to be shown modally.
  void windowOpening(kivra::shell::TChartWindow* window);

 private:
  TWorkspace& ws_;
  TShellPort& port_;
  QWidget* window_;
};

// Registers "StakesChance" (the stakes grid's context menu and the "Ставки" menu: the selected
// records, all when fewer than two are selected) and "RatingsChance" (the ratings list's context
// menu: the stakes of the selected rows, all when none is selected).
void AddChanceCommands(TCommandMap& commands, TChanceCommand& chance, TStakesTab& stakes, TRatingsTab& ratings,
                       TWorkspace& ws);

}  // namespace kivra::shell
