// Draws for test archives.
#pragma once

#include <cstdint>
#include <string_view>

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

}  // namespace kivra::test
