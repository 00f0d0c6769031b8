// The small wait window shown while the draws download: its text and a cancel button.
#pragma once

#include <QDialog>

namespace kivra::shell {

class TWaitWindow : public QDialog {
  Q_OBJECT
 public:
  TWaitWindow(const QString& text, QWidget* parent);
  bool Cancelled() const { return cancelled_; }

  void reject() override;  // Esc and "Отмена" ask to cancel; the window closes when the work ends

 private:
  bool cancelled_ = false;
};

}  // namespace kivra::shell
