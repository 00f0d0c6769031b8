// Draws CSV files: cp1251, CR LF, fields split by SplitFields with ";" and '"'.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

class TDrawsArchive;
class TUserPort;

// Splits one line into fields: blanks (codes 1..32) outside quotes separate fields as the delimiter
// does, a quoted field may hold delimiters and doubled quotes, two delimiters in a row make an
// empty field, and a delimiter at the very end adds an empty field.
std::vector<std::string> SplitFields(std::string_view line, char delimiter = ';', char quote = '"');

// Appends the draws of a CSV file (rows of 7 fields: number, date, five numbers; or 6 fields: date,
// five numbers, numbered count + 1) whose number is above 0 and not yet in the archive, and whose
// numbers are five different numbers 1..45; other rows are skipped. Returns the number of draws
// added, or -1 when the file cannot be read (the archive is then unchanged and the port was told).
// The caller saves the archive. `skipped`, when given, receives the number of non-blank lines
// that added no draw.
int ImportDrawsCsv(TDrawsArchive& archive, const std::filesystem::path& file, TUserPort& port,
                   int* skipped = nullptr);
// The report of an import: "Добавлено тиражей: N, пропущено строк: M".
std::string DrawsImportReport(int added, int skipped);

// The whole archive as CSV text in cp1251: number;"date";n1;n2;n3;n4;n5 CR LF, earliest first.
std::string DrawsToCsv(const TDrawsArchive& archive);
// Writes DrawsToCsv to the file (atomically, replacing it); false after telling the port on failure.
bool ExportDrawsCsv(const TDrawsArchive& archive, const std::filesystem::path& file, TUserPort& port);

}  // namespace kivra
