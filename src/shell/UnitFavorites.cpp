#include "shell/UnitFavorites.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"
#include "stats/StatList.h"

namespace kivra::shell {

namespace {

constexpr std::string_view WaitText = "Подождите пожалуйста...";
const QString NamesFilter = QStringLiteral("Наименования фильтров (*.flt)");

int EntryOf(const QTreeWidgetItem* item) { return item ? item->data(0, TFavoritesDialog::EntryRole).toInt() : -1; }

// Every entry node of the tree, group by group.
template <class F>
void ForEachEntry(QTreeWidget* tree, F&& f) {
  for (int g = 0; g < tree->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = tree->topLevelItem(g);
    for (int i = 0; i < group->childCount(); ++i) f(group->child(i));
  }
}

// Space toggles the mark of the current entry, as a click does.
class TSpaceToggle : public QObject {
 public:
  TSpaceToggle(QObject* parent, std::function<void()> toggle) : QObject(parent), toggle_(std::move(toggle)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
      toggle_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> toggle_;
};

std::filesystem::path PathOf(const QString& file) { return std::filesystem::path(FromQ(file)); }

}  // namespace

TFavoritesDialog::TFavoritesDialog(QWidget* parent, TStatList& stats, std::filesystem::path namesFile,
                                   std::filesystem::path programDir, TUserPort& port,
                                   std::function<void(int entry)> showDescription)
    : QDialog(parent),
      stats_(stats),
      namesFile_(std::move(namesFile)),
      programDir_(std::move(programDir)),
      port_(port),
      showDescription_(std::move(showDescription)) {
  setObjectName("FavoritesDialog");
  setWindowTitle(QStringLiteral("Менеджер избранных методов расчета статистики"));

  total_ = new QLabel(ToQ(SysFormat("всего %d методов", {stats_.Count()})), this);
  total_->setObjectName("lblTotal");

  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tvMethods");
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setUniformRowHeights(true);
  tree_->installEventFilter(new TSpaceToggle(this, [this] { Toggle(tree_->currentItem()); }));

  ordered_ = new QCheckBox(QStringLiteral("Сортировать списки по названию метода"), this);
  ordered_->setObjectName("chkOrdered");
  ordered_->setChecked(stats_.Ordered);
  showGroupName_ =
      new QCheckBox(QStringLiteral("Отображать идентификатор группы { xxx } перед названием метода"), this);
  showGroupName_->setObjectName("chkShowGroupName");
  showGroupName_->setChecked(stats_.ShowGroupName);
  showMethodFlags_ = new QCheckBox(QStringLiteral("Отображать особенности метода [ YYY ] после названия метода"), this);
  showMethodFlags_->setObjectName("chkShowMethodFlags");
  showMethodFlags_->setChecked(stats_.ShowMethodFlags);

  auto* side = new QVBoxLayout;
  auto addButton = [&](const char* name, const QString& text, std::function<void()> action) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, std::move(action));
    side->addWidget(button);
  };
  addButton("btnSelectAll", QStringLiteral("Выбрать все"), [this] { SetMarks(nullptr, true); });
  addButton("btnClearAll", QStringLiteral("Сбросить все"), [this] { SetMarks(nullptr, false); });
  side->addSpacing(8);
  addButton("btnSelectGroup", QStringLiteral("Выбрать группу"), [this] {
    if (QTreeWidgetItem* group = SelectedGroup()) SetMarks(group, true);
  });
  addButton("btnClearGroup", QStringLiteral("Сбросить группу"), [this] {
    if (QTreeWidgetItem* group = SelectedGroup()) SetMarks(group, false);
  });
  side->addSpacing(8);
  addButton("btnRename", QStringLiteral("Переименовать"), [this] { Rename(); });
  addButton("btnRestoreName", QStringLiteral("Вернуть"), [this] { RestoreName(); });
  addButton("btnDescription", QStringLiteral("Описание"), [this] { ShowDescription(); });
  side->addSpacing(8);
  addButton("btnImportNames", QStringLiteral("Импорт названий"), [this] { ImportNames(); });
  addButton("btnExportNames", QStringLiteral("Экспорт названий"), [this] { ExportNames(); });
  side->addStretch(1);

  auto* treeColumn = new QVBoxLayout;
  treeColumn->addWidget(total_);
  treeColumn->addWidget(tree_, 1);
  treeColumn->addWidget(ordered_);
  treeColumn->addWidget(showGroupName_);
  treeColumn->addWidget(showMethodFlags_);

  auto* columns = new QHBoxLayout;
  columns->addLayout(treeColumn, 1);
  columns->addLayout(side);

  auto* main = new QVBoxLayout(this);
  main->addLayout(columns, 1);
  main->addWidget(MakeOkCancel(this));

  connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { Toggle(item); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) { Toggle(item); });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });

  FillTree(false);
  tree_->expandAll();
  if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
  UpdateButtons();
  tree_->setFocus();
  resize(760, 640);
}

