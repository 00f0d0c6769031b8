#include "shell/ScriptTab.h"

#include <QSplitter>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/SysFormat.h"
#include "scripts/ScriptFile.h"
#include "shell/CommandMap.h"
#include "shell/DialogUtil.h"
#include "shell/FlowLayout.h"
#include "shell/ShellPort.h"
#include "shell/UnitScriptLine.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

QStringList ScriptColumns() {
  QStringList s{QStringLiteral("Комментарии"), QStringLiteral("Опции")};
  for (int k = 1; k <= ScriptCommandCount; ++k) s << QStringLiteral("Фильтр %1").arg(k);
  return s;
}

const QString NewLineCaption = QStringLiteral("Создание новой строки");
const QString EditLineCaption = QStringLiteral("Редактирование строки");

}  // namespace

// --- Model ---

TScriptModel::TScriptModel(const TWorkspace& ws, QObject* parent)
    : TArrayModel(ScriptColumns(), parent), ws_(ws), methods_(ws.Stats()) {}

void TScriptModel::RefreshCodes() { methods_ = TMethodLookup(ws_.Stats()); }

QVariant TScriptModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const auto& lines = ws_.Script().Lines();
  if (!index.isValid() || index.row() >= static_cast<int>(lines.size())) return {};
  const std::string& text = lines[index.row()];
  if (IsSeparatorLine(text)) return {};
  const TScriptLineText line = ReadScriptLine(text);
  const int c = index.column();
  if (c == 0) return ToQ(line.Comment);
  if (c == 1) return ToQ(OptionsDisplayForm(ReadOptions(line.Options)));
  if (c >= 2 && c < 2 + ScriptCommandCount) return ToQ(CanonicalFilterText(line.Commands[c - 2], methods_));
  return {};
}

QVariant TScriptModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical && role == Qt::DisplayRole) return section + 1;
  return TArrayModel::headerData(section, orientation, role);
}

// --- Tab ---

TScriptTab::TScriptTab(TWorkspace& ws, TScriptTabHost host, QWidget* parent)
    : QWidget(parent), ws_(ws), host_(std::move(host)) {
  setObjectName("ScriptTab");
  model_ = new TScriptModel(ws_, this);

  buttons_ = new TFlowLayout;

  list_ = new QTableView(this);
  list_->setObjectName("lvScript");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setCornerButtonEnabled(false);
  list_->setTabKeyNavigation(false);
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  // Fixed row heights: the list never measures its rows, so long scripts scroll at once.
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  list_->setColumnWidth(0, 160);
  list_->setColumnWidth(1, 260);
  for (int k = 0; k < ScriptCommandCount; ++k) list_->setColumnWidth(2 + k, 220);

  auto* bar = new QStatusBar(this);
  bar->setObjectName("sbScript");
  bar->setSizeGripEnabled(false);
  const std::array<int, 4> widths = {110, 90, 100, 110};
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("ScriptPanel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    if (i < 4) {
      label->setFixedWidth(widths[i]);
      bar->addWidget(label);
    } else {
      label->setMinimumWidth(50);
      label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      bar->addWidget(label, 1);
    }
    panels_[i] = label;
  }

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(2);
  v->addLayout(buttons_);
  // The list over the online catalogue's panel (the window adds the panel).
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName("spScript");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(list_);
  v->addWidget(splitter_, 1);
  v->addWidget(bar);

  ws_.Runner().SetHost(this);
  ws_.Script().Log().SetOpener([this](const std::filesystem::path& file) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string()))))
      ws_.Port().ShowWarning(SysFormat("Не найдена программа, которая открывает файл журнала %s.",
                                       {file.string()}));
  });
  Refresh();
}

