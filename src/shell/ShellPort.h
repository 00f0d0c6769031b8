// The user port of the main window: the program's message boxes, the progress text in status
// panel 6 and the hourglass cursor while the busy counter is above 0.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <string_view>

#include "core/UserPort.h"

class QLabel;
class QWidget;

namespace kivra::shell {

QString ToQ(std::string_view text);
std::string FromQ(const QString& text);
// A message text for a box: CR LF and lone CR become line breaks.
QString MessageText(std::string_view text);

class TShellPort : public QObject, public TUserPort {
  Q_OBJECT
 public:
  explicit TShellPort(QObject* parent = nullptr) : QObject(parent) {}

  // The window the boxes belong to, and the labels of the seven status panels (any may be null).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  void SetPanels(const std::array<QLabel*, 7>& panels) { panels_ = panels; }

  void ShowProgress(std::string_view text) override;
  void SetStatusText(int panel, std::string_view text) override;
  bool Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) override;

  // Tests answer the boxes themselves: when set, it is called instead of showing a box and its
  // result is the answer to a question.
  using TInterceptor = std::function<bool(TMessageKind, const QString& caption, const QString& text, bool defaultYes)>;
  void SetInterceptor(TInterceptor interceptor) { interceptor_ = std::move(interceptor); }

  // The text of the last progress call (empty when idle).
  const QString& ProgressText() const { return progress_; }

 signals:
  // Emitted when the busy counter leaves or returns to 0 (the window updates its commands).
  void BusyStateChanged(bool busy);

 protected:
  void BusyChanged(bool busy) override;

 private:
  QWidget* owner_ = nullptr;
  std::array<QLabel*, 7> panels_{};
  TInterceptor interceptor_;
  QString progress_;
};

}  // namespace kivra::shell
