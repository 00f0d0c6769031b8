// The command map: one table of actions, each with its name, caption, hint, shortcut and update
// rule. The window runs the update rules whenever the program goes idle and after every command,
// so enabled and checked states are always current; every rule includes the idle test.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QMenu;
class QToolButton;
class QWidget;

namespace kivra::shell {

struct TCommand {
  QString Name;  // e.g. "CombsGen"
  QString Caption;
  QString Hint;  // shown in status panel 6 while idle
  QKeySequence Shortcut;
  std::function<void()> Run;
  std::function<bool()> Enabled;  // besides the idle test; null: always
  std::function<bool()> Checked;  // null: not checkable
  bool IdleOnly = true;           // false only for leaving the program and the about box
};

// A text of the window through the installed language module: the Russian text itself when no
// module is installed or the module has no translation of it.
inline QString Tr(const QString& text) { return QCoreApplication::translate("TFormMain", text.toUtf8().constData()); }

class TCommandMap {
 public:
  // `isIdle` is the busy counter test; `afterRun` runs after every command (the window refreshes
  // the update rules there).
  TCommandMap(QWidget* owner, std::function<bool()> isIdle, std::function<void()> afterRun);

  QAction* Add(TCommand command);
  QAction* Action(const QString& name) const;  // null when there is no such command
  const TCommand* Command(const QString& name) const;
  bool Has(const QString& name) const { return Action(name) != nullptr; }

  // Adds the named actions to a menu in order; an empty name adds a separator; names of commands
  // that do not exist are skipped (and no separator is doubled).
  void Fill(QMenu* menu, const std::vector<QString>& names) const;

  // Runs every update rule.
  void Update();
  // Runs a command by name when it is enabled; false when it is not.
  bool Trigger(const QString& name);

  std::vector<QAction*> Actions() const;

  // Reports a failure that escaped a command (the application's error display).
  void SetErrorHandler(std::function<void(const char*)> onError) { onError_ = std::move(onError); }

  // A second menu item for a command under another caption: it runs the command and follows its
  // enabled and checked state and its hint.
  QAction* Alias(const QString& name, const QString& caption);

  // When set, a command reached by a key, menu item or button is reported here instead of being run
  // (its rules are not asked): lets a test press every key without opening dialogs.
  void SetProbe(std::function<void(const QString&)> probe) { probe_ = std::move(probe); }

 private:
  struct TEntry {
    TCommand Command;
    QAction* Action = nullptr;
  };
  QWidget* owner_;
  std::function<bool()> isIdle_;
  std::function<void()> afterRun_;
  std::vector<TEntry> entries_;
  std::map<QString, size_t> byName_;
  std::function<void(const char*)> onError_;
  std::function<void(const QString&)> probe_;
  bool running_ = false;
};

// A button of a tab's panel that runs a command and follows its enabled state.
QToolButton* CommandButton(const QString& text, const char* command, TCommandMap& commands);

// Makes a command's shortcut local to one widget: the key runs the command (when enabled) only while
// that widget has the focus, and is taken before the window's shortcuts there, so that a command of
// another list with the same key is not made ambiguous.
void MakeShortcutLocal(TCommandMap& commands, const QString& name, QWidget* widget);

// Leaves a command's key to another owner: the menus still show the key (after a tab in the
// caption), but the command's action no longer answers it.
void ShowShortcutOnly(TCommandMap& commands, const QString& name);

// One key of the window for several commands: pressing it runs the command `choose` names at that
// moment (nothing when it names none). The commands should show the key with ShowShortcutOnly.
void RouteShortcut(TCommandMap& commands, QWidget* window, const QKeySequence& key, std::function<QString()> choose);

}  // namespace kivra::shell
