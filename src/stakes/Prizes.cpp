#include "stakes/Prizes.h"

#include <fmt/format.h>
#include <limits>

#include "core/SortaUtils.h"
#include "core/SysFormat.h"

namespace kivra {

namespace {
constexpr TMoney MoneyMax = std::numeric_limits<TMoney>::max();
constexpr TMoney MoneyMin = std::numeric_limits<TMoney>::min();
}  // namespace

TMoney MoneyAdd(TMoney a, TMoney b) {
  TMoney sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? MoneyMax : MoneyMin;
  return sum;
}

TMoney MoneyMul(TMoney a, int64_t b) {
  TMoney product;
  if (__builtin_mul_overflow(a, b, &product)) return ((a < 0) != (b < 0)) ? MoneyMin : MoneyMax;
  return product;
}

std::string MoneyText(TMoney amount) {
  // Hundredths, rounded with halves away from zero, in unsigned arithmetic so that the type's
  // minimum has a magnitude too.
  const bool negative = amount < 0;
  const uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(amount) : static_cast<uint64_t>(amount);
  const uint64_t hundredths = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  if (hundredths == 0) return fmt::format("0{}00", DecimalSeparator());
  return fmt::format("{}{}{}{:02}", negative ? "-" : "", hundredths / 100, DecimalSeparator(), hundredths % 100);
}

TMoney StakeProfit(const TConfigData& config, int n, int m) {
  const uint64_t combinations = Binomial(n, CombSize);
  TMoney profit = MoneyMul(config.Cost, static_cast<int64_t>(combinations));
  profit = profit == MoneyMin ? MoneyMax : -profit;  // saturating negation
  if (m < 0) return profit;
  for (const TProfitItem& item : config.Profits)
    if (item.Overlap == m) return MoneyAdd(profit, item.Profit);
  return profit;
}

bool PrizeTableEmpty(const TConfigData& config) {
  for (const TProfitItem& item : config.Profits)
    if (item.Profit != 0) return false;
  return true;
}

}  // namespace kivra
