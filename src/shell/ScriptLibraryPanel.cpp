#include "shell/ScriptLibraryPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/CommandMap.h"
#include "shell/DialogUtil.h"
#include "shell/FlowLayout.h"
#include "shell/ShellPort.h"
#include "shell/UnitOnline.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

template <size_t N>
QStringList Captions(const std::array<std::string_view, N>& captions) {
  QStringList list;
  for (std::string_view c : captions) list << ToQ(c);
  return list;
}

}  // namespace

TOnlineScriptsModel::TOnlineScriptsModel(const TWorkspace& ws, QObject* parent)
    : TArrayModel(Captions(ScriptColumnCaptions), parent), ws_(ws) {}

QVariant TOnlineScriptsModel::data(const QModelIndex& index, int role) const {
  const auto& rows = ws_.Catalog().Scripts();
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
  const TScriptInfo& info = rows[index.row()];
  if (role == Qt::DisplayRole) return ToQ(ScriptCellText(info, index.column()));
  if (role == Qt::TextAlignmentRole && index.column() >= 7 && index.column() <= 10)
    return int(Qt::AlignRight | Qt::AlignVCenter);
  // Scripts another program published cannot be downloaded here: shown grey.
  if (role == Qt::ForegroundRole && !info.Downloadable) return QColor(Qt::gray);
  return {};
}

TScriptLibraryPanel::TScriptLibraryPanel(TWorkspace& ws,
                                         const std::function<QTableView*(QAbstractItemModel*)>& newTable,
                                         QWidget* parent)
    : QWidget(parent), ws_(ws), model_(new TOnlineScriptsModel(ws, this)) {
  setObjectName("ScriptLibraryPanel");
  filter_ = new QComboBox;
  filter_->setObjectName("cbScriptFilter");
  filter_->setToolTip(QStringLiteral("Фильтр сценариев"));
  for (std::string_view c : ScriptFilterCaptions) filter_->addItem(ToQ(c));
  filter_->setCurrentIndex(ws_.Catalog().Filter());
  connect(filter_, &QComboBox::activated, this, [this](int index) {
    ws_.Catalog().SetFilter(index);
    Reload();
  });
  list_ = newTable(model_);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->horizontalHeader()->setSortIndicatorShown(true);
  list_->horizontalHeader()->setSortIndicator(ScriptRatingColumn, Qt::DescendingOrder);
  list_->horizontalHeader()->setSectionsClickable(true);
  connect(list_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
    const int row = SelectedRow();
    const int32_t id = row >= 0 ? ws_.Catalog().Scripts()[row].Id : -1;
    ws_.Catalog().SortScripts(column, order == Qt::DescendingOrder);
    Refresh();
    if (row >= 0) SelectRow(ws_.Catalog().FindScript(id));
  });
  list_->setColumnWidth(0, 60);
  list_->setColumnWidth(1, 220);
  list_->setColumnWidth(6, 150);
  list_->setColumnWidth(11, 150);
  list_->setColumnWidth(12, 300);
  auto* caption = new QLabel(QStringLiteral("<b>Online каталог сценариев</b>"));
  auto* top = new QHBoxLayout;
  top->addWidget(caption);
  top->addSpacing(12);
  top->addWidget(new QLabel(QStringLiteral("Фильтр сценариев:")));
  top->addWidget(filter_);
  top->addStretch(1);
  buttons_ = new TFlowLayout;
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 2, 0, 0);
  v->setSpacing(2);
  v->addLayout(top);
  v->addLayout(buttons_);
  v->addWidget(list_, 1);
  askComment_ = [this]() -> std::optional<QString> {
    bool ok = false;
    const QString text =
        QInputDialog::getText(window(), QStringLiteral("Комментарий"),
                              QStringLiteral("Вы можете оставить свой комментарий:"), QLineEdit::Normal, {}, &ok);
    if (!ok) return std::nullopt;
    return text;
  };
}

void TScriptLibraryPanel::Refresh() {
  model_->SetRowCount(static_cast<int>(ws_.Catalog().Scripts().size()));
  model_->Repaint();
}

int TScriptLibraryPanel::SelectedRow() const {
  const auto rows = list_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  const int row = rows.front().row();
  return row < static_cast<int>(ws_.Catalog().Scripts().size()) ? row : -1;
}

void TScriptLibraryPanel::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  list_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(model_->index(row, 0));
}