std::optional<int> AskTestCount(QWidget* parent, int max) {
  QDialog dialog(parent);
  dialog.setObjectName("TestCountDialog");
  dialog.setWindowTitle(QStringLiteral("Количество тестов"));
  auto* label = new QLabel(QStringLiteral("Укажите количество тестов:"));
  auto* spin = new TCountField;
  spin->setObjectName("edTestCount");
  spin->setRange(0, std::max(1, max));  // 0 (or nothing) typed ends the command as "Отмена" does
  spin->setValue(std::min(10, std::max(1, max)));
  spin->setMinimumWidth(TitleFitWidth);  // the title bar shows the whole title
  spin->setToolTip(QStringLiteral("Укажите количество последних тиражей, на которых будет производится тестирование"));
  spin->setStatusTip(spin->toolTip());
  label->setBuddy(spin);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOk");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(label);
  layout->addWidget(spin);
  layout->addWidget(buttons);
  spin->selectAll();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return TypedCount(spin);
}

void TScriptTab::AddCommands(TCommandMap& commands) {
  TScriptState& script = ws_.Script();
  commands_ = &commands;
  auto add = [&commands](QString name, QString caption, QString hint, QKeySequence key, std::function<void()> run,
                         std::function<bool()> enabled = nullptr, std::function<bool()> checked = nullptr) {
    commands.Add({std::move(name), std::move(caption), std::move(hint), std::move(key), std::move(run),
                  std::move(enabled), std::move(checked)});
  };
  auto hasLines = [&script] { return script.Count() > 0; };
  auto lineSelected = [this] { return SelectedIsLine(); };

  // clang-format off
  add("ScriptAdd", "Добавить фильтры", "Добавить новую команду в сценарий", QKeySequence(Qt::CTRL | Qt::Key_Insert),
      [this] { CmdAdd(); });
  add("ScriptEmpty", "Добавить разделитель", "Добавить разделитель в сценарий",
      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Insert), [this] { CmdEmpty(); }, hasLines);
  add("ScriptClone", "Клонировать",
      "Добавить новую команду в сценарий и скопировать в нее данные из выделенной", QKeySequence(Qt::CTRL | Qt::Key_K),
      [this] { CmdClone(); }, lineSelected);
  add("ScriptEdit", "Изменить", "Редактировать выделенную команду", QKeySequence(Qt::CTRL | Qt::Key_Return),
      [this] { CmdEdit(); }, lineSelected);
  add("ScriptDel", "Удалить", "Удалить выделенные строки", QKeySequence(Qt::CTRL | Qt::Key_Delete),
      [this] { CmdDel(); }, [this] { return SelectedRow() >= 0; });
  add("ScriptClr", "Удалить все", "Удалить весь сценарий", {}, [this] { CmdClr(); }, hasLines);
  add("ScriptUp", "Переместить вверх", "Переместить выделенную строку вверх", QKeySequence(Qt::CTRL | Qt::Key_Up),
      [this] { CmdMove(true); }, [this] { return SelectedRow() > 0; });
  add("ScriptDown", "Переместить вниз", "Переместить выделенную строку вниз", QKeySequence(Qt::CTRL | Qt::Key_Down),
      [this] { CmdMove(false); },
      [this, &script] { return SelectedRow() >= 0 && SelectedRow() < script.Count() - 1; });
  add("ScriptOpen", "Открыть", "Загрузить сценарий из файла", QKeySequence(Qt::CTRL | Qt::Key_J),
      [this] { CmdOpen(false); });
  add("ScriptSave", "Сохранить", "Сохранить сценарий в файле", QKeySequence(Qt::CTRL | Qt::Key_I),
      [this] { CmdSave(); }, hasLines);
  add("ScriptLoad", "Добавить сценарий", "Добавить выбранный сценарий из файла в текущий сценарий", {},
      [this] { CmdOpen(true); });
  add("LogToggle", "Журнал выполнения сценария",
      "Создание подробного журнала выполнения сценария для анализа его работы", {},
      [&script] { script.ToggleLog(); }, nullptr, [&script] { return script.LogEnabled(); });
  add("LogsDelete", "Удалить журналы выполнения сценариев", "Удалить файлы журналов выполнения сценария", {},
      [&script] { script.DeleteLogs(); });
  // The run commands: "Стоп" is the only command a run leaves enabled.
  const auto canRun = [this] { return ws_.Script().Count() > 0 && !ws_.Archive().Empty() && !ws_.Runner().Running(); };
  add("ScriptRun", "Прогноз", "Выполнить сценарий для текущего тиража и смещения", QKeySequence(Qt::Key_F10),
      [this] { CmdRun(); }, canRun);
  add("ScriptTest", "Тест", "Тестирование сценария на основе результатов предыдуших тиражей",
      QKeySequence(Qt::CTRL | Qt::Key_F10), [this] { CmdTest(); }, canRun);
  commands.Add({"ScriptStop", "Стоп", "Остановить выполнение сценария", QKeySequence(Qt::CTRL | Qt::Key_X),
                [this] { CmdStop(); }, [this] { return ws_.Runner().Running() && !ws_.Runner().StopRequested(); },
                nullptr, false});
  // clang-format on
  // Ctrl+Enter from the keypad as well.
  if (QAction* edit = commands.Action("ScriptEdit"))
    edit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});

  // The button row: each button shows its command's caption and follows its enabled state.
  for (const char* name : {"ScriptRun", "ScriptTest", "ScriptStop", "ScriptOpen", "ScriptSave", "ScriptAdd",
                           "ScriptEmpty", "ScriptClone", "ScriptEdit", "ScriptDel", "ScriptUp", "ScriptDown"}) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("btn%1").arg(name));
    button->setDefaultAction(commands.Action(name));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumHeight(26);
    button->setFocusPolicy(Qt::TabFocus);
    buttons_->addWidget(button);
  }
  for (const char* name :
       {"ScriptRun", "ScriptTest", "ScriptStop", "", "ScriptOpen", "ScriptSave", "ScriptLoad", "", "ScriptAdd",
        "ScriptEmpty", "ScriptClone", "ScriptEdit", "ScriptDel", "ScriptClr", "", "ScriptUp", "ScriptDown"}) {
    if (*name) {
      list_->addAction(commands.Action(name));
      continue;
    }
    auto* sep = new QAction(list_);
    sep->setSeparator(true);
    list_->addAction(sep);
  }
  // Ctrl+Del is also the combination list's: in the script list it deletes lines.
  MakeShortcutLocal(commands, "ScriptDel", list_);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [&commands] { commands.Update(); });
  connect(list_, &QTableView::doubleClicked, this, [&commands] { commands.Trigger("ScriptEdit"); });
}

