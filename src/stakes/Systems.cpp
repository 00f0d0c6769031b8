#include "stakes/Systems.h"

#include <algorithm>
#include <cmath>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"

namespace kivra {

namespace {

constexpr std::string_view LineSeparators = " *+,-./:;=\\_|~";

bool IsLineSeparator(char c) { return LineSeparators.find(c) != std::string_view::npos; }

// The lines of a text ended by CR LF, LF or CR.
std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t b = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(b, i - b));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    b = i + 1;
  }
  if (b < text.size()) lines.push_back(text.substr(b));
  return lines;
}

}  // namespace

std::filesystem::path SystemsFolder(const std::filesystem::path& dataDir) { return dataDir / "Systems"; }

std::string SystemFileName(int nums, int block, int id) {
  return SysFormat("%d-%.2d-%d_%.4d.dat", {CombSize, nums, block, id});
}

std::string SystemFileMask(int nums) { return SysFormat("%d-%.2d-*_*.dat", {CombSize, nums}); }

std::string SystemShortName(const std::filesystem::path& file) { return file.stem().string(); }

bool ParseSystemText(std::string_view text, int nums, std::vector<TComb>& lines, std::string& error,
                     bool distinct) {
  lines.clear();
  size_t lineNo = 0;
  for (std::string_view line : TextLines(text)) {
    ++lineNo;
    if (Trim(line).empty()) continue;
    // The words between runs of separators (blanks of other kinds are trimmed off each word).
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && IsLineSeparator(line[i])) ++i;
      const size_t b = i;
      while (i < line.size() && !IsLineSeparator(line[i])) ++i;
      if (i > b) {
        const std::string_view w = Trim(line.substr(b, i - b));
        if (!w.empty()) words.push_back(w);
      }
    }
    TComb comb{};
    bool ok = words.size() == CombSize;
    for (size_t k = 0; ok && k < CombSize; ++k) {
      int32_t position = 0;
      ok = StrToIntStrict(words[k], position) && position >= 1 && position <= nums;
      if (ok) comb[k] = static_cast<uint8_t>(position);
    }
    if (!ok) {
      error = SysFormat("Строка %d: \"%s\": ожидаются пять позиций от 1 до %d", {lineNo, line, nums});
      return false;
    }
    if (distinct) {
      TComb sorted = comb;
      std::sort(sorted.begin(), sorted.end());
      if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
        error = SysFormat("Строка %d: \"%s\": позиции повторяются", {lineNo, line});
        return false;
      }
    }
    lines.push_back(comb);
  }
  return true;
}

TSystemExpansion SystemExpand(const std::filesystem::path& folder, std::span<const uint8_t> numbers) {
  TSystemExpansion r;
  const int n = static_cast<int>(numbers.size());
  r.Nums = n;
  const auto files = FindFilesByMask(folder, SystemFileMask(n));
  if (files.empty()) {
    r.Message = SysFormat("Система для %d чисел не найдена или не загружена на компьютер!", {n});
    r.LongMessage = r.Message +
                    "\r\rПеред системной игрой необходимо предварительно загрузить системы на Ваш компьютер "
                    "через меню \"Системы\" - \"Загрузить\".";
    return r;
  }
  r.File = files.front();
  const auto fail = [&r](std::string_view reason) {
    r.Combs.clear();
    r.Message = SysFormat("Ошибка загрузки комбинаций системы!\r\r%s", {reason});
    r.LongMessage = r.Message;
    return r;
  };
  std::string text;
  try {
    text = Cp1251ToUtf8(ReadWholeFile(r.File));
  } catch (const std::exception& e) {
    return fail(ErrorText(e));
  }
  std::string error;
  std::vector<TComb> lines;
  if (!ParseSystemText(text, n, lines, error)) return fail(error);
  for (const TComb& positions : lines) {
    TComb comb{};
    for (size_t k = 0; k < CombSize; ++k) comb[k] = numbers[positions[k] - 1];
    r.Combs.push_back(comb);
  }
  if (r.Combs.empty()) return fail(SysFormat("Файл \"%s\" не содержит комбинаций", {r.File.string()}));
  r.Ok = true;
  return r;
}

TSystemInfo SystemPlaceholder() {
  TSystemInfo info;
  info.Title = "Список систем не доступен!";
  return info;
}

const std::array<std::string_view, SystemColumnCount> SystemColumnCaptions = {
    "Название", "Автор",    "Числа",     "Блок",        "Комбинаций", "Дата создания",
    "Статус",   "Загрузок", "Последняя", "Комментарии", "Ссылка"};

std::string SystemDateText(TDateTime t) {
  if (t <= 0) return {};
  const std::string date = DateToText(t);
  const auto seconds = static_cast<int64_t>(std::llround((t - std::floor(t)) * 86400.0));
  return SysFormat("%s %.2d:%.2d:%.2d", {date, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60});
}

std::string SystemCellText(const TSystemInfo& info, int column, bool downloaded) {
  const bool placeholder = info.Id < 0;
  switch (column) {
    case 0: return info.Title;
    case 1: return info.Author;
    case 2: return placeholder ? std::string() : SysFormat("%.2d", {info.Nums});
    case 3: return placeholder ? std::string() : std::to_string(info.Block);
    case 4: return placeholder ? std::string() : std::to_string(info.Count);
    case 5: return SystemDateText(info.Created);
    case 6: return downloaded ? "Загружена" : "";
    case 7: return placeholder ? std::string() : std::to_string(info.Downloads);
    case 8: return SystemDateText(info.LastDownload);
    case 9: return info.Description;
    case 10: return info.Url;
    default: return {};
  }
}

}  // namespace kivra
