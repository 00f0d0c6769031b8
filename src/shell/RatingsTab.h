// The "Рейтинг" tab: the list of the ratings (one row per stake source, read from the engine's rows
// on demand), sorted by a click on a column header, with the efficiency modes of its E columns,
// the CSV export and the charts of the stakes behind the selected rows.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "shell/NoticeBar.h"
#include "shell/ListModels.h"

class QMenu;
class QTableView;

namespace kivra {
class TRatingState;
class TWorkspace;
}  // namespace kivra

namespace kivra::shell {

class TCommandMap;
class TXlsxExporter;

// The rows of the ratings in display order, their texts from the ratings state.
class TRatingsModel : public TArrayModel {
  Q_OBJECT
 public:
  TRatingsModel(const TRatingState& ratings, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TRatingState& ratings_;
};

class TRatingsTab : public QWidget {
  Q_OBJECT
 public:
  // `newTable` makes the window's kind of list over a model (name "lvRatings"). The tab becomes the
  // ratings' view: every save of the rows reaches the list (the workspace must not outlive the tab
  // unless the window clears the view handler first).
  TRatingsTab(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
              QWidget* parent = nullptr);

  QTableView* List() const { return list_; }
  TRatingsModel* Model() const { return model_; }
  // The selected rows, ascending.
  std::vector<int> SelectedRows() const;
  bool HasSelection() const;

  // After a save of the rows: the row count, the repaint and the sort mark.
  void UpdateView();
  // The notice above the list (an empty prize table); hidden when empty.
  TNoticeBar* Notice() const { return notice_; }
  // A click on a column header: the rows sorted by it (the current column again: the other
  // direction); the E columns do not sort.
  void ClickColumn(int column);

 signals:
  // Rows were turned into lines of the working script.
  void scriptLinesAdded();

 private:
  TNoticeBar* notice_ = nullptr;
  TRatingState& ratings_;
  TRatingsModel* model_;
  QTableView* list_;
};

// Registers the commands of the tab in the window's command map and gives the list its context
// menu. `chooseSaveFile` asks for the file of an export (caption, filter, default suffix; empty
// when cancelled).
using TSaveFileChooser =
    std::function<std::filesystem::path(const QString& caption, const QString& filter, const QString& suffix)>;
void AddRatingCommands(TCommandMap& commands, TRatingsTab& tab, TWorkspace& ws, TSaveFileChooser chooseSaveFile,
                       TXlsxExporter& xlsx);
// Fills the "Рейтинг" menu with its commands and the submenu of the efficiency modes.
void FillRatingsMenu(QMenu* menu, const TCommandMap& commands);

}  // namespace kivra::shell
