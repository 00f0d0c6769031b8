#include "shell/ChartWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/ShellPort.h"
#include "shell/StatChart.h"

namespace kivra::shell {

namespace {
constexpr int DesignWidth = 860;
constexpr int DesignHeight = 580;
}  // namespace

TChartWindow::TChartWindow(const TChartData& data, QWidget* parent)
    : QDialog(parent),
      chart_(new TStatChart),
      labelsBox_(new QCheckBox(QStringLiteral("Отображать метки на графиках"))) {
  setObjectName("TFormGraph");
  setWindowTitle(data.Title.empty() ? QStringLiteral("График") : ToQ(data.Title));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  setSizeGripEnabled(true);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 4, 4, 4);
  auto* panel = new QHBoxLayout;
  labelsBox_->setObjectName("chkLabels");
  labelsBox_->setChecked(true);
  panel->addWidget(labelsBox_);
  panel->addStretch();
  v->addLayout(panel);
  // Figures and notes the chart comes with, above it.
  if (data.Table.size() > 1) {
    const auto& header = data.Table.front();
    auto* table = new QTableWidget(static_cast<int>(data.Table.size() - 1), static_cast<int>(header.size()));
    table->setObjectName("tblFigures");
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->hide();
    for (size_t c = 0; c < header.size(); ++c)
      table->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(ToQ(header[c])));
    for (size_t r = 1; r < data.Table.size(); ++r)
      for (size_t c = 0; c < header.size() && c < data.Table[r].size(); ++c) {
        auto* item = new QTableWidgetItem(ToQ(data.Table[r][c]));
        item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
      }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int height = table->horizontalHeader()->height() + 2 * table->frameWidth();
    for (int r = 0; r < table->rowCount(); ++r) height += table->rowHeight(r);
    table->setFixedHeight(height);
    v->addWidget(table);
  }
  if (!data.Notes.empty()) {
    QStringList notes;
    for (const std::string& note : data.Notes) notes << ToQ(note).toHtmlEscaped();
    auto* label = new QLabel(QStringLiteral("<p>") + notes.join(QStringLiteral("</p><p>")) + QStringLiteral("</p>"));
    label->setObjectName("lbNotes");
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    v->addWidget(label);
  }
  chart_->setObjectName("chart");
  chart_->SetTitle(ToQ(data.Title));
  chart_->SetSeries(data.Series);
  v->addWidget(chart_, 1);
  connect(labelsBox_, &QCheckBox::toggled, chart_, &TStatChart::SetValueLabelsVisible);
  // A chart without value labels has nothing for the box to do.
  labelsBox_->setEnabled(chart_->LabelledSeriesCount() > 0);
  // Figures above the chart need the room.
  resize(DesignWidth, data.Table.empty() && data.Notes.empty() ? DesignHeight : DesignHeight + 300);
}

void TChartWindow::ShowModal(const TChartData& data, QWidget* parent) {
  TChartWindow window(data, parent);
  window.exec();
}

}  // namespace kivra::shell
