#include "combs/CombFilters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace kivra {

namespace {

// Bit n for the numbers 1..45; bit 63 marks any other byte value.
constexpr uint64_t BadNumberBit = uint64_t{1} << 63;
constexpr std::array<uint64_t, 256> NumberBitTable = [] {
  std::array<uint64_t, 256> t{};
  for (int n = 0; n < 256; ++n) t[n] = n >= 1 && n <= MaxNumber ? uint64_t{1} << n : BadNumberBit;
  return t;
}();

// The number mask of a combination (bit n for number n) and whether it holds five different
// numbers 1..45: five single bits summed equal their union only when all differ.
inline bool NumberMask(const TComb& c, uint64_t& mask) {
  const uint64_t b0 = NumberBitTable[c[0]], b1 = NumberBitTable[c[1]], b2 = NumberBitTable[c[2]],
                 b3 = NumberBitTable[c[3]], b4 = NumberBitTable[c[4]];
  mask = b0 | b1 | b2 | b3 | b4;
  return ((mask & BadNumberBit) == 0) & (b0 + b1 + b2 + b3 + b4 == mask);
}

void AddValue(TGridValues& out, int32_t value, std::string_view text) {
  const uint16_t k1 = static_cast<uint16_t>(value);
  for (const auto& v : out.Values)
    if (v.Key.K1() == k1) return;
  TStatDrawRec rec;
  rec.Key = TStatKey::Words(k1);
  out.Values.push_back(rec);
  if (!out.Text.empty()) out.Text += "; ";
  out.Text += text;
}

}  // namespace

std::string_view GridCaption(TGridKind kind) {
  switch (kind) {
    case TGridKind::Card: return "Карта";
    case TGridKind::Layout: return "Схема";
    case TGridKind::Week: return "Неделя";
  }
  return {};
}

TGridValues CollectGridValues(TGridKind kind, const TGridSelection& selection) {
  TGridValues out;
  for (size_t col = 0; col < selection.Columns.size(); ++col) {
    if (kind == TGridKind::Week) {
      const int index = selection.Left + static_cast<int>(col);
      AddValue(out, index, std::to_string(index));
      continue;
    }
    for (const std::string& cell : selection.Columns[col]) {
      if (cell.empty()) continue;
      if (kind == TGridKind::Card) {
        AddValue(out, StrToIntDef(cell, 0), cell);
        continue;
      }
      size_t start = 0;
      for (;;) {
        const size_t comma = std::min(cell.find(',', start), cell.size());
        std::string word = cell.substr(start, comma - start);
        std::erase_if(word, [](char c) { return c == '[' || c == ']'; });
        const std::string_view trimmed = Trim(word);
        if (!trimmed.empty()) AddValue(out, StrToIntDef(trimmed, 0), trimmed);
        if (comma >= cell.size()) break;
        start = comma + 1;
      }
    }
  }
  return out;
}

TDrawMatcher::TDrawMatcher(std::span<const TDraw> draws) {
  std::vector<uint64_t> masks;
  for (const TDraw& d : draws) {
    all_.push_back(d.Nums);
    uint64_t mask;
    if (NumberMask(d.Nums, mask)) masks.push_back(mask);
    else odd_.push_back(d.Nums);
  }
  // At most a quarter full, so that a miss almost always ends at its first probe.
  size_t size = 16;
  while (size < masks.size() * 4) size *= 2;
  slots_.assign(size, 0);
  slotMask_ = size - 1;
  shift_ = static_cast<unsigned>(64 - std::countr_zero(size));
  for (uint64_t m : masks) {
    const uint64_t h = m * 0x9E3779B97F4A7C15ull;
    filter_[h >> 55] |= uint64_t{1} << ((h >> 49) & 63);
    size_t i = Slot(m);
    while (slots_[i] != 0 && slots_[i] != m) i = (i + 1) & slotMask_;
    slots_[i] = m;
  }
}

bool TDrawMatcher::DrawnSlow(const TComb& comb, std::span<const TComb> draws) const {
  for (const TComb& d : draws)
    if (CommonCount(d, comb) == CombSize) return true;
  return false;
}

bool TDrawMatcher::Drawn(const TComb& comb) const {
  if (all_.empty()) return false;
  uint64_t mask;
  if (!NumberMask(comb, mask)) return DrawnSlow(comb, all_);
  return InMaskSet(mask) || (!odd_.empty() && DrawnSlow(comb, odd_));
}

size_t TDrawMatcher::KeepUndrawn(std::span<const TComb> in, TComb* out) const {
  if (all_.empty()) {
    if (out != in.data()) std::memmove(out, in.data(), in.size() * sizeof(TComb));
    return in.size();
  }
  size_t n = 0;
  if (odd_.empty()) {
    for (const TComb& c : in) {
      uint64_t mask;
      const bool drawn = NumberMask(c, mask) ? InMaskSet(mask) : DrawnSlow(c, all_);
      const TComb copy = c;  // `out` may be the input itself
      out[n] = copy;
      n += !drawn;
    }
  } else {
    for (const TComb& c : in) {
      const TComb copy = c;
      const bool drawn = Drawn(copy);
      out[n] = copy;
      n += !drawn;
    }
  }
  return n;
}

}  // namespace kivra
