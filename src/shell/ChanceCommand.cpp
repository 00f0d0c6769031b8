#include "shell/ChanceCommand.h"

#include <QAction>
#include <QApplication>
#include <QTableView>

#include "core/SysFormat.h"
#include "shell/ChartWindow.h"
#include "shell/CommandMap.h"
#include "shell/RatingsTab.h"
#include "shell/ShellPort.h"
#include "shell/StakesTab.h"
#include "shell/UnitWait.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

TChanceCommand::TChanceCommand(TWorkspace& ws, TShellPort& port, QWidget* window)
    : QObject(window), ws_(ws), port_(port), window_(window) {}

bool TChanceCommand::Run(const std::optional<std::vector<TChanceStake>>& stakes, const std::string& what) {
  if (!stakes) return false;
  std::optional<TChanceReport> report;
  {
    TWaitWindow wait(QStringLiteral("Сравнение со случайной игрой..."), window_,
                     QStringLiteral("Сравнение со случайной игрой"), QStringLiteral("Стоп"));
    if (!stakes->empty()) wait.show();
    TChanceOptions options;
    options.Threads = ws_.Runner().Threads();
    // Between the batches of runs: the window repaints, «Стоп» is heard.
    report = ws_.Stakes().CompareWithChance(*stakes, options, [this, &wait] {
      if (!port_.ProgressText().isEmpty()) wait.SetText(port_.ProgressText());
      QApplication::processEvents();
      emit progressShown(&wait);
      return wait.Cancelled();
    });
  }
  if (!report) return false;
  TChartWindow window(ChanceChart(*report, what), window_);
  emit windowOpening(&window);
  window.exec();
  return true;
}

void AddChanceCommands(TCommandMap& commands, TChanceCommand& chance, TStakesTab& stakesTab, TRatingsTab& ratingsTab,
                       TWorkspace& ws) {
  TStakeState& stakes = ws.Stakes();
  TRatingState& ratings = ws.Ratings();
  const QString caption = QStringLiteral("Сравнить со случайной игрой");
  commands.Add({"StakesChance",
                caption,
                QStringLiteral("Сравнение выделенных (или всех) проверенных ставок со случайной игрой"),
                {},
                [&chance, &stakesTab, &stakes] {
                  int first = 0, last = 0;
                  if (stakesTab.SelectedRecords(first, last) && last > first)
                    chance.Run(stakes.ChanceStakes(first + 1, last + 1),
                               SysFormat("Записи журнала %d-%d", {first + 1, last + 1}));
                  else chance.Run(stakes.ChanceStakes(0, 0), "Все ставки журнала");
                },
                [&stakes] { return stakes.Journal().HasRecords(); },
                nullptr});
  commands.Add({"RatingsChance",
                caption,
                QStringLiteral("Сравнение ставок выделенных (или всех) строк рейтинга со случайной игрой"),
                {},
                [&chance, &ratingsTab, &ratings, &stakes] {
                  const std::vector<int> rows = ratingsTab.SelectedRows();
                  if (rows.empty()) {
                    chance.Run(stakes.ChanceStakes(0, 0), "Все ставки журнала");
                  } else if (rows.size() == 1) {
                    chance.Run(ratings.ChanceStakes(rows),
                               "Строка рейтинга «" + ratings.Ratings().Rows()[size_t(rows[0])].CommentText() + "»");
                  } else {
                    chance.Run(ratings.ChanceStakes(rows),
                               SysFormat("Строки рейтинга (%d)", {static_cast<int>(rows.size())}));
                  }
                },
                [&stakes] { return stakes.Journal().HasRecords(); },
                nullptr});

  // At the end of the two lists' context menus.
  const auto append = [&commands](QTableView* view, const char* name) {
    auto* sep = new QAction(view);
    sep->setSeparator(true);
    view->addAction(sep);
    view->addAction(commands.Action(QString::fromLatin1(name)));
  };
  append(stakesTab.Grid(), "StakesChance");
  append(ratingsTab.List(), "RatingsChance");
}

}  // namespace kivra::shell
