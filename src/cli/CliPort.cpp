#include "cli/CliPort.h"

#include <cstdio>
#include <string>

namespace kivra {

bool TCliPort::Message(TMessageKind kind, std::string_view caption, std::string_view text, bool defaultYes) {
  const std::string shown = MessageForTerminal(text);
  switch (kind) {
    case TMessageKind::Error:
      ++errors_;
      std::fprintf(stderr, "%s\n", shown.c_str());
      return false;
    case TMessageKind::Info: std::fprintf(stdout, "%s\n", shown.c_str()); return false;
    case TMessageKind::Warning:
      std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), shown.c_str());
      return false;
    case TMessageKind::Question:
      std::fprintf(stderr, "%s %s\n", shown.c_str(), YesToAll || defaultYes ? "Да" : "Нет");
      return YesToAll || defaultYes;
  }
  return false;
}

}  // namespace kivra
