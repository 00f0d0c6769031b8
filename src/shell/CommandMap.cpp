#include "shell/CommandMap.h"

#include <QEvent>
#include <QKeyEvent>

#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <QWidget>

namespace kivra::shell {

TCommandMap::TCommandMap(QWidget* owner, std::function<bool()> isIdle, std::function<void()> afterRun)
    : owner_(owner), isIdle_(std::move(isIdle)), afterRun_(std::move(afterRun)) {}

QAction* TCommandMap::Add(TCommand command) {
  command.Caption = Tr(command.Caption);
  if (!command.Hint.isEmpty()) command.Hint = Tr(command.Hint);
  auto* action = new QAction(command.Caption, owner_);
  action->setObjectName(command.Name);
  action->setStatusTip(command.Hint);
  action->setToolTip(command.Hint.isEmpty() ? command.Caption : command.Hint);
  if (!command.Shortcut.isEmpty()) {
    action->setShortcut(command.Shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  action->setCheckable(static_cast<bool>(command.Checked));
  owner_->addAction(action);
  const QString name = command.Name;
  QObject::connect(action, &QAction::triggered, action, [this, name] { Trigger(name); });
  byName_[name] = entries_.size();
  entries_.push_back({std::move(command), action});
  return action;
}

QAction* TCommandMap::Action(const QString& name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : entries_[it->second].Action;
}

const TCommand* TCommandMap::Command(const QString& name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &entries_[it->second].Command;
}

void TCommandMap::Fill(QMenu* menu, const std::vector<QString>& names) const {
  bool pendingSeparator = false;
  for (const QString& name : names) {
    if (name.isEmpty()) {
      pendingSeparator = !menu->actions().isEmpty();
      continue;
    }
    QAction* action = Action(name);
    if (!action) continue;
    if (pendingSeparator) menu->addSeparator();
    pendingSeparator = false;
    menu->addAction(action);
  }
}

void TCommandMap::Update() {
  const bool idle = isIdle_();
  for (auto& e : entries_) {
    const bool enabled = (!e.Command.IdleOnly || idle) && (!e.Command.Enabled || e.Command.Enabled());
    if (e.Action->isEnabled() != enabled) e.Action->setEnabled(enabled);
    if (e.Command.Checked) {
      const bool checked = e.Command.Checked();
      if (e.Action->isChecked() != checked) e.Action->setChecked(checked);
    }
  }
}

bool TCommandMap::Trigger(const QString& name) {
  const auto it = byName_.find(name);
  if (it == byName_.end()) return false;
  TEntry& e = entries_[it->second];
  if (probe_) {
    probe_(name);
    return true;
  }
  // While a command runs (and processes events) only the commands that need no idle program start.
  if (running_ && e.Command.IdleOnly) return false;
  // The rule is checked again: a shortcut may arrive before the idle update ran.
  const bool enabled = (!e.Command.IdleOnly || isIdle_()) && (!e.Command.Enabled || e.Command.Enabled());
  if (!enabled) {
    if (e.Command.Checked) e.Action->setChecked(e.Command.Checked());
    return false;
  }
  const bool wasRunning = running_;
  running_ = running_ || e.Command.IdleOnly;
  try {
    e.Command.Run();
  } catch (const std::exception& ex) {
    if (onError_) onError_(ex.what());
  }
  running_ = wasRunning;
  if (afterRun_) afterRun_();
  return true;
}

QAction* TCommandMap::Alias(const QString& name, const QString& caption) {
  QAction* original = Action(name);
  if (!original) return nullptr;
  // The original's key is shown, not owned: one key, one action.
  QString text = Tr(caption);
  if (!original->shortcut().isEmpty()) text += '\t' + original->shortcut().toString(QKeySequence::NativeText);
  else if (const qsizetype tab = original->text().indexOf('\t'); tab >= 0) text += original->text().mid(tab);
  auto* alias = new QAction(text, owner_);
  alias->setIconText(Tr(caption));
  alias->setObjectName(name);
  alias->setCheckable(original->isCheckable());
  auto follow = [alias, original] {
    alias->setEnabled(original->isEnabled());
    alias->setChecked(original->isChecked());
    alias->setStatusTip(original->statusTip());
    alias->setToolTip(original->toolTip());
  };
  follow();
  QObject::connect(original, &QAction::changed, alias, follow);
  QObject::connect(alias, &QAction::triggered, alias, [this, name, alias, original] {
    Trigger(name);
    // A refused command leaves the item as it was.
    alias->setChecked(original->isChecked());
  });
  return alias;
}

std::vector<QAction*> TCommandMap::Actions() const {
  std::vector<QAction*> r;
  for (const auto& e : entries_) r.push_back(e.Action);
  return r;
}

namespace {

class TLocalShortcut : public QObject {
 public:
  TLocalShortcut(TCommandMap& commands, QString name, QKeySequence key, QWidget* widget)
      : QObject(widget), commands_(commands), name_(std::move(name)), key_(std::move(key)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (QKeySequence(key->keyCombination()) == key_) {
        event->accept();
        if (event->type() == QEvent::KeyPress) commands_.Trigger(name_);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TCommandMap& commands_;
  QString name_;
  QKeySequence key_;
};

}  // namespace

QToolButton* CommandButton(const QString& text, const char* command, TCommandMap& commands) {
  QAction* action = commands.Action(command);
  auto* b = new QToolButton;
  b->setText(text);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setMinimumHeight(26);
  b->setObjectName("btn" + action->objectName());
  b->setStatusTip(action->statusTip());
  b->setToolTip(action->toolTip());
  b->setEnabled(action->isEnabled());
  b->setFocusPolicy(Qt::TabFocus);
  const QString name = action->objectName();
  QObject::connect(b, &QToolButton::clicked, b, [&commands, name] { commands.Trigger(name); });
  QObject::connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
  return b;
}

void MakeShortcutLocal(TCommandMap& commands, const QString& name, QWidget* widget) {
  QAction* action = commands.Action(name);
  if (!action || action->shortcut().isEmpty()) return;
  action->setShortcutContext(Qt::WidgetShortcut);
  widget->installEventFilter(new TLocalShortcut(commands, name, action->shortcut(), widget));
}

void ShowShortcutOnly(TCommandMap& commands, const QString& name) {
  QAction* action = commands.Action(name);
  if (!action || action->shortcut().isEmpty()) return;
  const QString caption = action->text();
  action->setText(caption + '\t' + action->shortcut().toString(QKeySequence::NativeText));
  // Buttons showing the action keep the bare caption.
  action->setIconText(caption);
  action->setShortcut(QKeySequence());
}

void RouteShortcut(TCommandMap& commands, QWidget* window, const QKeySequence& key, std::function<QString()> choose) {
  auto* shortcut = new QShortcut(key, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, [&commands, choose = std::move(choose)] {
    const QString name = choose();
    if (!name.isEmpty()) commands.Trigger(name);
  });
}

}  // namespace kivra::shell
