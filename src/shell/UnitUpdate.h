// The program update in the window: the dialog "Найдена новая версия программы", the small
// progress window of the search and of the installation, the commands "AutoSelfUpdate" and
// "CheckUpdate" and the quiet check at start-up.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

#include "online/SelfUpdate.h"
#include "shell/CommandMap.h"

class QLabel;
class QProgressBar;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

// Shows the running and the offered version with the description text; "Установить" accepts.
class TUpdateDialog : public QDialog {
  Q_OBJECT
 public:
  TUpdateDialog(const TUpdateOffer& offer, QWidget* parent);
};

// A text and a gauge of a fixed number of steps; no cancel button, no close button.
class TUpdateProgress : public QDialog {
  Q_OBJECT
 public:
  TUpdateProgress(const QString& text, int steps, QWidget* parent);
  void Step();
  QString Text() const;
  int Position() const;
  int Steps() const;

 protected:
  void reject() override {}  // Esc does not close it

 private:
  QLabel* text_;
  QProgressBar* gauge_;
};

// What the update needs from the main window.
struct TUpdateContext {
  std::filesystem::path ProgramDir;  // where the program's files are replaced
  std::function<int()> Language;     // the interface language identifier ("Language")
  std::function<void()> Restart;     // starts the program again and quits
};

// The description file's address from the update address of the configuration (or its
// override); empty when none is configured.
std::string UpdateAddress(const TWorkspace& ws);

// The update check with the window's dialogs: 0 nothing installed, 1 installed, 2 failed.
int RunUpdateCheck(TWorkspace& ws, QWidget* owner, const TUpdateContext& context, bool quiet);

// The quiet check of start-up, when "AutoUpdates" is on and an update address is configured;
// after an installed update the program restarts and true is returned (nothing else of the
// start-up may run).
bool StartUpUpdateCheck(TWorkspace& ws, QWidget* owner, const TUpdateContext& context);

// "AutoSelfUpdate" (the start-up check on or off) and "CheckUpdate" (disabled without an update
// address).
void AddUpdateCommands(TCommandMap& commands, TWorkspace& ws, QWidget* owner, TUpdateContext context);

}  // namespace kivra::shell
