// Combination files (".lcv": one "3;15;22;38;45" line per entry, cp1251, CR LF) and the clipboard
// text form of the list ("03 15 22 38 45" lines, CR LF).
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

class TCombList;
class TUserPort;

// The combination of one file line: exactly five words between runs of "," or ";", each an
// integer, five different numbers 1..45, in the order written. Nothing for any other line (empty,
// another word count, a number outside 1..45 or repeated).
std::optional<TComb> ParseCombsFileLine(std::string_view line);

// The combinations of a file's bytes in order, skipping the lines that are not combinations (the
// rules of ParseCombsFileLine; lines end at CR LF, CR or LF). One pass over the bytes: the usual
// "d;d;d;d;d" line of one- or two-digit numbers is read in place, any other line by
// ParseCombsFileLine.
std::vector<TComb> ParseCombsFileBytes(std::string_view bytes);

// Empties the list and appends the combinations of the file's lines, skipping the lines that are
// not combinations. A read failure shows "Ошибка чтения файла \"%s\"!\r\r%s" and returns false.
bool LoadCombsFile(TCombList& list, const std::filesystem::path& file, TUserPort& port);

// Writes the list, one CombToText line per entry, replacing the file atomically. A failure shows
// "Ошибка записи в файл \"%s\"!\r\r%s" and returns false; the old file then stays as it was.
bool SaveCombsFile(const TCombList& list, const std::filesystem::path& file, TUserPort& port);

// The clipboard text of the given rows (any order, repeats and rows outside the list ignored), in
// list order, each CombToPaddedText with CR LF. Empty when no row is given.
std::string CombsClipboardText(const TCombList& list, std::span<const uint32_t> rows);

// Splits a text into lines at CR LF, LF or CR; a final line end does not make an empty last line.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// The combination of a pasted line: TextToComb's rules (throws TConvertError with
// "Некорректная комбинация: \"%s\"!"), and five different numbers 1..45.
TComb PastedLineToComb(std::string_view line);

}  // namespace kivra
