// The spreadsheet export of the window's lists and grids: the table a view shows (its visible
// columns in their order, its rows in the order shown, the texts as displayed) written to a book
// the user chooses, with progress in the status bar, then opened with the desktop's handler.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>

#include "core/XlsxBook.h"

class QTableView;

namespace kivra {
class TUserPort;
}

namespace kivra::shell {

class TCommandMap;
class TGridModel;

class TXlsxExporter {
 public:
  // Asks for a file to save: caption, filter, default suffix; empty when cancelled.
  using TSaveChooser =
      std::function<std::filesystem::path(const QString& caption, const QString& filter, const QString& suffix)>;
  // Shows a written book (the desktop's default handler in the program; tests record it).
  using TOpener = std::function<void(const std::filesystem::path& file)>;

  TXlsxExporter(TUserPort& port, TSaveChooser chooseSaveFile);
  void SetOpener(TOpener opener) { opener_ = std::move(opener); }

  // The save dialog titled `caption`, then the book written and opened; false when cancelled or
  // not written (the error shown).
  bool Export(const QString& caption, const TXlsxTable& table);

 private:
  TUserPort& port_;
  TSaveChooser chooseSaveFile_;
  TOpener opener_;
};

// The table of a list view: the visible columns in their visual order with the header's captions,
// the model's rows (in the order shown), each cell's displayed text.
TXlsxTable ViewTable(const QTableView* view, const QString& title);
// The table of a card or layout grid: the grid's header row as the captions, its row header as the
// first column, the data cells with their backgrounds (the grid's colours, not the selection).
TXlsxTable GridTable(const QTableView* view, const TGridModel& model, const QString& title);

// Registers an export command: caption, hint, the table to write when it runs, the enabled rule.
void AddXlsxCommand(TCommandMap& commands, TXlsxExporter& exporter, const QString& name, const QString& caption,
                    const QString& hint, std::function<TXlsxTable()> table, std::function<bool()> enabled);

}  // namespace kivra::shell
