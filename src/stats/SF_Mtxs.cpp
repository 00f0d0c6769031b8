#include "stats/SF_Mtxs.h"

#include "core/SysFormat.h"

namespace kivra {

namespace {

// The byte length of the UTF-8 character that starts with this byte (1 for a stray byte).
size_t CharLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

// --- COLM / ROWM ---

template <bool Rows>
TstMatrixLineMask<Rows>::TstMatrixLineMask(const TStatClass& cls, const TStatEnv& env, int32_t param)
    : Impl(cls, env, param) {
  const int lines = this->LineCount(Rows);
  const TGroupTable& line = this->Lines(Rows);
  for (int n = 0; n < 256; ++n) {
    const int l = line[n];
    if (l >= 1 && l <= lines && lines - l < 32) bit_[n] = uint32_t{1} << (lines - l);
  }
  for (int n = 1; n <= MaxNumber; ++n) numberBits_ |= bit_[n];
}

template <bool Rows>
std::string TstMatrixLineMask<Rows>::ValueCaption(const TStatDrawRec& rec) const {
  const auto mask = static_cast<uint32_t>(rec.Key.L1());
  const int lines = this->LineCount(Rows);
  std::string letters(static_cast<size_t>(lines), '0');
  for (int b = 0; b < lines && b < 32; ++b)
    if ((mask >> b) & 1) letters[static_cast<size_t>(lines - 1 - b)] = '1';
  return SysFormat("%s (%.3d)", {letters, rec.Key.L1()});
}

template <bool Rows>
int32_t TstMatrixLineMask<Rows>::ParseValue(std::string_view text) const {
  uint32_t value = 0;
  size_t pos = 0;
  for (int i = 0; i < this->LineCount(Rows); ++i) {
    bool one = false;
    if (pos < text.size()) {
      const size_t len = std::min(CharLength(static_cast<unsigned char>(text[pos])), text.size() - pos);
      one = len == 1 && text[pos] == '1';
      pos += len;
    }
    value = value * 2 + (one ? 1 : 0);
  }
  return static_cast<int32_t>(value);
}

template class TstGroupLines<TColumnGrouping>;
template class TstGroupLines<TRowGrouping>;
template class TstGroupValues<TColumnGrouping>;
template class TstGroupValues<TRowGrouping>;
template class TstGroupCount<TColumnGrouping>;
template class TstGroupCount<TRowGrouping>;
template class TstGroupValCnt<TColumnGrouping>;
template class TstGroupValCnt<TRowGrouping>;
template class TstMatrixLineMask<false>;
template class TstMatrixLineMask<true>;

std::span<const TStatListEntry> MatrixStatClasses() {
  static const TStatListEntry entries[] = {
      {25, &StatClassOf<TstColumns>()},       {26, &StatClassOf<TstRows>()},
      {27, &StatClassOf<TstColValues>()},     {28, &StatClassOf<TstRowValues>()},
      {29, &StatClassOf<TstColCount>()},      {30, &StatClassOf<TstRowCount>()},
      {31, &StatClassOf<TstColMask>()},       {32, &StatClassOf<TstRowMask>()},
      {33, &StatClassOf<TstColAjacent>()},    {34, &StatClassOf<TstRowAjacent>()},
      {35, &StatClassOf<TstColAjacentCnt>()}, {36, &StatClassOf<TstRowAjacentCnt>()},
      {84, &StatClassOf<TstCombColMix2>()},   {85, &StatClassOf<TstCombColMix3>()},
      {86, &StatClassOf<TstCombColMix4>()},   {87, &StatClassOf<TstCombColSeq2>()},
      {88, &StatClassOf<TstCombColSeq3>()},   {89, &StatClassOf<TstCombColSeq4>()},
      {90, &StatClassOf<TstCombRowMix2>()},   {91, &StatClassOf<TstCombRowMix3>()},
      {92, &StatClassOf<TstCombRowMix4>()},   {93, &StatClassOf<TstCombRowSeq2>()},
      {94, &StatClassOf<TstCombRowSeq3>()},   {95, &StatClassOf<TstCombRowSeq4>()},
      {105, &StatClassOf<TstColValCnt>()},    {106, &StatClassOf<TstRowValCnt>()},
  };
  return entries;
}

}  // namespace kivra
