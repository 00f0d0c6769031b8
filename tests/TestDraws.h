// Draws for test archives.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/DrawsArchive.h"
#include "core/SortaUtils.h"

namespace kivra::test {

// A draw with its number, its numbers in drawn order and, when given, its date text.
inline TDraw MakeDraw(int32_t number, TComb nums, std::string_view date = {}) {
  TDraw d{};
  d.Number = number;
  d.Nums = nums;
  d.SetDateText(date);
  return d;
}

// An archive of the draws, in that order, with the offset set.
inline TDrawsArchive MakeArchive(std::initializer_list<TDraw> draws, int offset = 0) {
  TDrawsArchive a;
  for (const TDraw& d : draws) a.Append(d);
  a.SetDrawsOffset(offset);
  return a;
}

}  // namespace kivra::test
