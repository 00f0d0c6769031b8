// The panel "Online каталог сценариев" of the script tab: the script library's list with its
// filter, the commands ScriptLibrary* with their dialogs ("Свойства сценария", "Оценки
// пользователей", the comment of a rating).
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <optional>

#include "online/Catalog.h"
#include "shell/ListModels.h"

class QAbstractItemModel;
class QButtonGroup;
class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTableView;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TCommandMap;

// The list's rows from the catalogue state, in its order ("Рейтинг" descending).
class TOnlineScriptsModel : public TArrayModel {
  Q_OBJECT
 public:
  TOnlineScriptsModel(const TWorkspace& ws, QObject* parent);
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TWorkspace& ws_;
};

class TScriptLibraryPanel : public QWidget {
  Q_OBJECT
 public:
  // `newTable` makes the window's kind of list over a model (name "lvOnlineScripts").
  TScriptLibraryPanel(TWorkspace& ws, const std::function<QTableView*(QAbstractItemModel*)>& newTable,
                      QWidget* parent = nullptr);

  QTableView* List() const { return list_; }
  QComboBox* FilterBox() const { return filter_; }
  // The list shown again from the state; the selected row, or -1.
  void Refresh();
  int SelectedRow() const;
  void SelectRow(int row);
  // Reloads the list keeping the selected script selected.
  void Reload();
  void AddCommandButtons(TCommandMap& commands);

  // The comment of a rating (input box "Комментарий"); nothing when cancelled. Tests replace it.
  using TCommentAsker = std::function<std::optional<QString>()>;
  void SetCommentAsker(TCommentAsker asker) { askComment_ = std::move(asker); }
  std::optional<QString> AskComment() const { return askComment_(); }

 private:
  TWorkspace& ws_;
  TOnlineScriptsModel* model_;
  QComboBox* filter_;
  class TFlowLayout* buttons_;
  QTableView* list_;
  TCommentAsker askComment_;
};

// The dialog "Свойства сценария": editable (OK checks the title, its freedom in the catalogue and
// the author) or read-only without OK.
class TScriptPropsDialog : public QDialog {
  Q_OBJECT
 public:
  TScriptPropsDialog(QWidget* parent, TWorkspace& ws, const TScriptData& data, bool editable);
  const TScriptData& Data() const { return data_; }

 protected:
  void accept() override;

 private:
  TWorkspace& ws_;
  TScriptData data_;
  QLineEdit* edTitle_;
  QLineEdit* edAuthor_;
  QComboBox* cbLanguage_;
  QPlainTextEdit* edDescr_;
  QRadioButton* rbPublic_;
  QRadioButton* rbUniversal_;
};

// The window "Оценки пользователей".
class TScriptRatesDialog : public QDialog {
  Q_OBJECT
 public:
  TScriptRatesDialog(QWidget* parent, const std::vector<TScriptRate>& rates);
};

// What the library commands take from the window.
struct TLibraryHost {
  // The working script changed (a download): the script tab shows it.
  std::function<void()> ScriptChanged;
  // Dialogs open modally; tests replace this to answer them.
  std::function<int(QDialog&)> Exec = [](QDialog& dialog) { return dialog.exec(); };
};

// Registers ScriptLibrary (shows or hides the panel), ScriptLibraryRefresh, ...Download, ...Upload,
// ...Replace, ...Delete, ...View (also a double click), ...Rates, ...Rate1..5, ...Rate0, ...Hide.
void AddLibraryCommands(TCommandMap& commands, TScriptLibraryPanel& panel, TWorkspace& ws, TLibraryHost host);
// The commands of the "Online-каталог сценариев" submenu in order ("" a separator).
std::vector<QString> LibraryMenuCommands();

}  // namespace kivra::shell
