// Cell colours of the analysis views: an RGB value (0xRRGGBB) or the grid's normal colour, which
// the shell chooses (as it chooses the selection colour).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivra {

using TCellColor = std::optional<uint32_t>;  // nullopt: the grid's normal colour

constexpr uint32_t RgbYellow = 0xFFFF00;
constexpr uint32_t RgbLime = 0x00FF00;
constexpr uint32_t RgbAqua = 0x00FFFF;

// num / den rounded to the nearest integer, an exact half to the even one; den > 0.
int64_t RoundHalfEven(int64_t num, int64_t den);

// "#RRGGBB", or the empty text for the grid's normal colour.
std::string ColorText(const TCellColor& color);

}  // namespace kivra