void TScriptLibraryPanel::Reload() {
  const int row = SelectedRow();
  const int32_t id = row >= 0 ? ws_.Catalog().Scripts()[row].Id : -1;
  list_->clearSelection();
  ws_.Catalog().LoadScripts();
  Refresh();
  SelectRow(ws_.Catalog().FindScript(id));
}

void TScriptLibraryPanel::AddCommandButtons(TCommandMap& commands) {
  for (const char* name : {"ScriptLibraryRefresh", "ScriptLibraryDownload", "ScriptLibraryUpload",
                           "ScriptLibraryReplace", "ScriptLibraryDelete", "ScriptLibraryView", "ScriptLibraryRates"}) {
    QAction* action = commands.Action(QString::fromLatin1(name));
    buttons_->addWidget(CommandButton(action->text(), name, commands));
  }
  for (const QString& name : LibraryMenuCommands()) {
    if (name.isEmpty()) {
      auto* separator = new QAction(list_);
      separator->setSeparator(true);
      list_->addAction(separator);
    } else if (name != "ScriptLibrary") {
      list_->addAction(commands.Action(name));
    }
  }
}

TScriptPropsDialog::TScriptPropsDialog(QWidget* parent, TWorkspace& ws, const TScriptData& data, bool editable)
    : QDialog(parent), ws_(ws), data_(data) {
  setObjectName("ScriptPropsDialog");
  setWindowTitle(QStringLiteral("Свойства сценария"));
  edTitle_ = new QLineEdit(ToQ(data.Title));
  edTitle_->setObjectName("edTitle");
  edTitle_->setMaxLength(64);
  edAuthor_ = new QLineEdit(ToQ(data.Author));
  edAuthor_->setObjectName("edAuthor");
  edAuthor_->setMaxLength(64);
  cbLanguage_ = new QComboBox;
  cbLanguage_->setObjectName("cbLanguage");
  for (const TScriptLanguage& l : ScriptLanguages) cbLanguage_->addItem(ToQ(l.Name), l.Lcid);
  const int language = cbLanguage_->findData(data.Language);
  if (language < 0) cbLanguage_->addItem(QString::number(data.Language), data.Language);
  cbLanguage_->setCurrentIndex(language >= 0 ? language : cbLanguage_->count() - 1);
  edDescr_ = new QPlainTextEdit(ToQ(data.Description));
  edDescr_->setObjectName("edDescr");
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Название:"), edTitle_);
  form->addRow(QStringLiteral("Автор:"), edAuthor_);
  form->addRow(QStringLiteral("Язык:"), cbLanguage_);
  form->addRow(QStringLiteral("Описание:"), edDescr_);

  auto group = [this](const QString& caption, QRadioButton* first, QRadioButton* second) {
    auto* box = new QGroupBox(caption);
    auto* v = new QVBoxLayout(box);
    v->addWidget(first);
    v->addWidget(second);
    auto* buttons = new QButtonGroup(box);
    buttons->addButton(first);
    buttons->addButton(second);
    return box;
  };
  rbPublic_ = new QRadioButton(QStringLiteral("Сценарий виден всем пользователям"));
  rbPublic_->setObjectName("rbPublic");
  auto* rbPrivate = new QRadioButton(QStringLiteral("Сценарий виден только мне"));
  (data.Public ? rbPublic_ : rbPrivate)->setChecked(true);
  auto* rbThis = new QRadioButton(QStringLiteral("Только в \"%1\"").arg(ToQ(CatalogAppName)));
  rbUniversal_ = new QRadioButton(QStringLiteral("В любом приложении Sorta"));
  rbUniversal_->setObjectName("rbUniversal");
  (data.Universal ? rbUniversal_ : rbThis)->setChecked(true);
  auto* choices = new QHBoxLayout;
  choices->addWidget(group(QStringLiteral(" Доступность "), rbPublic_, rbPrivate));
  choices->addWidget(group(QStringLiteral(" Применяемость "), rbThis, rbUniversal_));

  auto* v = new QVBoxLayout(this);
  v->addLayout(form);
  v->addLayout(choices);
  if (editable) {
    v->addWidget(MakeOkCancel(this));
  } else {
    for (QWidget* w : std::initializer_list<QWidget*>{edTitle_, edAuthor_})
      static_cast<QLineEdit*>(w)->setReadOnly(true);
    edDescr_->setReadOnly(true);
    for (QWidget* w : std::initializer_list<QWidget*>{cbLanguage_, rbPublic_, rbPrivate, rbThis, rbUniversal_})
      w->setEnabled(false);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    close->setObjectName("buttons");
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(close);
  }
  resize(560, 420);
}

