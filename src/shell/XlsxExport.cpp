#include "shell/XlsxExport.h"

#include <QBrush>
#include <QDesktopServices>
#include <QHeaderView>
#include <QTableView>
#include <QUrl>

#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "shell/CommandMap.h"
#include "shell/ShellPort.h"
#include "shell/ViewGrid.h"

namespace kivra::shell {

namespace {

const QString BookFilter = QStringLiteral("Книги Microsoft Excel (*.xlsx)");

// The logical columns a header shows, in their visual order.
std::vector<int> VisibleColumns(const QTableView* view, int count) {
  const QHeaderView* header = view->horizontalHeader();
  std::vector<int> columns;
  for (int v = 0; v < count; ++v) {
    const int logical = header->logicalIndex(v);
    if (logical >= 0 && !header->isSectionHidden(logical)) columns.push_back(logical);
  }
  return columns;
}

}  // namespace

TXlsxExporter::TXlsxExporter(TUserPort& port, TSaveChooser chooseSaveFile)
    : port_(port), chooseSaveFile_(std::move(chooseSaveFile)), opener_([&port](const std::filesystem::path& file) {
        // Without a program for spreadsheets the desktop opens nothing and says nothing.
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string()))))
          port.ShowWarning(SysFormat("Книга сохранена в файле %s.\rНе найдена программа, которая открывает такие "
                                     "файлы; откройте файл вручную.",
                                     {file.string()}));
      }) {}

bool TXlsxExporter::Export(const QString& caption, const TXlsxTable& table) {
  const std::filesystem::path file = chooseSaveFile_(caption, BookFilter, QStringLiteral("xlsx"));
  if (file.empty()) return false;
  const std::string progress = SysFormat("Экспорт в файл \"%s\"...", {file.filename().string()});
  bool written = false;
  std::string error;
  {
    TBusyScope busy(port_, progress);
    TXlsxOptions options;
    // The status bar shows how far it is; showing it lets the window repaint.
    options.Progress = [this, &progress](uint32_t done, uint32_t total) {
      port_.ShowProgress(SysFormat("%s %d%%", {progress, total ? int(uint64_t(done) * 100 / total) : 100}));
      return true;
    };
    written = WriteXlsxBook(file, table, options, error);
  }
  if (!written) {
    port_.ShowError(error);
    return false;
  }
  port_.SetStatusText(6, SysFormat("Книга сохранена: %s", {file.string()}));
  if (opener_) opener_(file);
  return true;
}

TXlsxTable ViewTable(const QTableView* view, const QString& title) {
  const QAbstractItemModel* model = view->model();
  const std::vector<int> columns = VisibleColumns(view, model->columnCount());
  TXlsxTable table;
  table.Title = FromQ(title);
  for (int c : columns) table.Captions.push_back(FromQ(model->headerData(c, Qt::Horizontal).toString()));
  table.RowCount = static_cast<uint32_t>(model->rowCount());
  table.Row = [model, columns](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>&) {
    for (size_t c = 0; c < columns.size(); ++c)
      cells[c] = FromQ(model->index(static_cast<int>(row), columns[c]).data(Qt::DisplayRole).toString());
  };
  return table;
}

TXlsxTable GridTable(const QTableView* view, const TGridModel& model, const QString& title) {
  // Model column c is grid column c + 1; grid column 0 is the row header.
  std::vector<int> columns{0};
  for (int c : VisibleColumns(view, model.columnCount())) columns.push_back(c + 1);
  TXlsxTable table;
  table.Title = FromQ(title);
  for (int c : columns) table.Captions.push_back(model.GridText(0, c));
  table.RowCount = static_cast<uint32_t>(model.rowCount());
  table.Backgrounds = true;
  const TGridModel* grid = &model;
  table.Row = [grid, columns](uint32_t row, std::vector<std::string>& cells, std::vector<TXlsxColor>& colors) {
    const int r = static_cast<int>(row) + 1;
    for (size_t c = 0; c < columns.size(); ++c) {
      cells[c] = grid->GridText(r, columns[c]);
      if (columns[c] == 0) continue;
      const QVariant background = grid->index(r - 1, columns[c] - 1).data(Qt::BackgroundRole);
      if (background.isValid()) colors[c] = background.value<QBrush>().color().rgb() & 0xFFFFFFu;
    }
  };
  return table;
}

void AddXlsxCommand(TCommandMap& commands, TXlsxExporter& exporter, const QString& name, const QString& caption,
                    const QString& hint, std::function<TXlsxTable()> table, std::function<bool()> enabled) {
  commands.Add({name,
                caption,
                hint,
                {},
                [&exporter, caption, table] { exporter.Export(caption, table()); },
                std::move(enabled),
                nullptr});
}

}  // namespace kivra::shell
