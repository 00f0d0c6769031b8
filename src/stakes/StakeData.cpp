#include "stakes/StakeData.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>

#include "core/TextCodec.h"
#include "stakes/Prizes.h"

namespace kivra {

namespace {

void PutInt32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
void PutInt64(uint8_t* p, int64_t v) {
  const auto u = static_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
int32_t GetInt32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}
int64_t GetInt64(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
  return static_cast<int64_t>(u);
}
void PutNumbers(uint8_t* p, const TStakeNumbers& n) {
  PutInt32(p, n.Count);
  std::copy(n.Values.begin(), n.Values.end(), p + 4);
}
TStakeNumbers GetNumbers(const uint8_t* p) {
  TStakeNumbers n;
  n.Count = GetInt32(p);
  std::copy(p + 4, p + 16, n.Values.begin());
  return n;
}

}  // namespace

void EncodeStake(const TStakeData& r, std::span<uint8_t, StakeRecordSize> out) {
  uint8_t* p = out.data();
  std::memset(p, 0, StakeRecordSize);
  p[StakeField::Version] = r.Version;
  p[StakeField::Kind] = r.Kind;
  PutInt32(p + StakeField::DrawNumber, r.DrawNumber);
  p[StakeField::Checked] = r.Checked;
  PutInt32(p + StakeField::SampleSize, r.SampleSize);
  PutNumbers(p + StakeField::Numbers, r.Numbers);
  std::copy(r.DrawResult.begin(), r.DrawResult.end(), p + StakeField::DrawResult);
  PutNumbers(p + StakeField::Matched, r.Matched);
  PutInt64(p + StakeField::Profit, r.Profit);
  std::string text = Utf8ToCp1251(r.Comment);
  if (text.size() > 255) text.resize(255);
  p[StakeField::Comment] = static_cast<uint8_t>(text.size());
  std::memcpy(p + StakeField::Comment + 1, text.data(), text.size());
}

TStakeBytes EncodeStake(const TStakeData& record) {
  TStakeBytes bytes;
  EncodeStake(record, bytes);
  return bytes;
}

TStakeData DecodeStake(std::span<const uint8_t, StakeRecordSize> in) {
  const uint8_t* p = in.data();
  TStakeData r;
  r.Version = p[StakeField::Version];
  r.Kind = p[StakeField::Kind];
  r.DrawNumber = GetInt32(p + StakeField::DrawNumber);
  r.Checked = p[StakeField::Checked];
  r.SampleSize = GetInt32(p + StakeField::SampleSize);
  r.Numbers = GetNumbers(p + StakeField::Numbers);
  std::copy(p + StakeField::DrawResult, p + StakeField::DrawResult + 5, r.DrawResult.begin());
  r.Matched = GetNumbers(p + StakeField::Matched);
  r.Profit = GetInt64(p + StakeField::Profit);
  const size_t length = p[StakeField::Comment];  // at most 255: always inside the record
  r.Comment = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(p + StakeField::Comment + 1), length));
  return r;
}

TStakeData SeparatorRecord() {
  TStakeData r;
  r.Version = 2;
  r.Kind = StakeSeparator;
  r.DrawNumber = -1;
  r.Matched.Count = -1;
  return r;
}

bool ValidStakeNumbers(const TStakeNumbers& numbers) {
  if (numbers.Count < MinStakeNumbers || numbers.Count > MaxStakeNumbers) return false;
  uint64_t seen = 0;
  for (int i = 0; i < numbers.Count; ++i) {
    const uint8_t n = numbers.Values[i];
    if (n < 1 || n > MaxNumber || (seen >> n & 1)) return false;
    seen |= uint64_t{1} << n;
  }
  return true;
}

bool IsDue(const TStakeData& r) {
  // Repeated numbers are accepted as the stake's makers may store them; the check counts a drawn
  // number once.
  if (r.Checked != 0 || r.DrawNumber <= 0) return false;
  if (r.Numbers.Count < MinStakeNumbers || r.Numbers.Count > MaxStakeNumbers) return false;
  for (int i = 0; i < r.Numbers.Count; ++i)
    if (r.Numbers.Values[i] < 1 || r.Numbers.Values[i] > MaxNumber) return false;
  return true;
}

std::string StakeKindName(int kind) {
  switch (kind) {
    case StakeManual: return "Вручную";
    case StakeRegular: return "Регуляр";
    case StakeScript: return "Сценарий";
    case StakeSystem: return "Система";
    default: return {};
  }
}

uint32_t StakeKindRgb(int kind) {
  switch (kind) {
    case StakeManual: return 0xEAFFEA;
    case StakeRegular: return 0xFFEAEA;
    case StakeScript: return 0xEAFFFF;
    case StakeSystem: return 0xFCFDD9;
    default: return 0;
  }
}

std::string StakeNumbersText(const TStakeNumbers& numbers, std::string_view separator) {
  std::string text;
  for (int i = 0; i < numbers.Visible(); ++i) {
    if (i) text += separator;
    text += std::to_string(numbers.Values[i]);
  }
  return text;
}

std::string StakeDrawText(const std::array<uint8_t, 5>& draw) {
  return fmt::format("{};{};{};{};{}", draw[0], draw[1], draw[2], draw[3], draw[4]);
}

const std::array<const char*, StakeColumnCount> StakeColumnCaptions = {
    "№ тиража",   "Вид ставки", "Моя ставка", "Выборка",    "Результаты тиража",
    "Совпадений", "Совпадения", "Профит",     "Комментарий"};
const std::array<int, StakeColumnCount> StakeColumnWidths = {60, 60, 120, 60, 120, 60, 60, 60, 1000};

std::string StakeCellText(const TStakeData& r, int column) {
  if (r.DrawNumber <= 0) return {};
  const bool checked = r.Checked != 0;
  switch (column) {
    case 0: return std::to_string(r.DrawNumber);
    case 1: return StakeKindName(r.Kind);
    case 2: return StakeNumbersText(r.Numbers, ";");
    case 3: return std::to_string(r.SampleSize);
    case 4: return checked ? StakeDrawText(r.DrawResult) : std::string();
    case 5: return checked ? std::to_string(std::clamp(r.Matched.Count, -1, MaxStakeNumbers)) : std::string();
    case 6: return checked ? StakeNumbersText(r.Matched, " ") : std::string();
    case 7: return MoneyText(r.Profit);
    case 8: return r.Comment;
    default: return {};
  }
}

}  // namespace kivra