void TScriptTab::SetPanelText(int i, const QString& text) {
  if (i >= 0 && i < static_cast<int>(panels_.size())) panels_[i]->setText(text);
}

void TScriptTab::Refresh() {
  model_->RefreshCodes();
  model_->SetRowCount(ws_.Script().Count());
  SetPanelText(0, ToQ(SysFormat("Строк: %d", {ws_.Script().Count()})));
}

std::vector<int> TScriptTab::SelectedRows() const {
  std::vector<int> rows;
  if (!list_->selectionModel()) return rows;
  for (const QItemSelectionRange& r : list_->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

int TScriptTab::SelectedRow() const {
  // The first selected row without listing them all (a select-all of a long script).
  int first = -1;
  if (!list_->selectionModel()) return first;
  for (const QItemSelectionRange& r : list_->selectionModel()->selection())
    if (first < 0 || r.top() < first) first = r.top();
  return first < ws_.Script().Count() ? first : -1;
}

bool TScriptTab::SelectedIsLine() const {
  const int row = SelectedRow();
  return row >= 0 && !ws_.Script().IsSeparator(row);
}

void TScriptTab::SelectRow(int row) {
  list_->clearSelection();
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex index = model_->index(row, 0);
  list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(index);
}

std::optional<std::string> TScriptTab::EditLine(const QString& caption, int drawCount, const std::string& line) {
  if (lineEditor_) return lineEditor_(caption, drawCount, line);
  const TScriptEditContext context = host_.EditContext ? host_.EditContext() : TScriptEditContext{};
  TScriptLineDialog dialog(window(), context, caption, drawCount, line);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Line();
}

void TScriptTab::CmdAdd() {
  const int drawCount = host_.EditContext ? host_.EditContext().DrawsExclude : 0;
  if (auto line = EditLine(NewLineCaption, drawCount, {})) {
    const int row = ws_.Script().Append(std::move(*line));
    Refresh();
    SelectRow(row);
  }
}

void TScriptTab::CmdEmpty() {
  const int row = ws_.Script().Append({});
  Refresh();
  SelectRow(row);
}

void TScriptTab::CmdClone() {
  const int row = SelectedRow();
  if (auto line = EditLine(NewLineCaption, 0, ws_.Script().Line(row))) {
    const int added = ws_.Script().Append(std::move(*line));
    Refresh();
    SelectRow(added);
  }
}

void TScriptTab::CmdEdit() {
  const int row = SelectedRow();
  if (auto line = EditLine(EditLineCaption, 0, ws_.Script().Line(row))) {
    ws_.Script().Replace(row, std::move(*line));
    Refresh();
  }
}

void TScriptTab::CmdDel() {
  const std::vector<int> rows = SelectedRows();
  if (!ws_.Script().Delete(rows)) return;
  list_->clearSelection();
  Refresh();
}

void TScriptTab::CmdClr() {
  if (ws_.Script().Clear()) Refresh();
}

void TScriptTab::CmdMove(bool up) {
  const int row = SelectedRow();
  const int moved = up ? ws_.Script().MoveUp(row) : ws_.Script().MoveDown(row);
  if (moved < 0) return;
  Refresh();
  SelectRow(moved);
}

void TScriptTab::CmdOpen(bool append) {
  if (!host_.ChooseFile) return;
  const auto file = host_.ChooseFile(false, ToQ(append ? "Добавить сценарий" : "Открыть сценарий"),
                                     ToQ(ScriptFileFilter), ToQ(ScriptFileExtension));
  if (file.empty()) return;
  const bool ok = append ? ws_.Script().AppendFile(file) : ws_.Script().Open(file);
  list_->clearSelection();
  Refresh();
  (void)ok;
}

void TScriptTab::CmdSave() {
  if (!host_.ChooseFile) return;
  const auto file = host_.ChooseFile(true, ToQ("Сохранить сценарий"), ToQ(ScriptFileFilter), ToQ(ScriptFileExtension));
  if (!file.empty()) ws_.Script().Save(file);
}

// --- Runs ---

void TScriptTab::CmdRun() { ws_.Runner().Forecast(ws_.Script().Lines()); }

void TScriptTab::CmdTest() {
  const int max = ws_.Archive().Count() - 1;
  const std::optional<int> k = testCountAsker_ ? testCountAsker_(max) : AskTestCount(window(), max);
  if (!k || *k <= 0) return;
  ws_.Runner().BackTest(ws_.Script().Lines(), *k);
}

void TScriptTab::CmdStop() {
  ws_.Runner().AskStop();
  if (commands_) commands_->Update();
}

void TScriptTab::Pump() {
  if (pumped_.isValid() && pumped_.elapsed() < 20) return;
  QApplication::processEvents(QEventLoop::AllEvents);
  pumped_.restart();
}

void TScriptTab::ShowStatus(int panel, std::string_view text) {
  const QString shown = ToQ(text);
  SetPanelText(panel, shown);
  emit StatusShown(panel, shown);
}

void TScriptTab::RunningChanged(bool running) {
  list_->setEnabled(!running);
  pumped_.invalidate();
  if (host_.RunStateChanged) host_.RunStateChanged(running);
  if (commands_) commands_->Update();
  if (!running) SelectLine(-1);
}

void TScriptTab::SelectLine(int index) {
  if (index < 0) list_->clearSelection();
  else SelectRow(index);
}

}  // namespace kivra::shell
