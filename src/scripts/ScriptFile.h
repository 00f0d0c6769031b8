// Script files (".lsc") and the working script: plain text in cp1251, one script line per text
// line, each line ended by CR LF.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

class TUserPort;

// The extension of the files the user saves scripts in, and the name filter of their dialogs.
inline constexpr std::string_view ScriptFileExtension = "lsc";
inline constexpr std::string_view ScriptFileFilter = "Файлы сценариев (*.lsc)";

// The lines of a file's bytes, as UTF-8. A line ends at CR LF, a lone CR or a lone LF; a line end
// at the very end makes no empty last line, so "" has no line and "\r\n" one empty line.
std::vector<std::string> ScriptLinesFromBytes(std::string_view cp1251);
// The bytes of a file holding the lines: each in cp1251 ("?" for a character it cannot hold, a
// space for CR and LF) followed by CR LF. No line, no byte.
std::string ScriptBytesFromLines(std::span<const std::string> lines);

// Reads the file's lines with the progress "Загрузка файла \"%s\"...". A failure shows
// "Ошибка чтения файла \"%s\"!\r\r%s" and returns false; `lines` is then unchanged.
bool LoadScriptFile(const std::filesystem::path& file, std::vector<std::string>& lines, TUserPort& port);
// Writes the lines, replacing the file atomically, with the progress "Сохранение файла \"%s\"...".
// A failure shows "Ошибка записи в файл \"%s\"!\r\r%s" and returns false.
bool SaveScriptFile(const std::filesystem::path& file, std::span<const std::string> lines, TUserPort& port);

}  // namespace kivra
