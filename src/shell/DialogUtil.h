// Small pieces the dialogs share: the OK/Отмена button row, the locale of number fields, the file
// dialogs' size and Qt's own Russian texts.
#pragma once

#include <QLocale>

class QDialog;
class QDialogButtonBox;
class QFileDialog;

namespace kivra::shell {

// A button row with "OK" and "Отмена" wired to accept() and reject(); the buttons are named
// "btnOk" and "btnCancel", the row "buttons".
QDialogButtonBox* MakeOkCancel(QDialog* dialog);

// The locale number fields use: its decimal separator is the one the program formats numbers with
// (SysFormat), so that a field and a "%.2f" text of the same value look alike.
QLocale NumberLocale();

// Sizes a file dialog so that its columns (name, size, type, date) fit, within the screen.
void SizeFileDialog(QFileDialog& dialog);

// Installs Qt's own Russian translations (the texts of its standard dialogs and buttons: "Папка",
// "Отмена", ...) from Qt's translations folder. False when they are not installed; the standard
// dialogs then speak English.
bool InstallQtTranslations();

}  // namespace kivra::shell
