#include "core/DrawsCsv.h"

#include <fmt/format.h>

#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"

namespace kivra {

namespace {

bool IsBlank(char c) { return c != 0 && static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::vector<std::string> SplitFields(std::string_view line, char delimiter, char quote) {
  std::vector<std::string> fields;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  while (i < n) {
    std::string field;
    if (line[i] == quote) {
      ++i;
      while (i < n) {
        if (line[i] == quote) {
          if (i + 1 < n && line[i + 1] == quote) {
            field += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
    } else {
      const size_t start = i;
      while (i < n && !IsBlank(line[i]) && line[i] != delimiter) ++i;
      field.assign(line.substr(start, i - start));
    }
    fields.push_back(std::move(field));
    while (i < n && IsBlank(line[i])) ++i;
    if (i < n && line[i] == delimiter) {
      if (i == n - 1) fields.emplace_back();
      ++i;
      while (i < n && IsBlank(line[i])) ++i;
    }
  }
  return fields;
}

std::string DrawsImportReport(int added, int skipped) {
  return fmt::format("Добавлено тиражей: {}, пропущено строк: {}", added, skipped);
}

int ImportDrawsCsv(TDrawsArchive& archive, const std::filesystem::path& file, TUserPort& port, int* skipped) {
  TBusyScope busy(port, fmt::format("Импорт тиражей из файла \"{}\"...", file.string()));
  std::string bytes;
  try {
    bytes = ReadWholeFile(file);
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка импорта тиражей из файла \"{}\"!\r\r{}", file.string(), ErrorText(e)));
    return -1;
  }
  int added = 0, passed = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = Cp1251ToUtf8(std::string_view(bytes).substr(pos, end - pos));
    pos = end + 1;
    if (Trim(line).empty()) continue;
    ++passed;
    const auto fields = SplitFields(line);
    if (fields.size() != 7 && fields.size() != 6) continue;
    const size_t first = fields.size() == 7 ? 1 : 0;
    TDraw d;
    d.Number = fields.size() == 7 ? StrToIntDef(fields[0], 0) : archive.Count() + 1;
    d.SetDateText(fields[first]);
    for (int k = 0; k < CombSize; ++k) d.Nums[k] = static_cast<uint8_t>(StrToIntDef(fields[first + 1 + k], 0));
    // A draw with impossible numbers would poison every statistic: such rows are skipped.
    if (d.Number <= 0 || !IsValidDrawNumbers(d.Nums) || archive.FindDrawIndex(d.Number) >= 0) continue;
    archive.Append(d);
    ++added;
  }
  if (skipped) *skipped = passed - added;
  return added;
}

std::string DrawsToCsv(const TDrawsArchive& archive) {
  std::string out;
  out.reserve(static_cast<size_t>(archive.Count()) * 40);
  for (const TDraw& d : archive.StoredDraws()) {
    std::string date(d.Date.data(), std::min<size_t>(d.DateLen, d.Date.size()));  // cp1251 as stored
    std::string quoted;
    for (char c : date) {
      if (c == '"') quoted += '"';
      quoted += c;
    }
    out += fmt::format("{};\"{}\";{};{};{};{};{}\r\n", d.Number, quoted, d.Nums[0], d.Nums[1], d.Nums[2], d.Nums[3],
                       d.Nums[4]);
  }
  return out;
}

bool ExportDrawsCsv(const TDrawsArchive& archive, const std::filesystem::path& file, TUserPort& port) {
  TBusyScope busy(port, fmt::format("Экспорт тиражей в файл \"{}\"...", file.string()));
  try {
    WriteFileAtomic(file, DrawsToCsv(archive));
    return true;
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка экспорта тиражей в файл \"{}\"!\r\r{}", file.string(), ErrorText(e)));
    return false;
  }
}

}  // namespace kivra
