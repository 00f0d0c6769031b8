// Money in fixed point (units of 1/10000): saturating arithmetic, the "%.2f" text, and the profit
// of a stake from the configured cost and prize table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Config.h"

namespace kivra {

// Checked 64-bit arithmetic that saturates at the type's limits.
TMoney MoneyAdd(TMoney a, TMoney b);
TMoney MoneyMul(TMoney a, int64_t b);

// The amount rounded to hundredths (halves away from zero) with the configured decimal separator:
// 10050 -> "1.01", -100050 -> "-10.01". Never "-0.00".
std::string MoneyText(TMoney amount);

// The profit of a stake of n numbers with m matches: -C(n,5) x Cost (C counts 1 for n <= 5), plus
// the prize of the first table entry for m matches when m >= 0. Entries whose match count is
// outside 0..255 pay nothing.
TMoney StakeProfit(const TConfigData& config, int n, int m);

// While no entry of the prize table pays anything every profit is only the cost (or 0): the
// stakes and ratings say so with this notice, which names where the table is set.
bool PrizeTableEmpty(const TConfigData& config);
inline constexpr std::string_view PrizeTableNotice =
    "Таблица выигрышей не заполнена, поэтому профит ставок не считается.\rЗадайте стоимость ставки и размеры "
    "выигрышей: меню «Файл» → «Параметры» (окно «Параметры системы»).";

}  // namespace kivra
