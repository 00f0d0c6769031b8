// The dialog "Элемент сценария": one script line's options, the texts of its seven filter
// commands (each editable by hand or in the dialog "Фильтр") and its comment.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "scripts/ScriptText.h"
#include "shell/UnitFilterCommand.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QToolButton;

namespace kivra::shell {

class TScriptLineDialog : public QDialog {
  Q_OBJECT
 public:
  // `caption`: "Создание новой строки" or "Редактирование строки"; `drawCount` fills
  // "Кол-во тиражей:" when `line` is empty (a new line).
  TScriptLineDialog(QWidget* parent, const TScriptEditContext& context, const QString& caption, int drawCount,
                    const std::string& line);

  // The line the controls describe: the commands without "|", CR and LF in every field as spaces.
  std::string Line() const;

  // Edits command field k (0..6) in the dialog "Фильтр"; true when its text was replaced.
  bool EditCommand(int k);
  // Replaces the editor of one command (tests answer it themselves); by default the dialog "Фильтр".
  using TCommandEditor = std::function<bool(TFilterItem&)>;
  void SetCommandEditor(TCommandEditor editor) { editor_ = std::move(editor); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const TScriptEditContext& context_;
  TMethodLookup methods_;
  TCommandEditor editor_;
  QLineEdit* comment_;
  QComboBox* startType_;
  QSpinBox* drawsExclude_;
  QComboBox* resultMode_;
  QCheckBox* clearStakes_;
  QCheckBox* newOnly_;
  std::array<QLineEdit*, ScriptCommandCount> commands_{};
  std::array<QToolButton*, ScriptCommandCount> buttons_{};
};

}  // namespace kivra::shell
