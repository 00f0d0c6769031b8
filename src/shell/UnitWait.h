// The small wait window shown while long work runs (the draws download, the comparison with chance):
// its text and a button that asks the work to stop.
#pragma once

#include <QDialog>

namespace kivra::shell {

class TWaitWindow : public QDialog {
  Q_OBJECT
 public:
  TWaitWindow(const QString& text, QWidget* parent, const QString& title = QStringLiteral("Загрузка"),
              const QString& button = QStringLiteral("Отмена"));
  bool Cancelled() const { return cancelled_; }
  void SetText(const QString& text);

  void reject() override;  // Esc and the button ask to stop; the window closes when the work ends

 private:
  bool cancelled_ = false;
};

}  // namespace kivra::shell
