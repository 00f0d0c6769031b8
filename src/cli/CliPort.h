// The cli's port: messages go to stderr (information to stdout), questions take the default button,
// progress is not shown. It counts the errors so that the exit status can report them.
#pragma once

#include "core/UserPort.h"

namespace kivra {

class TCliPort : public TUserPort {
 public:
  void ShowProgress(std::string_view) override {}
  bool Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) override;

  int Errors() const { return errors_; }
  // Questions answered Yes ("--yes" of the commands that ask before deleting).
  bool YesToAll = false;

 private:
  int errors_ = 0;
};

}  // namespace kivra