void TFavoritesDialog::FillTree(bool keepMarks) {
  TBusyScope busy(port_, WaitText);
  std::map<int, Qt::CheckState> marks;
  std::map<int, bool> expanded;
  int current = -2;
  if (keepMarks) {
    ForEachEntry(tree_, [&](QTreeWidgetItem* item) { marks[EntryOf(item)] = item->checkState(0); });
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
      QTreeWidgetItem* group = tree_->topLevelItem(g);
      expanded[group->data(0, Qt::UserRole + 1).toInt()] = group->isExpanded();
    }
    if (QTreeWidgetItem* item = tree_->currentItem()) current = EntryOf(item);
  }

  tree_->setUpdatesEnabled(false);
  tree_->clear();
  std::map<int, QTreeWidgetItem*> groups;
  QTreeWidgetItem* toSelect = nullptr;
  for (int i = 0; i < stats_.Count(); ++i) {
    const TStatMethod& m = stats_.Item(i);
    if (!m.StatClass->IsAvailable(stats_.Env())) continue;
    const int groupNo = m.StatClass->GetGroup();
    QTreeWidgetItem*& group = groups[groupNo];
    if (!group) {
      group = new QTreeWidgetItem(tree_, {ToQ(TStatList::GroupCaption(groupNo))});
      group->setData(0, EntryRole, -1);
      group->setData(0, Qt::UserRole + 1, groupNo);
      QFont bold = group->font(0);
      bold.setBold(true);
      group->setFont(0, bold);
      group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    auto* item = new QTreeWidgetItem(group, {ToQ(stats_.DisplayName(m))});
    item->setData(0, EntryRole, i);
    // The mark is drawn but toggled by our own click handling (a click anywhere on the line).
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    const auto kept = marks.find(i);
    item->setCheckState(0, kept != marks.end() ? kept->second : m.Favorite ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(0, ToQ(stats_.Code(i)));
    if (i == current) toSelect = item;
  }
  if (keepMarks) {
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
      QTreeWidgetItem* group = tree_->topLevelItem(g);
      const auto e = expanded.find(group->data(0, Qt::UserRole + 1).toInt());
      group->setExpanded(e == expanded.end() || e->second);
    }
    if (toSelect) tree_->setCurrentItem(toSelect);
  }
  tree_->setUpdatesEnabled(true);
}

QTreeWidgetItem* TFavoritesDialog::SelectedEntry() const {
  QTreeWidgetItem* item = tree_->currentItem();
  return EntryOf(item) >= 0 ? item : nullptr;
}

QTreeWidgetItem* TFavoritesDialog::SelectedGroup() const {
  QTreeWidgetItem* item = tree_->currentItem();
  if (!item) return nullptr;
  return EntryOf(item) >= 0 ? item->parent() : item;
}

void TFavoritesDialog::SetMarks(QTreeWidgetItem* group, bool on) {
  const Qt::CheckState state = on ? Qt::Checked : Qt::Unchecked;
  if (group) {
    for (int i = 0; i < group->childCount(); ++i) group->child(i)->setCheckState(0, state);
  } else {
    ForEachEntry(tree_, [&](QTreeWidgetItem* item) { item->setCheckState(0, state); });
  }
}

void TFavoritesDialog::Toggle(QTreeWidgetItem* item) {
  if (EntryOf(item) < 0) return;
  item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TFavoritesDialog::Rename() {
  QTreeWidgetItem* item = SelectedEntry();
  if (!item) return;
  bool ok = false;
  const QString text =
      QInputDialog::getText(this, QStringLiteral("Переименование"), QStringLiteral("Введите наименование фильтра:"),
                            QLineEdit::Normal, item->text(0), &ok);
  if (!ok) return;
  // An empty name means the default caption, which is what the tree then shows.
  if (text.trimmed().isEmpty()) RestoreName();
  else item->setText(0, text);
}

void TFavoritesDialog::RestoreName() {
  if (QTreeWidgetItem* item = SelectedEntry()) item->setText(0, ToQ(stats_.DefaultName(stats_.Item(EntryOf(item)))));
}

void TFavoritesDialog::ShowDescription() {
  if (QTreeWidgetItem* item = SelectedEntry(); item && showDescription_) showDescription_(EntryOf(item));
}

void TFavoritesDialog::ImportNames() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(NamesFilter);
  dialog.setDefaultSuffix(QStringLiteral("flt"));
  dialog.setDirectory(ToQ(programDir_.string()));
  SizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  stats_.LoadNames(PathOf(dialog.selectedFiles().first()), false, port_);
  FillTree(true);
}

void TFavoritesDialog::ExportNames() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(NamesFilter);
  dialog.setDefaultSuffix(QStringLiteral("flt"));
  dialog.setDirectory(ToQ(programDir_.string()));
  SizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  // The file gets the names the tree shows; the registry then takes its own names back.
  ForEachEntry(tree_, [&](QTreeWidgetItem* item) { stats_.Item(EntryOf(item)).CustomName = FromQ(item->text(0)); });
  stats_.SaveNames(PathOf(dialog.selectedFiles().first()), false, true, port_);
  stats_.LoadNames(namesFile_, false, port_);
}

void TFavoritesDialog::UpdateButtons() {
  const bool entry = SelectedEntry() != nullptr;
  const bool group = SelectedGroup() != nullptr;
  for (const char* name : {"btnRename", "btnRestoreName", "btnDescription"})
    if (auto* b = findChild<QPushButton*>(name)) b->setEnabled(entry);
  for (const char* name : {"btnSelectGroup", "btnClearGroup"})
    if (auto* b = findChild<QPushButton*>(name)) b->setEnabled(group);
}

void TFavoritesDialog::accept() {
  ForEachEntry(tree_, [&](QTreeWidgetItem* item) {
    TStatMethod& m = stats_.Item(EntryOf(item));
    m.Favorite = item->checkState(0) == Qt::Checked;
    const QString text = item->text(0);
    const bool isDefault = QString::compare(text, ToQ(stats_.DefaultName(m)), Qt::CaseInsensitive) == 0;
    m.CustomName = isDefault ? std::string() : FromQ(text);
  });
  stats_.NormalizeFavorites();
  stats_.Ordered = ordered_->isChecked();
  stats_.ShowGroupName = showGroupName_->isChecked();
  stats_.ShowMethodFlags = showMethodFlags_->isChecked();
  QDialog::accept();
}

}  // namespace kivra::shell
