#include "core/UserPort.h"

#include <fmt/format.h>

namespace kivra {

void TUserPort::BeginBusy() {
  if (busy_++ == 0) BusyChanged(true);
}

void TUserPort::EndBusy() {
  if (busy_ == 0) return;
  if (--busy_ == 0) BusyChanged(false);
}

bool TUserPort::ConfirmDelete(int n) {
  const std::string text = n == 1
                               ? std::string("Удалить выделенную запись?")
                               : fmt::format("Удалить все выделенные записи (всего будет удалено {} записи(ей))?", n);
  return Message(TMessageKind::Question, CaptionWarningAlt, text, false);
}

TBusyScope::TBusyScope(TUserPort& port, std::string_view progress) : port_(port) {
  port_.BeginBusy();
  port_.ShowProgress(progress);
}

TBusyScope::~TBusyScope() {
  port_.ShowProgress("");
  port_.EndBusy();
}

void TRecordingPort::SetStatusText(int panel, std::string_view text) {
  if (panel >= 0 && panel < static_cast<int>(Status.size())) Status[panel] = std::string(text);
}

bool TRecordingPort::Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) {
  Messages.push_back({kind, std::string(caption), std::string(text), defaultYes});
  if (kind != TMessageKind::Question) return false;
  return answered_ < Answers.size() ? Answers[answered_++] : defaultYes;
}

std::string MessageForTerminal(std::string_view text) {
  std::string s(text);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\r') continue;
    if (i + 1 < s.size() && s[i + 1] == '\n') s.erase(i, 1);  // CR LF becomes one LF
    else s[i] = '\n';
  }
  return s;
}

}  // namespace kivra
