// The engine's only way to talk to the person: busy state, progress text, status panels and
// message boxes. The shell implements it with Qt; the cli and the tests with their own ports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivra {

enum class TMessageKind { Error, Info, Warning, Question };

// Captions of the program's message boxes.
inline constexpr std::string_view CaptionError = "Ошибка";
inline constexpr std::string_view CaptionInfo = "Информация";
inline constexpr std::string_view CaptionWarning = "Внимание!";
inline constexpr std::string_view CaptionWarningAlt = "Предупреждение";
inline constexpr std::string_view CaptionQuestion = "Подтверждение";

class TUserPort {
 public:
  virtual ~TUserPort() = default;

  // Busy counter: commands are enabled only while it is 0.
  void BeginBusy();
  void EndBusy();  // never goes below 0
  bool IsIdle() const { return busy_ == 0; }
  int BusyCount() const { return busy_; }

  // Writes the progress text (status panel 6) and lets the window process pending events.
  virtual void ShowProgress(std::string_view text) = 0;
  // Writes a status panel (0..6).
  virtual void SetStatusText(int panel, std::string_view text) { (void)panel, (void)text; }

  void ShowError(std::string_view text) { Message(TMessageKind::Error, CaptionError, text, false); }
  void ShowInfo(std::string_view text) { Message(TMessageKind::Info, CaptionInfo, text, false); }
  void ShowWarning(std::string_view text, std::string_view caption = CaptionWarning) {
    Message(TMessageKind::Warning, caption, text, false);
  }
  // Yes is the default button.
  bool AskYesNo(std::string_view text) { return Message(TMessageKind::Question, CaptionQuestion, text, true); }
  // Asks before deleting n records; No is the default button.
  bool ConfirmDelete(int n);

  // Shows one message box; for questions returns true for Yes. `defaultYes` names the default button.
  virtual bool Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) = 0;

 protected:
  // Called when the counter leaves or reaches 0 (the shell switches the hourglass cursor).
  virtual void BusyChanged(bool busy) { (void)busy; }

 private:
  int busy_ = 0;
};

// Marks the port busy with a progress text for one scope; clears both when the scope ends, also on
// an exception.
class TBusyScope {
 public:
  TBusyScope(TUserPort& port, std::string_view progress);
  ~TBusyScope();
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TUserPort& port_;
};

// A port that records everything, for tests. Questions are answered from `Answers` in order, then
// with the default button.
class TRecordingPort : public TUserPort {
 public:
  struct TRecord {
    TMessageKind Kind;
    std::string Caption;
    std::string Text;
    bool DefaultYes;
  };

  void ShowProgress(std::string_view text) override { Progress.emplace_back(text); }
  void SetStatusText(int panel, std::string_view text) override;
  bool Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) override;

  std::vector<std::string> Progress;
  std::vector<TRecord> Messages;
  std::vector<bool> Answers;
  std::vector<std::string> Status = std::vector<std::string>(7);
  std::vector<bool> BusyChanges;

 protected:
  void BusyChanged(bool busy) override { BusyChanges.push_back(busy); }

 private:
  size_t answered_ = 0;
};

// A message text shown with its CR line breaks as LF, for printing to a terminal.
std::string MessageForTerminal(std::string_view text);

}  // namespace kivra