void TScriptPropsDialog::accept() {
  TScriptData data = data_;
  data.Title = FromQ(edTitle_->text().trimmed());
  data.Author = FromQ(edAuthor_->text().trimmed());
  data.Language = cbLanguage_->currentData().toInt();
  data.Description = FromQ(edDescr_->toPlainText());
  data.Public = rbPublic_->isChecked();
  data.Universal = rbUniversal_->isChecked();
  if (const auto error = ws_.Catalog().CheckScriptData(data)) {
    if (error->Field < 0) return;  // the check's request failed; its box was shown
    ws_.Port().ShowError(error->Message);
    (error->Field == 0 ? edTitle_ : edAuthor_)->setFocus();
    return;
  }
  data_ = std::move(data);
  QDialog::accept();
}

TScriptRatesDialog::TScriptRatesDialog(QWidget* parent, const std::vector<TScriptRate>& rates) : QDialog(parent) {
  setObjectName("ScriptRatesDialog");
  setWindowTitle(QStringLiteral("Оценки пользователей"));
  auto* model = new QStandardItemModel(static_cast<int>(rates.size()), RateColumnCount, this);
  model->setHorizontalHeaderLabels(Captions(RateColumnCaptions));
  for (size_t r = 0; r < rates.size(); ++r)
    for (int c = 0; c < RateColumnCount; ++c)
      model->setItem(static_cast<int>(r), c, new QStandardItem(ToQ(RateCellText(rates[r], c))));
  auto* view = new QTableView;
  view->setObjectName("lvRates");
  view->setModel(model);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->verticalHeader()->hide();
  view->setColumnWidth(2, 150);
  view->horizontalHeader()->setStretchLastSection(true);
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
  close->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* v = new QVBoxLayout(this);
  v->addWidget(view);
  v->addWidget(close);
  resize(720, 320);
}

std::vector<QString> LibraryMenuCommands() {
  return {"ScriptLibrary",
          "",
          "ScriptLibraryRefresh",
          "ScriptLibraryDownload",
          "ScriptLibraryUpload",
          "ScriptLibraryReplace",
          "ScriptLibraryDelete",
          "",
          "ScriptLibraryView",
          "ScriptLibraryRates",
          "",
          "ScriptLibraryRate1",
          "ScriptLibraryRate2",
          "ScriptLibraryRate3",
          "ScriptLibraryRate4",
          "ScriptLibraryRate5",
          "ScriptLibraryRate0",
          "",
          "ScriptLibraryHide"};
}

