#include "stats/SF_Shrd.h"

namespace kivra {

namespace {

const std::string& FormulaOf(const TStatEnv& env, int32_t param) {
  static const std::string none;
  return param >= 1 && param <= 3 ? env.Shredding.Formulas[static_cast<size_t>(param - 1)] : none;
}

int32_t DigitsOf(const TStatEnv& env, int32_t param) {
  return param >= 1 && param <= 3 ? env.Shredding.Digits[static_cast<size_t>(param - 1)] : 2;
}

}  // namespace

TstShreddingStat::TstShreddingStat(const TStatClass& cls, const TStatEnv& env, int32_t param)
    : TStatImpl(cls, env, param),
      formula_(FormulaOf(env, param)),
      digits_(DigitsOf(env, param)),
      compiled_(formula_, digits_) {}

void TstShreddingStat::PrepareMatch(const TMatchContext& ctx) {
  matchInputs_ =
      ShreddingInputs({}, ReadDraw(ctx.RefIndex, ctx.Sorted).Nums, ReadDraw(ctx.RefIndex - 1, ctx.Sorted).Nums);
}

void TstShreddingStat::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                                  TLastValueArray& lastSeen) {
  TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  const int32_t v =
      ShreddingValue(Cur.Nums, ReadDraw(index - 1, sorted).Nums, ReadDraw(index - 2, sorted).Nums, digits_, formula_);
  Val.Key = TStatKey::Words(static_cast<uint16_t>(v));
  AddStatValue(values, Val, true);
}

int32_t TstShreddingStat::CombValue(const TComb& c, int index, int, bool sorted) {
  return ShreddingValue(c, ReadDraw(index - 1, sorted).Nums, ReadDraw(index - 2, sorted).Nums, digits_, formula_);
}

std::span<const TStatListEntry> ShreddingStatClasses() {
  static const TStatListEntry entries[] = {{143, &StatClassOf<TstShreddingStat>()}};
  return entries;
}

}  // namespace kivra
