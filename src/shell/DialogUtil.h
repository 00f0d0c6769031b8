// Small pieces the dialogs share: the OK/Отмена button row, the locale of number fields, the file
// dialogs' size and Qt's own Russian texts.
#pragma once

#include <QLocale>
#include <QSpinBox>
#include <optional>

class QDialog;
class QDialogButtonBox;
class QFileDialog;
class QWidget;

namespace kivra::shell {

// A button row with "OK" and "Отмена" wired to accept() and reject(); the buttons are named
// "btnOk" and "btnCancel", the row "buttons".
QDialogButtonBox* MakeOkCancel(QDialog* dialog);

// The locale number fields use: its decimal separator is the one the program formats numbers with
// (SysFormat), so that a field and a "%.2f" text of the same value look alike.
QLocale NumberLocale();

// The least width of a small dialog's content at which window managers show a title such as
// "Количество тестов" whole beside their buttons.
constexpr int TitleFitWidth = 260;

// A count field in which an empty text reads as 0, so that clearing it (then OK, Enter or leaving
// the field) is not turned back into the previous count.
class TCountField : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
  int valueFromText(const QString& text) const override;
};

// The count typed in a count field: nothing when it is 0 or empty (the command then ends as on
// "Отмена"); otherwise the field's value.
std::optional<int> TypedCount(QSpinBox* field);

// Sizes a file dialog so that its columns (name, size, type, date) fit, within the screen, and
// shows those columns in Russian (sizes, types, dates in the Russian form).
void SizeFileDialog(QFileDialog& dialog);
// A file name chosen in such a dialog (save: asking before replacing a file); empty when cancelled.
QString AskFileName(QWidget* parent, const QString& caption, const QString& filter, bool save);

// Installs Qt's own Russian translations (the texts of its standard dialogs and buttons: "Папка",
// "Отмена", ...) from Qt's translations folder. False when they are not installed; the standard
// dialogs then speak English.
bool InstallQtTranslations();

}  // namespace kivra::shell