void AddLibraryCommands(TCommandMap& commands, TScriptLibraryPanel& panel, TWorkspace& ws, TLibraryHost host) {
  TCatalogState& catalog = ws.Catalog();
  auto shown = [&catalog] { return catalog.LibraryOn() && catalog.HasCatalog(); };
  auto selected = [&panel, shown]() -> int { return shown() ? panel.SelectedRow() : -1; };
  auto info = [&catalog](int row) -> const TScriptInfo& { return catalog.Scripts()[row]; };
  auto hasLines = [&ws] { return ws.Script().Count() > 0; };
  auto publish = [&panel, &ws, host](TScriptData data) {
    if (!EnsureIdentity(ws, panel.window())) return;
    TScriptPropsDialog dialog(panel.window(), ws, data, true);
    if (host.Exec(dialog) != QDialog::Accepted) return;
    const int row = ws.Catalog().PublishScript(dialog.Data());
    panel.Refresh();
    panel.SelectRow(row);
  };
  auto rate = [&panel, &ws, selected](int value) {
    const int row = selected();
    if (row < 0 || !EnsureIdentity(ws, panel.window())) return;
    QString notes;
    if (value > 0) {
      const auto comment = panel.AskComment();
      if (!comment) return;
      notes = *comment;
    }
    const int32_t id = ws.Catalog().Scripts()[row].Id;
    ws.Catalog().RateScript(row, value, FromQ(notes));
    panel.Refresh();
    panel.SelectRow(ws.Catalog().FindScript(id));
  };

  commands.Add({"ScriptLibrary", QStringLiteral("Online каталог сценариев"),
                QStringLiteral("Показать или скрыть online каталог сценариев"), QKeySequence(Qt::CTRL | Qt::Key_L),
                [&catalog, &panel] {
                  catalog.SetLibraryOn(!catalog.LibraryOn());
                  panel.setVisible(catalog.LibraryOn());
                  panel.Reload();
                },
                nullptr, [&catalog] { return catalog.LibraryOn(); }});
  commands.Add({"ScriptLibraryRefresh",
                QStringLiteral("Обновить"),
                QStringLiteral("Обновить список сценариев online каталога"),
                {},
                [&panel] { panel.Reload(); },
                shown,
                nullptr});
  commands.Add({"ScriptLibraryDownload",
                QStringLiteral("Скачать из каталога"),
                QStringLiteral("Сделать выбранный сценарий каталога рабочим сценарием"),
                {},
                [&panel, &catalog, host] {
                  if (catalog.DownloadScript(panel.SelectedRow()) && host.ScriptChanged) host.ScriptChanged();
                },
                [selected, info] { return selected() >= 0 && info(selected()).Downloadable; },
                nullptr});
  commands.Add({"ScriptLibraryUpload",
                QStringLiteral("Опубликовать"),
                QStringLiteral("Опубликовать рабочий сценарий в online каталоге"),
                {},
                [&catalog, publish] { publish(catalog.NewScriptData()); },
                [shown, hasLines] { return shown() && hasLines(); },
                nullptr});
  commands.Add({"ScriptLibraryReplace",
                QStringLiteral("Изменить"),
                QStringLiteral("Заменить свой сценарий в каталоге рабочим сценарием"),
                {},
                [&catalog, &panel, publish] { publish(catalog.ScriptData(panel.SelectedRow())); },
                [selected, info, hasLines] { return selected() >= 0 && info(selected()).Editable && hasLines(); },
                nullptr});
  commands.Add({"ScriptLibraryDelete",
                QStringLiteral("Удалить"),
                QStringLiteral("Удалить свой сценарий из каталога"),
                {},
                [&catalog, &panel] {
                  if (catalog.DeleteScript(panel.SelectedRow())) panel.Refresh();
                },
                [selected, info] { return selected() >= 0 && info(selected()).Editable; },
                nullptr});
  commands.Add({"ScriptLibraryView",
                QStringLiteral("Свойства сценария"),
                QStringLiteral("Свойства выбранного сценария каталога"),
                {},
                [&catalog, &panel, &ws, host] {
                  TScriptPropsDialog dialog(panel.window(), ws, catalog.ScriptData(panel.SelectedRow()), false);
                  host.Exec(dialog);
                },
                [selected] { return selected() >= 0; },
                nullptr});
  commands.Add({"ScriptLibraryRates",
                QStringLiteral("Просмотр оценок"),
                QStringLiteral("Оценки выбранного сценария пользователями"),
                {},
                [&catalog, &panel, host] {
                  const auto rates = catalog.ScriptRates(panel.SelectedRow());
                  if (!rates) return;
                  TScriptRatesDialog dialog(panel.window(), *rates);
                  host.Exec(dialog);
                },
                [selected] { return selected() >= 0; },
                nullptr});
  for (int value = 1; value <= 5; ++value)
    commands.Add({QStringLiteral("ScriptLibraryRate%1").arg(value),
                  ToQ(RateCaptions[value - 1]),
                  QStringLiteral("Оценить выбранный сценарий"),
                  {},
                  [rate, value] { rate(value); },
                  [selected] { return selected() >= 0; },
                  [selected, info, value] { return selected() >= 0 && info(selected()).YourRating == value; }});
  commands.Add({"ScriptLibraryRate0",
                QStringLiteral("Удалить оценку"),
                QStringLiteral("Удалить свою оценку сценария"),
                {},
                [rate] { rate(0); },
                [selected, info] {
                  return selected() >= 0 && info(selected()).YourRating >= 1 && info(selected()).YourRating <= 5;
                },
                nullptr});
  commands.Add({"ScriptLibraryHide",
                QStringLiteral("Скрыть сценарий"),
                QStringLiteral("Скрыть выбранный сценарий из своего списка"),
                {},
                [rate] { rate(-1); },
                [selected] { return selected() >= 0; },
                [selected, info] { return selected() >= 0 && info(selected()).YourRating == -1; }});
  QObject::connect(panel.List(), &QTableView::doubleClicked, &panel,
                   [&commands] { commands.Trigger("ScriptLibraryView"); });
  panel.AddCommandButtons(commands);
  panel.setVisible(catalog.LibraryOn());
}

}  // namespace kivra::shell
