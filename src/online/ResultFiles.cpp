#include "online/ResultFiles.h"

#include <algorithm>
#include <unordered_set>

#include "core/DrawsCsv.h"
#include "core/FileUtils.h"
#include "core/SortaUtils.h"
#include "core/TextCodec.h"

namespace kivra {

namespace {

int32_t PieceNumber(std::string_view piece) {
  int32_t v = 0;
  return StrToIntStrict(Trim(piece), v) ? v : 0;
}

}  // namespace

TResultFile ResultFileRange(const std::filesystem::path& path) {
  TResultFile file{path, 0, 0};
  const std::string name = path.filename().string();
  std::string_view stem = name;
  constexpr std::string_view prefix = "Virma_Results__";
  stem.remove_prefix(std::min(stem.size(), prefix.size()));
  if (const size_t dot = stem.rfind('.'); dot != std::string_view::npos) stem = stem.substr(0, dot);
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start <= stem.size() && pieces.size() < 2) {
    const size_t dash = std::min(stem.find('-', start), stem.size());
    const std::string_view piece = stem.substr(start, dash - start);
    if (!Trim(piece).empty()) pieces.push_back(piece);
    start = dash + 1;
  }
  if (!pieces.empty()) file.First = PieceNumber(pieces[0]);
  if (pieces.size() > 1) file.Last = PieceNumber(pieces[1]);
  return file;
}

std::vector<TResultFile> FindResultFiles(const std::filesystem::path& folder) {
  std::vector<TResultFile> files;
  for (const auto& path : FindFilesByMask(folder, ResultFilesMask)) files.push_back(ResultFileRange(path));
  std::stable_sort(files.begin(), files.end(), [](const TResultFile& a, const TResultFile& b) {
    return a.First != b.First ? a.First < b.First : a.Path.filename() < b.Path.filename();
  });
  return files;
}

std::vector<TDraw> ReadResultFile(const std::filesystem::path& path, int32_t next, const TDrawsArchive& archive) {
  const std::string text = Cp1251ToUtf8(ReadWholeFile(path));
  std::vector<TDraw> draws;
  std::unordered_set<int32_t> seen;
  size_t pos = 0;
  bool header = true;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    if (header) {
      header = false;
      continue;
    }
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() <= 8) continue;
    const int32_t number = StrToIntDef(fields[0], 0);
    if (number < next) break;
    TDraw draw{};
    draw.Number = number;
    draw.SetDateText(fields[1]);
    TNumSet numbers;
    bool valid = true;
    for (int i = 0; i < CombSize; ++i) {
      const int32_t n = StrToIntDef(fields[4 + i], 0);
      valid = valid && n >= 1 && n <= MaxNumber && !numbers.Contains(static_cast<uint8_t>(n));
      if (valid) numbers.Include(static_cast<uint8_t>(n));
      draw.Nums[i] = static_cast<uint8_t>(n);
    }
    if (!valid || archive.FindDrawIndex(number) >= 0 || !seen.insert(number).second) continue;
    draws.push_back(draw);
  }
  std::reverse(draws.begin(), draws.end());
  return draws;
}

}  // namespace kivra
