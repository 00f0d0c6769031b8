#include "views/ViewColors.h"

#include <fmt/format.h>

namespace kivra {

int64_t RoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den, r = num % den;
  // Floor division, so that the remainder is 0..den-1 for negative values too.
  if (r < 0) {
    r += den;
    --q;
  }
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
  return q;
}

std::string ColorText(const TCellColor& color) {
  return color ? fmt::format("#{:06X}", *color & 0xFFFFFF) : std::string();
}

}  // namespace kivra
