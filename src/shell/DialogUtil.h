// Small pieces the dialogs share: the OK/Отмена button row and the locale of number fields.
#pragma once

#include <QLocale>

class QDialog;
class QDialogButtonBox;

namespace kivra::shell {

// A button row with "OK" and "Отмена" wired to accept() and reject(); the buttons are named
// "btnOk" and "btnCancel", the row "buttons".
QDialogButtonBox* MakeOkCancel(QDialog* dialog);

// The locale number fields use: its decimal separator is the one the program formats numbers with
// (SysFormat), so that a field and a "%.2f" text of the same value look alike.
QLocale NumberLocale();

}  // namespace kivra::shell
