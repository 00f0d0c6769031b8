// The program Kivra_5x45: the main window over the data folder.
#include <QApplication>
#include <QIcon>

#include "core/Version.h"
#include "shell/DialogUtil.h"
#include "shell/MainWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivra_5x45"));
  QApplication::setApplicationVersion(QStringLiteral(KIVRA_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("Kivra_5x45"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/Kivra_5x45-256.png")));
  // The standard dialogs (files, messages) in Russian, as the rest of the program.
  kivra::shell::InstallQtTranslations();
  kivra::shell::TFormMain window(kivra::shell::TStartOptions::Parse(QApplication::arguments()));
  if (window.QuitRequested()) return 0;
  window.ShowPlaced();
  return app.exec();
}
