#include "stakes/Tables.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"

namespace kivra {

namespace {

void PutInt32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

bool IsZero(const TComb& c) {
  return std::all_of(c.begin(), c.end(), [](uint8_t n) { return n == 0; });
}

}  // namespace

std::string TTableData::CommentText() const { return Cp1251ToUtf8(Comment); }

void EncodeTable(const TTableData& rule, std::span<uint8_t, TableRecordSize> out) {
  uint8_t* p = out.data();
  std::memset(p, 0, TableRecordSize);
  const size_t length = std::min<size_t>(rule.Comment.size(), 255);
  p[TableField::Comment] = static_cast<uint8_t>(length);
  std::memcpy(p + TableField::Comment + 1, rule.Comment.data(), length);
  p[TableField::Mode] = rule.Mode;
  std::copy(rule.Start.begin(), rule.Start.end(), p + TableField::Start);
  std::copy(rule.Current.begin(), rule.Current.end(), p + TableField::Current);
  PutInt32(p + TableField::Step, rule.Step);
  PutInt32(p + TableField::Count, rule.Count);
}

TTableBytes EncodeTable(const TTableData& rule) {
  TTableBytes bytes;
  EncodeTable(rule, bytes);
  return bytes;
}

TTableData DecodeTable(std::span<const uint8_t, TableRecordSize> in) {
  const uint8_t* p = in.data();
  TTableData rule;
  rule.Comment.assign(reinterpret_cast<const char*>(p + TableField::Comment + 1), p[TableField::Comment]);
  rule.Mode = p[TableField::Mode];
  std::copy(p + TableField::Start, p + TableField::Start + CombSize, rule.Start.begin());
  std::copy(p + TableField::Current, p + TableField::Current + CombSize, rule.Current.begin());
  rule.Step = GetInt32(p + TableField::Step);
  rule.Count = GetInt32(p + TableField::Count);
  return rule;
}

uint8_t ShiftTableNumber(int n, int32_t step) {
  // In 64 bits: a damaged step near the limits of int32 must not overflow.
  const int64_t r = ((int64_t{n} - 1 + step) % MaxNumber + MaxNumber) % MaxNumber;
  return static_cast<uint8_t>(r + 1);
}

TComb AdvanceTable(TTableData& rule, const TComb& previousDraw) {
  TComb next = rule.Mode == TableFromDraw ? previousDraw : rule.Current;
  for (uint8_t& n : next) n = ShiftTableNumber(n, rule.Step);
  std::sort(next.begin(), next.end());
  rule.Current = next;
  // A damaged count saturates instead of overflowing.
  if (rule.Count < INT32_MAX) ++rule.Count;
  return next;
}

TComb AdvanceTable(TTableData& rule, const TDrawsArchive& archive, int offset) {
  return AdvanceTable(rule, archive.DrawNumsAt(offset));
}

std::optional<TComb> ParseTableStart(std::string_view text) {
  TComb comb{};
  size_t count = 0;
  uint64_t seen = 0;
  size_t from = 0;
  while (true) {
    const size_t at = text.find_first_of(";,", from);
    const std::string_view word = Trim(text.substr(from, at == std::string_view::npos ? text.npos : at - from));
    int32_t n = 0;
    if (count == CombSize || !StrToIntStrict(word, n) || n < 1 || n > MaxNumber || (seen >> n & 1)) return std::nullopt;
    seen |= uint64_t{1} << n;
    comb[count++] = static_cast<uint8_t>(n);
    if (at == std::string_view::npos) break;
    from = at + 1;
  }
  if (count != CombSize) return std::nullopt;
  std::sort(comb.begin(), comb.end());
  return comb;
}

TTablesArray MakeTableRules(const TTableData& rule, std::span<const TListComb> selected) {
  TTablesArray rules;
  if (rule.Mode == TableFromDraw || selected.size() == 1) {
    TTableData one = rule;
    std::sort(one.Start.begin(), one.Start.end());
    one.Current = one.Start;
    one.Count = 0;
    rules.push_back(one);
    return rules;
  }
  for (const TListComb& comb : selected) {
    TTableData r = rule;
    r.Comment += SysFormat(" (%d)", {static_cast<int64_t>(comb.Position) + 1});
    r.Start = comb.Numbers;
    std::sort(r.Start.begin(), r.Start.end());
    r.Current = r.Start;
    r.Count = 0;
    rules.push_back(std::move(r));
  }
  return rules;
}

const std::array<const char*, TableColumnCount> TableColumnCaptions = {"Комментарий", "Стартовая комбинация",
                                                                       "Текущая комбинация", "Шаг", "Ставок"};

std::string TableCellText(const TTableData& rule, int column) {
  switch (column) {
    case 0: return rule.CommentText();
    case 1:
      // A rule of mode 1 starts from the previous draw, whatever its Start holds.
      if (rule.Mode == TableFromDraw) return "Предыдущий тираж";
      return IsZero(rule.Start) ? std::string() : CombToText(rule.Start);
    case 2: return IsZero(rule.Current) ? std::string() : CombToText(rule.Current);
    case 3: return std::to_string(rule.Step);
    case 4: return std::to_string(rule.Count);
    default: return {};
  }
}

TTables::TTables(TUserPort& port, std::filesystem::path file) : port_(port), file_(std::move(file)) {}

void TTables::Delete(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range(SysFormat("Запись со индексом %d в файле данных не найдена!", {index}));
  rows_.erase(rows_.begin() + index);
}

bool TTables::CommentTaken(std::string_view comment) const {
  const std::string folded = FoldCaseCp1251(Utf8ToCp1251(comment));
  return std::any_of(rows_.begin(), rows_.end(),
                     [&folded](const TTableData& r) { return FoldCaseCp1251(r.Comment) == folded; });
}

bool TTables::Load() {
  std::error_code exists;
  if (!std::filesystem::exists(file_, exists)) return true;
  TBusyScope busy(port_, "Загрузка файла регулярных ставок...");
  try {
    const std::string bytes = ReadWholeFile(file_);
    const size_t count = bytes.size() / TableRecordSize;
    rows_.reserve(rows_.size() + count);
    for (size_t i = 0; i < count; ++i)
      rows_.push_back(DecodeTable(std::span<const uint8_t, TableRecordSize>(
          reinterpret_cast<const uint8_t*>(bytes.data()) + i * TableRecordSize, TableRecordSize)));
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка чтения файла регулярных ставок!\r\r%s", {ErrorText(e)}));
    return false;
  }
}

bool TTables::Save() {
  TBusyScope busy(port_, "Сохранение файла регулярных ставок...");
  try {
    std::string bytes(rows_.size() * TableRecordSize, '\0');
    for (size_t i = 0; i < rows_.size(); ++i)
      EncodeTable(rows_[i], std::span<uint8_t, TableRecordSize>(
                                reinterpret_cast<uint8_t*>(bytes.data()) + i * TableRecordSize, TableRecordSize));
    WriteFileAtomic(file_, bytes);
    return true;
  } catch (const std::exception& e) {
    port_.ShowError(SysFormat("Ошибка записи в файл регулярных ставок!\r\r%s", {ErrorText(e)}));
    return false;
  }
}

}  // namespace kivra
