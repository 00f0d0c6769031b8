#include "stats/SF_Tsmr.h"

namespace kivra {

void TstTesmar3::DrawValues(int index, int refIndex, bool sorted, TStatDrawArray& values, TStatWork& work,
                            TLastValueArray& lastSeen) {
  TCustomStat::DrawValues(index, refIndex, sorted, values, work, lastSeen);
  // Only the newest draw of the window contributes (a draw outside the archive never does).
  if (index < 0 || index > DrawsHigh() || Cur.Number != Ref.Number) return;

  // The draw after the window; past the end of the archive there is none, and a missing draw
  // holds no number (ReadDraw's zero draw would otherwise "hold" 0).
  const bool nextExists = refIndex + 1 >= 0 && refIndex + 1 <= DrawsHigh();
  const TComb next = ReadDraw(refIndex + 1, false).Nums;
  const auto inNext = [&](int32_t v) {
    if (!nextExists) return false;
    for (uint8_t n : next)
      if (n == v) return true;
    return false;
  };

  const TTesmarResult r = TesmarTriangle(Cur.Nums, 2);
  const int32_t f = r.Value;
  Val.Key = r.Pair ? TStatKey::Words(static_cast<uint16_t>(f), 1, 0, 2) : TStatKey::Words(static_cast<uint16_t>(f));
  Val.Count = inNext(f) ? 1 : 0;
  AddStatValue(values, Val, false);

  int32_t g = f * f < MaxNumber ? f * f * f : f * f;
  for (; g > f; g -= f) {
    if (g < 1 || g > MaxNumber) continue;
    Val.Key = TStatKey::Words(static_cast<uint16_t>(g));
    Val.Count = inNext(g) ? 1 : 0;
    AddStatValue(values, Val, false);
  }
}

std::string TstTesmar3::ValueCaption(const TStatDrawRec& rec) const {
  std::string text = std::to_string(rec.Key.K1());
  if (rec.Key.K4() == 2) text += " (" + std::to_string(rec.Key.K2()) + ")";
  return text;
}

std::span<const TStatListEntry> TesmarStatClasses() {
  static const TStatListEntry entries[] = {
      {140, &StatClassOf<TstTesmar1>()},
      {141, &StatClassOf<TstTesmar2>()},
      {142, &StatClassOf<TstTesmar3>()},
  };
  return entries;
}

}  // namespace kivra
