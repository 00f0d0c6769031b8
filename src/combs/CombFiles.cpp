#include "combs/CombFiles.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>

#include "core/DrawsArchive.h"
#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/UserPort.h"
#include "combs/CombList.h"

namespace kivra {

std::optional<TComb> ParseCombsFileLine(std::string_view line) {
  TComb comb{};
  size_t words = 0, i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ',' || line[i] == ';')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ',' && line[i] != ';') ++i;
    if (i == start) continue;
    if (words == CombSize) return std::nullopt;  // a sixth word
    const int32_t v = StrToIntDef(line.substr(start, i - start), 0);
    if (v < 1 || v > MaxNumber) return std::nullopt;
    comb[words++] = static_cast<uint8_t>(v);
  }
  if (words != CombSize || !IsValidDrawNumbers(comb)) return std::nullopt;
  return comb;
}

std::vector<std::string_view> SplitTextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<TComb> ParseCombsFileBytes(std::string_view bytes) {
  std::vector<TComb> combs;
  combs.reserve(bytes.size() / 15 + 1);  // "1;2;3;4;5" CR LF is the shortest usual line
  const char* p = bytes.data();
  const size_t n = bytes.size();
  auto digit = [p](size_t i) { return static_cast<unsigned>(p[i] - '0') <= 9u; };
  size_t i = 0;
  while (i < n) {
    const size_t start = i;
    TComb c{};
    bool usual = true;
    for (int k = 0; k < CombSize && usual; ++k) {
      if (k > 0) {
        if (i < n && (p[i] == ';' || p[i] == ',')) ++i;
        else usual = false;
      }
      if (usual && i < n && digit(i)) {
        unsigned v = static_cast<unsigned>(p[i++] - '0');
        if (i < n && digit(i)) v = v * 10 + static_cast<unsigned>(p[i++] - '0');
        c[static_cast<size_t>(k)] = static_cast<uint8_t>(v);
      } else {
        usual = false;
      }
    }
    if (usual && (i == n || p[i] == '\r' || p[i] == '\n')) {
      bool valid = true;
      for (const uint8_t v : c) valid &= v >= 1 && v <= MaxNumber;
      if (valid && IsValidDrawNumbers(c)) combs.push_back(c);
    } else {
      i = start;
      while (i < n && p[i] != '\r' && p[i] != '\n') ++i;
      if (const auto comb = ParseCombsFileLine(bytes.substr(start, i - start))) combs.push_back(*comb);
    }
    // The line end: CR LF, CR or LF.
    if (i < n && p[i] == '\r') {
      ++i;
      if (i < n && p[i] == '\n') ++i;
    } else if (i < n && p[i] == '\n') {
      ++i;
    }
  }
  return combs;
}

bool LoadCombsFile(TCombList& list, const std::filesystem::path& file, TUserPort& port) {
  list.ResizeList(0, 0);
  try {
    const std::vector<TComb> combs = ParseCombsFileBytes(ReadWholeFile(file));
    list.ResizeList(combs.size(), static_cast<uint32_t>(combs.size()));
    if (!combs.empty()) std::memcpy(list.Data(), combs.data(), combs.size() * sizeof(TComb));
    return true;
  } catch (const std::exception& e) {
    port.ShowError(SysFormat("Ошибка чтения файла \"%s\"!\r\r%s", {file.string(), ErrorText(e)}));
    return false;
  }
}

bool SaveCombsFile(const TCombList& list, const std::filesystem::path& file, TUserPort& port) {
  try {
    std::string bytes;
    bytes.reserve(size_t{list.Count()} * 16);
    for (const TComb& c : list.Items()) {
      bytes += CombToText(c);
      bytes += "\r\n";
    }
    WriteFileAtomic(file, bytes);
    return true;
  } catch (const std::exception& e) {
    port.ShowError(SysFormat("Ошибка записи в файл \"%s\"!\r\r%s", {file.string(), ErrorText(e)}));
    return false;
  }
}

std::string CombsClipboardText(const TCombList& list, std::span<const uint32_t> rows) {
  std::vector<uint32_t> sorted;
  sorted.reserve(rows.size());
  for (uint32_t r : rows)
    if (r < list.Count()) sorted.push_back(r);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::string text;
  text.reserve(sorted.size() * 16);
  for (uint32_t r : sorted) {
    text += CombToPaddedText(list[r]);
    text += "\r\n";
  }
  return text;
}

TComb PastedLineToComb(std::string_view line) {
  // TextToComb's separators; each word is checked as an integer before it becomes a byte, so that
  // 301 cannot pass for 45.
  const auto isSeparator = [](char c) {
    return c == '\t' || c == ' ' || c == ',' || c == '-' || c == '.' || c == ':' || c == ';' || c == '|';
  };
  TComb comb{};
  size_t words = 0, i = 0;
  bool ok = true;
  while (ok && i < line.size()) {
    while (i < line.size() && isSeparator(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !isSeparator(line[i])) ++i;
    if (i == start) continue;
    const int32_t v = StrToIntDef(line.substr(start, i - start), 0);
    ok = words < CombSize && v >= 1 && v <= MaxNumber;
    if (ok) comb[words++] = static_cast<uint8_t>(v);
  }
  if (!ok || words != CombSize || !IsValidDrawNumbers(comb))
    throw TConvertError(fmt::format("Некорректная комбинация: \"{}\"!", line));
  return comb;
}

}  // namespace kivra
