// The clock of the program's text logs, and the deletion of a family of log files.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace kivra {

class TUserPort;

// A moment of the local clock, to the second.
struct TLogTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};
using TLogClock = std::function<TLogTime()>;
TLogTime LocalLogTime();

// Deletes every regular file of the folder whose name matches the mask, without asking per file.
// None present: "Файлы журналов не найдены!" and false. Otherwise busy with "Поиск файлов
// журналов...", then the summary and the failures joined by "\r\r": ShowInfo when every file went,
// else ShowWarning captioned "Предупреждение". True when every file was deleted.
bool DeleteLogFiles(const std::filesystem::path& folder, std::string_view mask, TUserPort& port);

}  // namespace kivra
