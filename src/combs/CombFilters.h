// The pieces of the list filters that need no workspace: the values of a grid selection, and the
// test "equal to one of these draws" behind the removal of the latest draws.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/SortaUtils.h"
#include "stats/StatTypes.h"

namespace kivra {

// The grids whose selected cells filter the list by numbers.
enum class TGridKind { Card, Layout, Week };

// The log caption of a grid filter: the caption of the grid's tab.
std::string_view GridCaption(TGridKind kind);

// A selected rectangle of a grid: the texts of its cells column by column (left to right), each
// column top to bottom; Left is the grid column index of the first one.
struct TGridSelection {
  int Left = 0;
  std::vector<std::vector<std::string>> Columns;
};

// The values of a selection as numbers-statistic records (K1 = value), each value once, and their
// texts joined by "; ":
//   card: every non-empty cell gives the integer of its text (0 when it is not one);
//   layout: every non-empty cell is split at ","; each word, with "[" and "]" removed and trimmed,
//           gives its integer (empty words give nothing);
//   week: every selected column gives its column index, whatever its cells hold.
struct TGridValues {
  TStatDrawArray Values;
  std::string Text;
};
TGridValues CollectGridValues(TGridKind kind, const TGridSelection& selection);

// Which combinations equal one of a set of draws, where equal means CommonCount = 5 (the numbers
// are shared, their order does not matter). Draws and combinations of five different numbers 1..45
// are looked up by their number mask in a small hash set; anything else is compared pair by pair
// so that the answer is CommonCount's for every byte value.
class TDrawMatcher {
 public:
  explicit TDrawMatcher(std::span<const TDraw> draws);

  bool Empty() const { return all_.empty(); }
  bool Drawn(const TComb& comb) const;
  // Writes the combinations of `in` that are not drawn to `out` in order (`out` may be in.data());
  // returns how many.
  size_t KeepUndrawn(std::span<const TComb> in, TComb* out) const;

 private:
  bool InMaskSet(uint64_t mask) const {
    // Most combinations are no draw: a 4 KB bit filter answers them without touching the table.
    const uint64_t h = mask * 0x9E3779B97F4A7C15ull;
    if (!((filter_[h >> 55] >> ((h >> 49) & 63)) & 1)) return false;
    for (size_t i = Slot(mask);; i = (i + 1) & slotMask_) {
      if (slots_[i] == mask) return true;
      if (slots_[i] == 0) return false;
    }
  }
  size_t Slot(uint64_t mask) const { return static_cast<size_t>((mask * 0x9E3779B97F4A7C15ull) >> shift_); }
  bool DrawnSlow(const TComb& comb, std::span<const TComb> draws) const;

  std::array<uint64_t, 512> filter_{};  // bit (h >> 49) of the hash of every mask in the set
  std::vector<uint64_t> slots_;         // number masks; 0 marks a free slot (no valid mask is 0)
  size_t slotMask_ = 0;
  unsigned shift_ = 64;
  std::vector<TComb> odd_;  // draws that are not five different numbers 1..45
  std::vector<TComb> all_;
};

}  // namespace kivra
